// The toggle switch: its check-box protocol, its notifications, and its painting under
// Xvfb with the real GDI+.
#include <gtest/gtest.h>
#include "draw/GdiPlus.h"
#include "draw/ToggleSwitch.h"
#include "support/GdiCounting.h"
#include "support/GdiWorld.h"

namespace {

constexpr int ToggleId = 101;
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF TrackOn = RGB(23, 132, 71);
constexpr COLORREF TrackOff = RGB(209, 213, 219);
constexpr COLORREF TrackDisabled = RGB(229, 231, 235);
constexpr COLORREF CaptionEnabled = RGB(31, 41, 39);
constexpr COLORREF CaptionDisabled = RGB(163, 157, 154);

class Toggle : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXW existing = {};
        existing.cbSize = sizeof(existing);
        if (!GetClassInfoExW(GetModuleHandleW(nullptr), ToggleClassName, &existing)) {
            ASSERT_TRUE(RegisterToggleClass(GetModuleHandleW(nullptr)));
        }
    }

    HWND MakeToggle(int width, int height, const wchar_t* caption = L"Отключить автозапуск SysMain")
    {
        HWND toggle = CreateWindowExW(0, ToggleClassName, caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, 20, width,
                                      height, host.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(ToggleId)),
                                      GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(toggle, nullptr);
        host.Repaint();
        return toggle;
    }

    DrawingResources resources;
    HostWindow host{0, 0, 640, 120};
};

LRESULT Check(HWND toggle)
{
    return SendMessageW(toggle, BM_GETCHECK, 0, 0);
}

bool HasUpdate(HWND window)
{
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

TEST_F(Toggle, RegistersAPlainClass)
{
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof(cls);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"TXToggle", &cls));
    EXPECT_EQ(cls.lpfnWndProc, &ToggleWndProc);
    EXPECT_EQ(cls.style, 0u);
    EXPECT_EQ(cls.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(cls.hIcon, nullptr);
    EXPECT_EQ(cls.hbrBackground, nullptr);
    EXPECT_EQ(cls.cbClsExtra, 0);
    EXPECT_EQ(cls.cbWndExtra, 0);
}

TEST_F(Toggle, AnswersLikeACheckBoxThatPaintsItself)
{
    HWND toggle = MakeToggle(575, 30);
    EXPECT_EQ(SendMessageW(toggle, WM_GETDLGCODE, 0, 0), 0x80);
    EXPECT_EQ(SendMessageW(toggle, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(Check(toggle), BST_UNCHECKED) << "a new toggle starts off";
    EXPECT_EQ(GetWindowLongPtrW(toggle, GWLP_USERDATA), 0);
}

TEST_F(Toggle, FlipsOnClickSpaceAndEnterWhileEnabledAndTellsTheParent)
{
    struct Row {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool flips;
    };
    const Row rows[] = {
        {"button up", WM_LBUTTONUP, 0, true},
        {"Space", WM_KEYDOWN, VK_SPACE, true},
        {"Enter", WM_KEYDOWN, VK_RETURN, true},
        {"Tab", WM_KEYDOWN, VK_TAB, false},
        {"letter A", WM_KEYDOWN, 'A', false},
        {"space as a character", WM_CHAR, L' ', false},
        {"button down", WM_LBUTTONDOWN, 0, false},
    };
    HWND toggle = MakeToggle(575, 30);
    for (const bool enabled : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (enabled ? ", enabled" : ", disabled"));
            EnableWindow(toggle, enabled);
            SendMessageW(toggle, BM_SETCHECK, BST_UNCHECKED, 0);
            hostCommands.clear();
            const bool flips = row.flips && enabled;

            // twice: a quick second click or an auto-repeated key flips back
            SendMessageW(toggle, row.message, row.wParam, 0);
            EXPECT_EQ(Check(toggle), flips ? BST_CHECKED : BST_UNCHECKED);
            SendMessageW(toggle, row.message, row.wParam, 0);
            EXPECT_EQ(Check(toggle), BST_UNCHECKED);

            ASSERT_EQ(hostCommands.size(), flips ? 2u : 0u);
            for (size_t i = 0; i < hostCommands.size(); ++i) {
                EXPECT_EQ(hostCommands[i].wParam, MAKEWPARAM(ToggleId, BN_CLICKED));
                EXPECT_EQ(hostCommands[i].lParam, reinterpret_cast<LPARAM>(toggle));
                EXPECT_EQ(hostCommands[i].checkWhenReceived, i == 0 ? BST_CHECKED : BST_UNCHECKED)
                    << "the parent must already read the new state";
            }
        }
    }
}

