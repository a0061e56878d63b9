#pragma once
#include <windows.h>

struct SysMainSnapshot {
    LONG state = -1;             // dwCurrentState, -1 when unavailable
    DWORD start = 0;             // registry Start value; only while startReadable
    bool startReadable = false;
    DWORD originalStart = 0;     // OriginalStart backup; only while saved
    bool saved = false;
};

// Reads SysMain's start type, its saved setting and its state, in that order, into the
// snapshot. A value that cannot be read leaves in it whatever the failed read left there.
void ReadSysMain(SysMainSnapshot& snapshot);
