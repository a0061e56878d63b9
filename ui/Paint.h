#pragma once
#include <windows.h>

// WM_PAINT of the main window: shapes in one GDI+ pass, then texts with GDI.
void PaintMainWindow(HWND window);
