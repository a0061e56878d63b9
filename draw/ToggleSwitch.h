#pragma once
#include <windows.h>

constexpr const wchar_t* ToggleClassName = L"TXToggle";

LRESULT CALLBACK ToggleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the toggle switch class for instance; false when registration fails.
bool RegisterToggleClass(HINSTANCE instance);
