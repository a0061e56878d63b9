#include <gtest/gtest.h>
#include <algorithm>
#include "ui/WindowState.h"
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

const std::wstring SysMainKey = ServiceKey(L"SysMain");

// a state no service reports: still there after the workflow means no refresh ran
constexpr LONG NotRefreshed = 77;

bool HasStop()
{
    const auto& sent = seamCounters.controlsSent;
    return std::find(sent.begin(), sent.end(), DWORD(SERVICE_CONTROL_STOP)) != sent.end();
}

void SetOrDelete(const wchar_t* name, long long value)
{
    if (value == Absent)
        DeleteRawValue(ProductKey, name);
    else
        SetDwordValue(ProductKey, name, static_cast<DWORD>(value));
}

// SysMain installed once per test; each row puts it and the store into its own state.
class ApplyToggle : public WorkflowFixture {
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
    }

    // the user has flipped the auto-start toggle to turnOff (so refreshes leave it) and set the stop toggle
    // a start type the service manager does not set for a service program (0, 1, 5 and
    // above) is written into the registry directly, as another tool could
    void Arrange(DWORD start, bool running, long long original, long long bkSysMain, bool turnOff, bool stop)
    {
        const bool raw = start < SERVICE_AUTO_START || start > SERVICE_DISABLED;
        ASSERT_TRUE(ArrangeService(L"SysMain", raw ? SERVICE_DEMAND_START : start, running));
        if (raw) {
            ASSERT_TRUE(SetDwordValue(SysMainKey.c_str(), L"Start", start));
        }
        ClearBackupStore();
        SetOrDelete(L"OriginalStart", original);
        SetOrDelete(L"Bk_SysMain", bkSysMain);
        RefreshSysMainStatus();
        ASSERT_TRUE(SysMainStatus.startReadable);
        SysMainStatus.state = NotRefreshed;
        toggleTouched = true;
        SetChecked(autoStartToggle, turnOff);
        SetChecked(stopServiceToggle, stop);
        seamCounters = SeamCounters();
    }
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

// A row gives SysMain's start type and state, its two backups, what the user set and
// answers and which OS call is refused; then what SysMain, OriginalStart and the boxes
// show afterwards. Fields left out take the value after "=".
struct ApplyCase {
    const char* name;
    DWORD start;
    bool running = false;
    long long original = Absent;   // OriginalStart before
    long long bkSysMain = Absent;  // never read nor written by this workflow
    bool turnOff;                  // the auto-start toggle
    bool stop;                     // the stop toggle
    int answer = IDYES;
    OsFault fault = OsFault::None;
    // expected
    DWORD startAfter;
    long long originalAfter;
    const wchar_t* result = nullptr;  // the box after the confirmation, none for nullptr
    UINT resultType = 0;
    bool stopSent = false;
};

