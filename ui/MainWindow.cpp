#include "ui/MainWindow.h"
#include "common/AccessibleObject.h"
#include "common/AppTexts.h"
#include "common/StartupMarks.h"
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "ui/Commands.h"
#include "ui/HomeStatus.h"
#include "ui/MainAccessible.h"
#include "ui/Pages.h"
#include "ui/Paint.h"
#include "ui/ServicesPage.h"
#include "ui/Sidebar.h"
#include "ui/SystemCards.h"
#include "ui/SystemColours.h"
#include "ui/WindowState.h"

HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;

namespace {

void OnCreate(HWND window)
{
    StartupMark("create");
    mainWindow = window;
    BindGdiPlus();
    StartupMark("gdiplus");
    ChooseSystemPalette();
    CreateDrawingResources();
    StartupMark("fonts");
    CreatePageControls();
    StartupMark("controls");
    RefreshSysMainStatus();
    StartupMark("sysmain");
    ProbeSystemDisk();
    StartupMark("disk");
    RefreshServiceList();
    StartupMark("services");
    LiveMemoryFlag = 1;
    RefreshMemoryText();
    StartupMark("memory");
    ShowPage(PageHome);
    StartupMark("home");
    SetTimer(window, RefreshTimerId, RefreshPeriodMs, nullptr);
    StartupMark("timer");
}

void OnDestroy(HWND window)
{
    // objects that a screen reader still holds answer "not connected" from here on
    EndAccessibility(window);
    KillTimer(window, RefreshTimerId);
    ReleaseGdiPlus();
    DeleteDrawingResources();
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_PAINT: PaintMainWindow(window); return 0;
    case WM_ERASEBKGND: return 1;  // every paint covers the whole client area
    case WM_KEYDOWN:
        if (OnPageKey(wParam)) return 0;
        break;
    case WM_MOUSEMOVE: OnSidebarMouseMove(x, y); return 0;
    case WM_LBUTTONUP:
        if (OnSidebarClick(x, y)) return 0;
        break;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerMainWindowObject(window, wParam, lParam)) return answer;
        break;
    case SidebarRowMessage:
        // as a click: nothing while a message box holds the window
        if (IsWindowEnabled(window)) ChooseSidebarRow(wParam);
        return 0;
    case WM_SYSCOLORCHANGE: OnSystemColoursChanged(window, true); return 0;
    case WM_SETTINGCHANGE: OnSystemColoursChanged(window, wParam == SPI_SETHIGHCONTRAST); return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(
            OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMainClass(HINSTANCE module)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = module;
    wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = MainClassName;
    wc.hIconSm = LoadIconW(module, MAKEINTRESOURCEW(1));
    return RegisterClassExW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE module)
{
    return CreateWindowExW(0, MainClassName, AppTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 160,
                           120, 920, 755, nullptr, nullptr, module, nullptr);
}
