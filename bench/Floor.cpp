// The second yardstick for start-up: the reference window plus exactly the work the
// program must do before its first paint, written as plainly as it can be. The same
// Windows calls with the same arguments, in the program's order: GDI+ loaded, bound and
// started; the window's brushes and fonts; every child control, shown and hidden as the
// Home page wants them; the SysMain reads (two registry values, one service query); the
// disk probe; the service rows (a service manager connection and two registry reads
// each); the memory figures; the timer; then a first paint with the program's shapes
// through GDI+ and its texts through GDI, ending on the status dot that the bench driver
// watches. Nothing else: no texts put together from parts, no control tables, and no
// change tests before an update: every control starts enabled and every toggle off, so
// only what differs from that is sent. It does not link the program's code, so a cost of ours can
// not hide in here (bench/CMakeLists.txt builds it with the program's flags, icon and
// manifest).
#include <windows.h>
#include <winioctl.h>
#include "common/StartupMarks.h"
#include "common/Version.h"

namespace {

// GDI+ flat interface, as published
typedef int GpStatus;
struct GpGraphics;
struct GpBrush;
struct GpPath;
struct StartupInput {
    UINT32 version;
    void* debugEventCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
};

GpStatus(WINAPI* GdiplusStartup)(ULONG_PTR*, const StartupInput*, void*);
void(WINAPI* GdiplusShutdown)(ULONG_PTR);
GpStatus(WINAPI* GdipCreateFromHDC)(HDC, GpGraphics**);
GpStatus(WINAPI* GdipDeleteGraphics)(GpGraphics*);
GpStatus(WINAPI* GdipCreateSolidFill)(DWORD, GpBrush**);
GpStatus(WINAPI* GdipDeleteBrush)(GpBrush*);
GpStatus(WINAPI* GdipFillRectangle)(GpGraphics*, GpBrush*, float, float, float, float);
GpStatus(WINAPI* GdipFillEllipse)(GpGraphics*, GpBrush*, float, float, float, float);
GpStatus(WINAPI* GdipCreatePath)(int, GpPath**);
GpStatus(WINAPI* GdipAddPathArc)(GpPath*, float, float, float, float, float, float);
GpStatus(WINAPI* GdipAddPathLine)(GpPath*, float, float, float, float);
GpStatus(WINAPI* GdipClosePathFigure)(GpPath*);
GpStatus(WINAPI* GdipFillPath)(GpGraphics*, GpBrush*, GpPath*);
GpStatus(WINAPI* GdipDeletePath)(GpPath*);
GpStatus(WINAPI* GdipSetSmoothingMode)(GpGraphics*, int);

HMODULE gdiplus = nullptr;
ULONG_PTR gdiplusToken = 0;
bool gdiplusUsable = false;

HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;
HBRUSH whiteBrush, lightGreyBrush, paleGreenBrush;
HFONT font18, font15, font22, font25, fontSymbol;

HWND pageControls[5][40];
int pageCount[5];
int page = 0;

HWND statusLabel, startTypeLabel, savedLabel, autoStartToggle, stopToggle, applyButton, startButton, stopButton;
HWND serviceToggles[7], serviceLabels[7], diskLabel, memoryLabel;

LONG sysMainState = -1;
DWORD sysMainStart = 0;
bool sysMainReadable = false;
int diskKind = 0;

template <typename F>
bool Bind(F& entry, const char* name)
{
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(gdiplus, name)));
    return entry != nullptr;
}

