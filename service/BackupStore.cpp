#include "service/BackupStore.h"
#include "common/RegistryDword.h"
#include "common/ScopedHandles.h"
#include <cstdlib>
#include <cstring>

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
// removed; the handle has DELETE access, so the deletion needs no second access check that
// rules inherited from the store could refuse. A link at the name is opened as the link,
// never followed. Anything else than a new key, created and deleted, is a check failed,
// with nothing changed.
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
    return osApi.NtDeleteKey(probe.Get()) >= 0;
}

// A value larger than this at a backup's name is no one's backup: the write is refused
// rather than read into memory.
constexpr DWORD EarlierValueLimit = 1024 * 1024;
// The system adds a terminator to string data whose last character is not a null when the
// character after it in memory is one; a non-null one there keeps the bytes exactly.
constexpr BYTE GuardByte = 0xFF;
constexpr size_t GuardBytes = 2;

// Reads whatever stands at the name, of any type and size, with the guard behind it. False
// when the read failed for another reason than the value's absence: what is there then
// cannot be put back.
bool ReadEarlierValue(HKEY key, const wchar_t* valueName, EarlierValue& earlier)
{
    earlier.Clear();
    // another program may grow the value between the two queries: ask again a few times
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        LSTATUS status = osApi.RegQueryValueExW(key, valueName, nullptr, &earlier.type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) return true;
        if (status != ERROR_SUCCESS || size > EarlierValueLimit || !earlier.Reserve(size)) return false;
        // never a null buffer, which would only ask for the size again
        status = osApi.RegQueryValueExW(key, valueName, nullptr, &earlier.type, earlier.data, &size);
        if (status == ERROR_FILE_NOT_FOUND) return true;
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return false;
        // a value that shrank meanwhile: the guard goes right behind what was read
        std::memset(earlier.data + size, GuardByte, GuardBytes);
        earlier.size = size;
        earlier.present = true;
        return true;
    }
    return false;
}

// Sets the earlier value again or deletes a value that had no earlier one, then flushes:
// the store on disk is as it was before the write, too.
void PutBack(HKEY key, const wchar_t* valueName, const EarlierValue& earlier)
{
    const LSTATUS status = earlier.present
                               ? osApi.RegSetValueExW(key, valueName, 0, earlier.type, earlier.data, earlier.size)
                               : osApi.RegDeleteValueW(key, valueName);
    if (status == ERROR_SUCCESS) osApi.RegFlushKey(key);
}

}  // namespace

EarlierValue::~EarlierValue()
{
    Clear();
}

bool EarlierValue::Reserve(DWORD bytes)
{
    std::free(data);
    data = static_cast<BYTE*>(std::malloc(bytes + GuardBytes));
    if (!data) return false;
    std::memset(data, GuardByte, bytes + GuardBytes);
    size = bytes;
    return true;
}

void EarlierValue::Clear()
{
    std::free(data);
    data = nullptr;
    present = false;
    type = REG_NONE;
    size = 0;
}

bool WriteBackupValue(const wchar_t* valueName, DWORD value, EarlierValue* earlier)
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
    EarlierValue ownCopy;
    EarlierValue& replaced = earlier ? *earlier : ownCopy;
    if (!ReadEarlierValue(key.Get(), valueName, replaced)) return false;
    if (osApi.RegSetValueExW(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)) != ERROR_SUCCESS)
        return false;
    // the store and the start types live in different hives, each written to disk lazily:
    // a backup that is not on disk yet must not count, or a power cut could keep the new
    // start type and lose the old one
    if (osApi.RegFlushKey(key.Get()) != ERROR_SUCCESS) {
        PutBack(key.Get(), valueName, replaced);
        return false;
    }
    return true;
}

void PutBackEarlierValue(const wchar_t* valueName, const EarlierValue& earlier)
{
    // RegFlushKey needs KEY_QUERY_VALUE on the key it flushes
    ScopedRegKey key;
    if (osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                            key.Receive()) != ERROR_SUCCESS)
        return;
    PutBack(key.Get(), valueName, earlier);
}

bool StoreSurvivesRestart()
{
    ScopedRegKey key;
    return osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY,
                               key.Receive()) == ERROR_SUCCESS &&
           SurvivesRestart(key.Get());
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
