#include "draw/ToggleSwitch.h"
#include "draw/Palette.h"
#include "draw/Primitives.h"
#include "draw/ToggleAccessible.h"

namespace {

constexpr int TrackWidth = 48;
constexpr int TrackHeight = 25;
constexpr float TrackRadius = 12.4f;  // 2 * radius stays just below the height
constexpr float KnobSize = 19.0f;
constexpr int CaptionCapacity = 256;

// the track, its edge and the knob of each look; disabled whatever the state
struct SwitchRoles {
    Role track, edge, knob;
};
constexpr SwitchRoles Disabled = {Role::TrackDisabled, Role::TrackDisabledOutline, Role::KnobDisabled};
constexpr SwitchRoles On = {Role::TrackOn, Role::TrackOnOutline, Role::KnobOn};
constexpr SwitchRoles Off = {Role::TrackOff, Role::TrackOffOutline, Role::KnobOff};

// the check state lives in the user data slot: 0 off, 1 on, nothing else
LONG_PTR StoredState(HWND toggle)
{
    return GetWindowLongPtrW(toggle, GWLP_USERDATA);
}

void StoreState(HWND toggle, LONG_PTR state)
{
    SetWindowLongPtrW(toggle, GWLP_USERDATA, state);
}

// a screen reader hears every change of the check state and of the enabled flag
void NotifyStateChange(HWND toggle)
{
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, toggle, OBJID_CLIENT, CHILDID_SELF);
}

void Flip(HWND toggle)
{
    if (!IsWindowEnabled(toggle)) return;
    StoreState(toggle, StoredState(toggle) == 0 ? 1 : 0);
    InvalidateRect(toggle, nullptr, FALSE);
    NotifyStateChange(toggle);
    // sent, not posted: the parent reads the new state with BM_GETCHECK right away
    const int id = GetDlgCtrlID(toggle);
    SendMessageW(GetParent(toggle), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(toggle));
}

void OnSetCheck(HWND toggle, WPARAM check)
{
    const LONG_PTR state = check == BST_CHECKED ? 1 : 0;
    if (state == StoredState(toggle)) return;
    StoreState(toggle, state);
    InvalidateRect(toggle, nullptr, FALSE);
    NotifyStateChange(toggle);
}

void DrawSwitch(GpGraphics* graphics, int width, int height, bool enabled, bool on)
{
    const float tx = static_cast<float>(width - 51);
    const float ty = static_cast<float>((height - TrackHeight) / 2);
    const SwitchRoles& look = !enabled ? Disabled : on ? On : Off;
    FillEdgedRoundRect(graphics, tx, ty, TrackWidth, TrackHeight, TrackRadius, Colour(look.track), Colour(look.edge));
    const ScopedGdipBrush knob(OpaqueArgb(Colour(look.knob)));
    if (!knob) return;
    const float knobX = on ? tx + 25.0f : tx + 3.0f;
    GdiPlusApi.GdipFillEllipse(graphics, knob.Get(), knobX, ty + 3.0f, KnobSize, KnobSize);
}

void OnPaint(HWND toggle)
{
    const PaintScope paint(toggle);
    RECT client;
    GetClientRect(toggle, &client);
    FillRect(paint.Dc(), &client, cardBrush);

    const bool enabled = IsWindowEnabled(toggle) != FALSE;
    const bool on = StoredState(toggle) != 0;
    wchar_t caption[CaptionCapacity] = {};
    GetWindowTextW(toggle, caption, CaptionCapacity);

    const int width = client.right;
    const int height = client.bottom;
    {
        DrawingPass pass(paint.Dc());
        if (pass) DrawSwitch(pass.Graphics(), width, height, enabled, on);
    }
    DrawLabel(paint.Dc(), caption, 4, (height - 26) / 2, width - 61, 26, fontRegular18,
              Colour(enabled ? Role::ToggleCaption : Role::ToggleCaptionDisabled));
}

}  // namespace

LRESULT CALLBACK ToggleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers the whole client area
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case BM_GETCHECK:
        return StoredState(window) != 0 ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        OnSetCheck(window, wParam);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        NotifyStateChange(window);
        return 0;
    case WM_KEYDOWN:
        if (wParam != VK_SPACE && wParam != VK_RETURN) break;
        Flip(window);
        return 0;
    case WM_LBUTTONUP:
        Flip(window);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case ToggleDefaultActionMessage:
        // a message box may have opened since the action was asked for
        if (ToggleTakesInput(window)) Flip(window);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerToggleObject(window, wParam, lParam)) return answer;
        break;
    case WM_NCDESTROY:
        EndToggleAccessibility(window);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterToggleClass(HINSTANCE instance)
{
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = ToggleWndProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = ToggleClassName;
    return RegisterClassExW(&cls) != 0;
}
