#pragma once
#include <windows.h>

// The refresh timer of the main window: it ticks for the window's whole life, and a tick
// refreshes only while the automatic-refresh toggle is on.
constexpr UINT_PTR RefreshTimerId = 1;
constexpr UINT RefreshPeriodMs = 3000;

void OnCommand(int id);
void OnTimer(WPARAM timerId);
HBRUSH OnCtlColorStatic(HDC hdc, HWND control);
