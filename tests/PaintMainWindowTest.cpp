// The main window's painting, on a test window of the main window's client size whose
// WM_PAINT is PaintMainWindow, under Xvfb with the real GDI+: shapes probed by pixel,
// texts compared with what DrawLabel draws of them.
#include <gtest/gtest.h>
#include <string>
#include "ui/WindowState.h"
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "support/GdiCounting.h"
#include "support/GdiWorld.h"
#include "support/OsSeam.h"
#include "support/ProgramState.h"
#include "ui/HomeStatus.h"
#include "ui/Paint.h"
#include "ui/SystemCards.h"

namespace {

constexpr COLORREF ContentBackground = RGB(245, 247, 248);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF BorderLine = RGB(226, 232, 228);
constexpr COLORREF LogoTile = RGB(227, 247, 234);
constexpr COLORREF Green = RGB(21, 128, 61);
constexpr COLORREF SelectedRow = RGB(220, 252, 231);
constexpr COLORREF HoveredRow = RGB(240, 247, 241);
constexpr COLORREF StatusCard = RGB(234, 250, 240);
constexpr COLORREF Band = RGB(221, 244, 227);
constexpr COLORREF LightGrey = RGB(247, 248, 247);
constexpr COLORREF Ink = RGB(31, 41, 39);
constexpr COLORREF Subtitle = RGB(119, 130, 139);
constexpr COLORREF CardCaption = RGB(114, 128, 138);
constexpr COLORREF SectionCaption = RGB(41, 52, 47);
constexpr COLORREF Badges[4] = {RGB(21, 128, 61), RGB(197, 107, 8), RGB(29, 78, 216), RGB(124, 58, 237)};
const wchar_t* const RowLabels[4] = {L"Главная", L"Службы", L"Оптимизация", L"Справка"};
const unsigned RowPages[4] = {0, 1, 2, 4};

// the client area of the 920 x 755 main window with its fixed style
SIZE MainClientSize()
{
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE, 0);
    return SIZE{920 - (frame.right - frame.left), 755 - (frame.bottom - frame.top)};
}

// the memory figures that MemoryLoadText reads: a fixed load, or a refusal
DWORD memoryLoad = 57;
BOOL WINAPI FixedMemoryStatus(LPMEMORYSTATUSEX status)
{
    status->dwMemoryLoad = memoryLoad;
    status->ullTotalPhys = 16ull << 30;
    status->ullAvailPhys = 8ull << 30;
    return TRUE;
}
BOOL WINAPI RefusedMemoryStatus(LPMEMORYSTATUSEX)
{
    return FALSE;
}

struct Probe {
    const char* what;
    int x, y;
    COLORREF colour;
};

void ExpectProbes(HWND window, std::initializer_list<Probe> probes)
{
    for (const Probe& p : probes) EXPECT_TRUE(PixelIs(window, p.x, p.y, p.colour)) << p.what;
}

class MainPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        osApi.GlobalMemoryStatusEx = FixedMemoryStatus;  // the seam puts the real call back
        memoryLoad = 57;
    }
    void TearDown() override { ResetProgramState(); }
    void Show(unsigned page, int hovered, LONG state = SERVICE_RUNNING, SystemDiskKind disk = DiskSsd)
    {
        currentPage = page;
        hoveredRow = hovered;
        SysMainStatus.state = state;
        DiskKind = disk;
        host.Repaint();
    }
    HWND Window() const { return host.Get(); }

    const SIZE client = MainClientSize();
    CountingSeam seam;
    DrawingResources resources;
    HostWindow host{0, 0, client.cx, client.cy, &PaintMainWindow};
};

void ExpectSidebarAndLogo(HWND window, const SIZE& client, unsigned page, int hovered)
{
    const int w = client.cx, h = client.cy;
    ExpectProbes(window, {
                             {"content background", w - 5, h - 5, ContentBackground},
                             {"content background left of the header", 230, 50, ContentBackground},
                             {"sidebar", 5, h - 5, White},
                             {"sidebar under the logo", 200, 80, White},
                             {"sidebar beside the border", 218, h - 5, White},
                             {"border line", 219, h - 5, BorderLine},
                             {"border line at the top", 219, 0, BorderLine},
                             {"right of the border", 220, h - 5, ContentBackground},
                             {"logo tile right of the mark", 51, 36, LogoTile},
                             {"logo tile below the mark", 34, 54, LogoTile},
                             {"logo mark", 23, 45, Green},
                             {"logo mark, top left", 22, 24, Green},
                             {"bolt, upper part", 35, 34, White},
                             {"bolt, lower part", 33, 42, White},
                             {"bolt, left arm", 28, 35, White},
                         });
    EXPECT_TRUE(ShowsLabel(window, L"Tarvix", 64, 17, 150, 26, fontSemibold22, RGB(34, 39, 42), White));
    EXPECT_TRUE(ShowsLabel(window, L"MINI", 64, 46, 120, 24, fontRegular15, RGB(53, 94, 128), White));

    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE("sidebar row " + std::to_string(row));
        const int y = 105 + 52 * row;
        const bool selected = RowPages[row] == page;
        const COLORREF highlight = selected ? SelectedRow : row == hovered ? HoveredRow : White;
        ExpectProbes(window, {
                                 {"highlight right of the label", 206, y + 22, highlight},
                                 {"highlight above the badge", 64, y + 3, highlight},
                                 {"accent bar", 11, y + 22, selected ? Green : highlight},
                                 {"accent bar", 12, y + 10, selected ? Green : highlight},
                                 {"badge left of the glyph", 28, y + 22, Badges[row]},
                                 {"badge above the glyph", 41, y + 9, Badges[row]},
                             });
        EXPECT_GT(CountPixels(window, RECT{31, y + 12, 51, y + 32}, White), 0) << "glyph";
        EXPECT_TRUE(ShowsLabel(window, RowLabels[row], 72, y + 13, 133, 29, fontRegular18,
                               selected ? RGB(21, 128, 55) : RGB(82, 75, 68), highlight));
    }
}

