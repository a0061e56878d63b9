#include "support/OsFaults.h"

const char* OsFaultName(OsFault fault)
{
    static const char* const names[OsFaultCount] = {
        "",
        "RegCreateKeyExW",
        "RegSetValueExW",
        "RegFlushKey",
        "RegDeleteValueW",
        "ChangeServiceConfigW",
        "ChangeServiceConfigW+RegDeleteValueW",
        "RegOpenKeyExW",
        "RegQueryValueExW",
        "RegQueryValueExW(Start)",
        "OpenSCManagerW",
        "OpenServiceW",
        "CreateMutexW",
        "namespace call",
        "WaitForSingleObject",
        "RegQueryValueExW(Start) read-back",
    };
    const int index = static_cast<int>(fault);
    return index >= 0 && index < OsFaultCount ? names[index] : "?";
}
