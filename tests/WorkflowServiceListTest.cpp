#include <gtest/gtest.h>
#include <cwchar>
#include "ui/WindowState.h"
#include "service/ServiceCatalogue.h"
#include "support/BoxTexts.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "support/WorkflowFixture.h"
#include "ui/HomeStatus.h"
#include "ui/ServicesPage.h"

namespace {

using namespace BoxText;

enum Row : unsigned { SysMain, WSearch, Spooler, Fax, XblAuth, MapsBroker, RemoteRegistry };
constexpr unsigned Bit(Row row) { return 1u << row; }

const wchar_t* BackupOf(Row row) { return ServiceCatalogue[row].backupName; }
const wchar_t* NameOf(Row row) { return ServiceCatalogue[row].name; }

struct RowView {
    const wchar_t* text;
    bool enabled;
    bool checked;
};

void ExpectRow(Row row, const RowView& expected)
{
    SCOPED_TRACE(testing::Message() << "row " << row);
    EXPECT_EQ(Text(serviceLabels[row]), expected.text);
    EXPECT_EQ(Enabled(serviceToggles[row]), expected.enabled);
    EXPECT_EQ(Checked(serviceToggles[row]), expected.checked);
}

class ServicesPage : public WorkflowFixture {
protected:
    // SysMain at 2, WSearch and Fax at 3, MapsBroker at 4; XblAuthManager and
    // RemoteRegistry missing; Spooler is Wine's own and stays out of it
    void InstallUsualServices()
    {
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
        ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
        ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
        ASSERT_TRUE(world.Add(L"MapsBroker", SERVICE_DISABLED, false));
    }
};

}  // namespace

TEST_F(ServicesPage, RefreshShowsStartTypesBackupsAndUsableRows)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    ASSERT_TRUE(world.Add(L"MapsBroker", SERVICE_DEMAND_START, false));
    ASSERT_EQ(RegistryStartType(L"Spooler"), SERVICE_DEMAND_START) << "Wine's own spooler";
    // a start type without a text of its own, as another program may leave it
    ASSERT_TRUE(SetDwordValue(ServiceKey(L"MapsBroker").c_str(), L"Start", 1));
    SetDwordValue(ProductKey, L"Bk_WSearch", 2);
    const unsigned long long wide = 3;
    SetRawValue(ProductKey, L"Bk_Spooler", REG_QWORD, &wide, sizeof(wide));  // not a backup
    SetDwordValue(ProductKey, L"Bk_Fax", 3);
    SetDwordValue(ProductKey, L"Bk_XblAuth", 2);
    StandInWindow::CheckRows(0x7F);

    RefreshServiceList();
    ExpectRow(SysMain, {L"Авто", true, true});
    ExpectRow(WSearch, {L"Вручную | есть копия", true, true});
    ExpectRow(Spooler, {L"Вручную", true, true});
    ExpectRow(Fax, {L"Отключена | есть копия", false, false});
    ExpectRow(XblAuth, {L"Нет службы | есть копия", false, false});
    ExpectRow(MapsBroker, {L"Другой режим", true, true});
    ExpectRow(RemoteRegistry, {L"Нет службы", false, false});

    // the next refresh follows changes both ways, and never checks a row by itself
    ChangeStartTypeExternally(L"Fax", SERVICE_AUTO_START);
    ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED);
    DeleteRawValue(ProductKey, L"Bk_WSearch");
    RefreshServiceList();
    ExpectRow(SysMain, {L"Отключена", false, false});
    ExpectRow(WSearch, {L"Вручную", true, true});
    ExpectRow(Fax, {L"Авто | есть копия", true, false});
    SetDwordValue(ServiceKey(L"MapsBroker").c_str(), L"Start", 3);
}