void BindGdiPlus()
{
    gdiplus = LoadLibraryW(L"gdiplus.dll");
    if (!gdiplus) return;
    if (!Bind(GdiplusStartup, "GdiplusStartup") || !Bind(GdiplusShutdown, "GdiplusShutdown") ||
        !Bind(GdipCreateFromHDC, "GdipCreateFromHDC") || !Bind(GdipDeleteGraphics, "GdipDeleteGraphics") ||
        !Bind(GdipCreateSolidFill, "GdipCreateSolidFill") || !Bind(GdipDeleteBrush, "GdipDeleteBrush") ||
        !Bind(GdipFillRectangle, "GdipFillRectangle") || !Bind(GdipFillEllipse, "GdipFillEllipse") ||
        !Bind(GdipCreatePath, "GdipCreatePath") || !Bind(GdipAddPathArc, "GdipAddPathArc") ||
        !Bind(GdipAddPathLine, "GdipAddPathLine") || !Bind(GdipClosePathFigure, "GdipClosePathFigure") ||
        !Bind(GdipFillPath, "GdipFillPath") || !Bind(GdipDeletePath, "GdipDeletePath") ||
        !Bind(GdipSetSmoothingMode, "GdipSetSmoothingMode"))
        return;
    const StartupInput input = {1, nullptr, FALSE, FALSE};
    gdiplusUsable = GdiplusStartup(&gdiplusToken, &input, nullptr) == 0;
}

HFONT Font(int height, int weight, const wchar_t* face)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id)
{
    HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, mainWindow,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font18), TRUE);
    pageControls[page][pageCount[page]++] = child;
    return child;
}

void CreateControls()
{
    const wchar_t* S = L"STATIC";
    const wchar_t* B = L"BUTTON";
    const wchar_t* T = L"TXToggle";
    page = 0;
    statusLabel = Child(S, L"Проверка...", 0, 486, 155, 345, 40, 0);
    SendMessageW(statusLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font22), TRUE);
    startTypeLabel = Child(S, L"Проверка...", 0, 255, 311, 182, 29, 0);
    SendMessageW(startTypeLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font22), TRUE);
    savedLabel = Child(S, L"Резервная настройка: проверка...", 0, 255, 555, 575, 26, 0);
    autoStartToggle = Child(T, L"Отключить автозапуск SysMain", WS_TABSTOP, 258, 408, 575, 30, 101);
    stopToggle = Child(T, L"При отключении остановить работающую службу", WS_TABSTOP, 258, 440, 575, 30, 102);
    SendMessageW(stopToggle, BM_SETCHECK, BST_CHECKED, 0);
    HWND autoRefresh =
        Child(T, L"Автоматически обновлять статус каждые 3 секунды", WS_TABSTOP, 258, 473, 575, 30, 108);
    SendMessageW(autoRefresh, BM_SETCHECK, BST_CHECKED, 0);
    applyButton = Child(B, L"Применить", WS_TABSTOP, 255, 604, 144, 42, 103);
    startButton = Child(B, L"Запустить", WS_TABSTOP, 408, 604, 130, 42, 106);
    stopButton = Child(B, L"Остановить", WS_TABSTOP, 548, 604, 130, 42, 107);
    Child(B, L"Обновить", WS_TABSTOP, 688, 604, 145, 42, 104);

    page = 1;
    Child(S, L"Служба", 0, 330, 111, 180, 26, 0);
    Child(S, L"Режим запуска", 0, 575, 111, 180, 26, 0);
    const wchar_t* labels[7] = {L"SysMain / Tarvix", L"Windows Search (поиск)", L"Print Spooler (печать)",
                                L"Fax",              L"Xbox Live Auth",         L"Offline Maps",
                                L"Remote Registry"};
    for (int r = 0; r < 7; ++r) {
        serviceToggles[r] = Child(T, labels[r], WS_TABSTOP, 315, 145 + 45 * r, 280, 32, 401 + r);
        serviceLabels[r] = Child(S, L"Проверка...", 0, 610, 145 + 45 * r, 170, 31, 0);
    }
    Child(B, L"Предпросмотр и отключение", WS_TABSTOP, 275, 484, 280, 42, 301);
    Child(B, L"Вернуть прежние настройки", WS_TABSTOP, 567, 484, 280, 42, 302);
    Child(S, L"Изменения служб применяются только после подтверждения.", 0, 290, 538, 540, 36, 0);

    page = 2;
    diskLabel = Child(S, L"Тип диска: проверка...", 0, 330, 160, 450, 30, 0);
    memoryLabel = Child(S, L"RAM: проверка...", 0, 330, 215, 450, 35, 0);
    Child(S, L"Системные настройки", 0, 420, 344, 270, 30, 0);
    Child(B, L"Автозагрузка Windows", WS_TABSTOP, 292, 389, 240, 41, 303);
    Child(B, L"Параметры индексации", WS_TABSTOP, 565, 389, 240, 41, 304);

    page = 4;
    Child(S, L"Tarvix Mini " TARVIX_VERSION L"  \u00B7  Windows 10 / 11 x64", 0, 260, 122, 580, 32, 0);
    Child(S, L"Что такое SysMain (Tarvix)?", 0, 260, 166, 580, 28, 0);
    Child(S, L"Служба предварительно загружает данные часто используемых программ, чтобы ускорять их запуск.", 0,
          260, 201, 570, 65, 0);
    Child(S, L"Почему иногда её отключают?", 0, 260, 287, 580, 28, 0);
    Child(S,
          L"На отдельных компьютерах SysMain может сопровождаться высокой фоновой активностью диска. Отключение "
          L"стоит проверять лишь при подтверждённой проблеме.",
          0, 260, 321, 570, 85, 0);
    Child(S,
          L"Отключение не гарантирует ускорения и иногда замедляет запуск приложений. Настройки можно вернуть: "
          L"SysMain \u2014 на Главной, остальные \u2014 в Службах.",
          0, 260, 420, 570, 78, 0);
    Child(B, L"Подробнее о Tarvix", WS_TABSTOP, 405, 516, 280, 42, 105);
}

