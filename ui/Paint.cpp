#include "ui/Paint.h"
#include "common/AppendBounded.h"
#include "common/StartupMarks.h"
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "draw/Primitives.h"
#include "ui/HomeStatus.h"
#include "ui/MainAccessible.h"
#include "ui/Sidebar.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

// a row's badge, and its glyph centred on it, below the row's top; its label right of it
constexpr int BadgeLeft = 26;
constexpr int BadgeInset = 7;
constexpr int BadgeSize = 30;
constexpr int RowLabelLeft = 72;
constexpr int RowLabelInset = 13;

struct BoltPoint {
    float x, y;
};

const BoltPoint LogoBoltPoints[6] = {
    {36.4f, 22.0f}, {25.7f, 36.1f}, {32.8f, 36.1f}, {29.6f, 49.2f}, {43.5f, 32.3f}, {35.4f, 32.3f},
};

struct RoundedShape {
    float x, y, width, height, radius;
    Role fill;
    bool card = false;  // edged with the card outline where the palette has one
};

const RoundedShape LogoShapes[] = {
    {14, 16, 40, 40, 11, Role::LogoTile},
    {19, 20, 30, 32, 7, Role::LogoMark},
};

const RoundedShape PageCardShapes[] = {
    {237, 100, 640, 495, 12, Role::Card, true},
    {237, 100, 640, 8, 4, Role::CardBand},  // top band
};

// the status card, the status label's own background
constexpr RoundedShape StatusCardShape = {239, 102, 635, 147, 12, Role::StatusCard, true};

const RoundedShape HomeCardShapes[] = {
    StatusCardShape,
    {240, 266, 202, 82, 12, Role::Card, true},   // start type
    {451, 266, 201, 82, 12, Role::Card, true},   // drive
    {661, 266, 213, 82, 12, Role::Card, true},   // memory
    {239, 366, 635, 157, 12, Role::Card, true},  // control
    {239, 536, 635, 120, 12, Role::Card, true},  // backup and actions
};

struct Label {
    const wchar_t* text;
    int x, y, width, height;
    HFONT* font;  // created with the window, so named by the variable that holds it
    Role colour;
};

const Label LogoLabels[] = {
    {L"Tarvix", 64, 17, 150, 26, &fontSemibold22, Role::LogoWord},
    {L"MINI", 64, 46, 120, 24, &fontRegular15, Role::LogoSubword},
};
constexpr int LogoLabelCount = static_cast<int>(sizeof(LogoLabels) / sizeof(LogoLabels[0]));
// the two lines heard as one name
constexpr const wchar_t* LogoName = L"Tarvix MINI";

// what a Home page text shows: its own text, or a value read at each paint
enum class HomeValue { None, Drive, MemoryLoad };

struct HomeLabel {
    Label label;
    HomeValue value;
};

// the memory load's value on its card, read at each paint
constexpr Label MemoryLoadLabel = {nullptr, 674, 308, 175, 30, nullptr, Role::ValueText};  // font by MemoryLoadText

const HomeLabel HomeLabels[] = {
    {{L"Главная", 239, 18, 600, 36, &fontBold25, Role::TitleText}, HomeValue::None},
    {{L"Состояние SysMain и управление Windows", 239, 59, 610, 26, &fontRegular15, Role::SubtitleText},
     HomeValue::None},
    {{L"Статус SysMain:", 256, 154, 195, 32, &fontSemibold22, Role::SectionCaption}, HomeValue::None},
    {{L"Тип запуска", 254, 278, 182, 25, &fontRegular15, Role::CardCaption}, HomeValue::None},
    {{L"Накопитель", 464, 278, 180, 25, &fontRegular15, Role::CardCaption}, HomeValue::None},
    {{nullptr, 464, 308, 178, 30, &fontSemibold22, Role::ValueText}, HomeValue::Drive},
    {{L"RAM использовано", 674, 278, 185, 25, &fontRegular15, Role::CardCaption}, HomeValue::None},
    {MemoryLoadLabel, HomeValue::MemoryLoad},
    {{L"Управление", 256, 374, 590, 29, &fontSemibold22, Role::SectionCaption}, HomeValue::None},
};

struct PageHeader {
    const wchar_t* title;
    const wchar_t* subtitle;
};

// pages 1 to 4; the Home page has its own header in HomeLabels
const PageHeader PageHeaders[PageCount] = {
    {L"", L""},
    {L"Управление службами Windows", L"Выберите службы для отключения. Режим запуска показан справа."},
    {L"Оптимизация системы", L"Сведения о накопителе и оперативной памяти"},
    {L"Восстановление", L"Возврат сохранённых параметров"},
    {L"Справка", L"О программе"},
};

