// The undo rule and the workflows driven through their values alone: no window, no
// toggles, no boxes. A recorded change stands in for the service manager where the rule
// is the subject; the workflows run against real test services.
#include <gtest/gtest.h>
#include <optional>
#include <vector>
#include "service/BackupStore.h"
#include "service/SysMainStatus.h"
#include "service/UndoRule.h"
#include "service/Workflows.h"
#include "support/OsSeam.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"

namespace {

constexpr const wchar_t* Value = L"Bk_Fax";
constexpr DWORD Auto = SERVICE_AUTO_START;
constexpr DWORD Manual = SERVICE_DEMAND_START;
constexpr DWORD Disabled = SERVICE_DISABLED;

// What a change was asked to set, and whether it takes.
struct RecordedChange {
    std::vector<DWORD> asked;
    bool takes = true;
};

bool RecordChange(const void* context, DWORD startType)
{
    auto* change = const_cast<RecordedChange*>(static_cast<const RecordedChange*>(context));
    change->asked.push_back(startType);
    return change->takes;
}

class UndoRule : public ::testing::Test {
protected:
    void SetUp() override { ClearBackupStore(); }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    // the registry's own value stands for the service: the hive flush after a restore
    // goes to a service that exists
    StartTypeChange Change() { return {L"Spooler", RecordChange, &recorded}; }
    CountingSeam seam;
    RecordedChange recorded;
};

}  // namespace

namespace {

// One case of the rule: the store before, the fault, whether the change takes; the outcome,
// the start types the change was asked to set and the store after.
template <typename Outcome>
struct Case {
    const char* name;
    long long stored;  // Absent for none
    OsFault fault;     // refused for the backup value
    bool takes;
    Outcome outcome;
    std::vector<DWORD> asked;
    long long storedAfter;
};

}  // namespace

// Runs step for each case on a store holding only the case's value, with its fault in the seam.
template <typename Outcome, size_t N, typename Step>
void RunCases(const Case<Outcome> (&cases)[N], RecordedChange& recorded, Step step)
{
    for (const Case<Outcome>& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBackupStore();
        if (c.stored != Absent) {
            ASSERT_TRUE(SetDwordValue(ProductKey, Value, static_cast<DWORD>(c.stored)));
        }
        recorded = RecordedChange{};
        recorded.takes = c.takes;
        std::optional<FaultSeam> fault;
        if (c.fault != OsFault::None) fault.emplace(c.fault, Value);

        const Outcome outcome = step();

        fault.reset();
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(recorded.asked, c.asked);
        EXPECT_EQ(DwordValue(ProductKey, Value), c.storedAfter);
    }
}

TEST_F(UndoRule, SaveThenChangeKeepsAUsableBackupAndTakesBackOnlyItsOwnWrite)
{
    const Case<SaveOutcome> cases[] = {
        {"none stored", Absent, OsFault::None, true, SaveOutcome::Changed, {Disabled}, Auto},
        {"a usable one kept, not overwritten", Manual, OsFault::None, true, SaveOutcome::Changed, {Disabled}, Manual},
        {"an unusable one replaced", Disabled, OsFault::None, true, SaveOutcome::Changed, {Disabled}, Auto},
        {"unreadable: nothing done", Manual, OsFault::ReadValue, true, SaveOutcome::BackupUnreadable, {}, Manual},
        {"write refused: nothing changed", Absent, OsFault::SetValue, true, SaveOutcome::BackupNotWritten, {}, Absent},
        {"change refused: its own write deleted", Absent, OsFault::None, false, SaveOutcome::ChangeFailed, {Disabled},
         Absent},
        {"change refused: a kept backup stays", Manual, OsFault::None, false, SaveOutcome::ChangeFailed, {Disabled},
         Manual},
        {"change refused: the unusable one it replaced is back", Disabled, OsFault::None, false,
         SaveOutcome::ChangeFailed, {Disabled}, Disabled},
        {"flush refused: the unusable one it replaced is back", Disabled, OsFault::FlushKey, true,
         SaveOutcome::BackupNotWritten, {}, Disabled},
        {"flush refused: its own write deleted", Absent, OsFault::FlushKey, true, SaveOutcome::BackupNotWritten, {},
         Absent},
    };
    RunCases(cases, recorded, [this] { return SaveThenChange(Value, Auto, Disabled, Change(), RestorableStartType); });
}

TEST_F(UndoRule, RestoreSetsOnlyAUsableBackupAndDeletesItOnlyAfterTheChange)
{
    const Case<RestoreOutcome> cases[] = {
        {"nothing saved", Absent, OsFault::None, true, RestoreOutcome::NothingSaved, {}, Absent},
        {"manual put back, backup gone", Manual, OsFault::None, true, RestoreOutcome::Restored, {Manual}, Absent},
        {"automatic put back, backup gone", Auto, OsFault::None, true, RestoreOutcome::Restored, {Auto}, Absent},
        {"disabled is never set again", Disabled, OsFault::None, true, RestoreOutcome::BackupNotUsable, {}, Disabled},
        {"unreadable: nothing done", Manual, OsFault::ReadValue, true, RestoreOutcome::BackupUnreadable, {}, Manual},
        {"change refused: backup stays", Manual, OsFault::None, false, RestoreOutcome::ChangeFailed, {Manual}, Manual},
    };
    RunCases(cases, recorded, [this] { return RestoreThenFlushThenDelete(Value, Change(), RestorableStartType); });
}

