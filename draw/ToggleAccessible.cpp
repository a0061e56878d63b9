#include "draw/ToggleAccessible.h"
#include "common/AccessibleObject.h"

namespace {

constexpr const wchar_t* FlipActionName = L"Переключить";

// the window property that names the window whose text describes the toggle
constexpr const wchar_t* DescribedByProperty = L"TXToggleDescribedBy";

// Shown and reachable by a click: visible on the page shown, and the toggle and every
// window around it enabled, so not while a message box holds the main window.
bool Usable(HWND toggle)
{
    return IsWindowVisible(toggle) && ToggleTakesInput(toggle);
}

// Asks the toggle for everything (BM_GETCHECK, its enabled flag, its text) at each call.
class ToggleAccessible final : public AccessibleObject {
public:
    explicit ToggleAccessible(HWND toggle) : AccessibleObject(toggle) {}

private:
    LONG Role(LONG) override { return ROLE_SYSTEM_CHECKBUTTON; }

    LONG State(LONG) override
    {
        const HWND toggle = Window();
        LONG state = 0;
        if (SendMessageW(toggle, BM_GETCHECK, 0, 0) == BST_CHECKED) state |= STATE_SYSTEM_CHECKED;
        if (!ToggleTakesInput(toggle)) state |= STATE_SYSTEM_UNAVAILABLE;
        if (!IsWindowVisible(toggle)) state |= STATE_SYSTEM_INVISIBLE;  // its page is not shown
        if (Usable(toggle)) state |= STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == toggle) state |= STATE_SYSTEM_FOCUSED;
        return state;
    }

    void Name(LONG, wchar_t* text, size_t capacity) override
    {
        GetWindowTextW(Window(), text, static_cast<int>(capacity));
    }

    void Description(LONG, wchar_t* text, size_t capacity) override
    {
        const HWND describedBy = static_cast<HWND>(GetPropW(Window(), DescribedByProperty));
        if (describedBy && IsWindow(describedBy)) GetWindowTextW(describedBy, text, static_cast<int>(capacity));
    }

    bool Location(LONG, RECT& box) override { return GetWindowRect(Window(), &box) != FALSE; }

    // none while a click could not reach it: disabled, held by a box or on a hidden page
    const wchar_t* DefaultAction(LONG) override { return Usable(Window()) ? FlipActionName : nullptr; }

    // Posted, so that the client's call returns at once, and flipped by the toggle
    // itself as a click flips it; a toggle that a click cannot reach stays as it is.
    HRESULT DoDefaultAction(LONG) override
    {
        if (!Usable(Window())) return E_FAIL;
        return PostMessageW(Window(), ToggleDefaultActionMessage, 0, 0) ? S_OK : E_FAIL;
    }

    // The focus only where a click could put it, and a failure when it did not move.
    // Readers ask for the focus and the selection together: a lone switch focused is all
    // the selection it has. Selecting without the focus, or adding to, extending or
    // taking from a selection, it cannot do.
    HRESULT Select(LONG flags, LONG) override
    {
        constexpr LONG Honoured = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;
        if (!(flags & SELFLAG_TAKEFOCUS) || (flags & ~Honoured) != 0) return E_INVALIDARG;
        const HWND toggle = Window();
        if (!Usable(toggle)) return E_FAIL;
        SetFocus(toggle);
        return GetFocus() == toggle ? S_OK : E_FAIL;
    }

    LONG FocusedChild() override { return GetFocus() == Window() ? CHILDID_SELF : NoChild; }
};

}  // namespace

bool ToggleTakesInput(HWND toggle)
{
    for (HWND window = toggle; window; window = GetParent(window))
        if (!IsWindowEnabled(window)) return false;
    return true;
}

void SetToggleDescription(HWND toggle, HWND describedBy)
{
    SetPropW(toggle, DescribedByProperty, describedBy);
}

void EndToggleAccessibility(HWND toggle)
{
    DisconnectAccessibleObjects(toggle);
    RemovePropW(toggle, DescribedByProperty);
}

LRESULT AnswerToggleObject(HWND toggle, WPARAM flags, LPARAM objectId)
{
    if (!AcceptClientObjectRequest(objectId)) return 0;
    return AnswerClientObject(new ToggleAccessible(toggle), flags);
}
