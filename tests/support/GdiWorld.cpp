#include "support/GdiWorld.h"
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "draw/Primitives.h"
#include "ui/MainWindow.h"
#include "support/BuildFolder.h"

std::vector<HostCommand> hostCommands;

namespace {

constexpr const wchar_t* HostClassName = L"TXDrawTestHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        auto paint = reinterpret_cast<void (*)(HWND)>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (paint) {
            paint(window);
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HBRUSH brush = CreateSolidBrush(HostBackground);
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND: {
        const HWND sender = reinterpret_cast<HWND>(lParam);
        hostCommands.push_back({wParam, lParam, sender ? SendMessageW(sender, BM_GETCHECK, 0, 0) : -1});
        return 0;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterHostClass()
{
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = HostProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = HostClassName;
    RegisterClassExW(&cls);  // fails harmlessly when a previous test registered it
}

}  // namespace

DrawingResources::DrawingResources()
{
    BindGdiPlus();
    CreateDrawingResources();
}

DrawingResources::~DrawingResources()
{
    ReleaseGdiPlus();
    DeleteDrawingResources();
}

HostWindow::HostWindow(int x, int y, int width, int height, void (*paint)(HWND), DWORD style)
{
    RegisterHostClass();
    hostCommands.clear();
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    window = CreateWindowExW(0, HostClassName, L"draw test", style, x, y, outer.right - outer.left,
                             outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(paint));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    Repaint();
}

HostWindow::~HostWindow()
{
    if (window) DestroyWindow(window);
    PumpMessages();
}

void HostWindow::Repaint() const
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

int CountPixels(HWND window, const RECT& box, COLORREF colour)
{
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (GetPixel(dc, x, y) == colour) ++count;
    ReleaseDC(window, dc);
    return count;
}

namespace {

::testing::AssertionResult Compare(int x, int y, COLORREF actual, COLORREF expected)
{
    if (actual == expected) return ::testing::AssertionSuccess();
    char text[120];
    wsprintfA(text, "pixel (%d, %d) is RGB(%d,%d,%d), expected RGB(%d,%d,%d)", x, y, GetRValue(actual),
              GetGValue(actual), GetBValue(actual), GetRValue(expected), GetGValue(expected), GetBValue(expected));
    return ::testing::AssertionFailure() << text;
}

}  // namespace

::testing::AssertionResult PixelIs(HWND window, int x, int y, COLORREF expected)
{
    return Compare(x, y, ClientPixel(window, x, y), expected);
}

Canvas::Canvas(int width, int height, COLORREF fill) : width(width), height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<const DWORD*>(memory);
    previous = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

Canvas::~Canvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

namespace {

COLORREF FromDib(DWORD bgrx)
{
    return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
}

}  // namespace

COLORREF Canvas::Pixel(int x, int y) const
{
    GdiFlush();
    return FromDib(bits[y * width + x]);
}

::testing::AssertionResult Canvas::PixelIs(int x, int y, COLORREF expected) const
{
    return Compare(x, y, Pixel(x, y), expected);
}

int Canvas::CountOtherThan(COLORREF colour, int left, int top, int right, int bottom) const
{
    GdiFlush();
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (FromDib(bits[y * width + x]) != colour) ++count;
    return count;
}

int Canvas::CountDifferent(const Canvas& other) const
{
    if (other.width != width || other.height != height) return width * height;
    GdiFlush();
    int count = 0;
    for (int i = 0; i < width * height; ++i)
        if ((bits[i] & 0x00FFFFFF) != (other.bits[i] & 0x00FFFFFF)) ++count;
    return count;
}

void Canvas::CopyClient(HWND window, int x, int y)
{
    RECT client = {};
    GetClientRect(window, &client);
    HDC source = GetDC(window);
    BitBlt(dc, x, y, client.right, client.bottom, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
}

bool Canvas::SavePng(const std::wstring& name) const
{
    // the few calls that write a PNG, from the gdiplus.dll that the program's binding loaded
    using FromScan0 = int(WINAPI*)(INT, INT, INT, INT, BYTE*, void**);
    using SaveToFile = int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*);
    using Dispose = int(WINAPI*)(void*);
    constexpr INT PixelFormat32bppRGB = 0x00022009;
    const CLSID PngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    if (!GdiPlusApi.usable) return false;
    auto entry = [](const char* name) { return reinterpret_cast<void*>(GetProcAddress(GdiPlusApi.module, name)); };
    const auto fromScan0 = reinterpret_cast<FromScan0>(entry("GdipCreateBitmapFromScan0"));
    const auto save = reinterpret_cast<SaveToFile>(entry("GdipSaveImageToFile"));
    const auto dispose = reinterpret_cast<Dispose>(entry("GdipDisposeImage"));
    if (!fromScan0 || !save || !dispose) return false;
    const std::wstring folder = BuildFolder() + L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring file = folder + L"\\" + name + L".png";
    GdiFlush();
    std::vector<DWORD> copy(bits, bits + size_t(width) * height);
    void* image = nullptr;
    if (fromScan0(width, height, width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(copy.data()), &image) != 0)
        return false;
    const bool saved = save(image, file.c_str(), &PngEncoder, nullptr) == 0;
    dispose(image);
    return saved;
}

::testing::AssertionResult ShowsLabel(HWND window, const wchar_t* text, int x, int y, int width, int height,
                                      HFONT font, COLORREF colour, COLORREF background)
{
    Canvas expected(width, height, background);
    DrawLabel(expected.Dc(), text, 0, 0, width, height, font, colour);
    Canvas shown(width, height, RGB(0, 0, 0));
    HDC dc = GetDC(window);
    BitBlt(shown.Dc(), 0, 0, width, height, dc, x, y, SRCCOPY);
    ReleaseDC(window, dc);
    int differing = 0;
    int firstX = -1, firstY = -1;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            if (shown.Pixel(i, j) == expected.Pixel(i, j)) continue;
            if (differing++ == 0) {
                firstX = x + i;
                firstY = y + j;
            }
        }
    }
    if (expected.CountOtherThan(background, 0, 0, width, height) == 0)
        return ::testing::AssertionFailure() << "the expected text draws nothing";
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels of the label box at " << x << ", " << y
                                         << " differ, the first at " << firstX << ", " << firstY;
}
