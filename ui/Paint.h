#pragma once
#include <windows.h>

// WM_PAINT of the main window: shapes in one GDI+ pass, then texts with GDI.
void PaintMainWindow(HWND window);

// What a change repaints, from the table the paint draws with: the Home page's status card
// (its dot and its label's background), and the memory load's value on its card.
extern const RECT StatusCardRect;
extern const RECT MemoryLoadRect;

// The texts that the last paint drew itself, in the order drawn: the logo and the page's
// header, on the Home page the cards' captions and values, or the notice alone when GDI+
// could not be used. A screen reader hears them as painted, never read afresh; each paint
// that changes them tells it so. A paint takes a text into the record only where it
// repainted it: one whose box lies outside the region being painted keeps what the paint
// before drew there.
constexpr size_t PaintedTextCapacity = 128;
struct PaintedText {
    wchar_t text[PaintedTextCapacity];
    RECT box;  // the box it was laid out in, client coordinates
    RECT ink;  // the part of the box its ink takes, client coordinates
};
// Fills text with the text number index; false past the last.
bool GetPaintedText(int index, PaintedText& text);
// The page that the last paint drew (PageCount before the first): its controls are the
// ones that go with the painted texts.
unsigned PaintedPage();
// The cards that the last paint drew on its page, in the order drawn, at most capacity of
// them; none when GDI+ could not be used.
int PaintedCards(RECT* boxes, int capacity);
