#pragma once
#include <windows.h>

constexpr const wchar_t* MainClassName = L"TarvixMini435Window";
constexpr UINT_PTR RefreshTimerId = 1;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterMainClass(HINSTANCE instance);
// Creates the fixed-size main window; its WM_CREATE builds everything it needs.
HWND CreateMainWindow(HINSTANCE instance);
