// An idle refresh changes nothing: with the services, the registry and the memory
// figures standing still, twenty timer ticks with automatic refresh on, on every page,
// send no WM_SETTEXT, WM_ENABLE or BM_SETCHECK to any child control, leave nothing
// of the main window or its children to repaint and tell a screen reader nothing.
#include <string>
#include "ui/ControlIds.h"
#include "support/AccessibleClient.h"
#include "support/MainWindowFixture.h"
#include "ui/HomeStatus.h"
#include "ui/Paint.h"
#include "ui/WindowState.h"

namespace {

constexpr int IdleTicks = 20;

// the figures GlobalMemoryStatusEx gives while nothing changes
BOOL WINAPI SteadyMemory(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = 41;
    status->ullTotalPhys = 8ull << 30;
    status->ullAvailPhys = 5ull << 30;
    return TRUE;
}

BOOL WINAPI ChangedMemory(LPMEMORYSTATUSEX status)
{
    SteadyMemory(status);
    status->dwMemoryLoad = 42;
    return TRUE;
}

struct PageRow {
    const char* name;
    unsigned page;
};
const PageRow Pages[] = {
    {"Home", PageHome}, {"Services", PageServices}, {"Optimization", PageOptimization},
    {"Restore", PageRestore}, {"Help", PageHelp},
};

class IdleRefresh : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        osApi.GlobalMemoryStatusEx = SteadyMemory;  // the fixture's seam restores the real call
    }
    void TearDown() override
    {
        StopCountingMessages();
        MainWindowTest::TearDown();
    }

    void CountChildren()
    {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            CountMessages(child);
    }

    void Tick() { SendMessageW(window, WM_TIMER, 1, 0); }

    // paints what the page switch asked for, then marks everything as painted
    void Settle()
    {
        Pump();
        ValidateRect(window, nullptr);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            ValidateRect(child, nullptr);
        seenMessages = SeenMessages();
    }

    // the main window or the child that has something to repaint, or an empty text
    std::string Invalidated() const
    {
        RECT r;
        if (GetUpdateRect(window, &r, FALSE)) return "the main window";
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetUpdateRect(child, &r, FALSE)) return "control " + std::to_string(GetDlgCtrlID(child));
        return "";
    }

    void ExpectIdleOnEveryPage()
    {
        ASSERT_TRUE(Checked(autoRefreshToggle)) << "automatic refresh is on after start";
        // a screen reader that has read the window listens for its events
        ClientObject(window);
        WinEventRecorder events;
        ASSERT_TRUE(events.Hooked());
        for (const PageRow& row : Pages) {
            SCOPED_TRACE(row.name);
            SendMessageW(window, WM_COMMAND, IdFirstPageCommand + row.page, 0);
            ASSERT_EQ(currentPage, row.page);
            Settle();
            events.Clear();
            for (int i = 0; i < IdleTicks; ++i) Tick();
            EXPECT_TRUE(events.Events().empty()) << events.Describe();
            EXPECT_EQ(seenMessages.setText, 0) << seenMessages.first;
            EXPECT_EQ(seenMessages.enable, 0) << seenMessages.first;
            EXPECT_EQ(seenMessages.setCheck, 0) << seenMessages.first;
            EXPECT_EQ(Invalidated(), "");
        }
    }
};

}  // namespace

TEST_F(IdleRefresh, ChangesNothingOnAnyPage)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    ASSERT_TRUE(world.Add(L"WSearch", SERVICE_DEMAND_START, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DISABLED, false));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_AUTO_START));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    Open();
    CountChildren();
    ExpectIdleOnEveryPage();

    // the same counting sees a real change: a start type changed behind the program's back
    SendMessageW(window, WM_COMMAND, IdFirstPageCommand + int(PageHome), 0);
    Settle();
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    Tick();
    EXPECT_GE(seenMessages.setText, 1) << "the start-type label";
    RECT r = {};
    ASSERT_TRUE(GetUpdateRect(window, &r, FALSE));
    EXPECT_TRUE(EqualRect(&r, &StatusCardRect));

    // and the same recording hears a real change: the memory load painted anew
    Settle();
    WinEventRecorder changes;
    osApi.GlobalMemoryStatusEx = ChangedMemory;
    Tick();
    EXPECT_FALSE(changes.Events().empty());
}

TEST_F(IdleRefresh, ChangesNothingWithoutSysMain)
{
    Open();
    CountChildren();
    ExpectIdleOnEveryPage();
}