TEST_F(MainPaint, DrawsSidebarLogoCardsAndHeaderOfEveryPage)
{
    struct Row {
        const char* name;
        unsigned page;
        int hovered;
        const wchar_t* title;
        const wchar_t* subtitle;
    };
    const Row rows[] = {
        {"Home, nothing hovered", 0, -1, nullptr, nullptr},
        {"Services, the Home row hovered", 1, 0, L"Управление службами Windows",
         L"Выберите службы для отключения. Режим запуска показан справа."},
        {"Optimization, its own row hovered", 2, 2, L"Оптимизация системы",
         L"Сведения о накопителе и оперативной памяти"},
        {"Restore: no row selected, Help hovered", 3, 3, L"Восстановление", L"Возврат сохранённых параметров"},
        {"Help", 4, -1, L"Справка", L"О программе"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Show(row.page, row.hovered);
        ExpectSidebarAndLogo(Window(), client, row.page, row.hovered);

        const bool home = row.page == 0;
        const COLORREF onPageCard = home ? ContentBackground : White;
        ExpectProbes(Window(), {
                                   {"page card, or the control card on Home", 500, 400, White},
                                   {"below the page card, or the backup card on Home", 500, 600,
                                    home ? White : ContentBackground},
                                   {"page card top band", 500, 103, home ? StatusCard : Band},
                                   {"right of the Home cards", 876, 300, onPageCard},
                                   {"between status and start-type cards", 245, 258, onPageCard},
                                   {"between start-type and drive cards", 446, 300, onPageCard},
                                   {"between control and backup cards", 600, 529, onPageCard},
                                   {"status card", 600, 200, home ? StatusCard : White},
                                   {"start-type card", 340, 340, White},
                                   {"drive card", 456, 300, White},
                                   {"memory card", 666, 300, White},
                                   {"control card", 600, 500, White},
                                   {"backup and actions card", 600, 640, home ? White : ContentBackground},
                                   {"backup card, bottom", 600, 654, home ? White : ContentBackground},
                                   {"status card, bottom", 600, 247, home ? StatusCard : White},
                                   {"below the backup card", 600, 665, ContentBackground},
                                   {"status dot", 467, 171, home ? RGB(34, 161, 90) : White},
                               });
        if (home) {
            struct Text {
                const wchar_t* text;
                int x, y, w, h;
                HFONT font;
                COLORREF colour, background;
            };
            const Text texts[] = {
                {L"Главная", 239, 18, 600, 36, fontBold25, Ink, ContentBackground},
                {L"Состояние SysMain и управление Windows", 239, 59, 610, 26, fontRegular15, Subtitle,
                 ContentBackground},
                {L"Статус SysMain:", 256, 154, 195, 32, fontSemibold22, SectionCaption, StatusCard},
                {L"Тип запуска", 254, 278, 182, 25, fontRegular15, CardCaption, White},
                {L"Накопитель", 464, 278, 180, 25, fontRegular15, CardCaption, White},
                {L"RAM использовано", 674, 278, 185, 25, fontRegular15, CardCaption, White},
                {L"Управление", 256, 374, 590, 29, fontSemibold22, SectionCaption, White},
            };
            for (const Text& t : texts)
                EXPECT_TRUE(ShowsLabel(Window(), t.text, t.x, t.y, t.w, t.h, t.font, t.colour, t.background));
        } else {
            EXPECT_TRUE(ShowsLabel(Window(), row.title, 241, 24, 620, 37, fontBold25, Ink, ContentBackground));
            EXPECT_TRUE(ShowsLabel(Window(), row.subtitle, 241, 63, 620, 24, fontRegular15, Subtitle,
                                   ContentBackground));
        }
    }
}

TEST_F(MainPaint, StatusDotIsGreenRunningRedStoppedAmberOtherwise)
{
    struct Row {
        const char* name;
        LONG state;
        COLORREF dot;
    };
    const Row rows[] = {
        {"running", SERVICE_RUNNING, RGB(34, 161, 90)},
        {"stopped", SERVICE_STOPPED, RGB(220, 85, 85)},
        {"unknown", -1, RGB(245, 158, 11)},
        {"start pending", SERVICE_START_PENDING, RGB(245, 158, 11)},
        {"stop pending", SERVICE_STOP_PENDING, RGB(245, 158, 11)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Show(PageHome, -1, row.state);
        ExpectProbes(Window(), {
                                   {"dot centre", 467, 171, row.dot},
                                   {"dot, left", 462, 171, row.dot},
                                   {"dot, top", 467, 166, row.dot},
                                   {"status card left of the dot", 457, 171, StatusCard},
                                   {"status card right of the dot", 477, 171, StatusCard},
                               });
    }
}

TEST_F(MainPaint, HomeCardsShowDriveKindAndMemoryLoad)
{
    struct Row {
        const char* name;
        SystemDiskKind disk;
        bool memoryRead;
        DWORD load;
        const wchar_t* drive;
        const wchar_t* memory;
        bool memorySemibold;
    };
    const Row rows[] = {
        {"SSD, 57% in use", DiskSsd, true, 57, L"SSD", L"57%", true},
        {"HDD, nothing in use", DiskHdd, true, 0, L"HDD", L"0%", true},
        {"not determined, figures refused", DiskNotDetermined, false, 0, L"Неизвестен", L"Нет данных", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memoryLoad = row.load;
        osApi.GlobalMemoryStatusEx = row.memoryRead ? FixedMemoryStatus : RefusedMemoryStatus;
        Show(PageHome, -1, SERVICE_RUNNING, row.disk);

        EXPECT_TRUE(ShowsLabel(Window(), row.drive, 464, 308, 178, 30, fontSemibold22, Ink, White));
        EXPECT_TRUE(ShowsLabel(Window(), row.memory, 674, 308, 175, 30,
                               row.memorySemibold ? fontSemibold22 : fontRegular15, Ink, White));
    }
}

TEST_F(MainPaint, EveryPaintFreesWhatItCreatesThroughGdiPlus)
{
    struct Row {
        const char* name;
        unsigned page;
        int hovered;
        bool failBrushes, failPaths;
    };
    const Row rows[] = {
        {"Home", 0, 1, false, false},       {"Services", 1, 1, false, false}, {"Optimization", 2, 0, false, false},
        {"Restore", 3, 3, false, false},    {"Help", 4, 2, false, false},
        {"Home, brushes refused", 0, -1, true, false},
        {"Home, paths refused", 0, -1, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountingGdiPlus counting;
        gdipCounts.failBrushes = row.failBrushes;
        gdipCounts.failPaths = row.failPaths;

        Show(row.page, row.hovered);

        counting.ExpectBalanced();
        EXPECT_EQ(gdipCounts.graphicsCreated, 1);
        if (row.failBrushes) {
            EXPECT_EQ(gdipCounts.fills, 0);
            EXPECT_EQ(gdipCounts.pathsCreated, 0) << "no path without its brush";
        } else if (row.failPaths) {
            // only the three rectangles and the dot take no path
            EXPECT_EQ(gdipCounts.fills, 4);
        } else {
            EXPECT_GT(gdipCounts.fills, 10);
            EXPECT_EQ(gdipCounts.fills, gdipCounts.brushesCreated) << "every brush fills its shape";
        }
    }
}

TEST_F(MainPaint, WithoutGdiPlusShowsOnlyTheGreyBackgroundAndTheNotice)
{
    struct Row {
        const char* name;
        bool unusable, failGraphics;
    };
    const Row rows[] = {
        {"GDI+ unusable", true, false},
        {"graphics refused for this paint", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            CountingGdiPlus counting;
            GdiPlusApi.usable = !row.unusable;
            gdipCounts.failGraphics = row.failGraphics;
            Show(PageHome, 0);
            counting.ExpectBalanced();
            EXPECT_EQ(gdipCounts.fills, 0);
        }
        EXPECT_TRUE(ShowsLabel(Window(), L"GDI+ недоступен. Проверьте установку Windows.", 25, 25, 650, 50,
                               fontRegular18, RGB(204, 0, 0), LightGrey));
        // nothing else: every pixel outside the notice's box is the grey
        Canvas shown(client.cx, client.cy, RGB(0, 0, 0));
        HDC dc = GetDC(Window());
        BitBlt(shown.Dc(), 0, 0, client.cx, client.cy, dc, 0, 0, SRCCOPY);
        ReleaseDC(Window(), dc);
        const int all = shown.CountOtherThan(LightGrey, 0, 0, client.cx, client.cy);
        const int inNotice = shown.CountOtherThan(LightGrey, 25, 25, 675, 75);
        EXPECT_GT(inNotice, 0);
        EXPECT_EQ(all, inNotice) << "something besides the notice was drawn";
    }
    EXPECT_TRUE(GdiPlusApi.usable);
}

}  // namespace
