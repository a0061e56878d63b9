// The undo promise, checked over long random sequences: for each backup slot (a Bk_ value,
// or OriginalStart for the Home page's SysMain) an independent ledger keeps the start type
// that its service had just before the program's first change, until a restore puts it
// back. The sequences mix the three workflows with outside start-type changes made with no
// refresh (boot, system and unknown start types written into the registry among them),
// stray values of every kind, a second copy of the program that works between any two OS
// calls, refusals of single OS calls (two at once for a refused change and its failed
// roll-back), and the lock's namespace or mutex refused. Wrappers over the seam check the
// ledger at every write, flush, change and delete, also as if power were cut right there.
// Every box is checked against what the test itself knows: the rows it checked, the
// question it was asked, the registry as it stood when the pass took the lock, and the
// refusals it injected; never against what the program read.
//
//   TARVIX_GUARANTEE_SEED   seed of the sequence (printed; the default is fixed)
//   TARVIX_GUARANTEE_STEPS  number of steps (default 1500)
// A step costs 10 to 40 ms under Wine, most of it in service manager connections (every
// operation opens its own), so the default stays well inside ctest's time-out. For long
// runs start the test program directly, e.g.
//   TARVIX_GUARANTEE_STEPS=50000 build/wine-run.sh build/TarvixTests.exe --gtest_filter=Guarantee.*
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "ui/WindowState.h"
#include "service/ServiceCatalogue.h"
#include "support/BoxTexts.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/OtherCopyLock.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "ui/HomeStatus.h"
#include "ui/ServicesPage.h"

