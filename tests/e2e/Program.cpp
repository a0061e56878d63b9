#include "e2e/Program.h"
#include "e2e/CloseWatch.h"
#include "e2e/Text.h"
#include "support/BuildFolder.h"

namespace {

constexpr const wchar_t* MainClass = L"TarvixMini435Window";
constexpr const wchar_t* Title = L"Tarvix Mini 4.4.1";
constexpr int BoxTextId = 0xFFFF;
constexpr DWORD MessageTimeoutMs = 5000;

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<TopLevelSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (_wcsicmp(ClassOf(window).c_str(), search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className)
{
    TopLevelSearch search = {processId, className, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Client rectangle of child inside parent.
RECT ChildBox(HWND parent, HWND child)
{
    RECT box = {};
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

struct StaticSearch {
    HWND parent;
    int x, y;
    HWND found;
};

BOOL CALLBACK MatchStatic(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<StaticSearch*>(param);
    if (GetParent(child) != search->parent || _wcsicmp(ClassOf(child).c_str(), L"Static") != 0) return TRUE;
    RECT box = ChildBox(search->parent, child);
    if (box.left != search->x || box.top != search->y) return TRUE;
    search->found = child;
    return FALSE;
}

BOOL CALLBACK MatchIcon(HWND child, LPARAM param)
{
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") != 0) return TRUE;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// The icon's kind from its pixels: the system icons differ in their dominant colour
// (information blue, warning yellow, error red).
BoxIcon IconKind(HWND box)
{
    HWND icon = nullptr;
    EnumChildWindows(box, MatchIcon, reinterpret_cast<LPARAM>(&icon));
    if (!icon || !IsWindowVisible(icon)) return BoxIcon::None;
    RECT area = {};
    GetWindowRect(icon, &area);
    Capture capture = Capture::OfScreen(area);
    int blue = 0, yellow = 0, red = 0;
    for (int y = 0; y < capture.Height(); ++y) {
        for (int x = 0; x < capture.Width(); ++x) {
            COLORREF c = capture.At(x, y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (b > 150 && r < 120 && g < 200 && b > r + 60)
                ++blue;
            else if (r > 180 && g > 140 && b < 90)
                ++yellow;
            else if (r > 150 && g < 90 && b < 90)
                ++red;
        }
    }
    constexpr int Enough = 20;
    if (blue >= Enough && blue > yellow && blue > red) return BoxIcon::Information;
    if (yellow >= Enough && yellow > red) return BoxIcon::Warning;
    if (red >= Enough) return BoxIcon::Error;
    return BoxIcon::None;
}

int Normalised(int pixel, int extent)
{
    // Wine maps an absolute coordinate back with (value * extent) >> 16: aim at the centre
    return int(((2LL * pixel + 1) * 65536) / (2LL * extent));
}

void SendMouse(int screenX, int screenY, DWORD buttons)
{
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(screenX, cx);
    input.mi.dy = Normalised(screenY, cy);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    SendInput(1, &input, sizeof(input));
}

void ClickScreen(int x, int y)
{
    SendMouse(x, y, 0);
    Sleep(20);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    Sleep(20);
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(stepMs);
    }
}

Program::~Program()
{
    if (!info.hProcess) return;
    // a failed scenario may leave the program running, perhaps with a box open
    EndIfRunning(info.hProcess);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

::testing::AssertionResult Program::Start()
{
    if (info.hProcess) return ::testing::AssertionFailure() << "the program was started twice by one Program";
    ParkPointer();
    std::wstring path = BuildFolder() + L"TarvixMini.exe";
    std::wstring folder = BuildFolder();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        info = {};
        return ::testing::AssertionFailure() << "CreateProcessW failed with " << GetLastError();
    }
    bool shown = WaitUntil(
        [&] {
            window = FindTopLevel(info.dwProcessId, MainClass);
            return window != nullptr || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        },
        20000);
    if (!shown || !window) {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return ::testing::AssertionFailure() << "the main window of class TarvixMini435Window did not appear"
                                             << (code == STILL_ACTIVE ? "" : "; the program ended with exit code ")
                                             << (code == STILL_ACTIVE ? std::string() : std::to_string(code));
    }
    if (Text(window) != Title) return ::testing::AssertionFailure() << "main window title: " << Utf8(Text(window));
    // painted: the sidebar is white, or light grey when the program paints without GDI+
    bool painted = WaitUntil(
        [&] {
            COLORREF c = Shot().At(100, 500);
            return c == RGB(255, 255, 255) || c == RGB(247, 248, 247);
        },
        10000);
    if (!painted) return ::testing::AssertionFailure() << "the main window was not painted";
    Settle();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Program::Close()
{
    if (!info.hProcess || !window) return ::testing::AssertionFailure() << "the program is not running";
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0)
        return ::testing::AssertionFailure() << "the program did not end after WM_CLOSE";
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    if (code != 0) return ::testing::AssertionFailure() << "the program ended with exit code " << code;
    return ::testing::AssertionSuccess();
}

HWND Program::Control(int id) const
{
    HWND control = window ? GetDlgItem(window, id) : nullptr;
    if (!control) ADD_FAILURE() << "the main window has no control with id " << id;
    return control;
}

HWND Program::StaticAt(int x, int y) const
{
    StaticSearch search = {window, x, y, nullptr};
    if (window) EnumChildWindows(window, MatchStatic, reinterpret_cast<LPARAM>(&search));
    if (!search.found) ADD_FAILURE() << "the main window has no static text at " << x << ", " << y;
    return search.found;
}

std::wstring Program::Text(HWND control)
{
    if (!control) return L"<no window>";
    // another process's window: GetWindowTextW would not ask it
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             MessageTimeoutMs, &length))
        return L"<no answer>";
    return std::wstring(text, length);
}

int Program::Check(HWND toggle)
{
    DWORD_PTR state = 0;
    if (!toggle || !SendMessageTimeoutW(toggle, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs, &state))
        return -1;
    return int(state);
}

void Program::Click(HWND control)
{
    if (!control || !IsWindowVisible(control)) {
        ADD_FAILURE() << "clicking a control that is " << (control ? "hidden" : "missing");
        return;
    }
    RECT box = {};
    GetWindowRect(control, &box);
    ClickScreen((box.left + box.right) / 2, (box.top + box.bottom) / 2);
}

void Program::ClickClient(int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    ClickScreen(point.x, point.y);
}

void Program::Focus(HWND button)
{
    if (!button || !IsWindowVisible(button)) {
        ADD_FAILURE() << "focusing a control that is " << (button ? "hidden" : "missing");
        return;
    }
    RECT box = {};
    GetWindowRect(button, &box);
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    SendMouse(x, y, 0);
    Sleep(20);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    Sleep(20);
    SendMouse(x, box.top - 30, 0);
    Sleep(20);
    SendMouse(x, box.top - 30, MOUSEEVENTF_LEFTUP);
    ParkPointer();
}

void Program::PressKey(WORD virtualKey)
{
    INPUT input[2] = {};
    for (INPUT& key : input) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = virtualKey;
        key.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void Program::ParkPointer()
{
    SendMouse(GetSystemMetrics(SM_CXSCREEN) - 4, GetSystemMetrics(SM_CYSCREEN) - 4, 0);
}

void Program::PostCommand(int id)
{
    if (id != 109 && (id < 901 || id > 905)) {
        ADD_FAILURE() << "command " << id << " is sent by a control: click the control instead";
        return;
    }
    PostMessageW(window, WM_COMMAND, WPARAM(id), 0);
}

void Program::Settle()
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs, &ignored);
    Capture previous = Shot();
    WaitUntil(
        [&] {
            Capture now = Shot();
            bool same = now.SameAs(previous);
            previous = now;
            return same;
        },
        5000, 60);
}

HWND Program::FindBox() const
{
    return info.hProcess ? FindTopLevel(info.dwProcessId, L"#32770") : nullptr;
}

SeenBox Program::WaitForBox(DWORD timeoutMs) const
{
    SeenBox seen;
    WaitUntil([&] { return (seen.window = FindBox()) != nullptr; }, timeoutMs);
    if (!seen.window) {
        ADD_FAILURE() << "no message box appeared";
        return seen;
    }
    if (!WaitUntil([&] { return GetDlgItem(seen.window, BoxTextId) != nullptr; }))
        ADD_FAILURE() << "the box has no text control";
    seen.caption = Text(seen.window);
    seen.text = Text(GetDlgItem(seen.window, BoxTextId));
    auto shown = [&](int id) { return Visible(GetDlgItem(seen.window, id)); };
    seen.yes = shown(IDYES);
    seen.no = shown(IDNO);
    seen.ok = shown(IDOK);
    // the icon is read from the screen: give the box the time to paint it
    WaitUntil([&] { return (seen.icon = IconKind(seen.window)) != BoxIcon::None; }, 3000, 50);
    return seen;
}

void Program::Answer(const SeenBox& box, int buttonId)
{
    HWND button = box.window ? GetDlgItem(box.window, buttonId) : nullptr;
    if (!button) {
        ADD_FAILURE() << "the box has no button with id " << buttonId;
        return;
    }
    Click(button);
    if (!WaitUntil([&] { return !IsWindow(box.window); }, 5000))
        ADD_FAILURE() << "the box did not close after clicking button " << buttonId;
    ParkPointer();
}

bool Program::NoBoxWithin(DWORD ms)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs, &ignored);
    return !WaitUntil([&] { return FindBox() != nullptr; }, ms);
}

void ExpectBox(const SeenBox& box, const std::wstring& text, BoxIcon icon, bool yesNo)
{
    ASSERT_NE(box.window, nullptr) << "expected a box saying " << Utf8(text);
    EXPECT_EQ(Utf8(box.caption), Utf8(Title));
    EXPECT_EQ(Utf8(box.text), Utf8(text));
    EXPECT_EQ(box.yes, yesNo) << "Yes button";
    EXPECT_EQ(box.no, yesNo) << "No button";
    EXPECT_EQ(box.ok, !yesNo) << "OK button";
    EXPECT_EQ(int(box.icon), int(icon)) << "icon (0 none, 1 information, 2 warning, 3 error) of " << Utf8(text);
}
