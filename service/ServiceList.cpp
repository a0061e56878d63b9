#include "service/Workflows.h"
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"
#include "common/MessageBoxes.h"
#include "common/WindowState.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"
#include "service/UndoRule.h"

namespace {

constexpr size_t RowTextCapacity = 160;
constexpr size_t ConfirmCapacity = 900;

// a row is offered when its toggle is checked, its service exists and it is not disabled already
bool Selected(int row, DWORD* start)
{
    return IsChecked(serviceToggles[row]) && QueryStartType(ServiceCatalogue[row].name, start) &&
           *start != SERVICE_DISABLED;
}

// false when a row the user confirmed was not turned off. The row's toggle and start type
// are read again: a timer tick during the confirmation unchecks a row it finds disabled,
// and a row disabled meanwhile needs nothing.
bool TurnOffConfirmedRow(int row)
{
    const ServiceEntry& entry = ServiceCatalogue[row];
    DWORD start = 0;
    // the service is gone, or can no longer be opened or read: it was not turned off
    if (!QueryStartType(entry.name, &start)) return false;
    if (!IsChecked(serviceToggles[row]) || start == SERVICE_DISABLED) return true;
    // a boot, system or unknown start type: no restore could ever set it again
    if (!RestorableStartType(start)) return false;
    const StartTypeChange change = ServiceStartTypeChange(entry.name);
    return SaveThenChange(entry.backupName, start, SERVICE_DISABLED, change, RestorableStartType) ==
           SaveOutcome::Changed;
}

// the confirmation's list, and which rows it holds; false when no row is selected
bool ListSelected(wchar_t (&text)[ConfirmCapacity], bool (&listed)[ServiceCount])
{
    int count = 0;
    for (int i = 0; i < ServiceCount; ++i) {
        DWORD start = 0;
        listed[i] = Selected(i, &start);
        if (!listed[i]) continue;
        AppendBulletLine(text, ConfirmCapacity, ServiceCatalogue[i].label);
        ++count;
    }
    return count > 0;
}

}  // namespace

void RefreshServiceList()
{
    for (int i = 0; i < ServiceCount; ++i) {
        const ServiceEntry& entry = ServiceCatalogue[i];
        DWORD start = 0;
        const bool exists = QueryStartType(entry.name, &start);
        DWORD saved = 0;
        const bool hasBackup = BackupPresent(entry.backupName, &saved);

        wchar_t text[RowTextCapacity] = {};
        AppendBounded(text, RowTextCapacity, exists ? StartTypeShortText(start) : NoServiceText);
        if (hasBackup) AppendBounded(text, RowTextCapacity, L" | есть копия");
        SetTextIfChanged(serviceLabels[i], text);

        const bool usable = exists && start != SERVICE_DISABLED;
        SetEnabledIfChanged(serviceToggles[i], usable);
        if (!usable) SetCheckIfChanged(serviceToggles[i], FALSE);
    }
}

void DisableSelectedServices()
{
    wchar_t text[ConfirmCapacity] = L"Вы хотите отключить автозапуск этих служб?\n\n";
    bool listed[ServiceCount] = {};
    if (!ListSelected(text, listed)) {
        Tell(L"Сначала выберите хотя бы одну службу.", Notice::Done);
        return;
    }
    AppendBounded(text, ConfirmCapacity,
                  L"\nСлужбы останутся запущенными до остановки или перезагрузки Windows.\nНекоторые функции могут "
                  L"перестать работать.\n\nОтключить автозапуск?");
    if (!Ask(text)) return;

    // the rows the user confirmed, each read again: the box's own loop still delivers
    // WM_TIMER, and other programs may change anything meanwhile
    int failures = 0;
    {
        const StoreLock lock;
        for (int i = 0; i < ServiceCount; ++i)
            if (listed[i] && (!lock || !TurnOffConfirmedRow(i))) ++failures;
    }
    for (int i = 0; i < ServiceCount; ++i) SetCheckIfChanged(serviceToggles[i], FALSE);

    // the SysMain row changes what the Home page shows as well
    RefreshSysMainStatus();
    RefreshServiceList();
    if (failures == 0)
        Tell(L"Автозапуск выбранных служб отключён.\nИх текущая работа не остановлена.\nПрежние настройки сохранены.",
             Notice::Done);
    else
        Tell(L"Некоторые службы отключить не удалось.\nПроверьте их состояние в списке.\nПрежние настройки "
             L"изменённых служб сохранены.",
             Notice::Refused);
}
