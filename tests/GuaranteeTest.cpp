// The backup guarantee, checked over long random sequences of the three workflows,
// start-type changes made by other programs, stray values in the store and refusals of
// single OS calls. Wrappers over the seam look at the registry at the moment of every
// write, change and delete; after every step the store is compared with what it was.
//
//   TARVIX_GUARANTEE_SEED   seed of the sequence (printed; the default is fixed)
//   TARVIX_GUARANTEE_STEPS  number of steps (default 1500)
// A step costs 10 to 35 ms under Wine, most of it in service manager connections (every
// operation opens its own), so the default stays well inside ctest's time-out. For long
// runs start the test program directly, e.g.
//   TARVIX_GUARANTEE_STEPS=50000 build/wine-run.sh build/TarvixTests.exe --gtest_filter=Guarantee.*
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "service/SysMainStatus.h"
#include "service/Workflows.h"
#include "support/OsSeam.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "support/WorkflowWindow.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

namespace {

constexpr unsigned long DefaultSeed = 4401;
constexpr unsigned long DefaultSteps = 1500;

enum Action { Apply, Disable, Restore, External, Tamper, ActionCount };
const char* const ActionNames[ActionCount] = {"apply", "disable", "restore", "external change", "stray value"};
enum Fault { CreateKey, SetValue, DeleteValue, ChangeConfig, FaultCount, NoFault = FaultCount };
const char* const FaultNames[FaultCount] = {"RegCreateKeyExW", "RegSetValueExW", "RegDeleteValueW",
                                            "ChangeServiceConfigW"};

// the services of the run: RemoteRegistry stays missing, Spooler is Wine's own
const wchar_t* const Installed[] = {L"SysMain", L"WSearch", L"Spooler", L"Fax", L"XblAuthManager", L"MapsBroker"};

std::mt19937 rng;
unsigned Random(unsigned n) { return static_cast<unsigned>(rng() % n); }
bool Chance(unsigned percent) { return Random(100) < percent; }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// What the store and the start types hold: rows in catalogue order, then OriginalStart.
struct World {
    long long start[ServiceCount];
    long long backup[ServiceCount];
    long long original;
};

World Look()
{
    World w;
    for (int i = 0; i < ServiceCount; ++i) {
        w.start[i] = RegistryStartType(ServiceCatalogue[i].name);
        w.backup[i] = DwordValue(ProductKey, ServiceCatalogue[i].backupName);
    }
    w.original = DwordValue(ProductKey, L"OriginalStart");
    return w;
}

// Everything the wrappers learn during one step.
struct Step {
    Action action = External;
    Fault fault = NoFault;
    int faultAt = 0;  // the n-th call of that kind fails
    int calls[FaultCount] = {};
    bool faultHit = false;
    bool answeredYes = false;
    UINT lastBox = 0;
    World before = {};
    std::vector<std::wstring> written;         // backup values written
    std::vector<std::wstring> refusedChange;   // services whose change failed
    std::vector<std::wstring> refusedDelete;   // values whose deletion failed
    std::vector<std::pair<std::wstring, DWORD>> changed;  // services set, and to what
    std::vector<std::string> violations;
};
Step step;
OsApi below;

void Violation(const std::string& what) { step.violations.push_back(what); }

bool Same(const std::wstring& a, const wchar_t* b) { return b && _wcsicmp(a.c_str(), b) == 0; }

bool Contains(const std::vector<std::wstring>& list, const wchar_t* item)
{
    for (const auto& entry : list)
        if (Same(entry, item)) return true;
    return false;
}

int RowOfService(const wchar_t* service)
{
    for (int i = 0; i < ServiceCount; ++i)
        if (Same(ServiceCatalogue[i].name, service)) return i;
    return -1;
}

// the service whose start type a backup value keeps
const wchar_t* ServiceOfBackup(const wchar_t* value)
{
    if (_wcsicmp(value, L"OriginalStart") == 0) return L"SysMain";
    for (const ServiceEntry& entry : ServiceCatalogue)
        if (_wcsicmp(value, entry.backupName) == 0) return entry.name;
    return nullptr;
}

// the backup the running workflow keeps for a service
const wchar_t* BackupOfService(const wchar_t* service)
{
    if (step.action == Apply) return L"OriginalStart";
    int row = RowOfService(service);
    return row < 0 ? nullptr : ServiceCatalogue[row].backupName;
}

// the Home page's workflow keeps OriginalStart alone, the batch ones the Bk_ values
bool OwnsValue(const wchar_t* value)
{
    const bool original = _wcsicmp(value, L"OriginalStart") == 0;
    if (step.action == Apply) return original;
    return !original && ServiceOfBackup(value) && (step.action == Disable || step.action == Restore);
}

bool Inject(Fault kind)
{
    ++step.calls[kind];
    if (step.fault != kind || step.calls[kind] != step.faultAt) return false;
    step.faultHit = true;
    return true;
}

LSTATUS WINAPI CheckedCreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                                LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (Inject(CreateKey)) return ERROR_ACCESS_DENIED;
    return below.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
}

