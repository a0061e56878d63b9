#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "ui/Paint.h"
#include "ui/WindowState.h"
#include "draw/Palette.h"
#include "support/Checks.h"
#include "support/GdiWorld.h"
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "ui/SystemCards.h"

namespace {

constexpr const wchar_t* DiskChecking = L"Тип диска: проверка...";
constexpr const wchar_t* DiskUnknown = L"Тип диска: не определён";
constexpr const wchar_t* WindowsDiskUnknown = L"Диск Windows: неизвестен";
constexpr const wchar_t* HddText = L"Системный диск: HDD (по драйверу)";
constexpr const wchar_t* SsdText = L"Системный диск: SSD (по драйверу)";
constexpr const wchar_t* MemoryChecking = L"RAM: проверка...";
constexpr ULONGLONG MiB = 1ull << 20;

// What the fake calls were asked, and what they answer.
struct FakeVolume {
    // GetWindowsDirectoryW
    const wchar_t* windowsDirectory = L"C:\\windows";
    // CreateFileW
    enum Open { RealHandle, Invalid, Null } open = RealHandle;
    int opens = 0;
    std::wstring path;
    DWORD access = 1, share = 0, disposition = 0, flags = 1;
    bool securityNull = false, templateNull = false;
    HANDLE opened = nullptr;
    // DeviceIoControl
    BOOL answerOk = TRUE;
    DWORD answerBytes = 12;
    BYTE seekPenalty = 0;
    int queries = 0;
    HANDLE queried = nullptr;
    DWORD code = 0, inSize = 0, outSize = 0, returnedBefore = 1;
    BYTE input[12] = {};
    bool outputZeroed = false, overlappedNull = false, openWhileQueried = false;
    // CloseHandle
    std::vector<HANDLE> closed;
};
FakeVolume volume;

struct FakeMemory {
    BOOL ok = TRUE;
    ULONGLONG totalPhys = 0, availPhys = 0;
    DWORD load = 0;
    int calls = 0;
    bool preparedEveryTime = true;  // dwLength 64 and the rest zero on every call
};
FakeMemory memory;

bool AllZero(const void* data, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i]) return false;
    return true;
}

void InstallFakeMemory()
{
    osApi.GlobalMemoryStatusEx = [](LPMEMORYSTATUSEX status) -> BOOL {
        ++memory.calls;
        const bool prepared = status->dwLength == 64 &&
                              AllZero(reinterpret_cast<BYTE*>(status) + sizeof(DWORD), 64 - sizeof(DWORD));
        memory.preparedEveryTime = memory.preparedEveryTime && prepared;
        if (!memory.ok) return FALSE;
        status->ullTotalPhys = memory.totalPhys;
        status->ullAvailPhys = memory.availPhys;
        status->dwMemoryLoad = memory.load;
        status->ullTotalVirtual = 1ull << 40;  // noise that must not matter
        return TRUE;
    };
}

void InstallFakeVolume()
{
    osApi.GetWindowsDirectoryW = [](LPWSTR buffer, UINT size) -> UINT {
        if (!volume.windowsDirectory) return 0;
        const UINT length = static_cast<UINT>(wcslen(volume.windowsDirectory));
        if (length >= size) return length + 1;
        wcscpy(buffer, volume.windowsDirectory);
        return length;
    };
    osApi.CreateFileW = [](LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                           DWORD flags, HANDLE templ) -> HANDLE {
        ++volume.opens;
        volume.path = name;
        volume.access = access;
        volume.share = share;
        volume.securityNull = sa == nullptr;
        volume.disposition = disposition;
        volume.flags = flags;
        volume.templateNull = templ == nullptr;
        if (volume.open == FakeVolume::Invalid) return INVALID_HANDLE_VALUE;
        if (volume.open == FakeVolume::Null) return nullptr;
        // a real kernel handle, so the close is real and counted
        volume.opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ++seamCounters.filesOpened;
        return volume.opened;
    };
    osApi.DeviceIoControl = [](HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                               LPDWORD returned, LPOVERLAPPED overlapped) -> BOOL {
        ++volume.queries;
        volume.queried = device;
        volume.openWhileQueried = volume.closed.empty();
        volume.code = code;
        volume.inSize = inSize;
        volume.outSize = outSize;
        volume.returnedBefore = returned ? *returned : 1;
        volume.overlappedNull = overlapped == nullptr;
        if (in && inSize >= sizeof(volume.input)) memcpy(volume.input, in, sizeof(volume.input));
        volume.outputZeroed = out && AllZero(out, outSize);
        if (out && outSize >= 12) {
            // the penalty byte is written even for a short answer: a short count must not be trusted
            const BYTE answer[12] = {12, 0, 0, 0, 12, 0, 0, 0, volume.seekPenalty, 0, 0, 0};
            memcpy(out, answer, 12);
        }
        if (returned) *returned = volume.answerBytes;
        return volume.answerOk;
    };
    osApi.CloseHandle = [](HANDLE handle) -> BOOL {
        ++seamCounters.filesClosed;
        volume.closed.push_back(handle);
        return realOs.CloseHandle(handle);
    };
}

