#pragma once
// The main window's program-wide handles, fonts and brushes; created in WM_CREATE,
// released in WM_DESTROY.
#include <windows.h>

extern HINSTANCE instance;
extern HWND mainWindow;

extern HFONT fontRegular18;   // "Segoe UI" -18, 400
extern HFONT fontRegular15;   // "Segoe UI" -15, 400
extern HFONT fontSemibold22;  // "Segoe UI" -22, 600
extern HFONT fontBold25;      // "Segoe UI" -25, 700
extern HFONT fontSymbol21;    // "Segoe UI Symbol" -21, 700

extern HBRUSH whiteBrush;      // RGB(255,255,255)
extern HBRUSH lightGreyBrush;  // RGB(247,248,247)
extern HBRUSH paleGreenBrush;  // RGB(234,250,240)
