// Pages: the keys 1 to 4, the sidebar, the page commands; what each page shows; the
// memory and disk texts; the window without GDI+.
#include <cwchar>
#include <vector>
#include "e2e/World.h"

namespace {

class Pages : public EndToEnd {};

const COLORREF SelectedRow = RGB(220, 252, 231);
const COLORREF White = RGB(255, 255, 255);
const COLORREF StatusCard = RGB(234, 250, 240);
const COLORREF CardBand = RGB(221, 244, 227);
const COLORREF LightGrey = RGB(247, 248, 247);

// The controls each page shows, found by id or by the place of the static text.
std::vector<HWND> ControlsOf(const Program& program, int page)
{
    std::vector<HWND> controls;
    auto ids = [&](std::initializer_list<int> list) {
        for (int id : list) controls.push_back(program.Control(id));
    };
    auto statics = [&](std::initializer_list<POINT> list) {
        for (POINT p : list) controls.push_back(program.StaticAt(p.x, p.y));
    };
    switch (page) {
        case 0:
            ids({101, 102, 108, 103, 106, 107, 104});
            statics({{486, 155}, {255, 311}, {255, 555}});
            break;
        case 1:
            ids({401, 402, 403, 404, 405, 406, 407, 301, 302});
            statics({{330, 111}, {575, 111}, {290, 538}});
            for (int row = 0; row < 7; ++row) controls.push_back(program.StaticAt(610, 145 + 45 * row));
            break;
        case 2:
            ids({303, 304});
            statics({{330, 160}, {330, 215}, {420, 344}});
            break;
        case 4:
            ids({105});
            statics({{260, 122}, {260, 166}, {260, 201}, {260, 287}, {260, 321}, {260, 420}});
            break;
        default:
            break;  // the Restore page has no controls
    }
    return controls;
}

// The page shown: its controls visible, every other page's hidden, its sidebar row
// selected (none for Restore), and the Home cards or the page card painted.
void ExpectPage(Program& program, int page, const wchar_t* screenshot)
{
    SCOPED_TRACE(testing::Message() << "page " << page);
    std::vector<HWND> own = ControlsOf(program, page);
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND control : own)
            if (!Program::Visible(control)) return false;
        return true;
    })) << "a control of the page is not visible";
    // the page's controls are shown before the later pages' are hidden: look at the
    // others once the switch is done
    program.Settle();
    for (int other : {0, 1, 2, 4}) {
        if (other == page) continue;
        for (HWND control : ControlsOf(program, other))
            EXPECT_FALSE(Program::Visible(control)) << "a control of page " << other << " is visible";
    }
    Capture shot = program.Shot();
    const int selectedRow = page == 4 ? 3 : page == 3 ? -1 : page;
    for (int row = 0; row < 4; ++row) {
        COLORREF pixel = shot.At(150, 110 + 52 * row);
        if (row == selectedRow) {
            EXPECT_EQ(pixel, SelectedRow) << "sidebar row " << row << " is not highlighted";
        } else {
            EXPECT_NE(pixel, SelectedRow) << "sidebar row " << row << " is highlighted";
        }
    }
    if (page == 0) {
        EXPECT_EQ(shot.At(800, 120), StatusCard) << "Home status card";
    } else {
        EXPECT_EQ(shot.At(600, 300), White) << "page card";
        EXPECT_EQ(shot.At(800, 120), White) << "page card";
        EXPECT_EQ(shot.At(600, 103), CardBand) << "page card band";
    }
    EXPECT_TRUE(shot.Save(screenshot)) << "screenshot";
}

}  // namespace

