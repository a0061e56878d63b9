// What TarvixMini.exe loads before and after it can protect itself: the loader resolves
// only the five base libraries; the shell and COM libraries come later, from the system
// directory, even when copies are planted beside the program.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <oleacc.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "support/GdiFakeDll.h"
#include "support/ShellHandler.h"
#include "support/TestWorld.h"

namespace {

std::vector<BYTE> ReadWholeFile(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

// The program's import directories, read from the file as the loader reads them.
class PeImage {
public:
    explicit PeImage(std::vector<BYTE> file) : bytes(std::move(file))
    {
        if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE || bytes.size() < dos->e_lfanew + sizeof(IMAGE_NT_HEADERS64)) return;
        nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.data() + dos->e_lfanew);
        if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) nt = nullptr;
    }
    bool Valid() const { return nt != nullptr; }
    const IMAGE_DATA_DIRECTORY& Directory(int entry) const { return nt->OptionalHeader.DataDirectory[entry]; }

    // The names of the DLLs in the import directory, in its order; empty on a malformed one.
    std::vector<std::string> ImportedDlls() const
    {
        std::vector<std::string> names;
        for (DWORD rva = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(rva);
            if (!entry) return {};
            if (entry->Name == 0) return names;
            const char* name = At<char>(entry->Name);
            if (!name) return {};
            names.emplace_back(name, strnlen(name, bytes.data() + bytes.size() - reinterpret_cast<const BYTE*>(name)));
        }
    }

private:
    template <typename T>
    const T* At(DWORD rva) const
    {
        const auto* section = IMAGE_FIRST_SECTION(nt);
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva < section->VirtualAddress || rva >= section->VirtualAddress + section->SizeOfRawData) continue;
            const size_t offset = section->PointerToRawData + (rva - section->VirtualAddress);
            return offset + sizeof(T) <= bytes.size() ? reinterpret_cast<const T*>(bytes.data() + offset) : nullptr;
        }
        return nullptr;
    }

    std::vector<BYTE> bytes;
    const IMAGE_NT_HEADERS64* nt = nullptr;
};

std::wstring BaseName(const std::wstring& path)
{
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::vector<std::wstring> ModulesOf(DWORD processId)
{
    std::vector<std::wstring> modules;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return modules;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry))
        modules.push_back(entry.szExePath);
    CloseHandle(snapshot);
    return modules;
}

// A copy of the program, started from where it lies and closed (or ended) at scope exit.
class RunningCopy {
public:
    explicit RunningCopy(const std::wstring& folder)
    {
        const std::wstring program = folder + L"\\TarvixMini.exe";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        // started in the test's own working folder, so that the copy's folder can be removed afterwards
        if (!CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return;
        for (int i = 0; i < 200 && !window; ++i) {
            EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(this));
            if (!window) Sleep(50);
        }
    }
    ~RunningCopy()
    {
        if (!process.hProcess) return;
        if (window) PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 15000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the copy did not end after WM_CLOSE";
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;
    HWND Window() const { return window; }
    DWORD ProcessId() const { return process.dwProcessId; }
    // runs a command as a click would, and waits until the program has handled it
    void Command(int id) const
    {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_COMMAND, id, 0, SMTO_ABORTIFHUNG, 20000, &ignored);
    }

private:
    static BOOL CALLBACK MatchMainWindow(HWND candidate, LPARAM param)
    {
        auto* copy = reinterpret_cast<RunningCopy*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(candidate, &owner);
        wchar_t name[64] = {};
        GetClassNameW(candidate, name, 64);
        if (owner != copy->process.dwProcessId || wcscmp(name, L"TarvixMini435Window") != 0) return TRUE;
        copy->window = candidate;
        return FALSE;
    }

    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

}  // namespace

TEST(ProgramImports, OnlyTheFiveBaseLibraries)
{
    PeImage image(ReadWholeFile(BuildFolder() + L"TarvixMini.exe"));
    ASSERT_TRUE(image.Valid());
    std::vector<std::string> dlls = image.ImportedDlls();
    for (std::string& dll : dlls) std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
    std::sort(dlls.begin(), dlls.end());
    const std::vector<std::string> expected = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"};
    EXPECT_EQ(dlls, expected);
    EXPECT_EQ(image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size, 0u) << "delay-loaded imports";
}

