#include "ui/Pages.h"
#include "common/ControlUpdates.h"
#include "common/Version.h"
#include "draw/Palette.h"
#include "draw/ToggleAccessible.h"
#include "draw/ToggleSwitch.h"
#include "service/ServiceCatalogue.h"
#include "ui/ControlIds.h"
#include "ui/MainAccessible.h"
#include "ui/ServicesPage.h"
#include "ui/SystemCards.h"

unsigned currentPage = PageHome;

HWND statusLabel = nullptr;
HWND startTypeLabel = nullptr;
HWND savedSettingLabel = nullptr;
HWND autoStartToggle = nullptr;
HWND stopServiceToggle = nullptr;
HWND autoRefreshToggle = nullptr;
HWND applyButton = nullptr;
HWND startButton = nullptr;
HWND stopButton = nullptr;
HWND serviceToggles[ServiceCount] = {};
HWND serviceLabels[ServiceCount] = {};
HWND DiskLabel = nullptr;
HWND MemoryLabel = nullptr;

PageControlList PageControls[PageCount] = {};

namespace {

int creationPage = 0;

// One child control: what CreateChild takes, then, where given, the variable that keeps
// its handle, the font sent after the 18 px one (fonts are created with the window, so
// named by their variable) and whether it starts switched on.
struct ControlSpec {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    int id;
    HWND* handle = nullptr;
    HFONT* font = nullptr;
    bool on = false;
};

// A child control of the main window with the 18 px font, registered with the page being built.
HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height,
                 int id)
{
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, mainWindow,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    HFONT font = fontRegular18 ? fontRegular18 : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (creationPage >= 0 && PageControls[creationPage].count < PageControlCapacity) {
        PageControlList& list = PageControls[creationPage];
        list.windows[list.count++] = child;
    }
    return child;
}

const wchar_t* const Static = L"STATIC";
const wchar_t* const Button = L"BUTTON";
const wchar_t* const Toggle = ToggleClassName;

const ControlSpec HomeControls[] = {
    // two lines high: "Статус: служба SysMain не найдена" is wider than the card has room for
    {Static, L"Проверка...", 0, 486, 155, 345, 64, 0, &statusLabel, &fontSemibold22},
    {Static, L"Проверка...", 0, 255, 311, 182, 29, 0, &startTypeLabel, &fontSemibold22},
    {Static, L"Резервная настройка: проверка...", 0, 255, 555, 575, 26, 0, &savedSettingLabel},
    {Toggle, L"Отключить автозапуск SysMain", WS_TABSTOP, 258, 408, 575, 30, IdAutoStartToggle, &autoStartToggle},
    {Toggle, L"При отключении остановить работающую службу", WS_TABSTOP, 258, 440, 575, 30, IdStopServiceToggle,
     &stopServiceToggle, nullptr, true},
    {Toggle, L"Автоматически обновлять статус каждые 3 секунды", WS_TABSTOP, 258, 473, 575, 30,
     IdAutoRefreshToggle, &autoRefreshToggle, nullptr, true},
    {Button, L"Применить", WS_TABSTOP, 255, 604, 144, 42, IdApply, &applyButton},
    {Button, L"Запустить", WS_TABSTOP, 408, 604, 130, 42, IdStart, &startButton},
    {Button, L"Остановить", WS_TABSTOP, 548, 604, 130, 42, IdStop, &stopButton},
    {Button, L"Обновить", WS_TABSTOP, 688, 604, 145, 42, IdRefresh},
};

const ControlSpec ServicesHeader[] = {
    {Static, L"Служба", 0, 330, 111, 180, 26, 0},
    {Static, L"Режим запуска", 0, 575, 111, 180, 26, 0},
};

const ControlSpec ServicesFooter[] = {
    {Button, L"Предпросмотр и отключение", WS_TABSTOP, 275, 484, 280, 42, IdDisableSelected},
    {Button, L"Вернуть прежние настройки", WS_TABSTOP, 567, 484, 280, 42, IdRestoreSaved},
    {Static, L"Изменения служб применяются только после подтверждения.", 0, 290, 538, 540, 36, 0},
};

const ControlSpec OptimizationControls[] = {
    {Static, L"Тип диска: проверка...", 0, 330, 160, 450, 30, 0, &DiskLabel},
    {Static, L"RAM: проверка...", 0, 330, 215, 450, 35, 0, &MemoryLabel},
    {Static, L"Системные настройки", 0, 420, 344, 270, 30, 0},
    {Button, L"Автозагрузка Windows", WS_TABSTOP, 292, 389, 240, 41, IdStartupApps},
    {Button, L"Параметры индексации", WS_TABSTOP, 565, 389, 240, 41, IdIndexingOptions},
};

