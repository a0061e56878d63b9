#pragma once
#include <windows.h>

// Each operation connects to the Service Control Manager, opens one service with the
// narrowest access it needs, and closes both handles before it returns. None waits
// for a service to finish a state change.
bool QueryStartType(const wchar_t* name, DWORD* startType);
// The service's registry Start value alone, as ReadDwordValue reports it (0 when read).
LONG ReadStartType(const wchar_t* name, DWORD* startType);
// What a read of a service's start type, made to confirm a pass, shows.
enum class StartTypeReading {
    Disabled,
    NotDisabled,  // another start type
    NoStartType,  // a Start value of another type or size: it says nothing of the start
    Gone,         // the service's key or its Start value is not there
    Unreadable,   // the read itself failed (access denied, out of resources): nothing is known
};
StartTypeReading ReadBackStartType(const wchar_t* name);
// Writes the hive that holds the service's start type to disk; false when that failed.
bool FlushStartType(const wchar_t* name);
bool SetStartType(const wchar_t* name, DWORD startType);
bool SetSysMainStartType(DWORD startType, bool stopIfRunning);
bool StartSysMain();
bool StopSysMain();
// SysMain's dwCurrentState; -1 when the manager, the service or the query is unavailable.
LONG QuerySysMainState();