namespace {

constexpr unsigned long DefaultSeed = 4401;
constexpr unsigned long DefaultSteps = 1500;

enum Action { Apply, Disable, Restore, External, Tamper, ActionCount };
const char* const ActionNames[ActionCount] = {"apply", "disable", "restore", "outside change", "stray value"};
enum Fault {
    CreateKey,        // the store key cannot be created
    SetValue,         // a backup write is refused
    FlushKey,         // a hive cannot be written to disk
    DeleteValue,      // a backup deletion is refused
    ChangeConfig,     // a start-type change is refused
    ChangeAndDelete,  // a start-type change and the roll-back of its backup are both refused
    OpenStore,        // the store key cannot be opened to read a backup
    ReadBackup,       // a backup value cannot be read
    OpenManager,      // the service manager cannot be opened
    OpenService,      // a service cannot be opened to change it
    ReadStart,        // a service's start type cannot be read in the pass
    LockMutex,      // the lock's mutex cannot be created (another kind of object has its name)
    NamespaceCall,    // one of the lock's namespace calls fails, on a system that has them
    FaultCount,
    NoFault = FaultCount
};
const char* const FaultNames[FaultCount] = {"RegCreateKeyExW",  "RegSetValueExW",   "RegFlushKey",
                                            "RegDeleteValueW",  "ChangeServiceConfigW",
                                            "ChangeServiceConfigW+RegDeleteValueW", "RegOpenKeyExW",
                                            "RegQueryValueExW", "OpenSCManagerW",   "OpenServiceW",
                                            "RegQueryValueExW(Start)", "CreateMutexW", "namespace call"};

// the services of the run: RemoteRegistry stays missing, Spooler is Wine's own
const wchar_t* const Installed[] = {L"SysMain", L"WSearch", L"Spooler", L"Fax", L"XblAuthManager", L"MapsBroker"};
constexpr int InstalledCount = 6;

const std::wstring StoreKey = L"SOFTWARE\\TarvixMini";

std::mt19937 rng;
unsigned Random(unsigned n) { return static_cast<unsigned>(rng() % n); }
bool Chance(unsigned percent) { return Random(100) < percent; }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
bool Same(const std::wstring& a, const wchar_t* b) { return b && _wcsicmp(a.c_str(), b) == 0; }

// Backup slots: the catalogue rows' Bk_ values, then OriginalStart (SysMain, row 0).
constexpr int HomeSlot = ServiceCount;
constexpr int SlotCount = ServiceCount + 1;
const wchar_t* SlotName(int slot) { return slot == HomeSlot ? L"OriginalStart" : ServiceCatalogue[slot].backupName; }
int SlotRow(int slot) { return slot == HomeSlot ? 0 : slot; }
int SlotOfValue(const wchar_t* name)
{
    for (int slot = 0; slot < SlotCount; ++slot)
        if (name && _wcsicmp(name, SlotName(slot)) == 0) return slot;
    return -1;
}
int RowOfService(const std::wstring& service)
{
    for (int row = 0; row < ServiceCount; ++row)
        if (Same(service, ServiceCatalogue[row].name)) return row;
    return -1;
}
// What a restore can set again: automatic or manual. A service program cannot be set to
// boot or system start, and a restore never disables. Only a service at one of these may
// be turned off, and only a backup holding one is owed or restored.
bool Usable(long long start) { return start == SERVICE_AUTO_START || start == SERVICE_DEMAND_START; }

// The start types and the store as the registry holds them (-1: absent, or not a REG_DWORD).
struct World {
    long long start[ServiceCount];
    long long store[SlotCount];
};
World Look()
{
    World w;
    for (int row = 0; row < ServiceCount; ++row) w.start[row] = RegistryStartType(ServiceCatalogue[row].name);
    for (int slot = 0; slot < SlotCount; ++slot) w.store[slot] = DwordValue(ProductKey, SlotName(slot));
    return w;
}

// The ledger: what each slot owes its service, kept from what the test itself sees.
struct Promise {
    bool owed = false;
    DWORD start = 0;
};
Promise ledger[SlotCount];

// What each hive holds on disk: a flush writes a whole hive; the lazy writer is assumed to
// have run between steps, and outside programs are assumed to flush what they write.
World durable;

// Where the lock lives in a step: under the global name, with Wine's own namespace calls
// (Wine 8 has no private namespaces); or in a private namespace that the test stands in
// for, as on Windows. The second copy uses the tests' own literal name of each.
enum class LockPlace { Global, Namespace };
constexpr const wchar_t* NamespacedLock = L"TarvixMini\\BackupStore";
constexpr const wchar_t* NamespacedStandIn = L"Global\\TarvixMiniGuarantee.NamespacedLock";
// which namespace call a NamespaceCall step refuses, every time it is made
enum class SpaceRefusal { None, Sid, Create, Open };

// Everything the wrappers learn during one step.
struct Step {
    Action action = External;
    Fault fault = NoFault;
    int faultAt = 0;  // the n-th call of that kind fails
    int calls[FaultCount] = {};
    bool faultHit = false;
    bool bothHit = false;  // ChangeAndDelete: the roll-back was refused too
    bool asked = false;
    bool answeredYes = false;
    std::wstring resultText;
    UINT resultType = 0;
    LockPlace place = LockPlace::Global;
    SpaceRefusal refusal = SpaceRefusal::None;
    bool lockFault = false;                     // the lock's mutex or namespace was refused
    World atCall;                               // the registry as the workflow began
    std::vector<int> checkedRows;               // batch: the rows the test checked
    std::wstring question;                      // the confirmation the test was shown
    bool faultBeforeQuestion = false;           // a refusal hit before the confirmation
    bool movedBeforeQuestion = false;           // the other copy acted before the confirmation
    bool passRan = false;                       // the pass took the lock
    World atPass;                               // the registry as the pass took the lock
    bool checkedAtPass[ServiceCount] = {};      // the row toggles as the pass took the lock
    int currentRow = -1;                        // the row whose start type the pass read last
    bool storeReadFault = false;                // a backup read failed during the pass
    std::vector<int> unknownSlots;              // slots whose read failed during the pass
    std::vector<int> unreadableRows;            // rows whose start type read failed in the pass
    std::vector<int> written;                   // slots written
    std::vector<int> refusedChange;             // rows whose change failed
    std::vector<int> refusedDelete;             // slots whose deletion failed
    std::vector<std::pair<int, DWORD>> changed; // rows set, and to what
    std::vector<int> flushedRows;               // rows whose start type was flushed after a change
    std::vector<int> outsideSlots;              // slots that another program or copy changed
    std::vector<std::string> violations;
};
Step step;
OsApi below;
bool inPass = false;  // this copy holds the shared lock, as seen through the seam
std::map<HKEY, std::wstring> keyPaths;
int secondCopyActed = 0, secondCopyBlocked = 0;
int boundariesOpen = 0, spacesOpen = 0;  // the stand-in namespace's handles

// the name under which another copy takes the lock in this step
const wchar_t* OtherCopysLockName()
{
    return step.place == LockPlace::Namespace ? NamespacedStandIn : GlobalStoreLockName;
}

void Violation(const std::string& what) { step.violations.push_back(what); }

template <typename T>
bool Contains(const std::vector<T>& list, const T& item)
{
    for (const T& entry : list)
        if (entry == item) return true;
    return false;
}

bool ChangedTo(int row, DWORD start)
{
    return Contains(step.changed, std::make_pair(row, start));
}

bool Inject(Fault kind)
{
    if (step.fault == ChangeAndDelete) {
        if (kind == ChangeConfig) {
            if (++step.calls[ChangeAndDelete] != step.faultAt) return false;
            step.faultHit = true;
            return true;
        }
        // the deletion right after the refused change: its roll-back
        if (kind != DeleteValue || step.refusedChange.empty() || step.bothHit) return false;
        step.bothHit = true;
        return true;
    }
    if (step.fault != kind || ++step.calls[kind] != step.faultAt) return false;
    step.faultHit = true;
    return true;
}

// --- the invariant ---------------------------------------------------------------------

// Every slot holds what it owes; and were power cut now, with one hive as last flushed and
// the other as it stands, either the service or the store would still have it. A slot
// being deleted (its restore done) is checked only for the power cut.
void CheckLedger(const char* where, int deleting = -1)
{
    const World now = Look();
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!ledger[slot].owed) continue;
        const long long owed = ledger[slot].start;
        const int row = SlotRow(slot);
        const std::string what = Narrow(SlotName(slot)) + " (owes " + std::to_string(owed) + ") " + where;
        if (slot != deleting && now.store[slot] != owed)
            Violation(what + ": the store holds " + std::to_string(now.store[slot]));
        // a power cut: one hive as last flushed, the other as it stands
        if (durable.store[slot] != owed && now.start[row] != owed)
            Violation(what + ": a power cut now keeps start type " + std::to_string(now.start[row]) +
                      " and a store without the backup");
        if (now.store[slot] != owed && durable.start[row] != owed)
            Violation(what + ": a power cut now keeps start type " + std::to_string(durable.start[row]) +
                      " and a store without the backup");
    }
}

// What an outside program (or the other copy) wrote is taken as on disk. A backup value it
// changed is what the slot owes from then on, if a restore could use it; a start type that
// none could put back (0 or 1) is owed nothing.
void AfterOutsideWrite(const World& before)
{
    const World now = Look();
    durable = now;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (now.store[slot] == before.store[slot]) continue;
        step.outsideSlots.push_back(slot);
        ledger[slot].owed = Usable(now.store[slot]);
        ledger[slot].start = ledger[slot].owed ? static_cast<DWORD>(now.store[slot]) : 0;
    }
}

// --- a second copy of the program --------------------------------------------------------

