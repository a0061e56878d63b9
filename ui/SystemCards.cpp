#include "ui/SystemCards.h"
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"
#include "draw/Palette.h"
#include "ui/Paint.h"
#include "ui/WindowState.h"

SystemDiskKind DiskKind = DiskNotDetermined;
int LiveMemoryFlag = 0;
int LastMemoryLoad = -1;

namespace {

const wchar_t* DiskText(SystemDiskKind kind)
{
    if (kind == DiskHdd) return L"Системный диск: HDD (по драйверу)";
    if (kind == DiskSsd) return L"Системный диск: SSD (по драйверу)";
    return L"Тип диска: не определён";
}

// Appends value in decimal: no leading zeros, 0 as "0", at most 10 digits.
void AppendDecimal(wchar_t* buffer, size_t capacity, unsigned value)
{
    wchar_t digits[11] = {};
    int count = 0;
    for (unsigned divisor = 1000000000u; divisor != 0; divisor /= 10) {
        if (divisor == 1 || value >= divisor || count > 0) digits[count++] = static_cast<wchar_t>(L'0' + value / divisor);
        value %= divisor;
    }
    AppendBounded(buffer, capacity, digits);
}

}  // namespace

void ProbeSystemDisk()
{
    // the volume is closed before the label is touched
    const DiskFinding finding = ProbeSystemDiskKind();
    switch (finding.reach) {
    case DiskReach::NoWindowsDirectory: SetTextIfChanged(DiskLabel, L"Диск Windows: неизвестен"); return;
    // a volume that cannot be opened says nothing about the disk: DiskKind keeps its value
    case DiskReach::VolumeNotOpened: SetTextIfChanged(DiskLabel, DiskText(DiskNotDetermined)); return;
    case DiskReach::Answered: break;
    }
    DiskKind = finding.kind;
    SetTextIfChanged(DiskLabel, DiskText(finding.kind));
}

void RefreshMemoryText()
{
    if (LiveMemoryFlag == 0) return;
    MemoryReading figures;
    if (!ReadMemoryFigures(&figures)) return;

    constexpr size_t Capacity = 160;
    wchar_t text[Capacity] = {};
    AppendBounded(text, Capacity, L"RAM занято: ");
    AppendDecimal(text, Capacity, figures.usedMiB);
    AppendBounded(text, Capacity, L" / ");
    AppendDecimal(text, Capacity, figures.totalMiB);
    AppendBounded(text, Capacity, L" MB");
    SetTextIfChanged(MemoryLabel, text);
}

HFONT MemoryLoadText(wchar_t* text, size_t capacity)
{
    text[0] = L'\0';
    MemoryReading figures;
    if (!ReadMemoryFigures(&figures)) {
        AppendBounded(text, capacity, L"Нет данных");
        return fontRegular15;
    }
    AppendDecimal(text, capacity, figures.load < 0 ? 0u : static_cast<unsigned>(figures.load));
    AppendBounded(text, capacity, L"%");
    return fontSemibold22;
}

bool CheckMemoryLoadChange()
{
    MemoryReading figures;
    if (!ReadMemoryFigures(&figures)) return false;
    // a first reading only records: showing the page has just painted the whole window
    const bool changed = LastMemoryLoad >= 0 && LastMemoryLoad != figures.load;
    if (changed) InvalidateRect(mainWindow, &MemoryLoadRect, FALSE);
    LastMemoryLoad = figures.load;
    return changed;
}
