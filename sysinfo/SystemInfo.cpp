#include "sysinfo/SystemInfo.h"
#include <winioctl.h>
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"
#include "common/OsApi.h"
#include "common/ScopedHandles.h"
#include "common/WindowState.h"

SystemDiskKind DiskKind = DiskNotDetermined;
int LiveMemoryFlag = 0;
int LastMemoryLoad = -1;
const RECT MemoryLoadRect = {669, 302, 869, 342};

namespace {

constexpr const wchar_t* NotDeterminedText = L"Тип диска: не определён";

// The seek-penalty answer as the storage driver fills it; IncursSeekPenalty is
// the byte at offset 8, so only an answer longer than 8 bytes carries it.
struct SeekPenaltyAnswer {
    DWORD version;
    DWORD size;
    BOOLEAN incursSeekPenalty;
};
static_assert(sizeof(SeekPenaltyAnswer) == 12, "the driver writes 12 bytes");
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12, "the driver reads 12 bytes");

// Asks the volume's driver for its seek penalty and sets DiskKind; returns the label text.
const wchar_t* QuerySeekPenalty(HANDLE volume)
{
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    SeekPenaltyAnswer answer = {};
    DWORD returned = 0;
    const BOOL ok = osApi.DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &answer,
                                          sizeof(answer), &returned, nullptr);
    if (!ok || returned <= 8) {
        DiskKind = DiskNotDetermined;
        return NotDeterminedText;
    }
    if (answer.incursSeekPenalty) {
        DiskKind = DiskHdd;
        return L"Системный диск: HDD (по драйверу)";
    }
    DiskKind = DiskSsd;
    return L"Системный диск: SSD (по драйверу)";
}

bool ReadMemoryStatus(MEMORYSTATUSEX* status)
{
    *status = MEMORYSTATUSEX{};
    status->dwLength = sizeof(MEMORYSTATUSEX);
    return osApi.GlobalMemoryStatusEx(status) != FALSE;
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
    wchar_t windowsDirectory[MAX_PATH] = {};
    if (osApi.GetWindowsDirectoryW(windowsDirectory, MAX_PATH) == 0) {
        SetTextIfChanged(DiskLabel, L"Диск Windows: неизвестен");
        return;
    }
    wchar_t volumePath[] = L"\\\\.\\C:";
    volumePath[4] = windowsDirectory[0];

    const wchar_t* text = NotDeterminedText;
    {
        ScopedKernelHandle volume(osApi.CreateFileW(volumePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
        // a volume that cannot be opened says nothing about the disk: DiskKind keeps its value
        if (volume.IsValid()) text = QuerySeekPenalty(volume.Get());
    }  // closed before the label is touched
    SetTextIfChanged(DiskLabel, text);
}

void RefreshMemoryText()
{
    if (LiveMemoryFlag == 0) return;
    MEMORYSTATUSEX status;
    if (!ReadMemoryStatus(&status)) return;
    const unsigned used = static_cast<unsigned>((status.ullTotalPhys - status.ullAvailPhys) >> 20);
    const unsigned total = static_cast<unsigned>(status.ullTotalPhys >> 20);

    constexpr size_t Capacity = 160;
    wchar_t text[Capacity] = {};
    AppendBounded(text, Capacity, L"RAM занято: ");
    AppendDecimal(text, Capacity, used);
    AppendBounded(text, Capacity, L" / ");
    AppendDecimal(text, Capacity, total);
    AppendBounded(text, Capacity, L" MB");
    SetTextIfChanged(MemoryLabel, text);
}

HFONT MemoryLoadText(wchar_t* text, size_t capacity)
{
    text[0] = L'\0';
    MEMORYSTATUSEX status;
    if (!ReadMemoryStatus(&status)) {
        AppendBounded(text, capacity, L"Нет данных");
        return fontRegular15;
    }
    const int load = static_cast<int>(status.dwMemoryLoad);
    AppendDecimal(text, capacity, load < 0 ? 0u : static_cast<unsigned>(load));
    AppendBounded(text, capacity, L"%");
    return fontSemibold22;
}

bool CheckMemoryLoadChange()
{
    MEMORYSTATUSEX status;
    if (!ReadMemoryStatus(&status)) return false;
    const int load = static_cast<int>(status.dwMemoryLoad);
    // a first reading only records: showing the page has just painted the whole window
    const bool changed = LastMemoryLoad >= 0 && LastMemoryLoad != load;
    if (changed) InvalidateRect(mainWindow, &MemoryLoadRect, FALSE);
    LastMemoryLoad = load;
    return changed;
}
