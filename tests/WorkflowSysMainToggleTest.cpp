#include <gtest/gtest.h>
#include <algorithm>
#include "service/SysMainStatus.h"
#include "service/Workflows.h"
#include "support/OsSeam.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "support/WorkflowWindow.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

namespace {

const wchar_t* SysMainKey = L"SYSTEM\\CurrentControlSet\\Services\\SysMain";
const wchar_t* Caption = L"Tarvix Mini 4.4.1";
const wchar_t* AskOff = L"Отключить автозапуск SysMain?\nПрежняя настройка будет сохранена.";
const wchar_t* AskRestore = L"Вернуть прежнюю настройку SysMain?";
const wchar_t* AlreadyOff = L"Автозапуск SysMain уже отключён.";
const wchar_t* BackupFailed = L"Не удалось сохранить прежнюю настройку SysMain.\nИзменения отменены.";
const wchar_t* TurnedOff = L"Автозапуск SysMain отключён.\nИзменение вступит в силу при следующем запуске Windows.";
const wchar_t* TurnOffFailed = L"Не удалось отключить автозапуск SysMain.\nНастройки не изменены.";
const wchar_t* AlreadyOn = L"Автозапуск SysMain уже разрешён.";
const wchar_t* NoBackup = L"Не удалось найти прежние настройки SysMain.\nВосстановление отменено.";
const wchar_t* RestoreFailed = L"Не удалось восстановить автозапуск SysMain.\nНастройка не изменена.";
const wchar_t* Restored =
    L"Прежняя настройка SysMain восстановлена.\nЕсли служба остановлена, она может запуститься после перезагрузки.";

constexpr long long Absent = -1;
// a state no service reports: still there after the workflow means no refresh ran
constexpr LONG NotRefreshed = 77;

bool HasStop()
{
    const auto& sent = seamCounters.controlsSent;
    return std::find(sent.begin(), sent.end(), DWORD(SERVICE_CONTROL_STOP)) != sent.end();
}

void ExpectBox(const RecordedBox& box, const wchar_t* text, UINT type)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.type, type);
    EXPECT_EQ(box.caption, Caption);
    EXPECT_EQ(box.owner, mainWindow);
}

void SetOrDelete(const wchar_t* name, long long value)
{
    if (value == Absent)
        DeleteRawValue(ProductKey, name);
    else
        SetDwordValue(ProductKey, name, static_cast<DWORD>(value));
}

// SysMain installed once per test; each row puts it and the store into its own state.
class ApplyToggle : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearBackupStore();
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
    }
    void TearDown() override { ClearBackupStore(); }

    // the user has flipped toggle 101 to turnOff (so refreshes leave it) and set toggle 102
    void Arrange(DWORD start, bool running, long long original, long long bkSysMain, bool turnOff, bool stop)
    {
        ASSERT_TRUE(ArrangeService(L"SysMain", start, running));
        ClearBackupStore();
        SetOrDelete(L"OriginalStart", original);
        SetOrDelete(L"Bk_SysMain", bkSysMain);
        RefreshSysMainStatus();
        ASSERT_TRUE(SysMainStatus.startReadable);
        SysMainStatus.state = NotRefreshed;
        toggleTouched = true;
        WorkflowWindow::SetChecked(autoStartToggle, turnOff);
        WorkflowWindow::SetChecked(stopServiceToggle, stop);
        seamCounters = SeamCounters();
    }

    ServiceWorld world;
    WorkflowWindow window;
    CountingSeam seam;
};

// what a refusal of each kind hits in these cases
const wchar_t* FaultTarget(OsFault fault)
{
    switch (fault) {
    case OsFault::ChangeConfig: return L"SysMain";
    case OsFault::ReadValue: return L"OriginalStart";
    case OsFault::OpenKey: return ProductKey;
    default: return nullptr;
    }
}

struct ApplyCase {
    const char* name;
    DWORD start;
    bool running;
    long long original;  // OriginalStart before, Absent for none
    bool turnOff;        // toggle 101
    bool stop;           // toggle 102
    int answer;
    OsFault fault;
    // expected
    DWORD startAfter;
    long long originalAfter;
    const wchar_t* result;  // the box after the confirmation, nullptr for none
    UINT resultType;
    bool stopSent;
    long long bkSysMain = Absent;  // never read nor written by this workflow
};