// A restore whose start type cannot be flushed keeps its backup: the next restore sets the
// same type again.
TEST_F(UndoRule, RestoreKeepsTheBackupWhenTheServiceHiveIsNotFlushed)
{
    ASSERT_TRUE(SetDwordValue(ProductKey, Value, Manual));
    {
        const FaultSeam unflushed(OsFault::FlushKey);
        EXPECT_EQ(RestoreThenFlushThenDelete(Value, Change(), RestorableStartType), RestoreOutcome::Restored);
        EXPECT_GT(FaultSeam::Refused(), 0);
    }
    EXPECT_EQ(recorded.asked, std::vector<DWORD>{Manual});
    EXPECT_EQ(DwordValue(ProductKey, Value), Manual);
}

// The workflows as a test or another front end would call them: values in, outcomes out.
class WorkflowValues : public ::testing::Test {
protected:
    void SetUp() override { ClearBackupStore(); }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    ServiceWorld world;
    CountingSeam seam;
};

namespace {
bool Yes() { return true; }
bool No() { return false; }
int askedRow = -1;
bool OnlyRowAskedStillChecked(int row) { return row == askedRow; }
}  // namespace

TEST_F(WorkflowValues, SysMainTurnedOffAndRestoredWithoutAWindow)
{
    ASSERT_TRUE(world.Add(L"SysMain", Auto, true));

    EXPECT_EQ(TurnOffOrRestoreSysMain(true, No), SysMainChange::TurnedOff);
    EXPECT_EQ(RegistryStartType(L"SysMain"), Disabled);
    EXPECT_EQ(DwordValue(ProductKey, OriginalStartValue), Auto);
    EXPECT_EQ(ServiceState(L"SysMain"), static_cast<DWORD>(SERVICE_RUNNING)) << "not asked to stop";
    EXPECT_EQ(TurnOffOrRestoreSysMain(true, Yes), SysMainChange::AlreadyOff);

    EXPECT_EQ(TurnOffOrRestoreSysMain(false, No), SysMainChange::Restored);
    EXPECT_EQ(RegistryStartType(L"SysMain"), Auto);
    EXPECT_EQ(DwordValue(ProductKey, OriginalStartValue), Absent);
    EXPECT_EQ(TurnOffOrRestoreSysMain(false, No), SysMainChange::AlreadyOn);

    SysMainSnapshot s;
    ReadSysMain(s);
    EXPECT_TRUE(s.startReadable);
    EXPECT_EQ(s.start, Auto);
    EXPECT_FALSE(s.saved);
}

TEST_F(WorkflowValues, RowsTurnedOffWhileStillCheckedAndListedRowsRestored)
{
    // two rows are offered; only the second is still checked at the pass
    constexpr int FirstRow = 1, SecondRow = 3;
    const ServiceEntry& first = ServiceCatalogue[FirstRow];
    const ServiceEntry& second = ServiceCatalogue[SecondRow];
    ASSERT_TRUE(world.Add(first.name, Manual, false));
    ASSERT_TRUE(world.Add(second.name, Auto, false));
    ASSERT_TRUE(OfferedForTurnOff(first));
    ASSERT_TRUE(OfferedForTurnOff(second));
    bool listed[ServiceCount] = {};
    listed[FirstRow] = listed[SecondRow] = true;
    askedRow = SecondRow;

    EXPECT_EQ(TurnOffConfirmedRows(listed, OnlyRowAskedStillChecked), 1) << "the unchecked row is still on";

    EXPECT_EQ(RegistryStartType(first.name), Manual) << "unchecked before its turn: left alone";
    EXPECT_EQ(DwordValue(ProductKey, first.backupName), Absent);
    EXPECT_EQ(RegistryStartType(second.name), Disabled);
    EXPECT_EQ(DwordValue(ProductKey, second.backupName), Auto);
    const ServiceRowSnapshot row = ReadServiceRow(second);
    EXPECT_TRUE(row.exists);
    EXPECT_EQ(row.start, Disabled);
    EXPECT_TRUE(row.hasBackup);
    EXPECT_FALSE(OfferedForTurnOff(second)) << "disabled now";
    EXPECT_TRUE(ListedForRestore(second));
    EXPECT_FALSE(ListedForRestore(first));

    // only the rows listed: a backup of another row is left alone
    ASSERT_TRUE(SetDwordValue(ProductKey, first.backupName, Auto));
    bool restoreListed[ServiceCount] = {};
    restoreListed[SecondRow] = true;
    EXPECT_EQ(RestoreListedRows(restoreListed), 0);
    EXPECT_EQ(RegistryStartType(second.name), Auto);
    EXPECT_EQ(DwordValue(ProductKey, second.backupName), Absent);
    EXPECT_EQ(RegistryStartType(first.name), Manual);
    EXPECT_EQ(DwordValue(ProductKey, first.backupName), Auto);
}
