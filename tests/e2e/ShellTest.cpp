// The web-page and startup-apps buttons clicked in the real program, with handlers
// planted for "https" and "ms-settings" as any process of the user could plant them:
// the handler runs, but in the desktop shell's process, never as a child of the
// program, which would hand it the program's administrator rights.
#include "e2e/World.h"
#include <shellapi.h>
#include "support/ShellHandler.h"

namespace {

class ShellTargets : public EndToEnd {};

}  // namespace

TEST_F(ShellTargets, PlantedHandlersNeverRunAsChildrenOfTheProgram)
{
    PlantedHandler settings(L"ms-settings");
    PlantedHandler web(L"https");
    struct Row {
        const char* name;
        const PlantedHandler& handler;
        const wchar_t* target;  // what the button opens
        int sidebarRow;  // of the button's page
        int button;
    } const rows[] = {
        {"Автозагрузка Windows (303)", settings, L"ms-settings:startupapps", 2, 303},
        {"Подробнее о Tarvix (105)", web, L"https://tarvix.example/mini", 3, 105},
    };
    // the plants work: opened from a process of the test, each handler runs as its child
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.handler.Planted());
        ShellExecuteW(nullptr, L"open", row.target, nullptr, nullptr, SW_SHOW);
        HandlerLaunch launch;
        ASSERT_TRUE(row.handler.WaitForLaunch(launch, 10000)) << "the planted handler is not found";
        ASSERT_EQ(launch.parentId, GetCurrentProcessId());
        row.handler.Forget();
    }

    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // by the sidebar: after a click the focus is on a button, which takes no page keys
        program.ClickClient(110, 105 + 52 * row.sidebarRow + 22);
        Program::ParkPointer();
        HWND button = program.Control(row.button);
        ASSERT_TRUE(WaitUntil([&] { return Program::Visible(button); })) << "the button's page did not show";
        program.Click(button);
        HandlerLaunch launch;
        ASSERT_TRUE(row.handler.WaitForLaunch(launch, 10000)) << "the target was not opened";
        EXPECT_EQ(Utf8(launch.target), Utf8(row.target));
        EXPECT_NE(launch.parentId, program.ProcessId()) << "the handler ran as a child of the program";
        EXPECT_EQ(Utf8(launch.parentName), "explorer.exe") << "parent process " << launch.parentId;
        EXPECT_TRUE(program.NoBoxWithin(500)) << "a box after opening";
    }
    EXPECT_TRUE(program.Close());
}
