// SysMain on the Home page: turning its automatic start off and back on with Apply,
// the confirmations, Start and Stop with their error boxes.
#include "e2e/World.h"

namespace {

using namespace BoxText;

class SysMain : public EndToEnd {};

long long OriginalStart()
{
    return DwordValue(ProductKey, L"OriginalStart");
}

}  // namespace

// Off with Apply, then back on in a later run of the program: the backup outlives the
// process. With toggle 102 on, turning off also stops the running service.
TEST_F(SysMain, AutoStartOffAndBackInALaterRun)
{
    struct Row {
        const char* name;
        bool stopWhenDisabling;
    } rows[] = {{"stop-when-disabling", true}, {"keep-running", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.reset();
        ClearBackupStore();
        ASSERT_NO_FATAL_FAILURE(InstallServices());
        const DWORD stateAfter = row.stopWhenDisabling ? SERVICE_STOPPED : SERVICE_RUNNING;
        const wchar_t* stateText = row.stopWhenDisabling ? L"Остановлена" : L"Работает";
        {
            Program program;
            ASSERT_TRUE(program.Start());
            HomeControls home = FindHome(program);
            if (!row.stopWhenDisabling) ClickToggle(program, home.stopService, false, "toggle 102");
            ClickToggle(program, home.autoStart, true, "toggle 101");
            program.Click(home.apply);
            SeenBox confirm = program.WaitForBox();
            ExpectBox(confirm, AskTurnOff, BoxIcon::Warning, true);
            EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START) << "changed before the answer";
            program.Answer(confirm, IDYES);
            SeenBox result = program.WaitForBox();
            ExpectBox(result, TurnedOff, BoxIcon::Information, false);
            EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
            EXPECT_EQ(OriginalStart(), SERVICE_AUTO_START);
            program.Answer(result, IDOK);

            EXPECT_TRUE(WaitForServiceState(L"SysMain", stateAfter));
            ExpectTextSoon(home.status, stateText, "status label");
            ExpectText(home.startType, L"Отключена", "start-type label");
            ExpectText(home.saved, L"Сохранённая настройка: автоматически", "saved-setting label");
            ExpectCheck(home.autoStart, true, "toggle 101 follows the start type");
            EXPECT_FALSE(Program::Enabled(home.start)) << "Start with automatic start off";
            EXPECT_EQ(Program::Enabled(home.stop), !row.stopWhenDisabling) << "Stop";
            EXPECT_TRUE(program.Close());
        }
        EXPECT_EQ(ServiceState(L"SysMain"), stateAfter) << "the service after the program ended";

        Program later;
        ASSERT_TRUE(later.Start());
        HomeControls home = FindHome(later);
        ExpectText(home.status, stateText, "status label in the later run");
        ExpectText(home.startType, L"Отключена", "start-type label in the later run");
        ExpectText(home.saved, L"Сохранённая настройка: автоматически", "saved-setting label in the later run");
        ExpectCheck(home.autoStart, true, "toggle 101 in the later run");
        ClickToggle(later, home.autoStart, false, "toggle 101");
        later.Click(home.apply);
        SeenBox confirm = later.WaitForBox();
        ExpectBox(confirm, AskRestore, BoxIcon::Warning, true);
        later.Answer(confirm, IDYES);
        SeenBox result = later.WaitForBox();
        ExpectBox(result, Restored, BoxIcon::Information, false);
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
        EXPECT_FALSE(BackupPresent(L"OriginalStart"));
        later.Answer(result, IDOK);

        ExpectTextSoon(home.startType, L"Автоматически", "start-type label after the restore");
        ExpectText(home.saved, L"Сохранённая настройка: отсутствует", "saved-setting label after the restore");
        ExpectText(home.status, stateText, "a restore neither starts nor stops");
        ExpectCheck(home.autoStart, false, "toggle 101 after the restore");
        EXPECT_EQ(Program::Enabled(home.start), row.stopWhenDisabling) << "Start";
        EXPECT_TRUE(later.Close());
        EXPECT_EQ(ServiceState(L"SysMain"), stateAfter);
    }
}

