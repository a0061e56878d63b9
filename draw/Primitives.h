#pragma once
#include "draw/GdiPlus.h"

void FillRoundRect(GpGraphics* graphics, float x, float y, float width, float height, float radius, ARGB colour);
void DrawLabel(HDC hdc, const wchar_t* text, int x, int y, int width, int height, HFONT font, COLORREF colour);
