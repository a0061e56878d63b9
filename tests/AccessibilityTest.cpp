// What a screen reader gets from the window, read as one does (AccessibleObjectFromWindow
// in this process): the toggle switches as check buttons, the sidebar rows as page
// tabs, the painted texts as static text, the events that tell of changes, and objects
// that outlive their window without touching it.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "common/AccessibleObject.h"
#include "draw/GdiPlus.h"
#include "draw/ToggleAccessible.h"
#include "draw/ToggleSwitch.h"
#include "support/AccessibleClient.h"
#include "support/GdiWorld.h"
#include "support/MainWindowFixture.h"
#include "ui/ControlIds.h"
#include "ui/Paint.h"
#include "ui/Sidebar.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

constexpr int ToggleId = 101;
constexpr const wchar_t* Caption = L"Отключить автозапуск SysMain";

::testing::AssertionResult SameBox(const RECT& seen, const RECT& expected)
{
    if (EqualRect(&seen, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "box " << seen.left << "," << seen.top << "," << seen.right << ","
                                         << seen.bottom << " instead of " << expected.left << "," << expected.top
                                         << "," << expected.right << "," << expected.bottom;
}

bool NotConnected(HRESULT result)
{
    return result == CO_E_OBJNOTCONNECTED || result == RPC_E_DISCONNECTED;
}

// Every method of a disconnected object answers "not connected".
void ExpectDisconnected(IAccessible* object, LONG child)
{
    const VARIANT id = ChildId(child);
    BSTR text = nullptr;
    VARIANT value;
    VariantInit(&value);
    LONG count = 0, left = 0, top = 0, width = 0, height = 0;
    IDispatch* dispatch = nullptr;
    EXPECT_TRUE(NotConnected(object->get_accName(id, &text)));
    EXPECT_TRUE(NotConnected(object->get_accRole(id, &value)));
    EXPECT_TRUE(NotConnected(object->get_accState(id, &value)));
    EXPECT_TRUE(NotConnected(object->get_accDefaultAction(id, &text)));
    EXPECT_TRUE(NotConnected(object->accDoDefaultAction(id)));
    EXPECT_TRUE(NotConnected(object->accLocation(&left, &top, &width, &height, id)));
    EXPECT_TRUE(NotConnected(object->get_accChildCount(&count)));
    EXPECT_TRUE(NotConnected(object->get_accParent(&dispatch)));
    EXPECT_TRUE(NotConnected(object->get_accFocus(&value)));
    EXPECT_TRUE(NotConnected(object->get_accSelection(&value)));
    EXPECT_TRUE(NotConnected(object->accHitTest(0, 0, &value)));
    EXPECT_TRUE(NotConnected(object->accSelect(SELFLAG_TAKEFOCUS, id)));
    EXPECT_TRUE(NotConnected(object->accNavigate(NAVDIR_FIRSTCHILD, ChildId(0), &value)));
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(dispatch, nullptr);
}

class ToggleAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXW existing = {};
        existing.cbSize = sizeof(existing);
        if (!GetClassInfoExW(GetModuleHandleW(nullptr), ToggleClassName, &existing)) {
            ASSERT_TRUE(RegisterToggleClass(GetModuleHandleW(nullptr)));
        }
        toggle = CreateWindowExW(0, ToggleClassName, Caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, 20, 575, 30,
                                 host.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(ToggleId)),
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(toggle, nullptr);
        hostCommands.clear();
    }
    void TearDown() override
    {
        // as the main window ends: its controls' objects disconnected, COM ended after the loop
        EndAccessibility(host.Get());
        EndAccessibilityApartment();
        EXPECT_EQ(LiveAccessibleObjects(), 0) << "an object was never freed";
    }

    DrawingResources resources;
    HostWindow host{0, 0, 640, 120};
    HWND toggle = nullptr;
};

TEST_F(ToggleAccess, ReadsAsACheckButtonNamedByItsCaption)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object) << "no object for the toggle's client area";
    EXPECT_EQ(RoleOf(object.Get(), CHILDID_SELF), ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(NameOf(object.Get(), CHILDID_SELF), Caption);
    EXPECT_EQ(DefaultActionOf(object.Get(), CHILDID_SELF), L"Переключить");
    EXPECT_TRUE(SameBox(LocationOf(object.Get(), CHILDID_SELF), ScreenBox(toggle)));
    EXPECT_EQ(ChildCountOf(object.Get()), 0);

    // no children: every other id is refused
    BSTR text = nullptr;
    EXPECT_EQ(object->get_accName(ChildId(1), &text), E_INVALIDARG);
    IDispatch* parent = nullptr;
    EXPECT_EQ(object->get_accParent(&parent), S_OK);
    ASSERT_NE(parent, nullptr) << "the window's own object";
    parent->Release();

    // a hit inside is the toggle, outside nothing
    const RECT box = ScreenBox(toggle);
    VARIANT hit;
    EXPECT_EQ(object->accHitTest(box.left + 5, box.top + 5, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, CHILDID_SELF);
    EXPECT_EQ(object->accHitTest(box.right + 5, box.top + 5, &hit), S_FALSE);
    EXPECT_EQ(hit.vt, VT_EMPTY);

    // the name follows the caption as it is now
    SetWindowTextW(toggle, L"Другая подпись");
    EXPECT_EQ(NameOf(object.Get(), CHILDID_SELF), L"Другая подпись");
}

TEST_F(ToggleAccess, StateFollowsTheToggle)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    struct Row {
        const char* name;
        bool on, enabled, windowEnabled, focused, visible;
        LONG state;
    };
    // focusable only where a click could reach it
    const LONG focusable = STATE_SYSTEM_FOCUSABLE;
    const Row rows[] = {
        {"off", false, true, true, false, true, focusable},
        {"on", true, true, true, false, true, focusable | STATE_SYSTEM_CHECKED},
        {"on, disabled", true, false, true, false, true, STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE},
        {"off, disabled", false, false, true, false, true, STATE_SYSTEM_UNAVAILABLE},
        {"focused", false, true, true, true, true, focusable | STATE_SYSTEM_FOCUSED},
        {"on, its page hidden", true, true, true, false, false, STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE},
        {"its window disabled, as under a message box", false, true, false, false, true, STATE_SYSTEM_UNAVAILABLE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageW(toggle, BM_SETCHECK, row.on ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(toggle, row.enabled);
        ShowWindow(toggle, row.visible ? SW_SHOW : SW_HIDE);
        SetFocus(row.focused ? toggle : host.Get());
        EnableWindow(host.Get(), row.windowEnabled);
        EXPECT_EQ(StateOf(object.Get(), CHILDID_SELF), row.state);
        // an action only where a click could reach it
        EXPECT_EQ(DefaultActionOf(object.Get(), CHILDID_SELF),
                  row.state & STATE_SYSTEM_FOCUSABLE ? L"Переключить" : L"");
        EnableWindow(host.Get(), TRUE);
        VARIANT focus;
        const HRESULT result = object->get_accFocus(&focus);
        EXPECT_EQ(result, row.focused ? S_OK : S_FALSE);
        EXPECT_EQ(focus.vt, row.focused ? VT_I4 : VT_EMPTY);
    }
}

TEST_F(ToggleAccess, DefaultActionFlipsAsAClickDoesAndNothingWhileDisabled)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    struct Row {
        const char* name;
        bool enabled, windowEnabled, visible;
        LRESULT after;
    };
    const Row rows[] = {
        {"enabled: on", true, true, true, BST_CHECKED},
        {"enabled: off again", true, true, true, BST_UNCHECKED},
        {"disabled: stays off", false, true, true, BST_UNCHECKED},
        {"its window disabled, as under a message box: stays off", true, false, true, BST_UNCHECKED},
        {"its page hidden: stays off", true, true, false, BST_UNCHECKED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EnableWindow(toggle, row.enabled);
        EnableWindow(host.Get(), row.windowEnabled);
        ShowWindow(toggle, row.visible ? SW_SHOW : SW_HIDE);
        hostCommands.clear();
        const HRESULT result = object->accDoDefaultAction(ChildId(CHILDID_SELF));
        PumpMessages();
        EnableWindow(host.Get(), TRUE);
        ShowWindow(toggle, SW_SHOW);
        const bool reachable = row.enabled && row.windowEnabled && row.visible;
        EXPECT_EQ(SUCCEEDED(result), reachable);
        EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), row.after);
        if (!reachable) {
            EXPECT_TRUE(hostCommands.empty()) << "a disabled toggle told its parent";
            continue;
        }
        // the parent hears of it as of a click, and reads the new state already
        ASSERT_EQ(hostCommands.size(), 1u);
        EXPECT_EQ(hostCommands[0].wParam, MAKEWPARAM(ToggleId, BN_CLICKED));
        EXPECT_EQ(hostCommands[0].lParam, reinterpret_cast<LPARAM>(toggle));
        EXPECT_EQ(hostCommands[0].checkWhenReceived, row.after);
    }
}

