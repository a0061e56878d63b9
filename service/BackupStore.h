#pragma once
#include <windows.h>

// The backup store: HKLM\SOFTWARE\TarvixMini, 64-bit view, one REG_DWORD per saved start type.
constexpr const wchar_t* ProductKeyPath = L"SOFTWARE\\TarvixMini";
constexpr const wchar_t* OriginalStartValue = L"OriginalStart";

// 0 for a 4-byte REG_DWORD; the Win32 code of the open or query; -1 for another type or size.
// Callers use value only after 0: a failed read may still have written into it.
LONG ReadDwordValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* value);
bool WriteBackupValue(const wchar_t* valueName, DWORD value);
void DeleteBackupValue(const wchar_t* valueName);

// True when the backup value reads as a 4-byte REG_DWORD.
bool BackupPresent(const wchar_t* valueName, DWORD* value);