// One pass of another copy, by the same rules, with raw calls: turn one service off (the
// Home page's way for SysMain or the batch's way), or put back what a store value holds.
void SecondCopyPass()
{
    const World now = Look();
    const int row = RowOfService(Installed[Random(InstalledCount)]);
    const bool home = row == 0 && Chance(50);
    const int slot = home ? HomeSlot : row;
    const wchar_t* service = ServiceCatalogue[row].name;
    if (Chance(50)) {
        if (!Usable(now.start[row])) return;
        if (!Usable(now.store[slot]) && !SetDwordValue(ProductKey, SlotName(slot), static_cast<DWORD>(now.start[row])))
            return;
        if (!ChangeStartTypeExternally(service, SERVICE_DISABLED)) return;
    } else {
        const long long saved = now.store[slot];
        const bool restorable = Usable(saved);
        if (now.start[row] != SERVICE_DISABLED && home) return;
        if (!restorable || !ChangeStartTypeExternally(service, static_cast<DWORD>(saved))) return;
        DeleteRawValue(ProductKey, SlotName(slot));
    }
    ++secondCopyActed;
}

// Another copy may run a pass at any moment, but only when it gets the lock: never while
// this copy's pass holds it.
void MaybeSecondCopy(unsigned percent)
{
    if (!Chance(percent)) return;
    const OtherCopyLock other(OtherCopysLockName());
    if (!other.Held()) {
        ++secondCopyBlocked;
        return;
    }
    if (inPass) Violation("another copy got the lock in the middle of a pass");
    if (!step.asked) step.movedBeforeQuestion = true;
    const World before = Look();
    SecondCopyPass();
    AfterOutsideWrite(before);
}

// --- wrappers over the seam ------------------------------------------------------------

constexpr unsigned SecondCopyPercent = 2;

bool IsStoreKey(HKEY key)
{
    auto found = keyPaths.find(key);
    return found != keyPaths.end() && Same(found->second, StoreKey.c_str());
}

int RowOfKey(HKEY key)
{
    auto found = keyPaths.find(key);
    if (found == keyPaths.end() || found->second.compare(0, ServicesKeyRoot.size(), ServicesKeyRoot) != 0) return -1;
    return RowOfService(found->second.substr(ServicesKeyRoot.size()));
}

// the slot a pass is deciding on: OriginalStart for Apply, the current row for the batch
int CurrentSlot()
{
    return step.action == Apply ? HomeSlot : step.currentRow;
}

// every write, flush, change and delete of a pass happens under the shared lock
void CheckLockHeld(const char* call)
{
    if (!inPass) {
        Violation(std::string(call) + " outside the locked pass");
        return;
    }
    const OtherCopyLock other(OtherCopysLockName());
    if (other.Held()) Violation(std::string(call) + " while another copy could take the lock");
}

LSTATUS WINAPI WrappedOpenKey(HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key)
{
    MaybeSecondCopy(SecondCopyPercent);
    const bool backupRead = Same(path, StoreKey.c_str()) && (sam & KEY_QUERY_VALUE) && !(sam & KEY_SET_VALUE);
    if (backupRead && inPass && Inject(OpenStore)) {
        step.storeReadFault = true;
        step.unknownSlots.push_back(CurrentSlot());
        return Chance(50) ? ERROR_ACCESS_DENIED : ERROR_NO_SYSTEM_RESOURCES;
    }
    const LSTATUS status = below.RegOpenKeyExW(root, path, options, sam, key);
    if (status == ERROR_SUCCESS) keyPaths[*key] = path;
    return status;
}

LSTATUS WINAPI WrappedCreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                                LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (Inject(CreateKey)) return ERROR_ACCESS_DENIED;
    const LSTATUS status = below.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
    if (status == ERROR_SUCCESS) keyPaths[*key] = path;
    return status;
}

LSTATUS WINAPI WrappedCloseKey(HKEY key)
{
    keyPaths.erase(key);
    return below.RegCloseKey(key);
}

LSTATUS WINAPI WrappedQueryValue(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    MaybeSecondCopy(SecondCopyPercent);
    const int slot = IsStoreKey(key) ? SlotOfValue(name) : -1;
    if (slot >= 0 && inPass && Inject(ReadBackup)) {
        step.storeReadFault = true;
        step.unknownSlots.push_back(slot);
        return Chance(50) ? ERROR_ACCESS_DENIED : ERROR_NOT_ENOUGH_MEMORY;
    }
    const int row = RowOfKey(key);
    if (inPass && row >= 0 && name && _wcsicmp(name, L"Start") == 0) {
        step.currentRow = row;
        if (Inject(ReadStart)) {
            step.unreadableRows.push_back(row);
            return ERROR_ACCESS_DENIED;
        }
    }
    return below.RegQueryValueExW(key, name, reserved, type, data, size);
}

// no overwrite of a backup that can restore, or of one whose read failed; the value is
// the start type of its service as it stands
LSTATUS WINAPI WrappedSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    MaybeSecondCopy(SecondCopyPercent);
    CheckLockHeld("RegSetValueExW");
    const int slot = SlotOfValue(name);
    DWORD value = 0;
    if (data && size == sizeof(value)) std::memcpy(&value, data, sizeof(value));
    const bool owned = slot >= 0 && (step.action == Apply) == (slot == HomeSlot);
    if (!owned || step.action == Restore) {
        Violation("wrote " + Narrow(name) + " during " + ActionNames[step.action]);
    } else {
        const std::string what = Narrow(name);
        const long long held = DwordValue(ProductKey, name);
        if (Usable(held)) Violation("overwrote " + what + " = " + std::to_string(held));
        if (Contains(step.unknownSlots, slot)) Violation("wrote " + what + " after its read failed");
        if (type != REG_DWORD || size != sizeof(DWORD)) Violation(what + " written as another type");
        const long long start = RegistryStartType(ServiceCatalogue[SlotRow(slot)].name);
        if (value != start)
            Violation(what + " = " + std::to_string(value) + " but the start type is " + std::to_string(start));
        if (!Usable(value)) Violation(what + " backs up start type " + std::to_string(value) + ", which no restore sets");
    }
    if (Inject(SetValue)) return ERROR_ACCESS_DENIED;
    const LSTATUS status = below.RegSetValueExW(key, name, reserved, type, data, size);
    if (status == ERROR_SUCCESS && slot >= 0) step.written.push_back(slot);
    CheckLedger("after a write");
    return status;
}

