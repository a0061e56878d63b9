#pragma once
#include "draw/GdiPlus.h"

void FillRoundRect(GpGraphics* graphics, float x, float y, float width, float height, float radius, ARGB colour);
// The same shape in fill, edged inside its box by a line EdgeWidth wide in edge. Edge
// NoColour (draw/Palette.h) draws no edge; fill NoColour draws nothing at all.
constexpr float EdgeWidth = 2.0f;
void FillEdgedRoundRect(GpGraphics* graphics, float x, float y, float width, float height, float radius,
                        COLORREF fill, COLORREF edge);
void DrawLabel(HDC hdc, const wchar_t* text, int x, int y, int width, int height, HFONT font, COLORREF colour);

// BeginPaint on construction, EndPaint on every way out of the paint handler.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window(window) { hdc = BeginPaint(window, &ps); }
    ~PaintScope() { EndPaint(window, &ps); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return hdc; }
private:
    HWND window;
    PAINTSTRUCT ps;
    HDC hdc;
};
