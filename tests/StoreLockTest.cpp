// The lock that copies of the program share: where it lives (a private namespace whose
// boundary asks for the Administrators group, or a global name where the system has no
// private namespaces), what counts as having it, and how long the window's thread waits.
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "ui/WindowState.h"
#include "service/StoreLock.h"
#include "support/BoxTexts.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/OtherCopyLock.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"
#include "support/WorkflowFixture.h"
#include "ui/HomeStatus.h"
#include "ui/ServicesPage.h"

namespace {

// How the namespace calls answer. Works: as Windows does, with its rules for a namespace
// that several copies share (below). The others refuse one step: AddSIDToBoundaryDescriptor,
// AddIntegrityLabelToBoundaryDescriptor (missing on the system), CreatePrivateNamespaceW
// (access denied), or a namespace that exists at each create and is gone at each open.
enum class Space { Works, SidRefused, LabelMissing, CreateRefused, OpenFails };
Space space = Space::Works;
std::mutex guard;  // the stand-in is used by several copies (threads) at once
std::vector<std::string> calls;
std::wstring mutexName;
bool administratorsSid = false;
bool highLabel = false;
bool namespaceSecured = false;

HANDLE const FakeBoundary = reinterpret_cast<HANDLE>(0x5100);
// ClosePrivateNamespace's flag that destroys the namespace (Windows' value; the MinGW
// headers do not name it)
constexpr ULONG DestroyFlag = 0x1;

// The stand-in namespace keeps Windows' rules: a create while one lives fails with
// ERROR_ALREADY_EXISTS, an open finds the one that lives; one closed with the destroy
// flag is gone for everyone at once, one closed without it lives while any handle to it
// is open. Each copy's mutex is in the namespace its create or open gave: a real mutex
// under a name of the test's own with the namespace's generation, so that a copy in a
// namespace that is gone and a copy in a new one do not exclude each other.
int living = 0;          // the generation of the namespace that lives; 0: none
int lastGeneration = 0;
int handlesToLiving = 0;
std::map<HANDLE, int> spaceHandles;  // open handle: its namespace's generation
uintptr_t nextSpaceHandle = 0x5200;
thread_local int copysGeneration = 0;  // the namespace this copy (thread) works in

std::wstring NamespacedStandIn(int generation)
{
    return L"Global\\TarvixMiniTest.NamespacedLock." + std::to_wstring(generation);
}

HANDLE NewSpaceHandle(int generation)
{
    HANDLE handle = reinterpret_cast<HANDLE>(nextSpaceHandle++);
    spaceHandles[handle] = generation;
    copysGeneration = generation;
    return handle;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE expected[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(expected);
    return CreateWellKnownSid(type, nullptr, expected, &size) && EqualSid(sid, expected);
}

// A protected DACL that allows Administrators and SYSTEM, and nobody else.
bool AdministratorsAndSystemAlone(PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!descriptor || !GetSecurityDescriptorControl(descriptor, &control, &revision)) return false;
    if (!(control & SE_DACL_PROTECTED)) return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return false;
    ACL_SIZE_INFORMATION size = {};
    if (!GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation) || size.AceCount != 2) return false;
    bool administrators = false, system = false;
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return false;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (IsWellKnown(sid, WinBuiltinAdministratorsSid))
            administrators = true;
        else if (IsWellKnown(sid, WinLocalSystemSid))
            system = true;
        else
            return false;
    }
    return administrators && system;
}

OsApi below;

void Record(const char* call)
{
    const std::lock_guard<std::mutex> hold(guard);
    calls.push_back(call);
}