// A reader moves the focus only where a click could, and hears of it when the focus did
// not move: a hidden toggle never takes the keys, so Space cannot flip it unseen.
TEST_F(ToggleAccess, TakesTheFocusOnlyWhereAClickCould)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    struct Row {
        const char* name;
        bool enabled, windowEnabled, visible;
    };
    const Row rows[] = {
        {"shown and enabled", true, true, true},
        {"disabled", false, true, true},
        {"its window disabled, as under a message box", true, false, true},
        {"its page hidden", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetFocus(host.Get());
        EnableWindow(toggle, row.enabled);
        EnableWindow(host.Get(), row.windowEnabled);
        ShowWindow(toggle, row.visible ? SW_SHOW : SW_HIDE);
        const bool usable = row.enabled && row.windowEnabled && row.visible;
        const HRESULT result = object->accSelect(SELFLAG_TAKEFOCUS, ChildId(CHILDID_SELF));
        EXPECT_EQ(result, usable ? S_OK : E_FAIL);
        EXPECT_EQ(GetFocus() == toggle, usable);
        SendMessageW(GetFocus(), WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), usable ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(toggle, BM_SETCHECK, BST_UNCHECKED, 0);
        EnableWindow(toggle, TRUE);
        EnableWindow(host.Get(), TRUE);
        ShowWindow(toggle, SW_SHOW);
    }
    // the focus with the selection, as readers ask, and nothing that it cannot do
    const struct {
        const char* name;
        LONG flags;
        HRESULT result;
    } flagRows[] = {
        {"focus and selection", SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, S_OK},
        {"selection alone", SELFLAG_TAKESELECTION, E_INVALIDARG},
        {"focus, added to a selection", SELFLAG_TAKEFOCUS | SELFLAG_ADDSELECTION, E_INVALIDARG},
        {"focus, extending a selection", SELFLAG_TAKEFOCUS | SELFLAG_EXTENDSELECTION, E_INVALIDARG},
        {"focus, taken from a selection", SELFLAG_TAKEFOCUS | SELFLAG_REMOVESELECTION, E_INVALIDARG},
        {"nothing", SELFLAG_NONE, E_INVALIDARG},
    };
    for (const auto& row : flagRows) {
        SCOPED_TRACE(row.name);
        SetFocus(host.Get());
        EXPECT_EQ(object->accSelect(row.flags, ChildId(CHILDID_SELF)), row.result);
        EXPECT_EQ(GetFocus() == toggle, row.result == S_OK);
    }
}

// A Services row's switch is heard with its start type: the description is the text of the
// window that describes it, as that window shows it now.
TEST_F(ToggleAccess, DescriptionIsTheDescribingWindowsText)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    BSTR text = nullptr;
    EXPECT_EQ(object->get_accDescription(ChildId(CHILDID_SELF), &text), S_FALSE) << "none by default";
    EXPECT_EQ(text, nullptr);
    HWND label = CreateWindowExW(0, L"STATIC", L"Вручную | есть копия", WS_CHILD | WS_VISIBLE, 20, 60, 255, 31,
                                 host.Get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(label, nullptr);
    SetToggleDescription(toggle, label);
    ASSERT_EQ(object->get_accDescription(ChildId(CHILDID_SELF), &text), S_OK);
    EXPECT_STREQ(text, L"Вручную | есть копия");
    SysFreeString(text);
    SetWindowTextW(label, L"Отключена");
    ASSERT_EQ(object->get_accDescription(ChildId(CHILDID_SELF), &text), S_OK);
    EXPECT_STREQ(text, L"Отключена");
    SysFreeString(text);
    DestroyWindow(label);
}

// From the main window's end until its loop has ended, no request is served and COM stays
// on the thread, for the calls that readers already queued; then COM ends, and a window
// made afterwards is served again.
TEST_F(ToggleAccess, NoRequestIsServedFromTheWindowsEndUntilItsLoopEnds)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    EndAccessibility(host.Get());
    ExpectDisconnected(object.Get(), CHILDID_SELF);
    EXPECT_EQ(SendMessageW(toggle, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE)
        << "COM ended before the loop did";

    EndAccessibilityApartment();
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_OK) << "COM still runs on the thread after the loop's end";
    if (SUCCEEDED(after)) CoUninitialize();
    AccessibleRef again = ClientObject(toggle);
    ASSERT_TRUE(again);
    EXPECT_EQ(RoleOf(again.Get(), CHILDID_SELF), ROLE_SYSTEM_CHECKBUTTON);
}