// the header of pages 1 to 4, and the notice drawn alone when GDI+ cannot be used
const Label PageTitle = {nullptr, 241, 24, 620, 37, &fontBold25, Role::TitleText};
const Label PageSubtitle = {nullptr, 241, 63, 620, 24, &fontRegular15, Role::SubtitleText};
const Label GdiPlusNotice = {L"GDI+ недоступен. Проверьте установку Windows.", 25, 25, 650, 50, &fontRegular18,
                             Role::NoticeText};

constexpr int MemoryTextCapacity = 32;

constexpr int HomeLabelCount = static_cast<int>(sizeof(HomeLabels) / sizeof(HomeLabels[0]));

// What the last paint drew itself, as a screen reader is to hear it: the logo, then the
// page's texts.
constexpr int RecordCapacity = 1 + HomeLabelCount;

struct PaintRecord {
    unsigned page = PageCount;  // none yet
    bool shapes = false;        // the cards were painted too (GDI+ was usable)
    int count = 0;
    PaintedText texts[RecordCapacity];
};

PaintRecord lastPaint;
// while a paint runs: the record's entries are the same texts as the paint before drew
// (same page, same way of painting), so an entry outside the region being painted stays
bool keepUnpainted = false;

// The box that text's ink takes, laid out as DrawLabel lays it out: from the box's top
// left, lines broken only at line feeds, and cut by the box.
RECT InkOf(HDC hdc, const wchar_t* text, const RECT& box, HFONT font)
{
    RECT ink = box;
    const HGDIOBJ previousFont = SelectObject(hdc, font);
    DrawTextW(hdc, text, -1, &ink, DT_CALCRECT);
    SelectObject(hdc, previousFont);
    IntersectRect(&ink, &ink, &box);
    return ink;
}

constexpr RECT BoxOf(const Label& l)
{
    return {l.x, l.y, l.x + l.width, l.y + l.height};
}

// True when the next entry is to be drawn and recorded afresh: its box meets the region
// being painted, or there is no earlier entry to keep. Otherwise the entry is kept as the
// paint before left it, and nothing of it is read or drawn.
bool Repainted(HDC hdc, const RECT& box)
{
    if (!keepUnpainted || RectVisible(hdc, &box)) return true;
    if (lastPaint.count < RecordCapacity) ++lastPaint.count;
    return false;
}

void Record(const wchar_t* text, const RECT& box, const RECT& ink)
{
    if (lastPaint.count >= RecordCapacity) return;
    PaintedText& painted = lastPaint.texts[lastPaint.count++];
    painted.text[0] = L'\0';
    AppendBounded(painted.text, PaintedTextCapacity, text);
    painted.box = box;
    painted.ink = ink;
}

// a page's text: drawn, and recorded for screen readers; call where Repainted said so
void DrawPageLabel(HDC hdc, const Label& l, const wchar_t* text, HFONT font)
{
    DrawLabel(hdc, text, l.x, l.y, l.width, l.height, font, Colour(l.colour));
    const RECT box = BoxOf(l);
    Record(text, box, InkOf(hdc, text, box, font));
}

bool SameText(const PaintedText& a, const PaintedText& b)
{
    return lstrcmpW(a.text, b.text) == 0;
}

// Screen readers hear of what the paint changed: a new set of texts, or a new value
// where one was.
void AnnounceChanges(const PaintRecord& before)
{
    if (before.page == PageCount) return;  // the first paint: nothing was read before it
    if (before.page != lastPaint.page || before.shapes != lastPaint.shapes || before.count != lastPaint.count) {
        NotifyPaintedTextsReplaced();
        return;
    }
    for (int i = 0; i < lastPaint.count; ++i)
        if (!SameText(before.texts[i], lastPaint.texts[i])) NotifyPaintedTextChanged(i);
}

bool RowSelected(int row)
{
    return SidebarRows[row].page == currentPage;
}

void FillRectangle(GpGraphics* graphics, float x, float y, float width, float height, Role fill)
{
    if (Colour(fill) == NoColour) return;
    const ScopedGdipBrush brush(OpaqueArgb(Colour(fill)));
    if (brush) GdiPlusApi.GdipFillRectangle(graphics, brush.Get(), x, y, width, height);
}

void FillShapes(GpGraphics* graphics, const RoundedShape* shapes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const RoundedShape& s = shapes[i];
        FillEdgedRoundRect(graphics, s.x, s.y, s.width, s.height, s.radius, Colour(s.fill),
                           s.card ? Colour(Role::CardOutline) : NoColour);
    }
}