TEST_F(Toggle, SetCheckTakesOnlyOneAsOnRepaintsOnlyOnChangeAndNeverNotifies)
{
    struct Row {
        const char* name;
        WPARAM initial, wParam;
        LRESULT result;
        bool repaints;
    };
    const Row rows[] = {
        {"off to on", BST_UNCHECKED, BST_CHECKED, BST_CHECKED, true},
        {"on to off", BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, true},
        {"on stays on", BST_CHECKED, BST_CHECKED, BST_CHECKED, false},
        {"off stays off", BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED, false},
        {"indeterminate turns off", BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED, true},
        {"indeterminate keeps off", BST_UNCHECKED, BST_INDETERMINATE, BST_UNCHECKED, false},
        {"any other value turns off", BST_CHECKED, 0x101, BST_UNCHECKED, true},
    };
    HWND toggle = MakeToggle(575, 30);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageW(toggle, BM_SETCHECK, row.initial, 0);
        ValidateRect(toggle, nullptr);
        hostCommands.clear();

        EXPECT_EQ(SendMessageW(toggle, BM_SETCHECK, row.wParam, 0), 0);

        EXPECT_EQ(Check(toggle), row.result);
        EXPECT_EQ(GetWindowLongPtrW(toggle, GWLP_USERDATA), row.result);
        EXPECT_EQ(HasUpdate(toggle), row.repaints);
        EXPECT_TRUE(hostCommands.empty());
    }
}

int erasesSeen = 0;
WNDPROC toggleProc = nullptr;

LRESULT CALLBACK CountErases(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) ++erasesSeen;
    return CallWindowProcW(toggleProc, window, message, wParam, lParam);
}

TEST_F(Toggle, RepaintsWithoutErasingOnFocusEnableFlipAndCheck)
{
    struct Row {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Row rows[] = {
        {"focus gained", WM_SETFOCUS, 0},
        {"focus lost", WM_KILLFOCUS, 0},
        {"enabled", WM_ENABLE, TRUE},
        {"flipped", WM_LBUTTONUP, 0},
        {"checked", BM_SETCHECK, BST_CHECKED},
    };
    HWND toggle = MakeToggle(575, 30);
    toggleProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(toggle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountErases)));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageW(toggle, BM_SETCHECK, BST_UNCHECKED, 0);
        UpdateWindow(toggle);
        erasesSeen = 0;

        SendMessageW(toggle, row.message, row.wParam, 0);
        EXPECT_TRUE(HasUpdate(toggle));
        UpdateWindow(toggle);

        EXPECT_FALSE(HasUpdate(toggle));
        EXPECT_EQ(erasesSeen, 0);
    }
}

