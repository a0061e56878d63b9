// The web-page and startup-apps buttons clicked in the real program, with handlers
// planted for "https" and "ms-settings" as any process of the user could plant them:
// the handler runs, but in the desktop shell's process, never as a child of the
// program, which would hand it the program's administrator rights.
#include "e2e/World.h"
#include <shellapi.h>
#include "support/ShellHandler.h"

namespace {

class ShellTargets : public EndToEnd {};

}  // namespace

TEST_F(ShellTargets, PlantedHandlersNeverRunAsChildrenOfTheProgram)
{
    PlantedHandler settings(L"ms-settings");
    PlantedHandler web(L"https");
    struct Row {
        const char* name;
        const PlantedHandler& handler;
        const wchar_t* target;  // what the button opens
        int sidebarRow;  // of the button's page
        int button;
    } const rows[] = {
        {"Автозагрузка Windows (303)", settings, L"ms-settings:startupapps", 2, 303},
        {"Подробнее о Tarvix (105)", web, L"https://tarvix.example/mini", 3, 105},
    };
    // the plants work: opened from a process of the test, each handler runs as its child
    // and sees the show command it was opened with
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.handler.Planted());
        ShellExecuteW(nullptr, L"open", row.target, nullptr, nullptr, SW_SHOWMINNOACTIVE);
        HandlerLaunch launch;
        ASSERT_TRUE(row.handler.WaitForLaunch(launch, 10000)) << "the planted handler is not found";
        ASSERT_EQ(launch.parentId, GetCurrentProcessId());
        ASSERT_EQ(launch.show, SW_SHOWMINNOACTIVE);
        row.handler.Forget();
    }

    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // by the sidebar: after a click the focus is on a button, which takes no page keys
        program.ClickClient(110, 105 + 52 * row.sidebarRow + 22);
        Program::ParkPointer();
        HWND button = program.Control(row.button);
        ASSERT_TRUE(WaitUntil([&] { return Program::Visible(button); })) << "the button's page did not show";
        program.Click(button);
        HandlerLaunch launch;
        ASSERT_TRUE(row.handler.WaitForLaunch(launch, 10000)) << "the target was not opened";
        EXPECT_EQ(Utf8(launch.target), Utf8(row.target));
        EXPECT_NE(launch.parentId, program.ProcessId()) << "the handler ran as a child of the program";
        EXPECT_EQ(Utf8(launch.parentName), "explorer.exe") << "parent process " << launch.parentId;
        EXPECT_EQ(launch.show, SW_SHOW) << "the page is to be shown";
        EXPECT_TRUE(program.NoBoxWithin(500)) << "a box after opening";
    }
    EXPECT_TRUE(program.Close());
}

