#include "draw/Palette.h"

HFONT fontRegular18 = nullptr;
HFONT fontRegular15 = nullptr;
HFONT fontSemibold22 = nullptr;
HFONT fontBold25 = nullptr;
HFONT fontSymbol21 = nullptr;

HBRUSH cardBrush = nullptr;
HBRUSH statusCardBrush = nullptr;
HBRUSH fallbackBrush = nullptr;

static_assert(OpaqueArgb(RGB(234, 250, 240)) == 0xFFEAFAF0u, "GDI+ takes red in the third byte");

namespace {

const COLORREF OwnColours[RoleCount] = {
#define PALETTE_OWN_COLOUR(role, own, system) own,
    PALETTE_ROLES(PALETTE_OWN_COLOUR)
#undef PALETTE_OWN_COLOUR
};

const int SystemColours[RoleCount] = {
#define PALETTE_SYSTEM_COLOUR(role, own, system) system,
    PALETTE_ROLES(PALETTE_SYSTEM_COLOUR)
#undef PALETTE_SYSTEM_COLOUR
};

COLORREF chosen[RoleCount] = {
#define PALETTE_OWN_COLOUR(role, own, system) own,
    PALETTE_ROLES(PALETTE_OWN_COLOUR)
#undef PALETTE_OWN_COLOUR
};

HFONT MakeFont(int height, int weight, const wchar_t* face)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

void DeleteBrushes()
{
    HBRUSH* brushes[] = {&cardBrush, &fallbackBrush, &statusCardBrush};
    for (HBRUSH* brush : brushes) {
        if (*brush) DeleteObject(*brush);
        *brush = nullptr;
    }
}

void CreateBrushes()
{
    cardBrush = CreateSolidBrush(Colour(Role::Card));
    fallbackBrush = CreateSolidBrush(Colour(Role::FallbackBackground));
    statusCardBrush = CreateSolidBrush(Colour(Role::StatusCard));
}

}  // namespace

COLORREF Colour(Role role)
{
    const unsigned index = static_cast<unsigned>(role);
    return index < RoleCount ? chosen[index] : NoColour;
}

bool ChoosePalette(bool highContrast)
{
    bool changed = false;
    for (unsigned i = 0; i < RoleCount; ++i) {
        COLORREF colour = OwnColours[i];
        if (highContrast) colour = SystemColours[i] == NoSystemColour ? NoColour : GetSysColor(SystemColours[i]);
        changed = changed || colour != chosen[i];
        chosen[i] = colour;
    }
    return changed;
}

void CreateDrawingResources()
{
    CreateBrushes();
    fontRegular18 = MakeFont(-18, FW_NORMAL, L"Segoe UI");
    fontRegular15 = MakeFont(-15, FW_NORMAL, L"Segoe UI");
    fontSemibold22 = MakeFont(-22, FW_SEMIBOLD, L"Segoe UI");
    fontBold25 = MakeFont(-25, FW_BOLD, L"Segoe UI");
    fontSymbol21 = MakeFont(-21, FW_BOLD, L"Segoe UI Symbol");
}

void RecreateBrushes()
{
    // made before the old ones are deleted, so that a new brush never takes an old handle
    const HBRUSH old[] = {cardBrush, fallbackBrush, statusCardBrush};
    CreateBrushes();
    for (HBRUSH brush : old)
        if (brush) DeleteObject(brush);
}

void DeleteDrawingResources()
{
    HFONT* fonts[] = {&fontRegular18, &fontRegular15, &fontSemibold22, &fontBold25, &fontSymbol21};
    for (HFONT* font : fonts) {
        if (*font) DeleteObject(*font);
        *font = nullptr;
    }
    DeleteBrushes();
}
