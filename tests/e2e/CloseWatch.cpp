#include "e2e/CloseWatch.h"
#include <tlhelp32.h>

int ThreadsOf(DWORD processId)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId) ++count;
    CloseHandle(snapshot);
    return count;
}

CloseOutcome CloseAndWatch(HWND window, HANDLE process, DWORD processId, DWORD limitMs, DWORD watchMs)
{
    CloseOutcome outcome;
    const DWORD began = GetTickCount();
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, limitMs) == WAIT_OBJECT_0) {
        outcome.ended = true;
    } else {
        // past the limit: where it is, until it ends or the watch is over
        while (GetTickCount() - began < watchMs) {
            if (ThreadsOf(processId) == 1) outcome.inTeardown = true;
            if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
                outcome.ended = true;
                break;
            }
        }
    }
    outcome.tookMs = GetTickCount() - began;
    if (outcome.ended) {
        GetExitCodeProcess(process, &outcome.exitCode);
    } else {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
    }
    return outcome;
}