TEST_F(ToggleAccess, RaisesStateChangeOnEveryChangeAndOnlyThen)
{
    WinEventRecorder events;
    ASSERT_TRUE(events.Hooked());
    struct Row {
        const char* name;
        void (*act)(HWND toggle);
        int raised;
    };
    const Row rows[] = {
        {"click flips", [](HWND t) { SendMessageW(t, WM_LBUTTONUP, 0, 0); }, 1},
        {"space flips", [](HWND t) { SendMessageW(t, WM_KEYDOWN, VK_SPACE, 0); }, 1},
        {"set to the state it has", [](HWND t) { SendMessageW(t, BM_SETCHECK, BST_UNCHECKED, 0); }, 0},
        {"set to the other state", [](HWND t) { SendMessageW(t, BM_SETCHECK, BST_CHECKED, 0); }, 1},
        {"disabled", [](HWND t) { EnableWindow(t, FALSE); }, 1},
        {"disabled again", [](HWND t) { EnableWindow(t, FALSE); }, 0},
        {"click while disabled", [](HWND t) { SendMessageW(t, WM_LBUTTONUP, 0, 0); }, 0},
        {"enabled", [](HWND t) { EnableWindow(t, TRUE); }, 1},
        {"focus and repaint", [](HWND t) { SetFocus(t); UpdateWindow(t); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events.Clear();
        row.act(toggle);
        EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, toggle, OBJID_CLIENT, CHILDID_SELF), row.raised)
            << events.Describe();
    }
}

TEST_F(ToggleAccess, ObjectHeldPastTheWindowAnswersNotConnected)
{
    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    ASSERT_EQ(NameOf(object.Get(), CHILDID_SELF), Caption);
    DestroyWindow(toggle);
    ExpectDisconnected(object.Get(), CHILDID_SELF);
    object.Reset();
    EXPECT_EQ(LiveAccessibleObjects(), 0);

    // once its window has ended, an object stays disconnected even where its handle names
    // a live window again (Windows reuses handles): here the window outlives the ending
    HWND other = CreateWindowExW(0, ToggleClassName, L"Новый", WS_CHILD | WS_VISIBLE, 0, 0, 100, 30, host.Get(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    AccessibleRef kept = ClientObject(other);
    ASSERT_TRUE(kept);
    DisconnectAccessibleObjects(other);
    ASSERT_TRUE(IsWindow(other));
    ExpectDisconnected(kept.Get(), CHILDID_SELF);
}

// A system object handed out goes wrapped, and so does every object it hands out in turn:
// all of them answer "not connected" once the window's objects are disconnected.
TEST_F(ToggleAccess, SystemObjectsGoOutWrappedAndAreDisconnectedWithTheWindow)
{
    IDispatch* system = nullptr;
    ASSERT_EQ(CreateStdAccessibleObject(host.Get(), OBJID_CLIENT, IID_IDispatch, reinterpret_cast<void**>(&system)),
              S_OK);
    IDispatch* wrapped = HandOutSystemObject(host.Get(), system);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(LiveAccessibleObjects(), 1);
    IAccessible* outer = nullptr;
    ASSERT_EQ(wrapped->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&outer)), S_OK);
    wrapped->Release();
    AccessibleRef client(outer);
    EXPECT_EQ(RoleOf(client.Get(), CHILDID_SELF), ROLE_SYSTEM_CLIENT) << "the calls reach the system's object";
    HWND found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(client.Get(), &found), S_OK);
    EXPECT_EQ(found, host.Get());

    // over the toggle, the system's object gives the toggle's object: wrapped as well
    const RECT box = ScreenBox(toggle);
    VARIANT hit;
    ASSERT_EQ(client->accHitTest(box.left + 5, box.top + 5, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_DISPATCH);
    EXPECT_EQ(LiveAccessibleObjects(), 2) << "the object under the point went out unwrapped";
    IAccessible* inner = nullptr;
    ASSERT_EQ(hit.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&inner)), S_OK);
    hit.pdispVal->Release();
    AccessibleRef below(inner);

    DisconnectAccessibleObjects(host.Get());
    ExpectDisconnected(client.Get(), CHILDID_SELF);
    ExpectDisconnected(below.Get(), CHILDID_SELF);
    HWND none = nullptr;
    EXPECT_TRUE(FAILED(WindowFromAccessibleObject(client.Get(), &none)));
}

