#include "support/MainWindowFixture.h"
#include <vector>
#include "ui/WindowState.h"
#include "ui/Pages.h"

namespace {

struct Layout {
    int page;
    const wchar_t* className;
    const wchar_t* text;  // as created; labels that refreshes fill are not compared
    int x, y, width, height;
    int id;
};

// Every child control of the window as a user sees it placed, by page.
const Layout Expected[] = {
    {0, L"Static", nullptr, 486, 155, 345, 64, 0},
    {0, L"Static", nullptr, 255, 311, 182, 29, 0},
    {0, L"Static", nullptr, 255, 555, 575, 26, 0},
    {0, L"TXToggle", L"Отключить автозапуск SysMain", 258, 408, 575, 30, 101},
    {0, L"TXToggle", L"При отключении остановить работающую службу", 258, 440, 575, 30, 102},
    {0, L"TXToggle", L"Автоматически обновлять статус каждые 3 секунды", 258, 473, 575, 30, 108},
    {0, L"Button", L"Применить", 255, 604, 144, 42, 103},
    {0, L"Button", L"Запустить", 408, 604, 130, 42, 106},
    {0, L"Button", L"Остановить", 548, 604, 130, 42, 107},
    {0, L"Button", L"Обновить", 688, 604, 145, 42, 104},
    {1, L"Static", L"Служба", 330, 111, 180, 26, 0},
    {1, L"Static", L"Режим запуска", 575, 111, 180, 26, 0},
    {1, L"TXToggle", L"SysMain / Tarvix", 315, 145, 280, 32, 401},
    {1, L"Static", nullptr, 610, 145, 255, 31, 0},
    {1, L"TXToggle", L"Windows Search (поиск)", 315, 190, 280, 32, 402},
    {1, L"Static", nullptr, 610, 190, 255, 31, 0},
    {1, L"TXToggle", L"Print Spooler (печать)", 315, 235, 280, 32, 403},
    {1, L"Static", nullptr, 610, 235, 255, 31, 0},
    {1, L"TXToggle", L"Fax", 315, 280, 280, 32, 404},
    {1, L"Static", nullptr, 610, 280, 255, 31, 0},
    {1, L"TXToggle", L"Xbox Live Auth", 315, 325, 280, 32, 405},
    {1, L"Static", nullptr, 610, 325, 255, 31, 0},
    {1, L"TXToggle", L"Offline Maps", 315, 370, 280, 32, 406},
    {1, L"Static", nullptr, 610, 370, 255, 31, 0},
    {1, L"TXToggle", L"Remote Registry", 315, 415, 280, 32, 407},
    {1, L"Static", nullptr, 610, 415, 255, 31, 0},
    {1, L"Button", L"Предпросмотр и отключение", 275, 484, 280, 42, 301},
    {1, L"Button", L"Вернуть прежние настройки", 567, 484, 280, 42, 302},
    {1, L"Static", L"Изменения служб применяются только после подтверждения.", 290, 538, 540, 36, 0},
    {2, L"Static", nullptr, 330, 160, 450, 30, 0},
    {2, L"Static", nullptr, 330, 215, 450, 35, 0},
    {2, L"Static", L"Системные настройки", 420, 344, 270, 30, 0},
    {2, L"Button", L"Автозагрузка Windows", 292, 389, 240, 41, 303},
    {2, L"Button", L"Параметры индексации", 565, 389, 240, 41, 304},
    {4, L"Static", L"Tarvix Mini 4.4.1  \u00B7  Windows 10 / 11 x64", 260, 122, 580, 32, 0},
    {4, L"Static", L"Что такое SysMain (Tarvix)?", 260, 166, 580, 28, 0},
    {4, L"Static", L"Служба предварительно загружает данные часто используемых программ, чтобы ускорять их запуск.",
     260, 201, 570, 65, 0},
    {4, L"Static", L"Почему иногда её отключают?", 260, 287, 580, 28, 0},
    {4, L"Static",
     L"На отдельных компьютерах SysMain может сопровождаться высокой фоновой активностью диска. Отключение стоит "
     L"проверять лишь при подтверждённой проблеме.",
     260, 321, 570, 85, 0},
    {4, L"Static",
     L"Отключение не гарантирует ускорения и иногда замедляет запуск приложений. Настройки можно вернуть: SysMain — "
     L"на Главной, остальные — в Службах.",
     260, 420, 570, 78, 0},
    {4, L"Button", L"Подробнее о Tarvix", 405, 516, 280, 42, 105},
};
constexpr size_t ControlCount = sizeof(Expected) / sizeof(Expected[0]);

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    return children;
}

RECT ClientBox(HWND control)
{
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// the expected row of a control, found by its place
const Layout* Find(HWND control)
{
    RECT r = ClientBox(control);
    for (const Layout& l : Expected)
        if (l.x == r.left && l.y == r.top) return &l;
    return nullptr;
}

class Pages : public MainWindowTest {};

}  // namespace

