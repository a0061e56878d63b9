#pragma once
// The sidebar's rows: the page each shows, what is painted on it, and the geometry
// that painting, hover and clicks share. The Restore page has no row.
#include <windows.h>
#include "draw/Palette.h"

struct SidebarRow {
    unsigned page;
    const wchar_t* glyph;  // drawn in the 21 px bold symbol font on the badge
    const wchar_t* label;
    Role badge;
};

constexpr int SidebarRowCount = 4;
extern const SidebarRow SidebarRows[SidebarRowCount];

// Row i is painted from x 10, 200 wide, and from SidebarRowTop(i), 44 high. For the mouse
// it reaches down to the next row's top, so the 8-pixel strip under it is its own and the
// rows cover y 105 to 312 without a gap; a hover takes x up to 210, a click one more.
constexpr int SidebarTop = 105;
constexpr int SidebarRowPitch = 52;
constexpr int SidebarRowHeight = 44;
constexpr int SidebarRowLeft = 10;
constexpr int SidebarRowWidth = 200;

constexpr int SidebarRowTop(int row)
{
    return SidebarTop + SidebarRowPitch * row;
}

// Hover on WM_MOUSEMOVE; a click on WM_LBUTTONUP and the keys 1 to 4 on WM_KEYDOWN show the
// page of a row, and give true when they did.
void OnSidebarMouseMove(int x, int y);
bool OnSidebarClick(int x, int y);
bool OnPageKey(WPARAM key);

// Posted to the main window by a page tab's default action (a screen reader's), with
// the row in wParam; the window shows the row's page as a click on the row does.
constexpr UINT SidebarRowMessage = WM_APP + 1;
void ChooseSidebarRow(WPARAM row);