LSTATUS WINAPI WrappedFlushKey(HKEY key)
{
    CheckLockHeld("RegFlushKey");
    if (Inject(FlushKey)) return ERROR_REGISTRY_IO_FAILED;
    const LSTATUS status = below.RegFlushKey(key);
    if (status != ERROR_SUCCESS) return status;
    const World now = Look();
    const int row = RowOfKey(key);
    if (IsStoreKey(key)) std::memcpy(durable.store, now.store, sizeof(now.store));
    if (row >= 0) {
        std::memcpy(durable.start, now.start, sizeof(now.start));
        step.flushedRows.push_back(row);
    }
    return status;
}

// backup first on the way off; on the way back, exactly what the slot owes
BOOL WINAPI WrappedChange(SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                          LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password, LPCWSTR display)
{
    MaybeSecondCopy(SecondCopyPercent);
    CheckLockHeld("ChangeServiceConfigW");
    CheckLedger("before a change");
    const std::wstring service = ServiceNameOf(h);
    const int row = RowOfService(service);
    const int slot = step.action == Apply ? HomeSlot : row;
    const long long before = row >= 0 ? RegistryStartType(service.c_str()) : -1;
    const long long saved = slot >= 0 ? DwordValue(ProductKey, SlotName(slot)) : -1;
    const bool turnOff = step.action == Disable || (step.action == Apply && start == SERVICE_DISABLED);
    const std::string what = Narrow(service) + " to " + std::to_string(start);
    if (row < 0 || (step.action != Apply && step.action != Disable && step.action != Restore)) {
        Violation("changed " + what + " outside a workflow");
    } else if (step.action == Disable && start != SERVICE_DISABLED) {
        Violation("batch disabling set " + what);
    } else if (turnOff && !Usable(before)) {
        Violation("turned off " + Narrow(service) + " from start type " + std::to_string(before) +
                  ", which no restore could set again");
    } else if (turnOff) {
        const long long owed = ledger[slot].owed ? ledger[slot].start : before;
        if (durable.store[slot] != owed)
            Violation("set " + what + " before its backup " + std::to_string(owed) + " was on disk");
    } else if (!Usable(start)) {
        Violation("a restore set " + what);
    } else {
        const long long owed = ledger[slot].owed ? ledger[slot].start : saved;
        if (saved < 0 || static_cast<long long>(start) != owed)
            Violation("restored " + what + " while " + Narrow(SlotName(slot)) + " owes " + std::to_string(owed));
    }
    if (Inject(ChangeConfig)) {
        step.refusedChange.push_back(row);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const BOOL ok = below.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password,
                                               display);
    if (!ok) {
        step.refusedChange.push_back(row);
        return ok;
    }
    step.changed.push_back({row, start});
    // the program's first change of this start type: from now on the slot owes it
    if (turnOff && slot >= 0 && !ledger[slot].owed && Usable(before)) ledger[slot] = {true, static_cast<DWORD>(before)};
    CheckLedger("after a change");
    return ok;
}

// a backup goes only after its start type was set back and is on disk, or as the
// roll-back of a write whose change did not happen
LSTATUS WINAPI WrappedDelete(HKEY key, LPCWSTR name)
{
    MaybeSecondCopy(SecondCopyPercent);
    CheckLockHeld("RegDeleteValueW");
    const int slot = SlotOfValue(name);
    const bool owned = slot >= 0 && (step.action == Apply) == (slot == HomeSlot) && step.action <= Restore;
    if (!owned) {
        Violation("deleted " + Narrow(name) + " during " + ActionNames[step.action]);
    } else {
        const int row = SlotRow(slot);
        const long long saved = DwordValue(ProductKey, name);
        const bool rollBack = Contains(step.written, slot) && !ChangedTo(row, SERVICE_DISABLED);
        const bool setBack = saved >= 0 && ChangedTo(row, static_cast<DWORD>(saved)) &&
                             RegistryStartType(ServiceCatalogue[row].name) == saved &&
                             Contains(step.flushedRows, row);
        if (!rollBack && !setBack) Violation("deleted " + Narrow(name) + " before its start type was back on disk");
    }
    if (Inject(DeleteValue)) {
        step.refusedDelete.push_back(slot);
        // a backup that could not be removed is one the program trusts from then on
        const long long left = slot >= 0 ? DwordValue(ProductKey, name) : -1;
        if (slot >= 0 && !ledger[slot].owed && Usable(left)) ledger[slot] = {true, static_cast<DWORD>(left)};
        return ERROR_ACCESS_DENIED;
    }
    const LSTATUS status = below.RegDeleteValueW(key, name);
    if (status == ERROR_SUCCESS && slot >= 0) {
        CheckLedger("at a deletion", slot);
        ledger[slot].owed = false;
    }
    return status;
}