TEST_F(ServicesPage, NothingUsableSelected)
{
    ASSERT_NO_FATAL_FAILURE(InstallUsualServices());
    struct Case {
        const char* name;
        unsigned rows;
    } cases[] = {
        {"nothing-checked", 0},
        {"only-missing-or-disabled", Bit(XblAuth) | Bit(MapsBroker) | Bit(RemoteRegistry)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandInWindow::CheckRows(c.rows);
        BoxRecorder boxes({IDYES});
        DisableSelectedServices();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        ExpectBox(boxes.Boxes()[0], SelectFirst, InformationBox);
        EXPECT_EQ(StandInWindow::CheckedRows(), c.rows) << "toggles untouched";
        EXPECT_FALSE(StandInWindow::ServiceListFilled());
        EXPECT_FALSE(KeyExists(ProductKey));
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    }
}

TEST_F(ServicesPage, AnswerNoChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(InstallUsualServices());
    const unsigned rows = Bit(SysMain) | Bit(WSearch) | Bit(Fax) | Bit(XblAuth) | Bit(MapsBroker);
    StandInWindow::CheckRows(rows);
    BoxRecorder boxes({IDNO});
    DisableSelectedServices();

    // missing XblAuthManager and disabled MapsBroker are not listed
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ExpectBox(boxes.Boxes()[0],
              std::wstring(DisableHeader) + L"• SysMain / Tarvix\n• Windows Search (поиск)\n• Fax\n" + DisableFooter,
              QuestionBox);
    EXPECT_EQ(StandInWindow::CheckedRows(), rows);
    EXPECT_FALSE(StandInWindow::ServiceListFilled());
    EXPECT_FALSE(KeyExists(ProductKey));
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DEMAND_START);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
}

TEST_F(ServicesPage, YesDisablesTheCheckedRowsBackingUpEachFirst)
{
    ASSERT_NO_FATAL_FAILURE(InstallUsualServices());
    SetDwordValue(ProductKey, L"OriginalStart", 3);  // the Home page's own backup
    StandInWindow::CheckRows(Bit(SysMain) | Bit(WSearch) | Bit(Fax) | Bit(XblAuth) | Bit(MapsBroker));
    BoxRecorder boxes({IDYES});
    DisableSelectedServices();

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[1], AllDisabled, InformationBox);
    struct Expected {
        Row row;
        long long start;
        long long backup;
    } expected[] = {
        {SysMain, 4, 2}, {WSearch, 4, 3}, {Fax, 4, 3}, {MapsBroker, 4, Absent}, {XblAuth, Absent, Absent},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(testing::Message() << "row " << e.row);
        EXPECT_EQ(RegistryStartType(NameOf(e.row)), e.start);
        EXPECT_EQ(DwordValue(ProductKey, BackupOf(e.row)), e.backup);
    }
    EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), 3) << "the batch never touches OriginalStart";
    EXPECT_EQ(StandInWindow::CheckedRows(), 0u);
    ExpectRow(SysMain, {L"Отключена | есть копия", false, false});
    ExpectRow(Fax, {L"Отключена | есть копия", false, false});
    ExpectRow(MapsBroker, {L"Отключена", false, false});
    ExpectRow(XblAuth, {L"Нет службы", false, false});
    // the Home page follows SysMain's new start type
    EXPECT_TRUE(SysMainStatus.startReadable);
    EXPECT_EQ(SysMainStatus.start, DWORD(SERVICE_DISABLED));
}

TEST_F(ServicesPage, BackupWrittenOnlyWhenNoUsableOnePresent)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_AUTO_START, false));
    const wchar_t text[] = L"3";
    const unsigned long long wide = 3;
    struct Case {
        const char* name;
        DWORD type;  // of Bk_Fax before; 0 for none
        const void* data;
        DWORD size;
        long long backupAfter;
    };
    const DWORD three = 3, zero = 0, four = 4, seven = 7;
    const Case cases[] = {
        {"absent", 0, nullptr, 0, 2},
        {"older-backup-kept", REG_DWORD, &three, sizeof(three), 3},
        // a backup that could never turn the automatic start back on is replaced
        {"backup-0-replaced", REG_DWORD, &zero, sizeof(zero), 2},
        {"backup-4-replaced", REG_DWORD, &four, sizeof(four), 2},
        {"backup-7-replaced", REG_DWORD, &seven, sizeof(seven), 2},
        {"string-replaced", REG_SZ, text, sizeof(text), 2},
        {"qword-replaced", REG_QWORD, &wide, sizeof(wide), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ArrangeService(L"Fax", SERVICE_AUTO_START, false));
        ClearBackupStore();
        if (c.type) SetRawValue(ProductKey, L"Bk_Fax", c.type, c.data, c.size);
        StandInWindow::CheckRows(Bit(Fax));
        BoxRecorder boxes({IDYES});
        DisableSelectedServices();
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), c.backupAfter);
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(boxes.Boxes()[1].type, InformationBox);
    }
}

