// The window's fonts as this machine renders them: the symbol font has every sidebar
// glyph and the text fonts every letter, every fixed text fits the box it is drawn in,
// and every text the program can put into a label fits that label. On Windows that is
// Segoe UI's doing; under Wine it is the prefix's font replacements' (scripts/wine-env.sh):
// without them glyphs go missing and texts get cut.
#include <algorithm>
#include <string>
#include <vector>
#include "ui/WindowState.h"
#include "draw/Palette.h"
#include "e2e/Text.h"
#include "service/ServiceCatalogue.h"
#include "support/GdiWorld.h"
#include "support/MainWindowFixture.h"
#include "ui/Pages.h"
#include "ui/SystemCards.h"

namespace {

// A memory DC with a font selected; measures as the window's DCs do.
class Measure {
public:
    explicit Measure(HFONT font) : dc(CreateCompatibleDC(nullptr)), previous(SelectObject(dc, font)) {}
    ~Measure()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;

    // the box DrawTextW needs for text with format, at most width wide before it wraps
    SIZE Extent(const std::wstring& text, int width, UINT format) const
    {
        RECT box = {0, 0, width, 0};
        DrawTextW(dc, text.c_str(), -1, &box, format | DT_CALCRECT);
        return {box.right, box.bottom};
    }
    // the characters of text that the selected font itself has no glyph for
    std::wstring Missing(const std::wstring& text) const
    {
        std::wstring indices(text.size(), L'\0');
        GetGlyphIndicesW(dc, text.c_str(), int(text.size()), reinterpret_cast<WORD*>(&indices[0]),
                         GGI_MARK_NONEXISTING_GLYPHS);
        std::wstring missing;
        for (size_t i = 0; i < text.size(); ++i)
            if (WORD(indices[i]) == 0xFFFF) missing += text[i];
        return missing;
    }

private:
    HDC dc;
    HGDIOBJ previous;
};

::testing::AssertionResult Fits(HFONT font, const std::wstring& text, int width, int height, UINT format)
{
    const Measure measure(font);
    const SIZE need = measure.Extent(text, width, format);
    if (need.cx <= width && need.cy <= height) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << Utf8(text) << "\" needs " << need.cx << " x " << need.cy
                                         << " px, its box is " << width << " x " << height << " (on one line it is "
                                         << measure.Extent(text, width, DT_SINGLELINE).cx << " px wide)";
}

// how a static text with style 0 (SS_LEFT) draws its text
constexpr UINT StaticFormat = DT_WORDBREAK | DT_EXPANDTABS;

const wchar_t Russian[] = L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя";

}  // namespace

TEST(Fonts, SymbolFontHasTheSidebarGlyphsAndTextFontsTheLetters)
{
    DrawingResources resources;
    EXPECT_EQ(Utf8(Measure(fontSymbol21).Missing(L"\u2302\u2699\u25C6?")), "") << "21 px bold symbol font";
    const struct {
        const char* name;
        HFONT font;
    } textFonts[] = {{"18 px regular", fontRegular18},
                     {"15 px regular", fontRegular15},
                     {"22 px semibold", fontSemibold22},
                     {"25 px bold", fontBold25}};
    for (const auto& row : textFonts) {
        EXPECT_EQ(Utf8(Measure(row.font).Missing(std::wstring(Russian) + L"\u00B7\u2014«»%:?()/.,")), "")
            << row.name;
    }
}

