#include <gtest/gtest.h>
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

using RestoreSaved = WorkflowFixture;

}  // namespace

TEST_F(RestoreSaved, NothingToRestore)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    const wchar_t text[] = L"3";
    const unsigned long long wide = 3;
    struct Case {
        const char* name;
        void (*arrange)(const void* text, const void* wide);
    } cases[] = {
        {"no-store", [](const void*, const void*) {}},
        {"only-original-start", [](const void*, const void*) { SetDwordValue(ProductKey, L"OriginalStart", 3); }},
        {"only-wrong-types",
         [](const void* s, const void* q) {
             SetRawValue(ProductKey, L"Bk_Fax", REG_SZ, s, 4);
             SetRawValue(ProductKey, L"Bk_WSearch", REG_QWORD, q, 8);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        c.arrange(text, &wide);
        BoxRecorder boxes({IDYES});
        RestoreSavedServices();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        ExpectBox(boxes.Boxes()[0], NothingSaved, InformationBox);
        EXPECT_FALSE(StandInWindow::ServiceListFilled());
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    }
    EXPECT_TRUE(ValueExists(ProductKey, L"Bk_Fax")) << "a value of the wrong type is left alone";
}

// Every row saved: 2 and 3 go back and their backups go; 0, 1, 4, 5 and a backup for a
// service that is not installed stay and count as failures (a restore never disables: a
// stored 4 would replace the start type the user has); OriginalStart is not touched.
TEST_F(RestoreSaved, RestoresWhatCanBeRestoredAndKeepsTheRest)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, false));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DISABLED, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"XblAuthManager", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"MapsBroker", SERVICE_DISABLED, false));
    const long long spoolerStart = RegistryStartType(L"Spooler");
    struct Saved {
        const wchar_t* service;
        const wchar_t* backup;
        DWORD value;
        long long startAfter;  // Absent: not installed
        bool kept;
        const wchar_t* label;
    } saved[] = {
        {L"SysMain", L"Bk_SysMain", 3, 3, false, L"Вручную"},
        {L"WSearch", L"Bk_WSearch", 2, 2, false, L"Авто"},
        {L"Spooler", L"Bk_Spooler", 1, spoolerStart, true, L"Вручную | есть копия"},
        {L"Fax", L"Bk_Fax", 4, 3, true, L"Вручную | есть копия"},
        {L"XblAuthManager", L"Bk_XblAuth", 0, 3, true, L"Вручную | есть копия"},
        {L"MapsBroker", L"Bk_MapsBroker", 5, 4, true, L"Отключена | есть копия"},
        {L"RemoteRegistry", L"Bk_RemoteRegistry", 3, Absent, true, L"Нет службы | есть копия"},
    };
    for (const Saved& s : saved) SetDwordValue(ProductKey, s.backup, s.value);
    SetDwordValue(ProductKey, L"OriginalStart", 2);

    BoxRecorder boxes({IDYES});
    RestoreSavedServices();

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[0],
              std::wstring(RestoreHeader) +
                  L"• SysMain / Tarvix\n• Windows Search (поиск)\n• Print Spooler (печать)\n• Fax\n"
                  L"• Xbox Live Auth\n• Offline Maps\n• Remote Registry\n" + RestoreFooter,
              QuestionBox);
    ExpectBox(boxes.Boxes()[1], SomeKept, WarningBox);
    for (int i = 0; i < ServiceCount; ++i) {
        const Saved& s = saved[i];
        SCOPED_TRACE(testing::Message() << "row " << i);
        EXPECT_EQ(RegistryStartType(s.service), s.startAfter);
        EXPECT_EQ(DwordValue(ProductKey, s.backup), s.kept ? s.value : Absent);
        EXPECT_EQ(Text(serviceLabels[i]), s.label);
    }
    // only the two restorable values were written
    EXPECT_EQ(seamCounters.startTypesChanged, (std::vector<DWORD>{3, 2}));
    EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), 2);
    EXPECT_EQ(SysMainStatus.start, 3u) << "the Home page follows SysMain";
}

TEST_F(RestoreSaved, AllRestoredLeavesAnEmptyStore)
{
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DISABLED, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    SetDwordValue(ProductKey, L"Bk_Fax", 3);
    SetDwordValue(ProductKey, L"Bk_WSearch", 2);
    BoxRecorder boxes({IDYES});
    RestoreSavedServices();

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[0], std::wstring(RestoreHeader) + L"• Windows Search (поиск)\n• Fax\n" + RestoreFooter,
              QuestionBox);
    ExpectBox(boxes.Boxes()[1], AllRestored, InformationBox);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_AUTO_START);
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_WSearch"));
    EXPECT_TRUE(KeyExists(ProductKey));
    EXPECT_EQ(Text(serviceLabels[3]), L"Вручную");
    EXPECT_EQ(Text(serviceLabels[1]), L"Авто");
}

TEST_F(RestoreSaved, AnswerNoChangesNothing)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    SetDwordValue(ProductKey, L"Bk_Fax", 3);
    BoxRecorder boxes({IDNO});
    RestoreSavedServices();
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    EXPECT_FALSE(StandInWindow::ServiceListFilled());
    EXPECT_EQ(seamCounters.changeConfigCalls, 0);
}

