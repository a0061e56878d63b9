#include "service/BackupStore.h"
#include "common/RegistryDword.h"
#include "common/ScopedHandles.h"

namespace {

// "PersistenceCheck.{" and 32 hexadecimal digits in the groups of a GUID, "}" and the terminator
constexpr size_t ProbeNameCapacity = 56;

// A name that nobody else uses: 128 random bits, written as a GUID is. False when the
// system gives no random bytes.
bool NewProbeName(wchar_t (&name)[ProbeNameCapacity])
{
    BYTE bits[16];
    if (!osApi.RtlGenRandom(bits, sizeof(bits))) return false;
    static const wchar_t digits[] = L"0123456789abcdef";
    size_t at = 0;
    for (const wchar_t* head = L"PersistenceCheck.{"; *head; ++head) name[at++] = *head;
    for (size_t i = 0; i < sizeof(bits); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) name[at++] = L'-';
        name[at++] = digits[bits[i] >> 4];
        name[at++] = digits[bits[i] & 15];
    }
    name[at++] = L'}';
    name[at] = L'\0';
    return true;
}

// A volatile key is gone at the next restart, with every backup in it, and it takes only
// volatile subkeys: a non-volatile probe created under it is refused
// (ERROR_CHILD_MUST_BE_VOLATILE). The probe has a name of its own for each check and is
// used only when the system says this call created it; it is deleted through the handle
// this call got, so nothing that was there before, or took the name meanwhile, is ever
// removed. A link at the name is opened as the link, never followed. Anything else than a
// new key, created and deleted, is a check failed, with nothing changed.
bool SurvivesRestart(HKEY key)
{
    wchar_t name[ProbeNameCapacity];
    if (!NewProbeName(name)) return false;
    ScopedRegKey probe;
    DWORD disposition = 0;
    if (osApi.RegCreateKeyExW(key, name, 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK,
                              DELETE | KEY_WOW64_64KEY, nullptr, probe.Receive(), &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition != REG_CREATED_NEW_KEY) return false;
    // the empty name is the key of the handle itself
    return osApi.RegDeleteKeyExW(probe.Get(), L"", KEY_WOW64_64KEY, 0) == ERROR_SUCCESS;
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
