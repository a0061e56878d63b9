// The program's own palette is the look the window has always had: every role with the
// colour the design gives it, written out here on its own, and outlines that are not drawn.
#include <gtest/gtest.h>
#include <string>
#include "draw/Palette.h"

namespace {

struct OwnColour {
    Role role;
    const char* name;
    COLORREF colour;
};

const OwnColour Today[] = {
    {Role::PageBackground, "page background", RGB(245, 247, 248)},
    {Role::Sidebar, "sidebar", RGB(255, 255, 255)},
    {Role::SidebarBorder, "sidebar border", RGB(226, 232, 228)},
    {Role::LogoTile, "logo tile", RGB(227, 247, 234)},
    {Role::LogoMark, "logo mark", RGB(21, 128, 61)},
    {Role::LogoBolt, "logo bolt", RGB(255, 255, 255)},
    {Role::LogoWord, "logo word", RGB(34, 39, 42)},
    {Role::LogoSubword, "logo's second line", RGB(53, 94, 128)},
    {Role::SelectedRow, "selected row", RGB(220, 252, 231)},
    {Role::SelectedRowAccent, "selected row's accent", RGB(21, 128, 61)},
    {Role::SelectedRowText, "selected row's label", RGB(21, 128, 55)},
    {Role::SelectedRowGlyph, "selected row's glyph", RGB(255, 255, 255)},
    {Role::HoveredRow, "hovered row", RGB(240, 247, 241)},
    {Role::HoveredRowOutline, "hovered row's outline", NoColour},
    {Role::RowText, "row label", RGB(82, 75, 68)},
    {Role::RowGlyph, "row glyph", RGB(255, 255, 255)},
    {Role::BadgeHome, "Home badge", RGB(21, 128, 61)},
    {Role::BadgeServices, "Services badge", RGB(197, 107, 8)},
    {Role::BadgeOptimization, "Optimization badge", RGB(29, 78, 216)},
    {Role::BadgeHelp, "Help badge", RGB(124, 58, 237)},
    {Role::Card, "card, static text and toggle background", RGB(255, 255, 255)},
    {Role::CardOutline, "card outline", NoColour},
    {Role::CardBand, "page card band", RGB(221, 244, 227)},
    {Role::StatusCard, "status card and status label background", RGB(234, 250, 240)},
    {Role::TitleText, "title", RGB(31, 41, 39)},
    {Role::SubtitleText, "subtitle", RGB(119, 130, 139)},
    {Role::SectionCaption, "section caption", RGB(41, 52, 47)},
    {Role::CardCaption, "card caption", RGB(114, 128, 138)},
    {Role::ValueText, "card value", RGB(31, 41, 39)},
    {Role::LabelText, "static text", RGB(39, 48, 42)},
    {Role::StatusDotRunning, "dot, running", RGB(34, 161, 90)},
    {Role::StatusDotStopped, "dot, stopped", RGB(220, 85, 85)},
    {Role::StatusDotOther, "dot, pending or unknown", RGB(245, 158, 11)},
    {Role::StatusTextRunning, "status text, running", RGB(21, 128, 55)},
    {Role::StatusTextStopped, "status text, stopped", RGB(204, 68, 68)},
    {Role::StatusTextOther, "status text, other", RGB(39, 48, 42)},
    {Role::TrackOn, "track on", RGB(23, 132, 71)},
    {Role::TrackOnOutline, "track on's outline", NoColour},
    {Role::TrackOff, "track off", RGB(209, 213, 219)},
    {Role::TrackOffOutline, "track off's outline", NoColour},
    {Role::TrackDisabled, "track disabled", RGB(229, 231, 235)},
    {Role::TrackDisabledOutline, "track disabled's outline", NoColour},
    {Role::KnobOn, "knob on", RGB(255, 255, 255)},
    {Role::KnobOff, "knob off", RGB(255, 255, 255)},
    {Role::KnobDisabled, "knob disabled", RGB(255, 255, 255)},
    {Role::ToggleCaption, "toggle caption", RGB(31, 41, 39)},
    {Role::ToggleCaptionDisabled, "toggle caption disabled", RGB(163, 157, 154)},
    {Role::FallbackBackground, "background without GDI+", RGB(247, 248, 247)},
    {Role::NoticeText, "notice without GDI+", RGB(204, 0, 0)},
};

}  // namespace

TEST(Palette, OwnPaletteHoldsTodaysColourForEveryRole)
{
    ASSERT_EQ(sizeof(Today) / sizeof(Today[0]), size_t(RoleCount)) << "a role without its colour here";
    bool listed[RoleCount] = {};
    // chosen after the system's, as when high contrast is turned off
    ChoosePalette(true);
    EXPECT_TRUE(ChoosePalette(false)) << "turning high contrast off changed no colour";
    for (const OwnColour& row : Today) {
        SCOPED_TRACE(row.name);
        const unsigned index = static_cast<unsigned>(row.role);
        ASSERT_LT(index, RoleCount);
        EXPECT_FALSE(listed[index]) << "listed twice";
        listed[index] = true;
        EXPECT_EQ(Colour(row.role), row.colour);
    }
    EXPECT_FALSE(ChoosePalette(false)) << "the same palette again changed a colour";
}
