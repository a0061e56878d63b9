#include "service/Workflows.h"
#include "common/AppTexts.h"
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"
#include "common/OsApi.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

namespace {

constexpr size_t RowTextCapacity = 160;
constexpr size_t ConfirmCapacity = 900;

bool IsChecked(HWND toggle)
{
    return SendMessageW(toggle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// a row can be turned off when its service exists and is not disabled already
bool CanDisable(const ServiceEntry& entry, DWORD* start)
{
    return QueryStartType(entry.name, start) && *start != SERVICE_DISABLED;
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
    int listed = 0;
    for (int i = 0; i < ServiceCount; ++i) {
        DWORD start = 0;
        if (!IsChecked(serviceToggles[i]) || !CanDisable(ServiceCatalogue[i], &start)) continue;
        AppendBounded(text, ConfirmCapacity, L"• ");
        AppendBounded(text, ConfirmCapacity, ServiceCatalogue[i].label);
        AppendBounded(text, ConfirmCapacity, L"\n");
        ++listed;
    }
    if (listed == 0) {
        osApi.MessageBoxW(mainWindow, L"Сначала выберите хотя бы одну службу.", AppTitle, MB_ICONINFORMATION);
        return;
    }
    AppendBounded(text, ConfirmCapacity,
                  L"\nСлужбы останутся запущенными до остановки или перезагрузки Windows.\nНекоторые функции могут "
                  L"перестать работать.\n\nОтключить автозапуск?");
    if (osApi.MessageBoxW(mainWindow, text, AppTitle, MB_ICONWARNING | MB_YESNO) != IDYES) return;

    // the box's own loop still delivers WM_TIMER: read every row again instead of
    // trusting the listing
    int failures = 0;
    {
        const StoreLock lock;
        for (int i = 0; i < ServiceCount; ++i) {
            DWORD start = 0;
            if (!IsChecked(serviceToggles[i]) || !CanDisable(ServiceCatalogue[i], &start)) continue;
            if (!lock || !DisableRow(ServiceCatalogue[i], start)) ++failures;
        }
    }
    for (int i = 0; i < ServiceCount; ++i) SetCheckIfChanged(serviceToggles[i], FALSE);

    // the SysMain row changes what the Home page shows as well
    RefreshSysMainStatus();
    RefreshServiceList();
    if (failures == 0)
        osApi.MessageBoxW(mainWindow,
                          L"Автозапуск выбранных служб отключён.\nИх текущая работа не остановлена.\nПрежние "
                          L"настройки сохранены.",
                          AppTitle, MB_ICONINFORMATION);
    else
        osApi.MessageBoxW(mainWindow,
                          L"Некоторые службы отключить не удалось.\nПроверьте их состояние в списке.\nПрежние "
                          L"настройки изменённых служб сохранены.",
                          AppTitle, MB_ICONWARNING);
}
