#include <windows.h>
#include "common/StartupMarks.h"
#include "draw/ToggleSwitch.h"
#include "ui/MainWindow.h"
#include "ui/WindowState.h"

namespace {

// The program runs elevated: never load a DLL planted beside the executable, from a
// share or in place of a system DLL. Where the image-load policy is refused, the
// search restriction still holds.
void RestrictDllLoading()
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    PROCESS_MITIGATION_IMAGE_LOAD_POLICY imageLoad = {};
    imageLoad.NoRemoteImages = 1;
    imageLoad.PreferSystem32Images = 1;
    SetProcessMitigationPolicy(ProcessImageLoadPolicy, &imageLoad, sizeof(imageLoad));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    StartupMark("entry");
    RestrictDllLoading();
    StartupMark("dll-policy");

    // A start that fails ends at once, without a box, with a code that tells whoever started
    // the program which step failed: 3 the toggle class, 1 the main class, 2 the window
    // (0 is a normal end). ExitProcess rather than a return: the process ends here, whatever
    // other threads still run (GDI+'s background thread), and the C runtime has nothing of
    // the program's to tear down.
    instance = GetModuleHandleW(nullptr);
    if (!RegisterToggleClass(instance)) ExitProcess(3);
    if (!RegisterMainClass(instance)) ExitProcess(1);
    StartupMark("classes");
    HWND window = CreateMainWindow(instance);
    if (!window) ExitProcess(2);
    StartupMark("created");
    ShowWindow(window, SW_SHOW);
    StartupMark("shown");
    UpdateWindow(window);
    StartupMark("updated");
    StartupMarksDone();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // COM ends with the process: every object handed out was disconnected at WM_DESTROY,
    // and CoUninitialize here could wait for calls queued for this thread, which has left
    // its loop and would never serve them
    ExitProcess(0);
}
