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

namespace {

constexpr size_t RowTextCapacity = 160;
constexpr size_t ConfirmCapacity = 900;

// a row is taken up when its toggle is checked, its service exists and it is not disabled already
bool Selected(int row, DWORD* start)
{
    return IsChecked(serviceToggles[row]) && QueryStartType(ServiceCatalogue[row].name, start) &&
           *start != SERVICE_DISABLED;
}

// true when the row's start type went to 4; its backup is written first unless one that
// can turn the automatic start back on is kept from an earlier turn-off
bool DisableRow(const ServiceEntry& entry, DWORD start)
{
    DWORD saved = 0;
    const BackupState backup = ReadBackupValue(entry.backupName, &saved);
    // a backup that cannot be read may still be there: never write over it
    if (backup == BackupState::Unknown) return false;
    if (backup == BackupState::Present && KeepsStartType(saved)) return SetStartType(entry.name, SERVICE_DISABLED);
    if (!WriteBackupValue(entry.backupName, start)) return false;
    if (SetStartType(entry.name, SERVICE_DISABLED)) return true;
    // the backup was written for this change alone
    DeleteBackupValue(entry.backupName);
    return false;
}

// the confirmation's list; false when no row is selected
bool ListSelected(wchar_t (&text)[ConfirmCapacity])
{
    int listed = 0;
    for (int i = 0; i < ServiceCount; ++i) {
        DWORD start = 0;
        if (!Selected(i, &start)) continue;
        AppendBulletLine(text, ConfirmCapacity, ServiceCatalogue[i].label);
        ++listed;
    }
    return listed > 0;
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
    if (!ListSelected(text)) {
        Tell(L"Сначала выберите хотя бы одну службу.", Notice::Done);
        return;
    }
    AppendBounded(text, ConfirmCapacity,
                  L"\nСлужбы останутся запущенными до остановки или перезагрузки Windows.\nНекоторые функции могут "
                  L"перестать работать.\n\nОтключить автозапуск?");
    if (!Ask(text)) return;

    // the box's own loop still delivers WM_TIMER: read every row again instead of
    // trusting the listing
    int failures = 0;
    {
        const StoreLock lock;
        for (int i = 0; i < ServiceCount; ++i) {
            DWORD start = 0;
            if (!Selected(i, &start)) continue;
            if (!lock || !DisableRow(ServiceCatalogue[i], start)) ++failures;
        }
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
