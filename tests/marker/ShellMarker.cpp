// The command of the URL handlers that the tests plant: records which process started
// it and how it was asked to show its window. Writes "parent id|parent executable|show
// command|target" (UTF-16) to the file named by its first argument; the show command is
// the STARTUPINFO's wShowWindow, or -1 when the starter gave none; the target is the
// second argument, the address the handler was given.
// Copied over a system program (control.exe), and so started with that program's own
// arguments: writes "parent id|parent executable|current folder|command line" to the
// file of its own path with ".record" added.
// Started as "ShellMarker -load FILE NAME...": loads each library NAME with the ordinary
// search, as a program that restricts nothing would, and writes the full path of each
// module it got (empty for one it did not get), one per line, to FILE.
#include <windows.h>
#include <tlhelp32.h>
#include <cwchar>
#include <string>

namespace {

// The id of the process that created this one, and that process's executable name.
void FindParent(DWORD& parentId, std::wstring& parentName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parentId = entry.th32ParentProcessID;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == parentId) parentName = entry.szExeFile;
    CloseHandle(snapshot);
}

// The file written beside and renamed, so that a reader never sees half a record.
bool WriteRecord(const std::wstring& path, const std::wstring& record)
{
    const std::wstring partial = path + L".partial";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(record.size() * sizeof(wchar_t));
    const BOOL ok = WriteFile(file, record.data(), size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int LoadAndRecord(int count, wchar_t** names, const std::wstring& path)
{
    std::wstring record;
    for (int i = 0; i < count; ++i) {
        wchar_t loaded[MAX_PATH] = {};
        if (HMODULE module = LoadLibraryW(names[i])) GetModuleFileNameW(module, loaded, MAX_PATH);
        record += std::wstring(loaded) + L"\n";
    }
    return WriteRecord(path, record) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && wcscmp(argv[1], L"-load") == 0) return LoadAndRecord(argc - 3, argv + 3, argv[2]);
    DWORD parentId = 0;
    std::wstring parentName;
    FindParent(parentId, parentName);
    std::wstring record = std::to_wstring(parentId) + L"|" + parentName + L"|";
    std::wstring path;
    if (argc >= 2 && argv[1][0] == L'/') {
        wchar_t own[MAX_PATH] = {}, folder[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, own, MAX_PATH);
        GetCurrentDirectoryW(MAX_PATH, folder);
        path = std::wstring(own) + L".record";
        record += std::wstring(folder) + L"|" + GetCommandLineW();
    } else {
        if (argc < 3) return 2;
        path = argv[1];
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        GetStartupInfoW(&startup);
        const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
        record += std::to_wstring(show) + L"|" + argv[2];
    }

    return WriteRecord(path, record) ? 0 : 1;
}
