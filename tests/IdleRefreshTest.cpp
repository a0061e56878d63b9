// An idle refresh changes nothing: with the services, the registry and the memory
// figures standing still, twenty timer ticks with automatic refresh on, on every page,
// send no WM_SETTEXT, WM_ENABLE or BM_SETCHECK to any child control and leave nothing
// of the main window or its children to repaint.
#include <string>
#include <vector>
#include "common/ControlIds.h"
#include "service/SysMainStatus.h"
#include "support/MainWindowFixture.h"
#include "ui/Controls.h"

namespace {

constexpr int IdleTicks = 20;

// what the subclassed children received, and the first of it, named for the failure text
struct ChildMessages {
    int setText = 0, enable = 0, setCheck = 0;
    std::string first;
};
ChildMessages received;

struct Subclassed {
    HWND window;
    WNDPROC original;
};
std::vector<Subclassed> subclassed;

std::string Describe(HWND window, const char* what)
{
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    char narrow[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return std::string(what) + " to control " + std::to_string(GetDlgCtrlID(window)) + " \"" + narrow + "\"";
}

void Note(int& counter, HWND window, const char* what)
{
    ++counter;
    if (received.first.empty()) received.first = Describe(window, what);
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = DefWindowProcW;
    for (const Subclassed& s : subclassed)
        if (s.window == window) original = s.original;
    if (message == WM_SETTEXT) Note(received.setText, window, "WM_SETTEXT");
    if (message == WM_ENABLE) Note(received.enable, window, "WM_ENABLE");
    if (message == BM_SETCHECK) Note(received.setCheck, window, "BM_SETCHECK");
    return CallWindowProcW(original, window, message, wParam, lParam);
}

// the figures GlobalMemoryStatusEx gives while nothing changes
BOOL WINAPI SteadyMemory(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = 41;
    status->ullTotalPhys = 8ull << 30;
    status->ullAvailPhys = 5ull << 30;
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
        osApi.GlobalMemoryStatusEx = SteadyMemory;  // the seam restores the real call
    }
    void TearDown() override
    {
        for (const Subclassed& s : subclassed)
            SetWindowLongPtrW(s.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.original));
        subclassed.clear();
        MainWindowTest::TearDown();
        seam.ExpectAllClosed();
    }

    void SubclassChildren()
    {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            auto original = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
            subclassed.push_back({child, original});
        }
    }

    void Tick() { SendMessageW(window, WM_TIMER, 1, 0); }

    // paints what the page switch asked for, then marks everything as painted
    void Settle()
    {
        Pump();
        ValidateRect(window, nullptr);
        for (const Subclassed& s : subclassed) ValidateRect(s.window, nullptr);
        received = ChildMessages();
    }

    // the main window or the child that has something to repaint, or an empty text
    std::string Invalidated() const
    {
        RECT r;
        if (GetUpdateRect(window, &r, FALSE)) return "the main window";
        for (const Subclassed& s : subclassed)
            if (GetUpdateRect(s.window, &r, FALSE)) return Describe(s.window, "an update region");
        return "";
    }

    void ExpectIdleOnEveryPage()
    {
        ASSERT_TRUE(Checked(autoRefreshToggle)) << "automatic refresh is on after start";
        for (const PageRow& row : Pages) {
            SCOPED_TRACE(row.name);
            SendMessageW(window, WM_COMMAND, IdFirstPageCommand + row.page, 0);
            ASSERT_EQ(currentPage, row.page);
            Settle();
            for (int i = 0; i < IdleTicks; ++i) Tick();
            EXPECT_EQ(received.setText, 0) << received.first;
            EXPECT_EQ(received.enable, 0) << received.first;
            EXPECT_EQ(received.setCheck, 0) << received.first;
            EXPECT_EQ(Invalidated(), "");
        }
    }

    CountingSeam seam;
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
    SubclassChildren();
    ExpectIdleOnEveryPage();

    // the same counting sees a real change: a start type changed behind the program's back
    SendMessageW(window, WM_COMMAND, IdFirstPageCommand + int(PageHome), 0);
    Settle();
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    Tick();
    EXPECT_GE(received.setText, 1) << "the start-type label";
    RECT r = {};
    ASSERT_TRUE(GetUpdateRect(window, &r, FALSE));
    EXPECT_TRUE(EqualRect(&r, &StatusCardRect));
}

TEST_F(IdleRefresh, ChangesNothingWithoutSysMain)
{
    Open();
    SubclassChildren();
    ExpectIdleOnEveryPage();
}
