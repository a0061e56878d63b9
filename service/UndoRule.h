#pragma once
// The undo promise in one place, for SysMain's Apply and for the Services batch alike: a
// start type is changed only while a usable backup of the one before is on disk, and a
// backup goes only once the start type it put back is on disk.
#include <windows.h>

// Sets one service's start type; true when the change took. The context is the caller's.
struct StartTypeChange {
    const wchar_t* service;  // whose start type: its hive is flushed after a restore
    bool (*set)(const void* context, DWORD startType);
    const void* context;
};

// The plain change of the named service's start type.
StartTypeChange ServiceStartTypeChange(const wchar_t* service);

// Which stored values count as a usable backup.
using UsableBackup = bool (*)(DWORD saved);

enum class SaveOutcome {
    Changed,           // the change took, with a usable backup kept or written first
    BackupUnreadable,  // the stored value could not be read: it may be there, so nothing was done
    BackupNotWritten,  // no usable backup in a store that survives a restart: nothing was changed
    ChangeFailed,      // the change was refused; the store is as it was before
};

// Keeps the backup under valueName when it is usable (and the store survives a restart),
// otherwise writes current there, then sets newStart; if the change fails, puts back what
// stood at valueName before the write (deletes a value that the write created).
SaveOutcome SaveThenChange(const wchar_t* valueName, DWORD current, DWORD newStart, const StartTypeChange& change,
                           UsableBackup usable);

enum class RestoreOutcome {
    Restored,          // the saved start type was set again (its backup deleted once flushed)
    NothingSaved,      // no backup under valueName
    BackupUnreadable,  // the stored value could not be read
    BackupNotUsable,   // the stored value is not one a restore may set: it stays in the store
    ChangeFailed,      // the saved start type was refused: the backup stays
};

// Sets the start type saved under valueName; the backup is deleted only once the service's
// hive is flushed, otherwise it stays and a later restore simply sets the same type again.
RestoreOutcome RestoreThenFlushThenDelete(const wchar_t* valueName, const StartTypeChange& change,
                                          UsableBackup usable);
