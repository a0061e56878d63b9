#include "ui/Sidebar.h"
#include "ui/Pages.h"
#include "ui/WindowState.h"

const SidebarRow SidebarRows[SidebarRowCount] = {
    {PageHome, L"\u2302", L"Главная", Role::BadgeHome},
    {PageServices, L"\u2699", L"Службы", Role::BadgeServices},
    {PageOptimization, L"\u25C6", L"Оптимизация", Role::BadgeOptimization},
    {PageHelp, L"?", L"Справка", Role::BadgeHelp},
};

int hoveredRow = -1;

namespace {

constexpr int SidebarBottom = SidebarRowTop(SidebarRowCount) - 1;  // 312, the last line of the last row
constexpr int HoverRight = SidebarRowLeft + SidebarRowWidth;       // 210, included
constexpr int ClickRight = HoverRight + 1;                         // 211, included

// the virtual keys of 1 to 4 on the main keyboard (not the keypad): rows 0 to 3
constexpr WPARAM FirstPageKey = 0x31;
constexpr WPARAM LastPageKey = FirstPageKey + SidebarRowCount - 1;

// the row under x, y, or -1; rightmost is the last x that counts
int RowAt(int x, int y, int rightmost)
{
    if (y < SidebarTop || y > SidebarBottom || x < SidebarRowLeft || x > rightmost) return -1;
    return (y - SidebarTop) / SidebarRowPitch;
}

// the row's painted height, to the last pixel a hover takes
void InvalidateRow(int row)
{
    const int top = SidebarRowTop(row);
    const RECT box = {SidebarRowLeft, top, HoverRight + 1, top + SidebarRowHeight};
    InvalidateRect(mainWindow, &box, FALSE);
}

}  // namespace

void OnSidebarMouseMove(int x, int y)
{
    const int row = RowAt(x, y, HoverRight);
    if (row == hoveredRow) return;
    const int old = hoveredRow;
    hoveredRow = row;
    if (old >= 0) InvalidateRow(old);
    if (row >= 0) InvalidateRow(row);
}

bool OnSidebarClick(int x, int y)
{
    const int row = RowAt(x, y, ClickRight);
    if (row < 0) return false;
    ChooseSidebarRow(static_cast<WPARAM>(row));
    return true;
}

void ChooseSidebarRow(WPARAM row)
{
    if (row < static_cast<WPARAM>(SidebarRowCount)) ShowPage(SidebarRows[row].page);
}

bool OnPageKey(WPARAM key)
{
    if (key < FirstPageKey || key > LastPageKey) return false;
    ShowPage(SidebarRows[key - FirstPageKey].page);
    return true;
}