LONG ReadDword(const wchar_t* keyPath, const wchar_t* valueName, DWORD* value)
{
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key);
    if (status != ERROR_SUCCESS) return status;
    DWORD type = 0, size = 4;
    status = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return status;
    return type == REG_DWORD && size == 4 ? 0 : -1;
}

const wchar_t* StateText(LONG state)
{
    switch (state) {
    case SERVICE_STOPPED: return L"Остановлена";
    case SERVICE_START_PENDING: return L"Запускается";
    case SERVICE_STOP_PENDING: return L"Останавливается";
    case SERVICE_RUNNING: return L"Работает";
    }
    return L"Неизвестно";
}

const wchar_t* StartText(DWORD start, bool shortForm)
{
    switch (start) {
    case SERVICE_AUTO_START: return shortForm ? L"Авто" : L"Автоматически";
    case SERVICE_DEMAND_START: return L"Вручную";
    case SERVICE_DISABLED: return L"Отключена";
    }
    return L"Другой режим";
}

void RefreshSysMain()
{
    sysMainReadable = ReadDword(L"SYSTEM\\CurrentControlSet\\Services\\SysMain", L"Start", &sysMainStart) == 0;
    DWORD original = 0;
    const bool saved = ReadDword(L"SOFTWARE\\TarvixMini", L"OriginalStart", &original) == 0;
    sysMainState = -1;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"SysMain", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status;
    if (service && QueryServiceStatus(service, &status)) sysMainState = static_cast<LONG>(status.dwCurrentState);
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);

    SetWindowTextW(statusLabel, sysMainReadable ? StateText(sysMainState) : L"Статус: служба SysMain не найдена");
    SetWindowTextW(startTypeLabel, sysMainReadable ? StartText(sysMainStart, false) : L"Недоступен");
    SetWindowTextW(savedLabel, !saved                 ? L"Сохранённая настройка: отсутствует"
                               : original == 3 ? L"Сохранённая настройка: вручную"
                               : original == 2 ? L"Сохранённая настройка: автоматически"
                                               : L"Сохранённая настройка: другой тип");
    // every control starts enabled and every toggle off: only what differs is sent
    if (sysMainReadable && sysMainStart == 4) SendMessageW(autoStartToggle, BM_SETCHECK, BST_CHECKED, 0);
    if (!sysMainReadable) {
        EnableWindow(autoStartToggle, FALSE);
        EnableWindow(stopToggle, FALSE);
        EnableWindow(applyButton, FALSE);
    }
    if (!sysMainReadable || sysMainStart == 4 || sysMainState == SERVICE_RUNNING) EnableWindow(startButton, FALSE);
    if (!sysMainReadable || sysMainState != SERVICE_RUNNING) EnableWindow(stopButton, FALSE);
    const RECT statusCard = {237, 103, 878, 252};
    InvalidateRect(mainWindow, &statusCard, FALSE);
}

