#pragma once
// The three workflows that change and restore start types, and the services list.

// Home page: turn SysMain's automatic start off (saving OriginalStart) or restore it.
void ApplySysMainToggle();
// Services page: row texts, enabled states and unchecking of rows that cannot be used.
void RefreshServiceList();
// Services page: confirm and turn off the automatic start of the checked services.
void DisableSelectedServices();
// Services page: confirm and restore every saved start type.
void RestoreSavedServices();
