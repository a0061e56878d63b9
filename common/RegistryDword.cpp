#include "common/RegistryDword.h"
#include "common/ScopedHandles.h"

LONG ReadDwordValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* value)
{
    ScopedRegKey key;
    LONG status = osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Receive());
    if (status != ERROR_SUCCESS) return status;
    DWORD type = 0;
    DWORD size = sizeof(DWORD);
    status = osApi.RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (status != ERROR_SUCCESS) return status;
    return (type == REG_DWORD && size == sizeof(DWORD)) ? 0 : -1;
}