// over a SeamLayer that gives below
void FakeNamespaces()
{
    living = handlesToLiving = 0;
    spaceHandles.clear();
    copysGeneration = 0;
    osApi.CreateBoundaryDescriptorW = [](LPCWSTR, ULONG) -> HANDLE {
        Record("boundary");
        return FakeBoundary;
    };
    osApi.AddSIDToBoundaryDescriptor = [](HANDLE* boundary, PSID sid) -> BOOL {
        Record("sid");
        administratorsSid = *boundary == FakeBoundary && IsWellKnown(sid, WinBuiltinAdministratorsSid);
        return space != Space::SidRefused;
    };
    osApi.AddIntegrityLabelToBoundaryDescriptor = [](HANDLE* boundary, PSID label) -> BOOL {
        Record("label");
        highLabel = *boundary == FakeBoundary && IsWellKnown(label, WinHighLabelSid);
        if (space != Space::LabelMissing) return TRUE;
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    };
    osApi.CreatePrivateNamespaceW = [](LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias) -> HANDLE {
        Record("create");
        const std::lock_guard<std::mutex> hold(guard);
        namespaceSecured = attributes && AdministratorsAndSystemAlone(attributes->lpSecurityDescriptor) &&
                           boundary == FakeBoundary && std::wstring(alias) == L"TarvixMini";
        if (space == Space::CreateRefused) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        if (space == Space::OpenFails || living) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
        living = ++lastGeneration;
        handlesToLiving = 1;
        return NewSpaceHandle(living);
    };
    osApi.OpenPrivateNamespaceW = [](LPVOID, LPCWSTR) -> HANDLE {
        Record("open");
        const std::lock_guard<std::mutex> hold(guard);
        if (space == Space::OpenFails || !living) {
            SetLastError(ERROR_PATH_NOT_FOUND);  // closed by the other copy in between
            return nullptr;
        }
        ++handlesToLiving;
        return NewSpaceHandle(living);
    };
    osApi.ClosePrivateNamespace = [](HANDLE handle, ULONG flags) -> BOOLEAN {
        const std::lock_guard<std::mutex> hold(guard);
        auto found = spaceHandles.find(handle);
        calls.push_back(found != spaceHandles.end() ? "close" : "close another");
        if (found == spaceHandles.end()) return FALSE;
        const int generation = found->second;
        spaceHandles.erase(found);
        if (generation != living) return TRUE;
        if (flags & DestroyFlag)
            living = handlesToLiving = 0;  // gone for every copy
        else if (--handlesToLiving == 0)
            living = 0;
        return TRUE;
    };
    osApi.DeleteBoundaryDescriptor = [](HANDLE handle) {
        Record(handle == FakeBoundary ? "delete" : "delete another");
    };
    osApi.CreateMutexW = [](LPSECURITY_ATTRIBUTES sa, BOOL owned, LPCWSTR name) -> HANDLE {
        Record("mutex");
        std::wstring real = name ? name : L"";
        {
            const std::lock_guard<std::mutex> hold(guard);
            mutexName = real;
            if (real == L"TarvixMini\\BackupStore") {
                if (copysGeneration != living || !living) {
                    SetLastError(ERROR_PATH_NOT_FOUND);
                    return nullptr;
                }
                real = NamespacedStandIn(living);
            }
        }
        return below.CreateMutexW(sa, owned, real.c_str());
    };
}

void RecordMutexName()
{
    osApi.CreateMutexW = [](LPSECURITY_ATTRIBUTES sa, BOOL owned, LPCWSTR name) -> HANDLE {
        mutexName = name ? name : L"";
        return below.CreateMutexW(sa, owned, name);
    };
}

class StoreLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        mutexName.clear();
        administratorsSid = highLabel = namespaceSecured = false;
        space = Space::Works;
    }
    void TearDown() override { seam.ExpectAllClosed(); }
    CountingSeam seam;
};

using Calls = std::vector<std::string>;

}  // namespace

// Wine 8 has no private namespaces: its descriptor is null, and nothing more is asked of
// it (its AddSIDToBoundaryDescriptor would end the process); the global name serves.
TEST_F(StoreLockTest, WithoutPrivateNamespacesTheGlobalName)
{
    const SeamLayer layer(below);
    RecordMutexName();
    ASSERT_EQ(osApi.CreateBoundaryDescriptorW(L"TarvixMini.BackupStore", 0), nullptr) << "Wine 8 has them now";
    const StoreLock lock;
    EXPECT_TRUE(lock);
    EXPECT_EQ(mutexName, L"Global\\TarvixMini.BackupStore");
    const OtherCopyLock other;
    EXPECT_FALSE(other.Held()) << "another copy gets the lock while it is held";
}