TEST_F(Toggle, ButtonDownTakesTheFocusWithoutFlipping)
{
    HWND toggle = MakeToggle(575, 30);
    SetFocus(host.Get());
    SendMessageW(toggle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(GetFocus(), toggle);
    EXPECT_EQ(Check(toggle), BST_UNCHECKED);
    EXPECT_TRUE(hostCommands.empty());
}

// Pixels of exactly colour inside the caption rectangle of a toggle.
int CaptionPixels(HWND toggle, COLORREF colour)
{
    RECT client;
    GetClientRect(toggle, &client);
    const int top = (client.bottom - 26) / 2;
    HDC dc = GetDC(toggle);
    int count = 0;
    for (int y = top; y < top + 26; ++y)
        for (int x = 4; x < client.right - 57; ++x)
            if (GetPixel(dc, x, y) == colour) ++count;
    ReleaseDC(toggle, dc);
    return count;
}

TEST_F(Toggle, PaintsTrackKnobAndCaptionByStateAndEnabled)
{
    struct Size {
        int width, height;
        int trackLeft, knobY;      // from the geometry table of the two sizes
        int knobOffX, knobOnX;     // knob centres
        int captionRight;
    };
    const Size sizes[] = {
        {575, 30, 524, 14, 536, 558, 518},
        {280, 32, 229, 15, 241, 263, 223},
    };
    struct Row {
        const char* name;
        bool enabled, on;
        COLORREF track, caption, otherCaption;
    };
    const Row rows[] = {
        {"enabled off", true, false, TrackOff, CaptionEnabled, CaptionDisabled},
        {"enabled on", true, true, TrackOn, CaptionEnabled, CaptionDisabled},
        {"disabled off", false, false, TrackDisabled, CaptionDisabled, CaptionEnabled},
        {"disabled on", false, true, TrackDisabled, CaptionDisabled, CaptionEnabled},
    };
    for (const Size& size : sizes) {
        HWND toggle = MakeToggle(size.width, size.height,
                                 L"Автоматически обновлять статус каждые 3 секунды, и ещё раз, и ещё, и ещё раз");
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + ", width " + std::to_string(size.width));
            SendMessageW(toggle, BM_SETCHECK, row.on ? BST_CHECKED : BST_UNCHECKED, 0);
            EnableWindow(toggle, row.enabled);
            host.Repaint();

            const int knobX = row.on ? size.knobOnX : size.knobOffX;
            const int otherKnobX = row.on ? size.knobOffX : size.knobOnX;
            EXPECT_TRUE(PixelIs(toggle, knobX, size.knobY, White)) << "knob";
            EXPECT_TRUE(PixelIs(toggle, knobX - 7, size.knobY, White)) << "knob";
            EXPECT_TRUE(PixelIs(toggle, otherKnobX, size.knobY, row.track)) << "track where the knob is not";
            EXPECT_TRUE(PixelIs(toggle, (size.knobOffX + size.knobOnX) / 2, size.trackLeft == 524 ? 4 : 5, row.track))
                << "track above the knobs";
            // background: corners, and the gap between the clipped caption and the track
            EXPECT_TRUE(PixelIs(toggle, 0, 0, White));
            EXPECT_TRUE(PixelIs(toggle, size.width - 1, size.height - 1, White));
            EXPECT_TRUE(PixelIs(toggle, size.trackLeft - 1, size.knobY, White));
            for (int x = size.captionRight; x < size.trackLeft; ++x)
                for (int y = 0; y < size.height; ++y) ASSERT_TRUE(PixelIs(toggle, x, y, White)) << "caption not clipped";
            EXPECT_GT(CaptionPixels(toggle, row.caption), 0);
            EXPECT_EQ(CaptionPixels(toggle, row.otherCaption), 0);
        }
        DestroyWindow(toggle);
    }
}

TEST_F(Toggle, PaintFreesEveryGdiPlusObjectAndFallsBackToBackgroundAndCaption)
{
    struct Row {
        const char* name;
        bool unusable, failGraphics, failBrushes, failPaths;
        bool track, knob;
    };
    const Row rows[] = {
        {"all there", false, false, false, false, true, true},
        {"GDI+ unusable", true, false, false, false, false, false},
        {"graphics refused for this paint", false, true, false, false, false, false},
        {"brushes refused", false, false, true, false, false, false},
        {"path refused: knob only", false, false, false, true, false, true},
    };
    HWND toggle = MakeToggle(575, 30);
    SendMessageW(toggle, BM_SETCHECK, BST_CHECKED, 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            CountingGdiPlus counting;
            GdiPlusApi.usable = !row.unusable;
            gdipCounts.failGraphics = row.failGraphics;
            gdipCounts.failBrushes = row.failBrushes;
            gdipCounts.failPaths = row.failPaths;
            host.Repaint();

            counting.ExpectBalanced();
            EXPECT_EQ(gdipCounts.graphicsCreated, row.unusable || row.failGraphics ? 0 : 1);
            // a knob without its track is white on white: count it instead
            EXPECT_EQ(gdipCounts.fills, (row.track ? 1 : 0) + (row.knob ? 1 : 0));
        }
        EXPECT_TRUE(PixelIs(toggle, 535, 14, row.track ? TrackOn : White)) << "track";
        EXPECT_TRUE(PixelIs(toggle, 570, 14, row.track ? TrackOn : White)) << "track right of the knob";
        EXPECT_TRUE(PixelIs(toggle, 558, 14, White)) << "knob or background";
        EXPECT_GT(CaptionPixels(toggle, CaptionEnabled), 0) << "caption";
    }
    EXPECT_TRUE(GdiPlusApi.usable);
}

}  // namespace
