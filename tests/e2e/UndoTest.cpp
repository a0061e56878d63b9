// What the undo promise means from outside: two copies of the program at once, each
// deciding on the registry as it stands after its confirmation; and backups that could
// never turn the automatic start back on, replaced instead of kept.
#include "e2e/World.h"

namespace {

using namespace BoxText;

class Undo : public EndToEnd {};

// the middle of sidebar row i
int SidebarRowY(int row)
{
    return 105 + 52 * row + 22;
}

// Flips toggle 101 to turnOff, clicks Apply, answers Yes, expects the result box and closes it.
void ApplyOnHome(Program& program, bool turnOff, const wchar_t* result, const char* who)
{
    SCOPED_TRACE(who);
    HomeControls home = FindHome(program);
    if (Program::Check(home.autoStart) != (turnOff ? BST_CHECKED : BST_UNCHECKED))
        ClickToggle(program, home.autoStart, turnOff, "toggle 101");
    program.Click(home.apply);
    SeenBox confirm = program.WaitForBox();
    ExpectBox(confirm, turnOff ? AskTurnOff : AskRestore, BoxIcon::Warning, true);
    program.Answer(confirm, IDYES);
    SeenBox box = program.WaitForBox();
    ExpectBox(box, result, BoxIcon::Information, false);
    program.Answer(box, IDOK);
}

}  // namespace

// SysMain is back on automatic by other means and an old backup (manual) remains. The
// first copy, with automatic refresh off, keeps showing that. Meanwhile the second copy
// turns SysMain off (keeping the old backup) and restores it: manual, no backup left.
// When the first copy then turns it off, it saves manual, what SysMain had just before,
// and not nothing, which is what its stale view would have led it to.
TEST_F(Undo, TwoCopiesEachDecideOnTheRegistryAfterTheirConfirmation)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DEMAND_START));

    Program first;
    ASSERT_TRUE(first.Start());
    HomeControls firstHome = FindHome(first);
    ClickToggle(first, firstHome.autoRefresh, false, "toggle 108 of the first copy");
    {
        Program second;  // on top of the first: every click below goes to it
        ASSERT_TRUE(second.Start());
        ApplyOnHome(second, true, TurnedOff, "the second copy turns off");
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
        EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_DEMAND_START) << "the older backup is kept";
        ApplyOnHome(second, false, Restored, "the second copy restores");
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START);
        EXPECT_FALSE(BackupPresent(L"OriginalStart"));
        EXPECT_TRUE(second.Close());
    }
    // three timer periods: the first copy, not refreshing, still shows the old state
    Sleep(9000);
    ExpectText(firstHome.startType, L"Автоматически", "the first copy's view, not refreshed");
    ExpectText(firstHome.saved, L"Сохранённая настройка: вручную", "the first copy's view, not refreshed");

    ApplyOnHome(first, true, TurnedOff, "the first copy turns off");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_DEMAND_START) << "what SysMain had just before";
    ApplyOnHome(first, false, Restored, "the first copy restores");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));
    EXPECT_TRUE(first.Close());
}

// A 4 left in a backup (by another tool, a .reg import, an older build) could never turn
// the automatic start back on: turning the service off replaces it with the start type it
// had, and restoring puts that back.
TEST_F(Undo, AStoredFourIsReplacedByTheStartTypeOfNow)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DISABLED));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_MapsBroker", SERVICE_DISABLED));  // MapsBroker: automatic

    Program program;
    ASSERT_TRUE(program.Start());
    ApplyOnHome(program, true, TurnedOff, "Home turns off");
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_AUTO_START);

    program.ClickClient(110, SidebarRowY(1));
    ServicesControls page = FindServices(program);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";
    Program::ParkPointer();
    ClickToggle(program, page.toggles[5], true, "the MapsBroker row");
    program.Click(page.disable);
    SeenBox confirm = program.WaitForBox();
    program.Answer(confirm, IDYES);
    SeenBox result = program.WaitForBox();
    ExpectBox(result, AllDisabled, BoxIcon::Information, false);
    program.Answer(result, IDOK);
    EXPECT_EQ(RegistryStartType(L"MapsBroker"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"Bk_MapsBroker"), SERVICE_AUTO_START);

    program.Click(page.restore);
    confirm = program.WaitForBox();
    program.Answer(confirm, IDYES);
    result = program.WaitForBox();
    ExpectBox(result, AllRestored, BoxIcon::Information, false);
    program.Answer(result, IDOK);
    EXPECT_EQ(RegistryStartType(L"MapsBroker"), SERVICE_AUTO_START);

    program.ClickClient(110, SidebarRowY(0));
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(FindHome(program).apply); })) << "the Home page did not show";
    Program::ParkPointer();
    ApplyOnHome(program, false, Restored, "Home restores");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));
    EXPECT_TRUE(program.Close());
}