const ApplyCase applyCases[] = {
    {"no-to-turn-off", 2, false, Absent, true, true, IDNO, OsFault::None, 2, Absent, nullptr, 0, false},
    {"no-to-restore", 4, false, 3, false, true, IDNO, OsFault::None, 4, 3, nullptr, 0, false},
    {"off-already-disabled", 4, false, Absent, true, true, IDYES, OsFault::None, 4, Absent, AlreadyOff, 0x40, false},
    {"off-backup-write-refused", 2, false, Absent, true, true, IDYES, OsFault::SetValue, 2, Absent, BackupFailed,
     0x10, false},
    {"off-backup-key-refused", 3, false, Absent, true, true, IDYES, OsFault::CreateKey, 3, Absent, BackupFailed, 0x10,
     false},
    {"off-saves-start", 2, false, Absent, true, false, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, false},
    {"off-keeps-older-backup", 2, false, 3, true, false, IDYES, OsFault::None, 4, 3, TurnedOff, 0x40, false},
    {"off-keeps-automatic-backup", 3, false, 2, true, false, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, false},
    // a backup that could never turn the automatic start back on is replaced
    {"off-replaces-backup-0", 3, false, 0, true, false, IDYES, OsFault::None, 4, 3, TurnedOff, 0x40, false},
    {"off-replaces-backup-4", 2, false, 4, true, false, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, false},
    {"off-replaces-backup-7", 3, false, 7, true, false, IDYES, OsFault::None, 4, 3, TurnedOff, 0x40, false},
    {"off-refused-after-replacing-backup-4", 2, false, 4, true, true, IDYES, OsFault::ChangeConfig, 2, Absent,
     TurnOffFailed, 0x10, false},
    // a backup that cannot be read may be there: it is never written over
    {"off-backup-unreadable", 2, false, 3, true, true, IDYES, OsFault::ReadValue, 2, 3, BackupFailed, 0x10, false},
    {"off-store-unreadable", 2, false, Absent, true, true, IDYES, OsFault::OpenKey, 2, Absent, BackupFailed, 0x10,
     false},
    {"off-backup-not-on-disk", 2, false, Absent, true, true, IDYES, OsFault::FlushKey, 2, Absent, BackupFailed, 0x10,
     false},
    {"off-lock-not-had", 2, false, Absent, true, true, IDYES, OsFault::Lock, 2, Absent, TurnOffFailed, 0x10, false},
    {"off-refused-removes-fresh-backup", 2, false, Absent, true, true, IDYES, OsFault::ChangeConfig, 2, Absent,
     TurnOffFailed, 0x10, false},
    {"off-refused-keeps-older-backup", 2, false, 3, true, true, IDYES, OsFault::ChangeConfig, 2, 3, TurnOffFailed,
     0x10, false},
    {"off-stops-running", 2, true, Absent, true, true, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, true},
    {"off-without-stop-leaves-running", 3, true, Absent, true, false, IDYES, OsFault::None, 4, 3, TurnedOff, 0x40,
     false},
    {"off-stop-asked-but-stopped", 2, false, Absent, true, true, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, false},
    {"off-ignores-bk-sysmain", 2, false, Absent, true, false, IDYES, OsFault::None, 4, 2, TurnedOff, 0x40, false, 3},
    {"restore-already-allowed", 2, false, 3, false, true, IDYES, OsFault::None, 2, 3, AlreadyOn, 0x40, false},
    {"restore-no-backup", 4, false, Absent, false, true, IDYES, OsFault::None, 4, Absent, NoBackup, 0x30, false},
    {"restore-backup-4", 4, false, 4, false, true, IDYES, OsFault::None, 4, 4, NoBackup, 0x30, false},
    {"restore-backup-0", 4, false, 0, false, true, IDYES, OsFault::None, 4, 0, NoBackup, 0x30, false},
    {"restore-backup-5", 4, false, 5, false, true, IDYES, OsFault::None, 4, 5, NoBackup, 0x30, false},
    {"restore-only-bk-sysmain", 4, false, Absent, false, true, IDYES, OsFault::None, 4, Absent, NoBackup, 0x30, false,
     3},
    {"restore-refused", 4, false, 3, false, true, IDYES, OsFault::ChangeConfig, 4, 3, RestoreFailed, 0x10, false},
    {"restore-backup-unreadable", 4, false, 3, false, true, IDYES, OsFault::ReadValue, 4, 3, NoBackup, 0x30, false},
    // the start type went back but is not known to be on disk: the backup stays
    {"restore-not-on-disk", 4, false, 3, false, true, IDYES, OsFault::FlushKey, 3, 3, Restored, 0x40, false},
    {"restore-lock-not-had", 4, false, 3, false, true, IDYES, OsFault::Lock, 4, 3, RestoreFailed, 0x10, false},
    {"restore-manual", 4, false, 3, false, true, IDYES, OsFault::None, 3, Absent, Restored, 0x40, false},
    {"restore-automatic-never-stops", 4, true, 2, false, true, IDYES, OsFault::None, 2, Absent, Restored, 0x40,
     false},
};

}  // namespace

