#pragma once
// The random sequence's own record of the undo promise: for each backup slot (a Bk_ value,
// or OriginalStart for the Home page's SysMain) the start type that its service had just
// before the program's first change, until a restore puts it back; the registry as the
// test reads it, and as it would stand after a power cut.
#include <windows.h>
#include <string>
#include <vector>
#include "service/ServiceCatalogue.h"

namespace guarantee {

// UTF-8, so that a failure prints the program's Russian texts as the user reads them.
std::string Narrow(const std::wstring& text);
bool Same(const std::wstring& a, const wchar_t* b);

// Backup slots: the catalogue rows' Bk_ values, then OriginalStart (SysMain, row 0).
constexpr int HomeSlot = ServiceCount;
constexpr int SlotCount = ServiceCount + 1;
const wchar_t* SlotName(int slot);
int SlotRow(int slot);
int SlotOfValue(const wchar_t* name);  // -1 for a value that is no backup
int RowOfService(const std::wstring& service);  // -1 for a service outside the catalogue
// What a restore can set again: automatic or manual. A service program cannot be set to
// boot or system start, and a restore never disables. Only a service at one of these may
// be turned off, and only a backup holding one is owed or restored.
bool Usable(long long start);

// The start types and the store as the registry holds them (-1: absent, or not a REG_DWORD).
struct World {
    long long start[ServiceCount];
    long long store[SlotCount];
};
World Look();

// The ledger: what each slot owes its service, kept from what the test itself sees.
struct Promise {
    bool owed = false;
    DWORD start = 0;
};
extern Promise ledger[SlotCount];

// What each hive holds on disk: a flush writes a whole hive; the lazy writer is assumed to
// have run between steps, and outside programs are assumed to flush what they write.
// While the store key is volatile (a tool made it so) nothing of it is on disk.
extern World durable;
extern bool storeVolatile;

// Every slot holds what it owes; and were power cut now, with one hive as last flushed and
// the other as it stands, either the service or the store would still have it. A slot
// being deleted (its restore done) is checked only for the power cut. Adds what it finds
// wrong to violations.
void CheckLedger(const char* where, std::vector<std::string>& violations, int deleting = -1);

// What an outside program (or the other copy) wrote is taken as on disk. A backup value it
// changed is what the slot owes from then on, if a restore could use it; a start type that
// none could put back (0 or 1) is owed nothing, and so is a value in a volatile store.
// Gives the slots whose value changed.
std::vector<int> AfterOutsideWrite(const World& before);
// A tool made the store key anew, volatile or not, with the same values: what a volatile
// one holds is gone at the next restart, so no slot owes anything from then on; made
// lasting again, each usable value is owed as if the tool had written it.
void AfterStoreRemade(bool volatileNow);

}  // namespace guarantee
