#include "support/MainWindowFixture.h"
#include "common/AccessibleObject.h"
#include "draw/ToggleSwitch.h"
#include "support/ProgramState.h"
#include "ui/MainWindow.h"
#include "ui/WindowState.h"

void MainWindowTest::SetUp()
{
    ClearBackupStore();
    ResetProgramState();
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
    ResetProgramState();
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
    EndAccessibilityApartment();  // as the program does once its loop has ended
}

void MainWindowTest::TearDown()
{
    Close();
    seam.ExpectAllClosed();
    ClearBackupStore();
    ResetProgramState();
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

HWND MainWindowTest::Control(int id) const
{
    return GetDlgItem(window, id);
}
