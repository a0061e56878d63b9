#pragma once
// System disk kind and memory figures.
#include <windows.h>
#include <cstddef>

extern int DiskKind;        // 0 not determined, 1 HDD, 2 SSD
extern int LiveMemoryFlag;  // while 0, RefreshMemoryText does nothing
extern int LastMemoryLoad;  // last load seen by CheckMemoryLoadChange, negative for none
constexpr RECT MemoryLoadRect = {669, 302, 869, 342};

void ProbeSystemDisk();
void RefreshMemoryText();
// The Home page's memory-load text for this paint; returns the font to draw it in.
HFONT MemoryLoadText(wchar_t* text, size_t capacity);
void CheckMemoryLoadChange();
