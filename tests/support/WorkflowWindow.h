#pragma once
// What the workflows work on, made of real windows: a hidden parent as mainWindow,
// check boxes in place of toggles 101, 102 and the seven service row toggles, and
// static texts in place of the row labels. The constructor assigns the program's
// control handles and resets the SysMain snapshot; the destructor destroys the
// windows and clears the handles again.
#include <windows.h>
#include <string>

class WorkflowWindow {
public:
    WorkflowWindow();
    ~WorkflowWindow();
    WorkflowWindow(const WorkflowWindow&) = delete;
    WorkflowWindow& operator=(const WorkflowWindow&) = delete;

    static bool Checked(HWND toggle);
    static void SetChecked(HWND toggle, bool checked);
    static bool Enabled(HWND window);
    static std::wstring Text(HWND window);
    // checks exactly the service rows whose bit is set (bit i: row i)
    static void CheckRows(unsigned rows);
    static unsigned CheckedRows();
};

// A start type that a test changes on a service it did not install (Wine's own
// Spooler), put back when the guard goes out of scope.
class StartTypeGuard {
public:
    explicit StartTypeGuard(const wchar_t* service);
    ~StartTypeGuard();
    StartTypeGuard(const StartTypeGuard&) = delete;
    StartTypeGuard& operator=(const StartTypeGuard&) = delete;
private:
    std::wstring service;
    long long start;
};

// Puts an installed test service into the given start type and running state.
bool ArrangeService(const wchar_t* name, DWORD start, bool running);
