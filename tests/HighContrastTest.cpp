// High contrast: the real main window with the system's setting on (the seam answers
// for Wine, which cannot turn it on) and a real black palette set in the process with
// SetSysColors: every role painted in the system colour it maps to, on the Home and the
// Services page; then with the setting off again, the window exactly as before.
#include "support/MainWindowFixture.h"
#include <memory>
#include <string>
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "support/GdiWorld.h"
#include "ui/HomeStatus.h"
#include "ui/Pages.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

// A black theme as Windows' own, but with the highlight's text dark blue rather than
// black, so that a pixel tells every system colour from the window's black.
const int ThemeIndices[] = {COLOR_WINDOW,  COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,    COLOR_HIGHLIGHTTEXT,
                            COLOR_HOTLIGHT, COLOR_GRAYTEXT,  COLOR_BTNFACE,      COLOR_BTNTEXT,
                            COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
const COLORREF ThemeColours[] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 96),
                                 RGB(255, 255, 0),   RGB(63, 242, 0),    RGB(0, 0, 0),      RGB(255, 255, 255),
                                 RGB(255, 255, 255), RGB(128, 128, 128), RGB(255, 255, 255), RGB(0, 0, 0)};
constexpr int ThemeSize = sizeof(ThemeIndices) / sizeof(ThemeIndices[0]);
static_assert(sizeof(ThemeColours) / sizeof(ThemeColours[0]) == ThemeSize, "one colour per index");

bool highContrastOn = false;

BOOL WINAPI HighContrastSetting(UINT action, UINT size, void* value, UINT flags)
{
    if (action != SPI_GETHIGHCONTRAST) return realOs.SystemParametersInfoW(action, size, value, flags);
    auto* setting = static_cast<HIGHCONTRASTW*>(value);
    if (size != sizeof(HIGHCONTRASTW) || setting->cbSize != sizeof(HIGHCONTRASTW)) return FALSE;
    setting->dwFlags = HCF_AVAILABLE | (highContrastOn ? HCF_HIGHCONTRASTON : 0);
    setting->lpszDefaultScheme = nullptr;
    return TRUE;
}

BOOL WINAPI FixedMemoryStatus(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = 57;
    status->ullTotalPhys = 16ull << 30;
    status->ullAvailPhys = 8ull << 30;
    return TRUE;
}

// One point of a role: in the main window (id 0), in the control of that id or in the
// status label, and the system colour it must show.
constexpr int StatusLabel = -1;  // static texts have no id of their own

struct Probe {
    const char* role;
    int id;
    int x, y;
    int system;
};

// Home, with the Optimization row hovered; SysMain runs, so toggle 101 is off and 108 on.
const Probe HomeProbes[] = {
    {"page background", 0, 230, 50, COLOR_WINDOW},
    {"page background below the cards", 0, 600, 700, COLOR_WINDOW},
    {"sidebar", 0, 5, 700, COLOR_WINDOW},
    {"sidebar border", 0, 219, 700, COLOR_WINDOWTEXT},
    {"logo tile, dropped", 0, 51, 36, COLOR_WINDOW},
    {"logo mark", 0, 23, 45, COLOR_WINDOWTEXT},
    {"logo bolt", 0, 35, 34, COLOR_WINDOW},
    {"selected row", 0, 206, 127, COLOR_HIGHLIGHT},
    {"selected row's accent", 0, 12, 127, COLOR_HIGHLIGHTTEXT},
    {"selected row's badge, dropped", 0, 28, 127, COLOR_HIGHLIGHT},
    {"row badge, dropped", 0, 28, 179, COLOR_WINDOW},
    {"hovered row's outline, left", 0, 11, 231, COLOR_HOTLIGHT},
    {"hovered row's outline, top", 0, 100, 210, COLOR_HOTLIGHT},
    {"hovered row inside", 0, 206, 231, COLOR_WINDOW},
    {"status card", 0, 800, 120, COLOR_WINDOW},
    {"status card outline", 0, 240, 175, COLOR_WINDOWTEXT},
    {"start-type card outline", 0, 241, 300, COLOR_WINDOWTEXT},
    {"control card", 0, 600, 515, COLOR_WINDOW},
    {"control card outline, bottom", 0, 600, 522, COLOR_WINDOWTEXT},
    {"between the cards", 0, 245, 258, COLOR_WINDOW},
    {"status dot", 0, 467, 171, COLOR_WINDOWTEXT},
    {"status label's background", StatusLabel, 340, 60, COLOR_WINDOW},
    {"toggle background", 108, 0, 0, COLOR_WINDOW},
    {"toggle on: track", 108, 535, 14, COLOR_HIGHLIGHT},
    {"toggle on: knob", 108, 558, 14, COLOR_HIGHLIGHTTEXT},
    {"toggle off: track inside its outline", 101, 558, 14, COLOR_WINDOW},
    {"toggle off: track outline", 101, 548, 3, COLOR_WINDOWTEXT},
    {"toggle off: knob", 101, 536, 14, COLOR_WINDOWTEXT},
};