TEST_F(Pages, KeysSidebarAndCommandsShowEveryPage)
{
    // Fax as a batch turn-off leaves it, so that the Services screenshot shows a saved copy
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DISABLED, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    Program program;
    ASSERT_TRUE(program.Start());
    ExpectText(FindServices(program).labels[3], L"Отключена | есть копия", "Fax row");
    ExpectPage(program, 0, L"page-home");

    // keys, while the main window has the focus as it has after start-up
    struct KeyRow {
        WORD key;
        int page;
        const wchar_t* screenshot;
    } keys[] = {
        {'2', 1, L"page-services"}, {'3', 2, L"page-optimization"}, {'4', 4, L"page-help"}, {'1', 0, L"page-home"}};
    for (const KeyRow& row : keys) {
        SCOPED_TRACE(testing::Message() << "key " << char(row.key));
        program.PressKey(row.key);
        ExpectPage(program, row.page, row.screenshot);
    }
    // the keys of the numeric keypad do not switch pages
    program.PressKey(VK_NUMPAD2);
    program.Settle();
    EXPECT_TRUE(Program::Visible(program.Control(103))) << "numeric keypad 2 switched away from Home";

    // sidebar rows, clicked
    struct SidebarRow {
        int row;
        int page;
        const wchar_t* screenshot;
    } rows[] = {
        {1, 1, L"sidebar-services"}, {2, 2, L"sidebar-optimization"}, {3, 4, L"sidebar-help"}, {0, 0, L"sidebar-home"}};
    for (const SidebarRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "sidebar row " << row.row);
        program.ClickClient(110, 105 + 52 * row.row + 22);
        Program::ParkPointer();
        ExpectPage(program, row.page, row.screenshot);
    }

    // commands that no control sends
    struct CommandRow {
        int id;
        int page;
        const wchar_t* screenshot;
    } commands[] = {{905, 4, L"command-help"},
                    {904, 3, L"page-restore"},
                    {903, 2, L"command-optimization"},
                    {902, 1, L"command-services"},
                    {901, 0, L"command-home"}};
    for (const CommandRow& row : commands) {
        SCOPED_TRACE(testing::Message() << "command " << row.id);
        program.PostCommand(row.id);
        ExpectPage(program, row.page, row.screenshot);
    }
    EXPECT_TRUE(program.Close());
}

TEST_F(Pages, OptimizationAndHelpTexts)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    program.PressKey('3');
    HWND disk = program.StaticAt(330, 160);
    HWND memory = program.StaticAt(330, 215);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(memory); })) << "the Optimization page did not show";

    // Wine's storage driver does not answer the seek-penalty query
    ExpectText(disk, L"Тип диска: не определён", "disk label");
    ExpectText(program.StaticAt(420, 344), L"Системные настройки", "settings caption");
    ExpectText(program.Control(303), L"Автозагрузка Windows", "button 303");
    ExpectText(program.Control(304), L"Параметры индексации", "button 304");

    // RAM занято: U / T MB, as this machine's memory figures give them
    auto expectMemoryText = [&](const char* when) {
        std::wstring text = Program::Text(memory);
        unsigned used = 0, total = 0;
        wchar_t unit[8] = {};
        int fields = swscanf(text.c_str(), L"RAM занято: %u / %u %7ls", &used, &total, unit);
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof(status);
        ASSERT_TRUE(GlobalMemoryStatusEx(&status));
        unsigned totalMiB = unsigned(status.ullTotalPhys >> 20);
        unsigned usedMiB = unsigned((status.ullTotalPhys - status.ullAvailPhys) >> 20);
        EXPECT_EQ(fields, 3) << when << ": " << Utf8(text);
        EXPECT_STREQ(unit, L"MB") << when;
        EXPECT_EQ(text, L"RAM занято: " + std::to_wstring(used) + L" / " + std::to_wstring(total) + L" MB")
            << when << ": spacing of " << Utf8(text);
        EXPECT_EQ(total, totalMiB) << when;
        EXPECT_NEAR(double(used), double(usedMiB), totalMiB / 10.0) << when;
    };
    expectMemoryText("on showing the page");

    // 109 switches the figures off; ticks leave the notice, showing the page again ends it
    program.PostCommand(109);
    ExpectTextSoon(memory, L"RAM: нажмите «Диагностика»", "memory label after command 109", 2000);
    EXPECT_FALSE(WaitUntil([&] { return Program::Text(memory) != L"RAM: нажмите «Диагностика»"; }, 4000, 100))
        << "a timer tick brought the figures back";
    program.PressKey('3');
    EXPECT_TRUE(WaitUntil([&] { return Program::Text(memory).rfind(L"RAM занято: ", 0) == 0; }))
        << "showing the page again did not bring the figures back";
    expectMemoryText("after showing the page again");
    program.PostCommand(109);
    ExpectTextSoon(memory, L"RAM: нажмите «Диагностика»", "memory label after the first 109", 2000);
    program.PostCommand(109);
    EXPECT_TRUE(WaitUntil([&] { return Program::Text(memory).rfind(L"RAM занято: ", 0) == 0; }))
        << "a second 109 did not bring the figures back";
    expectMemoryText("after 109 twice");

    program.PressKey('4');
    HWND title = program.StaticAt(260, 122);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(title); })) << "the Help page did not show";
    struct HelpText {
        POINT at;
        const wchar_t* text;
    } help[] = {
        {{260, 122}, L"Tarvix Mini 4.4.1  \u00B7  Windows 10 / 11 x64"},
        {{260, 166}, L"Что такое SysMain (Tarvix)?"},
        {{260, 201}, L"Служба предварительно загружает данные часто используемых программ, чтобы ускорять их запуск."},
        {{260, 287}, L"Почему иногда её отключают?"},
        {{260, 321},
         L"На отдельных компьютерах SysMain может сопровождаться высокой фоновой активностью диска. Отключение "
         L"стоит проверять лишь при подтверждённой проблеме."},
        {{260, 420},
         L"Отключение не гарантирует ускорения и иногда замедляет запуск приложений. Настройки можно вернуть: "
         L"SysMain \u2014 на Главной, остальные \u2014 в Службах."},
    };
    for (const HelpText& row : help) ExpectText(program.StaticAt(row.at.x, row.at.y), row.text, "Help text");
    ExpectText(program.Control(105), L"Подробнее о Tarvix", "button 105");
    EXPECT_TRUE(program.Close());
}

