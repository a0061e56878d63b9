#pragma once
// The Services page's rows and its batch commands.

// Row texts, enabled states and unchecking of rows that cannot be used.
void RefreshServiceList();
// Confirms and turns off the automatic start of the checked services.
void DisableSelectedServices();
// Confirms and restores every saved start type.
void RestoreSavedServices();
