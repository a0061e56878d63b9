#include "service/Workflows.h"
#include "common/AppendBounded.h"
#include "common/MessageBoxes.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"
#include "service/UndoRule.h"

namespace {

constexpr size_t ConfirmCapacity = 850;

// false when the row's saved start type could not be put back
bool RestoreRow(const ServiceEntry& entry)
{
    const StartTypeChange change = ServiceStartTypeChange(entry.name);
    switch (RestoreThenFlushThenDelete(entry.backupName, change, RestorableStartType)) {
    case RestoreOutcome::Restored: return true;
    case RestoreOutcome::NothingSaved: return true;  // gone since the listing (restored meanwhile)
    // any other value (a 4 included: a restore never disables) stays in the store
    case RestoreOutcome::BackupNotUsable:
    case RestoreOutcome::BackupUnreadable:
    case RestoreOutcome::ChangeFailed: break;
    }
    return false;
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