void ProbeDisk()
{
    wchar_t directory[MAX_PATH];
    if (GetWindowsDirectoryW(directory, MAX_PATH) == 0) {
        SetWindowTextW(diskLabel, L"Диск Windows: неизвестен");
        return;
    }
    wchar_t path[] = L"\\\\.\\C:";
    path[4] = directory[0];
    HANDLE volume = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE || !volume) {
        SetWindowTextW(diskLabel, L"Тип диска: не определён");
        return;
    }
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR answer = {};
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &answer,
                                    sizeof(answer), &returned, nullptr);
    CloseHandle(volume);
    diskKind = !ok || returned <= 8 ? 0 : answer.IncursSeekPenalty ? 1 : 2;
    SetWindowTextW(diskLabel, diskKind == 1   ? L"Системный диск: HDD (по драйверу)"
                              : diskKind == 2 ? L"Системный диск: SSD (по драйверу)"
                                              : L"Тип диска: не определён");
}

void RefreshServices()
{
    const wchar_t* names[7] = {L"SysMain", L"WSearch", L"Spooler", L"Fax", L"XblAuthManager", L"MapsBroker",
                               L"RemoteRegistry"};
    const wchar_t* keys[7] = {L"SYSTEM\\CurrentControlSet\\Services\\SysMain",
                              L"SYSTEM\\CurrentControlSet\\Services\\WSearch",
                              L"SYSTEM\\CurrentControlSet\\Services\\Spooler",
                              L"SYSTEM\\CurrentControlSet\\Services\\Fax",
                              L"SYSTEM\\CurrentControlSet\\Services\\XblAuthManager",
                              L"SYSTEM\\CurrentControlSet\\Services\\MapsBroker",
                              L"SYSTEM\\CurrentControlSet\\Services\\RemoteRegistry"};
    const wchar_t* backups[7] = {L"Bk_SysMain", L"Bk_WSearch",    L"Bk_Spooler",       L"Bk_Fax",
                                 L"Bk_XblAuth", L"Bk_MapsBroker", L"Bk_RemoteRegistry"};
    for (int r = 0; r < 7; ++r) {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = manager ? OpenServiceW(manager, names[r], SERVICE_QUERY_CONFIG) : nullptr;
        if (service) CloseServiceHandle(service);
        if (manager) CloseServiceHandle(manager);
        DWORD start = 0;
        const bool exists = service && ReadDword(keys[r], L"Start", &start) == 0;
        DWORD saved = 0;
        // the backup decides whether " | есть копия" is put behind the row's text: the
        // program's work, not done here
        ReadDword(L"SOFTWARE\\TarvixMini", backups[r], &saved);
        SetWindowTextW(serviceLabels[r], exists ? StartText(start, true) : L"Нет службы");
        if (!exists || start == 4) EnableWindow(serviceToggles[r], FALSE);  // it starts off already
    }
}

void RefreshMemory()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    // a text of the usual length: putting the figures into it is the program's work, not done here
    if (GlobalMemoryStatusEx(&status)) SetWindowTextW(memoryLabel, L"RAM занято: 8123 / 16304 MB");
}

