#pragma once
#include <windows.h>

// Reads a REG_DWORD under HKEY_LOCAL_MACHINE, 64-bit view. 0 for a 4-byte REG_DWORD; the
// Win32 code of the open or query; -1 for another type or size. Callers use value only
// after 0: a failed read may still have written into it.
LONG ReadDwordValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* value);
