#pragma once
#include <windows.h>

// The backup store: HKLM\SOFTWARE\TarvixMini, 64-bit view, one REG_DWORD per saved start type.
constexpr const wchar_t* ProductKeyPath = L"SOFTWARE\\TarvixMini";
constexpr const wchar_t* OriginalStartValue = L"OriginalStart";

// 0 for a 4-byte REG_DWORD; the Win32 code of the open or query; -1 for another type or size.
// Callers use value only after 0: a failed read may still have written into it.
LONG ReadDwordValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* value);
// Writes the value and flushes the store to disk before it reports success, so a start
// type changed after it can always be put back, also after a power cut.
bool WriteBackupValue(const wchar_t* valueName, DWORD value);
void DeleteBackupValue(const wchar_t* valueName);

// What a read of a backup value found. Absent covers a missing key or value and a value
// of another type or size: a backup write may replace it. Unknown is any other failure
// (access denied, out of resources): the value may be there, so nothing is decided on it.
enum class BackupState { Present, Absent, Unknown };
BackupState ReadBackupValue(const wchar_t* valueName, DWORD* value);

// True when the backup value reads as a 4-byte REG_DWORD.
bool BackupPresent(const wchar_t* valueName, DWORD* value);

// A saved start type that turns the automatic start back on (automatic or manual). Only
// such a backup is kept when its service is turned off again; any other value (the
// program never saves a 4) was left by something else and is replaced.
bool KeepsStartType(DWORD saved);