// The stand-in's real STATIC windows as the Optimization page's two labels, and its
// main window; the seam and the module's state are put back after every test, and
// every handle opened is closed.
class SystemInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        volume = FakeVolume();
        memory = FakeMemory();
    }
    void TearDown() override { seam.ExpectAllClosed(); }

    StandInWindow window;
    CountingSeam seam;
};

using DiskProbe = SystemInfoTest;
using MemoryFigures = SystemInfoTest;

}  // namespace

TEST_F(DiskProbe, UnderWineTheQueryFailsAndTheKindBecomesUndetermined)
{
    DiskKind = DiskSsd;
    ProbeSystemDisk();
    EXPECT_EQ(Text(DiskLabel), DiskUnknown);
    // Wine opens the volume but does not answer the storage query
    EXPECT_EQ(seamCounters.filesOpened, 1);
    EXPECT_EQ(DiskKind, 0);
}

TEST_F(DiskProbe, TheDriversAnswerSetsKindAndText)
{
    InstallFakeVolume();
    struct Row {
        const char* name;
        BOOL ok;
        DWORD bytes;
        BYTE seekPenalty;
        int expectedKind;
        const wchar_t* expectedText;
    } rows[] = {
        {"seek penalty: HDD", TRUE, 12, 1, 1, HddText},
        {"any nonzero penalty byte: HDD", TRUE, 12, 0x80, 1, HddText},
        {"no seek penalty: SSD", TRUE, 12, 0, 2, SsdText},
        {"9 bytes carry the penalty byte", TRUE, 9, 0, 2, SsdText},
        {"8 bytes are short", TRUE, 8, 1, 0, DiskUnknown},
        {"no bytes", TRUE, 0, 0, 0, DiskUnknown},
        {"query failed", FALSE, 12, 1, 0, DiskUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        volume.answerOk = row.ok;
        volume.answerBytes = row.bytes;
        volume.seekPenalty = row.seekPenalty;
        volume.closed.clear();
        DiskKind = SystemDiskKind(7);
        SetWindowTextW(DiskLabel, DiskChecking);
        ProbeSystemDisk();
        EXPECT_EQ(DiskKind, row.expectedKind);
        EXPECT_EQ(Text(DiskLabel), row.expectedText);
        ASSERT_EQ(volume.closed.size(), 1u);
        EXPECT_EQ(volume.closed[0], volume.opened) << "the volume handle is closed";
        EXPECT_EQ(volume.queried, volume.opened);
    }
}

TEST_F(DiskProbe, AsksForTheSeekPenaltyOfTheWindowsVolume)
{
    InstallFakeVolume();
    volume.windowsDirectory = L"D:\\Windows";
    ProbeSystemDisk();
    EXPECT_EQ(volume.path, L"\\\\.\\D:");
    EXPECT_EQ(volume.access, 0u);
    EXPECT_EQ(volume.share, DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(volume.disposition, DWORD(OPEN_EXISTING));
    EXPECT_EQ(volume.flags, 0u);
    EXPECT_TRUE(volume.securityNull);
    EXPECT_TRUE(volume.templateNull);

    ASSERT_EQ(volume.queries, 1);
    EXPECT_EQ(volume.code, 0x2D1400u);
    const BYTE expectedQuery[12] = {7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // seek penalty, standard query
    EXPECT_EQ(volume.inSize, 12u);
    EXPECT_EQ(memcmp(volume.input, expectedQuery, 12), 0);
    EXPECT_EQ(volume.outSize, 12u);
    EXPECT_TRUE(volume.outputZeroed);
    EXPECT_EQ(volume.returnedBefore, 0u);
    EXPECT_TRUE(volume.overlappedNull);
    EXPECT_TRUE(volume.openWhileQueried);
}

TEST_F(DiskProbe, WithoutDirectoryOrVolumeTheKindIsKept)
{
    InstallFakeVolume();
    struct Row {
        const char* name;
        const wchar_t* windowsDirectory;
        FakeVolume::Open open;
        const wchar_t* expectedText;
        int expectedOpens;
    } rows[] = {
        {"no Windows directory", nullptr, FakeVolume::RealHandle, WindowsDiskUnknown, 0},
        {"volume not opened", L"C:\\windows", FakeVolume::Invalid, DiskUnknown, 1},
        {"null handle", L"C:\\windows", FakeVolume::Null, DiskUnknown, 1},
    };
    for (const Row& row : rows) {
        for (int kind : {1, 2}) {
            SCOPED_TRACE(std::string(row.name) + ", kind " + std::to_string(kind));
            volume.windowsDirectory = row.windowsDirectory;
            volume.open = row.open;
            volume.opens = volume.queries = 0;
            volume.closed.clear();
            DiskKind = SystemDiskKind(kind);
            SetWindowTextW(DiskLabel, DiskChecking);
            ProbeSystemDisk();
            EXPECT_EQ(DiskKind, kind);
            EXPECT_EQ(Text(DiskLabel), row.expectedText);
            EXPECT_EQ(volume.opens, row.expectedOpens);
            EXPECT_EQ(volume.queries, 0);
            EXPECT_TRUE(volume.closed.empty()) << "nothing to close";
        }
    }
}

TEST_F(DiskProbe, TheSameFindingDoesNotSetTheLabelAgain)
{
    InstallFakeVolume();
    ProbeSystemDisk();
    seenMessages = SeenMessages();
    ProbeSystemDisk();
    EXPECT_EQ(seenMessages.setText, 0);
    EXPECT_EQ(Text(DiskLabel), SsdText);
}

TEST_F(MemoryFigures, UsedAndTotalInWholeMebibytes)
{
    InstallFakeMemory();
    LiveMemoryFlag = 1;
    struct Row {
        const char* name;
        ULONGLONG total;
        ULONGLONG avail;
        const wchar_t* expected;
    } rows[] = {
        {"nothing at all", 0, 0, L"RAM занято: 0 / 0 MB"},
        {"one and two digits", 10 * MiB, 1 * MiB, L"RAM занято: 9 / 10 MB"},
        {"inner zeros", 1000000007 * MiB, 1000000007 * MiB - 100 * MiB, L"RAM занято: 100 / 1000000007 MB"},
        {"largest 32-bit figures", 4294967295ull * MiB, 0, L"RAM занято: 4294967295 / 4294967295 MB"},
        {"16 GiB", 16384 * MiB, 8261 * MiB, L"RAM занято: 8123 / 16384 MB"},
        {"less than 1 MiB used", 16384 * MiB, 16384 * MiB - (MiB - 1), L"RAM занято: 0 / 16384 MB"},
        {"used is rounded down as a whole", 2048 * MiB, 1024 * MiB + 1, L"RAM занято: 1023 / 2048 MB"},
        {"beyond 32 bits only the low bits remain", ((1ull << 32) + 5) * MiB, ((1ull << 32) + 2) * MiB,
         L"RAM занято: 3 / 5 MB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memory.totalPhys = row.total;
        memory.availPhys = row.avail;
        RefreshMemoryText();
        EXPECT_EQ(Text(MemoryLabel), row.expected);
    }
    EXPECT_TRUE(memory.preparedEveryTime) << "dwLength 64 and the rest zeroed before each call";
}

TEST_F(MemoryFigures, LabelIsLeftAloneWhenOffOrUnavailableOrUnchanged)
{
    InstallFakeMemory();
    memory.totalPhys = 4096 * MiB;
    memory.availPhys = 1024 * MiB;

    LiveMemoryFlag = 0;
    RefreshMemoryText();
    EXPECT_EQ(memory.calls, 0) << "switched off: not even asked";
    EXPECT_EQ(seenMessages.setText, 0);

    LiveMemoryFlag = 1;
    memory.ok = FALSE;
    RefreshMemoryText();
    EXPECT_EQ(memory.calls, 1);
    EXPECT_EQ(seenMessages.setText, 0);
    EXPECT_EQ(Text(MemoryLabel), MemoryChecking);

    memory.ok = TRUE;
    RefreshMemoryText();
    RefreshMemoryText();
    EXPECT_EQ(seenMessages.setText, 1) << "the same figures are not set again";
    EXPECT_EQ(Text(MemoryLabel), L"RAM занято: 3072 / 4096 MB");
}

TEST_F(MemoryFigures, RealFiguresUnderWine)
{
    LiveMemoryFlag = 1;
    RefreshMemoryText();
    const std::wstring text = Text(MemoryLabel);
    unsigned used = 0, total = 0;
    ASSERT_EQ(swscanf(text.c_str(), L"RAM занято: %u / %u MB", &used, &total), 2) << "label: " << text;
    EXPECT_GT(total, 0u);
    EXPECT_LE(used, total);

    wchar_t load[16];
    MemoryLoadText(load, 16);
    unsigned percent = 101;
    ASSERT_EQ(swscanf(load, L"%u%%", &percent), 1) << "load: " << load;
    EXPECT_LE(percent, 100u);
}

TEST_F(MemoryFigures, LoadTextAndItsFont)
{
    InstallFakeMemory();
    DrawingResources fonts;
    ASSERT_NE(fontSemibold22, fontRegular15);
    struct Row {
        const char* name;
        BOOL ok;
        DWORD load;
        const wchar_t* expectedText;
        HFONT expectedFont;
    } rows[] = {
        {"0%", TRUE, 0, L"0%", fontSemibold22},
        {"57%", TRUE, 57, L"57%", fontSemibold22},
        {"100%", TRUE, 100, L"100%", fontSemibold22},
        {"negative as signed: 0%", TRUE, 0x80000000u, L"0%", fontSemibold22},
        {"no memory status", FALSE, 57, L"Нет данных", fontRegular15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memory.ok = row.ok;
        memory.load = row.load;
        wchar_t text[32] = L"left over";
        EXPECT_EQ(MemoryLoadText(text, 32), row.expectedFont);
        EXPECT_STREQ(text, row.expectedText);
    }
    EXPECT_TRUE(memory.preparedEveryTime);
}

namespace {

// The stand-in's visible main window, with its update region readable.
class MemoryLoadRepaint : public SystemInfoTest {
protected:
    void SetUp() override
    {
        SystemInfoTest::SetUp();
        InstallFakeMemory();
    }
    void Settle() { window.Validate(); }
    bool NothingInvalid() { return !GetUpdateRect(mainWindow, nullptr, FALSE); }
    // the update region is exactly MemoryLoadRect
    bool OnlyMemoryLoadInvalid()
    {
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        HRGN expected = CreateRectRgnIndirect(&MemoryLoadRect);
        const bool same = GetUpdateRgn(mainWindow, update, FALSE) == SIMPLEREGION && EqualRgn(update, expected);
        DeleteObject(update);
        DeleteObject(expected);
        return same;
    }
};

}  // namespace

TEST_F(MemoryLoadRepaint, OnlyAChangedLoadRepaintsItsRectangle)
{
    memory.load = 40;
    CheckMemoryLoadChange();
    EXPECT_TRUE(NothingInvalid()) << "the first reading only records";
    EXPECT_EQ(LastMemoryLoad, 40);

    CheckMemoryLoadChange();
    EXPECT_TRUE(NothingInvalid()) << "unchanged load";

    memory.load = 41;
    CheckMemoryLoadChange();
    EXPECT_TRUE(OnlyMemoryLoadInvalid());
    EXPECT_EQ(LastMemoryLoad, 41);
    UpdateWindow(mainWindow);
    EXPECT_EQ(seenMessages.erase, 0) << "invalidated without erasing";

    Settle();
    memory.load = 0;
    CheckMemoryLoadChange();
    EXPECT_TRUE(OnlyMemoryLoadInvalid()) << "a fall to 0 is a change too";
    Settle();
    memory.load = 5;
    CheckMemoryLoadChange();
    EXPECT_TRUE(OnlyMemoryLoadInvalid()) << "a load of 0 was a reading like any other";
    EXPECT_TRUE(memory.preparedEveryTime);
}

TEST_F(MemoryLoadRepaint, AnUnavailableStatusKeepsTheLastLoad)
{
    memory.load = 40;
    CheckMemoryLoadChange();
    memory.ok = FALSE;
    CheckMemoryLoadChange();
    EXPECT_EQ(LastMemoryLoad, 40);
    EXPECT_TRUE(NothingInvalid());

    // the next reading compares with the load seen before the failure
    memory.ok = TRUE;
    memory.load = 40;
    CheckMemoryLoadChange();
    EXPECT_TRUE(NothingInvalid());
    memory.load = 90;
    CheckMemoryLoadChange();
    EXPECT_TRUE(OnlyMemoryLoadInvalid());
}
