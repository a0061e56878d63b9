#include "support/MainWindowFixture.h"
#include "common/DesktopShell.h"
#include "draw/Palette.h"
#include "support/BoxTexts.h"
#include "support/ShellHandler.h"
#include "ui/HomeStatus.h"
#include "ui/Pages.h"
#include "ui/Paint.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

class Commands : public MainWindowTest {
protected:
    void Command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void Tick() { SendMessageW(window, WM_TIMER, 1, 0); }
};

}  // namespace

TEST_F(Commands, ToggleTouchedFollowsTheUser)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    Open();
    BoxRecorder boxes({IDNO});
    SendMessageW(Control(101), WM_KEYDOWN, VK_SPACE, 0);  // the user flips the auto-start toggle
    EXPECT_TRUE(toggleTouched);
    EXPECT_TRUE(Checked(Control(101)));
    Tick();
    EXPECT_TRUE(Checked(Control(101))) << "a refresh keeps the user's choice";

    Command(103);  // Apply, answered No
    EXPECT_FALSE(toggleTouched);
    EXPECT_FALSE(Checked(Control(101))) << "after Apply the toggle follows the start type again";
    ASSERT_EQ(boxes.Boxes().size(), 1u);

    Command(101);
    EXPECT_TRUE(toggleTouched);
    Command(104);
    EXPECT_FALSE(toggleTouched);
}

TEST_F(Commands, MemoryFiguresOffAndOn)
{
    Open();
    ShowPage(PageOptimization);
    const std::wstring figures = Text(MemoryLabel);
    EXPECT_EQ(figures.rfind(L"RAM занято: ", 0), 0u) << "memory figures after start";
    Command(109);
    EXPECT_EQ(Text(MemoryLabel), L"RAM: нажмите «Диагностика»");
    Command(104);
    Tick();
    EXPECT_EQ(Text(MemoryLabel), L"RAM: нажмите «Диагностика»") << "Refresh and ticks leave it";
    Command(109);
    EXPECT_EQ(Text(MemoryLabel).rfind(L"RAM занято: ", 0), 0u);
    Command(109);
    ShowPage(PageOptimization);
    EXPECT_EQ(Text(MemoryLabel).rfind(L"RAM занято: ", 0), 0u) << "showing the page switches them on";
}

TEST_F(Commands, TimerRefreshesOnlyWhileAutoRefreshIsOn)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    Open();
    EXPECT_EQ(Text(statusLabel), L"Работает");
    SendMessageW(Control(108), WM_KEYDOWN, VK_SPACE, 0);  // automatic refresh off
    ASSERT_FALSE(Checked(Control(108)));
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    ASSERT_TRUE(StopTestService(L"SysMain"));
    Tick();
    EXPECT_EQ(Text(statusLabel), L"Работает") << "nothing refreshed while 108 is off";
    SendMessageW(window, WM_TIMER, 2, 0);
    EXPECT_EQ(Text(statusLabel), L"Работает");

    SendMessageW(Control(108), WM_KEYDOWN, VK_SPACE, 0);
    Tick();
    EXPECT_EQ(Text(statusLabel), L"Остановлена");
    EXPECT_EQ(Text(startTypeLabel), L"Вручную");

    // by page: the services list only while Services is shown
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_AUTO_START));
    ShowPage(PageHelp);
    Tick();
    EXPECT_EQ(Text(serviceLabels[3]), L"Вручную");
    ShowPage(PageServices);
    EXPECT_EQ(Text(serviceLabels[3]), L"Авто");
    ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DISABLED));
    Tick();
    EXPECT_EQ(Text(serviceLabels[3]), L"Отключена");
}

namespace {

// 8 GiB in all, 3 GiB in use; then 4 GiB in use
BOOL WINAPI Memory3Of8(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = 37;
    status->ullTotalPhys = 8ull << 30;
    status->ullAvailPhys = 5ull << 30;
    return TRUE;
}

BOOL WINAPI Memory4Of8(LPMEMORYSTATUSEX status)
{
    Memory3Of8(status);
    status->dwMemoryLoad = 50;
    status->ullAvailPhys = 4ull << 30;
    return TRUE;
}

}  // namespace

