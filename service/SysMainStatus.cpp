#include "service/SysMainStatus.h"
#include "common/ControlUpdates.h"
#include "common/WindowState.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"

SysMainSnapshot SysMainStatus;
bool toggleTouched = false;
const RECT StatusCardRect = {237, 103, 878, 252};

namespace {

const wchar_t* SavedSettingText(const SysMainSnapshot& s)
{
    if (!s.saved) return L"Сохранённая настройка: отсутствует";
    if (s.originalStart == SERVICE_DEMAND_START) return L"Сохранённая настройка: вручную";
    if (s.originalStart == SERVICE_AUTO_START) return L"Сохранённая настройка: автоматически";
    return L"Сохранённая настройка: другой тип";
}

}  // namespace

void RefreshSysMainStatus()
{
    SysMainSnapshot& s = SysMainStatus;
    const LONG oldState = s.state;
    const DWORD oldStart = s.start;
    const bool oldReadable = s.startReadable;

    s.startReadable = ReadStartType(SysMainName, &s.start) == 0;
    s.saved = BackupPresent(OriginalStartValue, &s.originalStart);
    s.state = QuerySysMainState();

    if (s.startReadable) {
        SetTextIfChanged(statusLabel, ServiceStateText(static_cast<DWORD>(s.state)));
        SetTextIfChanged(startTypeLabel, StartTypeText(s.start));
    } else {
        SetTextIfChanged(statusLabel, L"Статус: служба SysMain не найдена");
        SetTextIfChanged(startTypeLabel, StartUnavailableText);
    }
    SetTextIfChanged(savedSettingLabel, SavedSettingText(s));

    const bool disabled = s.startReadable && s.start == SERVICE_DISABLED;
    if (!toggleTouched) SetCheckIfChanged(autoStartToggle, disabled);

    SetEnabledIfChanged(autoStartToggle, s.startReadable);
    SetEnabledIfChanged(stopServiceToggle, s.startReadable);
    SetEnabledIfChanged(applyButton, s.startReadable);
    SetEnabledIfChanged(startButton, s.startReadable && s.start != SERVICE_DISABLED && s.state != SERVICE_RUNNING);
    SetEnabledIfChanged(stopButton, s.startReadable && s.state == SERVICE_RUNNING);

    const bool changed = s.state != oldState || s.start != oldStart || s.startReadable != oldReadable;
    if (changed && currentPage == PageHome) InvalidateRect(mainWindow, &StatusCardRect, FALSE);
}
