#pragma once
#include <windows.h>

// The backup store: HKLM\SOFTWARE\TarvixMini, 64-bit view, one REG_DWORD per saved start type.
constexpr const wchar_t* ProductKeyPath = L"SOFTWARE\\TarvixMini";
constexpr const wchar_t* OriginalStartValue = L"OriginalStart";

// Writes the value and flushes the store to disk before it reports success, so a start
// type changed after it can always be put back, also after a power cut. A store key that
// would not survive a restart (volatile) takes no backup.
bool WriteBackupValue(const wchar_t* valueName, DWORD value);
void DeleteBackupValue(const wchar_t* valueName);

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
