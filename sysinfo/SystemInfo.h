#pragma once
// System disk kind and memory figures, as values.
#include <windows.h>

// What the storage driver said of the Windows volume's disk, by its seek penalty.
enum SystemDiskKind : int { DiskNotDetermined = 0, DiskHdd = 1, DiskSsd = 2 };

// What a probe of the Windows volume's disk found.
enum class DiskReach {
    NoWindowsDirectory,  // the Windows directory, and so its volume, is unknown
    VolumeNotOpened,     // says nothing about the disk
    Answered,            // the driver was reached: kind holds its answer
};
struct DiskFinding {
    DiskReach reach;
    SystemDiskKind kind;  // only when Answered
};
// Opens the Windows volume, asks its driver for the seek penalty and closes it again.
DiskFinding ProbeSystemDiskKind();

struct MemoryReading {
    unsigned usedMiB;   // in whole mebibytes
    unsigned totalMiB;
    int load;           // percent of physical memory in use
};
// False when the figures are unavailable.
bool ReadMemoryFigures(MemoryReading* figures);
