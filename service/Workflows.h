#pragma once
// The workflows that change and restore start types, as values: each takes what the user
// chose and returns what became of it. Reading the toggles and speaking to the user is the
// window's part.
#include <windows.h>
#include "service/ServiceCatalogue.h"

// What became of a confirmed turn-off or restore of SysMain's automatic start.
enum class SysMainChange {
    AlreadyOff,     // nothing to do
    TurnedOff,
    BackupFailed,   // no backup could be kept or written: nothing changed
    TurnOffFailed,  // nothing changed
    AlreadyOn,      // nothing to do
    Restored,
    NoBackup,       // no saved setting a restore could set: nothing changed
    RestoreFailed,  // nothing changed
};

// Takes the store lock, reads SysMain's start type and its backup afresh and carries out
// the turn-off or the restore; another copy of the program, or another tool, may have
// changed either since the last refresh. stopIfRunning is asked at the change itself.
SysMainChange TurnOffOrRestoreSysMain(bool turnOff, bool (*stopIfRunning)());

// A Services row as a refresh shows it.
struct ServiceRowSnapshot {
    bool exists;     // the manager knows the service and its start type reads
    DWORD start;     // only while exists
    bool hasBackup;  // a saved start type reads as a REG_DWORD
};
// Reads the row's start type, then its saved copy.
ServiceRowSnapshot ReadServiceRow(const ServiceEntry& entry);

// True when the service exists and is not disabled already: a checked row the batch offers.
bool OfferedForTurnOff(const ServiceEntry& entry);
// Under the store lock, turns off each listed row that is still checked when it comes to
// it; every row is read again first. A listed row that a refresh unchecked and that is on
// again is left alone. Returns how many listed rows are not off when read back after the
// pass.
int TurnOffConfirmedRows(const bool (&listed)[ServiceCount], bool (*stillChecked)(int row));

// True when the row has a saved copy to list for a restore; one that cannot be read is
// listed too, and the pass then reports it as not restored.
bool ListedForRestore(const ServiceEntry& entry);
// Under the store lock, restores the saved start type of each listed row (the rows the
// question named); each backup is read again. A row that got a backup after the question
// is left alone. Returns how many listed rows could not be put back.
int RestoreListedRows(const bool (&listed)[ServiceCount]);
