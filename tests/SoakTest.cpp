// Long use without growth: timer refreshes with a page switch every ten, full repaints
// of the window and its controls, and Apply round trips (SysMain's automatic start off,
// then back on) answered Yes through the seam. Every GDI+ object created is deleted,
// every service and registry handle opened is closed, and the process holds as many GDI
// and USER objects at the end as after the warm-up.
//
// The default size runs in seconds; TARVIX_SOAK_SCALE=N runs N times as much, and
// TARVIX_SOAK_SCALE=20 is the full soak that scripts/bench.sh reports: 10,000 refreshes,
// 2,000 paints and 500 round trips.
#include <cstdio>
#include <cstdlib>
#include <windows.h>
#include <winternl.h>
#include "ui/ControlIds.h"
#include "draw/GdiPlus.h"
#include "support/GdiCounting.h"
#include "support/MainWindowFixture.h"
#include "ui/WindowState.h"

namespace {

constexpr int BaseRefreshes = 500;
constexpr int RefreshesPerPaint = 5;
constexpr int RefreshesPerRoundTrip = 20;
constexpr int RefreshesPerPage = 10;

int SoakScale()
{
    const char* value = std::getenv("TARVIX_SOAK_SCALE");
    const int scale = value ? std::atoi(value) : 1;
    return scale > 0 ? scale : 1;
}

struct ObjectCount {
    DWORD value;
    const char* source;
};

// Wine answers GetGuiResources with 0 for every process and kind. There the live entries
// of the process's GDI handle table are counted instead: the table the PEB points to
// (offset 0xF8 on x64), 24-byte entries whose type byte (offset 14) is 0 when free.
ObjectCount GdiObjects()
{
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported) return {reported, "GetGuiResources"};
    using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
        return {0, "no GDI handle table"};
    const BYTE* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8);
    DWORD live = 0;
    if (table)
        for (size_t entry = 0; entry < 0x10000; ++entry) live += table[entry * 24 + 14] != 0;
    return {live, "GDI handle table"};
}

BOOL CALLBACK CountWindow(HWND window, LPARAM lParam)
{
    ++*reinterpret_cast<DWORD*>(lParam);
    EnumChildWindows(window, CountWindow, lParam);
    return TRUE;
}

// Where GetGuiResources gives nothing (Wine), the windows of this thread, children included.
ObjectCount UserObjects()
{
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (reported) return {reported, "GetGuiResources"};
    DWORD windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
    return {windows, "windows of the thread"};
}

class Soak : public MainWindowTest {
protected:
    void Command(int id) { SendMessageW(window, WM_COMMAND, id, 0); }
    // as the user flips it: the toggle reports its command
    void FlipAutoStartToggle() { SendMessageW(autoStartToggle, WM_KEYDOWN, VK_SPACE, 0); }

    void RoundTrip()
    {
        FlipAutoStartToggle();  // on: turn the automatic start off
        Command(IdApply);
        FlipAutoStartToggle();  // off: restore it
        Command(IdApply);
    }

    void FullPaint() { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW); }
};

int CountBoxes(const std::vector<RecordedBox>& boxes, const wchar_t* start)
{
    int n = 0;
    for (const RecordedBox& box : boxes) n += box.text.rfind(start, 0) == 0;
    return n;
}

}  // namespace

TEST_F(Soak, RefreshesPaintsAndRoundTripsLeaveNothingBehind)
{
    const int refreshes = BaseRefreshes * SoakScale();
    const int paints = refreshes / RefreshesPerPaint;
    const int roundTrips = refreshes / RefreshesPerRoundTrip;
    const int warmUp = refreshes / 10;

    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    BoxRecorder boxes(std::vector<int>(4 * roundTrips, IDYES));
    Open();
    ASSERT_TRUE(GdiPlusApi.usable) << "the paints would not go through GDI+";
    ObjectCount gdiAfterWarmUp = {}, userAfterWarmUp = {};
    {
        CountingGdiPlus gdiplus;
        for (int i = 0; i < refreshes; ++i) {
            if (i == warmUp) {
                gdiAfterWarmUp = GdiObjects();
                userAfterWarmUp = UserObjects();
            }
            if (i % RefreshesPerPage == 0) Command(IdFirstPageCommand + (i / RefreshesPerPage) % PageCount);
            SendMessageW(window, WM_TIMER, 1, 0);
            if (i % RefreshesPerPaint == 0) FullPaint();
            if (i % RefreshesPerRoundTrip == RefreshesPerRoundTrip / 2) RoundTrip();
        }
        const ObjectCount gdiAtEnd = GdiObjects(), userAtEnd = UserObjects();
        std::printf("[ soak     ] refreshes=%d paints=%d round_trips=%d gdiplus_graphics=%d/%d gdiplus_brushes=%d/%d "
                    "gdiplus_paths=%d/%d gdi_objects=%lu/%lu (%s) user_objects=%lu/%lu (%s) scm_handles=%d/%d "
                    "registry_keys=%d/%d\n",
                    refreshes, paints, roundTrips, gdipCounts.graphicsCreated, gdipCounts.graphicsDeleted,
                    gdipCounts.brushesCreated, gdipCounts.brushesDeleted, gdipCounts.pathsCreated,
                    gdipCounts.pathsDeleted, gdiAfterWarmUp.value, gdiAtEnd.value, gdiAtEnd.source,
                    userAfterWarmUp.value, userAtEnd.value, userAtEnd.source, seamCounters.scmOpened,
                    seamCounters.scmClosed, seamCounters.keysOpened, seamCounters.keysClosed);
        std::fflush(stdout);

        gdiplus.ExpectBalanced();
        EXPECT_GE(gdipCounts.graphicsCreated, paints) << "every full paint draws through GDI+";
        EXPECT_GT(gdiAfterWarmUp.value, 0u) << gdiAfterWarmUp.source;
        EXPECT_EQ(gdiAtEnd.value, gdiAfterWarmUp.value) << "GDI objects, " << gdiAtEnd.source;
        EXPECT_GT(userAfterWarmUp.value, 0u) << userAfterWarmUp.source;
        EXPECT_EQ(userAtEnd.value, userAfterWarmUp.value) << "USER objects, " << userAtEnd.source;
    }
    seam.ExpectAllClosed();
    EXPECT_GT(seamCounters.scmOpened, refreshes) << "every refresh asks the service manager";

    // every round trip went all the way: asked twice, turned off once, restored once
    EXPECT_EQ(boxes.Boxes().size(), size_t(4 * roundTrips));
    EXPECT_EQ(CountBoxes(boxes.Boxes(), L"Автозапуск SysMain отключён."), roundTrips);
    EXPECT_EQ(CountBoxes(boxes.Boxes(), L"Прежняя настройка SysMain восстановлена."), roundTrips);
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_FALSE(ValueExists(ProductKey, L"OriginalStart"));
}