const ApplyCase applyCases[] = {
    {.name = "no-to-turn-off", .start = 2, .turnOff = true, .stop = true, .answer = IDNO,
     .startAfter = 2, .originalAfter = Absent},
    {.name = "no-to-restore", .start = 4, .original = 3, .turnOff = false, .stop = true, .answer = IDNO,
     .startAfter = 4, .originalAfter = 3},
    {.name = "off-already-disabled", .start = 4, .turnOff = true, .stop = true,
     .startAfter = 4, .originalAfter = Absent, .result = AlreadyOff, .resultType = InformationBox},
    {.name = "off-backup-write-refused", .start = 2, .turnOff = true, .stop = true, .fault = OsFault::SetValue,
     .startAfter = 2, .originalAfter = Absent, .result = BackupFailed, .resultType = ErrorBox},
    {.name = "off-backup-key-refused", .start = 3, .turnOff = true, .stop = true, .fault = OsFault::CreateKey,
     .startAfter = 3, .originalAfter = Absent, .result = BackupFailed, .resultType = ErrorBox},
    {.name = "off-saves-start", .start = 2, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-keeps-older-backup", .start = 2, .original = 3, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-keeps-automatic-backup", .start = 3, .original = 2, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    // a backup that could never turn the automatic start back on is replaced
    {.name = "off-replaces-backup-0", .start = 3, .original = 0, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-replaces-backup-4", .start = 2, .original = 4, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-replaces-backup-7", .start = 3, .original = 7, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    // the 4 it replaced for the pass is put back: a refused pass leaves the store as it was
    {.name = "off-refused-puts-back-the-replaced-4", .start = 2, .original = 4, .turnOff = true, .stop = true,
     .fault = OsFault::ChangeConfig,
     .startAfter = 2, .originalAfter = 4, .result = TurnOffFailed, .resultType = ErrorBox},
    // a backup that cannot be read may be there: it is never written over
    {.name = "off-backup-unreadable", .start = 2, .original = 3, .turnOff = true, .stop = true,
     .fault = OsFault::ReadValue, .startAfter = 2, .originalAfter = 3, .result = BackupFailed, .resultType = ErrorBox},
    {.name = "off-store-unreadable", .start = 2, .turnOff = true, .stop = true, .fault = OsFault::OpenKey,
     .startAfter = 2, .originalAfter = Absent, .result = BackupFailed, .resultType = ErrorBox},
    {.name = "off-backup-not-on-disk", .start = 2, .turnOff = true, .stop = true, .fault = OsFault::FlushKey,
     .startAfter = 2, .originalAfter = Absent, .result = BackupFailed, .resultType = ErrorBox},
    {.name = "off-lock-not-had", .start = 2, .turnOff = true, .stop = true, .fault = OsFault::Lock,
     .startAfter = 2, .originalAfter = Absent, .result = TurnOffFailed, .resultType = ErrorBox},
    {.name = "off-refused-removes-fresh-backup", .start = 2, .turnOff = true, .stop = true,
     .fault = OsFault::ChangeConfig,
     .startAfter = 2, .originalAfter = Absent, .result = TurnOffFailed, .resultType = ErrorBox},
    {.name = "off-refused-keeps-older-backup", .start = 2, .original = 3, .turnOff = true, .stop = true,
     .fault = OsFault::ChangeConfig, .startAfter = 2, .originalAfter = 3, .result = TurnOffFailed, .resultType = ErrorBox},
    // a boot, system or unknown start type: no restore could ever set it again
    {.name = "off-boot-start-left-alone", .start = 0, .turnOff = true, .stop = true,
     .startAfter = 0, .originalAfter = Absent, .result = TurnOffFailed, .resultType = ErrorBox},
    {.name = "off-system-start-left-alone", .start = 1, .original = 3, .turnOff = true, .stop = true,
     .startAfter = 1, .originalAfter = 3, .result = TurnOffFailed, .resultType = ErrorBox},
    {.name = "off-unknown-start-left-alone", .start = 5, .original = 0, .turnOff = true, .stop = false,
     .startAfter = 5, .originalAfter = 0, .result = TurnOffFailed, .resultType = ErrorBox},
    {.name = "off-stops-running", .start = 2, .running = true, .turnOff = true, .stop = true,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox, .stopSent = true},
    {.name = "off-without-stop-leaves-running", .start = 3, .running = true, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-stop-asked-but-stopped", .start = 2, .turnOff = true, .stop = true,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    {.name = "off-ignores-bk-sysmain", .start = 2, .bkSysMain = 3, .turnOff = true, .stop = false,
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    {.name = "restore-already-allowed", .start = 2, .original = 3, .turnOff = false, .stop = true,
     .startAfter = 2, .originalAfter = 3, .result = AlreadyOn, .resultType = InformationBox},
    {.name = "restore-no-backup", .start = 4, .turnOff = false, .stop = true,
     .startAfter = 4, .originalAfter = Absent, .result = NoBackup, .resultType = WarningBox},
    {.name = "restore-backup-4", .start = 4, .original = 4, .turnOff = false, .stop = true,
     .startAfter = 4, .originalAfter = 4, .result = NoBackup, .resultType = WarningBox},
    {.name = "restore-backup-0", .start = 4, .original = 0, .turnOff = false, .stop = true,
     .startAfter = 4, .originalAfter = 0, .result = NoBackup, .resultType = WarningBox},
    {.name = "restore-backup-5", .start = 4, .original = 5, .turnOff = false, .stop = true,
     .startAfter = 4, .originalAfter = 5, .result = NoBackup, .resultType = WarningBox},
    {.name = "restore-only-bk-sysmain", .start = 4, .bkSysMain = 3, .turnOff = false, .stop = true,
     .startAfter = 4, .originalAfter = Absent, .result = NoBackup, .resultType = WarningBox},
    {.name = "restore-refused", .start = 4, .original = 3, .turnOff = false, .stop = true,
     .fault = OsFault::ChangeConfig, .startAfter = 4, .originalAfter = 3, .result = RestoreFailed, .resultType = ErrorBox},
    {.name = "restore-backup-unreadable", .start = 4, .original = 3, .turnOff = false, .stop = true,
     .fault = OsFault::ReadValue, .startAfter = 4, .originalAfter = 3, .result = NoBackup, .resultType = WarningBox},
    // the start type went back but is not known to be on disk: the backup stays
    {.name = "restore-not-on-disk", .start = 4, .original = 3, .turnOff = false, .stop = true,
     .fault = OsFault::FlushKey, .startAfter = 3, .originalAfter = 3, .result = Restored, .resultType = InformationBox},
    {.name = "restore-lock-not-had", .start = 4, .original = 3, .turnOff = false, .stop = true, .fault = OsFault::Lock,
     .startAfter = 4, .originalAfter = 3, .result = RestoreFailed, .resultType = ErrorBox},
    {.name = "restore-manual", .start = 4, .original = 3, .turnOff = false, .stop = true,
     .startAfter = 3, .originalAfter = Absent, .result = Restored, .resultType = InformationBox},
    {.name = "restore-automatic-never-stops", .start = 4, .running = true, .original = 2,
     .turnOff = false, .stop = true,
     .startAfter = 2, .originalAfter = Absent, .result = Restored, .resultType = InformationBox},
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
        ExpectBox(shown[0], c.turnOff ? AskTurnOff : AskRestore, QuestionBox);
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
// the auto-start toggle as it stood before the box.
struct DuringCase {
    const char* name;
    DWORD start;
    bool running = false;
    long long original = Absent;
    bool turnOff;
    bool untouched = false;  // the auto-start toggle not flipped by the user: a refresh may move it
    void (*during)();        // runs while the confirmation is open
    // expected
    DWORD startAfter;
    long long originalAfter;
    const wchar_t* result;
    UINT resultType;
    bool stopSent = false;
};

void (*duringConfirmation)() = nullptr;

void Disable() { ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED); }
void SetManual() { ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START); }
void SetAutomatic() { ChangeStartTypeExternally(L"SysMain", SERVICE_AUTO_START); }

const DuringCase duringCases[] = {
    {.name = "disabled-meanwhile", .start = 2, .turnOff = true,
     .during = [] { Disable(); RefreshSysMainStatus(); },
     .startAfter = 4, .originalAfter = Absent, .result = AlreadyOff, .resultType = InformationBox},
    {.name = "saves-start-read-after-answer", .start = 2, .turnOff = true,
     .during = [] { SetManual(); RefreshSysMainStatus(); },
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    {.name = "restore-allowed-meanwhile", .start = 4, .original = 3, .turnOff = false,
     .during = [] { SetAutomatic(); RefreshSysMainStatus(); },
     .startAfter = 2, .originalAfter = 3, .result = AlreadyOn, .resultType = InformationBox},
    {.name = "backup-appears-meanwhile", .start = 4, .turnOff = false,
     .during = [] { SetDwordValue(ProductKey, L"OriginalStart", 3); RefreshSysMainStatus(); },
     .startAfter = 3, .originalAfter = Absent, .result = Restored, .resultType = InformationBox},
    // the refresh checks the auto-start toggle (SysMain now disabled), yet the user asked to restore
    {.name = "toggle-101-read-before", .start = 2, .turnOff = false, .untouched = true,
     .during = [] { Disable(); RefreshSysMainStatus(); },
     .startAfter = 4, .originalAfter = Absent, .result = NoBackup, .resultType = WarningBox},
    {.name = "toggle-102-read-at-change", .start = 2, .running = true, .turnOff = true,
     .during = [] { SetChecked(stopServiceToggle, true); },
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox, .stopSent = true},
    // without a refresh (automatic refresh off, or another copy of the program) the
    // start type and the backup are still read afresh after the answer
    {.name = "manual-without-a-tick", .start = 2, .turnOff = true, .during = [] { SetManual(); },
     .startAfter = 4, .originalAfter = 3, .result = TurnedOff, .resultType = InformationBox},
    {.name = "disabled-without-a-tick", .start = 2, .turnOff = true, .during = [] { Disable(); },
     .startAfter = 4, .originalAfter = Absent, .result = AlreadyOff, .resultType = InformationBox},
    {.name = "backup-vanishes-without-a-tick", .start = 2, .original = 3, .turnOff = true,
     .during = [] { DeleteRawValue(ProductKey, L"OriginalStart"); },
     .startAfter = 4, .originalAfter = 2, .result = TurnedOff, .resultType = InformationBox},
    {.name = "backup-appears-without-a-tick", .start = 4, .turnOff = false,
     .during = [] { SetDwordValue(ProductKey, L"OriginalStart", 2); },
     .startAfter = 2, .originalAfter = Absent, .result = Restored, .resultType = InformationBox},
    {.name = "restored-elsewhere-without-a-tick", .start = 4, .original = 3, .turnOff = false,
     .during = [] { SetManual(); DeleteRawValue(ProductKey, L"OriginalStart"); },
     .startAfter = 3, .originalAfter = Absent, .result = AlreadyOn, .resultType = InformationBox},
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
            if (box.type == QuestionBox) duringConfirmation();
        });
        ApplySysMainToggle();

        const auto& shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 2u);
        ExpectBox(shown[0], c.turnOff ? AskTurnOff : AskRestore, QuestionBox);
        ExpectBox(shown[1], c.result, c.resultType);
        EXPECT_EQ(RegistryStartType(L"SysMain"), c.startAfter);
        EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), c.originalAfter);
        EXPECT_EQ(HasStop(), c.stopSent);
        if (c.untouched) {
            EXPECT_TRUE(Checked(autoStartToggle)) << "the refresh moved toggle 101";
        }
        seam.ExpectAllClosed();
    }
}

