#include "ui/MainAccessible.h"
#include <algorithm>
#include "common/AccessibleObject.h"
#include "common/SystemLibraries.h"
#include "ui/Pages.h"
#include "ui/Paint.h"
#include "ui/Sidebar.h"
#include "ui/WindowState.h"

namespace {

constexpr const wchar_t* ShowPageActionName = L"Открыть";

// the keys 1 to 4 show the pages of the rows in order
constexpr const wchar_t* TabKeys[] = {L"1", L"2", L"3", L"4"};
static_assert(sizeof(TabKeys) / sizeof(TabKeys[0]) == SidebarRowCount, "a key for each row");

// Children, by id: the tabs first, then what the page shown holds, in reading order.
constexpr LONG FirstTab = 1;
constexpr LONG FirstItem = FirstTab + SidebarRowCount;

// One thing on the page last painted: a text that the paint drew, or one of the page's
// controls with the system's own object.
struct PageItem {
    int painted;   // the painted text's number, or -1 for a control
    HWND control;  // null for a painted text
    RECT box;      // where it is laid out, client coordinates
    RECT block;    // the card it lies on, or its own box when on none
};

// The texts and controls of the page last painted, in the order they are painted to be
// read: top to bottom and left to right, card by card, so that each card is read whole, a
// value right after its caption. The children change only with a paint: from a page switch
// until the new page is painted they stay the old page's, its controls then hidden, never
// the old page's texts with the new page's controls. Built afresh at each call; the tree
// is read rarely, and a page holds few.
class PageItems {
public:
    explicit PageItems(HWND window)
    {
        RECT cards[CardCapacity];
        const int cardCount = PaintedCards(cards, CardCapacity);
        PaintedText painted;
        for (int i = 0; count < Capacity && GetPaintedText(i, painted); ++i)
            Add({i, nullptr, painted.box, {}}, cards, cardCount);
        const unsigned page = PaintedPage();
        const PageControlList none = {};
        const PageControlList& controls = page < PageCount ? PageControls[page] : none;
        for (int c = 0; c < controls.count && count < Capacity; ++c) {
            const HWND control = controls.windows[c];
            RECT box;
            if (!GetWindowRect(control, &box)) continue;
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
            Add({-1, control, box, {}}, cards, cardCount);
        }
        std::sort(items, items + count, ReadsBefore);
    }

    int Count() const { return count; }
    const PageItem& operator[](int index) const { return items[index]; }

    // the position of a control or of a painted text, or -1
    int Find(HWND control, int painted) const
    {
        for (int i = 0; i < count; ++i)
            if (control ? items[i].control == control : items[i].painted == painted) return i;
        return -1;
    }

private:
    static constexpr int Capacity = 64;
    static constexpr int CardCapacity = 8;

    void Add(PageItem item, const RECT* cards, int cardCount)
    {
        item.block = item.box;
        const POINT corner = {item.box.left, item.box.top};
        for (int c = 0; c < cardCount; ++c)
            if (PtInRect(&cards[c], corner)) {
                item.block = cards[c];
                break;
            }
        items[count++] = item;
    }

    static bool ReadsBefore(const PageItem& a, const PageItem& b)
    {
        if (a.block.top != b.block.top) return a.block.top < b.block.top;
        if (a.block.left != b.block.left) return a.block.left < b.block.left;
        if (a.box.top != b.box.top) return a.box.top < b.box.top;
        return a.box.left < b.box.left;
    }

