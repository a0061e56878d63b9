#include "e2e/CloseWatch.h"
#include <tlhelp32.h>
#include <vector>

namespace {

// how far past the entry point a return address counts as inside RtlExitUserProcess:
// the function is short, and the next export lies farther off
constexpr DWORD64 ExitFunctionSpan = 0x400;
// the top of a stack that is searched for a return address
constexpr SIZE_T StackSearched = 64 * 1024;

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

}  // namespace

bool InExitProcess(HANDLE process, DWORD threadId)
{
    // the system DLLs lie at the same place in every process of the prefix
    const auto entry = reinterpret_cast<DWORD64>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlExitUserProcess")));
    if (!entry) return false;
    const HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (!thread) return false;
    bool found = false;
    if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (GetThreadContext(thread, &context)) {
            std::vector<DWORD64> stack(StackSearched / sizeof(DWORD64));
            SIZE_T read = 0;
            // a partial read near the stack's base still gives the frames nearest the top
            for (SIZE_T size = StackSearched; size >= 4096 && read == 0; size /= 2)
                if (!ReadProcessMemory(process, reinterpret_cast<void*>(context.Rsp), stack.data(), size, &read))
                    read = 0;
            found = context.Rip - entry < ExitFunctionSpan;
            for (SIZE_T i = 0; i < read / sizeof(DWORD64) && !found; ++i)
                found = stack[i] - entry < ExitFunctionSpan;
        }
        ResumeThread(thread);
    }
    CloseHandle(thread);
    return found;
}

void EndIfRunning(HANDLE process)
{
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
}

CloseOutcome CloseAndWatch(HWND window, HANDLE process, DWORD mainThreadId, DWORD limitMs, DWORD watchMs)
{
    CloseOutcome outcome;
    const DWORD began = GetTickCount();
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, limitMs) == WAIT_OBJECT_0) {
        outcome.ended = true;
    } else {
        // past the limit: where it is, until it ends or the watch is over
        while (GetTickCount() - began < watchMs) {
            if (InExitProcess(process, mainThreadId)) outcome.inTeardown = true;
            outcome.threads = ThreadsOf(GetProcessId(process));
            if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) {
                outcome.ended = true;
                break;
            }
        }
    }
    outcome.tookMs = GetTickCount() - began;
    if (outcome.ended) GetExitCodeProcess(process, &outcome.exitCode);
    else EndIfRunning(process);
    return outcome;
}