// One row's change or backup refused: the other rows are still changed, a backup
// written for the refused change is gone, an older one stays, every toggle is unchecked.
TEST_F(ServicesPage, RefusalForOneRow)
{
    ASSERT_NO_FATAL_FAILURE(InstallUsualServices());
    struct Case {
        const char* name;
        OsFault fault;
        const wchar_t* target;
        long long wsearchBackupBefore;
        long long wsearchBackupAfter;
        bool othersChanged;
    } cases[] = {
        {"change-refused-fresh-backup-removed", OsFault::ChangeConfig, L"WSearch", Absent, Absent, true},
        {"change-refused-older-backup-kept", OsFault::ChangeConfig, L"WSearch", 2, 2, true},
        {"backup-write-refused", OsFault::SetValue, L"Bk_WSearch", Absent, Absent, true},
        {"store-key-refused", OsFault::CreateKey, nullptr, Absent, Absent, false},
        // a backup that cannot be read may be there: the row is left alone
        {"backup-unreadable", OsFault::ReadValue, L"Bk_WSearch", 2, 2, true},
        {"backups-not-on-disk", OsFault::FlushKey, nullptr, Absent, Absent, false},
        {"lock-not-had", OsFault::Lock, nullptr, Absent, Absent, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const wchar_t* name : {L"SysMain", L"Fax"}) ASSERT_TRUE(ChangeStartTypeExternally(name, 2));
        ASSERT_TRUE(ChangeStartTypeExternally(L"WSearch", 3));
        ClearBackupStore();
        if (c.wsearchBackupBefore != Absent) SetDwordValue(ProductKey, L"Bk_WSearch", 2);
        StandInWindow::CheckRows(Bit(SysMain) | Bit(WSearch) | Bit(Fax));
        BoxRecorder boxes({IDYES});
        {
            FaultSeam refuse(c.fault, c.target);
            DisableSelectedServices();
            EXPECT_GT(FaultSeam::Refused(), 0);
        }
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[1], SomeFailed, WarningBox);
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DEMAND_START);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), c.wsearchBackupAfter);
        for (Row row : {SysMain, Fax}) {
            SCOPED_TRACE(testing::Message() << "row " << row);
            EXPECT_EQ(RegistryStartType(NameOf(row)), c.othersChanged ? 4 : 2);
            EXPECT_EQ(DwordValue(ProductKey, BackupOf(row)), c.othersChanged ? 2 : Absent);
        }
        // the refused row can still be used, yet its toggle was cleared with the others
        EXPECT_TRUE(Enabled(serviceToggles[WSearch]));
        EXPECT_EQ(StandInWindow::CheckedRows(), 0u);
    }
}