TEST_F(ToggleAccess, ReferencesBalance)
{
    for (int request = 0; request < 5; ++request) {
        AccessibleRef object = ClientObject(toggle);
        ASSERT_TRUE(object);
        EXPECT_EQ(RoleOf(object.Get(), CHILDID_SELF), ROLE_SYSTEM_CHECKBUTTON);
    }
    EXPECT_EQ(LiveAccessibleObjects(), 0) << "objects of released requests are still alive";

    AccessibleRef object = ClientObject(toggle);
    ASSERT_TRUE(object);
    const ULONG held = object->AddRef();
    EXPECT_EQ(object->Release(), held - 1);
    struct Row {
        const char* name;
        IID id;
        bool offered;
    };
    const Row rows[] = {
        {"IUnknown", IID_IUnknown, true},
        {"IDispatch", IID_IDispatch, true},
        {"IAccessible", __uuidof(IAccessible), true},
        {"IEnumVARIANT", IID_IEnumVARIANT, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        void* answer = nullptr;
        const HRESULT result = object->QueryInterface(row.id, &answer);
        EXPECT_EQ(result, row.offered ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(answer != nullptr, row.offered);
        if (answer) static_cast<IUnknown*>(answer)->Release();
    }
    EXPECT_EQ(object->AddRef(), held);
    object->Release();
    object.Reset();
    EXPECT_EQ(LiveAccessibleObjects(), 0);
}

// ---------------------------------------------------------------------------------------

BOOL WINAPI Memory41(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = 41;
    status->ullTotalPhys = 8ull << 30;
    status->ullAvailPhys = 5ull << 30;
    return TRUE;
}

BOOL WINAPI Memory42(LPMEMORYSTATUSEX status)
{
    Memory41(status);
    status->dwMemoryLoad = 42;
    return TRUE;
}

BOOL WINAPI NoMemoryFigures(LPMEMORYSTATUSEX)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

struct TabRow {
    const wchar_t* name;
    unsigned page;
};
const TabRow Tabs[] = {
    {L"Главная", PageHome}, {L"Службы", PageServices}, {L"Оптимизация", PageOptimization}, {L"Справка", PageHelp},
};

constexpr LONG FirstPaintedId = 5;  // after the four tabs

class MainWindowAccess : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        osApi.GlobalMemoryStatusEx = Memory41;
    }
    void TearDown() override
    {
        object.Reset();
        MainWindowTest::TearDown();
        EXPECT_EQ(LiveAccessibleObjects(), 0) << "an object was never freed";
    }
    void OpenAndRead()
    {
        Open();
        object = ClientObject(window);
        ASSERT_TRUE(object) << "no object for the main window's client area";
    }
    void ShowPage(unsigned page)
    {
        SendMessageW(window, WM_COMMAND, IdFirstPageCommand + page, 0);
        Pump();
    }
    std::vector<std::wstring> PaintedTexts() { return NamesWithRole(object.Get(), ROLE_SYSTEM_STATICTEXT); }
    // the names of every child after the tabs, in child order
    std::vector<std::wstring> PageNames()
    {
        std::vector<std::wstring> names;
        const LONG count = ChildCountOf(object.Get());
        for (LONG id = FirstPaintedId; id <= count; ++id) names.push_back(NameOf(object.Get(), id));
        return names;
    }
    void Repaint()
    {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    static std::wstring WindowText(HWND control)
    {
        wchar_t text[512] = {};
        GetWindowTextW(control, text, 512);
        return text;
    }

    AccessibleRef object;
};

TEST_F(MainWindowAccess, TabsNameThePagesAndFollowTheSelection)
{
    OpenAndRead();
    EXPECT_EQ(RoleOf(object.Get(), CHILDID_SELF), ROLE_SYSTEM_CLIENT);
    EXPECT_EQ(NameOf(object.Get(), CHILDID_SELF), L"Tarvix Mini 4.4.1");
    for (unsigned shown : {PageHome, PageServices, PageOptimization, PageRestore, PageHelp}) {
        ShowPage(shown);
        SCOPED_TRACE(shown);
        for (LONG row = 0; row < 4; ++row) {
            const LONG id = 1 + row;
            SCOPED_TRACE(row);
            EXPECT_EQ(RoleOf(object.Get(), id), ROLE_SYSTEM_PAGETAB);
            EXPECT_EQ(NameOf(object.Get(), id), Tabs[row].name);
            EXPECT_EQ(DefaultActionOf(object.Get(), id), L"Открыть");
            const bool selected = Tabs[row].page == shown;
            EXPECT_EQ(StateOf(object.Get(), id),
                      STATE_SYSTEM_SELECTABLE | (selected ? STATE_SYSTEM_SELECTED : 0));
            // the row's painted box: x 10, 200 wide, from 105 + 52 * row, 44 high
            RECT box = {10, 105 + 52 * row, 210, 149 + 52 * row};
            MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
            EXPECT_TRUE(SameBox(LocationOf(object.Get(), id), box));
        }
        VARIANT selection;
        const HRESULT result = object->get_accSelection(&selection);
        if (shown == PageRestore) {
            EXPECT_EQ(result, S_FALSE) << "the Restore page has no tab";
            EXPECT_EQ(selection.vt, VT_EMPTY);
        } else {
            EXPECT_EQ(result, S_OK);
            ASSERT_EQ(selection.vt, VT_I4);
            EXPECT_EQ(Tabs[selection.lVal - 1].page, shown);
        }
    }
}

// The page as it is painted, read top to bottom and card by card: each value right after
// its caption, the controls where they stand among the painted texts.
TEST_F(MainWindowAccess, HomeReadsInPaintedOrder)
{
    OpenAndRead();
    const std::vector<std::wstring> expected = {
        L"Tarvix MINI", L"Главная", L"Состояние SysMain и управление Windows",
        L"Статус SysMain:", WindowText(statusLabel),
        L"Тип запуска", WindowText(startTypeLabel),
        L"Накопитель", L"Неизвестен",
        L"RAM использовано", L"41%",
        L"Управление", L"Отключить автозапуск SysMain", L"При отключении остановить работающую службу",
        L"Автоматически обновлять статус каждые 3 секунды",
        WindowText(savedSettingLabel), L"Применить", L"Запустить", L"Остановить", L"Обновить",
    };
    EXPECT_EQ(PageNames(), expected);
    // the values are the labels themselves, not texts that merely read the same
    EXPECT_EQ(WindowOfChild(object.Get(), FirstPaintedId + 4), statusLabel);
    EXPECT_EQ(WindowOfChild(object.Get(), FirstPaintedId + 6), startTypeLabel);
    EXPECT_EQ(RoleOf(object.Get(), FirstPaintedId + 3), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(StateOf(object.Get(), FirstPaintedId + 3), STATE_SYSTEM_READONLY);

    // the last child is the page's own, not a hidden one of another page
    VARIANT last;
    ASSERT_EQ(object->accNavigate(NAVDIR_LASTCHILD, ChildId(CHILDID_SELF), &last), S_OK);
    ASSERT_EQ(last.vt, VT_DISPATCH);
    last.pdispVal->Release();
    EXPECT_EQ(WindowOfChild(object.Get(), ChildCountOf(object.Get())), Control(IdRefresh));
}

// Every page holds its header, then only its own controls, all of them, in painted order.
TEST_F(MainWindowAccess, EachPageHoldsOnlyItsOwnShownControls)
{
    OpenAndRead();
    struct Row {
        const char* name;
        unsigned page;
        std::vector<std::wstring> first;  // the logo, the painted header, then what follows it
    };
    const Row rows[] = {
        {"Services", PageServices,
         {L"Tarvix MINI", L"Управление службами Windows", L"Выберите службы для отключения. Режим запуска показан справа.",
          L"Служба", L"Режим запуска", L"SysMain / Tarvix"}},
        {"Optimization", PageOptimization,
         {L"Tarvix MINI", L"Оптимизация системы", L"Сведения о накопителе и оперативной памяти"}},
        {"Restore", PageRestore, {L"Tarvix MINI", L"Восстановление", L"Возврат сохранённых параметров"}},
        {"Help", PageHelp, {L"Tarvix MINI", L"Справка", L"О программе"}},
        {"Home", PageHome,
         {L"Tarvix MINI", L"Главная", L"Состояние SysMain и управление Windows", L"Статус SysMain:"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShowPage(row.page);
        const std::vector<std::wstring> names = PageNames();
        ASSERT_GE(names.size(), row.first.size());
        EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.begin() + row.first.size()), row.first);

        int shown = 0;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (IsWindowVisible(child)) ++shown;
        const LONG count = ChildCountOf(object.Get());
        EXPECT_EQ(count, 4 + static_cast<LONG>(PaintedTexts().size()) + shown);
        LONG previousTop = -1;
        for (LONG id = FirstPaintedId; id <= count; ++id) {
            SCOPED_TRACE(id);
            const HWND control = WindowOfChild(object.Get(), id);
            if (control) {
                EXPECT_TRUE(IsWindowVisible(control)) << "a hidden control in the tree";
                EXPECT_TRUE(SameBox(LocationOf(object.Get(), id), ScreenBox(control)));
            }
            // on one card, nothing is read above what came before it
            if (row.page != PageHome && id > FirstPaintedId + 2) {
                const LONG top = LocationOf(object.Get(), id).top;
                EXPECT_GE(top, previousTop);
                previousTop = top;
            }
        }
    }
    if (HasFailure()) return;
    // the Services rows: each switch, then its start type, and the switch carries it too
    ShowPage(PageServices);
    for (int r = 0; r < ServiceCount; ++r) {
        SCOPED_TRACE(r);
        const LONG id = FirstPaintedId + 5 + 2 * r;
        EXPECT_EQ(WindowOfChild(object.Get(), id), serviceToggles[r]);
        EXPECT_EQ(WindowOfChild(object.Get(), id + 1), serviceLabels[r]);
        AccessibleRef row = ClientObject(serviceToggles[r]);
        ASSERT_TRUE(row);
        BSTR description = nullptr;
        ASSERT_EQ(row->get_accDescription(ChildId(CHILDID_SELF), &description), S_OK);
        EXPECT_EQ(std::wstring(description), WindowText(serviceLabels[r]));
        SysFreeString(description);
    }
}

// A painted text is where its ink is: a point of its layout box beyond the ink is the
// card's, not the text's.
TEST_F(MainWindowAccess, PaintedTextsAreWhereTheirInkIs)
{
    OpenAndRead();
    RECT layout = {239, 18, 839, 54};  // the Home title's box
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&layout), 2);
    const LONG titleId = FirstPaintedId + 1;  // after the logo
    const RECT title = LocationOf(object.Get(), titleId);
    EXPECT_EQ(title.left, layout.left);
    EXPECT_EQ(title.top, layout.top);
    EXPECT_GT(title.right - title.left, 40) << "the ink of a word";
    EXPECT_LT(title.right - title.left, 300) << "\"Главная\" takes far less than its box";
    EXPECT_LE(title.bottom, layout.bottom);
    VARIANT hit;
    ASSERT_EQ(object->accHitTest(title.left + 3, title.top + 3, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, titleId);
    ASSERT_EQ(object->accHitTest(layout.right - 20, layout.top + 3, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, CHILDID_SELF) << "empty space of the title's box";

    const LONG memory = FindChild(object.Get(), ROLE_SYSTEM_STATICTEXT, L"41%");
    ASSERT_NE(memory, 0);
    const RECT ink = LocationOf(object.Get(), memory);
    ASSERT_EQ(object->accHitTest(ink.left + 2, ink.top + 2, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, memory);

    // the logo's two lines are one text, found on either line
    const LONG logo = FindChild(object.Get(), ROLE_SYSTEM_STATICTEXT, L"Tarvix MINI");
    ASSERT_EQ(logo, FirstPaintedId);
    for (POINT line : {POINT{68, 30}, POINT{68, 58}}) {
        SCOPED_TRACE(line.y);
        ClientToScreen(window, &line);
        ASSERT_EQ(object->accHitTest(line.x, line.y, &hit), S_OK);
        EXPECT_EQ(hit.vt, VT_I4);
        EXPECT_EQ(hit.lVal, logo);
    }
}

// What a reader hears is what the window shows: the values of the last paint, not a new
// reading, until the window paints them anew.
TEST_F(MainWindowAccess, HomeValuesAreReadAsPainted)
{
    OpenAndRead();
    struct Row {
        const char* name;
        SystemDiskKind disk;
        BOOL(WINAPI* memory)(LPMEMORYSTATUSEX);
        const wchar_t* drive;
        const wchar_t* load;
    };
    const Row rows[] = {
        {"SSD, 42%", DiskSsd, Memory42, L"SSD", L"42%"},
        {"HDD, 41%", DiskHdd, Memory41, L"HDD", L"41%"},
        {"no figures", DiskNotDetermined, NoMemoryFigures, L"Неизвестен", L"Нет данных"},
    };
    std::vector<std::wstring> painted = PaintedTexts();
    ASSERT_EQ(painted.size(), 10u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DiskKind = row.disk;
        osApi.GlobalMemoryStatusEx = row.memory;
        EXPECT_EQ(PaintedTexts(), painted) << "heard before it was painted";
        Repaint();
        painted = PaintedTexts();
        ASSERT_EQ(painted.size(), 10u);
        EXPECT_EQ(painted[6], row.drive);
        EXPECT_EQ(painted[8], row.load);
    }
}

// With the automatic refresh off, a changed memory load is neither painted nor heard.
TEST_F(MainWindowAccess, MemoryLoadHeardIsThePaintedOneWhileRefreshIsOff)
{
    OpenAndRead();
    const LONG memory = FindChild(object.Get(), ROLE_SYSTEM_STATICTEXT, L"41%");
    ASSERT_NE(memory, 0);
    SendMessageW(autoRefreshToggle, WM_LBUTTONUP, 0, 0);
    ASSERT_EQ(SendMessageW(autoRefreshToggle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    osApi.GlobalMemoryStatusEx = Memory42;
    SendMessageW(window, WM_TIMER, 1, 0);
    Pump();
    EXPECT_EQ(NameOf(object.Get(), memory), L"41%");
    SendMessageW(autoRefreshToggle, WM_LBUTTONUP, 0, 0);
    SendMessageW(window, WM_TIMER, 1, 0);  // the first reading with the refresh on only records
    SendMessageW(window, WM_TIMER, 1, 0);
    Pump();
    EXPECT_EQ(NameOf(object.Get(), memory), L"41%") << "the load seen first stays until it changes";
    osApi.GlobalMemoryStatusEx = Memory41;
    SendMessageW(window, WM_TIMER, 1, 0);
    osApi.GlobalMemoryStatusEx = Memory42;
    SendMessageW(window, WM_TIMER, 1, 0);
    Pump();
    EXPECT_EQ(NameOf(object.Get(), memory), L"42%") << "painted anew, heard anew";
}

// A repaint of part of the window takes into what is heard only what it repainted: the
// hovered rows repainted after the memory load changed leave the load heard as shown,
// and no name change is told; the load's own box repainted shows and tells the new one.
TEST_F(MainWindowAccess, AClippedPaintLeavesWhatItDidNotRepaint)
{
    OpenAndRead();
    SendMessageW(autoRefreshToggle, WM_LBUTTONUP, 0, 0);  // the automatic refresh off
    Pump();
    const LONG memory = FindChild(object.Get(), ROLE_SYSTEM_STATICTEXT, L"41%");
    ASSERT_NE(memory, 0);
    const std::vector<std::wstring> shown = PageNames();
    osApi.GlobalMemoryStatusEx = Memory42;
    WinEventRecorder events;
    ASSERT_TRUE(events.Hooked());
    for (int row : {0, 1, 3}) {
        SCOPED_TRACE(row);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 110 + 52 * row));
        Pump();
        EXPECT_EQ(hoveredRow, row);
        EXPECT_EQ(PageNames(), shown);
    }
    EXPECT_EQ(events.Count(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, memory), 0) << events.Describe();

    InvalidateRect(window, &MemoryLoadRect, FALSE);
    Pump();
    EXPECT_EQ(NameOf(object.Get(), memory), L"42%");
    EXPECT_EQ(events.Count(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, memory), 1) << events.Describe();
    std::vector<std::wstring> changed = shown;
    changed[memory - FirstPaintedId] = L"42%";
    EXPECT_EQ(PageNames(), changed) << "only the load's entry is new";
}

// From a tab's action until the new page's paint, a reader counting the children finds
// the old page's whole set, every id answering; after the paint, the new page's.
TEST_F(MainWindowAccess, ChildrenChangeOnlyWithThePaint)
{
    OpenAndRead();
    const LONG homeCount = ChildCountOf(object.Get());
    const std::vector<std::wstring> home = PageNames();
    ASSERT_EQ(object->accDoDefaultAction(ChildId(2)), S_OK);  // the Services tab
    // the action's message alone, no paint
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, window, SidebarRowMessage, SidebarRowMessage, PM_REMOVE));
    DispatchMessageW(&message);
    ASSERT_EQ(currentPage, PageServices);
    ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "painted already";
    EXPECT_EQ(ChildCountOf(object.Get()), homeCount);
    EXPECT_EQ(PageNames(), home);
    for (LONG id = 1; id <= homeCount; ++id) {
        SCOPED_TRACE(id);
        VARIANT role;
        EXPECT_EQ(object->get_accRole(ChildId(id), &role), S_OK);
    }

    UpdateWindow(window);
    const LONG servicesCount = ChildCountOf(object.Get());
    int shown = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) ++shown;
    EXPECT_EQ(servicesCount, 4 + static_cast<LONG>(PaintedTexts().size()) + shown);
    EXPECT_EQ(PageNames()[1], L"Управление службами Windows");
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(ChildId(servicesCount + 1), &name), E_INVALIDARG);
}

