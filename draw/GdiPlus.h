#pragma once
// GDI+ flat interface, bound at run time from the system directory only.
#include <windows.h>

typedef int GpStatus;  // 0 = Ok
typedef DWORD ARGB;
struct GpGraphics;
struct GpBrush;
struct GpSolidFill;
struct GpPath;

struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

struct GdiPlusTable {
    HMODULE module;
    GpStatus(WINAPI* GdiplusStartup)(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
    void(WINAPI* GdiplusShutdown)(ULONG_PTR token);
    GpStatus(WINAPI* GdipCreateFromHDC)(HDC hdc, GpGraphics** graphics);
    GpStatus(WINAPI* GdipDeleteGraphics)(GpGraphics* graphics);
    GpStatus(WINAPI* GdipCreateSolidFill)(ARGB colour, GpSolidFill** brush);
    GpStatus(WINAPI* GdipDeleteBrush)(GpBrush* brush);
    GpStatus(WINAPI* GdipFillRectangle)(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height);
    GpStatus(WINAPI* GdipFillEllipse)(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height);
    GpStatus(WINAPI* GdipCreatePath)(int fillMode, GpPath** path);
    GpStatus(WINAPI* GdipAddPathArc)(GpPath* path, float x, float y, float width, float height, float startAngle,
                                     float sweepAngle);
    GpStatus(WINAPI* GdipAddPathLine)(GpPath* path, float x1, float y1, float x2, float y2);
    GpStatus(WINAPI* GdipClosePathFigure)(GpPath* path);
    GpStatus(WINAPI* GdipFillPath)(GpGraphics* graphics, GpBrush* brush, GpPath* path);
    GpStatus(WINAPI* GdipDeletePath)(GpPath* path);
    GpStatus(WINAPI* GdipSetSmoothingMode)(GpGraphics* graphics, int smoothingMode);
    ULONG_PTR token;
    bool usable;
};

extern GdiPlusTable GdiPlusApi;

constexpr GpStatus GdipOk = 0;
constexpr int FillModeAlternate = 0;
constexpr int SmoothingModeAntiAlias = 4;

void BindGdiPlus();
// Binds the fifteen entry points of module and starts GDI+ when all are there; the
// table owns module from here on and ReleaseGdiPlus frees it. BindGdiPlus passes the
// system's gdiplus.dll.
void BindGdiPlusModule(HMODULE module);
void ReleaseGdiPlus();

// One GDI+ drawing pass on a paint DC: opens a graphics object with anti-aliasing,
// deletes it on End() or at scope exit. Graphics() is null when GDI+ cannot be used
// for this paint; the caller then draws its GDI-only fallback.
class DrawingPass {
public:
    explicit DrawingPass(HDC hdc);
    ~DrawingPass();
    DrawingPass(const DrawingPass&) = delete;
    DrawingPass& operator=(const DrawingPass&) = delete;
    GpGraphics* Graphics() const { return graphics; }
    explicit operator bool() const { return graphics != nullptr; }
    void End();
private:
    GpGraphics* graphics = nullptr;
};

// A solid brush for one shape, deleted through the table. Null when GDI+ refused it;
// the shape is then skipped.
class ScopedGdipBrush {
public:
    explicit ScopedGdipBrush(ARGB colour)
    {
        if (GdiPlusApi.GdipCreateSolidFill(colour, &brush) != GdipOk) brush = nullptr;
    }
    ~ScopedGdipBrush() { if (brush) GdiPlusApi.GdipDeleteBrush(Get()); }
    ScopedGdipBrush(const ScopedGdipBrush&) = delete;
    ScopedGdipBrush& operator=(const ScopedGdipBrush&) = delete;
    GpBrush* Get() const { return reinterpret_cast<GpBrush*>(brush); }
    explicit operator bool() const { return brush != nullptr; }
private:
    GpSolidFill* brush = nullptr;
};

// A path in alternate fill mode, deleted through the table; null when refused.
class ScopedGdipPath {
public:
    ScopedGdipPath()
    {
        if (GdiPlusApi.GdipCreatePath(FillModeAlternate, &path) != GdipOk) path = nullptr;
    }
    ~ScopedGdipPath() { if (path) GdiPlusApi.GdipDeletePath(path); }
    ScopedGdipPath(const ScopedGdipPath&) = delete;
    ScopedGdipPath& operator=(const ScopedGdipPath&) = delete;
    GpPath* Get() const { return path; }
    explicit operator bool() const { return path != nullptr; }
private:
    GpPath* path = nullptr;
};
