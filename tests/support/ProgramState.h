#pragma once
// The program-wide state as the program starts with it. Every fixture that puts windows
// or values in its place resets it on the way in and on the way out, so no test sees
// what another left.

// The SysMain snapshot and toggleTouched, the page shown and the hovered row, the disk
// kind and the memory flags, mainWindow and every control handle. Fonts, brushes and
// GDI+ are not touched: whoever creates them releases them (the main window, or
// DrawingResources in support/GdiWorld.h).
void ResetProgramState();
