#pragma once
// System disk kind and memory figures.
#include <windows.h>
#include <cstddef>

// What the storage driver said of the Windows volume's disk, by its seek penalty.
enum SystemDiskKind : int { DiskNotDetermined = 0, DiskHdd = 1, DiskSsd = 2 };

extern SystemDiskKind DiskKind;  // written only by a probe that reached the driver
extern int LiveMemoryFlag;       // while 0, RefreshMemoryText does nothing
extern int LastMemoryLoad;       // last load seen by CheckMemoryLoadChange, negative for none

void ProbeSystemDisk();
void RefreshMemoryText();
// The Home page's memory-load text for this paint; returns the font to draw it in.
HFONT MemoryLoadText(wchar_t* text, size_t capacity);
// Repaints the Home page's memory load when it changed since the last call; true then.
bool CheckMemoryLoadChange();
