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

// The entry points the program draws with, one list: X(result, name, parameters). The
// table's members, their binding by name and the tests' view of the table all come from it.
#define GDIPLUS_ENTRY_POINTS(X)                                                                        \
    X(GpStatus, GdiplusStartup, (ULONG_PTR* token, const GdiplusStartupInput* input, void* output))    \
    X(void, GdiplusShutdown, (ULONG_PTR token))                                                        \
    X(GpStatus, GdipCreateFromHDC, (HDC hdc, GpGraphics** graphics))                                   \
    X(GpStatus, GdipDeleteGraphics, (GpGraphics* graphics))                                            \
    X(GpStatus, GdipCreateSolidFill, (ARGB colour, GpSolidFill** brush))                               \
    X(GpStatus, GdipDeleteBrush, (GpBrush* brush))                                                     \
    X(GpStatus, GdipFillRectangle,                                                                     \
      (GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height))             \
    X(GpStatus, GdipFillEllipse,                                                                       \
      (GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height))             \
    X(GpStatus, GdipCreatePath, (int fillMode, GpPath** path))                                         \
    X(GpStatus, GdipAddPathArc,                                                                        \
      (GpPath* path, float x, float y, float width, float height, float startAngle, float sweepAngle)) \
    X(GpStatus, GdipAddPathLine, (GpPath* path, float x1, float y1, float x2, float y2))               \
    X(GpStatus, GdipClosePathFigure, (GpPath* path))                                                   \
    X(GpStatus, GdipFillPath, (GpGraphics* graphics, GpBrush* brush, GpPath* path))                    \
    X(GpStatus, GdipDeletePath, (GpPath* path))                                                        \
    X(GpStatus, GdipSetSmoothingMode, (GpGraphics* graphics, int smoothingMode))

struct GdiPlusTable {
    HMODULE module;
#define GDIPLUS_TABLE_MEMBER(result, name, parameters) result(WINAPI* name) parameters;
    GDIPLUS_ENTRY_POINTS(GDIPLUS_TABLE_MEMBER)
#undef GDIPLUS_TABLE_MEMBER
    ULONG_PTR token;
    bool usable;
};

extern GdiPlusTable GdiPlusApi;

constexpr GpStatus GdipOk = 0;
constexpr int FillModeAlternate = 0;
constexpr int SmoothingModeAntiAlias = 4;

void BindGdiPlus();
// Binds every entry point of the list from module and starts GDI+. With all there, the
// table owns module from here on and ReleaseGdiPlus frees it; with any missing, module is
// freed and the table left empty at once. BindGdiPlus passes the system's gdiplus.dll.
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
