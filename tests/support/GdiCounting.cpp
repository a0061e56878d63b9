#include "support/GdiCounting.h"
#include <gtest/gtest.h>

GdipCounts gdipCounts;

namespace {

GdiPlusTable real;
constexpr GpStatus GenericError = 1;

}  // namespace

CountingGdiPlus::CountingGdiPlus() : saved(GdiPlusApi)
{
    real = GdiPlusApi;
    Reset();
    GdiPlusApi.GdipCreateFromHDC = [](HDC hdc, GpGraphics** graphics) -> GpStatus {
        if (gdipCounts.failGraphics) return GenericError;
        const GpStatus status = real.GdipCreateFromHDC(hdc, graphics);
        if (status == GdipOk) ++gdipCounts.graphicsCreated;
        return status;
    };
    GdiPlusApi.GdipDeleteGraphics = [](GpGraphics* graphics) -> GpStatus {
        ++gdipCounts.graphicsDeleted;
        return real.GdipDeleteGraphics(graphics);
    };
    GdiPlusApi.GdipCreateSolidFill = [](ARGB colour, GpSolidFill** brush) -> GpStatus {
        if (gdipCounts.failBrushes) return GenericError;
        const GpStatus status = real.GdipCreateSolidFill(colour, brush);
        if (status == GdipOk) {
            ++gdipCounts.brushesCreated;
            gdipCounts.brushColours.push_back(colour);
        }
        return status;
    };
    GdiPlusApi.GdipDeleteBrush = [](GpBrush* brush) -> GpStatus {
        ++gdipCounts.brushesDeleted;
        return real.GdipDeleteBrush(brush);
    };
    GdiPlusApi.GdipCreatePath = [](int fillMode, GpPath** path) -> GpStatus {
        if (gdipCounts.failPaths) return GenericError;
        const GpStatus status = real.GdipCreatePath(fillMode, path);
        if (status == GdipOk) ++gdipCounts.pathsCreated;
        return status;
    };
    GdiPlusApi.GdipDeletePath = [](GpPath* path) -> GpStatus {
        ++gdipCounts.pathsDeleted;
        return real.GdipDeletePath(path);
    };
    GdiPlusApi.GdipFillRectangle = [](GpGraphics* g, GpBrush* b, float x, float y, float w, float h) -> GpStatus {
        ++gdipCounts.fills;
        return real.GdipFillRectangle(g, b, x, y, w, h);
    };
    GdiPlusApi.GdipFillEllipse = [](GpGraphics* g, GpBrush* b, float x, float y, float w, float h) -> GpStatus {
        ++gdipCounts.fills;
        return real.GdipFillEllipse(g, b, x, y, w, h);
    };
    GdiPlusApi.GdipFillPath = [](GpGraphics* g, GpBrush* b, GpPath* p) -> GpStatus {
        ++gdipCounts.fills;
        return real.GdipFillPath(g, b, p);
    };
}

CountingGdiPlus::~CountingGdiPlus()
{
    GdiPlusApi = saved;
}

void CountingGdiPlus::Reset() const
{
    gdipCounts = GdipCounts();
}

void CountingGdiPlus::ExpectBalanced() const
{
    EXPECT_EQ(gdipCounts.graphicsDeleted, gdipCounts.graphicsCreated) << "graphics objects";
    EXPECT_EQ(gdipCounts.brushesDeleted, gdipCounts.brushesCreated) << "brushes";
    EXPECT_EQ(gdipCounts.pathsDeleted, gdipCounts.pathsCreated) << "paths";
}