TEST_F(ApplyToggle, Outcomes)
{
    for (const ApplyCase& c : applyCases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Arrange(c.start, c.running, c.original, c.bkSysMain, c.turnOff, c.stop));
        BoxRecorder boxes({c.answer});
        {
            FaultSeam refuse(c.fault, FaultTarget(c.fault));
            ApplySysMainToggle();
            EXPECT_EQ(FaultSeam::Refused() > 0, c.fault != OsFault::None) << "the refusal was reached";
        }
        const auto& shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), c.result ? 2u : 1u);
        ExpectBox(shown[0], c.turnOff ? AskOff : AskRestore, 0x34);
        if (c.result) ExpectBox(shown[1], c.result, c.resultType);

        EXPECT_EQ(RegistryStartType(L"SysMain"), c.startAfter);
        EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), c.originalAfter);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_SysMain"), c.bkSysMain);
        EXPECT_EQ(HasStop(), c.stopSent);
        if (c.running) {
            EXPECT_TRUE(WaitForServiceState(L"SysMain", c.stopSent ? SERVICE_STOPPED : SERVICE_RUNNING, 5000));
        }
        // every path past a Yes ends with a refresh; a No changes and refreshes nothing
        EXPECT_EQ(SysMainStatus.state != NotRefreshed, c.answer == IDYES);
        if (c.answer == IDYES) {
            EXPECT_EQ(SysMainStatus.start, c.startAfter);
        } else {
            EXPECT_EQ(seamCounters.keysOpened + seamCounters.scmOpened, 0);
        }
        seam.ExpectAllClosed();
    }
}

namespace {

// What changes while the confirmation is open, by a timer tick or elsewhere: the workflow
// decides on SysMain's start type and backup as they stand after the answer, but on
// toggle 101 as it stood before the box.
struct DuringCase {
    const char* name;
    DWORD start;
    bool running;
    long long original;
    bool turnOff;
    bool untouched;     // toggle 101 not flipped by the user: a refresh may move it
    void (*during)();   // runs while the confirmation is open
    DWORD startAfter;
    long long originalAfter;
    const wchar_t* result;
    UINT resultType;
    bool stopSent;
};

void (*duringConfirmation)() = nullptr;

void Disable() { ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED); }
void SetManual() { ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START); }
void SetAutomatic() { ChangeStartTypeExternally(L"SysMain", SERVICE_AUTO_START); }

const DuringCase duringCases[] = {
    {"disabled-meanwhile", 2, false, Absent, true, false,
     [] { Disable(); RefreshSysMainStatus(); }, 4, Absent, AlreadyOff, 0x40, false},
    {"saves-start-read-after-answer", 2, false, Absent, true, false,
     [] { SetManual(); RefreshSysMainStatus(); }, 4, 3, TurnedOff, 0x40, false},
    {"restore-allowed-meanwhile", 4, false, 3, false, false,
     [] { SetAutomatic(); RefreshSysMainStatus(); }, 2, 3, AlreadyOn, 0x40, false},
    {"backup-appears-meanwhile", 4, false, Absent, false, false,
     [] { SetDwordValue(ProductKey, L"OriginalStart", 3); RefreshSysMainStatus(); }, 3, Absent, Restored, 0x40,
     false},
    // the refresh checks toggle 101 (SysMain now disabled), yet the user asked to restore
    {"toggle-101-read-before", 2, false, Absent, false, true,
     [] { Disable(); RefreshSysMainStatus(); }, 4, Absent, NoBackup, 0x30, false},
    {"toggle-102-read-at-change", 2, true, Absent, true, false,
     [] { WorkflowWindow::SetChecked(stopServiceToggle, true); }, 4, 2, TurnedOff, 0x40, true},
    // without a refresh (automatic refresh off, or another copy of the program) the
    // start type and the backup are still read afresh after the answer
    {"manual-without-a-tick", 2, false, Absent, true, false, [] { SetManual(); }, 4, 3, TurnedOff, 0x40, false},
    {"disabled-without-a-tick", 2, false, Absent, true, false, [] { Disable(); }, 4, Absent, AlreadyOff, 0x40, false},
    {"backup-vanishes-without-a-tick", 2, false, 3, true, false,
     [] { DeleteRawValue(ProductKey, L"OriginalStart"); }, 4, 2, TurnedOff, 0x40, false},
    {"backup-appears-without-a-tick", 4, false, Absent, false, false,
     [] { SetDwordValue(ProductKey, L"OriginalStart", 2); }, 2, Absent, Restored, 0x40, false},
    {"restored-elsewhere-without-a-tick", 4, false, 3, false, false,
     [] {
         SetManual();
         DeleteRawValue(ProductKey, L"OriginalStart");
     },
     3, Absent, AlreadyOn, 0x40, false},
};

}  // namespace

