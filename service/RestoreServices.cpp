#include "service/Workflows.h"
#include "common/AppTexts.h"
#include "common/AppendBounded.h"
#include "common/OsApi.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"
#include "ui/WindowState.h"

namespace {

constexpr size_t ConfirmCapacity = 850;

// the start types a batch backup can hold; anything else stays in the store
bool IsRestorable(DWORD start)
{
    return start >= SERVICE_AUTO_START && start <= SERVICE_DISABLED;
}

// false when the row's saved start type could not be put back
bool RestoreRow(const ServiceEntry& entry)
{
    DWORD saved = 0;
    switch (ReadBackupValue(entry.backupName, &saved)) {
    case BackupState::Absent: return true;  // gone since the listing (restored meanwhile)
    case BackupState::Unknown: return false;
    case BackupState::Present: break;
    }
    if (!IsRestorable(saved) || !SetStartType(entry.name, saved)) return false;
    // the backup goes only once the start type it put back is on disk; otherwise it
    // stays, and a later restore simply sets the same start type again
    if (FlushStartType(entry.name)) DeleteBackupValue(entry.backupName);
    return true;
}

}  // namespace

void RestoreSavedServices()
{
    wchar_t text[ConfirmCapacity] = L"Вернуть прежние настройки этих служб?\n\n";
    int listed = 0;
    for (const ServiceEntry& entry : ServiceCatalogue) {
        DWORD saved = 0;
        // a backup that cannot be read is listed too: the pass then reports it as not restored
        if (ReadBackupValue(entry.backupName, &saved) == BackupState::Absent) continue;
        AppendBounded(text, ConfirmCapacity, L"• ");
        AppendBounded(text, ConfirmCapacity, entry.label);
        AppendBounded(text, ConfirmCapacity, L"\n");
        ++listed;
    }
    if (listed == 0) {
        osApi.MessageBoxW(mainWindow, L"Нет сохранённых настроек для восстановления.", AppTitle, MB_ICONINFORMATION);
        return;
    }
    AppendBounded(text, ConfirmCapacity,
                  L"\nЕсли настройки изменялись в других программах, они будут заменены.\n\nВосстановить?");
    if (osApi.MessageBoxW(mainWindow, text, AppTitle, MB_ICONWARNING | MB_YESNO) != IDYES) return;

    // the box's own loop still delivers WM_TIMER: every backup is read again here
    int failures = 0;
    {
        const StoreLock lock;
        for (const ServiceEntry& entry : ServiceCatalogue)
            if (!lock || !RestoreRow(entry)) ++failures;
    }

    RefreshSysMainStatus();
    RefreshServiceList();
    if (failures == 0)
        osApi.MessageBoxW(mainWindow, L"Прежние настройки служб восстановлены.", AppTitle, MB_ICONINFORMATION);
    else
        osApi.MessageBoxW(mainWindow,
                          L"Некоторые настройки вернуть не удалось.\nСохранённые копии остались доступными.", AppTitle,
                          MB_ICONWARNING);
}
