#include "sysinfo/SystemInfo.h"
#include <winioctl.h>
#include "common/OsApi.h"
#include "common/ScopedHandles.h"

namespace {

// The seek-penalty answer as the storage driver fills it; IncursSeekPenalty is
// the byte at offset 8, so only an answer longer than 8 bytes carries it.
struct SeekPenaltyAnswer {
    DWORD version;
    DWORD size;
    BOOLEAN incursSeekPenalty;
};
static_assert(sizeof(SeekPenaltyAnswer) == 12, "the driver writes 12 bytes");
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12, "the driver reads 12 bytes");

// Asks the volume's driver for its seek penalty.
SystemDiskKind QuerySeekPenalty(HANDLE volume)
{
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    SeekPenaltyAnswer answer = {};
    DWORD returned = 0;
    const BOOL ok = osApi.DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &answer,
                                          sizeof(answer), &returned, nullptr);
    if (!ok || returned <= 8) return DiskNotDetermined;
    return answer.incursSeekPenalty ? DiskHdd : DiskSsd;
}

}  // namespace

DiskFinding ProbeSystemDiskKind()
{
    wchar_t windowsDirectory[MAX_PATH] = {};
    if (osApi.GetWindowsDirectoryW(windowsDirectory, MAX_PATH) == 0) return {DiskReach::NoWindowsDirectory, DiskNotDetermined};
    wchar_t volumePath[] = L"\\\\.\\C:";
    volumePath[4] = windowsDirectory[0];

    ScopedKernelHandle volume(osApi.CreateFileW(volumePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    if (!volume.IsValid()) return {DiskReach::VolumeNotOpened, DiskNotDetermined};
    return {DiskReach::Answered, QuerySeekPenalty(volume.Get())};
}

bool ReadMemoryFigures(MemoryReading* figures)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(MEMORYSTATUSEX);
    if (!osApi.GlobalMemoryStatusEx(&status)) return false;
    figures->usedMiB = static_cast<unsigned>((status.ullTotalPhys - status.ullAvailPhys) >> 20);
    figures->totalMiB = static_cast<unsigned>(status.ullTotalPhys >> 20);
    figures->load = static_cast<int>(status.dwMemoryLoad);
    return true;
}
