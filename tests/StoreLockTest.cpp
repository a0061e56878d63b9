// The lock that copies of the program share: where it lives (a private namespace whose
// boundary asks for the Administrators group, or a global name where the system has no
// private namespaces), what counts as having it, and how long the window's thread waits.
#include <gtest/gtest.h>
#include <string>
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

// what the namespace calls answer, as a system with private namespaces would
enum class Space { Works, Exists, SidRefused, CreateRefused, OpenFails };
Space space = Space::Works;
std::vector<std::string> calls;
std::wstring mutexName;
bool administratorsSid = false;
bool namespaceSecured = false;

HANDLE const FakeBoundary = reinterpret_cast<HANDLE>(0x5100);
HANDLE const FakeSpace = reinterpret_cast<HANDLE>(0x5200);
// the mutex inside the stand-in namespace is a real one, under a name of the test's own
constexpr const wchar_t* NamespacedStandIn = L"Global\\TarvixMiniTest.NamespacedLock";

OsApi below;

// over a SeamLayer that gives below
void FakeNamespaces()
{
    osApi.CreateBoundaryDescriptorW = [](LPCWSTR, ULONG) -> HANDLE {
        calls.push_back("boundary");
        return FakeBoundary;
    };
    osApi.AddSIDToBoundaryDescriptor = [](HANDLE* boundary, PSID sid) -> BOOL {
        calls.push_back("sid");
        BYTE expected[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof(expected);
        administratorsSid = *boundary == FakeBoundary &&
                            CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, expected, &size) &&
                            EqualSid(sid, expected);
        return space != Space::SidRefused;
    };
    osApi.CreatePrivateNamespaceW = [](LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias) -> HANDLE {
        calls.push_back("create");
        namespaceSecured = attributes && attributes->lpSecurityDescriptor && boundary == FakeBoundary &&
                           std::wstring(alias) == L"TarvixMini";
        if (space == Space::Works) return FakeSpace;
        SetLastError(space == Space::CreateRefused ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
        return nullptr;
    };
    osApi.OpenPrivateNamespaceW = [](LPVOID, LPCWSTR) -> HANDLE {
        calls.push_back("open");
        if (space == Space::Exists) return FakeSpace;
        SetLastError(ERROR_PATH_NOT_FOUND);  // closed by the other copy in between
        return nullptr;
    };
    osApi.ClosePrivateNamespace = [](HANDLE handle, ULONG) -> BOOLEAN {
        calls.push_back(handle == FakeSpace ? "close" : "close another");
        return TRUE;
    };
    osApi.DeleteBoundaryDescriptor = [](HANDLE handle) {
        calls.push_back(handle == FakeBoundary ? "delete" : "delete another");
    };
    osApi.CreateMutexW = [](LPSECURITY_ATTRIBUTES sa, BOOL owned, LPCWSTR name) -> HANDLE {
        calls.push_back("mutex");
        mutexName = name ? name : L"";
        const bool inside = mutexName == L"TarvixMini\\BackupStore";
        return below.CreateMutexW(sa, owned, inside ? NamespacedStandIn : name);
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
        administratorsSid = namespaceSecured = false;
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
// Administrators group, created or else opened; every handle goes again. When any
// namespace step fails the lock is not had, and never taken under the global name
// instead, where another copy that has the namespace would not see it.
TEST_F(StoreLockTest, InAPrivateNamespace)
{
    const SeamLayer layer(below);
    FakeNamespaces();
    struct Row {
        const char* name;
        Space space;
        Calls calls;
        bool held;
    } const rows[] = {
        {"created", Space::Works, {"boundary", "sid", "create", "mutex", "close", "delete"}, true},
        {"opened", Space::Exists, {"boundary", "sid", "create", "open", "mutex", "close", "delete"}, true},
        {"sid-refused", Space::SidRefused, {"boundary", "sid", "delete"}, false},
        {"create-refused", Space::CreateRefused, {"boundary", "sid", "create", "delete"}, false},
        {"open-fails", Space::OpenFails,
         {"boundary", "sid", "create", "open", "create", "open", "create", "open", "delete"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        calls.clear();
        mutexName.clear();
        space = row.space;
        {
            const StoreLock lock;
            EXPECT_EQ(static_cast<bool>(lock), row.held);
            if (row.held) {
                EXPECT_EQ(mutexName, L"TarvixMini\\BackupStore");
                const OtherCopyLock other(NamespacedStandIn);
                EXPECT_FALSE(other.Held()) << "another copy gets the lock while it is held";
            }
        }
        EXPECT_EQ(calls, row.calls);
        EXPECT_TRUE(administratorsSid) << "the boundary's SID";
        if (row.space != Space::SidRefused) {
            EXPECT_TRUE(namespaceSecured) << "alias, boundary or security of the namespace";
        }
    }
    // another copy holding the lock in the namespace keeps this one out
    space = Space::Works;
    const OtherCopyLock other(NamespacedStandIn);
    ASSERT_TRUE(other.Held());
    const StoreLock lock;
    EXPECT_FALSE(lock);
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
