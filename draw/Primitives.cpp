#include "draw/Primitives.h"
#include "draw/Palette.h"

void FillRoundRect(GpGraphics* graphics, float x, float y, float width, float height, float radius, ARGB colour)
{
    const ScopedGdipBrush brush(colour);
    if (!brush) return;
    if (radius < 1.0f) {
        GdiPlusApi.GdipFillRectangle(graphics, brush.Get(), x, y, width, height);
        return;
    }
    const ScopedGdipPath path;
    if (!path) return;
    // corners clockwise from the top left, each followed by the edge that leaves it;
    // callers keep 2 * radius within the box, so no clamping
    const float d = radius + radius;
    const float right = x + width;
    const float bottom = y + height;
    GpPath* p = path.Get();
    GdiPlusApi.GdipAddPathArc(p, x, y, d, d, 180.0f, 90.0f);
    GdiPlusApi.GdipAddPathLine(p, x + radius, y, right - radius, y);
    GdiPlusApi.GdipAddPathArc(p, right - d, y, d, d, 270.0f, 90.0f);
    GdiPlusApi.GdipAddPathLine(p, right, y + radius, right, bottom - radius);
    GdiPlusApi.GdipAddPathArc(p, right - d, bottom - d, d, d, 0.0f, 90.0f);
    GdiPlusApi.GdipAddPathLine(p, right - radius, bottom, x + radius, bottom);
    GdiPlusApi.GdipAddPathArc(p, x, bottom - d, d, d, 90.0f, 90.0f);
    GdiPlusApi.GdipAddPathLine(p, x, bottom - radius, x, y + radius);
    GdiPlusApi.GdipClosePathFigure(p);
    GdiPlusApi.GdipFillPath(graphics, brush.Get(), p);
}

void FillEdgedRoundRect(GpGraphics* graphics, float x, float y, float width, float height, float radius,
                        COLORREF fill, COLORREF edge)
{
    if (fill == NoColour) return;
    if (edge == NoColour) {
        FillRoundRect(graphics, x, y, width, height, radius, OpaqueArgb(fill));
        return;
    }
    // the edge is the whole shape, the fill the same shape inset by the edge's width
    FillRoundRect(graphics, x, y, width, height, radius, OpaqueArgb(edge));
    const float inner = radius > EdgeWidth ? radius - EdgeWidth : 0.0f;
    FillRoundRect(graphics, x + EdgeWidth, y + EdgeWidth, width - 2 * EdgeWidth, height - 2 * EdgeWidth, inner,
                  OpaqueArgb(fill));
}

void DrawLabel(HDC hdc, const wchar_t* text, int x, int y, int width, int height, HFONT font, COLORREF colour)
{
    RECT rect = {x, y, x + width, y + height};
    const HGDIOBJ previousFont = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, colour);
    DrawTextW(hdc, text, -1, &rect, 0);
    SelectObject(hdc, previousFont);
}
