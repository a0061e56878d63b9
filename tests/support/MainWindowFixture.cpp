#include "support/MainWindowFixture.h"
#include "draw/ToggleSwitch.h"
#include "service/SysMainStatus.h"
#include "sysinfo/SystemInfo.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"
#include "ui/WindowState.h"

void MainWindowTest::SetUp()
{
    ClearBackupStore();
    instance = GetModuleHandleW(nullptr);
    static bool registered = false;
    if (!registered) {
        ASSERT_TRUE(RegisterToggleClass(instance));
        ASSERT_TRUE(RegisterMainClass(instance));
        registered = true;
    }
}

HWND MainWindowTest::Open()
{
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
    DiskKind = 0;
    LiveMemoryFlag = 0;
    LastMemoryLoad = -1;
    hoveredRow = -1;
    // keep the real pointer off the window: Wine delivers its moves while a test pumps
    SetCursorPos(1270, 1015);
    window = CreateMainWindow(instance);
    EXPECT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

void MainWindowTest::Close()
{
    if (!window) return;
    DestroyWindow(window);
    window = nullptr;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}  // the quit message of WM_DESTROY
}

void MainWindowTest::TearDown()
{
    Close();
    ClearBackupStore();
}

void MainWindowTest::Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring MainWindowTest::Text(HWND control)
{
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return text;
}

bool MainWindowTest::Checked(HWND control)
{
    return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool MainWindowTest::Visible(HWND control)
{
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

HWND MainWindowTest::Control(int id) const
{
    return GetDlgItem(window, id);
}