// SysMain's Start unreadable after the confirmation (another type written, the key gone
// with the service, access refused): nothing is changed and the failure box says so.
TEST_F(ApplyToggle, StartUnreadableAfterTheConfirmation)
{
    static void (*spoil)() = nullptr;
    struct Case {
        const char* name;
        void (*during)();
    } const cases[] = {
        {"another-type", [] {
             const wchar_t text[] = L"broken";
             SetRawValue(SysMainKey.c_str(), L"Start", REG_SZ, text, sizeof(text));
         }},
        {"read-refused", nullptr},
    };
    for (const Case& c : cases) {
        for (bool turnOff : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.name << (turnOff ? " turn-off" : " restore"));
            ASSERT_NO_FATAL_FAILURE(Arrange(turnOff ? 2 : 4, false, turnOff ? Absent : 3, Absent, turnOff, true));
            BoxRecorder boxes({IDYES});
            spoil = c.during;
            boxes.WhileOpen([](const RecordedBox& box) {
                if (box.type == QuestionBox && spoil) spoil();
            });
            {
                FaultSeam refuse(c.during ? OsFault::None : OsFault::OpenKey, SysMainKey.c_str());
                ApplySysMainToggle();
            }
            SetDwordValue(SysMainKey.c_str(), L"Start", turnOff ? 2 : 4);

            ASSERT_EQ(boxes.Boxes().size(), 2u);
            ExpectBox(boxes.Boxes()[1], turnOff ? TurnOffFailed : RestoreFailed, ErrorBox);
            EXPECT_EQ(seamCounters.changeConfigCalls, 0);
            EXPECT_EQ(DwordValue(ProductKey, L"OriginalStart"), turnOff ? Absent : 3);
            EXPECT_NE(SysMainStatus.state, NotRefreshed) << "no refresh after the answer";
            seam.ExpectAllClosed();
        }
    }
}

