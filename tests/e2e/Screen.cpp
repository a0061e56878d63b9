#include "e2e/Screen.h"
#include "support/BuildFolder.h"

// The few GDI+ flat calls that write a PNG; declared here rather than through the C++
// headers, which pull in the whole GDI+ class library.
extern "C" {
struct GdiplusInput {
    UINT32 version;
    void* debugCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, INT format, BYTE* scan0, void** bitmap);
int WINAPI GdipSaveImageToFile(void* image, const WCHAR* file, const CLSID* encoder, const void* parameters);
int WINAPI GdipDisposeImage(void* image);
}

namespace {

constexpr INT PixelFormat32bppRGB = 0x00022009;
const CLSID PngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

}  // namespace

Capture Capture::OfScreen(const RECT& area)
{
    Capture capture;
    int w = area.right - area.left;
    int h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return capture;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const DWORD* source = static_cast<const DWORD*>(bits);
            capture.pixels.assign(source, source + size_t(w) * h);
            for (DWORD& pixel : capture.pixels) pixel &= 0x00FFFFFF;
            capture.width = w;
            capture.height = h;
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

Capture Capture::OfClient(HWND window)
{
    RECT client = {};
    if (!GetClientRect(window, &client)) return Capture();
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return OfScreen(client);
}

Capture Capture::OfWindow(HWND window)
{
    RECT outer = {};
    if (!GetWindowRect(window, &outer)) return Capture();
    return OfScreen(outer);
}

COLORREF Capture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    DWORD pixel = pixels[size_t(y) * width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int Capture::Count(const RECT& box, COLORREF colour) const
{
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (At(x, y) == colour) ++count;
    return count;
}

bool Capture::SameAs(const Capture& other) const
{
    return width == other.width && height == other.height && pixels == other.pixels;
}

bool Capture::Save(const std::wstring& name) const
{
    std::wstring folder = BuildFolder() + L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return SaveAs(folder + L"\\e2e-" + name + L".png");
}

bool Capture::SaveAs(const std::wstring& file) const
{
    if (Empty()) return false;
    GdiplusInput input = {1, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != 0) return false;
    std::vector<DWORD> copy(pixels);
    void* bitmap = nullptr;
    bool saved = false;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(copy.data()),
                                  &bitmap) == 0) {
        saved = GdipSaveImageToFile(bitmap, file.c_str(), &PngEncoder, nullptr) == 0;
        GdipDisposeImage(bitmap);
    }
    GdiplusShutdown(token);
    return saved;
}
