#pragma once
// What the virtual display shows: a capture of a screen rectangle (BitBlt from the
// screen DC), its pixels, and screenshots saved beside the build.
#include <windows.h>
#include <string>
#include <vector>

class Capture {
public:
    // The rectangle in screen coordinates; an empty capture when the screen can't be read.
    static Capture OfScreen(const RECT& area);
    // The window's client area.
    static Capture OfClient(HWND window);
    // The whole window, frame and caption included.
    static Capture OfWindow(HWND window);

    bool Empty() const { return pixels.empty(); }
    int Width() const { return width; }
    int Height() const { return height; }
    // x, y relative to the captured rectangle; CLR_INVALID outside it
    COLORREF At(int x, int y) const;
    // pixels of exactly colour inside box (relative coordinates, right and bottom excluded)
    int Count(const RECT& box, COLORREF colour) const;
    bool SameAs(const Capture& other) const;
    // Writes build/screenshots/e2e-<name>.png; true when written.
    bool Save(const std::wstring& name) const;
    // Writes the PNG file named; true when written.
    bool SaveAs(const std::wstring& file) const;

private:
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, rows top-down, as the 32-bit DIB holds them
};
