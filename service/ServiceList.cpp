#include "service/BackupStore.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/UndoRule.h"
#include "service/Workflows.h"

namespace {

// What the pass made of one confirmed row.
enum class RowPass {
    Off,     // turned off now, or found off already
    NotOff,  // gone, unreadable, at a start type no restore sets, left alone, or refused
};

// The row's start type and then its toggle are read again: a timer tick during the
// confirmation unchecks a row it finds disabled, and a row disabled meanwhile needs nothing.
RowPass TurnOffConfirmedRow(int row, bool (*stillChecked)(int row))
{
    const ServiceEntry& entry = ServiceCatalogue[row];
    DWORD start = 0;
    // the service is gone, or its start type can no longer be read: it was not turned off.
    // The start type decides: a disabled row needs no service manager, and any other is
    // opened by the change itself.
    if (ReadStartType(entry.name, &start) != 0) return RowPass::NotOff;
    if (start == SERVICE_DISABLED) return RowPass::Off;
    // unchecked by a tick that found it off, and on again now: the user did not see it
    // checked when answering, so nothing changes, and it is not off
    if (!stillChecked(row)) return RowPass::NotOff;
    // a boot, system or unknown start type: no restore could ever set it again
    if (!RestorableStartType(start)) return RowPass::NotOff;
    return SaveThenChange(entry.backupName, start, SERVICE_DISABLED, ServiceStartTypeChange(entry.name),
                          RestorableStartType) == SaveOutcome::Changed
               ? RowPass::Off
               : RowPass::NotOff;
}

// A confirmed row is off after the pass when its start type reads back as disabled. When
// the read-back itself fails, what the pass saw counts: it found the row disabled, or its
// own change was accepted, and nothing of the program's changes it back under the lock.
bool ConfirmedOff(const ServiceEntry& entry, RowPass pass)
{
    switch (ReadBackStartType(entry.name)) {
    case StartTypeReading::Disabled:
    case StartTypeReading::Unreadable: return pass == RowPass::Off;
    case StartTypeReading::NotDisabled:
    case StartTypeReading::NoStartType:
    case StartTypeReading::Gone: break;
    }
    return false;
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
    const StoreLock lock;
    RowPass pass[ServiceCount] = {};
    for (int i = 0; i < ServiceCount; ++i)
        pass[i] = listed[i] && lock ? TurnOffConfirmedRow(i, stillChecked) : RowPass::NotOff;
    // a confirmed row counts as turned off only when the pass turned it off (or found it
    // off) and its start type, read back still under the lock, does not say otherwise
    int failures = 0;
    for (int i = 0; i < ServiceCount; ++i)
        if (listed[i] && !ConfirmedOff(ServiceCatalogue[i], pass[i])) ++failures;
    return failures;
}
