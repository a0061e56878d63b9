#pragma once
// The fonts and brushes the main window and its toggles draw with, and the colours behind
// them. They live from the window's WM_CREATE to its WM_DESTROY and are null outside.
#include <windows.h>

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF LightGrey = RGB(247, 248, 247);
constexpr COLORREF PaleGreen = RGB(234, 250, 240);  // the status card and the status label behind its text

// The same colour, opaque, as GDI+ takes it.
constexpr DWORD OpaqueArgb(COLORREF colour)
{
    return 0xFF000000u | (DWORD(GetRValue(colour)) << 16) | (DWORD(GetGValue(colour)) << 8) | GetBValue(colour);
}

extern HFONT fontRegular18;   // "Segoe UI" -18, 400
extern HFONT fontRegular15;   // "Segoe UI" -15, 400
extern HFONT fontSemibold22;  // "Segoe UI" -22, 600
extern HFONT fontBold25;      // "Segoe UI" -25, 700
extern HFONT fontSymbol21;    // "Segoe UI Symbol" -21, 700

extern HBRUSH whiteBrush;
extern HBRUSH lightGreyBrush;
extern HBRUSH paleGreenBrush;

void CreateDrawingResources();
void DeleteDrawingResources();
