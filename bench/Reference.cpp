// The yardstick for start-up, memory and idle cost: the smallest window program we can
// write. One class, one window of the main window's size, style and place, a message
// loop, and one painted rectangle over the whole client area. Built with the program's
// own compiler and flags (bench/CMakeLists.txt).
#include <windows.h>

namespace {

constexpr const wchar_t* ReferenceClassName = L"TarvixBenchReference";
// the main window's content background, so both programs paint a comparable colour
constexpr COLORREF FillColour = RGB(245, 247, 248);

HBRUSH fillBrush = nullptr;

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(hdc, &client, fillBrush);
    EndPaint(window, &ps);
}

LRESULT CALLBACK ReferenceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers the whole client area
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    fillBrush = CreateSolidBrush(FillColour);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ReferenceWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = ReferenceClassName;
    if (!RegisterClassExW(&wc)) ExitProcess(1);
    HWND window = CreateWindowExW(0, ReferenceClassName, L"Reference", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                                  WS_MINIMIZEBOX, 160, 120, 920, 755, nullptr, nullptr, instance, nullptr);
    if (!window) ExitProcess(2);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(fillBrush);
    ExitProcess(0);
}
