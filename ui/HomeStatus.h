#pragma once
// The Home page's SysMain: what the last refresh read, and its Apply.
#include <windows.h>
#include "service/SysMainStatus.h"

extern SysMainSnapshot SysMainStatus;
// the user flipped the automatic-start toggle since the last Apply or Refresh: refreshes
// leave it alone
extern bool toggleTouched;

// Re-reads SysMain into the snapshot and brings the Home page's labels, the automatic-start
// toggle and the enabled states of the SysMain controls in line with it.
void RefreshSysMainStatus();
// Asks, turns SysMain's automatic start off (saving OriginalStart) or restores it, tells.
void ApplySysMainToggle();
