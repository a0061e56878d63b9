#pragma once
#include <windows.h>

struct SysMainSnapshot {
    LONG state = -1;             // dwCurrentState, -1 when unavailable
    DWORD start = 0;             // registry Start value; only while startReadable
    bool startReadable = false;
    DWORD originalStart = 0;     // OriginalStart backup; only while saved
    bool saved = false;
};

extern SysMainSnapshot SysMainStatus;
// the user flipped toggle 101 since the last Apply or Refresh: refreshes leave it alone
extern bool toggleTouched;

// Re-reads SysMain into the snapshot and brings the Home page's labels, toggle 101 and
// the enabled states of the SysMain controls in line with it.
void RefreshSysMainStatus();
