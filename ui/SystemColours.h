#pragma once
// Whether the window paints in its own colours or in the system's high-contrast ones:
// decided here alone, from the system's setting, when the window is created and whenever
// the system says its colours or settings changed.
#include <windows.h>

// At WM_CREATE, before the brushes are made: takes the palette the setting asks for.
void ChooseSystemPalette();
// WM_SYSCOLORCHANGE (coloursChanged) and WM_SETTINGCHANGE (coloursChanged when it names
// the high-contrast setting): takes the palette again and, when the colours changed or
// the system says they may have, makes the brushes again and repaints the window and
// every control on it.
void OnSystemColoursChanged(HWND window, bool coloursChanged);