// SysMain removed while the confirmation is open: the failure box, nothing written.
TEST_F(ApplyToggle, SysMainRemovedDuringTheConfirmation)
{
    ASSERT_NO_FATAL_FAILURE(Arrange(2, false, Absent, Absent, true, true));
    BoxRecorder boxes({IDYES});
    boxes.WhileOpen([](const RecordedBox& box) {
        if (box.type == QuestionBox) RemoveTestService(L"SysMain");
    });
    ApplySysMainToggle();
    ASSERT_FALSE(ServiceExists(L"SysMain"));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    ExpectBox(boxes.Boxes()[1], TurnOffFailed, ErrorBox);
    EXPECT_EQ(seamCounters.changeConfigCalls, 0);
    EXPECT_FALSE(KeyExists(ProductKey));
    EXPECT_FALSE(SysMainStatus.startReadable);
    seam.ExpectAllClosed();
}

// SysMain not installed: Apply does nothing at all, whichever way the auto-start toggle points.
TEST(ApplyToggleWithoutSysMain, DoesNothing)
{
    ClearBackupStore();
    StandInWindow window;
    CountingSeam seam;
    RefreshSysMainStatus();
    ASSERT_FALSE(SysMainStatus.startReadable);
    for (bool turnOff : {true, false}) {
        SCOPED_TRACE(turnOff ? "turn-off" : "restore");
        SetChecked(autoStartToggle, turnOff);
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
