#pragma once
#include <windows.h>
#include "draw/Palette.h"

// A fixed name, digits included: the end-to-end tests and any tool that looks for the
// window find it by this name, so it stays as it is.
constexpr const wchar_t* MainClassName = L"TarvixMini435Window";

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterMainClass(HINSTANCE instance);
// Creates the fixed-size main window; its WM_CREATE builds everything it needs.
HWND CreateMainWindow(HINSTANCE instance);
// The window's fonts and brushes (draw/Palette.h) are created in its WM_CREATE before the
// controls that use them, and deleted in its WM_DESTROY, their variables cleared.