void ShowHomePage()
{
    for (int p = 0; p < 5; ++p)
        for (int c = 0; c < pageCount[p]; ++c) ShowWindow(pageControls[p][c], p == 0 ? SW_SHOW : SW_HIDE);
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void OnCreate(HWND window)
{
    StartupMark("create");
    mainWindow = window;
    BindGdiPlus();
    StartupMark("gdiplus");
    whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    lightGreyBrush = CreateSolidBrush(RGB(247, 248, 247));
    paleGreenBrush = CreateSolidBrush(RGB(234, 250, 240));
    font18 = Font(-18, FW_NORMAL, L"Segoe UI");
    font15 = Font(-15, FW_NORMAL, L"Segoe UI");
    font22 = Font(-22, FW_SEMIBOLD, L"Segoe UI");
    font25 = Font(-25, FW_BOLD, L"Segoe UI");
    fontSymbol = Font(-21, FW_BOLD, L"Segoe UI Symbol");
    StartupMark("fonts");
    CreateControls();
    StartupMark("controls");
    RefreshSysMain();
    StartupMark("sysmain");
    ProbeDisk();
    StartupMark("disk");
    RefreshServices();
    StartupMark("services");
    RefreshMemory();
    StartupMark("memory");
    ShowHomePage();
    StartupMark("home");
    SetTimer(window, 1, 3000, nullptr);
    StartupMark("timer");
}

void FillRound(GpGraphics* g, float x, float y, float w, float h, float r, DWORD colour)
{
    GpBrush* brush;
    if (GdipCreateSolidFill(colour, &brush) != 0) return;
    GpPath* path;
    if (GdipCreatePath(0, &path) == 0) {
        const float d = r + r, right = x + w, bottom = y + h;
        GdipAddPathArc(path, x, y, d, d, 180, 90);
        GdipAddPathLine(path, x + r, y, right - r, y);
        GdipAddPathArc(path, right - d, y, d, d, 270, 90);
        GdipAddPathLine(path, right, y + r, right, bottom - r);
        GdipAddPathArc(path, right - d, bottom - d, d, d, 0, 90);
        GdipAddPathLine(path, right - r, bottom, x + r, bottom);
        GdipAddPathArc(path, x, bottom - d, d, d, 90, 90);
        GdipAddPathLine(path, x, bottom - r, x, y + r);
        GdipClosePathFigure(path);
        GdipFillPath(g, brush, path);
        GdipDeletePath(path);
    }
    GdipDeleteBrush(brush);
}

void FillRectangle(GpGraphics* g, float x, float y, float w, float h, DWORD colour)
{
    GpBrush* brush;
    if (GdipCreateSolidFill(colour, &brush) != 0) return;
    GdipFillRectangle(g, brush, x, y, w, h);
    GdipDeleteBrush(brush);
}

void Text(HDC hdc, const wchar_t* text, int x, int y, int w, int h, HFONT font, COLORREF colour)
{
    RECT rect = {x, y, x + w, y + h};
    HGDIOBJ previous = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, colour);
    DrawTextW(hdc, text, -1, &rect, 0);
    SelectObject(hdc, previous);
}