namespace {

// The test prefix's control.exe replaced by the marker program, which records its parent,
// its current folder and its command line beside itself; the real one, and Wine's choice
// of its own built-in, come back afterwards.
class StandInControlPanel {
public:
    StandInControlPanel()
    {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        folder = system;
        program = folder + L"\\control.exe";
        saved = program + L".tarvix-saved";
        record = program + L".record";
        DeleteFileW(record.c_str());
        // a run that was killed may have left the marker in its place
        if (GetFileAttributesW(saved.c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExW(saved.c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!MoveFileExW(program.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
        moved = true;
        if (!CopyFileW((BuildFolder() + L"ShellMarker.exe").c_str(), program.c_str(), FALSE)) return;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, OverridesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &overrides,
                            nullptr) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof(savedOverride);
        hadOverride = RegQueryValueExW(overrides, L"control.exe", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(savedOverride), &size) == ERROR_SUCCESS;
        const wchar_t native[] = L"native";
        ready = RegSetValueExW(overrides, L"control.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(native),
                               sizeof(native)) == ERROR_SUCCESS;
    }
    ~StandInControlPanel()
    {
        if (overrides) {
            if (hadOverride)
                RegSetValueExW(overrides, L"control.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(savedOverride),
                               static_cast<DWORD>((wcslen(savedOverride) + 1) * sizeof(wchar_t)));
            else
                RegDeleteValueW(overrides, L"control.exe");
            RegCloseKey(overrides);
        }
        if (moved) MoveFileExW(saved.c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(record.c_str());
    }
    StandInControlPanel(const StandInControlPanel&) = delete;
    StandInControlPanel& operator=(const StandInControlPanel&) = delete;

    bool Ready() const { return ready; }
    const std::wstring& Folder() const { return folder; }
    const std::wstring& ProgramPath() const { return program; }

    struct Start {
        DWORD parentId = 0;
        std::wstring folder;
        std::wstring commandLine;
    };
    // Waits for the marker to have run; what it recorded. The record is read once.
    bool WaitForStart(Start& start, DWORD timeoutMs) const
    {
        std::wstring text;
        const bool seen = WaitUntil(
            [&] {
                HANDLE file = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                          nullptr);
                if (file == INVALID_HANDLE_VALUE) return false;
                wchar_t buffer[2048] = {};
                DWORD read = 0;
                ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &read, nullptr);
                CloseHandle(file);
                text.assign(buffer, read / sizeof(wchar_t));
                return true;
            },
            timeoutMs, 50);
        DeleteFileW(record.c_str());
        if (!seen) return false;
        const size_t first = text.find(L'|'), second = text.find(L'|', first + 1), third = text.find(L'|', second + 1);
        if (third == std::wstring::npos) return false;
        start.parentId = std::wcstoul(text.substr(0, first).c_str(), nullptr, 10);
        start.folder = text.substr(second + 1, third - second - 1);
        start.commandLine = text.substr(third + 1);
        return true;
    }

private:
    static constexpr const wchar_t* OverridesKey = L"Software\\Wine\\DllOverrides";
    std::wstring folder, program, saved, record;
    bool moved = false, ready = false, hadOverride = false;
    HKEY overrides = nullptr;
    wchar_t savedOverride[64] = {};
};

bool SameFolder(std::wstring a, std::wstring b)
{
    while (a.size() > 3 && a.back() == L'\\') a.pop_back();
    while (b.size() > 3 && b.back() == L'\\') b.pop_back();
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

// "Параметры индексации" starts the system's own control.exe by its full path, with the
// system folder as its current folder. Opened the old way (ShellExecuteW with no folder),
// the child had the current folder of whoever opened it: the program's, often Downloads,
// where a library planted by the user would be found first.
TEST_F(ShellTargets, IndexingOptionsStartsControlPanelInTheSystemFolder)
{
    StandInControlPanel control;
    ASSERT_TRUE(control.Ready()) << "control.exe of the test prefix could not be replaced";
    // the plant works, and shows the folder of whoever opens it the old way
    ShellExecuteW(nullptr, L"open", control.ProgramPath().c_str(), L"/name Microsoft.IndexingOptions", nullptr, SW_SHOW);
    StandInControlPanel::Start start;
    ASSERT_TRUE(control.WaitForStart(start, 10000)) << "the stand-in control.exe did not run";
    wchar_t own[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, own);
    ASSERT_TRUE(SameFolder(start.folder, own)) << Utf8(start.folder);
    ASSERT_FALSE(SameFolder(start.folder, control.Folder())) << "the test runs in the system folder";

    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    program.ClickClient(110, 105 + 52 * 2 + 22);
    Program::ParkPointer();
    HWND button = program.Control(304);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(button); })) << "the Optimization page did not show";
    program.Click(button);
    ASSERT_TRUE(control.WaitForStart(start, 10000)) << "control.exe was not started";
    EXPECT_EQ(start.parentId, program.ProcessId());
    EXPECT_TRUE(SameFolder(start.folder, control.Folder())) << "current folder " << Utf8(start.folder);
    EXPECT_EQ(Utf8(start.commandLine), Utf8(L"\"" + control.ProgramPath() + L"\" /name Microsoft.IndexingOptions"));
    EXPECT_TRUE(program.NoBoxWithin(500)) << "a box after opening";
    EXPECT_TRUE(program.Close());
}