SC_HANDLE WINAPI WrappedOpenManager(LPCWSTR machine, LPCWSTR database, DWORD access)
{
    MaybeSecondCopy(SecondCopyPercent);
    if (Inject(OpenManager)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return below.OpenSCManagerW(machine, database, access);
}

SC_HANDLE WINAPI WrappedOpenService(SC_HANDLE manager, LPCWSTR name, DWORD access)
{
    if ((access & SERVICE_CHANGE_CONFIG) && Inject(OpenService)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return below.OpenServiceW(manager, name, access);
}

BOOL WINAPI WrappedQueryStatus(SC_HANDLE service, LPSERVICE_STATUS status)
{
    MaybeSecondCopy(SecondCopyPercent);
    return below.QueryServiceStatus(service, status);
}

BOOL WINAPI WrappedControl(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status)
{
    MaybeSecondCopy(SecondCopyPercent);
    return below.ControlService(service, control, status);
}

// A refused create is never a lock had; in the stand-in namespace its mutex is a real one
// under the test's own name.
HANDLE WINAPI WrappedCreateMutex(LPSECURITY_ATTRIBUTES sa, BOOL owned, LPCWSTR name)
{
    MaybeSecondCopy(SecondCopyPercent);
    if (Inject(LockMutex)) {
        step.lockFault = true;
        SetLastError(Chance(50) ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (step.place == LockPlace::Namespace && name && std::wcscmp(name, NamespacedLock) == 0) name = NamespacedStandIn;
    return below.CreateMutexW(sa, owned, name);
}

// What the pass decides on is what the registry holds now: nothing else changes it while
// the lock is held.
DWORD WINAPI WrappedWait(HANDLE handle, DWORD ms)
{
    MaybeSecondCopy(SecondCopyPercent);
    const DWORD wait = below.WaitForSingleObject(handle, ms);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        inPass = true;
        step.passRan = true;
        step.atPass = Look();
        for (int row = 0; row < ServiceCount; ++row) step.checkedAtPass[row] = Checked(serviceToggles[row]);
    }
    return wait;
}

BOOL WINAPI WrappedRelease(HANDLE mutex)
{
    inPass = false;
    return below.ReleaseMutex(mutex);
}

// --- the lock's namespace, as a system that has private namespaces answers --------------

HANDLE const StandInBoundary = reinterpret_cast<HANDLE>(0x6100);
HANDLE const StandInSpace = reinterpret_cast<HANDLE>(0x6200);

void RefuseNamespace()
{
    step.faultHit = true;
    step.lockFault = true;
}

HANDLE WINAPI WrappedBoundary(LPCWSTR name, ULONG flags)
{
    if (step.place == LockPlace::Global) return below.CreateBoundaryDescriptorW(name, flags);
    ++boundariesOpen;
    return StandInBoundary;
}

BOOL WINAPI WrappedAddSid(HANDLE* boundary, PSID sid)
{
    // under Wine the real call ends the process
    if (!boundary || *boundary != StandInBoundary) {
        Violation("a SID added to a boundary descriptor that the system did not give");
        return FALSE;
    }
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) || !EqualSid(sid, administrators))
        Violation("the boundary asks for another group than Administrators");
    if (step.refusal != SpaceRefusal::Sid) return TRUE;
    RefuseNamespace();
    return FALSE;
}

HANDLE WINAPI WrappedCreateSpace(LPSECURITY_ATTRIBUTES, LPVOID boundary, LPCWSTR)
{
    if (boundary != StandInBoundary) Violation("a namespace created on another boundary");
    if (step.refusal == SpaceRefusal::Create) {
        RefuseNamespace();
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // another copy has it open
    if (step.refusal == SpaceRefusal::Open || Chance(50)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return nullptr;
    }
    ++spacesOpen;
    return StandInSpace;
}

HANDLE WINAPI WrappedOpenSpace(LPVOID boundary, LPCWSTR)
{
    if (boundary != StandInBoundary) Violation("a namespace opened on another boundary");
    if (step.refusal == SpaceRefusal::Open) {
        RefuseNamespace();
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    ++spacesOpen;
    return StandInSpace;
}

BOOLEAN WINAPI WrappedCloseSpace(HANDLE space, ULONG flags)
{
    if (space != StandInSpace) return below.ClosePrivateNamespace(space, flags);
    --spacesOpen;
    return TRUE;
}

VOID WINAPI WrappedDeleteBoundary(HANDLE boundary)
{
    if (boundary != StandInBoundary) return below.DeleteBoundaryDescriptor(boundary);
    --boundariesOpen;
}

// --- the user and the world around the program -------------------------------------------

// Boot, system and unknown start types, which the service manager does not set for a
// service program, are written into the registry directly, as another tool could.
void ChangeSomeStartType()
{
    static const DWORD types[] = {0, 1, 2, 2, 3, 3, 4, 4, 5};
    const World before = Look();
    const wchar_t* service = Installed[Random(InstalledCount)];
    const DWORD type = types[Random(sizeof(types) / sizeof(types[0]))];
    if (type >= SERVICE_AUTO_START && type <= SERVICE_DISABLED)
        ChangeStartTypeExternally(service, type);
    else
        SetDwordValue(ServiceKey(service).c_str(), L"Start", type);
    AfterOutsideWrite(before);
}

void PlantStrayValue()
{
    const World before = Look();
    const wchar_t* name = SlotName(static_cast<int>(Random(SlotCount)));
    const wchar_t text[] = L"2";
    const unsigned long long wide = 3;
    switch (Random(4)) {
    case 0: SetDwordValue(ProductKey, name, Random(8)); break;
    case 1: SetRawValue(ProductKey, name, REG_SZ, text, sizeof(text)); break;
    case 2: SetRawValue(ProductKey, name, REG_QWORD, &wide, sizeof(wide)); break;
    default: DeleteRawValue(ProductKey, name); break;
    }
    AfterOutsideWrite(before);
}

void TimerTick()
{
    RefreshSysMainStatus();
    RefreshServiceList();
}

// The confirmation may be answered either way; while it is open a timer tick may run, and
// another program or another copy may change things with no tick to show it.
int WINAPI AnswerBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    if (owner != mainWindow || std::wcscmp(caption, BoxText::Caption) != 0) Violation("box owner or caption");
    if (inPass) Violation("a box shown while the lock is held");
    if (type != (MB_ICONWARNING | MB_YESNO)) {
        step.resultText = text;
        step.resultType = type;
        return IDOK;
    }
    step.asked = true;
    step.question = text;
    step.faultBeforeQuestion = step.faultHit;
    if (Chance(30)) ChangeSomeStartType();
    if (Chance(10)) PlantStrayValue();
    MaybeSecondCopy(30);
    if (Chance(30)) TimerTick();
    step.answeredYes = Chance(80);
    return step.answeredYes ? IDYES : IDNO;
}

void RunApply()
{
    // the user flips toggle 101 first, or clicks Apply on what the toggle shows
    if (Chance(70)) {
        toggleTouched = true;
        SetChecked(autoStartToggle, Chance(50));
    }
    SetChecked(stopServiceToggle, Chance(50));
    ApplySysMainToggle();
    toggleTouched = false;
    RefreshSysMainStatus();
}

void RunDisable()
{
    // the toggles' enabled states are those of the last refresh; sometimes the page was
    // just shown again (a refresh costs seven service manager connections under Wine)
    if (Chance(25)) RefreshServiceList();
    for (int i = 0; i < ServiceCount; ++i) {
        const bool check = Enabled(serviceToggles[i]) && Chance(50);
        SetChecked(serviceToggles[i], check);
        if (check) step.checkedRows.push_back(i);
    }
    DisableSelectedServices();
}

// --- what each step must have left ------------------------------------------------------

bool HitOneOf(std::initializer_list<Fault> kinds)
{
    if (!step.faultHit) return false;
    for (Fault kind : kinds)
        if (step.fault == kind) return true;
    return false;
}

// The Home page's result box, from what the test knows: the question it was asked, and
// SysMain's start type and OriginalStart as the pass found them. Where that leaves the
// outcome open, only a refusal the test injected may turn success into failure.
void CheckApplyBox()
{
    const std::wstring& box = step.resultText;
    const bool turnOff = step.question == BoxText::AskTurnOff;
    const bool off = ChangedTo(0, SERVICE_DISABLED);
    bool back = false;
    DWORD backTo = 0;
    for (const auto& change : step.changed)
        if (change.first == 0 && change.second != SERVICE_DISABLED) back = true, backTo = change.second;
    if ((box == BoxText::TurnedOff) != off) Violation("turn-off box and change disagree");
    if ((box == BoxText::Restored) != back) Violation("restore box and change disagree");
    if (box.empty()) Violation("no result box after Yes");
    const std::wstring failed = turnOff ? BoxText::TurnOffFailed : BoxText::RestoreFailed;

    if (step.passRan && step.lockFault) Violation("the pass ran, though the lock's mutex or namespace was refused");
    if (!step.passRan) {
        if (!step.lockFault) Violation("the lock was not had, and nothing refused it");
        if (box != failed) Violation("the lock was not had, yet the box is not the failure box");
        return;
    }
    const long long start = step.atPass.start[0];
    const long long saved = step.atPass.store[HomeSlot];
    std::wstring expected;  // the only box the registry allows, if it decides alone
    if (Contains(step.unreadableRows, 0))
        expected = failed;
    else if (turnOff && start == SERVICE_DISABLED)
        expected = BoxText::AlreadyOff;
    else if (turnOff && !Usable(start))
        expected = BoxText::TurnOffFailed;
    else if (!turnOff && start != SERVICE_DISABLED)
        expected = BoxText::AlreadyOn;
    else if (!turnOff && (!Usable(saved) || Contains(step.unknownSlots, HomeSlot)))
        expected = BoxText::NoBackup;
    if (!expected.empty()) {
        if (box != expected)
            Violation("SysMain at " + std::to_string(start) + ", OriginalStart " + std::to_string(saved) +
                      ": expected the box \"" + Narrow(expected) + "\"");
        return;
    }
    if (turnOff) {
        if (box == BoxText::BackupFailed && !HitOneOf({CreateKey, SetValue, FlushKey, OpenStore, ReadBackup}))
            Violation("backup failure box without a failed backup");
        if (box == BoxText::TurnOffFailed && !HitOneOf({ChangeConfig, ChangeAndDelete, OpenManager, OpenService}))
            Violation("change failure box without a failed change");
        if (box != BoxText::TurnedOff && box != BoxText::BackupFailed && box != BoxText::TurnOffFailed)
            Violation("a turn-off ended with another box");
        return;
    }
    // a restore that reports success has put back what the store held (the other copy may
    // have acted since, in the refresh after the box)
    if (box == BoxText::Restored && backTo != saved)
        Violation("'restored' SysMain to " + std::to_string(backTo) + " while OriginalStart held " +
                  std::to_string(saved));
    if (box == BoxText::RestoreFailed && !HitOneOf({ChangeConfig, ChangeAndDelete, OpenManager, OpenService}))
        Violation("restore failure box without a failed change");
    if (box != BoxText::Restored && box != BoxText::RestoreFailed) Violation("a restore ended with another box");
}

// The rows named in a confirmation, by their labels.
bool Lists(const std::wstring& question, int row)
{
    return question.find(L"\u2022 " + std::wstring(ServiceCatalogue[row].label) + L"\n") != std::wstring::npos;
}

// The batch: the question lists the rows the test checked whose service was there and not
// disabled; the pass then owes a turn-off to each listed row whose toggle is still checked
// and whose start type a restore could set again. A listed row that is gone, unreadable or
// at a start type no restore sets is a failure, and so is the lock not had.
bool CheckDisable()
{
    std::vector<int> offered;
    for (int row : step.checkedRows)
        if (step.atCall.start[row] >= 0 && step.atCall.start[row] != SERVICE_DISABLED) offered.push_back(row);
    // the other copy, or a refused read, may change what the listing finds
    const bool settled = !step.movedBeforeQuestion && !(step.asked ? step.faultBeforeQuestion : step.faultHit);
    if (step.resultText == BoxText::SelectFirst && !step.asked) {
        if (!offered.empty() && settled) Violation("'select first' with rows checked");
        return false;
    }
    for (int row = 0; row < ServiceCount; ++row) {
        const bool listed = Lists(step.question, row);
        if (listed && !Contains(step.checkedRows, row)) Violation("the question lists unchecked row " + std::to_string(row));
        if (listed != Contains(offered, row) && settled)
            Violation("the question " + std::string(listed ? "lists" : "leaves out") + " row " + std::to_string(row));
        if (!listed && ChangedTo(row, SERVICE_DISABLED)) Violation("turned off a row the user was not asked about");
    }
    if (!step.answeredYes) return false;
    if (!step.passRan) return true;
    bool failed = false;
    for (int row = 0; row < ServiceCount; ++row) {
        if (!Lists(step.question, row)) continue;
        const long long start = step.atPass.start[row];
        if (Contains(step.unreadableRows, row) || start < 0) {
            failed = true;  // gone, or no longer readable
        } else if (!step.checkedAtPass[row] || start == SERVICE_DISABLED) {
            // nothing to do: off already, or unchecked by a tick that found it off
        } else if (!Usable(start)) {
            failed = true;
        } else if (!ChangedTo(row, SERVICE_DISABLED)) {
            failed = true;
            if (!step.faultHit) Violation("row " + std::to_string(row) + " was not turned off, and nothing refused it");
        }
    }
    return failed;
}

// The batch restore: the question lists the backups present when it began; the pass owes
// each backup present when it took the lock its start type, if a restore can set it and
// the service is there; every other present backup is a failure.
bool CheckRestore()
{
    bool present = false;
    for (int row = 0; row < ServiceCount; ++row) {
        const bool saved = step.atCall.store[row] >= 0;
        present = present || saved;
        if (step.asked && Lists(step.question, row) != saved && !step.movedBeforeQuestion)
            Violation("the question and the store disagree on row " + std::to_string(row));
    }
    if ((step.resultText == BoxText::NothingSaved && !step.asked) == present && !step.movedBeforeQuestion)
        Violation("'nothing saved' and the store disagree");
    if (!step.answeredYes) return false;
    if (!step.passRan) return true;
    // a backup that could not be read may be there: it is never skipped as if absent
    bool failed = step.storeReadFault;
    for (int row = 0; row < ServiceCount; ++row) {
        const long long saved = step.atPass.store[row];
        if (saved < 0) continue;
        if (Contains(step.unknownSlots, row) || !Usable(saved) || step.atPass.start[row] < 0) {
            failed = true;
        } else if (!ChangedTo(row, static_cast<DWORD>(saved))) {
            failed = true;
            if (!step.faultHit) Violation("row " + std::to_string(row) + " was not restored, and nothing refused it");
        }
    }
    return failed;
}

void CheckBatchBox()
{
    const bool failed = step.action == Disable ? CheckDisable() : CheckRestore();
    if (!step.answeredYes) return;
    if (step.passRan && step.lockFault) Violation("the pass ran, though the lock's mutex or namespace was refused");
    if (!step.passRan && !step.lockFault) Violation("the lock was not had, and nothing refused it");
    const wchar_t* expected = step.action == Disable ? (failed ? BoxText::SomeFailed : BoxText::AllDisabled)
                                                     : (failed ? BoxText::SomeKept : BoxText::AllRestored);
    if (step.resultText != expected)
        Violation(std::string(ActionNames[step.action]) + " ended with box type " + std::to_string(step.resultType) +
                  ", expected \"" + Narrow(expected) + "\"");
}

void CheckAfterStep()
{
    CheckLedger("after the step");
    if (boundariesOpen != 0 || spacesOpen != 0) Violation("the lock's namespace or boundary left open");
    if (step.action > Restore) return;
    // roll back: a backup written for a change that did not happen is gone, unless its
    // deletion was refused
    const World now = Look();
    for (int slot : step.written) {
        const int row = SlotRow(slot);
        if (!ChangedTo(row, SERVICE_DISABLED) && now.store[slot] >= 0 && !Contains(step.refusedDelete, slot) &&
            !Contains(step.outsideSlots, slot))
            Violation(Narrow(SlotName(slot)) + " was written for a change that did not happen and is still there");
    }
    // nothing to ask about, or No: nothing happens
    if (!step.answeredYes) {
        if ((step.asked && !step.resultText.empty()) || !step.changed.empty() || !step.written.empty())
            Violation("something happened without a Yes");
    }
    if (step.action == Apply) {
        if (step.answeredYes) CheckApplyBox();
    } else {
        CheckBatchBox();
    }
}

unsigned long FromEnvironment(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    return std::strtoul(text, nullptr, 10);
}

std::string Describe(unsigned long index)
{
    std::string text = "step " + std::to_string(index) + ": " + ActionNames[step.action];
    static const char* const refused[] = {"", "AddSIDToBoundaryDescriptor", "CreatePrivateNamespaceW",
                                          "OpenPrivateNamespaceW"};
    if (step.fault == NamespaceCall)
        text += std::string(", every ") + refused[static_cast<int>(step.refusal)] + " refused" +
                (step.faultHit ? " (hit)" : " (not reached)");
    else if (step.fault != NoFault)
        text += std::string(", fault at call ") + std::to_string(step.faultAt) + " of " + FaultNames[step.fault] +
                (step.faultHit ? " (hit)" : " (not reached)");
    if (step.place == LockPlace::Namespace) text += ", lock in a private namespace";
    return text;
}

Fault PickFault(Action action)
{
    // a restore neither creates the key nor writes a value
    static const Fault forRestore[] = {DeleteValue, ChangeConfig, FlushKey,    OpenStore,    ReadBackup,
                                       OpenManager, OpenService,  LockMutex, NamespaceCall};
    if (action == Restore) return forRestore[Random(sizeof(forRestore) / sizeof(forRestore[0]))];
    return static_cast<Fault>(Random(FaultCount));
}

class Guarantee : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearBackupStore();
        const DWORD starts[] = {SERVICE_AUTO_START, SERVICE_DEMAND_START, 0, SERVICE_DEMAND_START,
                                SERVICE_AUTO_START, SERVICE_DEMAND_START};
        for (int i = 0; i < InstalledCount; ++i) {
            if (i == 2) continue;  // Wine's own Spooler
            ASSERT_TRUE(world.Add(Installed[i], starts[i], false));
        }
        ASSERT_FALSE(ServiceExists(L"RemoteRegistry"));
        for (Promise& promise : ledger) promise = Promise();
        inPass = false;
        keyPaths.clear();
        secondCopyActed = secondCopyBlocked = 0;
        boundariesOpen = spacesOpen = 0;
    }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    StartTypeGuard spooler{L"Spooler"};
    ServiceWorld world;
    StandInWindow window;
    CountingSeam seam;
};

}  // namespace