// Each of the five fonts as the window asks for it, read back from the font itself: a
// semibold created with FW_NORMAL, or a face or size mixed up, fails here even where the
// machine's font substitution would hide it on screen.
TEST(Fonts, HeightWeightAndFaceOfEachFont)
{
    DrawingResources resources;
    const struct {
        const char* name;
        HFONT font;
        LONG height, weight;
        const wchar_t* face;
    } rows[] = {
        {"18 px regular", fontRegular18, -18, FW_NORMAL, L"Segoe UI"},
        {"15 px regular", fontRegular15, -15, FW_NORMAL, L"Segoe UI"},
        {"22 px semibold", fontSemibold22, -22, FW_SEMIBOLD, L"Segoe UI"},
        {"25 px bold", fontBold25, -25, FW_BOLD, L"Segoe UI"},
        {"21 px bold symbol", fontSymbol21, -21, FW_BOLD, L"Segoe UI Symbol"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LOGFONTW asked = {};
        ASSERT_EQ(GetObjectW(row.font, sizeof(asked), &asked), static_cast<int>(sizeof(asked)));
        EXPECT_EQ(asked.lfHeight, row.height);
        EXPECT_EQ(asked.lfWidth, 0);
        EXPECT_EQ(asked.lfWeight, row.weight);
        EXPECT_EQ(Utf8(asked.lfFaceName), Utf8(row.face));
        EXPECT_FALSE(asked.lfItalic || asked.lfUnderline || asked.lfStrikeOut);
        EXPECT_EQ(asked.lfCharSet, DEFAULT_CHARSET);
    }
}

// The texts that the window paints itself, in DrawLabel's boxes (one line, cut at the box).
TEST(Fonts, PaintedTextsFitTheirBoxes)
{
    DrawingResources resources;
    const struct {
        const wchar_t* text;
        int width, height;
        HFONT font;
    } rows[] = {
        {L"Tarvix", 150, 26, fontSemibold22},
        {L"MINI", 120, 24, fontRegular15},
        {L"Главная", 133, 29, fontRegular18},
        {L"Службы", 133, 29, fontRegular18},
        {L"Оптимизация", 133, 29, fontRegular18},
        {L"Справка", 133, 29, fontRegular18},
        {L"Главная", 600, 36, fontBold25},
        {L"Состояние SysMain и управление Windows", 610, 26, fontRegular15},
        // ends before the status dot at x 460
        {L"Статус SysMain:", 195, 32, fontSemibold22},
        {L"Тип запуска", 182, 25, fontRegular15},
        {L"Накопитель", 180, 25, fontRegular15},
        {L"Неизвестен", 178, 30, fontSemibold22},
        {L"RAM использовано", 185, 25, fontRegular15},
        {L"100%", 175, 30, fontSemibold22},
        {L"Нет данных", 175, 30, fontRegular15},
        {L"Управление", 590, 29, fontSemibold22},
        {L"Управление службами Windows", 620, 37, fontBold25},
        {L"Выберите службы для отключения. Режим запуска показан справа.", 620, 24, fontRegular15},
        {L"Оптимизация системы", 620, 37, fontBold25},
        {L"Сведения о накопителе и оперативной памяти", 620, 24, fontRegular15},
        {L"Восстановление", 620, 37, fontBold25},
        {L"Возврат сохранённых параметров", 620, 24, fontRegular15},
        {L"GDI+ недоступен. Проверьте установку Windows.", 650, 50, fontRegular18},
    };
    for (const auto& row : rows) EXPECT_TRUE(Fits(row.font, row.text, row.width, row.height, 0));
}

class ControlTexts : public MainWindowTest {};

// The fixed texts of the child controls as created, as the controls draw them: static
// texts wrap at words inside their box, push buttons centre one line inside their border,
// toggles draw one line left of the switch.
TEST_F(ControlTexts, FitTheirControls)
{
    ASSERT_NE(Open(), nullptr);
    int checked = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        RECT client = {};
        GetClientRect(child, &client);
        std::wstring text = Text(child);
        if (text.empty()) continue;
        SCOPED_TRACE(Utf8(className) + " \"" + Utf8(text) + "\"");
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (_wcsicmp(className, L"Static") == 0) {
            EXPECT_TRUE(Fits(font, text, client.right, client.bottom, StaticFormat));
        } else if (_wcsicmp(className, L"Button") == 0) {
            EXPECT_TRUE(Fits(font, text, client.right - 8, client.bottom - 8, DT_SINGLELINE));
        } else {
            EXPECT_TRUE(Fits(fontRegular18, text, client.right - 61, 26, DT_SINGLELINE));  // the toggle's caption box
        }
        ++checked;
    }
    EXPECT_GE(checked, 40) << "controls with a text";
}