    PageItem items[Capacity];
    int count = 0;
};

int TabOfPage(unsigned page)
{
    for (int row = 0; row < SidebarRowCount; ++row)
        if (SidebarRows[row].page == page) return row;
    return -1;  // the Restore page has no tab
}

RECT ToScreen(HWND window, RECT box)
{
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

RECT TabBox(int row)
{
    const int top = SidebarRowTop(row);
    return {SidebarRowLeft, top, SidebarRowLeft + SidebarRowWidth, top + SidebarRowHeight};
}

// what a window's own state says of it
LONG WindowState(HWND window)
{
    LONG state = 0;
    if (!IsWindowEnabled(window)) state |= STATE_SYSTEM_UNAVAILABLE;
    if (!IsWindowVisible(window)) state |= STATE_SYSTEM_INVISIBLE;
    if (GetFocus() == window) state |= STATE_SYSTEM_FOCUSED;
    return state;
}

class MainAccessible final : public AccessibleObject {
public:
    explicit MainAccessible(HWND window) : AccessibleObject(window) {}

private:
    bool IsTab(LONG id) const { return id >= FirstTab && id < FirstItem; }

    // the page item of a child id, false for the object itself and the tabs
    bool ItemOf(LONG id, PageItem& item) const
    {
        if (id < FirstItem) return false;
        const PageItems items(Window());
        const int index = id - FirstItem;
        if (index >= items.Count()) return false;
        item = items[index];
        return true;
    }

    LONG ChildCount() override { return FirstItem - 1 + PageItems(Window()).Count(); }

    IDispatch* ChildObject(LONG id) override
    {
        PageItem item;
        if (!ItemOf(id, item) || !item.control) return nullptr;
        IDispatch* object = nullptr;
        SystemAccessibleObjectFromWindow(item.control, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                         reinterpret_cast<void**>(&object));
        return object;
    }

    LONG Role(LONG id) override
    {
        if (id == CHILDID_SELF) return ROLE_SYSTEM_CLIENT;
        if (IsTab(id)) return ROLE_SYSTEM_PAGETAB;
        PageItem item;
        if (ItemOf(id, item) && !item.control) return ROLE_SYSTEM_STATICTEXT;
        return ROLE_SYSTEM_WINDOW;
    }

    LONG State(LONG id) override
    {
        const HWND window = Window();
        if (id == CHILDID_SELF) return WindowState(window) | STATE_SYSTEM_FOCUSABLE;
        // what the window's own state says of everything painted on it
        const LONG painted = WindowState(window) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE);
        if (IsTab(id)) {
            const int row = id - FirstTab;
            LONG state = painted | STATE_SYSTEM_SELECTABLE;
            if (SidebarRows[row].page == currentPage) state |= STATE_SYSTEM_SELECTED;
            if (row == hoveredRow) state |= STATE_SYSTEM_HOTTRACKED;
            return state;
        }
        PageItem item;
        if (!ItemOf(id, item)) return 0;
        return item.control ? WindowState(item.control) : painted | STATE_SYSTEM_READONLY;
    }

    void Name(LONG id, wchar_t* text, size_t capacity) override
    {
        const int length = static_cast<int>(capacity);
        if (id == CHILDID_SELF) {
            GetWindowTextW(Window(), text, length);
            return;
        }
        if (IsTab(id)) {
            lstrcpynW(text, SidebarRows[id - FirstTab].label, length);
            return;
        }
        PageItem item;
        if (!ItemOf(id, item)) return;
        if (item.control) {
            GetWindowTextW(item.control, text, length);
            return;
        }
        PaintedText painted;
        if (GetPaintedText(item.painted, painted)) lstrcpynW(text, painted.text, length);
    }

    const wchar_t* KeyboardShortcut(LONG id) override { return IsTab(id) ? TabKeys[id - FirstTab] : nullptr; }

    bool Location(LONG id, RECT& box) override
    {
        const HWND window = Window();
        if (id == CHILDID_SELF) {
            if (!GetClientRect(window, &box)) return false;
            box = ToScreen(window, box);
            return true;
        }
        if (IsTab(id)) {
            box = ToScreen(window, TabBox(id - FirstTab));
            return true;
        }
        PageItem item;
        if (!ItemOf(id, item)) return false;
        if (item.control) return GetWindowRect(item.control, &box) != FALSE;
        PaintedText painted;
        if (!GetPaintedText(item.painted, painted)) return false;
        box = ToScreen(window, painted.ink);
        return true;
    }

    // a click reaches the window: not while a message box holds it, nor while it is hidden
    bool TakesInput() const { return IsWindowEnabled(Window()) && IsWindowVisible(Window()); }

    // none while a click could not reach the row
    const wchar_t* DefaultAction(LONG id) override
    {
        return IsTab(id) && TakesInput() ? ShowPageActionName : nullptr;
    }

    // Posted, so that the client's call returns at once; the window then shows the page
    // as a click on the row does. Nothing where a click could not reach the row.
    HRESULT DoDefaultAction(LONG id) override
    {
        if (!IsTab(id)) return DISP_E_MEMBERNOTFOUND;
        if (!TakesInput()) return E_FAIL;
        return PostMessageW(Window(), SidebarRowMessage, static_cast<WPARAM>(id - FirstTab), 0) ? S_OK : E_FAIL;
    }

    // The window takes the focus (the keys 1 to 4 reach it there), a tab the selection:
    // its page is shown. One page is shown at a time, so there is no selection to add to,
    // extend or take from, and the painted texts take neither.
    HRESULT Select(LONG flags, LONG id) override
    {
        constexpr LONG Honoured = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;
        if (flags == SELFLAG_NONE || (flags & ~Honoured) != 0) return E_INVALIDARG;
        if ((flags & SELFLAG_TAKESELECTION) && !IsTab(id)) return E_INVALIDARG;
        if ((flags & SELFLAG_TAKEFOCUS) && id != CHILDID_SELF && !IsTab(id)) return E_INVALIDARG;
        if (!TakesInput()) return E_FAIL;
        if (flags & SELFLAG_TAKEFOCUS) {
            SetFocus(Window());
            if (GetFocus() != Window()) return E_FAIL;
        }
        return flags & SELFLAG_TAKESELECTION ? DoDefaultAction(id) : S_OK;
    }

    LONG ChildAt(POINT point) override
    {
        const HWND window = Window();
        RECT client;
        if (!GetClientRect(window, &client)) return NoChild;
        ScreenToClient(window, &point);
        if (!PtInRect(&client, point)) return NoChild;
        const PageItems items(window);
        const HWND control = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (control && control != window) {
            const int index = items.Find(control, -1);
            return index < 0 ? CHILDID_SELF : FirstItem + index;
        }
        for (int row = 0; row < SidebarRowCount; ++row) {
            const RECT box = TabBox(row);
            if (PtInRect(&box, point)) return FirstTab + row;
        }
        PaintedText painted;
        for (int i = 0; GetPaintedText(i, painted); ++i)
            if (PtInRect(&painted.ink, point)) return FirstItem + items.Find(nullptr, i);
        return CHILDID_SELF;
    }

    LONG FocusedChild() override
    {
        const HWND window = Window();
        HWND focus = GetFocus();
        if (focus == window) return CHILDID_SELF;
        if (!focus || !IsChild(window, focus)) return NoChild;
        while (GetParent(focus) != window) focus = GetParent(focus);
        const int index = PageItems(window).Find(focus, -1);
        return index < 0 ? NoChild : FirstItem + index;
    }

    LONG SelectedChild() override
    {
        const int row = TabOfPage(currentPage);
        return row < 0 ? NoChild : FirstTab + row;
    }
};

}  // namespace

LRESULT AnswerMainWindowObject(HWND window, WPARAM flags, LPARAM objectId)
{
    if (!AcceptClientObjectRequest(objectId)) return 0;
    return AnswerClientObject(new MainAccessible(window), flags);
}

void NotifyPageShown(unsigned previous, unsigned page)
{
    if (previous == page) return;
    const int row = TabOfPage(page);
    const int old = TabOfPage(previous);
    if (row >= 0)
        NotifyWinEvent(EVENT_OBJECT_SELECTION, mainWindow, OBJID_CLIENT, FirstTab + row);
    else if (old >= 0)
        NotifyWinEvent(EVENT_OBJECT_SELECTIONREMOVE, mainWindow, OBJID_CLIENT, FirstTab + old);
}

void NotifyPaintedTextsReplaced()
{
    NotifyWinEvent(EVENT_OBJECT_REORDER, mainWindow, OBJID_CLIENT, CHILDID_SELF);
}

void NotifyPaintedTextChanged(int painted)
{
    const int index = PageItems(mainWindow).Find(nullptr, painted);
    if (index >= 0) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, mainWindow, OBJID_CLIENT, FirstItem + index);
}
