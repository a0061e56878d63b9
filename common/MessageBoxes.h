#pragma once
// The only way the program speaks to its user: modal boxes owned by the window given (the
// main window), with the program's title as caption and no error code. While one is open
// the owner takes no input, but the box's own loop still delivers WM_TIMER and WM_PAINT to it.
#include <windows.h>

// What a result box reports; the value is its icon.
enum class Notice : UINT {
    Done = MB_ICONINFORMATION,  // done, or nothing to do
    Refused = MB_ICONWARNING,   // done in part, or refused
    Failed = MB_ICONERROR,      // nothing done
};

// A confirmation with a warning icon, Yes and No; true only for Yes.
bool Ask(HWND owner, const wchar_t* question);
// A result with an OK button.
void Tell(HWND owner, const wchar_t* text, Notice notice);