const ControlSpec HelpControls[] = {
    {Static, L"Tarvix Mini " TARVIX_VERSION L"  \u00B7  Windows 10 / 11 x64", 0, 260, 122, 580, 32, 0},
    {Static, L"Что такое SysMain (Tarvix)?", 0, 260, 166, 580, 28, 0},
    {Static, L"Служба предварительно загружает данные часто используемых программ, чтобы ускорять их запуск.", 0,
     260, 201, 570, 65, 0},
    {Static, L"Почему иногда её отключают?", 0, 260, 287, 580, 28, 0},
    {Static,
     L"На отдельных компьютерах SysMain может сопровождаться высокой фоновой активностью диска. Отключение стоит "
     L"проверять лишь при подтверждённой проблеме.",
     0, 260, 321, 570, 85, 0},
    {Static,
     L"Отключение не гарантирует ускорения и иногда замедляет запуск приложений. Настройки можно вернуть: SysMain "
     L"\u2014 на Главной, остальные \u2014 в Службах.",
     0, 260, 420, 570, 78, 0},
    {Button, L"Подробнее о Tarvix", WS_TABSTOP, 405, 516, 280, 42, IdWebPage},
};

void Create(const ControlSpec& c)
{
    const HWND child = CreateChild(c.className, c.text, c.style, c.x, c.y, c.width, c.height, c.id);
    if (c.handle) *c.handle = child;
    if (c.font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(*c.font), TRUE);
    if (c.on) SetCheckIfChanged(child, TRUE);
}

template <size_t N>
void CreateAll(const ControlSpec (&controls)[N])
{
    for (const ControlSpec& c : controls) Create(c);
}

// a toggle and its start-type label for each catalogue row, 45 pixels apart; the label
// reaches to where the card's right corners begin, room for "Другой режим | есть копия".
// A screen reader hears the label with the switch, as its description.
void CreateServiceRows()
{
    for (int r = 0; r < ServiceCount; ++r) {
        const int y = 145 + 45 * r;
        Create({Toggle, ServiceCatalogue[r].label, WS_TABSTOP, 315, y, 280, 32, IdFirstServiceToggle + r,
                &serviceToggles[r]});
        Create({Static, L"Проверка...", 0, 610, y, 255, 31, 0, &serviceLabels[r]});
        SetToggleDescription(serviceToggles[r], serviceLabels[r]);
    }
}

// A control hidden with its page while it has the focus may leave the focus nowhere, and
// the keys 1 to 4 with it: the main window takes it first.
void KeepFocusOnPage(unsigned page)
{
    const HWND focus = GetFocus();
    if (!focus || focus == mainWindow || !IsChild(mainWindow, focus)) return;
    const PageControlList& shown = PageControls[page];
    for (int c = 0; c < shown.count; ++c)
        if (shown.windows[c] == focus || IsChild(shown.windows[c], focus)) return;
    SetFocus(mainWindow);
}

}  // namespace

void CreatePageControls()
{
    for (PageControlList& list : PageControls) list.count = 0;
    creationPage = PageHome;
    CreateAll(HomeControls);
    creationPage = PageServices;
    CreateAll(ServicesHeader);
    CreateServiceRows();
    CreateAll(ServicesFooter);
    creationPage = PageOptimization;
    CreateAll(OptimizationControls);
    creationPage = PageHelp;
    CreateAll(HelpControls);
    creationPage = -1;
}

void ShowPage(unsigned page)
{
    if (page >= PageCount) return;
    const unsigned previous = currentPage;
    currentPage = page;
    KeepFocusOnPage(page);
    for (unsigned i = 0; i < PageCount; ++i) {
        const PageControlList& list = PageControls[i];
        for (int c = 0; c < list.count; ++c) ShowWindow(list.windows[c], i == page ? SW_SHOW : SW_HIDE);
    }
    if (page == PageServices) RefreshServiceList();
    if (page == PageOptimization) {
        LiveMemoryFlag = 1;
        ProbeSystemDisk();
        RefreshMemoryText();
    }
    InvalidateRect(mainWindow, nullptr, FALSE);
    NotifyPageShown(previous, page);
}
