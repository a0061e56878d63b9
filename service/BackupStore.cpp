#include "service/BackupStore.h"
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

bool WriteBackupValue(const wchar_t* valueName, DWORD value)
{
    ScopedRegKey key;
    if (osApi.RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return false;
    return osApi.RegSetValueExW(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof(value)) == ERROR_SUCCESS;
}

void DeleteBackupValue(const wchar_t* valueName)
{
    ScopedRegKey key;
    if (osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.Receive()) !=
        ERROR_SUCCESS)
        return;
    osApi.RegDeleteValueW(key.Get(), valueName);  // a value that is not there is no error
}

bool BackupPresent(const wchar_t* valueName, DWORD* value)
{
    return ReadDwordValue(ProductKeyPath, valueName, value) == 0;
}