// The memory figures follow the three-second refresh while the Optimization page, where
// they are shown, is shown; a tick on any other page leaves them as they are.
TEST_F(Commands, TimerRefreshesTheMemoryFiguresOnTheOptimizationPageOnly)
{
    const struct Row {
        const char* name;
        unsigned page;
        bool follows;
    } rows[] = {
        {"Home", PageHome, false},       {"Services", PageServices, false}, {"Optimization", PageOptimization, true},
        {"Restore", PageRestore, false}, {"Help", PageHelp, false},
    };
    osApi.GlobalMemoryStatusEx = Memory3Of8;  // the fixture's seam puts the real call back
    Open();
    ASSERT_TRUE(Checked(Control(108))) << "automatic refresh is on from the start";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        osApi.GlobalMemoryStatusEx = Memory3Of8;
        ShowPage(PageOptimization);  // showing the page reads the figures afresh
        ASSERT_EQ(Text(MemoryLabel), L"RAM занято: 3072 / 8192 MB");
        ShowPage(row.page);
        osApi.GlobalMemoryStatusEx = Memory4Of8;
        Tick();
        EXPECT_EQ(Text(MemoryLabel), row.follows ? L"RAM занято: 4096 / 8192 MB" : L"RAM занято: 3072 / 8192 MB");
    }
}

TEST_F(Commands, HomeTickRepaintsOnlyAChangedMemoryLoad)
{
    Open();
    Pump();
    ValidateRect(window, nullptr);
    Tick();  // the first check only records the load
    RECT r = {};
    EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));
    LastMemoryLoad = LastMemoryLoad + 1;  // as if the load had been different a tick ago
    Tick();
    ASSERT_TRUE(GetUpdateRect(window, &r, FALSE));
    EXPECT_TRUE(EqualRect(&r, &MemoryLoadRect));
}

TEST_F(Commands, StatusLabelColoursFollowTheState)
{
    Open();
    HDC dc = CreateCompatibleDC(nullptr);
    struct Row {
        LONG state;
        COLORREF text;
    } rows[] = {{SERVICE_RUNNING, RGB(21, 128, 55)}, {SERVICE_STOPPED, RGB(204, 68, 68)},
                {SERVICE_START_PENDING, RGB(39, 48, 42)}, {-1, RGB(39, 48, 42)}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        SysMainStatus.state = row.state;
        LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(statusLabel));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), statusCardBrush);
        EXPECT_EQ(GetTextColor(dc), row.text);
        EXPECT_EQ(GetBkColor(dc), RGB(234, 250, 240));
        EXPECT_EQ(GetBkMode(dc), OPAQUE);
    }
    LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(startTypeLabel));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), cardBrush);
    EXPECT_EQ(GetTextColor(dc), RGB(39, 48, 42));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    DeleteDC(dc);
}

TEST_F(Commands, StartAndStopReportFailures)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, false));
    Open();
    {
        BoxRecorder boxes;
        Command(106);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        ExpectBox(boxes.Boxes()[0], BoxText::StartFailed, BoxText::ErrorBox);
        EXPECT_EQ(boxes.Boxes()[0].owner, window);
    }
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    {
        BoxRecorder boxes;
        Command(106);
        EXPECT_TRUE(boxes.Boxes().empty());
        ASSERT_TRUE(WaitForServiceState(L"SysMain", SERVICE_RUNNING));
        Command(104);
        EXPECT_EQ(Text(statusLabel), L"Работает");
        EXPECT_TRUE(IsWindowEnabled(stopButton));
        Command(107);
        EXPECT_TRUE(boxes.Boxes().empty());
        ASSERT_TRUE(WaitForServiceState(L"SysMain", SERVICE_STOPPED));
    }
}

