#pragma once
#include <windows.h>

// Creates a child control of the main window with the 18 px font, registered with the
// page being built.
HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height,
                 int id);
// Creates every control of every page, page by page.
void CreatePageControls();
void ShowPage(unsigned page);

// Sidebar and keys; each returns true when it handled the message.
void OnSidebarMouseMove(int x, int y);
bool OnSidebarClick(int x, int y);
bool OnPageKey(WPARAM key);

// Page of each sidebar row; the Restore page has none.
constexpr unsigned SidebarRowPage[4] = {0, 1, 2, 4};
RECT SidebarRowBox(int row);

// the controls registered with each page, in creation order
struct PageControlList {
    int count;
    HWND windows[40];
};
extern PageControlList PageControls[5];
