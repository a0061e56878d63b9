// Measures a window program from the outside, as a user would meet it: the time from
// process creation to its first paint on screen, and its memory and CPU while it sits
// idle. Run under Wine by scripts/bench.sh, which reads the key=value lines it prints.
//
//   BenchDriver startup RUNS TARGET...       RUNS timed starts of each target, interleaved
//   BenchDriver idle SECONDS SETTLE_MS TARGET  one start, then memory and CPU over SECONDS
//
// A TARGET is four arguments: a name, the executable, the client point "x,y" of a pixel
// that only the target's first WM_PAINT sets, and that pixel's colour as hex RRGGBB.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

struct Target {
    const wchar_t* name;
    const wchar_t* path;
    POINT probe;
    COLORREF colour;
};

struct Started {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    double msToPaint = 0;
    bool ok = false;
};

constexpr DWORD AppearTimeoutMs = 30000;
constexpr DWORD ExitTimeoutMs = 15000;

LARGE_INTEGER frequency;

double MsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD processId)
{
    WindowSearch search = {processId, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ParseTarget(wchar_t** args, Target& target)
{
    target.name = args[0];
    target.path = args[1];
    if (swscanf(args[2], L"%ld,%ld", &target.probe.x, &target.probe.y) != 2) return false;
    unsigned rgb = 0;
    if (swscanf(args[3], L"%x", &rgb) != 1) return false;
    target.colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

// Creates the process and waits, polling about once a millisecond, until its window is
// visible and the probe pixel on screen has the colour that only its paint gives it.
Started StartAndWaitForPaint(const Target& target, HDC screen)
{
    Started s;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(target.path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.process)) {
        fwprintf(stderr, L"cannot start %ls: error %lu\n", target.path, GetLastError());
        return s;
    }
    POINT screenProbe = {};
    while (MsSince(start) < AppearTimeoutMs) {
        if (!s.window) {
            s.window = VisibleWindowOf(s.process.dwProcessId);
            if (s.window) {
                screenProbe = target.probe;
                ClientToScreen(s.window, &screenProbe);
            }
        }
        if (s.window && GetPixel(screen, screenProbe.x, screenProbe.y) == target.colour) {
            s.msToPaint = MsSince(start);
            s.ok = true;
            return s;
        }
        if (WaitForSingleObject(s.process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    fwprintf(stderr, L"%ls: %ls\n", target.name, s.window ? L"the probe pixel never got its colour"
                                                         : L"no visible window appeared");
    return s;
}

// Closes the window as the close box would and waits for a clean exit; false otherwise.
bool CloseAndWait(Started& s, const Target& target)
{
    if (!s.process.hProcess) return false;
    if (s.window) PostMessageW(s.window, WM_CLOSE, 0, 0);
    bool clean = false;
    if (WaitForSingleObject(s.process.hProcess, ExitTimeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 1;
        GetExitCodeProcess(s.process.hProcess, &code);
        clean = code == 0;
        if (!clean) fwprintf(stderr, L"%ls ended with exit code %lu\n", target.name, code);
    } else {
        fwprintf(stderr, L"%ls did not end after WM_CLOSE\n", target.name);
        TerminateProcess(s.process.hProcess, 1);
        WaitForSingleObject(s.process.hProcess, ExitTimeoutMs);
    }
    CloseHandle(s.process.hThread);
    CloseHandle(s.process.hProcess);
    s = Started();
    return clean;
}

ULONGLONG FileTimeValue(const FILETIME& time)
{
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// User plus kernel time of every thread of the process, in 100 ns units. Wine's
// GetProcessTimes on another process reports only part of it; its GetThreadTimes reads
// each thread's own counters.
ULONGLONG ProcessCpuTime(DWORD processId)
{
    ULONGLONG total = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user))
            total += FileTimeValue(kernel) + FileTimeValue(user);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

void PrintSample(const Target& target, const char* phase, const Started& s)
{
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    K32GetProcessMemoryInfo(s.process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    wprintf(L"idle target=%ls phase=%hs pid=%lu working_set=%llu private=%llu cpu_100ns=%llu\n", target.name, phase,
            s.process.dwProcessId, static_cast<unsigned long long>(memory.WorkingSetSize),
            static_cast<unsigned long long>(memory.PrivateUsage), ProcessCpuTime(s.process.dwProcessId));
    fflush(stdout);
}

// The value below which the share q of the values lies, interpolated between neighbours.
double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = size_t(at);
    if (below + 1 >= values.size()) return values.back();
    return values[below] + (at - double(below)) * (values[below + 1] - values[below]);
}

double Median(const std::vector<double>& values)
{
    return Quantile(values, 0.5);
}

// An interval that holds the true median with at least 95 % confidence whatever the
// distribution: the k-th smallest and k-th largest value, k as large as the binomial
// tail allows, with its confidence. With fewer than 6 values it is the smallest and the
// largest, at less confidence.
struct MedianInterval {
    double low, high, confidence;
};

MedianInterval IntervalOfMedian(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    // tail[j]: the chance that at most j of n values fall below the median
    std::vector<double> tail(n + 1);
    double term = std::pow(0.5, double(n)), sum = 0;
    for (size_t j = 0; j <= n; ++j) {
        sum += term;
        tail[j] = sum;
        term = term * double(n - j) / double(j + 1);
    }
    size_t k = 1;
    while (k < n / 2 && tail[k] <= 0.025) ++k;
    return {values[k - 1], values[n - k], 1.0 - 2.0 * tail[k - 1]};
}

int RunStartup(int runs, const std::vector<Target>& targets, HDC screen)
{
    std::vector<std::vector<double>> times(targets.size());
    // one untimed start each first: the executables and DLLs come from disk only once
    for (int run = -1; run < runs; ++run) {
        for (size_t t = 0; t < targets.size(); ++t) {
            Started s = StartAndWaitForPaint(targets[t], screen);
            const bool painted = s.ok;
            const double ms = s.msToPaint;
            if (!CloseAndWait(s, targets[t]) || !painted) return 1;
            if (run >= 0) {
                times[t].push_back(ms);
                wprintf(L"startup target=%ls run=%d ms=%.2f\n", targets[t].name, run + 1, ms);
            }
            Sleep(300);  // let the display and the server settle between starts
        }
    }
    for (size_t t = 0; t < targets.size(); ++t) {
        const auto range = std::minmax_element(times[t].begin(), times[t].end());
        wprintf(L"startup target=%ls runs=%d median_ms=%.2f q1_ms=%.2f q3_ms=%.2f min_ms=%.2f max_ms=%.2f\n",
                targets[t].name, runs, Median(times[t]), Quantile(times[t], 0.25), Quantile(times[t], 0.75),
                *range.first, *range.second);
    }
    // Each target against the one started just before it in the same round: the machine's
    // load drifts over a run, and a round's starts share it.
    for (size_t t = 1; t < targets.size(); ++t) {
        std::vector<double> differences;
        for (int run = 0; run < runs; ++run) differences.push_back(times[t][run] - times[t - 1][run]);
        const MedianInterval interval = IntervalOfMedian(differences);
        wprintf(L"paired first=%ls second=%ls runs=%d median_ms=%.2f q1_ms=%.2f q3_ms=%.2f low_ms=%.2f high_ms=%.2f "
                L"confidence=%.3f\n",
                targets[t].name, targets[t - 1].name, runs, Median(differences), Quantile(differences, 0.25),
                Quantile(differences, 0.75), interval.low, interval.high, interval.confidence);
    }
    return 0;
}

int RunIdle(int seconds, int settleMs, const Target& target, HDC screen)
{
    Started s = StartAndWaitForPaint(target, screen);
    if (!s.ok) {
        CloseAndWait(s, target);
        return 1;
    }
    Sleep(settleMs);
    PrintSample(target, "ready", s);
    Sleep(seconds * 1000);
    PrintSample(target, "end", s);
    return CloseAndWait(s, target) ? 0 : 1;
}

int Usage()
{
    fwprintf(stderr, L"usage: BenchDriver startup RUNS (NAME EXE X,Y RRGGBB)...\n"
                     L"       BenchDriver idle SECONDS SETTLE_MS NAME EXE X,Y RRGGBB\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    QueryPerformanceFrequency(&frequency);
    HDC screen = GetDC(nullptr);
    int status = 2;
    if (argc >= 7 && wcscmp(argv[1], L"startup") == 0 && (argc - 3) % 4 == 0) {
        std::vector<Target> targets((argc - 3) / 4);
        bool parsed = true;
        for (size_t t = 0; t < targets.size(); ++t) parsed = parsed && ParseTarget(argv + 3 + 4 * t, targets[t]);
        const int runs = _wtoi(argv[2]);
        status = parsed && runs > 0 ? RunStartup(runs, targets, screen) : Usage();
    } else if (argc == 8 && wcscmp(argv[1], L"idle") == 0) {
        Target target;
        status = ParseTarget(argv + 4, target) ? RunIdle(_wtoi(argv[2]), _wtoi(argv[3]), target, screen) : Usage();
    } else {
        status = Usage();
    }
    ReleaseDC(nullptr, screen);
    return status;
}
