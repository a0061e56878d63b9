#pragma once
// What a screen reader reads of the main window's client area: the sidebar rows as page
// tabs, then the page shown as it is painted, its own texts and its controls together in
// reading order. Another page's controls are not there.
#include <windows.h>

// WM_GETOBJECT of the main window: its accessible object for the client area, or 0 for
// every other request, which the caller passes to DefWindowProcW.
LRESULT AnswerMainWindowObject(HWND window, WPARAM flags, LPARAM objectId);

// Tell screen readers that the page shown changed from previous to page: the new tab is
// selected.
void NotifyPageShown(unsigned previous, unsigned page);
// From the paint: the painted texts are another page's, or the painted text number
// painted shows a new text.
void NotifyPaintedTextsReplaced();
void NotifyPaintedTextChanged(int painted);
