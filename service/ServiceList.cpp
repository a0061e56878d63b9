#include "service/BackupStore.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/UndoRule.h"
#include "service/Workflows.h"

namespace {

// false when a row the user confirmed was not turned off. The row's start type and then
// its toggle are read again: a timer tick during the confirmation unchecks a row it finds
// disabled, and a row disabled meanwhile needs nothing.
bool TurnOffConfirmedRow(int row, bool (*stillChecked)(int row))
{
    const ServiceEntry& entry = ServiceCatalogue[row];
    DWORD start = 0;
    // the service is gone, or can no longer be opened or read: it was not turned off
    if (!QueryStartType(entry.name, &start)) return false;
    if (!stillChecked(row) || start == SERVICE_DISABLED) return true;
    // a boot, system or unknown start type: no restore could ever set it again
    if (!RestorableStartType(start)) return false;
    return SaveThenChange(entry.backupName, start, SERVICE_DISABLED, ServiceStartTypeChange(entry.name),
                          RestorableStartType) == SaveOutcome::Changed;
}

}  // namespace

ServiceRowSnapshot ReadServiceRow(const ServiceEntry& entry)
{
    ServiceRowSnapshot row = {};
    row.exists = QueryStartType(entry.name, &row.start);
    DWORD saved = 0;
    row.hasBackup = ReadBackupValue(entry.backupName, &saved) == BackupState::Present;
    return row;
}

bool OfferedForTurnOff(const ServiceEntry& entry)
{
    DWORD start = 0;
    return QueryStartType(entry.name, &start) && start != SERVICE_DISABLED;
}

int TurnOffConfirmedRows(const bool (&listed)[ServiceCount], bool (*stillChecked)(int row))
{
    int failures = 0;
    const StoreLock lock;
    for (int i = 0; i < ServiceCount; ++i)
        if (listed[i] && (!lock || !TurnOffConfirmedRow(i, stillChecked))) ++failures;
    return failures;
}
