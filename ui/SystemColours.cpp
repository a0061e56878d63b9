#include "ui/SystemColours.h"
#include "common/OsApi.h"
#include "draw/Palette.h"

namespace {

// a setting that cannot be read counts as off: the program's own colours
bool HighContrastOn()
{
    HIGHCONTRASTW setting = {};
    setting.cbSize = sizeof(setting);
    if (!osApi.SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0)) return false;
    return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

void ChooseSystemPalette()
{
    ChoosePalette(HighContrastOn());
}

void OnSystemColoursChanged(HWND window, bool coloursChanged)
{
    // settings of every kind are broadcast: one that changes no colour repaints nothing
    if (!ChoosePalette(HighContrastOn()) && !coloursChanged) return;
    RecreateBrushes();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}