// What a timer tick delivers through the open confirmation: the change pass reads every
// row's toggle, start type and backup again. A confirmed row that a tick unchecked (it
// found the row disabled) and that is on again when the pass runs is left alone, as the
// user did not see it checked at the answer, and it is not off: the partial box.
TEST_F(ServicesPage, ChangePassReadsEveryRowAgain)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    static void (*tick)() = nullptr;
    struct Case {
        const char* name;
        void (*during)();
        long long faxStart;
        long long faxBackup;
        const wchar_t* result;
        UINT type;
    } cases[] = {
        {"disabled-meanwhile", [] { ChangeStartTypeExternally(L"Fax", 4); }, 4, Absent, AllDisabled, InformationBox},
        {"disabled-meanwhile-and-unchecked-by-a-tick",
         [] {
             ChangeStartTypeExternally(L"Fax", 4);
             RefreshServiceList();
         },
         4, Absent, AllDisabled, InformationBox},
        // the tick's refresh clears the toggle; the service is back at 3 when the pass runs
        {"unchecked-by-a-tick-and-on-again",
         [] {
             ChangeStartTypeExternally(L"Fax", 4);
             RefreshServiceList();
             ChangeStartTypeExternally(L"Fax", 3);
         },
         3, Absent, SomeFailed, WarningBox},
        {"unchecked-by-a-tick-and-automatic-again",
         [] {
             ChangeStartTypeExternally(L"Fax", 4);
             RefreshServiceList();
             ChangeStartTypeExternally(L"Fax", 2);
         },
         2, Absent, SomeFailed, WarningBox},
        {"start-read-again", [] { ChangeStartTypeExternally(L"Fax", 2); }, 4, 2, AllDisabled, InformationBox},
        {"backup-appears-meanwhile", [] { SetDwordValue(ProductKey, L"Bk_Fax", 2); }, 4, 2, AllDisabled,
         InformationBox},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ArrangeService(L"Fax", 3, false));
        ASSERT_TRUE(ArrangeService(L"WSearch", 3, false));
        ClearBackupStore();
        StandInWindow::CheckRows(Bit(Fax) | Bit(WSearch));
        tick = c.during;
        BoxRecorder boxes({IDYES});
        boxes.WhileOpen([](const RecordedBox& box) {
            if (box.type == QuestionBox) tick();
        });
        DisableSelectedServices();
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[1], c.result, c.type);
        EXPECT_EQ(RegistryStartType(L"Fax"), c.faxStart);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), c.faxBackup);
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 3);
    }
}

namespace {

OsApi beneath;

// another tool puts Fax back to manual right after the program turned it off
BOOL WINAPI ChangeThenFaxBackOn(SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                                LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password, LPCWSTR display)
{
    const BOOL ok =
        beneath.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
    if (ok && std::wcscmp(ServiceNameOf(h), L"Fax") == 0) ChangeStartTypeExternally(L"Fax", SERVICE_DEMAND_START);
    return ok;
}

}  // namespace

// A confirmed row counts as turned off only when its start type, read back after the
// pass, is disabled: another tool that turns it on again right after the change leaves
// the partial box, never the success box; the backup stays for a restore.
TEST_F(ServicesPage, ARowOnAgainAfterItsChangeIsNotTurnedOff)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    TrackServiceNames();
    const SeamLayer layer(beneath);
    osApi.ChangeServiceConfigW = ChangeThenFaxBackOn;
    StandInWindow::CheckRows(Bit(Fax) | Bit(WSearch));
    BoxRecorder boxes({IDYES});
    DisableSelectedServices();
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[1], SomeFailed, WarningBox);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 3);
}

namespace {

// After the program's change of Fax has been accepted, the service manager or the
// registry's Start values refuse to be read.
bool faxChanged = false;
OsFault refusedAfterTheChange = OsFault::None;

BOOL WINAPI ChangeThenNote(SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                           LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password, LPCWSTR display)
{
    const BOOL ok =
        beneath.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
    if (ok && std::wcscmp(ServiceNameOf(h), L"Fax") == 0) faxChanged = true;
    return ok;
}

LSTATUS WINAPI StartUnreadableOnceChanged(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                          LPDWORD size)
{
    if (faxChanged && refusedAfterTheChange == OsFault::ReadStart && name && _wcsicmp(name, L"Start") == 0)
        return ERROR_ACCESS_DENIED;
    return beneath.RegQueryValueExW(key, name, reserved, type, data, size);
}

SC_HANDLE WINAPI ManagerRefusedOnceChanged(LPCWSTR machine, LPCWSTR database, DWORD access)
{
    if (faxChanged && refusedAfterTheChange == OsFault::OpenManager) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return beneath.OpenSCManagerW(machine, database, access);
}

}  // namespace