// Services, with the Help row hovered; Fax is not installed, so its toggle is disabled.
const Probe ServicesProbes[] = {
    {"page card", 0, 600, 460, COLOR_WINDOW},
    {"page card outline, left", 0, 238, 300, COLOR_WINDOWTEXT},
    {"page card outline, top", 0, 600, 101, COLOR_WINDOWTEXT},
    {"page card band, dropped", 0, 600, 105, COLOR_WINDOW},
    {"selected row", 0, 206, 179, COLOR_HIGHLIGHT},
    {"Home row, no longer selected", 0, 206, 127, COLOR_WINDOW},
    {"hovered row's outline", 0, 11, 283, COLOR_HOTLIGHT},
    {"toggle disabled: knob", 404, 241, 15, COLOR_GRAYTEXT},
    {"toggle disabled: track outline", 404, 253, 4, COLOR_GRAYTEXT},
    {"toggle disabled: track inside its outline", 404, 263, 15, COLOR_WINDOW},
};

class HighContrast : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        for (int i = 0; i < ThemeSize; ++i) savedColours[i] = GetSysColor(ThemeIndices[i]);
        highContrastOn = false;
        osApi.SystemParametersInfoW = HighContrastSetting;  // the fixture's seam puts the real one back
        osApi.GlobalMemoryStatusEx = FixedMemoryStatus;
        ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetSysColors(ThemeSize, ThemeIndices, savedColours);
        highContrastOn = false;
        ChoosePalette(false);
    }

    // the system's setting turned on or off as Windows does it: colours first, then the
    // setting's broadcast
    void SwitchHighContrast(bool on)
    {
        highContrastOn = on;
        ASSERT_TRUE(SetSysColors(ThemeSize, ThemeIndices, on ? ThemeColours : savedColours));
        SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
        Settle();
    }
    // the page shown with row hovered (as the mouse would), and everything painted
    void ShowWith(unsigned page, int row)
    {
        ShowPage(page);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(110, 105 + 52 * row + 22));
        Settle();
    }
    void Settle()
    {
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump();
    }
    std::unique_ptr<Canvas> Shot()
    {
        RECT client;
        GetClientRect(window, &client);
        auto shot = std::make_unique<Canvas>(client.right, client.bottom, RGB(1, 2, 3));
        shot->CopyClient(window, 0, 0);
        return shot;
    }
    void ExpectProbes(const Probe* probes, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            const Probe& p = probes[i];
            const HWND where = p.id == StatusLabel ? statusLabel : p.id ? Control(p.id) : window;
            EXPECT_TRUE(PixelIs(where, p.x, p.y, GetSysColor(p.system))) << p.role;
        }
    }

    COLORREF savedColours[ThemeSize] = {};
};

}  // namespace