// no overwrite: the value is absent now; it holds the start type the workflow read
LSTATUS WINAPI CheckedSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    const std::string what = Narrow(name);
    DWORD value = 0;
    if (data && size == sizeof(value)) std::memcpy(&value, data, sizeof(value));
    if (!OwnsValue(name) || step.action == Restore) {
        Violation("wrote " + what + " during " + ActionNames[step.action]);
    } else {
        if (DwordValue(ProductKey, name) >= 0) Violation("overwrote " + what + " while it was present");
        if (type != REG_DWORD || size != sizeof(DWORD)) Violation(what + " written as another type");
        const long long read = step.action == Apply ? static_cast<long long>(SysMainStatus.start)
                                                    : RegistryStartType(ServiceOfBackup(name));
        if (value != read)
            Violation(what + " = " + std::to_string(value) + " but the start type read was " + std::to_string(read));
        if (value == SERVICE_DISABLED) Violation(what + " backs up a disabled start type");
    }
    if (Inject(SetValue)) return ERROR_ACCESS_DENIED;
    LSTATUS status = below.RegSetValueExW(key, name, reserved, type, data, size);
    if (status == ERROR_SUCCESS) step.written.push_back(name);
    return status;
}

// backup first: a turn-off finds the backup present; a restore puts back what its backup holds
BOOL WINAPI CheckedChange(SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                          LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password, LPCWSTR display)
{
    const std::wstring service = ServiceNameOf(h);
    const wchar_t* backup = BackupOfService(service.c_str());
    const long long saved = backup ? DwordValue(ProductKey, backup) : -1;
    const std::string what = Narrow(service) + " to " + std::to_string(start);
    const bool turnOff = (step.action == Apply && start == SERVICE_DISABLED) || step.action == Disable;
    if (step.action != Apply && step.action != Disable && step.action != Restore)
        Violation("changed " + what + " outside a workflow");
    else if (step.action == Disable && start != SERVICE_DISABLED)
        Violation("batch disabling set " + what);
    else if (turnOff && saved < 0)
        Violation("set " + what + " without its backup present");
    else if (!turnOff && saved != start)
        Violation("restored " + what + " while its backup holds " + std::to_string(saved));
    if (Inject(ChangeConfig)) {
        step.refusedChange.push_back(service);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    BOOL ok = below.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
    if (ok)
        step.changed.push_back({service, start});
    else
        step.refusedChange.push_back(service);
    return ok;
}

// a backup goes only after its start type was set back, or as the roll-back of a write
// whose change was refused in this same step
LSTATUS WINAPI CheckedDelete(HKEY key, LPCWSTR name)
{
    const wchar_t* service = ServiceOfBackup(name);
    if (!OwnsValue(name)) {
        Violation("deleted " + Narrow(name) + " during " + ActionNames[step.action]);
    } else {
        const bool rollBack = Contains(step.written, name) && Contains(step.refusedChange, service);
        const long long saved = DwordValue(ProductKey, name);
        bool setBack = false;
        for (const auto& change : step.changed)
            if (Same(change.first, service) && change.second == saved) setBack = true;
        setBack = setBack && RegistryStartType(service) == saved;
        if (!rollBack && !setBack) Violation("deleted " + Narrow(name) + " before its start type was set back");
    }
    if (Inject(DeleteValue)) {
        step.refusedDelete.push_back(name);
        return ERROR_ACCESS_DENIED;
    }
    return below.RegDeleteValueW(key, name);
}

void ChangeSomeStartType()
{
    static const DWORD types[] = {SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED};
    ChangeStartTypeExternally(Installed[Random(6)], types[Random(3)]);
}

void TimerTick()
{
    RefreshSysMainStatus();
    RefreshServiceList();
}

// The confirmation may be answered either way, and while it is open a timer tick may
// run, perhaps after another program changed a start type.
int WINAPI AnswerBox(HWND owner, LPCWSTR, LPCWSTR caption, UINT type)
{
    if (owner != mainWindow || std::wcscmp(caption, L"Tarvix Mini 4.4.1") != 0) Violation("box owner or caption");
    step.lastBox = type;
    if (type != (MB_ICONWARNING | MB_YESNO)) return IDOK;
    if (Chance(30)) {
        if (Chance(50)) ChangeSomeStartType();
        if (Chance(70)) TimerTick();
        step.before = Look();  // nothing is changed before the answer
    }
    step.answeredYes = Chance(80);
    return step.answeredYes ? IDYES : IDNO;
}

void PlantStrayValue()
{
    const wchar_t* name = ServiceCatalogue[Random(ServiceCount)].backupName;
    const wchar_t text[] = L"2";
    const unsigned long long wide = 3;
    switch (Random(4)) {
    case 0: SetDwordValue(ProductKey, name, Random(6)); break;
    case 1: SetRawValue(ProductKey, name, REG_SZ, text, sizeof(text)); break;
    case 2: SetRawValue(ProductKey, name, REG_QWORD, &wide, sizeof(wide)); break;
    default: DeleteRawValue(ProductKey, name); break;
    }
}

void RunApply()
{
    // the user flips toggle 101 first, or clicks Apply on what the toggle shows
    if (Chance(70)) {
        toggleTouched = true;
        WorkflowWindow::SetChecked(autoStartToggle, Chance(50));
    }
    WorkflowWindow::SetChecked(stopServiceToggle, Chance(50));
    ApplySysMainToggle();
    toggleTouched = false;
    RefreshSysMainStatus();
}

void RunDisable()
{
    // the toggles' enabled states are those of the last refresh; sometimes the page was
    // just shown again (a refresh costs seven service manager connections under Wine)
    if (Chance(25)) RefreshServiceList();
    for (int i = 0; i < ServiceCount; ++i)
        WorkflowWindow::SetChecked(serviceToggles[i], WorkflowWindow::Enabled(serviceToggles[i]) && Chance(50));
    DisableSelectedServices();
}

bool Present(long long value) { return value >= 0; }

void CheckAfterStep()
{
    const World& before = step.before;
    const World after = Look();
    if (step.action == External || step.action == Tamper) return;

    // roll back: a backup written for a change that did not happen is gone
    for (const auto& name : step.written) {
        const wchar_t* service = ServiceOfBackup(name.c_str());
        bool turnedOff = false;
        for (const auto& change : step.changed)
            if (Same(change.first, service) && change.second == SERVICE_DISABLED) turnedOff = true;
        const bool present = Present(DwordValue(ProductKey, name.c_str()));
        if (!turnedOff && present && !Contains(step.refusedDelete, name.c_str()))
            Violation(Narrow(name) + " was written for a change that failed and is still there");
        if (turnedOff && !present) Violation(Narrow(name) + " is gone although its service was turned off");
    }
    // no overwrite: a backup that stayed holds what it held
    for (int i = 0; i < ServiceCount; ++i)
        if (Present(before.backup[i]) && Present(after.backup[i]) && before.backup[i] != after.backup[i])
            Violation(Narrow(ServiceCatalogue[i].backupName) + " changed while present");
    if (Present(before.original) && Present(after.original) && before.original != after.original)
        Violation("OriginalStart changed while present");
    // backup first: what this step turned off has its backup
    for (int i = 0; i < ServiceCount; ++i) {
        if (before.start[i] == SERVICE_DISABLED || after.start[i] != SERVICE_DISABLED) continue;
        const bool backed = step.action == Apply ? Present(after.original) : Present(after.backup[i]);
        if (step.action != Restore && !backed)
            Violation(Narrow(ServiceCatalogue[i].name) + " went to 4 without its backup");
    }
    // the final box tells what happened
    if (step.action == Disable && step.answeredYes && step.lastBox != (step.faultHit ? 0x30u : 0x40u))
        Violation("batch disabling ended with box type " + std::to_string(step.lastBox));
    if (step.action == Restore && step.answeredYes) {
        bool failure = step.faultHit && step.fault == ChangeConfig;
        for (int i = 0; i < ServiceCount; ++i)
            if (Present(before.backup[i]) &&
                (before.start[i] < 0 || before.backup[i] < SERVICE_AUTO_START || before.backup[i] > SERVICE_DISABLED))
                failure = true;
        if (step.lastBox != (failure ? 0x30u : 0x40u))
            Violation("batch restoring ended with box type " + std::to_string(step.lastBox));
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
    if (step.fault != NoFault)
        text += std::string(", fault at call ") + std::to_string(step.faultAt) + " of " + FaultNames[step.fault] +
                (step.faultHit ? " (hit)" : " (not reached)");
    return text;
}

class Guarantee : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearBackupStore();
        const DWORD starts[] = {SERVICE_AUTO_START, SERVICE_DEMAND_START, 0, SERVICE_DEMAND_START,
                                SERVICE_AUTO_START, SERVICE_DEMAND_START};
        for (int i = 0; i < 6; ++i) {
            if (i != 2) ASSERT_TRUE(world.Add(Installed[i], starts[i], false));
        }
        ASSERT_FALSE(ServiceExists(L"RemoteRegistry"));
    }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    StartTypeGuard spooler{L"Spooler"};
    ServiceWorld world;
    WorkflowWindow window;
    CountingSeam seam;
};

}  // namespace