// When the start type cannot be read back after the pass, what the pass itself saw
// counts: its change of Fax was accepted, so the success box, never the partial one.
TEST_F(ServicesPage, AReadBackThatCannotBeMadeCountsWhatThePassSaw)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    TrackServiceNames();
    const SeamLayer layer(beneath);
    osApi.ChangeServiceConfigW = ChangeThenNote;
    osApi.RegQueryValueExW = StartUnreadableOnceChanged;
    osApi.OpenSCManagerW = ManagerRefusedOnceChanged;
    for (const OsFault refusal : {OsFault::ReadStart, OsFault::OpenManager}) {
        SCOPED_TRACE(OsFaultName(refusal));
        ASSERT_TRUE(ArrangeService(L"Fax", SERVICE_DEMAND_START, false));
        ClearBackupStore();
        faxChanged = false;
        refusedAfterTheChange = refusal;
        StandInWindow::CheckRows(Bit(Fax));
        BoxRecorder boxes({IDYES});
        DisableSelectedServices();
        refusedAfterTheChange = OsFault::None;
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[1], AllDisabled, InformationBox);
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), SERVICE_DEMAND_START);
    }
}

// A checked row at a start type that no restore could set again (boot, system, unknown;
// written into the registry directly, as another tool could) is listed, left alone with
// no backup, and counts as a failure; the other rows are still turned off.
TEST_F(ServicesPage, RowsNoRestoreCouldPutBackAreLeftAlone)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    const std::wstring faxKey = ServiceKey(L"Fax");
    for (DWORD start : {0u, 1u, 5u}) {
        SCOPED_TRACE(testing::Message() << "start type " << start);
        ASSERT_TRUE(ArrangeService(L"WSearch", SERVICE_DEMAND_START, false));
        ASSERT_TRUE(ArrangeService(L"Fax", SERVICE_DEMAND_START, false));
        ASSERT_TRUE(SetDwordValue(faxKey.c_str(), L"Start", start));
        ClearBackupStore();
        RefreshServiceList();
        ExpectRow(Fax, {L"Другой режим", true, false});
        StandInWindow::CheckRows(Bit(Fax) | Bit(WSearch));
        BoxRecorder boxes({IDYES});
        DisableSelectedServices();

        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[0],
                  std::wstring(DisableHeader) + L"• Windows Search (поиск)\n• Fax\n" + DisableFooter, QuestionBox);
        ExpectBox(boxes.Boxes()[1], SomeFailed, WarningBox);
        EXPECT_EQ(RegistryStartType(L"Fax"), start);
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 3);
    }
}

// A row the user confirmed that is gone when the pass runs (removed, or its start type
// can no longer be read) was not turned off: the partial box, never the success box,
// also when a timer tick during the confirmation has unchecked it.
TEST_F(ServicesPage, ConfirmedRowThatVanishedIsAFailure)
{
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    static void (*during)() = nullptr;
    struct Case {
        const char* name;
        void (*during)();
        OsFault fault;
    } const cases[] = {
        {"removed", [] { RemoveTestService(L"Fax"); }, OsFault::None},
        {"removed-and-unchecked-by-a-tick",
         [] {
             RemoveTestService(L"Fax");
             RefreshServiceList();
         },
         OsFault::None},
        {"start-unreadable", [] {}, OsFault::OpenKey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
        ASSERT_TRUE(ArrangeService(L"WSearch", SERVICE_DEMAND_START, false));
        ClearBackupStore();
        StandInWindow::CheckRows(Bit(Fax) | Bit(WSearch));
        during = c.during;
        BoxRecorder boxes({IDYES});
        {
            const std::wstring faxKey = ServiceKey(L"Fax");
            // from the answer on: the listing read the row as it was
            static FaultSeam* refuse = nullptr;
            static OsFault kind = OsFault::None;
            static std::wstring target;
            kind = c.fault;
            target = faxKey;
            boxes.WhileOpen([](const RecordedBox& box) {
                if (box.type != QuestionBox) return;
                during();
                if (kind != OsFault::None) refuse = new FaultSeam(kind, target.c_str());
            });
            DisableSelectedServices();
            delete refuse;
            refuse = nullptr;
        }
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[0], std::wstring(DisableHeader) + L"• Windows Search (поиск)\n• Fax\n" + DisableFooter,
                  QuestionBox);
        ExpectBox(boxes.Boxes()[1], SomeFailed, WarningBox);
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 3);
        if (c.fault != OsFault::None) {
            EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
        }
    }
}