TEST_F(HighContrast, EveryRoleTakesItsSystemColourAndOffGivesBackEveryPixel)
{
    Open();
    ShowWith(PageServices, 3);
    const auto ownServices = Shot();
    ShowWith(PageHome, 2);
    const auto ownHome = Shot();

    SwitchHighContrast(true);
    ASSERT_EQ(GetSysColor(COLOR_WINDOW), RGB(0, 0, 0)) << "SetSysColors did not take in this process";
    {
        SCOPED_TRACE("Home");
        ExpectProbes(HomeProbes, sizeof(HomeProbes) / sizeof(HomeProbes[0]));
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), back = GetSysColor(COLOR_WINDOW);
        EXPECT_TRUE(ShowsLabel(window, L"Tarvix", 64, 17, 150, 26, fontSemibold22, text, back));
        EXPECT_TRUE(ShowsLabel(window, L"Главная", 72, 118, 133, 29, fontRegular18, GetSysColor(COLOR_HIGHLIGHTTEXT),
                               GetSysColor(COLOR_HIGHLIGHT)))
            << "selected row's label";
        EXPECT_TRUE(ShowsLabel(window, L"Службы", 72, 170, 133, 29, fontRegular18, text, back)) << "row label";
        EXPECT_GT(CountPixels(window, RECT{31, 117, 51, 137}, GetSysColor(COLOR_HIGHLIGHTTEXT)), 0) << "selected glyph";
        EXPECT_GT(CountPixels(window, RECT{31, 169, 51, 189}, text), 0) << "glyph";
        EXPECT_TRUE(ShowsLabel(window, L"Главная", 239, 18, 600, 36, fontBold25, text, back)) << "title";
        EXPECT_TRUE(ShowsLabel(window, L"Состояние SysMain и управление Windows", 239, 59, 610, 26, fontRegular15, text,
                               back))
            << "subtitle";
        EXPECT_TRUE(ShowsLabel(window, L"Статус SysMain:", 256, 154, 195, 32, fontSemibold22, text, back));
        EXPECT_TRUE(ShowsLabel(window, L"Тип запуска", 254, 278, 182, 25, fontRegular15, text, back));
        EXPECT_TRUE(ShowsLabel(window, L"57%", 674, 308, 175, 30, fontSemibold22, text, back)) << "memory load";
        EXPECT_TRUE(ShowsLabel(Control(101), L"Отключить автозапуск SysMain", 4, 2, 514, 26, fontRegular18, text, back))
            << "toggle caption";
        EXPECT_GT(CountPixels(statusLabel, RECT{0, 0, 345, 64}, text), 0) << "status label's words";
    }
    ShowWith(PageServices, 3);
    {
        SCOPED_TRACE("Services");
        ExpectProbes(ServicesProbes, sizeof(ServicesProbes) / sizeof(ServicesProbes[0]));
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), back = GetSysColor(COLOR_WINDOW);
        EXPECT_TRUE(ShowsLabel(window, L"Управление службами Windows", 241, 24, 620, 37, fontBold25, text, back));
        EXPECT_TRUE(ShowsLabel(Control(404), L"Fax", 4, 3, 219, 26, fontRegular18, GetSysColor(COLOR_GRAYTEXT), back))
            << "disabled toggle's caption";
    }
    {
        // the window without GDI+: its background and notice
        SCOPED_TRACE("without GDI+");
        GdiPlusApi.usable = false;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_TRUE(PixelIs(window, 800, 120, GetSysColor(COLOR_WINDOW)));
        EXPECT_TRUE(ShowsLabel(window, L"GDI+ недоступен. Проверьте установку Windows.", 25, 25, 650, 50,
                               fontRegular18, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
        GdiPlusApi.usable = true;
    }

    // the picture in docs/: both pages side by side, only from a run that found no fault
    ShowWith(PageHome, 2);
    const auto home = Shot();
    ShowWith(PageServices, 3);
    Canvas picture(2 * home->Width() + 16, home->Height(), RGB(128, 128, 128));
    BitBlt(picture.Dc(), 0, 0, home->Width(), home->Height(), home->Dc(), 0, 0, SRCCOPY);
    picture.CopyClient(window, home->Width() + 16, 0);
    if (!HasFailure()) {
        EXPECT_TRUE(picture.SavePng(L"high-contrast-home-services"));
    }

    SwitchHighContrast(false);
    EXPECT_EQ(Shot()->CountDifferent(*ownServices), 0) << "pixels of the Services page not as before";
    ShowWith(PageHome, 2);
    EXPECT_EQ(Shot()->CountDifferent(*ownHome), 0) << "pixels of the Home page not as before";
}

TEST_F(HighContrast, StartsInTheSystemColoursWithBrushesAndLabelsToMatch)
{
    highContrastOn = true;
    ASSERT_TRUE(SetSysColors(ThemeSize, ThemeIndices, ThemeColours));
    Open();
    ShowWith(PageHome, 2);
    ExpectProbes(HomeProbes, sizeof(HomeProbes) / sizeof(HomeProbes[0]));
    HDC dc = CreateCompatibleDC(nullptr);
    for (LONG state : {LONG(SERVICE_RUNNING), LONG(SERVICE_STOPPED), LONG(SERVICE_START_PENDING), -1L}) {
        SCOPED_TRACE(state);
        SysMainStatus.state = state;
        for (HWND label : {statusLabel, startTypeLabel}) {
            const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(window, WM_CTLCOLORSTATIC,
                                                                     reinterpret_cast<WPARAM>(dc),
                                                                     reinterpret_cast<LPARAM>(label)));
            LOGBRUSH shade = {};
            ASSERT_EQ(GetObjectW(brush, sizeof(shade), &shade), int(sizeof(shade)));
            EXPECT_EQ(shade.lbColor, GetSysColor(COLOR_WINDOW));
            EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
            EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
        }
    }
    DeleteDC(dc);
}

