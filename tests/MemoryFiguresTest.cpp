// The memory figures: the memory text in whole mebibytes, the load and its font, and
// the repaint of the load only when it changed.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include "ui/Paint.h"
#include "draw/Palette.h"
#include "support/Checks.h"
#include "support/GdiWorld.h"
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "ui/SystemCards.h"
#include "ui/WindowState.h"

namespace {

constexpr const wchar_t* MemoryChecking = L"RAM: проверка...";
constexpr ULONGLONG MiB = 1ull << 20;

// What the fake GlobalMemoryStatusEx was asked, and what it answers.
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

// The stand-in's real STATIC window as the Optimization page's memory label, and its main
// window; the seam and the module's state are put back after every test, and every
// handle opened is closed.
class MemoryFigures : public ::testing::Test {
protected:
    void SetUp() override { memory = FakeMemory(); }
    void TearDown() override { seam.ExpectAllClosed(); }

    StandInWindow window;
    CountingSeam seam;
};

}  // namespace

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
class MemoryLoadRepaint : public MemoryFigures {
protected:
    void SetUp() override
    {
        MemoryFigures::SetUp();
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
