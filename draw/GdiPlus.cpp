#include "draw/GdiPlus.h"

GdiPlusTable GdiPlusApi = {};

namespace {

template <typename Entry>
bool BindEntry(Entry& entry, const char* name)
{
    entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(GdiPlusApi.module, name)));
    return entry != nullptr;
}

}  // namespace

void BindGdiPlus()
{
    // system directory only: a gdiplus.dll planted beside the program or on the
    // search path must never run inside an elevated process
    HMODULE module = LoadLibraryExW(L"gdiplus.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module) BindGdiPlusModule(module);
}

void BindGdiPlusModule(HMODULE module)
{
    GdiPlusTable& api = GdiPlusApi;
    api.module = module;
    // the && chain stops at the first missing name, leaving the rest null
    const bool bound = BindEntry(api.GdiplusStartup, "GdiplusStartup") &&
                       BindEntry(api.GdiplusShutdown, "GdiplusShutdown") &&
                       BindEntry(api.GdipCreateFromHDC, "GdipCreateFromHDC") &&
                       BindEntry(api.GdipDeleteGraphics, "GdipDeleteGraphics") &&
                       BindEntry(api.GdipCreateSolidFill, "GdipCreateSolidFill") &&
                       BindEntry(api.GdipDeleteBrush, "GdipDeleteBrush") &&
                       BindEntry(api.GdipFillRectangle, "GdipFillRectangle") &&
                       BindEntry(api.GdipFillEllipse, "GdipFillEllipse") &&
                       BindEntry(api.GdipCreatePath, "GdipCreatePath") &&
                       BindEntry(api.GdipAddPathArc, "GdipAddPathArc") &&
                       BindEntry(api.GdipAddPathLine, "GdipAddPathLine") &&
                       BindEntry(api.GdipClosePathFigure, "GdipClosePathFigure") &&
                       BindEntry(api.GdipFillPath, "GdipFillPath") &&
                       BindEntry(api.GdipDeletePath, "GdipDeletePath") &&
                       BindEntry(api.GdipSetSmoothingMode, "GdipSetSmoothingMode");
    if (!bound) return;
    // the background thread is not suppressed, so no output record is needed
    const GdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
    api.usable = api.GdiplusStartup(&api.token, &input, nullptr) == GdipOk;
}

void ReleaseGdiPlus()
{
    if (GdiPlusApi.usable) GdiPlusApi.GdiplusShutdown(GdiPlusApi.token);
    if (GdiPlusApi.module) FreeLibrary(GdiPlusApi.module);
    // nothing may call into the freed library afterwards
    GdiPlusApi = GdiPlusTable{};
}

DrawingPass::DrawingPass(HDC hdc)
{
    if (!GdiPlusApi.usable) return;
    if (GdiPlusApi.GdipCreateFromHDC(hdc, &graphics) != GdipOk) {
        graphics = nullptr;
        return;
    }
    GdiPlusApi.GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
}

DrawingPass::~DrawingPass()
{
    End();
}

void DrawingPass::End()
{
    if (!graphics) return;
    GdiPlusApi.GdipDeleteGraphics(graphics);
    graphics = nullptr;
}
