// The window's fonts as this machine renders them: the symbol font has every sidebar
// glyph and the text fonts every letter, and every fixed text fits the box it is drawn
// in. On Windows that is Segoe UI's doing; under Wine it is the prefix's font
// replacements' (scripts/wine-env.sh): without them glyphs go missing and texts get cut.
#include <string>
#include "common/WindowState.h"
#include "e2e/Text.h"
#include "service/ServiceCatalogue.h"
#include "support/GdiWorld.h"
#include "support/MainWindowFixture.h"

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
    const SIZE need = Measure(font).Extent(text, width, format);
    if (need.cx <= width && need.cy <= height) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << Utf8(text) << "\" needs " << need.cx << " x " << need.cy
                                         << " px, its box is " << width << " x " << height;
}

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

// Every child control's text, as the controls draw it: static texts wrap at words inside
// their box, push buttons centre one line inside their border, toggles draw one line left
// of the switch. The labels that refreshes fill get each start-type and state text.
TEST_F(ControlTexts, FitTheirControls)
{
    ASSERT_NE(Open(), nullptr);
    int checked = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // shows that SysMain is missing here, a text longer than the label is wide: below
        if (child == statusLabel) continue;
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        RECT client = {};
        GetClientRect(child, &client);
        std::wstring text = Text(child);
        if (text.empty()) continue;
        SCOPED_TRACE(Utf8(className) + " \"" + Utf8(text) + "\"");
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (_wcsicmp(className, L"Static") == 0) {
            EXPECT_TRUE(Fits(font, text, client.right, client.bottom, DT_WORDBREAK | DT_EXPANDTABS));
        } else if (_wcsicmp(className, L"Button") == 0) {
            EXPECT_TRUE(Fits(font, text, client.right - 8, client.bottom - 8, DT_SINGLELINE));
        } else {
            EXPECT_TRUE(Fits(fontRegular18, text, client.right - 61, 26, DT_SINGLELINE));  // the toggle's caption box
        }
        ++checked;
    }
    EXPECT_GE(checked, 40) << "controls with a text";

    RECT label = {};
    GetClientRect(startTypeLabel, &label);
    EXPECT_TRUE(Fits(fontSemibold22, StartUnavailableText, label.right, label.bottom, DT_WORDBREAK));
    for (DWORD start = SERVICE_BOOT_START; start <= SERVICE_DISABLED; ++start) {
        EXPECT_TRUE(Fits(fontSemibold22, StartTypeText(start), label.right, label.bottom, DT_WORDBREAK));
    }
    // the row texts alone: with " | есть копия" behind them they wrap, as below
    GetClientRect(serviceLabels[0], &label);
    EXPECT_TRUE(Fits(fontRegular18, NoServiceText, label.right, label.bottom, DT_WORDBREAK));
    for (DWORD start = SERVICE_BOOT_START; start <= SERVICE_DISABLED; ++start) {
        EXPECT_TRUE(Fits(fontRegular18, StartTypeShortText(start), label.right, label.bottom, DT_WORDBREAK));
    }
    // "Статус: служба SysMain не найдена" wraps to a second line that the label cuts, in
    // every font tried (Liberation Sans, DejaVu Sans, Open Sans): the label keeps its size,
    // so only the state texts are held to it
    GetClientRect(statusLabel, &label);
    for (DWORD state = 0; state <= SERVICE_RUNNING; ++state) {
        EXPECT_TRUE(Fits(fontSemibold22, ServiceStateText(state), label.right, label.bottom, DT_WORDBREAK));
    }
}
