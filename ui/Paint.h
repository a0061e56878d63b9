#pragma once
#include <windows.h>

// WM_PAINT of the main window: shapes in one GDI+ pass, then texts with GDI.
void PaintMainWindow(HWND window);

// What a change repaints, from the table the paint draws with: the Home page's status card
// (its dot and its label's background), and the memory load's value on its card.
extern const RECT StatusCardRect;
extern const RECT MemoryLoadRect;

// The texts that the paint draws itself for the page shown, in reading order, as a
// screen reader reads them: the page's header, on the Home page the cards' captions
// and values, or the notice alone when GDI+ cannot be used.
constexpr size_t PaintedTextCapacity = 128;
struct PaintedText {
    wchar_t text[PaintedTextCapacity];
    RECT box;          // where it is drawn, client coordinates
    bool memoryLoad;   // the Home page's memory load, read afresh at each paint
};
int PaintedTextCount();
// Fills text with the text number index; false past the last.
bool GetPaintedText(int index, PaintedText& text);
