#include "support/WorkflowWindow.h"
#include "service/SysMainStatus.h"
#include "support/TestWorld.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

namespace {

HWND MakeChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id)
{
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 80, 20, mainWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

WorkflowWindow::WorkflowWindow()
{
    mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 920, 720, nullptr, nullptr, nullptr, nullptr);
    autoStartToggle = MakeChild(L"BUTTON", L"101", BS_AUTOCHECKBOX, 101);
    stopServiceToggle = MakeChild(L"BUTTON", L"102", BS_AUTOCHECKBOX, 102);
    for (int i = 0; i < ServiceCount; ++i) {
        serviceToggles[i] = MakeChild(L"BUTTON", ServiceCatalogue[i].label, BS_AUTOCHECKBOX, 401 + i);
        serviceLabels[i] = MakeChild(L"STATIC", L"", 0, 0);
    }
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
    currentPage = PageServices;
}

WorkflowWindow::~WorkflowWindow()
{
    DestroyWindow(mainWindow);
    mainWindow = autoStartToggle = stopServiceToggle = nullptr;
    for (int i = 0; i < ServiceCount; ++i) serviceToggles[i] = serviceLabels[i] = nullptr;
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
    currentPage = PageHome;
}

bool WorkflowWindow::Checked(HWND toggle)
{
    return SendMessageW(toggle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WorkflowWindow::SetChecked(HWND toggle, bool checked)
{
    SendMessageW(toggle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool WorkflowWindow::Enabled(HWND window)
{
    return IsWindowEnabled(window) != FALSE;
}

std::wstring WorkflowWindow::Text(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

void WorkflowWindow::CheckRows(unsigned rows)
{
    for (int i = 0; i < ServiceCount; ++i) SetChecked(serviceToggles[i], (rows >> i) & 1u);
}

unsigned WorkflowWindow::CheckedRows()
{
    unsigned rows = 0;
    for (int i = 0; i < ServiceCount; ++i)
        if (Checked(serviceToggles[i])) rows |= 1u << i;
    return rows;
}

StartTypeGuard::StartTypeGuard(const wchar_t* service) : service(service), start(RegistryStartType(service)) {}

StartTypeGuard::~StartTypeGuard()
{
    if (start >= 0 && RegistryStartType(service.c_str()) != start)
        ChangeStartTypeExternally(service.c_str(), static_cast<DWORD>(start));
}

bool ArrangeService(const wchar_t* name, DWORD start, bool running)
{
    if (!StopTestService(name)) return false;
    if (!running) return ChangeStartTypeExternally(name, start);
    // a disabled service cannot be started: start it first, disable it afterwards
    if (start == SERVICE_DISABLED && !ChangeStartTypeExternally(name, SERVICE_DEMAND_START)) return false;
    if (start != SERVICE_DISABLED && !ChangeStartTypeExternally(name, start)) return false;
    if (!StartTestService(name)) return false;
    return start != SERVICE_DISABLED || ChangeStartTypeExternally(name, start);
}
