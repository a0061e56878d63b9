// A service program for the tests, installable under any service name.
// Started plainly it reports running and stops on a stop control. Options, given
// after the program path in the service's binary path:
//   pending    stay in START_PENDING until a stop control arrives
//   nostop     run but accept no stop control (a refused ControlService);
//              the user control 128 still ends it, for the tests' clean-up
#include <windows.h>
#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status = {};
HANDLE stopEvent = nullptr;
bool stayPending = false;
bool refuseStop = false;

void Report(DWORD state)
{
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = (state == SERVICE_STOPPED || refuseStop) ? 0 : SERVICE_ACCEPT_STOP;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = state == SERVICE_START_PENDING ? 30000 : 0;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if ((control == SERVICE_CONTROL_STOP && !refuseStop) || control == 128) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
        return NO_ERROR;
    }
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPWSTR* argv)
{
    statusHandle = RegisterServiceCtrlHandlerExW(argv[0], Handler, nullptr);
    if (!statusHandle) return;
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(stayPending ? SERVICE_START_PENDING : SERVICE_RUNNING);
    WaitForSingleObject(stopEvent, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"pending") == 0) stayPending = true;
        if (wcscmp(argv[i], L"nostop") == 0) refuseStop = true;
    }
    wchar_t emptyName[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{emptyName, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