// With private namespaces: the lock is in the namespace whose boundary holds the
// Administrators group and the High integrity label, created or else opened, with a
// protected DACL for Administrators and SYSTEM alone; every handle goes again. When any
// namespace step fails (the label's call missing included) the lock is not had, and
// never taken under the global name instead, where another copy that has the namespace
// would not see it.
TEST_F(StoreLockTest, InAPrivateNamespace)
{
    const SeamLayer layer(below);
    FakeNamespaces();
    struct Row {
        const char* name;
        Space space;
        bool anotherCopyHasIt;
        Calls calls;
        bool held;
    } const rows[] = {
        {"created", Space::Works, false, {"boundary", "sid", "label", "create", "mutex", "close", "delete"}, true},
        {"opened", Space::Works, true, {"boundary", "sid", "label", "create", "open", "mutex", "close", "delete"}, true},
        {"sid-refused", Space::SidRefused, false, {"boundary", "sid", "delete"}, false},
        {"label-missing", Space::LabelMissing, false, {"boundary", "sid", "label", "delete"}, false},
        {"create-refused", Space::CreateRefused, false, {"boundary", "sid", "label", "create", "delete"}, false},
        {"open-fails", Space::OpenFails, false,
         {"boundary", "sid", "label", "create", "open", "create", "open", "create", "open", "delete"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        space = row.space;
        HANDLE another = nullptr;
        if (row.anotherCopyHasIt) {
            another = osApi.CreatePrivateNamespaceW(nullptr, FakeBoundary, L"TarvixMini");
            ASSERT_NE(another, nullptr);
        }
        calls.clear();
        mutexName.clear();
        administratorsSid = highLabel = namespaceSecured = false;
        {
            const StoreLock lock;
            EXPECT_EQ(static_cast<bool>(lock), row.held);
            if (row.held) {
                EXPECT_EQ(mutexName, L"TarvixMini\\BackupStore");
                const OtherCopyLock other(NamespacedStandIn(living).c_str());
                EXPECT_FALSE(other.Held()) << "another copy gets the lock while it is held";
            }
        }
        if (another) osApi.ClosePrivateNamespace(another, 0);
        if (row.anotherCopyHasIt) calls.pop_back();  // the other copy's close
        EXPECT_EQ(calls, row.calls);
        EXPECT_TRUE(administratorsSid) << "the boundary's SID";
        if (row.space != Space::SidRefused) {
            EXPECT_TRUE(highLabel) << "the boundary's integrity label";
        }
        if (row.space != Space::SidRefused && row.space != Space::LabelMissing) {
            EXPECT_TRUE(namespaceSecured) << "alias, boundary or security of the namespace";
        }
        EXPECT_EQ(living, 0) << "the namespace lives on with no copy in it";
    }
    // another copy holding the lock in the namespace keeps this one out
    space = Space::Works;
    HANDLE another = osApi.CreatePrivateNamespaceW(nullptr, FakeBoundary, L"TarvixMini");
    ASSERT_NE(another, nullptr);
    {
        const OtherCopyLock other(NamespacedStandIn(living).c_str());
        ASSERT_TRUE(other.Held());
        const StoreLock lock;
        EXPECT_FALSE(lock);
    }
    osApi.ClosePrivateNamespace(another, 0);
}

namespace {

// One copy of the program on a thread of its own (the mutex is recursive per thread):
// it takes the lock, notes that it is in its pass, and gives the lock back when told.
class Copy {
public:
    Copy(std::atomic<int>& inPass, std::atomic<int>& most)
        : holding(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        thread = std::thread([this, &inPass, &most] {
            const StoreLock lock;
            held = static_cast<bool>(lock);
            if (held) {
                const int now = ++inPass;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {}
            }
            SetEvent(holding);
            if (held) {
                WaitForSingleObject(release, INFINITE);
                --inPass;
            }
        });
    }
    ~Copy()
    {
        Release();
        if (thread.joinable()) thread.join();
        CloseHandle(holding);
        CloseHandle(release);
    }
    bool WaitHeld(DWORD ms) const { return WaitForSingleObject(holding, ms) == WAIT_OBJECT_0 && held; }
    void Release() { SetEvent(release); }
    void End()
    {
        Release();
        thread.join();
    }

private:
    HANDLE holding;
    HANDLE release;
    std::atomic<bool> held{false};
    std::thread thread;
};

}  // namespace

// Three copies in the private namespace. The first holds the lock; the second waits for
// it in the same namespace. The first ends: the second has the lock, and the namespace
// must live on for it, so the third, which comes now, waits in the same namespace until
// the second is done. A first copy that closed the namespace with the destroy flag would
// take it away from the second; the third would create a new one, with a mutex of its
// own, and two passes would run at once.
TEST_F(StoreLockTest, TheNamespaceLivesWhileAnyCopyHasItOpen)
{
    const SeamLayer layer(below);
    FakeNamespaces();
    // the copies' threads open and close their mutexes at once: counted by nobody
    below.CreateMutexW = realOs.CreateMutexW;
    osApi.CloseHandle = realOs.CloseHandle;
    std::atomic<int> inPass{0}, most{0};

    auto first = std::make_unique<Copy>(inPass, most);
    ASSERT_TRUE(first->WaitHeld(5000));
    Copy second(inPass, most);
    // the second copy is in the namespace, waiting for the mutex
    for (int i = 0; i < 200; ++i) {
        {
            const std::lock_guard<std::mutex> hold(guard);
            if (handlesToLiving == 2 && std::count(calls.begin(), calls.end(), "mutex") == 2) break;
        }
        Sleep(10);
    }
    EXPECT_FALSE(second.WaitHeld(100)) << "the second copy got the lock while the first held it";
    first.reset();
    ASSERT_TRUE(second.WaitHeld(5000)) << "the second copy did not get the lock once the first ended";
    {
        Copy third(inPass, most);
        EXPECT_FALSE(third.WaitHeld(300)) << "the third copy got the lock while the second held it";
        second.End();
        EXPECT_TRUE(third.WaitHeld(5000)) << "the third copy did not get the lock once the second ended";
    }
    EXPECT_EQ(most.load(), 1) << "two passes at once";
    EXPECT_EQ(living, 0) << "the namespace lives on with no copy in it";
}

// A copy that ends while it holds the lock leaves it abandoned; the next pass takes it
// over (every pass reads afresh what it decides on) and does its work.
TEST_F(StoreLockTest, ALockLeftByACopyThatEndedIsTakenOver)
{
    HANDLE left = nullptr;
    // the other copy's thread takes the lock and ends without giving it back; its handle
    // stays open, as in a process that is still ending
    std::thread([&left] {
        left = CreateMutexW(nullptr, FALSE, GlobalStoreLockName);
        if (left && WaitForSingleObject(left, 0) != WAIT_OBJECT_0) {
            CloseHandle(left);
            left = nullptr;
        }
    }).join();
    ASSERT_NE(left, nullptr);
    static std::vector<DWORD> waits;
    waits.clear();
    const SeamLayer layer(below);
    osApi.WaitForSingleObject = [](HANDLE handle, DWORD ms) -> DWORD {
        const DWORD wait = below.WaitForSingleObject(handle, ms);
        waits.push_back(wait);
        return wait;
    };
    {
        const StoreLock lock;
        EXPECT_TRUE(lock);
        EXPECT_EQ(waits, std::vector<DWORD>{WAIT_ABANDONED});
        const OtherCopyLock other;
        EXPECT_FALSE(other.Held()) << "another copy gets the lock while it is held";
    }
    CloseHandle(left);
    const OtherCopyLock other;
    EXPECT_TRUE(other.Held()) << "the lock taken over is given back";
}

namespace {

// The three passes with the lock not to be had, each with the box it ends with.
class LockNotHad : public WorkflowFixture {
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
        ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
        ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    }
    // each pass once: Apply's turn-off and restore, the batch, the batch restore
    void ExpectNothingChanged()
    {
        struct Pass {
            const char* name;
            void (*run)();
            const wchar_t* result;
            UINT type;
        } const passes[] = {
            {"apply-turn-off",
             [] {
                 SetChecked(autoStartToggle, true);
                 ApplySysMainToggle();
             },
             BoxText::TurnOffFailed, BoxText::ErrorBox},
            {"batch",
             [] {
                 StandInWindow::CheckRows(1u << 1);
                 DisableSelectedServices();
             },
             BoxText::SomeFailed, BoxText::WarningBox},
            {"batch-restore", RestoreSavedServices, BoxText::SomeKept, BoxText::WarningBox},
            {"apply-restore",
             [] {
                 ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED);
                 RefreshSysMainStatus();
                 SetChecked(autoStartToggle, false);
                 ApplySysMainToggle();
             },
             BoxText::RestoreFailed, BoxText::ErrorBox},
        };
        SetDwordValue(ProductKey, L"Bk_Fax", 3);
        SetDwordValue(ProductKey, L"OriginalStart", 2);
        RefreshSysMainStatus();
        toggleTouched = true;
        for (const Pass& pass : passes) {
            SCOPED_TRACE(pass.name);
            BoxRecorder boxes({IDYES});
            pass.run();
            ASSERT_EQ(boxes.Boxes().size(), 2u);
            ExpectBox(boxes.Boxes()[1], pass.result, pass.type);
        }
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DEMAND_START);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
        EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), 2);
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_WSearch"));
    }
};

}  // namespace

// Another process holds the global name with an object of another kind (an event): the
// mutex cannot be created (ERROR_INVALID_HANDLE), and that is a lock not had.
TEST_F(LockNotHad, NameHeldByAnEvent)
{
    HANDLE squatter = CreateEventW(nullptr, TRUE, FALSE, L"Global\\TarvixMini.BackupStore");
    ASSERT_NE(squatter, nullptr);
    SetLastError(0);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, L"Global\\TarvixMini.BackupStore"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    ExpectNothingChanged();
    CloseHandle(squatter);
}

// The mutex cannot be created or opened (access denied): a lock not had.
TEST_F(LockNotHad, MutexRefused)
{
    osApi.CreateMutexW = [](LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) -> HANDLE {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    };
    ExpectNothingChanged();
}

// The namespace cannot be had on a system that has private namespaces.
TEST_F(LockNotHad, NamespaceRefused)
{
    const SeamLayer layer(below);
    FakeNamespaces();
    space = Space::CreateRefused;
    ExpectNothingChanged();
}
