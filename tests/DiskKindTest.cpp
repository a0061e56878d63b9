// The system disk probe: what it asks the Windows volume's driver, how it reads the
// answer into the disk kind and its label, and that it closes what it opened.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>
#include <cstring>
#include <string>
#include <vector>
#include "ui/WindowState.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "ui/SystemCards.h"

namespace {

constexpr const wchar_t* DiskChecking = L"Тип диска: проверка...";
constexpr const wchar_t* DiskUnknown = L"Тип диска: не определён";
constexpr const wchar_t* WindowsDiskUnknown = L"Диск Windows: неизвестен";
constexpr const wchar_t* HddText = L"Системный диск: HDD (по драйверу)";
constexpr const wchar_t* SsdText = L"Системный диск: SSD (по драйверу)";

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

bool AllZero(const void* data, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i]) return false;
    return true;
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

// The stand-in's real STATIC window as the Optimization page's disk label, and its main
// window; the seam and the module's state are put back after every test, and every
// handle opened is closed.
class DiskProbe : public ::testing::Test {
protected:
    void SetUp() override { volume = FakeVolume(); }
    void TearDown() override { seam.ExpectAllClosed(); }

    StandInWindow window;
    CountingSeam seam;
};

}  // namespace

TEST_F(DiskProbe, UnderWineTheQueryFailsAndTheKindBecomesUndetermined)
{
    DiskKind = DiskSsd;
    ProbeSystemDisk();
    EXPECT_EQ(Text(DiskLabel), DiskUnknown);
    // Wine opens the volume but does not answer the storage query
    EXPECT_EQ(seamCounters.filesOpened, 1);
    EXPECT_EQ(DiskKind, DiskNotDetermined);
}

TEST_F(DiskProbe, TheDriversAnswerSetsKindAndText)
{
    InstallFakeVolume();
    struct Row {
        const char* name;
        BOOL ok;
        DWORD bytes;
        BYTE seekPenalty;
        SystemDiskKind expectedKind;
        const wchar_t* expectedText;
    } rows[] = {
        {"seek penalty: HDD", TRUE, 12, 1, DiskHdd, HddText},
        {"any nonzero penalty byte: HDD", TRUE, 12, 0x80, DiskHdd, HddText},
        {"no seek penalty: SSD", TRUE, 12, 0, DiskSsd, SsdText},
        {"9 bytes carry the penalty byte", TRUE, 9, 0, DiskSsd, SsdText},
        {"8 bytes are short", TRUE, 8, 1, DiskNotDetermined, DiskUnknown},
        {"no bytes", TRUE, 0, 0, DiskNotDetermined, DiskUnknown},
        {"query failed", FALSE, 12, 1, DiskNotDetermined, DiskUnknown},
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
    EXPECT_EQ(volume.code, DWORD(IOCTL_STORAGE_QUERY_PROPERTY));
    // the property asked for, then the kind of query, each a 4-byte enumeration; then the extra byte
    const BYTE expectedQuery[12] = {StorageDeviceSeekPenaltyProperty, 0, 0, 0, PropertyStandardQuery, 0, 0, 0, 0, 0, 0, 0};
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
        for (SystemDiskKind kind : {DiskHdd, DiskSsd}) {
            SCOPED_TRACE(std::string(row.name) + ", kind " + std::to_string(kind));
            volume.windowsDirectory = row.windowsDirectory;
            volume.open = row.open;
            volume.opens = volume.queries = 0;
            volume.closed.clear();
            DiskKind = kind;
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
