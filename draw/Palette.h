#pragma once
// The colours the main window and its toggles draw with, named by their role, in two
// palettes: the program's own, and one made of the system's colours for high contrast.
// Painting names a role and never a colour. Also the fonts and brushes drawn with; they
// live from the window's WM_CREATE to its WM_DESTROY and are null outside.
#include <windows.h>

// A role that a palette leaves out is drawn with nothing: the program's own palette has
// no outlines, high contrast drops the pictures behind texts.
constexpr COLORREF NoColour = 0xFFFFFFFF;  // no RGB value has its top byte set
constexpr int NoSystemColour = -1;

// X(role, the program's own colour, the system colour that high contrast takes)
#define PALETTE_ROLES(X)                                                            \
    X(PageBackground, RGB(245, 247, 248), COLOR_WINDOW)                             \
    X(Sidebar, RGB(255, 255, 255), COLOR_WINDOW)                                    \
    X(SidebarBorder, RGB(226, 232, 228), COLOR_WINDOWTEXT)                          \
    X(LogoTile, RGB(227, 247, 234), NoSystemColour)                                 \
    X(LogoMark, RGB(21, 128, 61), COLOR_WINDOWTEXT)                                 \
    X(LogoBolt, RGB(255, 255, 255), COLOR_WINDOW)                                   \
    X(LogoWord, RGB(34, 39, 42), COLOR_WINDOWTEXT)                                  \
    X(LogoSubword, RGB(53, 94, 128), COLOR_WINDOWTEXT)                              \
    X(SelectedRow, RGB(220, 252, 231), COLOR_HIGHLIGHT)                             \
    X(SelectedRowAccent, RGB(21, 128, 61), COLOR_HIGHLIGHTTEXT)                     \
    X(SelectedRowText, RGB(21, 128, 55), COLOR_HIGHLIGHTTEXT)                       \
    X(SelectedRowGlyph, RGB(255, 255, 255), COLOR_HIGHLIGHTTEXT)                    \
    X(HoveredRow, RGB(240, 247, 241), COLOR_WINDOW)                                 \
    X(HoveredRowOutline, NoColour, COLOR_HOTLIGHT)                                  \
    X(RowText, RGB(82, 75, 68), COLOR_WINDOWTEXT)                                   \
    X(RowGlyph, RGB(255, 255, 255), COLOR_WINDOWTEXT)                               \
    X(BadgeHome, RGB(21, 128, 61), NoSystemColour)                                  \
    X(BadgeServices, RGB(197, 107, 8), NoSystemColour)                              \
    X(BadgeOptimization, RGB(29, 78, 216), NoSystemColour)                          \
    X(BadgeHelp, RGB(124, 58, 237), NoSystemColour)                                 \
    /* the cards, and the static texts and toggles that lie on them */              \
    X(Card, RGB(255, 255, 255), COLOR_WINDOW)                                       \
    X(CardOutline, NoColour, COLOR_WINDOWTEXT)                                      \
    X(CardBand, RGB(221, 244, 227), NoSystemColour)                                 \
    X(StatusCard, RGB(234, 250, 240), COLOR_WINDOW)                                 \
    X(TitleText, RGB(31, 41, 39), COLOR_WINDOWTEXT)                                 \
    X(SubtitleText, RGB(119, 130, 139), COLOR_WINDOWTEXT)                           \
    X(SectionCaption, RGB(41, 52, 47), COLOR_WINDOWTEXT)                            \
    X(CardCaption, RGB(114, 128, 138), COLOR_WINDOWTEXT)                            \
    X(ValueText, RGB(31, 41, 39), COLOR_WINDOWTEXT)                                 \
    X(LabelText, RGB(39, 48, 42), COLOR_WINDOWTEXT)                                 \
    /* status: the dot, and the status label's text; the words tell it too */       \
    X(StatusDotRunning, RGB(34, 161, 90), COLOR_WINDOWTEXT)                         \
    X(StatusDotStopped, RGB(220, 85, 85), COLOR_WINDOWTEXT)                         \
    X(StatusDotOther, RGB(245, 158, 11), COLOR_WINDOWTEXT)                          \
    X(StatusTextRunning, RGB(21, 128, 55), COLOR_WINDOWTEXT)                        \
    X(StatusTextStopped, RGB(204, 68, 68), COLOR_WINDOWTEXT)                        \
    X(StatusTextOther, RGB(39, 48, 42), COLOR_WINDOWTEXT)                           \
    /* the toggle switch; its background is the card's */                           \
    X(TrackOn, RGB(23, 132, 71), COLOR_HIGHLIGHT)                                   \
    X(TrackOnOutline, NoColour, NoSystemColour)                                     \
    X(TrackOff, RGB(209, 213, 219), COLOR_WINDOW)                                   \
    X(TrackOffOutline, NoColour, COLOR_WINDOWTEXT)                                  \
    X(TrackDisabled, RGB(229, 231, 235), COLOR_WINDOW)                              \
    X(TrackDisabledOutline, NoColour, COLOR_GRAYTEXT)                               \
    X(KnobOn, RGB(255, 255, 255), COLOR_HIGHLIGHTTEXT)                              \
    X(KnobOff, RGB(255, 255, 255), COLOR_WINDOWTEXT)                                \
    X(KnobDisabled, RGB(255, 255, 255), COLOR_GRAYTEXT)                             \
    X(ToggleCaption, RGB(31, 41, 39), COLOR_WINDOWTEXT)                             \
    X(ToggleCaptionDisabled, RGB(163, 157, 154), COLOR_GRAYTEXT)                    \
    /* the window when GDI+ cannot be used */                                       \
    X(FallbackBackground, RGB(247, 248, 247), COLOR_WINDOW)                         \
    X(NoticeText, RGB(204, 0, 0), COLOR_WINDOWTEXT)

enum class Role : unsigned {
#define PALETTE_ROLE_NAME(role, own, system) role,
    PALETTE_ROLES(PALETTE_ROLE_NAME)
#undef PALETTE_ROLE_NAME
};
constexpr unsigned RoleCount = 0
#define PALETTE_ROLE_COUNT(role, own, system) +1
    PALETTE_ROLES(PALETTE_ROLE_COUNT)
#undef PALETTE_ROLE_COUNT
    ;

// The colour of role in the palette chosen; NoColour where it draws nothing.
COLORREF Colour(Role role);
// Takes the program's own palette, or with highContrast the system's colours as they
// stand now; true when any role's colour changed.
bool ChoosePalette(bool highContrast);

// The same colour, opaque, as GDI+ takes it.
constexpr DWORD OpaqueArgb(COLORREF colour)
{
    return 0xFF000000u | (DWORD(GetRValue(colour)) << 16) | (DWORD(GetGValue(colour)) << 8) | GetBValue(colour);
}

extern HFONT fontRegular18;   // "Segoe UI" -18, 400
extern HFONT fontRegular15;   // "Segoe UI" -15, 400
extern HFONT fontSemibold22;  // "Segoe UI" -22, 600
extern HFONT fontBold25;      // "Segoe UI" -25, 700
extern HFONT fontSymbol21;    // "Segoe UI Symbol" -21, 700

// Brushes of the palette chosen: the cards' colour behind static texts and toggles, the
// status card's behind the status label, and the window's background without GDI+.
extern HBRUSH cardBrush;
extern HBRUSH statusCardBrush;
extern HBRUSH fallbackBrush;

void CreateDrawingResources();
// Makes the brushes again from the palette chosen since.
void RecreateBrushes();
void DeleteDrawingResources();
