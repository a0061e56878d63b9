#pragma once
// What a screen reader reads of the main window's client area, beyond its controls:
// the sidebar rows as page tabs, and the texts that the window paints itself.
#include <windows.h>

// WM_GETOBJECT of the main window: its accessible object for the client area, or 0 for
// every other request, which the caller passes to DefWindowProcW.
LRESULT AnswerMainWindowObject(HWND window, WPARAM flags, LPARAM objectId);

// Tell screen readers that the page shown changed from previous to page: the new tab is
// selected and the painted texts are the new page's.
void NotifyPageShown(unsigned previous, unsigned page);
// Tell screen readers that the Home page's memory load is painted with a new text.
void NotifyMemoryLoadShown();