TEST_F(Guarantee, WriterRulesHoldOverRandomSequences)
{
    const unsigned long seed = FromEnvironment("TARVIX_GUARANTEE_SEED", DefaultSeed);
    const unsigned long steps = FromEnvironment("TARVIX_GUARANTEE_STEPS", DefaultSteps);
    rng.seed(static_cast<std::mt19937::result_type>(seed));

    TrackServiceNames();
    below = osApi;
    osApi.RegCreateKeyExW = CheckedCreateKey;
    osApi.RegSetValueExW = CheckedSetValue;
    osApi.ChangeServiceConfigW = CheckedChange;
    osApi.RegDeleteValueW = CheckedDelete;
    osApi.MessageBoxW = AnswerBox;

    RefreshSysMainStatus();
    int armed[FaultCount] = {}, hit[FaultCount] = {};
    int actions[ActionCount] = {};
    unsigned long done = 0;
    for (; done < steps; ++done) {
        static const Action weighted[] = {Apply,   Apply,    Apply,    Disable,  Disable, Restore,
                                          Restore, External, External, External, Tamper};
        step = Step();
        step.action = weighted[Random(sizeof(weighted) / sizeof(weighted[0]))];
        if (step.action <= Restore && Chance(40)) {
            // a restore neither creates the key nor writes a value
            step.fault = step.action == Restore ? (Chance(50) ? DeleteValue : ChangeConfig)
                                                : static_cast<Fault>(Random(FaultCount));
            // Apply makes at most one call of each kind; the batches one per row
            step.faultAt = step.action == Apply ? 1 : 1 + static_cast<int>(Random(2));
            ++armed[step.fault];
        }
        step.before = Look();
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
        CheckAfterStep();
        ++actions[step.action];
        if (step.faultHit) ++hit[step.fault];
        if (!step.violations.empty()) {
            std::string all;
            for (const auto& v : step.violations) all += "\n  " + v;
            ADD_FAILURE() << "seed " << seed << ", " << Describe(done) << all;
            break;
        }
    }

    int injected = 0;
    for (int n : hit) injected += n;
    std::printf("guarantee: seed %lu, %lu of %lu steps (apply %d, disable %d, restore %d, external %d, stray %d)\n",
                seed, done, steps, actions[Apply], actions[Disable], actions[Restore], actions[External],
                actions[Tamper]);
    std::printf("guarantee: %d injected faults reached and checked:", injected);
    for (int k = 0; k < FaultCount; ++k) std::printf(" %s %d of %d armed;", FaultNames[k], hit[k], armed[k]);
    std::printf("\n");
    // a sequence that never reaches a refusal of each kind proves little
    for (int k = 0; k < FaultCount; ++k) EXPECT_GT(hit[k], 0) << FaultNames[k];
}
