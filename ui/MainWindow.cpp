#include "ui/WindowState.h"

HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;

HFONT fontRegular18 = nullptr;
HFONT fontRegular15 = nullptr;
HFONT fontSemibold22 = nullptr;
HFONT fontBold25 = nullptr;
HFONT fontSymbol21 = nullptr;

HBRUSH whiteBrush = nullptr;
HBRUSH lightGreyBrush = nullptr;
HBRUSH paleGreenBrush = nullptr;
