#include "service/BackupStore.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/UndoRule.h"
#include "service/Workflows.h"

namespace {

// false when the row's saved start type could not be put back
bool RestoreRow(const ServiceEntry& entry)
{
    switch (RestoreThenFlushThenDelete(entry.backupName, ServiceStartTypeChange(entry.name), RestorableStartType)) {
    case RestoreOutcome::Restored: return true;
    // gone since the question: restored meanwhile only if the service says so now; a copy
    // deleted by another tool leaves the service disabled, and that is no success
    case RestoreOutcome::NothingSaved: return ReadBackStartType(entry.name) == StartTypeReading::NotDisabled;
    // any other value (a 4 included: a restore never disables) stays in the store
    case RestoreOutcome::BackupNotUsable:
    case RestoreOutcome::BackupUnreadable:
    case RestoreOutcome::ChangeFailed: break;
    }
    return false;
}

}  // namespace

bool ListedForRestore(const ServiceEntry& entry)
{
    DWORD saved = 0;
    // a backup that cannot be read is listed too: the pass then reports it as not restored
    return ReadBackupValue(entry.backupName, &saved) != BackupState::Absent;
}

int RestoreListedRows(const bool (&listed)[ServiceCount])
{
    int failures = 0;
    const StoreLock lock;
    // a row that got a copy after the question is not the user's choice: left alone
    for (int i = 0; i < ServiceCount; ++i)
        if (listed[i] && (!lock || !RestoreRow(ServiceCatalogue[i]))) ++failures;
    return failures;
}
