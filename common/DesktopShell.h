#pragma once
// Opening a target through the user's desktop shell rather than from this elevated
// process: the handler registered for the target (which any process of the user can
// change) then runs in the shell's process with the user's ordinary rights.
#include <windows.h>

// Asks the desktop's shell to open file with the verb "open" and a normal window.
// False when the desktop shell is not there, a step of reaching it fails, or it
// refuses; nothing is opened then. Runs COM on the calling thread for the call only.
bool OpenWithDesktopShell(const wchar_t* file);

// The opener as the program calls it: a seam of its own, apart from the Windows calls of
// common/OsApi.h, so that a test can see what would be opened without a desktop shell.
struct DesktopShellApi {
    decltype(&::OpenWithDesktopShell) OpenWithDesktopShell = ::OpenWithDesktopShell;
};

extern DesktopShellApi desktopShellApi;
