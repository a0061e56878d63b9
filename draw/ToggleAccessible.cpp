#include "draw/ToggleAccessible.h"
#include "common/AccessibleObject.h"

namespace {

constexpr const wchar_t* FlipActionName = L"Переключить";

// Asks the toggle for everything (BM_GETCHECK, its enabled flag, its text) at each call.
class ToggleAccessible final : public AccessibleObject {
public:
    explicit ToggleAccessible(HWND toggle) : AccessibleObject(toggle) {}

private:
    LONG Role(LONG) override { return ROLE_SYSTEM_CHECKBUTTON; }

    LONG State(LONG) override
    {
        const HWND toggle = Window();
        LONG state = STATE_SYSTEM_FOCUSABLE;
        if (SendMessageW(toggle, BM_GETCHECK, 0, 0) == BST_CHECKED) state |= STATE_SYSTEM_CHECKED;
        if (!IsWindowEnabled(toggle)) state |= STATE_SYSTEM_UNAVAILABLE;
        if (GetFocus() == toggle) state |= STATE_SYSTEM_FOCUSED;
        if (!IsWindowVisible(toggle)) state |= STATE_SYSTEM_INVISIBLE;  // its page is not shown
        return state;
    }

    void Name(LONG, wchar_t* text, size_t capacity) override
    {
        GetWindowTextW(Window(), text, static_cast<int>(capacity));
    }

    bool Location(LONG, RECT& box) override { return GetWindowRect(Window(), &box) != FALSE; }

    const wchar_t* DefaultAction(LONG) override { return FlipActionName; }

    // Posted, so that the client's call returns at once, and flipped by the toggle
    // itself as a click flips it; a toggle that a click cannot reach stays as it is.
    HRESULT DoDefaultAction(LONG) override
    {
        if (!ToggleTakesInput(Window())) return E_FAIL;
        return PostMessageW(Window(), ToggleDefaultActionMessage, 0, 0) ? S_OK : E_FAIL;
    }

    HRESULT Select(LONG flags, LONG) override
    {
        if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
        SetFocus(Window());
        return S_OK;
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

LRESULT AnswerToggleObject(HWND toggle, WPARAM flags, LPARAM objectId)
{
    if (!AcceptClientObjectRequest(objectId)) return 0;
    return AnswerClientObject(new ToggleAccessible(toggle), flags);
}
