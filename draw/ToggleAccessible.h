#pragma once
// What a screen reader reads of a toggle switch: a check button named by its caption,
// checked while on, with a default action that flips it as a click does. It acts, and
// takes the focus, only while a click could reach it.
#include <windows.h>

// Posted to the toggle by its default action; the toggle flips as on a click.
constexpr UINT ToggleDefaultActionMessage = WM_USER + 1;

// True while a click could reach the toggle: it and every window around it enabled, so
// not while a message box holds the main window.
bool ToggleTakesInput(HWND toggle);

// WM_GETOBJECT of a toggle: its accessible object for the client area, or 0 for
// every other request, which the caller passes to DefWindowProcW.
LRESULT AnswerToggleObject(HWND toggle, WPARAM flags, LPARAM objectId);

// The window whose text describes toggle to a screen reader, read at each request: a
// Services row's start type describes the row's switch.
void SetToggleDescription(HWND toggle, HWND describedBy);
// From the toggle's WM_NCDESTROY: its objects disconnected, its description forgotten.
void EndToggleAccessibility(HWND toggle);
