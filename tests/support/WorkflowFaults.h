#pragma once
// Refusals that Wine cannot produce on demand, put over whatever the seam holds
// (normally a CountingSeam, so opens and closes are still counted). The previous
// entries come back when the object goes out of scope. It arms CreateKey, SetValue,
// DeleteValue, ChangeConfig, OpenKey and ReadValue (access denied), FlushKey (an I/O
// error), OpenManager and OpenService (access denied) and Lock (not had in time).
#include "common/OsApi.h"
#include "support/OsSeam.h"
#include "support/OsFaults.h"

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
    SeamLayer layer;  // made before the service names are tracked: both go with it
};

// The service name a service handle was opened with (through the seam), or an empty text.
const wchar_t* ServiceNameOf(SC_HANDLE service);
// Makes the seam remember the name of every service handle it opens (FaultSeam does it too).
void TrackServiceNames();
