#include "support/Checks.h"
#include <vector>
#include "ui/WindowState.h"
#include "e2e/Text.h"
#include "support/BoxTexts.h"

SeenMessages seenMessages;

namespace {

struct Counted {
    HWND window;
    WNDPROC original;
};
std::vector<Counted> counted;

std::string Describe(HWND window, const char* what)
{
    return std::string(what) + " to control " + std::to_string(GetDlgCtrlID(window)) + " \"" + Utf8(Text(window)) +
           "\"";
}

void Note(int& counter, HWND window, const char* what)
{
    ++counter;
    if (seenMessages.first.empty()) seenMessages.first = Describe(window, what);
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = DefWindowProcW;
    for (const Counted& c : counted)
        if (c.window == window) original = c.original;
    if (message == WM_SETTEXT) Note(seenMessages.setText, window, "WM_SETTEXT");
    if (message == WM_ENABLE) Note(seenMessages.enable, window, "WM_ENABLE");
    if (message == BM_SETCHECK) Note(seenMessages.setCheck, window, "BM_SETCHECK");
    if (message == WM_ERASEBKGND) ++seenMessages.erase;
    return CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace

std::wstring Text(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

bool Checked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked)
{
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Enabled(HWND window)
{
    return IsWindowEnabled(window) != FALSE;
}

bool Visible(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ExpectBox(const RecordedBox& box, const std::wstring& text, UINT type)
{
    EXPECT_EQ(Utf8(box.text), Utf8(text));
    EXPECT_EQ(box.type, type);
    EXPECT_EQ(box.caption, BoxText::Caption);
    EXPECT_EQ(box.owner, mainWindow);
}

void CountMessages(HWND window)
{
    const auto original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    counted.push_back({window, original});
}

void StopCountingMessages()
{
    for (const Counted& c : counted)
        if (IsWindow(c.window)) SetWindowLongPtrW(c.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c.original));
    counted.clear();
}
