#pragma once
// How a window program's close went, watched from outside: ended in time with its exit
// code, or still running past the limit. A process still running is told apart by the
// state of its main thread: one whose stack holds a return into the system's
// RtlExitUserProcess (where ExitProcess leads) is in the system's own teardown, past the
// program's last instruction; one without is still in the program's own code.
#include <windows.h>

struct CloseOutcome {
    bool ended = false;  // within the watch
    DWORD exitCode = STILL_ACTIVE;
    DWORD tookMs = 0;         // from the close to the end, or to the end of the watch
    bool inTeardown = false;  // past the limit, its main thread seen inside ExitProcess
    int threads = 0;          // past the limit, the threads it had last
};

// Posts WM_CLOSE to window and watches process, whose main thread is mainThreadId: ended
// within limitMs, or else watched for up to watchMs in all; a process still running then
// is ended by its handle.
CloseOutcome CloseAndWatch(HWND window, HANDLE process, DWORD mainThreadId, DWORD limitMs, DWORD watchMs);

// True when the thread's stack holds a return into RtlExitUserProcess.
bool InExitProcess(HANDLE process, DWORD threadId);

// Ends a process that is still running, by its handle, and waits for its end.
void EndIfRunning(HANDLE process);