namespace {

// the memory figures RefreshMemoryText reads: total in MiB, nothing available
ULONGLONG fakeTotalMiB = 0;
BOOL WINAPI FakeMemoryStatus(LPMEMORYSTATUSEX status)
{
    status->ullTotalPhys = fakeTotalMiB << 20;
    status->ullAvailPhys = 0;
    status->dwMemoryLoad = 100;
    return TRUE;
}

// the Optimization page's memory text as the program composes it for these figures
std::wstring MemoryText(ULONGLONG totalMiB)
{
    fakeTotalMiB = totalMiB;
    osApi.GlobalMemoryStatusEx = FakeMemoryStatus;
    LiveMemoryFlag = 1;
    RefreshMemoryText();
    return Text(MemoryLabel);
}

const wchar_t* const Checking = L"Проверка...";
const wchar_t* const CopySuffix = L" | есть копия";

void AddOnce(std::vector<std::wstring>& texts, const std::wstring& text)
{
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(text);
}

// the texts that text(value) gives for every value from first to last
template <typename Value>
std::vector<std::wstring> TextsOf(std::vector<std::wstring> texts, const wchar_t* (*text)(Value), Value first,
                                  Value last)
{
    for (Value value = first; value <= last; ++value) AddOnce(texts, text(value));
    return texts;
}

// a Services row: each start type's short text or "Нет службы", with and without the
// note that a saved copy exists
std::vector<std::wstring> RowTexts()
{
    const std::vector<std::wstring> bases =
        TextsOf<DWORD>({NoServiceText}, StartTypeShortText, SERVICE_BOOT_START, SERVICE_DISABLED + 1);
    std::vector<std::wstring> texts = {Checking};
    for (const std::wstring& base : bases) {
        texts.push_back(base);
        texts.push_back(base + CopySuffix);
    }
    return texts;
}

struct LabelTexts {
    std::string name;
    HWND label;
    HFONT font;
    std::vector<std::wstring> texts;
};

}  // namespace

// Every text that the program can put into each label that refreshes fill, measured in
// the label's own box and font as the static control draws it (wrapped at words).
TEST_F(ControlTexts, EveryTextALabelCanHoldFitsIt)
{
    ASSERT_NE(Open(), nullptr);
    std::vector<LabelTexts> labels = {
        {"status",
         statusLabel,
         fontSemibold22,
         TextsOf<DWORD>({Checking, L"Статус: служба SysMain не найдена"}, ServiceStateText, 0, SERVICE_RUNNING + 1)},
        {"start type",
         startTypeLabel,
         fontSemibold22,
         TextsOf<DWORD>({Checking, StartUnavailableText}, StartTypeText, SERVICE_BOOT_START, SERVICE_DISABLED + 1)},
        {"saved setting",
         savedSettingLabel,
         fontRegular18,
         {L"Резервная настройка: проверка...", L"Сохранённая настройка: отсутствует",
          L"Сохранённая настройка: вручную", L"Сохранённая настройка: автоматически",
          L"Сохранённая настройка: другой тип"}},
        {"disk",
         DiskLabel,
         fontRegular18,
         {L"Тип диска: проверка...", L"Тип диска: не определён", L"Диск Windows: неизвестен",
          L"Системный диск: HDD (по драйверу)", L"Системный диск: SSD (по драйверу)"}},
        {"memory",
         MemoryLabel,
         fontRegular18,
         // 1 TiB, and the most the figures can show (32 bits of MiB)
         {L"RAM: проверка...", L"RAM: нажмите «Диагностика»", MemoryText(1ull << 20), MemoryText(0xFFFFFFFFull)}},
    };
    EXPECT_EQ(labels.back().texts[3], L"RAM занято: 4294967295 / 4294967295 MB");
    for (int row = 0; row < ServiceCount; ++row)
        labels.push_back({"row " + Utf8(ServiceCatalogue[row].label), serviceLabels[row], fontRegular18, RowTexts()});

    for (const LabelTexts& label : labels) {
        SCOPED_TRACE(label.name);
        ASSERT_NE(label.label, nullptr);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label.label, WM_GETFONT, 0, 0)), label.font) << "its font";
        RECT box = {};
        GetClientRect(label.label, &box);
        for (const std::wstring& text : label.texts)
            EXPECT_TRUE(Fits(label.font, text, box.right, box.bottom, StaticFormat));
    }
}

