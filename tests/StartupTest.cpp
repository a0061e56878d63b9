#include "support/MainWindowFixture.h"
#include "draw/GdiPlus.h"
#include "draw/Palette.h"
#include "ui/Commands.h"
#include "ui/MainWindow.h"
#include "ui/WindowState.h"

namespace {

class Startup : public MainWindowTest {};

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + L"TarvixMini.exe";
}

}  // namespace

TEST_F(Startup, WindowAsCreated)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    Open();
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    EXPECT_STREQ(cls, L"TarvixMini435Window");
    EXPECT_EQ(Text(window), L"Tarvix Mini 4.4.1");
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & 0x00CF0000, 0x00CA0000) << "no sizing border, no maximise box";
    RECT r = {};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 160);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right - r.left, 920);
    EXPECT_EQ(r.bottom - r.top, 755);
    // the first refreshes ran before the first paint: no placeholder is left on Home
    for (HWND label : {statusLabel, startTypeLabel, savedSettingLabel}) {
        EXPECT_EQ(Text(label).find(L"роверка..."), std::wstring::npos) << "placeholder: " << testing::PrintToString(Text(label));
    }
    EXPECT_EQ(Text(statusLabel), L"Работает");
    EXPECT_EQ(Text(savedSettingLabel), L"Сохранённая настройка: отсутствует");
}

TEST_F(Startup, ProgramEndsWithZeroWhenClosed)
{
    std::wstring path = ProgramPath();
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND found = nullptr;
    for (int i = 0; i < 200 && !found; ++i) {
        found = FindWindowW(MainClassName, L"Tarvix Mini 4.4.1");
        if (!found) Sleep(50);
    }
    EXPECT_NE(found, nullptr) << "the program's window did not appear";
    if (found) PostMessageW(found, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

namespace {

// Asks, right after the program's own WM_DESTROY and while the window still exists,
// whether the refresh timer is still there: a destroyed window answers KillTimer with
// FALSE whatever the program did, so only here does the answer tell.
WNDPROC programProc = nullptr;
BOOL timerLeftAtDestroy = FALSE;

LRESULT CALLBACK AfterProgramDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcW(programProc, window, message, wParam, lParam);
    if (message == WM_DESTROY) timerLeftAtDestroy = KillTimer(window, RefreshTimerId);
    return result;
}

}  // namespace

TEST_F(Startup, DestroyReleasesTimerFontsAndBrushes)
{
    Open();
    HGDIOBJ objects[] = {fontRegular18, fontRegular15, fontSemibold22, fontBold25, fontSymbol21,
                         cardBrush,     fallbackBrush, statusCardBrush};
    for (HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0u);
    programProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfterProgramDestroy)));
    timerLeftAtDestroy = TRUE;
    Close();
    for (HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u) << "a font or brush left behind";
    EXPECT_FALSE(timerLeftAtDestroy) << "the refresh timer outlived WM_DESTROY";
    EXPECT_FALSE(GdiPlusApi.usable);
}
