#include "service/BackupStore.h"
#include "common/RegistryDword.h"
#include "common/ScopedHandles.h"

namespace {

constexpr const wchar_t* PersistenceProbe = L"PersistenceCheck";

// A volatile key is gone at the next restart, with every backup in it, and it takes only
// volatile subkeys: a non-volatile probe created under it is refused
// (ERROR_CHILD_MUST_BE_VOLATILE). A probe left from before is opened as it is, whatever
// kind it is, so it is removed and the probe made once more.
bool SurvivesRestart(HKEY key)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD disposition = 0;
        {
            ScopedRegKey probe;
            if (osApi.RegCreateKeyExW(key, PersistenceProbe, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, nullptr, probe.Receive(),
                                      &disposition) != ERROR_SUCCESS)
                return false;
        }
        osApi.RegDeleteKeyW(key, PersistenceProbe);
        if (disposition == REG_CREATED_NEW_KEY) return true;
    }
    return false;
}

}  // namespace

bool WriteBackupValue(const wchar_t* valueName, DWORD value)
{
    // RegFlushKey needs KEY_QUERY_VALUE on the key it flushes
    ScopedRegKey key;
    DWORD disposition = 0;
    if (osApi.RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY, nullptr,
                              key.Receive(), &disposition) != ERROR_SUCCESS)
        return false;
    // a key created just now is non-volatile; one that existed may not be
    if (disposition != REG_CREATED_NEW_KEY && !SurvivesRestart(key.Get())) return false;
    if (osApi.RegSetValueExW(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)) != ERROR_SUCCESS)
        return false;
    // the store and the start types live in different hives, each written to disk lazily:
    // a backup that is not on disk yet must not count, or a power cut could keep the new
    // start type and lose the old one
    if (osApi.RegFlushKey(key.Get()) == ERROR_SUCCESS) return true;
    osApi.RegDeleteValueW(key.Get(), valueName);
    return false;
}

void DeleteBackupValue(const wchar_t* valueName)
{
    ScopedRegKey key;
    if (osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.Receive()) !=
        ERROR_SUCCESS)
        return;
    osApi.RegDeleteValueW(key.Get(), valueName);  // a value that is not there is no error
}

BackupState ReadBackupValue(const wchar_t* valueName, DWORD* value)
{
    switch (ReadDwordValue(ProductKeyPath, valueName, value)) {
    case 0: return BackupState::Present;
    case ERROR_FILE_NOT_FOUND:  // the key or the value is missing
    case ERROR_MORE_DATA:       // longer than a DWORD
    case -1:                    // another type or size
        return BackupState::Absent;
    default: return BackupState::Unknown;
    }
}

bool RestorableStartType(DWORD start)
{
    return start == SERVICE_AUTO_START || start == SERVICE_DEMAND_START;
}
