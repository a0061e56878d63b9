#include "common/ControlUpdates.h"

namespace {

// A control disabled while it has the focus leaves the focus nowhere: the main window's
// keys would do nothing until the mouse gave it back. Its parent takes it first.
void MoveFocusToParent(HWND window)
{
    const HWND focus = GetFocus();
    if (!focus || (focus != window && !IsChild(window, focus))) return;
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) return;
    SetFocus(GetParent(window));
}

}  // namespace

void SetTextIfChanged(HWND window, const wchar_t* text)
{
    if (!window) return;
    constexpr int Capacity = 512;
    wchar_t current[Capacity] = {};
    GetWindowTextW(window, current, Capacity);
    // compare up to the first difference or the end of the current text, at most 511
    int i = 0;
    while (i < Capacity - 1 && current[i] == text[i] && current[i] != L'\0') ++i;
    if (current[i] != text[i]) SetWindowTextW(window, text);
}

void SetEnabledIfChanged(HWND window, BOOL enable)
{
    if (!window) return;
    if ((IsWindowEnabled(window) != FALSE) == (enable != FALSE)) return;
    if (!enable) MoveFocusToParent(window);
    EnableWindow(window, enable);
}

void SetCheckIfChanged(HWND button, BOOL checked)
{
    if (IsChecked(button) == (checked != FALSE)) return;
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsChecked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
