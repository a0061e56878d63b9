#include "support/GuaranteeSeam.h"
#include <cstring>
#include <cwchar>
#include <map>
#include "common/OsApi.h"
#include "support/Checks.h"
#include "support/OtherCopyLock.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "ui/WindowState.h"

namespace guarantee {

std::mt19937 rng;
unsigned Random(unsigned n) { return static_cast<unsigned>(rng() % n); }
bool Chance(unsigned percent) { return Random(100) < percent; }

Step step;
bool inPass = false;
int secondCopyActed = 0, secondCopyBlocked = 0;
int valuesPutBack = 0;
int boundariesOpen = 0, spacesOpen = 0;

namespace {

const std::wstring StoreKey = L"SOFTWARE\\TarvixMini";
OsApi below;
std::map<HKEY, std::wstring> keyPaths;

// the name under which another copy takes the lock in this step
const wchar_t* OtherCopysLockName()
{
    return step.place == LockPlace::Namespace ? NamespacedStandIn : GlobalStoreLockName;
}

}  // namespace

void Violation(const std::string& what) { step.violations.push_back(what); }

bool ChangedTo(int row, DWORD start)
{
    return Contains(step.changed, std::make_pair(row, start));
}

namespace {

bool Inject(OsFault kind)
{
    if (step.fault == ChangeAndDelete) {
        if (kind == ChangeConfig) {
            if (++step.calls[Index(ChangeAndDelete)] != step.faultAt) return false;
            step.faultHit = true;
            return true;
        }
        // the roll-back right after the refused change: the deletion of a copy the pass
        // created, or the put-back of what it replaced
        if ((kind != DeleteValue && kind != SetValue) || step.refusedChange.empty() || step.bothHit) return false;
        step.bothHit = true;
        return true;
    }
    if (step.fault != kind || ++step.calls[Index(kind)] != step.faultAt) return false;
    step.faultHit = true;
    return true;
}

// --- a second copy of the program --------------------------------------------------------

// One pass of another copy, by the same rules, with raw calls: turn one service off (the
// Home page's way for SysMain or the batch's way), or put back what a store value holds.
void SecondCopyPass()
{
    const World now = Look();
    const int row = RowOfService(Installed[Random(InstalledCount)].name);
    const bool home = row == 0 && Chance(50);
    const int slot = home ? HomeSlot : row;
    const wchar_t* service = ServiceCatalogue[row].name;
    if (Chance(50)) {
        // a copy of today's program checks that the store lasts before it turns anything off
        if (!Usable(now.start[row]) || storeVolatile) return;
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

}  // namespace

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
    NoteOutsideWrite(before);
}

namespace {

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

// A backup the program trusts from then on: one whose deletion or roll-back was refused.
// In a volatile store it is owed nothing, as every value there.
void TrustLeftValue(int slot, const wchar_t* name)
{
    const long long left = slot >= 0 ? DwordValue(ProductKey, name) : -1;
    if (slot >= 0 && !storeVolatile && !ledger[slot].owed && Usable(left)) ledger[slot] = {true, static_cast<DWORD>(left)};
}

LSTATUS WINAPI WrappedOpenKey(HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key)
{
    MaybeSecondCopy(SecondCopyPercent);
    // a deletion or a roll-back opens the store to write; refused, the value stays as it is
    const bool storeWrite = Same(path, StoreKey.c_str()) && (sam & KEY_SET_VALUE);
    if (storeWrite && inPass && Inject(OpenKey)) {
        if (!step.refusedChange.empty()) {
            const int slot = step.action == Apply ? HomeSlot : step.refusedChange.back();
            if (slot >= 0 && Contains(step.written, slot)) {
                step.refusedDelete.push_back(slot);
                TrustLeftValue(slot, SlotName(slot));
            }
        }
        return ERROR_ACCESS_DENIED;
    }
    const bool backupRead = Same(path, StoreKey.c_str()) && (sam & KEY_QUERY_VALUE) && !(sam & KEY_SET_VALUE);
    if (backupRead && inPass && Inject(OpenKey)) {
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
    if (slot >= 0 && inPass && Inject(ReadValue)) {
        step.storeReadFault = true;
        step.unknownSlots.push_back(slot);
        return Chance(50) ? ERROR_ACCESS_DENIED : ERROR_NOT_ENOUGH_MEMORY;
    }
    const int row = RowOfKey(key);
    if (inPass && row >= 0 && name && _wcsicmp(name, L"Start") == 0) {
        step.currentRow = row;
        // the first read decides on the row; a later one confirms what the pass did
        const bool deciding = step.startReads[row]++ == 0;
        if (Inject(deciding ? ReadStart : ReadBack)) {
            (deciding ? step.unreadableRows : step.readBackRefused).push_back(row);
            return ERROR_ACCESS_DENIED;
        }
    }
    return below.RegQueryValueExW(key, name, reserved, type, data, size);
}

// no overwrite of a backup that can restore, or of one whose read failed; the value is
// the start type of its service as it stands. A second write of the slot in the pass is
// the roll-back of the first, whose change did not happen: it puts back exactly what the
// slot held when the pass began.
LSTATUS WINAPI WrappedSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    MaybeSecondCopy(SecondCopyPercent);
    CheckLockHeld("RegSetValueExW");
    const int slot = SlotOfValue(name);
    DWORD value = 0;
    if (data && size == sizeof(value)) std::memcpy(&value, data, sizeof(value));
    const bool owned = slot >= 0 && (step.action == Apply) == (slot == HomeSlot);
    const bool putBack = owned && Contains(step.written, slot) && !ChangedTo(SlotRow(slot), SERVICE_DISABLED);
    if (putBack) {
        const auto before = step.storeAtPass.values.find(name);
        const StoreImage::Value written{type, std::vector<BYTE>(data, data + size)};
        if (before == step.storeAtPass.values.end() || !(before->second == written))
            Violation("put back " + Narrow(name) + " as another value than the pass found (" +
                      DescribeStoreValue(step.storeAtPass, name) + ")");
    } else if (!owned || step.action == Restore) {
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
    // under a refused change and roll-back, only the put-back is refused, never a write
    if ((step.fault != ChangeAndDelete || putBack) && Inject(SetValue)) {
        if (putBack) {
            step.refusedDelete.push_back(slot);
            TrustLeftValue(slot, name);
        }
        return ERROR_ACCESS_DENIED;
    }
    const LSTATUS status = below.RegSetValueExW(key, name, reserved, type, data, size);
    if (status == ERROR_SUCCESS && slot >= 0 && !putBack) step.written.push_back(slot);
    if (status == ERROR_SUCCESS && putBack) ++valuesPutBack;
    CheckLedger("after a write", step.violations);
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
    // a volatile key is never on disk, flushed or not
    if (IsStoreKey(key) && !storeVolatile) std::memcpy(durable.store, now.store, sizeof(now.store));
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
    CheckLedger("before a change", step.violations);
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
    CheckLedger("after a change", step.violations);
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
        TrustLeftValue(slot, name);
        return ERROR_ACCESS_DENIED;
    }
    const LSTATUS status = below.RegDeleteValueW(key, name);
    if (status == ERROR_SUCCESS && slot >= 0) {
        CheckLedger("at a deletion", step.violations, slot);
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
    if ((access & SERVICE_CHANGE_CONFIG) && Inject(OsFault::OpenService)) {
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
        step.storeAtPass = LookAtStore();
        for (int row = 0; row < ServiceCount; ++row) step.checkedAtPass[row] = Checked(serviceToggles[row]);
    }
    return wait;
}

// A pass leaves every value of the store as it found it, byte for byte, but the backup of
// a start type that it changed (a refused roll-back aside), and leaves no subkey behind.
void CheckStoreKept()
{
    const StoreImage now = LookAtStore();
    if (now.subkeys != step.storeAtPass.subkeys) Violation("the pass left the store's subkeys changed");
    std::vector<std::wstring> names;
    for (const auto& entry : step.storeAtPass.values) names.push_back(entry.first);
    for (const auto& entry : now.values) names.push_back(entry.first);
    for (const std::wstring& name : names) {
        const int slot = SlotOfValue(name.c_str());
        const bool owned = slot >= 0 && (step.action == Apply) == (slot == HomeSlot);
        bool changedItsRow = false;
        for (const auto& change : step.changed) changedItsRow = changedItsRow || change.first == SlotRow(slot);
        if ((owned && changedItsRow) || Contains(step.refusedDelete, slot)) continue;
        const std::string before = DescribeStoreValue(step.storeAtPass, name.c_str());
        const std::string after = DescribeStoreValue(now, name.c_str());
        if (before != after)
            Violation("the pass changed no start type of " + Narrow(name) + "'s, yet it went from " + before + " to " +
                      after);
    }
}

BOOL WINAPI WrappedRelease(HANDLE mutex)
{
    if (inPass) CheckStoreKept();
    inPass = false;
    return below.ReleaseMutex(mutex);
}

// --- the lock's namespace, as a system that has private namespaces answers --------------

HANDLE const StandInBoundary = reinterpret_cast<HANDLE>(0x6100);
HANDLE const StandInSpace = reinterpret_cast<HANDLE>(0x6200);
bool labelled = false;  // the boundary of now carries the High integrity label

void RefuseNamespace()
{
    step.faultHit = true;
    step.lockFault = true;
}

HANDLE WINAPI WrappedBoundary(LPCWSTR name, ULONG flags)
{
    if (step.place == LockPlace::Global) return below.CreateBoundaryDescriptorW(name, flags);
    ++boundariesOpen;
    labelled = false;
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

BOOL WINAPI WrappedAddLabel(HANDLE* boundary, PSID label)
{
    if (!boundary || *boundary != StandInBoundary) {
        Violation("an integrity label added to a boundary descriptor that the system did not give");
        return FALSE;
    }
    BYTE high[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(high);
    if (!CreateWellKnownSid(WinHighLabelSid, nullptr, high, &size) || !EqualSid(label, high))
        Violation("the boundary's integrity label is not High");
    if (step.refusal != SpaceRefusal::Label) {
        labelled = true;
        return TRUE;
    }
    RefuseNamespace();
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

HANDLE WINAPI WrappedCreateSpace(LPSECURITY_ATTRIBUTES, LPVOID boundary, LPCWSTR)
{
    if (boundary != StandInBoundary) Violation("a namespace created on another boundary");
    if (!labelled) Violation("a namespace created on a boundary with no integrity label");
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
    if (!labelled) Violation("a namespace opened on a boundary with no integrity label");
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

}  // namespace

void NoteOutsideWrite(const World& before)
{
    for (int slot : AfterOutsideWrite(before)) step.outsideSlots.push_back(slot);
}

void ResetSeamRecord()
{
    inPass = false;
    storeVolatile = false;
    keyPaths.clear();
    secondCopyActed = secondCopyBlocked = 0;
    valuesPutBack = 0;
    boundariesOpen = spacesOpen = 0;
}

void InstallGuaranteeSeam()
{
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
    osApi.AddIntegrityLabelToBoundaryDescriptor = WrappedAddLabel;
    osApi.CreatePrivateNamespaceW = WrappedCreateSpace;
    osApi.OpenPrivateNamespaceW = WrappedOpenSpace;
    osApi.ClosePrivateNamespace = WrappedCloseSpace;
    osApi.DeleteBoundaryDescriptor = WrappedDeleteBoundary;
}

}  // namespace guarantee