// A refused change or an unreadable backup keeps the backup and counts; a restored start
// type not known to be on disk, or a refused deletion, keeps the backup but is no failure
// (the value is simply offered again next time).
TEST_F(RestoreSaved, Refusals)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    struct Case {
        const char* name;
        OsFault fault;
        const wchar_t* target;
        long long faxStart;
        const wchar_t* result;
        UINT type;
    } cases[] = {
        {"change-refused", OsFault::ChangeConfig, L"Fax", 4, SomeKept, WarningBox},
        {"delete-refused", OsFault::DeleteValue, L"Bk_Fax", 3, AllRestored, InformationBox},
        // a backup that cannot be read is listed and counts, never skipped as if absent
        {"backup-unreadable", OsFault::ReadValue, L"Bk_Fax", 4, SomeKept, WarningBox},
        // the start type went back but is not known to be on disk: the backup stays
        {"not-on-disk", OsFault::FlushKey, nullptr, 3, AllRestored, InformationBox},
        {"lock-not-had", OsFault::Lock, nullptr, 4, SomeKept, WarningBox},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ArrangeService(L"Fax", SERVICE_DISABLED, false));
        ClearBackupStore();
        SetDwordValue(ProductKey, L"Bk_Fax", 3);
        BoxRecorder boxes({IDYES});
        {
            FaultSeam refuse(c.fault, c.target);
            RestoreSavedServices();
            EXPECT_GT(FaultSeam::Refused(), 0);
        }
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[1], c.result, c.type);
        EXPECT_EQ(RegistryStartType(L"Fax"), c.faxStart);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    }
}

// A timer tick through the open confirmation: each backup is read again, so one changed
// meanwhile gives its new value, and one deleted meanwhile counts as restored only when
// its service no longer reads as disabled (another copy put it back); deleted by another
// tool with the service still disabled, it is reported as not restored.
TEST_F(RestoreSaved, RestorePassReadsEveryBackupAgain)
{
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DISABLED, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    static DWORD faxMeanwhile = 0;
    static bool startAsText = false;
    struct Case {
        const char* name;
        DWORD faxMeanwhile;
        bool startAsText;  // Fax's Start becomes a REG_SZ: no start type can be read
        const wchar_t* result;
        UINT type;
    } const cases[] = {
        {"restored-by-another-copy", SERVICE_DEMAND_START, false, AllRestored, InformationBox},
        {"copy-deleted-by-another-tool", SERVICE_DISABLED, false, SomeKept, WarningBox},
        {"copy-deleted-and-start-unreadable", SERVICE_DEMAND_START, true, SomeKept, WarningBox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ArrangeService(L"WSearch", SERVICE_DISABLED, false));
        ASSERT_TRUE(ArrangeService(L"Fax", SERVICE_DISABLED, false));
        ClearBackupStore();
        SetDwordValue(ProductKey, L"Bk_Fax", 3);
        SetDwordValue(ProductKey, L"Bk_WSearch", 3);
        faxMeanwhile = c.faxMeanwhile;
        startAsText = c.startAsText;
        BoxRecorder boxes({IDYES});
        boxes.WhileOpen([](const RecordedBox& box) {
            if (box.type != QuestionBox) return;
            ChangeStartTypeExternally(L"Fax", faxMeanwhile);
            const wchar_t manual[] = L"3";
            if (startAsText) SetRawValue(ServiceKey(L"Fax").c_str(), L"Start", REG_SZ, manual, sizeof(manual));
            DeleteRawValue(ProductKey, L"Bk_Fax");
            SetDwordValue(ProductKey, L"Bk_WSearch", 2);
            RefreshServiceList();
        });
        RestoreSavedServices();
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        ExpectBox(boxes.Boxes()[1], c.result, c.type);
        EXPECT_EQ(RegistryStartType(L"Fax"), c.startAsText ? Absent : c.faxMeanwhile);
        EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_AUTO_START);
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_WSearch"));
    }
}

// The restore acts only on the rows its question named. While the question (Fax alone)
// is open, another copy turns WSearch off and saves its automatic start, and something
// leaves a backup no restore could use for Spooler: after Yes both stay as they are and
// count for nothing; Fax is restored.
TEST_F(RestoreSaved, OnlyTheRowsTheQuestionNamed)
{
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_AUTO_START, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    const long long spoolerStart = RegistryStartType(L"Spooler");
    SetDwordValue(ProductKey, L"Bk_Fax", 3);
    BoxRecorder boxes({IDYES});
    boxes.WhileOpen([](const RecordedBox& box) {
        if (box.type != QuestionBox) return;
        // the other copy's turn-off of WSearch, backup first
        SetDwordValue(ProductKey, L"Bk_WSearch", SERVICE_AUTO_START);
        ChangeStartTypeExternally(L"WSearch", SERVICE_DISABLED);
        SetDwordValue(ProductKey, L"Bk_Spooler", 1);
        RefreshServiceList();
    });
    RestoreSavedServices();

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[0], std::wstring(RestoreHeader) + L"• Fax\n" + RestoreFooter, QuestionBox);
    ExpectBox(boxes.Boxes()[1], AllRestored, InformationBox);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED) << "the other administrator's change stays";
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), SERVICE_AUTO_START);
    EXPECT_EQ(RegistryStartType(L"Spooler"), spoolerStart);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Spooler"), 1);
    EXPECT_EQ(seamCounters.startTypesChanged, (std::vector<DWORD>{SERVICE_DEMAND_START}));
    EXPECT_EQ(Text(serviceLabels[1]), L"Отключена | есть копия");
}
