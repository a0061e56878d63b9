#include "support/StandInWindow.h"
#include "service/ServiceCatalogue.h"
#include "support/Checks.h"
#include "support/ProgramState.h"
#include "ui/WindowState.h"

namespace {

HWND MakeChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id)
{
    const HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 80, 20, mainWindow,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    CountMessages(child);
    return child;
}

}  // namespace

StandInWindow::StandInWindow()
{
    ResetProgramState();
    mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 920, 755, nullptr, nullptr,
                                 nullptr, nullptr);
    CountMessages(mainWindow);
    statusLabel = MakeChild(L"STATIC", L"Проверка...", 0, 0);
    startTypeLabel = MakeChild(L"STATIC", L"Проверка...", 0, 0);
    savedSettingLabel = MakeChild(L"STATIC", L"Резервная настройка: проверка...", 0, 0);
    autoStartToggle = MakeChild(L"BUTTON", L"101", BS_AUTOCHECKBOX, IdAutoStartToggle);
    stopServiceToggle = MakeChild(L"BUTTON", L"102", BS_AUTOCHECKBOX, IdStopServiceToggle);
    applyButton = MakeChild(L"BUTTON", L"103", 0, IdApply);
    startButton = MakeChild(L"BUTTON", L"106", 0, IdStart);
    stopButton = MakeChild(L"BUTTON", L"107", 0, IdStop);
    // created empty: a label still empty after a workflow was not refreshed
    for (int i = 0; i < ServiceCount; ++i) {
        serviceToggles[i] = MakeChild(L"BUTTON", ServiceCatalogue[i].label, BS_AUTOCHECKBOX, IdFirstServiceToggle + i);
        serviceLabels[i] = MakeChild(L"STATIC", L"", 0, 0);
    }
    DiskLabel = MakeChild(L"STATIC", L"Тип диска: проверка...", 0, 0);
    MemoryLabel = MakeChild(L"STATIC", L"RAM: проверка...", 0, 0);
    SetChecked(stopServiceToggle, true);
    Validate();
}

StandInWindow::~StandInWindow()
{
    StopCountingMessages();
    DestroyWindow(mainWindow);
    ResetProgramState();
}

RECT StandInWindow::UpdateRect() const
{
    RECT r = {};
    GetUpdateRect(mainWindow, &r, FALSE);
    return r;
}

void StandInWindow::Validate() const
{
    UpdateWindow(mainWindow);
    ValidateRect(mainWindow, nullptr);
    seenMessages = SeenMessages();
}

void StandInWindow::CheckRows(unsigned rows)
{
    for (int i = 0; i < ServiceCount; ++i) SetChecked(serviceToggles[i], (rows >> i) & 1u);
}

unsigned StandInWindow::CheckedRows()
{
    unsigned rows = 0;
    for (int i = 0; i < ServiceCount; ++i)
        if (Checked(serviceToggles[i])) rows |= 1u << i;
    return rows;
}

bool StandInWindow::ServiceListFilled()
{
    for (HWND label : serviceLabels)
        if (!Text(label).empty()) return true;
    return false;
}
