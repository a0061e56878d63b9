// The keyboard focus never goes nowhere: a control that has it and is disabled or hidden
// hands it to the main window, where the keys 1 to 4 switch pages.
#include "support/MainWindowFixture.h"
#include "ui/WindowState.h"

namespace {

class Focus : public MainWindowTest {
protected:
    void Command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    // Space on a push button, as the keyboard gives it: down, then up
    void Space(HWND button)
    {
        SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(button, WM_KEYUP, VK_SPACE, 0xC0000001);
        Pump();
    }
    // a key goes to whichever window has the focus; with none, it is lost
    void Key(WPARAM key)
    {
        SendMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        Pump();
    }
    // the control takes the focus, as after a click on it
    void GiveFocus(HWND control)
    {
        ASSERT_TRUE(IsWindowVisible(control) && IsWindowEnabled(control));
        SetFocus(control);
        ASSERT_EQ(GetFocus(), control);
    }
};

}  // namespace

TEST_F(Focus, GoesToTheMainWindowWhenItsControlIsDisabledOrHidden)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    Open();
    {
        SCOPED_TRACE("a control that stays usable keeps it");
        GiveFocus(Control(IdApply));
        Command(IdRefresh);
        EXPECT_EQ(GetFocus(), Control(IdApply));
    }
    {
        SCOPED_TRACE("Space on Stop while SysMain runs");
        GiveFocus(Control(IdStop));
        Space(Control(IdStop));
        EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_STOPPED));
        EXPECT_FALSE(IsWindowEnabled(Control(IdStop)));
        EXPECT_EQ(GetFocus(), window);
        Key('2');
        EXPECT_EQ(currentPage, PageServices);
    }
    {
        SCOPED_TRACE("a service row whose service gets disabled");
        HWND fax = Control(IdFirstServiceToggle + 3);
        GiveFocus(fax);
        ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DISABLED));
        Command(IdRefresh);
        EXPECT_FALSE(IsWindowEnabled(fax));
        EXPECT_EQ(GetFocus(), window);
        Key('1');
        EXPECT_EQ(currentPage, PageHome);
    }
    {
        SCOPED_TRACE("Space on Start while SysMain is stopped");
        GiveFocus(Control(IdStart));
        Space(Control(IdStart));
        EXPECT_TRUE(WaitForServiceState(L"SysMain", SERVICE_RUNNING));
        EXPECT_FALSE(IsWindowEnabled(Control(IdStart)));
        EXPECT_EQ(GetFocus(), window);
        Key('3');
        EXPECT_EQ(currentPage, PageOptimization);
    }
    {
        SCOPED_TRACE("a page switch hides the control");
        Key('1');
        GiveFocus(Control(IdAutoStartToggle));
        Command(IdFirstPageCommand + int(PageHelp));
        EXPECT_FALSE(IsWindowVisible(Control(IdAutoStartToggle)));
        EXPECT_EQ(GetFocus(), window);
        Key('2');
        EXPECT_EQ(currentPage, PageServices);
    }
}
