#include "service/Workflows.h"
#include "common/AppendBounded.h"
#include "common/MessageBoxes.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"

namespace {

constexpr size_t ConfirmCapacity = 850;

// false when the row's saved start type could not be put back
bool RestoreRow(const ServiceEntry& entry)
{
    DWORD saved = 0;
    switch (ReadBackupValue(entry.backupName, &saved)) {
    case BackupState::Absent: return true;  // gone since the listing (restored meanwhile)
    case BackupState::Unknown: return false;
    case BackupState::Present: break;
    }
    // any other value (a 4 included: a restore never disables) stays in the store
    if (!RestorableStartType(saved) || !SetStartType(entry.name, saved)) return false;
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
        AppendBulletLine(text, ConfirmCapacity, entry.label);
        ++listed;
    }
    if (listed == 0) {
        Tell(L"Нет сохранённых настроек для восстановления.", Notice::Done);
        return;
    }
    AppendBounded(text, ConfirmCapacity,
                  L"\nЕсли настройки изменялись в других программах, они будут заменены.\n\nВосстановить?");
    if (!Ask(text)) return;

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
        Tell(L"Прежние настройки служб восстановлены.", Notice::Done);
    else
        Tell(L"Некоторые настройки вернуть не удалось.\nСохранённые копии остались доступными.", Notice::Refused);
}
