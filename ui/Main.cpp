#include <windows.h>
#include "draw/ToggleSwitch.h"
#include "ui/MainWindow.h"
#include "ui/WindowState.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // the program runs elevated: never load a DLL planted beside the executable
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    instance = GetModuleHandleW(nullptr);
    if (!RegisterToggleClass(instance)) ExitProcess(3);
    if (!RegisterMainClass(instance)) ExitProcess(1);
    HWND window = CreateMainWindow(instance);
    if (!window) ExitProcess(2);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    ExitProcess(0);
}
