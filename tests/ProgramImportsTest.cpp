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
#include "common/OsApi.h"
#include "draw/GdiPlus.h"
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

// The executable stays within its 96 KiB: one standard container in the program brings
// the C++ library's exception and demangling code along, some 170 KiB of it.
TEST(ProgramImports, WithinItsSizeTarget)
{
    const std::vector<BYTE> image = ReadWholeFile(BuildFolder() + L"TarvixMini.exe");
    ASSERT_FALSE(image.empty());
    EXPECT_LE(image.size(), 96u * 1024u) << "bytes";
}

namespace {

// The full paths of the modules that an ordinary search, from a program in folder, gives
// for each name (empty where it gives none): the marker program, copied there, loads them.
std::vector<std::wstring> OrdinarySearch(const TempFolder& folder, const std::vector<std::wstring>& names)
{
    const std::wstring marker = folder.File(L"ShellMarker.exe");
    const std::wstring record = folder.File(L"search.txt");
    std::vector<std::wstring> found;
    if (!CopyFileW((BuildFolder() + L"ShellMarker.exe").c_str(), marker.c_str(), FALSE)) return found;
    std::wstring command = L"\"" + marker + L"\" -load \"" + record + L"\"";
    for (const std::wstring& name : names) command += L" " + name;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(marker.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return found;
    WaitForSingleObject(process.hProcess, 15000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::vector<BYTE> bytes = ReadWholeFile(record);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    for (size_t from = 0, end; (end = text.find(L'\n', from)) != std::wstring::npos; from = end + 1)
        found.push_back(text.substr(from, end - from));
    DeleteFileW(record.c_str());
    DeleteFileW(marker.c_str());
    return found;
}

std::wstring HeldModule(const std::vector<std::wstring>& modules, const std::wstring& dll)
{
    auto found = std::find_if(modules.begin(), modules.end(), [&](const std::wstring& module) {
        return _wcsicmp(BaseName(module).c_str(), dll.c_str()) == 0;
    });
    return found == modules.end() ? std::wstring() : *found;
}

}  // namespace

// A copy of the program with stand-in shell32, ole32 and oleaut32 beside it runs the
// shell commands 303 and 304; 303 needs ole32 and oleaut32, and every library the copy
// holds then comes from the system directory, nothing from its own folder but itself.
// shell32 is planted too: nothing the commands do may take it from beside the program.
// Under Wine the copy cannot show the fault for ole32 and oleaut32: Wine's gdiplus.dll
// imports OLE32 and COM's proxy library imports OLEAUT32, both from the system directory,
// before the program's own loads, and for these libraries Wine runs its built-in code
// whatever file a search finds. The program's own loads are checked in the next test.
TEST(ProgramImports, LibrariesPlantedBesideTheProgramAreNotLoaded)
{
    TempFolder folder;
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"TarvixMini.exe").c_str(), folder.File(L"TarvixMini.exe").c_str(), FALSE));
    struct Plant {
        std::wstring dll;
        std::vector<std::string> exports;
        bool needed;  // loaded by the commands
    } const plants[] = {
        {L"shell32.dll", {"ShellExecuteW"}, false},
        {L"ole32.dll", {"CoCreateInstance", "CoInitializeEx", "CoUninitialize"}, true},
        {L"oleaut32.dll", {"SysAllocString", "SysFreeString"}, true},
    };
    std::vector<std::wstring> names;
    for (const Plant& plant : plants) {
        ASSERT_TRUE(WriteFakeDll(folder.File(plant.dll.c_str()), plant.exports));
        names.push_back(plant.dll);
    }

    // each plant is what an ordinary search from beside the program finds (Wine names the
    // module after the file it found, also where it runs its own code)
    const std::vector<std::wstring> searched = OrdinarySearch(folder, names);
    ASSERT_EQ(searched.size(), names.size()) << "the marker did not report its loads";
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(IsInFolder(searched[i], folder.Path() + L"\\")) << testing::PrintToString(searched[i]);

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
        SCOPED_TRACE(testing::PrintToString(plant.dll));
        const std::wstring held = HeldModule(modules, plant.dll);
        if (held.empty()) {
            EXPECT_FALSE(plant.needed) << "not loaded by the shell commands";
            continue;
        }
        EXPECT_TRUE(IsInFolder(held, SystemFolder())) << testing::PrintToString(held);
    }
    HandlerLaunch launch;
    EXPECT_TRUE(settings.WaitForLaunch(launch, 10000)) << "303 did not reach the desktop shell";
}

