#include "common/IndexingOptions.h"
#include "common/AppendBounded.h"
#include "common/OsApi.h"

namespace {

constexpr size_t PathCapacity = MAX_PATH + 16;
constexpr size_t CommandCapacity = PathCapacity + 48;

}  // namespace

bool OpenIndexingOptions()
{
    // The program runs elevated. ShellExecuteW would look the file up through the class
    // associations, which merge keys any process of the user can write, and hand the
    // child this program's current folder (often Downloads), where a planted library
    // could be found. The system's own control.exe, started by its full path from the
    // system folder, has neither.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    wchar_t program[PathCapacity] = {};
    AppendBounded(program, PathCapacity, folder);
    AppendBounded(program, PathCapacity, L"\\control.exe");
    // CreateProcessW may write into the command line: it lives in a buffer of its own
    wchar_t commandLine[CommandCapacity] = L"\"";
    AppendBounded(commandLine, CommandCapacity, program);
    AppendBounded(commandLine, CommandCapacity, L"\" /name Microsoft.IndexingOptions");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!osApi.CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &started))
        return false;
    osApi.CloseHandle(started.hThread);
    osApi.CloseHandle(started.hProcess);
    return true;
}