// accSelect: the window takes the focus, a tab the focus and the selection together, as
// readers ask; what the tabs cannot do is refused and changes nothing.
TEST_F(MainWindowAccess, SelectTakesTheFocusAndATabsPage)
{
    OpenAndRead();
    const struct {
        const char* name;
        LONG flags, child;
        HRESULT result;
        unsigned page;  // shown afterwards
        bool focused;   // the window has the focus afterwards
    } rows[] = {
        {"tab: focus and selection", SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, 2, S_OK, PageServices, true},
        {"tab: selection", SELFLAG_TAKESELECTION, 3, S_OK, PageOptimization, false},
        {"tab: focus", SELFLAG_TAKEFOCUS, 1, S_OK, PageOptimization, true},
        {"tab: added to the selection", SELFLAG_TAKEFOCUS | SELFLAG_ADDSELECTION, 1, E_INVALIDARG,
         PageOptimization, false},
        {"window: focus", SELFLAG_TAKEFOCUS, CHILDID_SELF, S_OK, PageOptimization, true},
        {"window: selection", SELFLAG_TAKESELECTION, CHILDID_SELF, E_INVALIDARG, PageOptimization, false},
        {"painted text: focus", SELFLAG_TAKEFOCUS, FirstPaintedId + 1, E_INVALIDARG, PageOptimization, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetFocus(nullptr);
        EXPECT_EQ(object->accSelect(row.flags, ChildId(row.child)), row.result);
        Pump();
        EXPECT_EQ(currentPage, row.page);
        EXPECT_EQ(GetFocus() == window, row.focused);
    }
    EnableWindow(window, FALSE);
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, ChildId(1)), E_FAIL);
    Pump();
    EnableWindow(window, TRUE);
    EXPECT_EQ(currentPage, PageOptimization) << "acted while a box held the window";
}

