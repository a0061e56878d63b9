#pragma once
// The pages' child controls: created once with the main window, registered with their
// page, and shown page by page.
#include <windows.h>
#include "ui/WindowState.h"

// Creates every control of every page, page by page.
void CreatePageControls();
// Shows page (nothing beyond Help), runs its entry refresh and repaints the whole window.
void ShowPage(unsigned page);

// the controls registered with each page, in creation order; the most a page holds
constexpr int PageControlCapacity = 40;
struct PageControlList {
    int count;
    HWND windows[PageControlCapacity];
};
extern PageControlList PageControls[PageCount];
