#include "service/UndoRule.h"
#include "service/BackupStore.h"
#include "service/ServiceOps.h"

namespace {

bool SetNamedStartType(const void* service, DWORD startType)
{
    return SetStartType(static_cast<const wchar_t*>(service), startType);
}

}  // namespace

StartTypeChange ServiceStartTypeChange(const wchar_t* service)
{
    return {service, SetNamedStartType, service};
}

SaveOutcome SaveThenChange(const wchar_t* valueName, DWORD current, DWORD newStart, const StartTypeChange& change,
                           UsableBackup usable)
{
    DWORD saved = 0;
    const BackupState backup = ReadBackupValue(valueName, &saved);
    // a backup that cannot be read may still be there: never write over it
    if (backup == BackupState::Unknown) return SaveOutcome::BackupUnreadable;
    // a kept backup holds the start type from before the first change; one that could
    // never be put back is replaced with the start type of now
    const bool keep = backup == BackupState::Present && usable(saved);
    EarlierValue earlier;
    if (keep) {
        // no write checks the store this time, and a kept copy in a volatile key is gone
        // after the restart that the new start type waits for
        if (!StoreSurvivesRestart()) return SaveOutcome::BackupNotWritten;
    } else if (!WriteBackupValue(valueName, current, &earlier)) {
        return SaveOutcome::BackupNotWritten;
    }
    if (change.set(change.context, newStart)) return SaveOutcome::Changed;
    // the store goes back to what it held before this pass, whatever that was
    if (!keep) PutBackEarlierValue(valueName, earlier);
    return SaveOutcome::ChangeFailed;
}

RestoreOutcome RestoreThenFlushThenDelete(const wchar_t* valueName, const StartTypeChange& change,
                                          UsableBackup usable)
{
    DWORD saved = 0;
    switch (ReadBackupValue(valueName, &saved)) {
    case BackupState::Absent: return RestoreOutcome::NothingSaved;
    case BackupState::Unknown: return RestoreOutcome::BackupUnreadable;
    case BackupState::Present: break;
    }
    if (!usable(saved)) return RestoreOutcome::BackupNotUsable;
    if (!change.set(change.context, saved)) return RestoreOutcome::ChangeFailed;
    if (FlushStartType(change.service)) DeleteBackupValue(valueName);
    return RestoreOutcome::Restored;
}
