#pragma once
// How a window program's close went, watched from outside: ended in time with its exit
// code, or still running past the limit. A process still running is told apart by its
// threads: ExitProcess ends every thread but the one that called it, so a process seen
// with that one thread left is in the system's own teardown, past the program's last
// instruction, while one with more is still in the program's own code (COM's and the
// window's threads live until ExitProcess).
#include <windows.h>

struct CloseOutcome {
    bool ended = false;       // within the watch
    DWORD exitCode = STILL_ACTIVE;
    DWORD tookMs = 0;         // from the close to the end, or to the end of the watch
    bool inTeardown = false;  // past the limit, seen with one thread left
};

// Posts WM_CLOSE to window and watches process: ended within limitMs, or else watched
// for up to watchMs in all; a process still running then is ended by its handle.
CloseOutcome CloseAndWatch(HWND window, HANDLE process, DWORD processId, DWORD limitMs, DWORD watchMs);

// The threads that the process has now.
int ThreadsOf(DWORD processId);