// A copy of the program with stand-in shell32, ole32 and oleaut32 beside it runs the
// shell commands 303 and 304; 303 needs ole32 and oleaut32, and every library the copy
// holds then comes from the system directory, nothing from its own folder but itself.
// shell32 is planted too: nothing the commands do may take it from beside the program.
TEST(ProgramImports, LibrariesPlantedBesideTheProgramAreNotLoaded)
{
    TempFolder folder;
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"TarvixMini.exe").c_str(), folder.File(L"TarvixMini.exe").c_str(), FALSE));
    struct Plant {
        const wchar_t* dll;
        std::vector<std::string> exports;
        bool needed;  // loaded by the commands
    } const plants[] = {
        {L"shell32.dll", {"ShellExecuteW"}, false},
        {L"ole32.dll", {"CoCreateInstance", "CoInitializeEx", "CoUninitialize"}, true},
        {L"oleaut32.dll", {"SysAllocString", "SysFreeString"}, true},
    };
    for (const Plant& plant : plants) ASSERT_TRUE(WriteFakeDll(folder.File(plant.dll), plant.exports));

    // a handler for 303 to succeed with, so that the desktop shell shows no error of its own
    PlantedHandler settings(L"ms-settings");
    RunningCopy copy(folder.Path());
    ASSERT_NE(copy.Window(), nullptr) << "the copy's window did not appear";
    copy.Command(303);
    copy.Command(304);

    const std::vector<std::wstring> modules = ModulesOf(copy.ProcessId());
    ASSERT_FALSE(modules.empty());
    const std::wstring own = folder.Path() + L"\\";
    for (const std::wstring& module : modules) {
        if (_wcsicmp(BaseName(module).c_str(), L"TarvixMini.exe") == 0) continue;
        EXPECT_FALSE(IsInFolder(module, own)) << "loaded from beside the program: " << testing::PrintToString(module);
    }
    for (const Plant& plant : plants) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(plant.dll)));
        auto held = std::find_if(modules.begin(), modules.end(), [&](const std::wstring& module) {
            return _wcsicmp(BaseName(module).c_str(), plant.dll) == 0;
        });
        if (held == modules.end()) {
            EXPECT_FALSE(plant.needed) << "not loaded by the shell commands";
            continue;
        }
        EXPECT_TRUE(IsInFolder(*held, SystemFolder())) << testing::PrintToString(*held);
    }
    HandlerLaunch launch;
    EXPECT_TRUE(settings.WaitForLaunch(launch, 10000)) << "303 did not reach the desktop shell";
}

// The accessibility libraries come only with a screen reader's first request, and from
// the system directory even when copies are planted beside the program.
TEST(ProgramImports, AccessibilityLibrariesComeWithTheFirstRequestFromTheSystem)
{
    TempFolder folder;
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"TarvixMini.exe").c_str(), folder.File(L"TarvixMini.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFakeDll(folder.File(L"oleacc.dll"),
                             {"AccessibleObjectFromWindow", "CreateStdAccessibleObject", "LresultFromObject"}));
    ASSERT_TRUE(WriteFakeDll(folder.File(L"ole32.dll"), {"CoDisconnectObject", "CoInitializeEx", "CoUninitialize"}));
    ASSERT_TRUE(WriteFakeDll(folder.File(L"oleaut32.dll"), {"SysAllocString", "SysFreeString"}));

    RunningCopy copy(folder.Path());
    ASSERT_NE(copy.Window(), nullptr) << "the copy's window did not appear";
    auto held = [&](const wchar_t* dll) {
        const std::vector<std::wstring> modules = ModulesOf(copy.ProcessId());
        auto found = std::find_if(modules.begin(), modules.end(), [&](const std::wstring& module) {
            return _wcsicmp(BaseName(module).c_str(), dll) == 0;
        });
        return found == modules.end() ? std::wstring() : *found;
    };
    EXPECT_EQ(held(L"oleacc.dll"), L"") << "loaded before any screen reader asked";

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IAccessible* client = nullptr;
    const HRESULT result = AccessibleObjectFromWindow(copy.Window(), static_cast<DWORD>(OBJID_CLIENT),
                                                      __uuidof(IAccessible), reinterpret_cast<void**>(&client));
    EXPECT_EQ(result, S_OK);
    if (client) {
        LONG count = 0;
        EXPECT_EQ(client->get_accChildCount(&count), S_OK);
        EXPECT_GT(count, 4) << "the tabs and more";
        client->Release();
    }
    CoUninitialize();

    for (const wchar_t* dll : {L"oleacc.dll", L"ole32.dll", L"oleaut32.dll"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(dll)));
        const std::wstring module = held(dll);
        ASSERT_NE(module, L"") << "not loaded by the request";
        EXPECT_TRUE(IsInFolder(module, SystemFolder())) << testing::PrintToString(module);
    }
}
