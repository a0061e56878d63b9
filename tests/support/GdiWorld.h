#pragma once
// What the drawing tests need around them: GDI+ bound and the main window's brushes
// and fonts (as the program creates them), test windows that paint through a given
// function, a 32-bit canvas in memory, and pixel checks that name the pixel.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

// Binds GDI+ and creates the window's brushes and fonts into the program-wide handles,
// as the main window's creation does; releases and clears all of them at the end.
class DrawingResources {
public:
    DrawingResources();
    ~DrawingResources();
    DrawingResources(const DrawingResources&) = delete;
    DrawingResources& operator=(const DrawingResources&) = delete;
};

// A WM_COMMAND that a host window received, with the sender's BM_GETCHECK answer at
// that moment.
struct HostCommand {
    WPARAM wParam;
    LPARAM lParam;
    LRESULT checkWhenReceived;
};
extern std::vector<HostCommand> hostCommands;

// A visible top-level popup of the given client size at (x, y) whose WM_PAINT calls paint
// (null: fill with HostBackground). Destroyed with everything in it when the guard ends.
constexpr COLORREF HostBackground = RGB(10, 20, 30);
class HostWindow {
public:
    HostWindow(int x, int y, int width, int height, void (*paint)(HWND) = nullptr, DWORD style = WS_POPUP);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND Get() const { return window; }
    // repaints everything now and lets pending messages run
    void Repaint() const;
private:
    HWND window = nullptr;
};

// Dispatches whatever is queued for this thread.
void PumpMessages();

// A pixel of a window's client area as the screen shows it.
COLORREF ClientPixel(HWND window, int x, int y);
::testing::AssertionResult PixelIs(HWND window, int x, int y, COLORREF expected);
// How many pixels of exactly colour the client box left <= x < right, top <= y < bottom shows.
int CountPixels(HWND window, const RECT& box, COLORREF colour);

// The box x, y, width, height of a window's client area shows exactly what DrawLabel
// draws of text, font and colour on a plain background, pixel for pixel.
::testing::AssertionResult ShowsLabel(HWND window, const wchar_t* text, int x, int y, int width, int height,
                                      HFONT font, COLORREF colour, COLORREF background);

// A 32-bit top-down DIB selected into a memory DC, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc; }
    COLORREF Pixel(int x, int y) const;
    ::testing::AssertionResult PixelIs(int x, int y, COLORREF expected) const;
    // how many pixels inside left <= x < right, top <= y < bottom differ from colour
    int CountOtherThan(COLORREF colour, int left, int top, int right, int bottom) const;
    // how many pixels differ from those of a canvas of the same size (all when the size differs)
    int CountDifferent(const Canvas& other) const;
    // copies the client area of window, as the screen shows it, to x, y
    void CopyClient(HWND window, int x, int y);
    // Writes build/screenshots/NAME.png through the GDI+ that is bound (the program's
    // binding, draw/GdiPlus.h); true when written.
    bool SavePng(const std::wstring& name) const;
    int Width() const { return width; }
    int Height() const { return height; }
private:
    int width, height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const DWORD* bits = nullptr;
};
