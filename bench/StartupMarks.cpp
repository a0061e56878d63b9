// The profiled builds' timing marks (common/StartupMarks.h): milliseconds since the
// process was created, from the performance counter, one line per start in the file
// "<executable>.marks", read by scripts/bench.sh.
#include "common/StartupMarks.h"
#include <windows.h>
#include <cstdio>

namespace {

constexpr int MarkCapacity = 32;

struct Mark {
    const char* step;
    LARGE_INTEGER counter;
};

Mark marks[MarkCapacity];
int markCount = 0;
bool done = false;
double msAtFirstMark = 0;  // since the process was created

double SinceCreation()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto value = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(value(now) - value(created)) / 10000.0;
}

}  // namespace

void StartupMark(const char* step)
{
    if (done || markCount == MarkCapacity) return;
    if (markCount == 0) msAtFirstMark = SinceCreation();
    marks[markCount].step = step;
    QueryPerformanceCounter(&marks[markCount].counter);
    ++markCount;
}

void StartupMarksDone()
{
    if (done || markCount == 0) return;
    done = true;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[1024];
    int length = 0;
    for (int i = 0; i < markCount && length < 900; ++i) {
        const double ms =
            msAtFirstMark + double(marks[i].counter.QuadPart - marks[0].counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
        length += snprintf(line + length, sizeof(line) - length, "%s%s=%.2f", i ? " " : "", marks[i].step, ms);
    }
    line[length++] = '\n';
    wchar_t path[MAX_PATH + 8];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    lstrcpyW(path + n, L".marks");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}