namespace {

// This program's import of KERNEL32's LoadLibraryExW pointed at a recorder while the object
// lives: the product code linked into the tests calls through the same import, so every
// load it makes, with the search it asks for, is seen.
class LoadRecorder {
public:
    struct Load {
        std::wstring name;
        DWORD flags;
    };

    LoadRecorder()
    {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
             ++entry) {
            if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), "kernel32.dll") != 0) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (strcmp(reinterpret_cast<const char*>(byName->Name), "LoadLibraryExW") == 0)
                    slot = reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
        if (!slot) return;
        real = reinterpret_cast<decltype(real)>(*slot);
        Write(reinterpret_cast<void*>(&Record));
        loads.clear();
    }
    ~LoadRecorder()
    {
        if (slot) Write(reinterpret_cast<void*>(real));
    }
    LoadRecorder(const LoadRecorder&) = delete;
    LoadRecorder& operator=(const LoadRecorder&) = delete;
    bool Installed() const { return slot != nullptr; }
    // the loads of the library named, in the order made
    static std::vector<DWORD> FlagsOf(const wchar_t* name)
    {
        std::vector<DWORD> flags;
        for (const Load& load : loads)
            if (_wcsicmp(load.name.c_str(), name) == 0) flags.push_back(load.flags);
        return flags;
    }

private:
    static HMODULE WINAPI Record(LPCWSTR name, HANDLE file, DWORD flags)
    {
        loads.push_back({name ? name : L"", flags});
        return real(name, file, flags);
    }
    void Write(void* function)
    {
        DWORD was = 0;
        VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &was);
        *slot = function;
        VirtualProtect(slot, sizeof(void*), was, &was);
    }

    void** slot = nullptr;
    static inline decltype(&::LoadLibraryExW) real = nullptr;
    static inline std::vector<Load> loads;
};

}  // namespace

// Each library the program binds at run time is loaded, on its first use, with a search of
// the system directory alone. ctest runs each test in a process of its own, so the uses
// here are the first.
TEST(ProgramImports, TheProgramsOwnLoadsSearchOnlyTheSystemDirectory)
{
    LoadRecorder recorder;
    ASSERT_TRUE(recorder.Installed()) << "no import of LoadLibraryExW found";
    // the recorder sees a load of the test's own, made with no search restriction
    HMODULE version = LoadLibraryExW(L"version.dll", nullptr, 0);
    ASSERT_NE(version, nullptr);
    FreeLibrary(version);
    ASSERT_EQ(LoadRecorder::FlagsOf(L"version.dll"), std::vector<DWORD>{0});

    struct Row {
        const wchar_t* dll;
        void (*firstUse)();
    } const rows[] = {
        {L"ole32.dll",
         [] {
             if (SUCCEEDED(osApi.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) osApi.CoUninitialize();
         }},
        {L"oleaut32.dll", [] { osApi.SysFreeString(osApi.SysAllocString(L"x")); }},
        {L"oleacc.dll",
         [] {
             IAccessible* object = nullptr;
             SystemAccessibleObjectFromWindow(nullptr, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&object));
             if (object) object->Release();
         }},
        {L"gdiplus.dll",
         [] {
             BindGdiPlus();
             ReleaseGdiPlus();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.dll)));
        row.firstUse();
        const std::vector<DWORD> flags = LoadRecorder::FlagsOf(row.dll);
        ASSERT_FALSE(flags.empty()) << "not loaded by its first use";
        for (DWORD flag : flags) EXPECT_EQ(flag, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
    }
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
    auto held = [&](const wchar_t* dll) { return HeldModule(ModulesOf(copy.ProcessId()), dll); };
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