TEST_F(Guarantee, NoSavedStartTypeIsEverLost)
{
    const unsigned long seed = FromEnvironment("TARVIX_GUARANTEE_SEED", DefaultSeed);
    const unsigned long steps = FromEnvironment("TARVIX_GUARANTEE_STEPS", DefaultSteps);
    rng.seed(static_cast<std::mt19937::result_type>(seed));

    TrackServiceNames();
    below = osApi;
    osApi.RegOpenKeyExW = WrappedOpenKey;
    osApi.RegCreateKeyExW = WrappedCreateKey;
    osApi.RegCloseKey = WrappedCloseKey;
    osApi.RegQueryValueExW = WrappedQueryValue;
    osApi.RegSetValueExW = WrappedSetValue;
    osApi.RegFlushKey = WrappedFlushKey;
    osApi.RegDeleteValueW = WrappedDelete;
    osApi.ChangeServiceConfigW = WrappedChange;
    osApi.OpenSCManagerW = WrappedOpenManager;
    osApi.OpenServiceW = WrappedOpenService;
    osApi.QueryServiceStatus = WrappedQueryStatus;
    osApi.ControlService = WrappedControl;
    osApi.CreateMutexW = WrappedCreateMutex;
    osApi.WaitForSingleObject = WrappedWait;
    osApi.ReleaseMutex = WrappedRelease;
    osApi.CreateBoundaryDescriptorW = WrappedBoundary;
    osApi.AddSIDToBoundaryDescriptor = WrappedAddSid;
    osApi.CreatePrivateNamespaceW = WrappedCreateSpace;
    osApi.OpenPrivateNamespaceW = WrappedOpenSpace;
    osApi.ClosePrivateNamespace = WrappedCloseSpace;
    osApi.DeleteBoundaryDescriptor = WrappedDeleteBoundary;
    osApi.MessageBoxW = AnswerBox;

    RefreshSysMainStatus();
    int armed[FaultCount] = {}, hit[FaultCount] = {};
    int actions[ActionCount] = {};
    unsigned long done = 0;
    ULONGLONG slowest = 0;
    std::string slowestStep;
    for (; done < steps; ++done) {
        const ULONGLONG began = GetTickCount64();
        static const Action weighted[] = {Apply,   Apply,    Apply,    Disable,  Disable, Restore,
                                          Restore, External, External, External, Tamper};
        step = Step();
        step.action = weighted[Random(sizeof(weighted) / sizeof(weighted[0]))];
        if (step.action <= Restore && Chance(45)) {
            step.fault = PickFault(step.action);
            // Apply makes few calls of each kind; the batches one or more per row
            const bool once = step.action == Apply || step.fault == CreateKey || step.fault == LockMutex;
            const unsigned range = step.fault == OpenManager ? 6 : once ? 1 : 3;
            step.faultAt = 1 + static_cast<int>(Random(range));
            ++armed[step.fault];
        }
        // a namespace refused is refused on every call of its kind in the step
        if (step.fault == NamespaceCall) step.refusal = static_cast<SpaceRefusal>(1 + Random(3));
        step.place = step.fault == NamespaceCall || Chance(30) ? LockPlace::Namespace : LockPlace::Global;
        step.atCall = durable = Look();
        switch (step.action) {
        case Apply: RunApply(); break;
        case Disable: RunDisable(); break;
        case Restore: RestoreSavedServices(); break;
        case External:
            ChangeSomeStartType();
            if (Chance(30)) TimerTick();
            break;
        default: PlantStrayValue(); break;
        }
        if (inPass) Violation("the lock was not given back");
        if (GetTickCount64() - began > slowest) {
            slowest = GetTickCount64() - began;
            slowestStep = Describe(done);
        }
        CheckAfterStep();
        ++actions[step.action];
        if (step.fault == ChangeAndDelete ? step.bothHit : step.faultHit) ++hit[step.fault];
        if (!step.violations.empty()) {
            std::string all;
            for (const auto& v : step.violations) all += "\n  " + v;
            ADD_FAILURE() << "seed " << seed << ", " << Describe(done) << all;
            break;
        }
    }

    int injected = 0;
    for (int n : hit) injected += n;
    std::printf("guarantee: seed %lu, %lu of %lu steps (apply %d, disable %d, restore %d, outside %d, stray %d)\n",
                seed, done, steps, actions[Apply], actions[Disable], actions[Restore], actions[External],
                actions[Tamper]);
    std::printf("guarantee: slowest %s, %llu ms\n", slowestStep.c_str(), slowest);
    std::printf("guarantee: second copy ran %d passes and was kept out by the lock %d times\n", secondCopyActed,
                secondCopyBlocked);
    std::printf("guarantee: %d injected faults reached and checked:", injected);
    for (int k = 0; k < FaultCount; ++k) std::printf(" %s %d of %d armed;", FaultNames[k], hit[k], armed[k]);
    std::printf("\n");
    // a sequence that never reaches a refusal of each kind, or never meets the other copy,
    // proves little
    for (int k = 0; k < FaultCount; ++k) EXPECT_GT(hit[k], 0) << FaultNames[k];
    EXPECT_GT(secondCopyActed, 0);
    EXPECT_GT(secondCopyBlocked, 0);
}
