#pragma once
// Change-testing control updates: a refresh that finds nothing new sends nothing,
// so an idle refresh repaints nothing.
#include <windows.h>

void SetTextIfChanged(HWND window, const wchar_t* text);
// Disabling a control that has the keyboard focus gives the focus to its parent first.
void SetEnabledIfChanged(HWND window, BOOL enable);
void SetCheckIfChanged(HWND button, BOOL checked);

// A check box's or toggle's BM_GETCHECK answer is BST_CHECKED; any other answer is unchecked.
bool IsChecked(HWND button);
