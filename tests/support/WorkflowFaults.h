#pragma once
// Refusals that Wine cannot produce on demand, put over whatever the seam holds
// (normally a CountingSeam, so opens and closes are still counted). The previous
// entries come back when the object goes out of scope.
#include "common/OsApi.h"

enum class OsFault {
    None,
    CreateKey,     // RegCreateKeyExW refused (the backup store key)
    SetValue,      // RegSetValueExW refused for the value named
    DeleteValue,   // RegDeleteValueW refused for the value named
    ChangeConfig,  // ChangeServiceConfigW refused for the service named
    OpenKey,       // RegOpenKeyExW refused (access denied) for the key path named
    ReadValue,     // RegQueryValueExW refused (access denied) for the value named
    FlushKey,      // RegFlushKey fails (an I/O error) for every key
    Lock,          // the lock shared by copies of the program is not had in time
};

class FaultSeam {
public:
    // target names the value or service; nullptr makes every call of that kind fail
    FaultSeam(OsFault fault, const wchar_t* target = nullptr);
    ~FaultSeam();
    FaultSeam(const FaultSeam&) = delete;
    FaultSeam& operator=(const FaultSeam&) = delete;
    // how many calls were refused so far
    static int Refused();
private:
    OsApi saved;
};

// The service name a service handle was opened with (through the seam), or an empty text.
const wchar_t* ServiceNameOf(SC_HANDLE service);
// Makes the seam remember the name of every service handle it opens (FaultSeam does it too).
void TrackServiceNames();