TEST_F(ApplyToggle, DecidesOnWhatTheTimerReadDuringTheConfirmation)
{
    for (const DuringCase& c : duringCases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Arrange(c.start, c.running, c.original, Absent, c.turnOff, false));
        toggleTouched = !c.untouched;
        duringConfirmation = c.during;
        BoxRecorder boxes({IDYES});
        boxes.WhileOpen([](const RecordedBox& box) {
            if (box.type == 0x34) duringConfirmation();
        });
        ApplySysMainToggle();

        const auto& shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 2u);
        ExpectBox(shown[0], c.turnOff ? AskOff : AskRestore, 0x34);
        ExpectBox(shown[1], c.result, c.resultType);
        EXPECT_EQ(RegistryStartType(L"SysMain"), c.startAfter);
        EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), c.originalAfter);
        EXPECT_EQ(HasStop(), c.stopSent);
        if (c.untouched) {
            EXPECT_TRUE(WorkflowWindow::Checked(autoStartToggle)) << "the refresh moved toggle 101";
        }
        seam.ExpectAllClosed();
    }
}

// A tick during the confirmation finds SysMain's Start unreadable: nothing is changed,
// no further box, and the status is refreshed once more.
TEST_F(ApplyToggle, StartUnreadableAfterTheConfirmation)
{
    for (bool turnOff : {true, false}) {
        SCOPED_TRACE(turnOff ? "turn-off" : "restore");
        ASSERT_NO_FATAL_FAILURE(Arrange(turnOff ? 2 : 4, false, turnOff ? Absent : 3, Absent, turnOff, true));
        BoxRecorder boxes({IDYES});
        boxes.WhileOpen([](const RecordedBox&) {
            const wchar_t text[] = L"broken";
            SetRawValue(SysMainKey, L"Start", REG_SZ, text, sizeof(text));
            RefreshSysMainStatus();
            SysMainStatus.state = NotRefreshed;
        });
        ApplySysMainToggle();
        SetDwordValue(SysMainKey, L"Start", turnOff ? 2 : 4);

        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(seamCounters.changeConfigCalls, 0);
        EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), turnOff ? Absent : 3);
        EXPECT_NE(SysMainStatus.state, NotRefreshed) << "no refresh after the answer";
        EXPECT_FALSE(SysMainStatus.startReadable);
        seam.ExpectAllClosed();
    }
}

// SysMain not installed: Apply does nothing at all, whichever way toggle 101 points.
TEST(ApplyToggleWithoutSysMain, DoesNothing)
{
    ClearBackupStore();
    WorkflowWindow window;
    CountingSeam seam;
    RefreshSysMainStatus();
    ASSERT_FALSE(SysMainStatus.startReadable);
    for (bool turnOff : {true, false}) {
        SCOPED_TRACE(turnOff ? "turn-off" : "restore");
        WorkflowWindow::SetChecked(autoStartToggle, turnOff);
        SysMainStatus.state = NotRefreshed;
        seamCounters = SeamCounters();
        BoxRecorder boxes({IDYES});
        ApplySysMainToggle();
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_EQ(seamCounters.keysOpened + seamCounters.scmOpened, 0);
        EXPECT_EQ(SysMainStatus.state, NotRefreshed);
    }
    EXPECT_FALSE(KeyExists(ProductKey));
}
