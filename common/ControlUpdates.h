#pragma once
// Change-testing control updates: a refresh that finds nothing new sends nothing,
// so an idle refresh repaints nothing.
#include <windows.h>

void SetTextIfChanged(HWND window, const wchar_t* text);
void SetEnabledIfChanged(HWND window, BOOL enable);
void SetCheckIfChanged(HWND button, BOOL checked);
