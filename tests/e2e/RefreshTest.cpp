// The three-second refresh seeing start-type changes made by another program while
// this one runs (ChangeServiceConfigW, what `sc config` does; Wine's sc has no config).
#include "e2e/World.h"

namespace {

class Refresh : public EndToEnd {};

// Two timer periods: a tick comes within this after a change, even on a busy machine.
constexpr DWORD TickWaitMs = 6000;
// More than one period: at least one tick has come and gone.
constexpr DWORD OneTickMs = 4000;

}  // namespace

TEST_F(Refresh, HomeFollowsExternalChangesUntilTheUserFlipsTheToggle)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    HomeControls home = FindHome(program);

    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED));
    ExpectTextSoon(home.startType, L"Отключена", "start-type label after the external change", TickWaitMs);
    ExpectCheck(home.autoStart, true, "toggle 101 follows the start type");
    EXPECT_FALSE(Program::Enabled(home.start)) << "Start while disabled";
    EXPECT_TRUE(Program::Enabled(home.stop)) << "Stop while running";

    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_AUTO_START));
    ExpectTextSoon(home.startType, L"Автоматически", "start-type label after the change back", TickWaitMs);
    ExpectCheck(home.autoStart, false, "toggle 101 follows the start type back");

    // once the user has flipped it, the refreshes leave toggle 101 as the user set it
    program.Click(home.autoStart);
    ASSERT_TRUE(WaitUntil([&] { return Program::Check(home.autoStart) == BST_CHECKED; })) << "toggle 101 flip";
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    ExpectTextSoon(home.startType, L"Вручную", "start-type label while the toggle is touched", TickWaitMs);
    ExpectCheck(home.autoStart, true, "toggle 101 keeps the user's choice");

    // Refresh hands the toggle back to the start type
    program.Click(home.refresh);
    EXPECT_TRUE(WaitUntil([&] { return Program::Check(home.autoStart) == BST_UNCHECKED; }))
        << "toggle 101 after Refresh";
    EXPECT_TRUE(program.NoBoxWithin(200));
    EXPECT_TRUE(program.Close());
}

TEST_F(Refresh, AutomaticRefreshOffChangesNothingUntilTurnedOnAgain)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    HomeControls home = FindHome(program);
    program.Click(home.autoRefresh);
    ASSERT_TRUE(WaitUntil([&] { return Program::Check(home.autoRefresh) == BST_UNCHECKED; })) << "toggle 108 flip";

    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED));
    ASSERT_TRUE(StopTestService(L"SysMain"));
    // more than one tick passes: nothing may change
    EXPECT_FALSE(WaitUntil([&] { return Program::Text(home.startType) != L"Автоматически"; }, OneTickMs, 100))
        << "a tick refreshed with toggle 108 off";
    ExpectText(home.status, L"Работает", "status label with toggle 108 off");
    EXPECT_EQ(program.Shot().At(467, 171), RGB(34, 161, 90)) << "status dot with toggle 108 off";

    program.Click(home.autoRefresh);
    ExpectTextSoon(home.startType, L"Отключена", "start-type label once toggle 108 is on", TickWaitMs);
    ExpectText(home.status, L"Остановлена", "status label once toggle 108 is on");
    // the status card is repainted with the change
    EXPECT_TRUE(WaitUntil([&] { return program.Shot().At(467, 171) == RGB(220, 85, 85); })) << "red dot";
    EXPECT_TRUE(program.Close());
}

TEST_F(Refresh, ServicesListFollowsExternalChanges)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    program.PressKey('2');
    ServicesControls page = FindServices(program);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";

    const int fax = 3;
    program.Click(page.toggles[fax]);
    ASSERT_TRUE(WaitUntil([&] { return Program::Check(page.toggles[fax]) == BST_CHECKED; })) << "Fax toggle flip";
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DISABLED));
    ExpectTextSoon(page.labels[fax], L"Отключена", "Fax row after the external change", TickWaitMs);
    ExpectCheck(page.toggles[fax], false, "a disabled service's toggle is unchecked");
    EXPECT_FALSE(Program::Enabled(page.toggles[fax])) << "a disabled service's toggle is disabled";

    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_AUTO_START));
    ExpectTextSoon(page.labels[fax], L"Авто", "Fax row after the change back", TickWaitMs);
    EXPECT_TRUE(Program::Enabled(page.toggles[fax]));
    ExpectCheck(page.toggles[fax], false, "the toggle stays unchecked");
    EXPECT_TRUE(program.Close());
}