// Apply paths that change nothing: the answer No, and the boxes that refuse.
TEST_F(SysMain, ApplyThatChangesNothing)
{
    struct Row {
        const char* name;
        DWORD start;
        long long originalStart;  // -1: none
        bool flipToggle;          // click toggle 101 before Apply
        const wchar_t* confirm;
        int answer;
        const wchar_t* result;  // null: no second box
        BoxIcon icon;
        const wchar_t* savedText;
    } rows[] = {
        {"no-to-turning-off", SERVICE_AUTO_START, -1, true, AskTurnOff, IDNO, nullptr, BoxIcon::None,
         L"Сохранённая настройка: отсутствует"},
        {"no-to-restoring", SERVICE_DISABLED, 3, true, AskRestore, IDNO, nullptr, BoxIcon::None,
         L"Сохранённая настройка: вручную"},
        {"already-off", SERVICE_DISABLED, 2, false, AskTurnOff, IDYES, AlreadyOff,
         BoxIcon::Information, L"Сохранённая настройка: автоматически"},
        {"already-allowed", SERVICE_DEMAND_START, 2, false, AskRestore, IDYES, AlreadyOn,
         BoxIcon::Information, L"Сохранённая настройка: автоматически"},
        {"restore-without-backup", SERVICE_DISABLED, -1, true, AskRestore, IDYES, NoBackup, BoxIcon::Warning,
         L"Сохранённая настройка: отсутствует"},
        {"restore-of-other-type", SERVICE_DISABLED, 4, true, AskRestore, IDYES, NoBackup, BoxIcon::Warning,
         L"Сохранённая настройка: другой тип"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.reset();
        ClearBackupStore();
        ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", row.start, false}}));
        if (row.originalStart >= 0) {
            ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", DWORD(row.originalStart)));
        }
        Program program;
        ASSERT_TRUE(program.Start());
        HomeControls home = FindHome(program);
        const bool following = row.start == SERVICE_DISABLED;
        if (row.flipToggle) ClickToggle(program, home.autoStart, !following, "toggle 101");
        program.Click(home.apply);
        SeenBox confirm = program.WaitForBox();
        ExpectBox(confirm, row.confirm, BoxIcon::Warning, true);
        program.Answer(confirm, row.answer);
        if (row.result) {
            SeenBox result = program.WaitForBox();
            ExpectBox(result, row.result, row.icon, false);
            program.Answer(result, IDOK);
        }
        EXPECT_TRUE(program.NoBoxWithin(500)) << "an unexpected further box";
        EXPECT_EQ(RegistryStartType(L"SysMain"), row.start);
        EXPECT_EQ(OriginalStart(), row.originalStart);
        ExpectText(home.saved, row.savedText, "saved-setting label");
        // after Apply, whatever the answer, the toggle follows the start type again
        ExpectCheck(home.autoStart, following, "toggle 101 after Apply");
        EXPECT_TRUE(program.Close());
    }
}

TEST_F(SysMain, StartAndStop)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_DEMAND_START, false}}));
    Program program;
    ASSERT_TRUE(program.Start());
    HomeControls home = FindHome(program);
    ASSERT_TRUE(Program::Enabled(home.start));
    EXPECT_FALSE(Program::Enabled(home.stop));

    program.Click(home.start);
    EXPECT_TRUE(WaitForServiceState(L"SysMain", SERVICE_RUNNING));
    ExpectTextSoon(home.status, L"Работает", "status label after Start");
    EXPECT_TRUE(WaitUntil([&] { return Program::Enabled(home.stop) && !Program::Enabled(home.start); }))
        << "Stop enabled and Start disabled while running";
    EXPECT_TRUE(WaitUntil([&] { return program.Shot().At(467, 171) == RGB(34, 161, 90); })) << "green dot";
    EXPECT_TRUE(program.NoBoxWithin(300));

    program.Click(home.stop);
    EXPECT_TRUE(WaitForServiceState(L"SysMain", SERVICE_STOPPED));
    ExpectTextSoon(home.status, L"Остановлена", "status label after Stop");
    EXPECT_TRUE(WaitUntil([&] { return Program::Enabled(home.start) && !Program::Enabled(home.stop); }))
        << "Start enabled and Stop disabled while stopped";
    EXPECT_TRUE(WaitUntil([&] { return program.Shot().At(467, 171) == RGB(220, 85, 85); })) << "red dot";
    EXPECT_TRUE(program.NoBoxWithin(300));
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START) << "Start and Stop leave the start type";
    EXPECT_TRUE(program.Close());
}

// Start refused because the automatic start was turned off meanwhile by another program
// (automatic refreshing off, so the Start button still looks usable); Stop refused by
// a service that accepts no stop control.
TEST_F(SysMain, StartAndStopErrorBoxes)
{
    {
        SCOPED_TRACE("start-refused");
        ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_DEMAND_START, false}}));
        Program program;
        ASSERT_TRUE(program.Start());
        HomeControls home = FindHome(program);
        ClickToggle(program, home.autoRefresh, false, "toggle 108");
        ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED));
        ASSERT_TRUE(Program::Enabled(home.start));
        program.Click(home.start);
        SeenBox box = program.WaitForBox();
        ExpectBox(box, StartFailed, BoxIcon::Error, false);
        program.Answer(box, IDOK);
        // the refresh after the box shows what the attempt left
        ExpectTextSoon(home.startType, L"Отключена", "start-type label after the refused start", 3000);
        ExpectText(home.status, L"Остановлена", "status label");
        EXPECT_FALSE(Program::Enabled(home.start));
        EXPECT_EQ(ServiceState(L"SysMain"), SERVICE_STOPPED);
        EXPECT_TRUE(program.Close());
    }
    {
        SCOPED_TRACE("stop-refused");
        services.reset();
        ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, true, ServiceMode::RefuseStop}}));
        Program program;
        ASSERT_TRUE(program.Start());
        HomeControls home = FindHome(program);
        ASSERT_TRUE(Program::Enabled(home.stop));
        program.Click(home.stop);
        SeenBox box = program.WaitForBox();
        ExpectBox(box, StopFailed, BoxIcon::Error, false);
        program.Answer(box, IDOK);
        EXPECT_EQ(ServiceState(L"SysMain"), SERVICE_RUNNING);
        ExpectText(home.status, L"Работает", "status label after the refused stop");
        EXPECT_TRUE(Program::Enabled(home.stop));
        EXPECT_TRUE(program.Close());
    }
}