TEST_F(Pages, EveryControlInItsPlace)
{
    Open();
    std::vector<HWND> children = Children(window);
    ASSERT_EQ(children.size(), ControlCount);
    std::vector<bool> seen(ControlCount, false);
    for (HWND c : children) {
        const Layout* l = Find(c);
        ASSERT_NE(l, nullptr) << "a control at an unexpected place";
        SCOPED_TRACE(testing::Message() << "control at " << l->x << "," << l->y);
        seen[l - Expected] = true;
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        EXPECT_EQ(_wcsicmp(cls, l->className), 0) << "class";
        RECT r = ClientBox(c);
        EXPECT_EQ(r.right - r.left, l->width);
        EXPECT_EQ(r.bottom - r.top, l->height);
        EXPECT_EQ(GetDlgCtrlID(c), l->id);
        if (l->text) {
            EXPECT_EQ(Text(c), l->text);
        }
        LONG style = GetWindowLongW(c, GWL_STYLE);
        EXPECT_EQ((style & WS_TABSTOP) != 0, l->id != 0) << "buttons and toggles take the tab stop";
    }
    for (size_t i = 0; i < ControlCount; ++i) EXPECT_TRUE(seen[i]) << "missing control " << i;
    EXPECT_TRUE(Checked(Control(102)));
    EXPECT_TRUE(Checked(Control(108)));
}

TEST_F(Pages, EachPageShowsOnlyItsOwnControls)
{
    Open();
    const unsigned sequence[] = {1, 2, 4, 3, 0, 4, 1, 1, 0};
    for (unsigned page : sequence) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        ShowPage(page);
        EXPECT_EQ(currentPage, page);
        for (HWND c : Children(window)) {
            const Layout* l = Find(c);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(Visible(c), l->page == int(page)) << "control at " << l->x << "," << l->y;
        }
    }
}

TEST_F(Pages, ShowPageBeyondHelpChangesNothing)
{
    Open();
    ShowPage(PageServices);
    Pump();
    ValidateRect(window, nullptr);
    ShowPage(5);
    EXPECT_EQ(currentPage, unsigned(PageServices));
    RECT r = {};
    EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));
    EXPECT_TRUE(Visible(Control(301)));
}

TEST_F(Pages, PageSwitchRepaintsTheWholeWindow)
{
    Open();
    Pump();
    ValidateRect(window, nullptr);
    SendMessageW(window, WM_COMMAND, 902, 0);
    RECT r = {};
    ASSERT_TRUE(GetUpdateRect(window, &r, FALSE));
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&r, &client));
}

TEST_F(Pages, SidebarBounds)
{
    Open();
    struct Row {
        const char* name;
        int x, y;
        int hover;     // hoveredRow after a move there
        int clickPage; // page after a click there, -1: no change
    } rows[] = {
        {"above the rows", 100, 104, -1, -1},
        {"top of row 0", 100, 105, 0, 0},
        {"bottom strip of row 0", 100, 156, 0, 0},
        {"top of row 1", 100, 157, 1, 1},
        {"row 2", 100, 220, 2, 2},
        {"last line of row 3", 100, 312, 3, 4},
        {"below the rows", 100, 313, -1, -1},
        {"left edge", 10, 120, 0, 0},
        {"left of the rows", 9, 170, -1, -1},
        {"x 210", 210, 170, 1, 1},
        {"x 211 clicks but does not hover", 211, 220, -1, 2},
        {"x 212", 212, 220, -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShowPage(PageRestore);  // no row selects it
        hoveredRow = -1;
        LPARAM at = MAKELPARAM(row.x, row.y);
        EXPECT_EQ(SendMessageW(window, WM_MOUSEMOVE, 0, at), 0);
        EXPECT_EQ(hoveredRow, row.hover);
        SendMessageW(window, WM_LBUTTONUP, 0, at);
        EXPECT_EQ(int(currentPage), row.clickPage < 0 ? 3 : row.clickPage);
    }
}

TEST_F(Pages, HoverInvalidatesOnlyTheOldAndNewRows)
{
    Open();
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 120));  // row 0
    Pump();
    ValidateRect(window, nullptr);

    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(150, 130));  // same row
    RECT r = {};
    EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));

    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 230));  // row 2
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, update, FALSE);
    HRGN expected = CreateRectRgn(10, 105, 211, 149);
    HRGN row2 = CreateRectRgn(10, 209, 211, 253);
    CombineRgn(expected, expected, row2, RGN_OR);
    EXPECT_TRUE(EqualRgn(update, expected));
    DeleteObject(update);
    DeleteObject(expected);
    DeleteObject(row2);
}

TEST_F(Pages, DigitKeysOnlyOnTheMainWindow)
{
    Open();
    struct Row {
        WPARAM key;
        unsigned page;
    } rows[] = {{'2', 1}, {'3', 2}, {'4', 4}, {'1', 0}, {'5', 0}, {VK_NUMPAD2, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "key " << row.key);
        SendMessageW(window, WM_KEYDOWN, row.key, 0);
        EXPECT_EQ(currentPage, row.page);
    }
    // while a toggle holds the focus the digits go to it: it neither flips on them nor hands
    // them on to the main window, while Space, the key it does take, still flips it
    HWND toggle = Control(108);
    ASSERT_TRUE(Checked(toggle));
    for (WPARAM digit : {'2', '3', '4'}) {
        SCOPED_TRACE(testing::Message() << "key " << digit << " on toggle 108");
        SendMessageW(toggle, WM_KEYDOWN, digit, 0);
        EXPECT_EQ(currentPage, 0u);
        EXPECT_TRUE(Checked(toggle));
    }
    SendMessageW(toggle, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(Checked(toggle));
}

TEST_F(Pages, RestorePageHasNoControls)
{
    Open();
    SendMessageW(window, WM_COMMAND, 904, 0);
    EXPECT_EQ(currentPage, 3u);
    for (HWND c : Children(window)) EXPECT_FALSE(Visible(c));
    SendMessageW(window, WM_COMMAND, 900, 0);
    SendMessageW(window, WM_COMMAND, 906, 0);
    EXPECT_EQ(currentPage, 3u);
}
