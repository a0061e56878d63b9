#pragma once
#include <windows.h>

constexpr const wchar_t* MainClassName = L"TarvixMini435Window";

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterMainClass(HINSTANCE instance);
// Creates the fixed-size main window; its WM_CREATE builds everything it needs.
HWND CreateMainWindow(HINSTANCE instance);

// The three brushes and five fonts the window lives with: created in WM_CREATE before the
// controls that use them, deleted in WM_DESTROY, their variables cleared.
void CreateDrawingResources();
void DeleteDrawingResources();
