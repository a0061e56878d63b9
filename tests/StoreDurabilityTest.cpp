// Every pass that changes a start type keeps its backup on disk first and takes the
// backup away only once the start type it put back is on disk; and it runs under the
// lock that copies of the program share, which is never held while a box is open.
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include "ui/WindowState.h"
#include "service/BackupStore.h"
#include "support/BoxTexts.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/OtherCopyLock.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "support/WorkflowFixture.h"
#include "ui/HomeStatus.h"
#include "ui/ServicesPage.h"

namespace {

bool LockFreeForAnotherCopy()
{
    const OtherCopyLock other;
    return other.Held();
}

std::map<HKEY, std::wstring> keyPaths;
std::vector<std::wstring> events;  // the writes, flushes, changes and deletes, in order
int unlockedWrites = 0;            // writes made while another copy could take the lock
int boxesUnderLock = 0;            // boxes shown while another copy could not
OsApi below;

void Record(const std::wstring& event)
{
    events.push_back(event);
    if (LockFreeForAnotherCopy()) ++unlockedWrites;
}

LSTATUS WINAPI OpenKey(HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key)
{
    const LSTATUS status = below.RegOpenKeyExW(root, path, options, sam, key);
    if (status == ERROR_SUCCESS) keyPaths[*key] = path;
    return status;
}

LSTATUS WINAPI CreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                         LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    const LSTATUS status = below.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
    if (status == ERROR_SUCCESS) keyPaths[*key] = path;
    return status;
}

LSTATUS WINAPI SetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    Record(std::wstring(L"set ") + name);
    return below.RegSetValueExW(key, name, reserved, type, data, size);
}

LSTATUS WINAPI FlushKey(HKEY key)
{
    Record(L"flush " + keyPaths[key]);
    return below.RegFlushKey(key);
}

LSTATUS WINAPI DeleteValue(HKEY key, LPCWSTR name)
{
    Record(std::wstring(L"delete ") + name);
    return below.RegDeleteValueW(key, name);
}

BOOL WINAPI Change(SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group, LPDWORD tag,
                   LPCWSTR deps, LPCWSTR account, LPCWSTR password, LPCWSTR display)
{
    Record(std::wstring(L"change ") + ServiceNameOf(h) + L" to " + std::to_wstring(start));
    return below.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
}

int WINAPI Answer(HWND, LPCWSTR, LPCWSTR, UINT type)
{
    if (!LockFreeForAnotherCopy()) ++boxesUnderLock;
    return (type & MB_YESNO) ? IDYES : IDOK;
}

const std::wstring StoreKey = L"SOFTWARE\\TarvixMini";

struct Case {
    const char* name;
    void (*arrange)();
    void (*run)();
    std::vector<std::wstring> expected;
};

void TurnOffSysMain()
{
    SetChecked(autoStartToggle, true);
    SetChecked(stopServiceToggle, false);
    ApplySysMainToggle();
}

void RestoreSysMain()
{
    SetChecked(autoStartToggle, false);
    ApplySysMainToggle();
}

void DisableFax()
{
    StandInWindow::CheckRows(1u << 3);
    DisableSelectedServices();
}

const Case cases[] = {
    {"apply-turn-off", [] { ChangeStartTypeExternally(L"SysMain", 2); }, TurnOffSysMain,
     {L"set OriginalStart", L"flush " + StoreKey, L"change SysMain to 4"}},
    {"apply-turn-off-replacing-a-stray-4",
     [] {
         ChangeStartTypeExternally(L"SysMain", 3);
         SetDwordValue(ProductKey, L"OriginalStart", 4);
     },
     TurnOffSysMain, {L"set OriginalStart", L"flush " + StoreKey, L"change SysMain to 4"}},
    {"apply-restore",
     [] {
         ChangeStartTypeExternally(L"SysMain", 4);
         SetDwordValue(ProductKey, L"OriginalStart", 3);
     },
     RestoreSysMain, {L"change SysMain to 3", L"flush " + ServicesKeyRoot + L"SysMain", L"delete OriginalStart"}},
    {"batch-disable", [] { ChangeStartTypeExternally(L"Fax", 3); }, DisableFax,
     {L"set Bk_Fax", L"flush " + StoreKey, L"change Fax to 4"}},
    {"batch-restore",
     [] {
         ChangeStartTypeExternally(L"Fax", 4);
         SetDwordValue(ProductKey, L"Bk_Fax", 2);
     },
     RestoreSavedServices, {L"change Fax to 2", L"flush " + ServicesKeyRoot + L"Fax", L"delete Bk_Fax"}},
};

