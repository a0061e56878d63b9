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
#define GDIPLUS_BIND_ENTRY(result, name, parameters) BindEntry(api.name, #name) &&
    const bool bound = GDIPLUS_ENTRY_POINTS(GDIPLUS_BIND_ENTRY) true;
#undef GDIPLUS_BIND_ENTRY
    if (!bound) {
        // a library that lacks a name is no GDI+ the program can draw with: nothing of it
        // stays loaded or bound
        FreeLibrary(module);
        api = GdiPlusTable{};
        return;
    }
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
