#include "ui/MainAccessible.h"
#include "common/AccessibleObject.h"
#include "common/SystemLibraries.h"
#include "ui/Paint.h"
#include "ui/Sidebar.h"
#include "ui/WindowState.h"

namespace {

constexpr const wchar_t* ShowPageActionName = L"Открыть";

// Children, by id: the tabs first, then the painted texts of the page shown, then the
// child controls in the order of the window list, each with the system's own object.
constexpr LONG FirstTab = 1;
constexpr LONG FirstPaintedText = FirstTab + SidebarRowCount;

enum class ChildKind { Self, Tab, PaintedText, Control };

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

class MainAccessible final : public AccessibleObject {
public:
    explicit MainAccessible(HWND window) : AccessibleObject(window) {}

private:
    LONG FirstControl() const { return FirstPaintedText + PaintedTextCount(); }

    LONG ControlCount() const
    {
        LONG count = 0;
        for (HWND child = GetWindow(Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++count;
        return count;
    }

    HWND Control(LONG index) const
    {
        HWND child = GetWindow(Window(), GW_CHILD);
        for (; child && index > 0; --index) child = GetWindow(child, GW_HWNDNEXT);
        return child;
    }

    // the kind of child id and its index among its kind
    ChildKind KindOf(LONG id, LONG& index) const
    {
        index = 0;
        if (id == CHILDID_SELF) return ChildKind::Self;
        if (id < FirstPaintedText) {
            index = id - FirstTab;
            return ChildKind::Tab;
        }
        const LONG firstControl = FirstControl();
        if (id < firstControl) {
            index = id - FirstPaintedText;
            return ChildKind::PaintedText;
        }
        index = id - firstControl;
        return ChildKind::Control;
    }

    LONG ChildCount() override { return FirstControl() - 1 + ControlCount(); }

    IDispatch* ChildObject(LONG id) override
    {
        LONG index;
        if (KindOf(id, index) != ChildKind::Control) return nullptr;
        IDispatch* object = nullptr;
        const HWND control = Control(index);
        if (control) SystemAccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                                      reinterpret_cast<void**>(&object));
        return object;
    }

    LONG Role(LONG id) override
    {
        LONG index;
        switch (KindOf(id, index)) {
        case ChildKind::Self: return ROLE_SYSTEM_CLIENT;
        case ChildKind::Tab: return ROLE_SYSTEM_PAGETAB;
        case ChildKind::PaintedText: return ROLE_SYSTEM_STATICTEXT;
        case ChildKind::Control: break;
        }
        return ROLE_SYSTEM_WINDOW;
    }

    static LONG WindowState(HWND window)
    {
        LONG state = 0;
        if (!IsWindowEnabled(window)) state |= STATE_SYSTEM_UNAVAILABLE;
        if (!IsWindowVisible(window)) state |= STATE_SYSTEM_INVISIBLE;
        if (GetFocus() == window) state |= STATE_SYSTEM_FOCUSED;
        return state;
    }

    LONG State(LONG id) override
    {
        LONG index;
        const HWND window = Window();
        // what the window's own state says of everything painted on it
        const LONG painted = WindowState(window) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE);
        switch (KindOf(id, index)) {
        case ChildKind::Self: return WindowState(window) | STATE_SYSTEM_FOCUSABLE;
        case ChildKind::Tab: {
            LONG state = painted | STATE_SYSTEM_SELECTABLE;
            if (SidebarRows[index].page == currentPage) state |= STATE_SYSTEM_SELECTED;
            if (index == hoveredRow) state |= STATE_SYSTEM_HOTTRACKED;
            return state;
        }
        case ChildKind::PaintedText: return painted | STATE_SYSTEM_READONLY;
        case ChildKind::Control: break;
        }
        return WindowState(Control(index));
    }

    void Name(LONG id, wchar_t* text, size_t capacity) override
    {
        LONG index;
        switch (KindOf(id, index)) {
        case ChildKind::Self: GetWindowTextW(Window(), text, static_cast<int>(capacity)); return;
        case ChildKind::Tab: lstrcpynW(text, SidebarRows[index].label, static_cast<int>(capacity)); return;
        case ChildKind::PaintedText: {
            PaintedText painted;
            if (GetPaintedText(index, painted)) lstrcpynW(text, painted.text, static_cast<int>(capacity));
            return;
        }
        case ChildKind::Control: GetWindowTextW(Control(index), text, static_cast<int>(capacity)); return;
        }
    }

    bool Location(LONG id, RECT& box) override
    {
        LONG index;
        switch (KindOf(id, index)) {
        case ChildKind::Self:
            if (!GetClientRect(Window(), &box)) return false;
            box = ToScreen(Window(), box);
            return true;
        case ChildKind::Tab: box = ToScreen(Window(), TabBox(index)); return true;
        case ChildKind::PaintedText: {
            PaintedText painted;
            if (!GetPaintedText(index, painted)) return false;
            box = ToScreen(Window(), painted.box);
            return true;
        }
        case ChildKind::Control: break;
        }
        return GetWindowRect(Control(index), &box) != FALSE;
    }

    const wchar_t* DefaultAction(LONG id) override
    {
        LONG index;
        return KindOf(id, index) == ChildKind::Tab ? ShowPageActionName : nullptr;
    }

    // Posted, so that the client's call returns at once; the window then shows the page
    // as a click on the row does. Nothing while a message box holds the window.
    HRESULT DoDefaultAction(LONG id) override
    {
        LONG index;
        if (KindOf(id, index) != ChildKind::Tab) return DISP_E_MEMBERNOTFOUND;
        if (!IsWindowEnabled(Window())) return E_FAIL;
        return PostMessageW(Window(), SidebarRowMessage, static_cast<WPARAM>(index), 0) ? S_OK : E_FAIL;
    }

    HRESULT Select(LONG flags, LONG id) override
    {
        if (flags != SELFLAG_TAKESELECTION) return DISP_E_MEMBERNOTFOUND;
        return DoDefaultAction(id);
    }

    LONG ChildAt(POINT point) override
    {
        const HWND window = Window();
        RECT client;
        if (!GetClientRect(window, &client)) return NoChild;
        ScreenToClient(window, &point);
        if (!PtInRect(&client, point)) return NoChild;
        const HWND control = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (control && control != window) return IdOfControl(control);
        for (int row = 0; row < SidebarRowCount; ++row) {
            const RECT box = TabBox(row);
            if (PtInRect(&box, point)) return FirstTab + row;
        }
        PaintedText painted;
        for (int i = 0; GetPaintedText(i, painted); ++i)
            if (PtInRect(&painted.box, point)) return FirstPaintedText + i;
        return CHILDID_SELF;
    }

    LONG IdOfControl(HWND control) const
    {
        LONG index = 0;
        for (HWND child = GetWindow(Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++index)
            if (child == control) return FirstControl() + index;
        return NoChild;
    }

    LONG FocusedChild() override
    {
        HWND focus = GetFocus();
        if (focus == Window()) return CHILDID_SELF;
        if (!focus || !IsChild(Window(), focus)) return NoChild;
        while (GetParent(focus) != Window()) focus = GetParent(focus);
        return IdOfControl(focus);
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
    // the painted texts are now the new page's
    NotifyWinEvent(EVENT_OBJECT_REORDER, mainWindow, OBJID_CLIENT, CHILDID_SELF);
}

void NotifyMemoryLoadShown()
{
    PaintedText painted;
    for (int i = 0; GetPaintedText(i, painted); ++i)
        if (painted.memoryLoad) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, mainWindow, OBJID_CLIENT, FirstPaintedText + i);
}
