// The rounded fill and the text label, drawn with the real GDI+ and GDI into a
// 32-bit canvas and checked by pixel.
#include <gtest/gtest.h>
#include <vector>
#include "ui/WindowState.h"
#include "draw/Palette.h"
#include "draw/Primitives.h"
#include "support/GdiCounting.h"
#include "support/GdiWorld.h"

namespace {

constexpr COLORREF Background = RGB(10, 20, 30);
constexpr ARGB Fill = 0xFF336699;
constexpr COLORREF FillRgb = RGB(0x33, 0x66, 0x99);

struct Point {
    int x, y;
};

void FillOnCanvas(const Canvas& canvas, float x, float y, float w, float h, float r)
{
    DrawingPass pass(canvas.Dc());
    ASSERT_TRUE(pass);
    FillRoundRect(pass.Graphics(), x, y, w, h, r, Fill);
}

class Primitives : public ::testing::Test {
protected:
    DrawingResources resources;
};

TEST_F(Primitives, RoundRectCoversItsBoxButNotItsCorners)
{
    struct Row {
        const char* name;
        float x, y, w, h, r;
        std::vector<Point> inside, outside;
    };
    const Row rows[] = {
        {"card, radius 12", 10, 10, 80, 50, 12,
         {{50, 35}, {50, 11}, {11, 35}, {88, 35}, {50, 58}, {14, 14}, {85, 55}, {14, 55}, {85, 14}},
         {{10, 10}, {11, 11}, {89, 10}, {88, 11}, {89, 59}, {88, 58}, {10, 59}, {11, 58}, {9, 35}, {90, 35}}},
        {"radius 0.99 is a plain rectangle", 10, 10, 80, 50, 0.99f,
         {{10, 10}, {89, 10}, {10, 59}, {89, 59}, {50, 35}},
         {{9, 9}, {90, 60}, {9, 35}, {50, 60}}},
        {"4 x 30 with radius 2 is a capsule", 10, 10, 4, 30, 2,
         {{11, 13}, {12, 13}, {11, 25}, {12, 25}, {11, 36}, {12, 36}},
         {{9, 25}, {14, 25}, {12, 8}, {12, 41}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(100, 70, Background);
        FillOnCanvas(canvas, row.x, row.y, row.w, row.h, row.r);
        for (const Point& p : row.inside) EXPECT_TRUE(canvas.PixelIs(p.x, p.y, FillRgb));
        for (const Point& p : row.outside) EXPECT_TRUE(canvas.PixelIs(p.x, p.y, Background));
    }
}

TEST_F(Primitives, RoundRectFreesWhatItCreatesOnEveryPath)
{
    struct Row {
        const char* name;
        float r;
        bool failBrushes, failPaths;
        int brushes, paths, fills;
    };
    const Row rows[] = {
        {"radius 1 takes a path", 1.0f, false, false, 1, 1, 1},
        {"radius 0.99 takes none", 0.99f, false, false, 1, 0, 1},
        {"brush refused: nothing drawn", 12, true, false, 0, 0, 0},
        {"path refused: brush still deleted", 12, false, true, 1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(100, 70, Background);
        CountingGdiPlus counting;
        gdipCounts.failBrushes = row.failBrushes;
        gdipCounts.failPaths = row.failPaths;

        FillOnCanvas(canvas, 10, 10, 80, 50, row.r);

        EXPECT_EQ(gdipCounts.brushesCreated, row.brushes);
        EXPECT_EQ(gdipCounts.pathsCreated, row.paths);
        EXPECT_EQ(gdipCounts.fills, row.fills);
        counting.ExpectBalanced();
        EXPECT_TRUE(canvas.PixelIs(50, 35, row.fills ? FillRgb : Background));
    }
}

TEST_F(Primitives, LabelDrawsTransparentlyInsideItsBoxAndRestoresTheFont)
{
    constexpr COLORREF Paper = RGB(255, 255, 255);
    constexpr COLORREF Ink = RGB(0, 128, 0);
    constexpr COLORREF StaleBack = RGB(255, 0, 0);
    constexpr int Left = 10, Top = 10, Width = 80, Height = 70;
    struct Row {
        const char* name;
        const wchar_t* text;
        bool ink;            // something is drawn
        bool secondLine;     // something is drawn below the first line
    };
    const Row rows[] = {
        {"short text", L"Wg", true, false},
        {"long text is cut, not wrapped", L"WWWW WWWW WWWW WWWW WWWW WWWW WWWW WWWW", true, false},
        {"line feed starts a new line", L"W\nW", true, true},
        {"empty text draws nothing", L"", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(200, 120, Paper);
        HDC dc = canvas.Dc();
        const HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, StaleBack);
        SetTextColor(dc, RGB(0, 0, 255));

        DrawLabel(dc, row.text, Left, Top, Width, Height, fontRegular18, Ink);

        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        EXPECT_EQ(GetTextColor(dc), Ink);
        SelectObject(dc, fontRegular18);
        TEXTMETRICW metrics;
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, before);
        const int lineBottom = Top + metrics.tmHeight;
        const int all = canvas.CountOtherThan(Paper, 0, 0, canvas.Width(), canvas.Height());
        const int inBox = canvas.CountOtherThan(Paper, Left, Top, Left + Width, Top + Height);
        const int belowFirstLine = canvas.CountOtherThan(Paper, Left, lineBottom, Left + Width, Top + Height);
        EXPECT_EQ(all, inBox) << "ink outside the box";
        EXPECT_EQ(inBox > 0, row.ink);
        EXPECT_EQ(belowFirstLine > 0, row.secondLine);
        EXPECT_EQ(canvas.CountOtherThan(StaleBack, 0, 0, canvas.Width(), canvas.Height()),
                  canvas.Width() * canvas.Height())
            << "opaque background drawn";
    }
}

}  // namespace
