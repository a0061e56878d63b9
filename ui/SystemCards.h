#pragma once
// The disk kind and memory figures as the Home and Optimization pages show them.
#include <windows.h>
#include <cstddef>
#include "sysinfo/SystemInfo.h"

extern SystemDiskKind DiskKind;  // written only by a probe that reached the driver
extern int LiveMemoryFlag;       // while 0, RefreshMemoryText does nothing
extern int LastMemoryLoad;       // last load seen by CheckMemoryLoadChange, negative for none

// Probes the system disk and sets the Optimization page's disk label.
void ProbeSystemDisk();
// Sets the Optimization page's memory label while the live figures are on.
void RefreshMemoryText();
// The Home page's memory-load text for this paint; returns the font to draw it in.
HFONT MemoryLoadText(wchar_t* text, size_t capacity);
// Repaints the Home page's memory load when it changed since the last call; true then.
bool CheckMemoryLoadChange();