void FillLogoBolt(GpGraphics* graphics)
{
    const ScopedGdipBrush brush(OpaqueArgb(Colour(Role::LogoBolt)));
    if (!brush) return;
    const ScopedGdipPath path;
    if (!path) return;
    for (int i = 0; i < 6; ++i) {
        const BoltPoint& from = LogoBoltPoints[i];
        const BoltPoint& to = LogoBoltPoints[(i + 1) % 6];
        GdiPlusApi.GdipAddPathLine(path.Get(), from.x, from.y, to.x, to.y);
    }
    GdiPlusApi.GdipClosePathFigure(path.Get());
    GdiPlusApi.GdipFillPath(graphics, brush.Get(), path.Get());
}

void FillSidebarRows(GpGraphics* graphics)
{
    constexpr float Left = SidebarRowLeft;
    for (int row = 0; row < SidebarRowCount; ++row) {
        const float y = static_cast<float>(SidebarRowTop(row));
        const bool selected = RowSelected(row);
        // a selected row keeps its own highlight while hovered
        if (selected)
            FillEdgedRoundRect(graphics, Left, y, SidebarRowWidth, SidebarRowHeight, 10, Colour(Role::SelectedRow),
                               NoColour);
        else if (row == hoveredRow)
            FillEdgedRoundRect(graphics, Left, y, SidebarRowWidth, SidebarRowHeight, 10, Colour(Role::HoveredRow),
                               Colour(Role::HoveredRowOutline));
        if (selected)
            FillEdgedRoundRect(graphics, Left, y + BadgeInset, 4, BadgeSize, 2, Colour(Role::SelectedRowAccent),
                               NoColour);
        FillEdgedRoundRect(graphics, BadgeLeft, y + BadgeInset, BadgeSize, BadgeSize, 8,
                           Colour(SidebarRows[row].badge), NoColour);
    }
}

Role StatusDotColour()
{
    if (SysMainStatus.state == SERVICE_RUNNING) return Role::StatusDotRunning;
    if (SysMainStatus.state == SERVICE_STOPPED) return Role::StatusDotStopped;
    return Role::StatusDotOther;  // pending, or unknown
}

void FillStatusDot(GpGraphics* graphics)
{
    const ScopedGdipBrush brush(OpaqueArgb(Colour(StatusDotColour())));
    if (brush) GdiPlusApi.GdipFillEllipse(graphics, brush.Get(), 460, 164, 14, 14);
}

void DrawShapes(GpGraphics* graphics, float width, float height)
{
    FillRectangle(graphics, 0, 0, width, height, Role::PageBackground);
    FillRectangle(graphics, 0, 0, 220, height, Role::Sidebar);
    FillRectangle(graphics, 219, 0, 1, height, Role::SidebarBorder);
    FillShapes(graphics, LogoShapes, sizeof(LogoShapes) / sizeof(LogoShapes[0]));
    FillLogoBolt(graphics);
    FillSidebarRows(graphics);
    if (currentPage != PageHome) {
        FillShapes(graphics, PageCardShapes, sizeof(PageCardShapes) / sizeof(PageCardShapes[0]));
        return;
    }
    FillShapes(graphics, HomeCardShapes, sizeof(HomeCardShapes) / sizeof(HomeCardShapes[0]));
    FillStatusDot(graphics);
}

void DrawLabels(HDC hdc, const Label* labels, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const Label& l = labels[i];
        DrawLabel(hdc, l.text, l.x, l.y, l.width, l.height, *l.font, Colour(l.colour));
    }
}

void DrawGlyph(HDC hdc, const wchar_t* glyph, int top, Role colour)
{
    RECT box = {BadgeLeft, top, BadgeLeft + BadgeSize, top + BadgeSize};
    const HGDIOBJ previousFont = SelectObject(hdc, fontSymbol21);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, Colour(colour));
    DrawTextW(hdc, glyph, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SelectObject(hdc, previousFont);
}

// the logo's lines, drawn, and recorded as one text, where the region being painted
// meets them
void DrawLogo(HDC hdc)
{
    RECT box = {}, ink = {};
    for (const Label& l : LogoLabels) {
        const RECT line = BoxOf(l);
        UnionRect(&box, &box, &line);
    }
    if (!Repainted(hdc, box)) return;
    DrawLabels(hdc, LogoLabels, LogoLabelCount);
    for (const Label& l : LogoLabels) {
        const RECT line = InkOf(hdc, l.text, BoxOf(l), *l.font);
        UnionRect(&ink, &ink, &line);
    }
    Record(LogoName, box, ink);
}

