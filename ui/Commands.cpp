#include "ui/Commands.h"
#include "common/ControlUpdates.h"
#include "common/DesktopShell.h"
#include "common/IndexingOptions.h"
#include "common/MessageBoxes.h"
#include "common/OsApi.h"
#include "draw/Palette.h"
#include "service/ServiceOps.h"
#include "ui/ControlIds.h"
#include "ui/HomeStatus.h"
#include "ui/Pages.h"
#include "ui/ServicesPage.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

// The product's web page, until the product has a page of its own.
constexpr const wchar_t* ProductWebPage = L"https://tarvix.example/mini";

void StartCommand()
{
    if (!StartSysMain())
        Tell(mainWindow, L"Не удалось запустить SysMain.\nПроверьте, не отключён ли её автозапуск.", Notice::Failed);
    RefreshSysMainStatus();
}

void StopCommand()
{
    if (!StopSysMain())
        Tell(mainWindow,
             L"Не удалось остановить SysMain.\nПроверьте её состояние в разделе «Службы» Windows.", Notice::Failed);
    RefreshSysMainStatus();
}

void RefreshCommand()
{
    toggleTouched = false;
    RefreshSysMainStatus();
    RefreshServiceList();
    ProbeSystemDisk();
    RefreshMemoryText();
}

void SwitchMemoryFigures()
{
    const int was = LiveMemoryFlag;
    LiveMemoryFlag = was == 0 ? 1 : 0;
    if (was != 0)
        SetTextIfChanged(MemoryLabel, L"RAM: нажмите «Диагностика»");
    else
        RefreshMemoryText();
}

}  // namespace

void OnCommand(int id)
{
    switch (id) {
    case IdAutoStartToggle: toggleTouched = true; break;
    case IdApply:
        ApplySysMainToggle();
        // Apply's own refresh ran while the toggle still counted as touched, so it left the
        // toggle as the user set it (and none runs when the user answers No or nothing can
        // be read): this one, with the flag cleared, brings the toggle back in line with
        // the start type
        toggleTouched = false;
        RefreshSysMainStatus();
        break;
    case IdRefresh: RefreshCommand(); break;
    // the handlers of a web address and of ms-settings are the user's to change: run
    // them through the user's desktop shell, never elevated; without it nothing opens
    case IdWebPage: desktopShellApi.OpenWithDesktopShell(ProductWebPage); break;
    case IdStart: StartCommand(); break;
    case IdStop: StopCommand(); break;
    case IdMemoryFigures: SwitchMemoryFigures(); break;
    case IdDisableSelected: DisableSelectedServices(); break;
    case IdRestoreSaved: RestoreSavedServices(); break;
    case IdStartupApps: desktopShellApi.OpenWithDesktopShell(L"ms-settings:startupapps"); break;
    case IdIndexingOptions: OpenIndexingOptions(); break;
    default:
        if (id >= IdFirstPageCommand && id <= IdLastPageCommand) ShowPage(static_cast<unsigned>(id - IdFirstPageCommand));
        break;
    }
}

void OnTimer(WPARAM timerId)
{
    if (timerId != RefreshTimerId || !IsChecked(autoRefreshToggle)) return;
    RefreshSysMainStatus();
    if (currentPage == PageServices) RefreshServiceList();
    if (currentPage == PageOptimization) RefreshMemoryText();
    if (currentPage == PageHome) CheckMemoryLoadChange();
}

HBRUSH OnCtlColorStatic(HDC hdc, HWND control)
{
    // each text on the colour of the card it lies on
    if (control == statusLabel) {
        Role text = Role::StatusTextOther;
        if (SysMainStatus.state == SERVICE_RUNNING) text = Role::StatusTextRunning;
        if (SysMainStatus.state == SERVICE_STOPPED) text = Role::StatusTextStopped;
        SetBkColor(hdc, Colour(Role::StatusCard));
        SetBkMode(hdc, OPAQUE);
        SetTextColor(hdc, Colour(text));
        return statusCardBrush;
    }
    SetBkColor(hdc, Colour(Role::Card));
    SetBkMode(hdc, OPAQUE);
    SetTextColor(hdc, Colour(Role::LabelText));
    return cardBrush;
}