// Apply and the batch, with the result box each shows when the store takes no backup.
struct NoBackupCase {
    const char* name;
    void (*run)();
    const wchar_t* result;
    UINT type;
};
const NoBackupCase NoBackupCases[] = {
    {"apply", TurnOffSysMain, BoxText::BackupFailed, BoxText::ErrorBox},
    {"batch", DisableFax, BoxText::SomeFailed, BoxText::WarningBox},
};

// Each value of the store, as a failure names it.
void ExpectSameStore(const StoreImage& before, const StoreImage& after)
{
    for (const wchar_t* name : {L"OriginalStart", L"Bk_Fax"})
        EXPECT_EQ(DescribeStoreValue(after, name), DescribeStoreValue(before, name)) << testing::PrintToString(name);
    EXPECT_EQ(after.values.size(), before.values.size());
    EXPECT_EQ(after.subkeys, before.subkeys);
}

// Runs the case with SysMain automatic and Fax manual, answering Yes: its usual result
// box, no start type changed, and the store as it was, byte for byte.
void ExpectNoBackupAndNothingChanged(const NoBackupCase& c)
{
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_AUTO_START));
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DEMAND_START));
    RefreshSysMainStatus();
    toggleTouched = true;
    const StoreImage before = LookAtStore();
    BoxRecorder boxes({IDYES});
    c.run();
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[1], c.result, c.type);
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    ExpectSameStore(before, LookAtStore());
}

class StoreDurability : public WorkflowFixture {
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
        ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    }
};

}  // namespace

TEST_F(StoreDurability, BackupOnDiskBeforeTheChangeAndTheChangeBeforeItsBackupGoes)
{
    TrackServiceNames();
    const SeamLayer layer(below);
    osApi.RegOpenKeyExW = OpenKey;
    osApi.RegCreateKeyExW = CreateKey;
    osApi.RegSetValueExW = SetValue;
    osApi.RegFlushKey = FlushKey;
    osApi.RegDeleteValueW = DeleteValue;
    osApi.ChangeServiceConfigW = Change;
    osApi.MessageBoxW = Answer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        c.arrange();
        RefreshSysMainStatus();
        toggleTouched = true;
        events.clear();
        unlockedWrites = boxesUnderLock = 0;
        c.run();
        EXPECT_EQ(events, c.expected);
        EXPECT_EQ(unlockedWrites, 0) << "a write while another copy could take the lock";
        EXPECT_EQ(boxesUnderLock, 0) << "a box shown while the lock was held";
    }
    EXPECT_TRUE(LockFreeForAnotherCopy()) << "the lock is given back";
}

// Another copy in the middle of its pass: this copy waits for it, then does its own.
TEST_F(StoreDurability, WaitsForAnotherCopysPass)
{
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", 3));
    StandInWindow::CheckRows(1u << 3);
    auto other = std::make_unique<OtherCopyLock>();
    ASSERT_TRUE(other->Held());
    std::thread release([&other] {
        ::Sleep(400);
        other.reset();
    });
    BoxRecorder boxes({IDYES});
    const ULONGLONG began = ::GetTickCount64();
    DisableSelectedServices();
    const ULONGLONG waited = ::GetTickCount64() - began;
    release.join();

    EXPECT_GE(waited, 300u);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].type, UINT(MB_ICONINFORMATION));
}

// A volatile store key (gone at the next restart, with every backup in it) takes no
// backup, so no start type is changed: the usual failure boxes.
TEST_F(StoreDurability, AVolatileStoreChangesNothing)
{
    for (const NoBackupCase& c : NoBackupCases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        HKEY store = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &store, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(store);
        ASSERT_NO_FATAL_FAILURE(ExpectNoBackupAndNothingChanged(c));
    }
}

// The same with usable copies already in the volatile key: keeping them would write
// nothing, yet they would be gone after the restart that the change waits for.
TEST_F(StoreDurability, AVolatileStoreWithKeptCopiesChangesNothing)
{
    for (const NoBackupCase& c : NoBackupCases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_AUTO_START));
        ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
        ASSERT_TRUE(RemakeStore(REG_OPTION_VOLATILE));
        ASSERT_NO_FATAL_FAILURE(ExpectNoBackupAndNothingChanged(c));
    }
}