TEST_F(Commands, StopOfAPendingServiceFails)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true, ServiceMode::StayPending));
    Open();
    BoxRecorder boxes;
    Command(107);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ExpectBox(boxes.Boxes()[0], BoxText::StopFailed, BoxText::ErrorBox);
    EXPECT_EQ(Text(statusLabel), L"Запускается") << "refreshed after the box";
}

namespace {

// what the seam's CreateProcessW was given, and whether it is to fail
struct Started {
    std::wstring application, commandLine, folder;
    BOOL inherit = TRUE;
    DWORD flags = ~0u;
    bool environment = true;
};
std::vector<Started> started;
bool refuseStart = false;

// Records the start and hands back two real handles in its place, counted as opened, so
// that the fixture sees whether both are closed.
BOOL WINAPI RecordStart(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                        BOOL inherit, DWORD flags, LPVOID environment, LPCWSTR folder, LPSTARTUPINFOW startup,
                        LPPROCESS_INFORMATION info)
{
    EXPECT_EQ(startup->cb, sizeof(STARTUPINFOW));
    started.push_back({application ? application : L"", commandLine ? commandLine : L"", folder ? folder : L"",
                       inherit, flags, environment != nullptr});
    if (refuseStart) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    info->hProcess = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    info->hThread = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    seamCounters.filesOpened += 2;
    return TRUE;
}

}  // namespace

TEST_F(Commands, ShellTargets)
{
    Open();
    static std::vector<std::wstring> opened;
    opened.clear();
    started.clear();
    refuseStart = false;
    CountingSeam fakes;
    BoxRecorder boxes;
    osApi.CreateProcessW = RecordStart;
    struct ShellOpenerBack {
        DesktopShellApi saved = desktopShellApi;
        ~ShellOpenerBack() { desktopShellApi = saved; }
    } shellOpenerBack;
    desktopShellApi.OpenWithDesktopShell = [](const wchar_t* file) -> bool {
        opened.push_back(L"desktop " + std::wstring(file));
        return true;
    };
    Command(105);
    Command(303);
    Command(304);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].rfind(L"desktop https://", 0), 0u) << "the web page, through the user's shell";
    EXPECT_NE(opened[0].find(L".example"), std::wstring::npos);
    EXPECT_EQ(opened[1], L"desktop ms-settings:startupapps");

    // the system's own control.exe by its full path, in the system folder, inheriting nothing
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring control = std::wstring(system) + L"\\control.exe";
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].application, control);
    EXPECT_EQ(started[0].commandLine, L"\"" + control + L"\" /name Microsoft.IndexingOptions");
    EXPECT_EQ(started[0].folder, system);
    EXPECT_EQ(started[0].inherit, FALSE);
    EXPECT_EQ(started[0].flags, 0u);
    EXPECT_FALSE(started[0].environment);
    fakes.ExpectAllClosed();

    // a start that fails shows nothing
    refuseStart = true;
    Command(304);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_TRUE(boxes.Boxes().empty());
    fakes.ExpectAllClosed();
}

// With handlers planted for both targets, a missing desktop shell must not lead to
// opening them some other way: no handler runs and no box is shown.
TEST_F(Commands, WithoutADesktopShellTheWebAndSettingsTargetsOpenNothing)
{
    PlantedHandler settings(L"ms-settings");
    PlantedHandler web(L"https");
    ASSERT_TRUE(settings.Planted());
    ASSERT_TRUE(web.Planted());
    Open();
    CountingSeam fakes;
    BoxRecorder boxes;
    osApi.CoCreateInstance = [](REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) -> HRESULT {
        *object = nullptr;
        return CO_E_SERVER_EXEC_FAILURE;  // no shell running to serve its windows
    };
    Command(303);
    Command(105);
    EXPECT_TRUE(boxes.Boxes().empty());
    HandlerLaunch launch;
    EXPECT_FALSE(settings.WaitForLaunch(launch, 2000)) << "ms-settings opened by process " << launch.parentId;
    EXPECT_FALSE(web.WaitForLaunch(launch, 500)) << "the web page opened by process " << launch.parentId;
}