void DrawSidebarTexts(HDC hdc)
{
    DrawLogo(hdc);
    for (int row = 0; row < SidebarRowCount; ++row) {
        const int top = SidebarRowTop(row);
        const bool selected = RowSelected(row);
        DrawGlyph(hdc, SidebarRows[row].glyph, top + BadgeInset, selected ? Role::SelectedRowGlyph : Role::RowGlyph);
        DrawLabel(hdc, SidebarRows[row].label, RowLabelLeft, top + RowLabelInset, 133, 29, fontRegular18,
                  Colour(selected ? Role::SelectedRowText : Role::RowText));
    }
}

const wchar_t* DriveText()
{
    if (DiskKind == DiskSsd) return L"SSD";
    if (DiskKind == DiskHdd) return L"HDD";
    return L"Неизвестен";
}

void DrawHomeTexts(HDC hdc)
{
    for (const HomeLabel& home : HomeLabels) {
        const Label& l = home.label;
        // a value outside the region being painted is not read: what is heard stays as shown
        if (!Repainted(hdc, BoxOf(l))) continue;
        switch (home.value) {
        case HomeValue::None: DrawPageLabel(hdc, l, l.text, *l.font); break;
        case HomeValue::Drive: DrawPageLabel(hdc, l, DriveText(), *l.font); break;
        case HomeValue::MemoryLoad: {
            wchar_t memory[MemoryTextCapacity];
            const HFONT font = MemoryLoadText(memory, MemoryTextCapacity);
            DrawPageLabel(hdc, l, memory, font);
            break;
        }
        }
    }
}

void DrawPageTexts(HDC hdc)
{
    if (currentPage == PageHome) {
        DrawHomeTexts(hdc);
        return;
    }
    const PageHeader& header = PageHeaders[currentPage];
    if (Repainted(hdc, BoxOf(PageTitle))) DrawPageLabel(hdc, PageTitle, header.title, *PageTitle.font);
    if (header.subtitle[0] && Repainted(hdc, BoxOf(PageSubtitle)))
        DrawPageLabel(hdc, PageSubtitle, header.subtitle, *PageSubtitle.font);
}

void PaintFallback(HDC hdc, const RECT& client)
{
    FillRect(hdc, &client, fallbackBrush);
    if (Repainted(hdc, BoxOf(GdiPlusNotice)))
        DrawPageLabel(hdc, GdiPlusNotice, GdiPlusNotice.text, *GdiPlusNotice.font);
}

// The pixels a shape's smoothed edge may touch: its bounds, widened to whole pixels and by
// one more on each side.
constexpr RECT ShapeBounds(const RoundedShape& s)
{
    return {static_cast<LONG>(s.x) - 1, static_cast<LONG>(s.y) - 1, static_cast<LONG>(s.x + s.width + 0.999f) + 1,
            static_cast<LONG>(s.y + s.height + 0.999f) + 1};
}

}  // namespace

const RECT StatusCardRect = ShapeBounds(StatusCardShape);
// DrawText keeps a label's text inside its box
const RECT MemoryLoadRect = BoxOf(MemoryLoadLabel);

void PaintMainWindow(HWND window)
{
    StartupMark("paint");
    const PaintRecord before = lastPaint;
    lastPaint.page = currentPage;
    lastPaint.count = 0;
    {
        const PaintScope paint(window);
        RECT client;
        GetClientRect(window, &client);
        DrawingPass pass(paint.Dc());
        lastPaint.shapes = static_cast<bool>(pass);
        keepUnpainted = before.page == lastPaint.page && before.shapes == lastPaint.shapes;
        if (!pass) {
            PaintFallback(paint.Dc(), client);
        } else {
            DrawShapes(pass.Graphics(), static_cast<float>(client.right), static_cast<float>(client.bottom));
            pass.End();
            StartupMark("shapes");
            DrawSidebarTexts(paint.Dc());
            DrawPageTexts(paint.Dc());
            StartupMark("painted");
        }
    }
    AnnounceChanges(before);
}

bool GetPaintedText(int index, PaintedText& text)
{
    if (index < 0 || index >= lastPaint.count) return false;
    text = lastPaint.texts[index];
    return true;
}

unsigned PaintedPage()
{
    return lastPaint.page;
}

int PaintedCards(RECT* boxes, int capacity)
{
    if (!lastPaint.shapes) return 0;
    const RoundedShape* shapes = PageCardShapes;  // the card; its top band lies on it
    int count = 1;
    if (lastPaint.page == PageHome) {
        shapes = HomeCardShapes;
        count = static_cast<int>(sizeof(HomeCardShapes) / sizeof(HomeCardShapes[0]));
    }
    if (count > capacity) count = capacity;
    for (int i = 0; i < count; ++i) {
        const RoundedShape& c = shapes[i];
        boxes[i] = {static_cast<LONG>(c.x), static_cast<LONG>(c.y), static_cast<LONG>(c.x + c.width),
                    static_cast<LONG>(c.y + c.height)};
    }
    return count;
}
