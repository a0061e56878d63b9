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
#include "draw/ToggleSwitch.h"
#include "support/AccessibleClient.h"
#include "support/GdiWorld.h"
#include "support/MainWindowFixture.h"
#include "ui/ControlIds.h"
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
        // as the main window ends: its controls' objects disconnected, COM ended
        EndAccessibility(host.Get());
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
        bool on, enabled, focused, visible;
        LONG state;
    };
    const LONG focusable = STATE_SYSTEM_FOCUSABLE;
    const Row rows[] = {
        {"off", false, true, false, true, focusable},
        {"on", true, true, false, true, focusable | STATE_SYSTEM_CHECKED},
        {"on, disabled", true, false, false, true, focusable | STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE},
        {"off, disabled", false, false, false, true, focusable | STATE_SYSTEM_UNAVAILABLE},
        {"focused", false, true, true, true, focusable | STATE_SYSTEM_FOCUSED},
        {"on, its page hidden", true, true, false, false, focusable | STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageW(toggle, BM_SETCHECK, row.on ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(toggle, row.enabled);
        ShowWindow(toggle, row.visible ? SW_SHOW : SW_HIDE);
        SetFocus(row.focused ? toggle : host.Get());
        EXPECT_EQ(StateOf(object.Get(), CHILDID_SELF), row.state);
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
        bool enabled, windowEnabled;
        LRESULT after;
    };
    const Row rows[] = {
        {"enabled: on", true, true, BST_CHECKED},
        {"enabled: off again", true, true, BST_UNCHECKED},
        {"disabled: stays off", false, true, BST_UNCHECKED},
        {"its window disabled, as under a message box: stays off", true, false, BST_UNCHECKED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EnableWindow(toggle, row.enabled);
        EnableWindow(host.Get(), row.windowEnabled);
        hostCommands.clear();
        const HRESULT result = object->accDoDefaultAction(ChildId(CHILDID_SELF));
        PumpMessages();
        EnableWindow(host.Get(), TRUE);
        const bool reachable = row.enabled && row.windowEnabled;
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

TEST_F(MainWindowAccess, PaintedTextsOfEachPageInReadingOrder)
{
    OpenAndRead();
    struct Row {
        const char* name;
        unsigned page;
        std::vector<std::wstring> texts;
    };
    const Row rows[] = {
        {"Home", PageHome,
         {L"Главная", L"Состояние SysMain и управление Windows", L"Статус SysMain:", L"Тип запуска", L"Накопитель",
          L"Неизвестен", L"RAM использовано", L"41%", L"Управление"}},
        {"Services", PageServices,
         {L"Управление службами Windows", L"Выберите службы для отключения. Режим запуска показан справа."}},
        {"Optimization", PageOptimization, {L"Оптимизация системы", L"Сведения о накопителе и оперативной памяти"}},
        {"Restore", PageRestore, {L"Восстановление", L"Возврат сохранённых параметров"}},
        {"Help", PageHelp, {L"Справка", L"О программе"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShowPage(row.page);
        EXPECT_EQ(PaintedTexts(), row.texts);
        EXPECT_EQ(StateOf(object.Get(), FirstPaintedId), STATE_SYSTEM_READONLY);
    }

    // the painted boxes: the Home page's title and the memory load's value
    ShowPage(PageHome);
    RECT title = {239, 18, 839, 54};
    RECT memory = {674, 308, 849, 338};
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&title), 2);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&memory), 2);
    EXPECT_TRUE(SameBox(LocationOf(object.Get(), FirstPaintedId), title));
    EXPECT_TRUE(SameBox(LocationOf(object.Get(), FirstPaintedId + 7), memory));
    VARIANT hit;
    ASSERT_EQ(object->accHitTest(memory.left + 3, memory.top + 3, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, FirstPaintedId + 7);
}

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
        {"SSD, 41%", DiskSsd, Memory41, L"SSD", L"41%"},
        {"HDD, 42%", DiskHdd, Memory42, L"HDD", L"42%"},
        {"no figures", DiskNotDetermined, NoMemoryFigures, L"Неизвестен", L"Нет данных"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DiskKind = row.disk;
        osApi.GlobalMemoryStatusEx = row.memory;
        const std::vector<std::wstring> texts = PaintedTexts();
        ASSERT_EQ(texts.size(), 9u);
        EXPECT_EQ(texts[5], row.drive);
        EXPECT_EQ(texts[7], row.load);
    }
}

TEST_F(MainWindowAccess, WithoutGdiPlusOnlyTheNoticeIsPainted)
{
    OpenAndRead();
    GdiPlusApi.usable = false;
    const std::vector<std::wstring> texts = PaintedTexts();
    GdiPlusApi.usable = true;
    EXPECT_EQ(texts, std::vector<std::wstring>{L"GDI+ недоступен. Проверьте установку Windows."});
    EXPECT_EQ(NamesWithRole(object.Get(), ROLE_SYSTEM_PAGETAB).size(), 4u) << "the rows still take clicks";
}

TEST_F(MainWindowAccess, ChildControlsAreStillInTheTree)
{
    OpenAndRead();
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    ASSERT_EQ(controls.size(), 41u);
    const LONG painted = static_cast<LONG>(PaintedTexts().size());
    ASSERT_EQ(ChildCountOf(object.Get()), 4 + painted + 41);
    for (size_t i = 0; i < controls.size(); ++i) {
        const LONG id = 4 + painted + 1 + static_cast<LONG>(i);
        SCOPED_TRACE(id);
        EXPECT_EQ(WindowOfChild(object.Get(), id), controls[i]) << "not the control's own object";
        EXPECT_TRUE(SameBox(LocationOf(object.Get(), id), ScreenBox(controls[i])));
    }
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
    ShowPage(PageServices);
    EXPECT_EQ(StateOf(toggle.Get(), CHILDID_SELF),
              STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE);

    // navigation walks the same children
    VARIANT first, last;
    ASSERT_EQ(object->accNavigate(NAVDIR_FIRSTCHILD, ChildId(CHILDID_SELF), &first), S_OK);
    EXPECT_EQ(first.vt, VT_I4);
    EXPECT_EQ(first.lVal, 1);
    ASSERT_EQ(object->accNavigate(NAVDIR_LASTCHILD, ChildId(CHILDID_SELF), &last), S_OK);
    ASSERT_EQ(last.vt, VT_DISPATCH);
    last.pdispVal->Release();
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
    // nothing while a message box holds the window, as for a click
    EnableWindow(window, FALSE);
    EXPECT_EQ(object->accDoDefaultAction(ChildId(1)), E_FAIL);
    Pump();
    EnableWindow(window, TRUE);
    EXPECT_EQ(currentPage, PageServices);
    // nothing for a painted text, and nothing for an id out of range
    EXPECT_EQ(object->accDoDefaultAction(ChildId(FirstPaintedId)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->accDoDefaultAction(ChildId(ChildCountOf(object.Get()) + 1)), E_INVALIDARG);
    Pump();
    EXPECT_EQ(currentPage, PageServices);
}

TEST_F(MainWindowAccess, EventsOnPageSwitchAndOnAChangedMemoryLoadOnly)
{
    OpenAndRead();
    Pump();
    WinEventRecorder events;
    ASSERT_TRUE(events.Hooked());
    struct Row {
        const char* name;
        void (*act)(HWND window);
        DWORD event;  // 0: none of ours
        LONG child;
    };
    const Row rows[] = {
        {"tab to Services", [](HWND w) { SendMessageW(w, SidebarRowMessage, 1, 0); }, EVENT_OBJECT_SELECTION,
         2},
        {"Services again", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand + 1, 0); }, 0, 0},
        {"key 4 to Help", [](HWND w) { SendMessageW(w, WM_KEYDOWN, 0x34, 0); }, EVENT_OBJECT_SELECTION, 4},
        {"Restore: no tab", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand + 3, 0); },
         EVENT_OBJECT_SELECTIONREMOVE, 4},
        {"Home", [](HWND w) { SendMessageW(w, WM_COMMAND, IdFirstPageCommand, 0); }, EVENT_OBJECT_SELECTION, 1},
        {"first tick records the load", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0},
        {"steady tick", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0},
        {"load changed", [](HWND w) {
             osApi.GlobalMemoryStatusEx = Memory42;
             SendMessageW(w, WM_TIMER, 1, 0);
         }, EVENT_OBJECT_NAMECHANGE, FirstPaintedId + 7},
        {"steady again", [](HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }, 0, 0},
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
            EXPECT_EQ(events.Count(row.event, window, OBJID_CLIENT, row.child), 1) << events.Describe();
        }
    }
    EXPECT_EQ(NameOf(object.Get(), FirstPaintedId + 7), L"42%");
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

TEST_F(ToggleAccess, AReaderInAnotherApartmentIsCutOffWhenTheToggleEnds)
{
    const ReaderSeen seen = ReadAcrossTheEnd(toggle, CHILDID_SELF, [this] { DestroyWindow(toggle); });
    EXPECT_EQ(seen.before, Caption) << "the reader got no object";
    EXPECT_EQ(seen.liveWhileHeld, 1);
    EXPECT_EQ(seen.liveAfterEnd, 0) << "COM still holds the object of an ended toggle";
    EXPECT_TRUE(FAILED(seen.after)) << std::hex << seen.after;
}

}  // namespace