TEST_F(HighContrast, OnlyAChangeOfColoursRepaintsAndRemakesTheBrushes)
{
    Open();
    struct Row {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool on;  // the setting as the message arrives
        bool repaints;
    };
    const Row rows[] = {
        {"another setting, nothing changed", WM_SETTINGCHANGE, SPI_SETWORKAREA, false, false},
        {"the high-contrast setting named, still off", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, true},
        {"another setting, high contrast now on", WM_SETTINGCHANGE, 0, true, true},
        {"another setting, still on", WM_SETTINGCHANGE, SPI_SETWORKAREA, true, false},
        {"the system's colours, still on", WM_SYSCOLORCHANGE, 0, true, true},
        {"the system's colours, off", WM_SYSCOLORCHANGE, 0, false, true},
    };
    ASSERT_TRUE(SetSysColors(ThemeSize, ThemeIndices, ThemeColours));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settle();
        ValidateRect(window, nullptr);
        for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ValidateRect(c, nullptr);
        const HBRUSH before = cardBrush;
        highContrastOn = row.on;

        SendMessageW(window, row.message, row.wParam, 0);

        RECT all = {};
        EXPECT_EQ(GetUpdateRect(window, &all, FALSE) != FALSE, row.repaints) << "the window";
        EXPECT_EQ(GetUpdateRect(Control(108), nullptr, FALSE) != FALSE, row.repaints) << "a toggle";
        EXPECT_EQ(cardBrush != before, row.repaints) << "the brushes made again";
        if (row.repaints) {
            EXPECT_EQ(GetObjectType(before), 0u) << "the old brush left behind";
        }
        LOGBRUSH shade = {};
        GetObjectW(cardBrush, sizeof(shade), &shade);
        EXPECT_EQ(shade.lbColor, row.on ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255));
    }
}