void OnPaint(HWND window)
{
    StartupMark("paint");
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    GpGraphics* g = nullptr;
    if (!gdiplusUsable || GdipCreateFromHDC(hdc, &g) != 0) {
        FillRect(hdc, &client, lightGreyBrush);
        EndPaint(window, &ps);
        return;
    }
    GdipSetSmoothingMode(g, 4);
    const float w = static_cast<float>(client.right), h = static_cast<float>(client.bottom);
    FillRectangle(g, 0, 0, w, h, 0xFFF5F7F8);
    FillRectangle(g, 0, 0, 220, h, 0xFFFFFFFF);
    FillRectangle(g, 219, 0, 1, h, 0xFFE2E8E4);
    FillRound(g, 14, 16, 40, 40, 11, 0xFFE3F7EA);
    FillRound(g, 19, 20, 30, 32, 7, 0xFF15803D);
    GpBrush* white;
    if (GdipCreateSolidFill(0xFFFFFFFF, &white) == 0) {
        GpPath* bolt;
        if (GdipCreatePath(0, &bolt) == 0) {
            GdipAddPathLine(bolt, 36.4f, 22.0f, 25.7f, 36.1f);
            GdipAddPathLine(bolt, 25.7f, 36.1f, 32.8f, 36.1f);
            GdipAddPathLine(bolt, 32.8f, 36.1f, 29.6f, 49.2f);
            GdipAddPathLine(bolt, 29.6f, 49.2f, 43.5f, 32.3f);
            GdipAddPathLine(bolt, 43.5f, 32.3f, 35.4f, 32.3f);
            GdipAddPathLine(bolt, 35.4f, 32.3f, 36.4f, 22.0f);
            GdipClosePathFigure(bolt);
            GdipFillPath(g, white, bolt);
            GdipDeletePath(bolt);
        }
        GdipDeleteBrush(white);
    }
    const DWORD badges[4] = {0xFF15803D, 0xFFC56B08, 0xFF1D4ED8, 0xFF7C3AED};
    for (int row = 0; row < 4; ++row) {
        const float y = static_cast<float>(105 + 52 * row);
        if (row == 0) {
            FillRound(g, 10, y, 200, 44, 10, 0xFFDCFCE7);
            FillRound(g, 10, y + 7, 4, 30, 2, 0xFF15803D);
        }
        FillRound(g, 26, y + 7, 30, 30, 8, badges[row]);
    }
    FillRound(g, 239, 102, 635, 147, 12, 0xFFEAFAF0);
    FillRound(g, 240, 266, 202, 82, 12, 0xFFFFFFFF);
    FillRound(g, 451, 266, 201, 82, 12, 0xFFFFFFFF);
    FillRound(g, 661, 266, 213, 82, 12, 0xFFFFFFFF);
    FillRound(g, 239, 366, 635, 157, 12, 0xFFFFFFFF);
    FillRound(g, 239, 536, 635, 120, 12, 0xFFFFFFFF);
    GpBrush* dot;
    const DWORD dotColour = sysMainState == SERVICE_RUNNING   ? 0xFF22A15A
                            : sysMainState == SERVICE_STOPPED ? 0xFFDC5555
                                                              : 0xFFF59E0B;
    if (GdipCreateSolidFill(dotColour, &dot) == 0) {
        GdipFillEllipse(g, dot, 460, 164, 14, 14);
        GdipDeleteBrush(dot);
    }
    GdipDeleteGraphics(g);
    StartupMark("shapes");

    Text(hdc, L"Tarvix", 64, 17, 150, 26, font22, RGB(34, 39, 42));
    Text(hdc, L"MINI", 64, 46, 120, 24, font15, RGB(53, 94, 128));
    const wchar_t* glyphs[4] = {L"\u2302", L"\u2699", L"\u25C6", L"?"};
    const wchar_t* rows[4] = {L"Главная", L"Службы", L"Оптимизация", L"Справка"};
    for (int row = 0; row < 4; ++row) {
        const int top = 105 + 52 * row;
        RECT box = {26, top + 7, 56, top + 37};
        HGDIOBJ previous = SelectObject(hdc, fontSymbol);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, RGB(255, 255, 255));
        DrawTextW(hdc, glyphs[row], -1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        SelectObject(hdc, previous);
        Text(hdc, rows[row], 72, top + 13, 133, 29, font18, row == 0 ? RGB(21, 128, 55) : RGB(82, 75, 68));
    }
    const COLORREF ink = RGB(31, 41, 39), caption = RGB(114, 128, 138), section = RGB(41, 52, 47);
    Text(hdc, L"Главная", 239, 18, 600, 36, font25, ink);
    Text(hdc, L"Состояние SysMain и управление Windows", 239, 59, 610, 26, font15, RGB(119, 130, 139));
    Text(hdc, L"Статус SysMain:", 256, 154, 195, 32, font22, section);
    Text(hdc, L"Тип запуска", 254, 278, 182, 25, font15, caption);
    Text(hdc, L"Накопитель", 464, 278, 180, 25, font15, caption);
    Text(hdc, diskKind == 2 ? L"SSD" : diskKind == 1 ? L"HDD" : L"Неизвестен", 464, 308, 178, 30, font22, ink);
    Text(hdc, L"RAM использовано", 674, 278, 185, 25, font15, caption);
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    wchar_t load[4] = {L'0', L'%', 0, 0};
    if (GlobalMemoryStatusEx(&memory)) {
        const DWORD l = memory.dwMemoryLoad;
        if (l >= 10) {
            load[0] = static_cast<wchar_t>(L'0' + l / 10 % 10);
            load[1] = static_cast<wchar_t>(L'0' + l % 10);
            load[2] = L'%';
        } else {
            load[0] = static_cast<wchar_t>(L'0' + l);
        }
    }
    Text(hdc, load, 674, 308, 175, 30, font22, ink);
    Text(hdc, L"Управление", 256, 374, 590, 29, font22, section);
    StartupMark("painted");
    EndPaint(window, &ps);
}

LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_CTLCOLORSTATIC: {
        const HDC hdc = reinterpret_cast<HDC>(wParam);
        const bool status = reinterpret_cast<HWND>(lParam) == statusLabel;
        SetBkColor(hdc, status ? RGB(234, 250, 240) : RGB(255, 255, 255));
        SetBkMode(hdc, OPAQUE);
        SetTextColor(hdc, !status                          ? RGB(39, 48, 42)
                          : sysMainState == SERVICE_RUNNING ? RGB(21, 128, 55)
                          : sysMainState == SERVICE_STOPPED ? RGB(204, 68, 68)
                                                            : RGB(39, 48, 42));
        return reinterpret_cast<LRESULT>(status ? paleGreenBrush : whiteBrush);
    }
    case WM_DESTROY:
        KillTimer(window, 1);
        if (gdiplusUsable) GdiplusShutdown(gdiplusToken);
        if (gdiplus) FreeLibrary(gdiplus);
        DeleteObject(font18);
        DeleteObject(font15);
        DeleteObject(font22);
        DeleteObject(font25);
        DeleteObject(fontSymbol);
        DeleteObject(whiteBrush);
        DeleteObject(lightGreyBrush);
        DeleteObject(paleGreenBrush);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// the toggle switch: a white box, a track and a knob through GDI+, the caption through GDI
void PaintToggle(HWND toggle)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(toggle, &ps);
    RECT client;
    GetClientRect(toggle, &client);
    FillRect(hdc, &client, whiteBrush);
    const bool enabled = IsWindowEnabled(toggle) != FALSE;
    const bool on = GetWindowLongPtrW(toggle, GWLP_USERDATA) != 0;
    wchar_t caption[256] = {};
    GetWindowTextW(toggle, caption, 256);
    GpGraphics* g = nullptr;
    if (gdiplusUsable && GdipCreateFromHDC(hdc, &g) == 0) {
        GdipSetSmoothingMode(g, 4);
        const float tx = static_cast<float>(client.right - 51), ty = static_cast<float>((client.bottom - 25) / 2);
        FillRound(g, tx, ty, 48, 25, 12.4f, !enabled ? 0xFFE5E7EB : on ? 0xFF178447 : 0xFFD1D5DB);
        GpBrush* knob;
        if (GdipCreateSolidFill(0xFFFFFFFF, &knob) == 0) {
            GdipFillEllipse(g, knob, on ? tx + 25 : tx + 3, ty + 3, 19, 19);
            GdipDeleteBrush(knob);
        }
        GdipDeleteGraphics(g);
    }
    Text(hdc, caption, 4, (client.bottom - 26) / 2, client.right - 61, 26, font18,
         enabled ? RGB(31, 41, 39) : RGB(163, 157, 154));
    EndPaint(toggle, &ps);
}

LRESULT CALLBACK ToggleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: PaintToggle(window); return 0;
    case WM_ERASEBKGND: return 1;
    case BM_GETCHECK: return GetWindowLongPtrW(window, GWLP_USERDATA) != 0 ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetWindowLongPtrW(window, GWLP_USERDATA, wParam == BST_CHECKED ? 1 : 0);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ENABLE: InvalidateRect(window, nullptr, FALSE); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    StartupMark("entry");
    instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW toggle = {};
    toggle.cbSize = sizeof(toggle);
    toggle.lpfnWndProc = ToggleWndProc;
    toggle.hInstance = instance;
    toggle.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    toggle.lpszClassName = L"TXToggle";
    if (!RegisterClassExW(&toggle)) ExitProcess(3);
    WNDCLASSEXW main = {};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = FloorWndProc;
    main.hInstance = instance;
    main.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = L"TarvixMini435Window";
    main.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!RegisterClassExW(&main)) ExitProcess(1);
    StartupMark("classes");
    HWND window = CreateWindowExW(0, L"TarvixMini435Window", L"Tarvix Mini " TARVIX_VERSION,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 160, 120, 920, 755,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) ExitProcess(2);
    StartupMark("created");
    ShowWindow(window, SW_SHOW);
    StartupMark("shown");
    UpdateWindow(window);
    StartupMark("updated");
    StartupMarksDone();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    ExitProcess(0);
}