// A value at the copy's name that no restore could use is replaced by the new copy; when
// the change is then refused, or the new copy cannot be flushed, the value goes back as it
// was, type and bytes, and the box says nothing changed.
TEST_F(StoreDurability, ARefusedPassPutsBackWhatStoodAtTheCopysName)
{
    const DWORD other = SERVICE_SYSTEM_START;
    const unsigned long long wide = 3;
    const wchar_t text[] = L"3";
    const wchar_t lines[] = L"3\0" L"2\0";
    struct Stored {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
    } const stored[] = {
        {"another-start-type", REG_DWORD, &other, sizeof(other)},
        {"text", REG_SZ, text, sizeof(text)},
        // the system would add a terminator to these if they were written back carelessly
        {"text-without-terminator", REG_SZ, text, sizeof(wchar_t)},
        {"odd-bytes-of-text", REG_EXPAND_SZ, text, 3},
        {"list-of-texts", REG_MULTI_SZ, lines, sizeof(lines)},
        {"eight-bytes", REG_QWORD, &wide, sizeof(wide)},
        {"empty-binary", REG_BINARY, nullptr, 0},
    };
    struct Refusal {
        const char* name;
        OsFault fault;
        const wchar_t* homeBox;
        UINT homeType;
    } const refusals[] = {
        {"change-refused", OsFault::ChangeConfig, BoxText::TurnOffFailed, BoxText::ErrorBox},
        {"flush-refused", OsFault::FlushKey, BoxText::BackupFailed, BoxText::ErrorBox},
    };
    for (const Refusal& refusal : refusals) {
        for (const Stored& value : stored) {
            for (const bool home : {true, false}) {
                SCOPED_TRACE(std::string(refusal.name) + ", " + value.name + (home ? ", home" : ", batch"));
                ClearBackupStore();
                ASSERT_TRUE(SetRawValue(ProductKey, home ? L"OriginalStart" : L"Bk_Fax", value.type, value.data,
                                        value.size));
                const NoBackupCase c = home ? NoBackupCase{"apply", TurnOffSysMain, refusal.homeBox, refusal.homeType}
                                            : NoBackupCases[1];
                const FaultSeam fault(refusal.fault);
                ASSERT_NO_FATAL_FAILURE(ExpectNoBackupAndNothingChanged(c));
                EXPECT_GT(FaultSeam::Refused(), 0);
            }
        }
    }
}

// Another copy that keeps the lock: the pass gives up after at most about two seconds,
// the window's thread never waits longer at a stretch, and nothing is changed.
TEST_F(StoreDurability, GivesUpWhenAnotherCopyKeepsTheLock)
{
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", 3));
    StandInWindow::CheckRows(1u << 3);
    OtherCopyLock other;
    ASSERT_TRUE(other.Held());
    BoxRecorder boxes({IDYES});
    const ULONGLONG began = ::GetTickCount64();
    DisableSelectedServices();
    const ULONGLONG waited = ::GetTickCount64() - began;

    EXPECT_GE(waited, 1900u);
    EXPECT_LE(waited, 3000u);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[1], BoxText::SomeFailed, BoxText::WarningBox);
}

namespace {

// the random bits of the store's check, fixed: its key is then always this one
BOOLEAN WINAPI FixedBits(PVOID buffer, ULONG length)
{
    for (ULONG i = 0; i < length; ++i) static_cast<BYTE*>(buffer)[i] = static_cast<BYTE>(0xA0 + i);
    return TRUE;
}
constexpr const wchar_t* FixedProbe = L"SOFTWARE\\TarvixMini\\PersistenceCheck.{a0a1a2a3-a4a5-a6a7-a8a9-aaabacadaeaf}";

}  // namespace

// A key already at the name of the store's check (someone else's: the check never uses
// it) makes the check fail: the usual failure boxes, nothing changed, and that key kept
// with its value.
TEST_F(StoreDurability, AKeyAtTheChecksNameChangesNothingAndStays)
{
    const SeamLayer layer;
    osApi.RtlGenRandom = FixedBits;
    for (const NoBackupCase& c : NoBackupCases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        ASSERT_TRUE(SetDwordValue(FixedProbe, L"Mark", 77));
        ASSERT_NO_FATAL_FAILURE(ExpectNoBackupAndNothingChanged(c));
        EXPECT_EQ(DwordValue(FixedProbe, L"Mark"), 77);
    }
}