// Space on the focused Stop button disables it; the keys 1 to 4 work on at once.
TEST_F(Pages, KeysWorkAfterSpaceOnStop)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    HWND stop = program.Control(107);
    ASSERT_TRUE(Program::Enabled(stop)) << "SysMain should be running";
    program.Focus(stop);
    program.Settle();
    ASSERT_TRUE(Program::Enabled(stop)) << "focusing the button clicked it";
    program.PressKey(VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return !Program::Enabled(stop); })) << "Space did not stop SysMain";
    EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_STOPPED));
    program.PressKey('2');
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(program.Control(401)); }))
        << "the key 2 did not show the Services page";
    EXPECT_TRUE(program.Close());
}

// With gdiplus.dll disabled for the program: the grey background and the red notice,
// toggles without their track, and every control still at work.
TEST_F(Pages, WithoutGdiPlus)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    ASSERT_NO_FATAL_FAILURE(DisableGdiPlusForProgram());
    Program program;
    ASSERT_TRUE(program.Start());
    Capture shot = program.Shot();
    EXPECT_TRUE(shot.Save(L"gdiplus-fallback"));
    EXPECT_EQ(shot.At(100, 500), LightGrey) << "sidebar area";
    EXPECT_EQ(shot.At(150, 110), LightGrey) << "no row highlight";
    EXPECT_EQ(shot.At(800, 120), LightGrey) << "no status card";
    EXPECT_EQ(shot.At(467, 171), LightGrey) << "no status dot";
    EXPECT_GT(shot.Count({25, 25, 675, 75}, RGB(204, 0, 0)), 20) << "the red notice";
    EXPECT_EQ(shot.Count({0, 0, 10, 700}, LightGrey), 10 * 700) << "the left edge is all background";
    // toggle 108 (on) at 258, 473: its track would be green at 524 + 24, 2 + 12
    EXPECT_EQ(shot.At(258 + 548, 473 + 14), White) << "a toggle drew its track";
    EXPECT_NE(shot.Count({258, 473, 258 + 518, 473 + 28}, White), 518 * 28) << "toggle 108 shows its caption";

    HomeControls home = FindHome(program);
    ExpectText(home.status, L"Работает", "status label without GDI+");
    program.PressKey('2');
    ServicesControls page = FindServices(program);
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";
    ExpectText(page.labels[0], L"Авто", "SysMain row without GDI+");
    program.Settle();
    EXPECT_TRUE(program.Shot().Save(L"gdiplus-fallback-services"));
    program.Click(page.toggles[3]);
    EXPECT_TRUE(WaitUntil([&] { return Program::Check(page.toggles[3]) == BST_CHECKED; })) << "a toggle still flips";
    EXPECT_TRUE(program.Close());
}