TEST_F(MainWindowAccess, WithoutGdiPlusOnlyTheNoticeIsPainted)
{
    OpenAndRead();
    GdiPlusApi.usable = false;
    Repaint();
    const std::vector<std::wstring> texts = PaintedTexts();
    const size_t tabs = NamesWithRole(object.Get(), ROLE_SYSTEM_PAGETAB).size();
    GdiPlusApi.usable = true;
    Repaint();
    EXPECT_EQ(texts, std::vector<std::wstring>{L"GDI+ недоступен. Проверьте установку Windows."});
    EXPECT_EQ(tabs, 4u) << "the rows still take clicks";
    EXPECT_EQ(PaintedTexts().size(), 10u);
}

TEST_F(MainWindowAccess, ControlsReadAsTheirOwnObjectsGiveThem)
{
    OpenAndRead();
    // the painted elements have no object of their own
    IDispatch* none = nullptr;
    EXPECT_EQ(object->get_accChild(ChildId(1), &none), S_FALSE);
    EXPECT_EQ(object->get_accChild(ChildId(FirstPaintedId), &none), S_FALSE);
    EXPECT_EQ(none, nullptr);

    // a toggle of the window reads as its own object gives it
    AccessibleRef toggle = ClientObject(autoRefreshToggle);
    ASSERT_TRUE(toggle);
    EXPECT_EQ(RoleOf(toggle.Get(), CHILDID_SELF), ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(NameOf(toggle.Get(), CHILDID_SELF), L"Автоматически обновлять статус каждые 3 секунды");
    EXPECT_EQ(StateOf(toggle.Get(), CHILDID_SELF), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED);
    // its page hidden: it can neither act nor take the focus
    ShowPage(PageServices);
    EXPECT_EQ(StateOf(toggle.Get(), CHILDID_SELF), STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE);
    EXPECT_EQ(toggle->accDoDefaultAction(ChildId(CHILDID_SELF)), E_FAIL);
    EXPECT_EQ(toggle->accSelect(SELFLAG_TAKEFOCUS, ChildId(CHILDID_SELF)), E_FAIL);
    Pump();
    EXPECT_EQ(SendMessageW(autoRefreshToggle, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_NE(GetFocus(), autoRefreshToggle);
    // the keys still reach the window and switch pages
    SendMessageW(GetFocus(), WM_KEYDOWN, 0x31, 0);
    EXPECT_EQ(currentPage, PageHome);

    // each tab's shortcut is its digit key
    BSTR keys = nullptr;
    for (LONG row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        ASSERT_EQ(object->get_accKeyboardShortcut(ChildId(1 + row), &keys), S_OK);
        EXPECT_EQ(std::wstring(keys), std::wstring(1, static_cast<wchar_t>(L'1' + row)));
        SysFreeString(keys);
    }
    EXPECT_EQ(object->get_accKeyboardShortcut(ChildId(FirstPaintedId), &keys), S_FALSE);
}

TEST_F(MainWindowAccess, TabDefaultActionShowsThePageAsAClickDoes)
{
    OpenAndRead();
    for (LONG row : {1, 2, 3, 0}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(object->accDoDefaultAction(ChildId(1 + row)), S_OK);
        Pump();
        EXPECT_EQ(currentPage, Tabs[row].page);
    }
    ShowPage(PageServices);
    EXPECT_TRUE(IsWindowVisible(serviceToggles[0]));
    EXPECT_FALSE(IsWindowVisible(autoStartToggle));
    // nothing while a message box holds the window, as for a click, and no action offered
    EnableWindow(window, FALSE);
    EXPECT_EQ(object->accDoDefaultAction(ChildId(1)), E_FAIL);
    EXPECT_EQ(DefaultActionOf(object.Get(), 1), L"");
    // nor for the action's message itself, come to a window that a box now holds
    PostMessageW(window, SidebarRowMessage, 0, 0);
    Pump();
    EnableWindow(window, TRUE);
    EXPECT_EQ(currentPage, PageServices);
    PostMessageW(window, SidebarRowMessage, 2, 0);
    Pump();
    EXPECT_EQ(currentPage, PageOptimization) << "the same message to the window taking input";
    ShowPage(PageServices);
    // nothing for a painted text, and nothing for an id out of range
    EXPECT_EQ(object->accDoDefaultAction(ChildId(FirstPaintedId)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->accDoDefaultAction(ChildId(ChildCountOf(object.Get()) + 1)), E_INVALIDARG);
    Pump();
    EXPECT_EQ(currentPage, PageServices);
}

// A page switch selects its tab and, once painted, tells that the children are new; a
// changed memory load, once painted, tells its new name; nothing else is announced.
TEST_F(MainWindowAccess, EventsOnPageSwitchAndOnAChangedMemoryLoadOnly)
{
    OpenAndRead();
    Pump();
    const LONG memory = FindChild(object.Get(), ROLE_SYSTEM_STATICTEXT, L"41%");
    ASSERT_NE(memory, 0);
    WinEventRecorder events;
    ASSERT_TRUE(events.Hooked());
    struct Row {
        const char* name;
        void (*act)(HWND window);
        DWORD event;  // 0: none of ours
        LONG child;   // -1: the memory load's
        int reordered;
    };
    const Row rows[] = {
        {"tab to Services", [](HWND w) { SendMessageW(w, SidebarRowMessage, 1, 0); }, EVENT_OBJECT_SELECTION,
         2, 1},
        {"Services again", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand + 1, 0); }, 0, 0, 0},
        {"key 4 to Help", [](HWND w) { SendMessageW(w, WM_KEYDOWN, 0x34, 0); }, EVENT_OBJECT_SELECTION, 4, 1},
        {"Restore: no tab", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand + 3, 0); },
         EVENT_OBJECT_SELECTIONREMOVE, 4, 1},
        {"Home", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand, 0); }, EVENT_OBJECT_SELECTION, 1,
         1},
        {"first tick records the load", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0, 0},
        {"steady tick", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0, 0},
        {"load changed", [](HWND w) {
             osApi.GlobalMemoryStatusEx = Memory42;
             SendMessageW(w, WM_TIMER, 1, 0);
         }, EVENT_OBJECT_NAMECHANGE, -1, 0},
        {"steady again", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0, 0},
        {"a repaint that changes nothing", [](HWND w) {
             InvalidateRect(w, nullptr, FALSE);
             UpdateWindow(w);
         }, 0, 0, 0},
    };
    const DWORD ours[] = {EVENT_OBJECT_SELECTION, EVENT_OBJECT_SELECTIONREMOVE, EVENT_OBJECT_SELECTIONADD,
                          EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_STATECHANGE};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events.Clear();
        row.act(window);
        Pump();
        int raised = 0;
        // the main window's own; the controls' texts and states are the system's to announce
        for (const WinEvent& seen : events.Events())
            for (DWORD event : ours)
                if (seen.event == event && seen.window == window && seen.object == OBJID_CLIENT) ++raised;
        EXPECT_EQ(raised, row.event ? 1 : 0) << events.Describe();
        if (row.event) {
            const LONG child = row.child < 0 ? memory : row.child;
            EXPECT_EQ(events.Count(row.event, window, OBJID_CLIENT, child), 1) << events.Describe();
        }
        EXPECT_EQ(events.Count(EVENT_OBJECT_REORDER, window, OBJID_CLIENT, CHILDID_SELF), row.reordered)
            << events.Describe();
    }
    EXPECT_EQ(NameOf(object.Get(), memory), L"42%");
}

