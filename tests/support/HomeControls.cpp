#include "support/HomeControls.h"
#include "service/SysMainStatus.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

MessageCounts HomeControls::counts;

namespace {

WNDPROC staticProc = nullptr;
WNDPROC buttonProc = nullptr;

LRESULT Count(WNDPROC original, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) ++HomeControls::counts.setText;
    if (message == WM_ENABLE) ++HomeControls::counts.enable;
    if (message == BM_SETCHECK) ++HomeControls::counts.setCheck;
    return CallWindowProcW(original, window, message, wParam, lParam);
}

LRESULT CALLBACK CountingStatic(HWND w, UINT m, WPARAM wp, LPARAM lp) { return Count(staticProc, w, m, wp, lp); }
LRESULT CALLBACK CountingButton(HWND w, UINT m, WPARAM wp, LPARAM lp) { return Count(buttonProc, w, m, wp, lp); }

HWND Make(const wchar_t* cls, const wchar_t* text, DWORD style, int id)
{
    HWND w = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 20, mainWindow,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC));
    bool isStatic = wcscmp(cls, L"STATIC") == 0;
    (isStatic ? staticProc : buttonProc) = old;
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(isStatic ? CountingStatic : CountingButton));
    return w;
}

}  // namespace

HomeControls::HomeControls()
{
    mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 920, 720, nullptr, nullptr,
                                 nullptr, nullptr);
    statusLabel = Make(L"STATIC", L"Проверка...", 0, 0);
    startTypeLabel = Make(L"STATIC", L"Проверка...", 0, 0);
    savedSettingLabel = Make(L"STATIC", L"Резервная настройка: проверка...", 0, 0);
    autoStartToggle = Make(L"BUTTON", L"101", BS_CHECKBOX, 101);
    stopServiceToggle = Make(L"BUTTON", L"102", BS_CHECKBOX, 102);
    applyButton = Make(L"BUTTON", L"103", 0, 103);
    startButton = Make(L"BUTTON", L"106", 0, 106);
    stopButton = Make(L"BUTTON", L"107", 0, 107);
    SendMessageW(stopServiceToggle, BM_SETCHECK, BST_CHECKED, 0);
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
    currentPage = PageHome;
    Validate();
    ResetCounts();
}

HomeControls::~HomeControls()
{
    DestroyWindow(mainWindow);
    mainWindow = statusLabel = startTypeLabel = savedSettingLabel = nullptr;
    autoStartToggle = stopServiceToggle = applyButton = startButton = stopButton = nullptr;
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
}

RECT HomeControls::UpdateRect() const
{
    RECT r = {};
    GetUpdateRect(mainWindow, &r, FALSE);
    return r;
}

void HomeControls::Validate() const
{
    UpdateWindow(mainWindow);
    ValidateRect(mainWindow, nullptr);
}

std::wstring HomeControls::Text(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

bool HomeControls::Checked(HWND window)
{
    return SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