namespace {

// What the window paints under and beside the controls (ui/Paint.cpp), as left, top,
// right, bottom; cards with their corner radius.
struct Painted {
    const char* name;
    RECT box;
    int radius;
};

const Painted PageCard = {"page card", {237, 100, 877, 595}, 12};
const Painted PageCardBand = {"page card band", {237, 100, 877, 108}, 4};
const Painted HomeCards[] = {
    {"status card", {239, 102, 874, 249}, 12},  {"start-type card", {240, 266, 442, 348}, 12},
    {"drive card", {451, 266, 652, 348}, 12},   {"memory card", {661, 266, 874, 348}, 12},
    {"control card", {239, 366, 874, 523}, 12}, {"backup and actions card", {239, 536, 874, 656}, 12},
};
// the texts and the status dot painted on the Home cards
const Painted HomeMarks[] = {
    {"caption \"Статус SysMain:\"", {256, 154, 451, 186}, 0},
    {"status dot", {460, 164, 474, 178}, 7},
    {"caption \"Тип запуска\"", {254, 278, 436, 303}, 0},
    {"caption \"Накопитель\"", {464, 278, 644, 303}, 0},
    {"drive value", {464, 308, 642, 338}, 0},
    {"caption \"RAM использовано\"", {674, 278, 859, 303}, 0},
    {"memory load", {674, 308, 849, 338}, 0},
    {"caption \"Управление\"", {256, 374, 846, 403}, 0},
};

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// the point lies on or inside the card's outline, rounded corners included
bool InsideShape(double x, double y, const Painted& card)
{
    const RECT& r = card.box;
    if (x < r.left || x > r.right || y < r.top || y > r.bottom) return false;
    const double cx = x < r.left + card.radius ? r.left + card.radius : x > r.right - card.radius ? r.right - card.radius : x;
    const double cy = y < r.top + card.radius ? r.top + card.radius : y > r.bottom - card.radius ? r.bottom - card.radius : y;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= double(card.radius) * card.radius;
}

// box and card are convex: the box is inside when its corners are
bool InsideShape(const RECT& box, const Painted& card)
{
    return InsideShape(box.left, box.top, card) && InsideShape(box.right, box.top, card) &&
           InsideShape(box.left, box.bottom, card) && InsideShape(box.right, box.bottom, card);
}

std::string Describe(const RECT& box)
{
    return std::to_string(box.left) + ", " + std::to_string(box.top) + " to " + std::to_string(box.right) + ", " +
           std::to_string(box.bottom);
}

}  // namespace

// Each control of a page lies inside one of the page's cards and overlaps neither another
// control of the page nor what the window paints on the cards.
TEST_F(ControlTexts, ControlsLieInsideTheirCardsAndOverlapNothing)
{
    ASSERT_NE(Open(), nullptr);
    for (unsigned page = 0; page < PageCount; ++page) {
        std::vector<Painted> cards, marks;
        if (page == PageHome) {
            cards.assign(std::begin(HomeCards), std::end(HomeCards));
            marks.assign(std::begin(HomeMarks), std::end(HomeMarks));
        } else {
            cards = {PageCard};
            marks = {PageCardBand};
        }
        const PageControlList& list = PageControls[page];
        std::vector<RECT> boxes;
        for (int i = 0; i < list.count; ++i) {
            RECT box = {};
            GetWindowRect(list.windows[i], &box);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
            boxes.push_back(box);
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            SCOPED_TRACE("page " + std::to_string(page) + ", control " + std::to_string(i) + " \"" +
                         Utf8(Text(list.windows[i])) + "\" at " + Describe(boxes[i]));
            bool inCard = false;
            for (const Painted& card : cards) inCard = inCard || InsideShape(boxes[i], card);
            EXPECT_TRUE(inCard) << "lies outside every card";
            for (const Painted& mark : marks) EXPECT_FALSE(Overlap(boxes[i], mark.box)) << "covers the " << mark.name;
            for (size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(Overlap(boxes[i], boxes[j]))
                    << "overlaps control " << j << " \"" << Utf8(Text(list.windows[j])) << "\" at " << Describe(boxes[j]);
        }
    }
}