TEST_F(MainWindowAccess, ObjectsHeldPastTheWindowAnswerNotConnected)
{
    OpenAndRead();
    AccessibleRef toggle = ClientObject(autoStartToggle);
    ASSERT_TRUE(toggle);
    ASSERT_EQ(NameOf(object.Get(), 1), L"Главная");
    // the first request began COM on the window's thread; the window's end ends it
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE) << "no apartment while serving";
    Close();
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_OK) << "COM still runs on the thread after the window's end";
    if (SUCCEEDED(after)) CoUninitialize();
    ExpectDisconnected(object.Get(), 1);
    ExpectDisconnected(toggle.Get(), CHILDID_SELF);
    EXPECT_EQ(LiveAccessibleObjects(), 2) << "held by this client only";
    toggle.Reset();
    object.Reset();
    EXPECT_EQ(LiveAccessibleObjects(), 0);

    // a window opened afterwards answers again
    OpenAndRead();
    EXPECT_EQ(NameOf(object.Get(), 2), L"Службы");
}

// Pumps the thread's messages until event is set, at most timeoutMs; false on time-out.
bool PumpUntil(HANDLE event, DWORD timeoutMs)
{
    const DWORD until = GetTickCount() + timeoutMs;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(until - now) <= 0) return false;
        const DWORD waited = MsgWaitForMultipleObjects(1, &event, FALSE, until - now, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) return true;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// A call through COM that no longer reaches the object: disconnected, or its interface
