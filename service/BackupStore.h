#pragma once
#include <windows.h>

// The backup store: HKLM\SOFTWARE\TarvixMini, 64-bit view, one REG_DWORD per saved start type.
constexpr const wchar_t* ProductKeyPath = L"SOFTWARE\\TarvixMini";
constexpr const wchar_t* OriginalStartValue = L"OriginalStart";

// What stood at a backup's name before a write replaced it, whatever its type and bytes:
// a write whose change is then refused is taken back to exactly this. It owns its bytes
// (from the C heap: the standard containers would bring the library's exception code into
// the executable).
class EarlierValue {
public:
    EarlierValue() = default;
    ~EarlierValue();
    EarlierValue(const EarlierValue&) = delete;
    EarlierValue& operator=(const EarlierValue&) = delete;
    // room for size bytes and the guard behind them, filled with the guard; false when
    // there is no memory
    bool Reserve(DWORD size);
    void Clear();

    bool present = false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    BYTE* data = nullptr;
};

// Writes the value and flushes the store to disk before it reports success, so a start
// type changed after it can always be put back, also after a power cut. A store key that
// would not survive a restart (volatile) takes no backup. What stood at the name is read
// first into earlier (the write is refused when it cannot be read) and is put back when
// the flush fails.
bool WriteBackupValue(const wchar_t* valueName, DWORD value, EarlierValue* earlier = nullptr);
// Takes back a write whose change did not happen: the earlier value is set again, type and
// bytes, and flushed; a name that held nothing is deleted.
void PutBackEarlierValue(const wchar_t* valueName, const EarlierValue& earlier);
void DeleteBackupValue(const wchar_t* valueName);

// The store key exists and would survive a restart. A backup kept from an earlier pass
// counts only then: in a volatile key it would be gone after the restart that the change
// of a start type waits for.
bool StoreSurvivesRestart();

// What a read of a backup value found. Absent covers a missing key or value and a value
// of another type or size: a backup write may replace it. Unknown is any other failure
// (access denied, out of resources): the value may be there, so nothing is decided on it.
enum class BackupState { Present, Absent, Unknown };
BackupState ReadBackupValue(const wchar_t* valueName, DWORD* value);

// The start types that a restore can set again: automatic and manual. A service program
// cannot be set to boot or system start (0, 1), and a restore never disables (4). So the
// program turns off only a service at one of these, a backup is kept only when it holds
// one (any other value was left by something else and is replaced), and a restore puts
// back only these.
bool RestorableStartType(DWORD start);
