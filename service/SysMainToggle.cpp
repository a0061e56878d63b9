#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/UndoRule.h"
#include "service/Workflows.h"

namespace {

struct StopQuery {
    bool (*stopIfRunning)();
};

// Sets SysMain's start type; whether to stop it is asked at the change, as it stands then.
bool SetSysMainStart(const void* context, DWORD startType)
{
    const bool stopIfRunning =
        startType == SERVICE_DISABLED && static_cast<const StopQuery*>(context)->stopIfRunning();
    return SetSysMainStartType(startType, stopIfRunning);
}

SysMainChange TurnOff(DWORD start, const StartTypeChange& change)
{
    if (start == SERVICE_DISABLED) return SysMainChange::AlreadyOff;
    // a boot, system or unknown start type: no restore could ever set it again
    if (!RestorableStartType(start)) return SysMainChange::TurnOffFailed;
    switch (SaveThenChange(OriginalStartValue, start, SERVICE_DISABLED, change, RestorableStartType)) {
    case SaveOutcome::Changed: return SysMainChange::TurnedOff;
    case SaveOutcome::BackupUnreadable:
    case SaveOutcome::BackupNotWritten: return SysMainChange::BackupFailed;
    case SaveOutcome::ChangeFailed: break;
    }
    return SysMainChange::TurnOffFailed;
}

SysMainChange Restore(DWORD start, const StartTypeChange& change)
{
    if (start != SERVICE_DISABLED) return SysMainChange::AlreadyOn;
    switch (RestoreThenFlushThenDelete(OriginalStartValue, change, RestorableStartType)) {
    case RestoreOutcome::Restored: return SysMainChange::Restored;
    case RestoreOutcome::ChangeFailed: return SysMainChange::RestoreFailed;
    case RestoreOutcome::NothingSaved:
    case RestoreOutcome::BackupUnreadable:
    case RestoreOutcome::BackupNotUsable: break;
    }
    return SysMainChange::NoBackup;
}

}  // namespace

SysMainChange TurnOffOrRestoreSysMain(bool turnOff, bool (*stopIfRunning)())
{
    const SysMainChange failed = turnOff ? SysMainChange::TurnOffFailed : SysMainChange::RestoreFailed;
    const StoreLock lock;
    if (!lock) return failed;
    DWORD start = 0;
    // SysMain's Start became unreadable meanwhile (SysMain removed, access denied):
    // nothing is changed, and the user is told so
    if (ReadStartType(SysMainName, &start) != 0) return failed;
    const StopQuery stop = {stopIfRunning};
    const StartTypeChange change = {SysMainName, SetSysMainStart, &stop};
    return turnOff ? TurnOff(start, change) : Restore(start, change);
}