// gone from the apartment with the last object that had it
bool CutOff(HRESULT result)
{
    return NotConnected(result) || result == HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF);
}

// get_accRole of an object held through COM
HRESULT RoleResult(IDispatch* object)
{
    if (!object) return E_POINTER;
    IAccessible* accessible = nullptr;
    const HRESULT asked = object->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible));
    if (FAILED(asked)) return asked;
    VARIANT role;
    const HRESULT result = accessible->get_accRole(ChildId(CHILDID_SELF), &role);
    accessible->Release();
    return result;
}

struct ReaderSeen {
    std::wstring before;  // the name read while the window lived
    HRESULT after;        // the answer once it had ended
    int liveWhileHeld;    // objects alive while the reader held its proxy
    int liveAfterEnd;     // ... and right after the window's end
};

// A reader on a thread of its own holds a proxy to target's object, as a screen reader
// in another process does, while this thread ends the window with end.
ReaderSeen ReadAcrossTheEnd(HWND target, LONG child, const std::function<void()>& end)
{
    ReaderSeen seen = {L"", S_OK, -1, -1};
    HANDLE read = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread reader([&] {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            AccessibleRef proxy = ClientObject(target);
            if (proxy) seen.before = NameOf(proxy.Get(), child);
            SetEvent(read);
            WaitForSingleObject(ended, 20000);
            BSTR name = nullptr;
            if (proxy) seen.after = proxy->get_accName(ChildId(child), &name);
            SysFreeString(name);
        }
        if (SUCCEEDED(com)) CoUninitialize();
        SetEvent(done);
    });
    EXPECT_TRUE(PumpUntil(read, 20000));
    seen.liveWhileHeld = LiveAccessibleObjects();
    end();
    seen.liveAfterEnd = LiveAccessibleObjects();
    SetEvent(ended);
    EXPECT_TRUE(PumpUntil(done, 20000));
    reader.join();
    for (HANDLE event : {read, ended, done}) CloseHandle(event);
    return seen;
}

// When the window ends, COM lets go of its objects at once, and a reader's next call
// fails instead of reaching them: with the main window, whose end also ends COM on the
// thread, and with a toggle that ends alone while COM goes on.
TEST_F(MainWindowAccess, AReaderInAnotherApartmentIsCutOffWhenTheWindowEnds)
{
    Open();
    const ReaderSeen seen = ReadAcrossTheEnd(window, 2, [this] { Close(); });
    EXPECT_EQ(seen.before, L"Службы") << "the reader got no object";
    EXPECT_EQ(seen.liveWhileHeld, 1) << "the object, held for the reader by COM";
    EXPECT_EQ(seen.liveAfterEnd, 0) << "COM still holds the object of an ended window";
    EXPECT_TRUE(FAILED(seen.after)) << std::hex << seen.after;
}

// The system's objects that the window's objects hand out (the window's own object as the
// parent, a control as a child, under a point and with the focus) are let go with the
// window: a reader holding them is cut off at the window's end, and nothing the window
// handed out stays alive for it.
TEST_F(MainWindowAccess, SystemObjectsHandedOutAreLetGoWithTheWindow)
{
    Open();
    ASSERT_EQ(SetFocus(autoRefreshToggle) != nullptr, true);
    ASSERT_EQ(GetFocus(), autoRefreshToggle);
    RECT toggleBox = ScreenBox(autoRefreshToggle);
    const POINT overToggle = {toggleBox.left + 20, toggleBox.top + 10};
    struct Held {
        const char* name;
        IDispatch* object;
        HRESULT before, after;
    };
    Held held[] = {{"parent", nullptr, E_FAIL, S_OK},
                   {"child", nullptr, E_FAIL, S_OK},
                   {"hit", nullptr, E_FAIL, S_OK},
                   {"focus", nullptr, E_FAIL, S_OK}};
    int liveWhileHeld = -1, liveAfterEnd = -1;
    HANDLE read = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HWND target = window;
    const LONG statusId = FirstPaintedId + 4;  // the status label, a control
    std::thread reader([&] {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            AccessibleRef proxy = ClientObject(target);
            if (proxy) {
                proxy->get_accParent(&held[0].object);
                proxy->get_accChild(ChildId(statusId), &held[1].object);
                VARIANT hit, focus;
                if (proxy->accHitTest(overToggle.x, overToggle.y, &hit) == S_OK && hit.vt == VT_DISPATCH)
                    held[2].object = hit.pdispVal;
                if (proxy->get_accFocus(&focus) == S_OK && focus.vt == VT_DISPATCH) held[3].object = focus.pdispVal;
            }
            for (Held& h : held) h.before = RoleResult(h.object);
            SetEvent(read);
            WaitForSingleObject(ended, 20000);
            for (Held& h : held) h.after = RoleResult(h.object);
            for (Held& h : held)
                if (h.object) h.object->Release();
        }
        if (SUCCEEDED(com)) CoUninitialize();
        SetEvent(done);
    });
    EXPECT_TRUE(PumpUntil(read, 20000));
    liveWhileHeld = LiveAccessibleObjects();
    Close();
    liveAfterEnd = LiveAccessibleObjects();
    SetEvent(ended);
    EXPECT_TRUE(PumpUntil(done, 20000));
    reader.join();
    for (HANDLE event : {read, ended, done}) CloseHandle(event);

    // Wine's standard window objects answer few calls (E_NOTIMPL for the role); what
    // counts is that the call reached them while the window lived, and no longer after
    for (const Held& h : held) {
        SCOPED_TRACE(h.name);
        EXPECT_NE(h.object, nullptr) << "nothing handed out";
        EXPECT_FALSE(CutOff(h.before)) << std::hex << h.before;
        EXPECT_TRUE(CutOff(h.after)) << std::hex << h.after;
    }
    EXPECT_EQ(liveWhileHeld, 5) << "the window's object and the four handed out, held by COM for the reader";
    EXPECT_EQ(liveAfterEnd, 0) << "COM still holds objects of an ended window";
}

TEST_F(ToggleAccess, AReaderInAnotherApartmentIsCutOffWhenTheToggleEnds)
{
    const ReaderSeen seen = ReadAcrossTheEnd(toggle, CHILDID_SELF, [this] { DestroyWindow(toggle); });
    EXPECT_EQ(seen.before, Caption) << "the reader got no object";
    EXPECT_EQ(seen.liveWhileHeld, 1);
    EXPECT_EQ(seen.liveAfterEnd, 0) << "COM still holds the object of an ended toggle";
    EXPECT_TRUE(FAILED(seen.after)) << std::hex << seen.after;
}

}  // namespace
