#include "draw/Palette.h"

HFONT fontRegular18 = nullptr;
HFONT fontRegular15 = nullptr;
HFONT fontSemibold22 = nullptr;
HFONT fontBold25 = nullptr;
HFONT fontSymbol21 = nullptr;

HBRUSH whiteBrush = nullptr;
HBRUSH lightGreyBrush = nullptr;
HBRUSH paleGreenBrush = nullptr;

static_assert(OpaqueArgb(PaleGreen) == 0xFFEAFAF0u, "GDI+ takes red in the third byte");

namespace {

HFONT MakeFont(int height, int weight, const wchar_t* face)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

}  // namespace

void CreateDrawingResources()
{
    whiteBrush = CreateSolidBrush(White);
    lightGreyBrush = CreateSolidBrush(LightGrey);
    paleGreenBrush = CreateSolidBrush(PaleGreen);
    fontRegular18 = MakeFont(-18, FW_NORMAL, L"Segoe UI");
    fontRegular15 = MakeFont(-15, FW_NORMAL, L"Segoe UI");
    fontSemibold22 = MakeFont(-22, FW_SEMIBOLD, L"Segoe UI");
    fontBold25 = MakeFont(-25, FW_BOLD, L"Segoe UI");
    fontSymbol21 = MakeFont(-21, FW_BOLD, L"Segoe UI Symbol");
}

void DeleteDrawingResources()
{
    HGDIOBJ objects[] = {fontRegular18, fontRegular15, fontSemibold22, fontBold25, fontSymbol21,
                         whiteBrush,    lightGreyBrush, paleGreenBrush};
    for (HGDIOBJ object : objects)
        if (object) DeleteObject(object);
    fontRegular18 = fontRegular15 = fontSemibold22 = fontBold25 = fontSymbol21 = nullptr;
    whiteBrush = lightGreyBrush = paleGreenBrush = nullptr;
}
