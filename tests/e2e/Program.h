#pragma once
// The real TarvixMini.exe, started as a process of its own and worked from outside as
// its user would: real mouse clicks and key presses (SendInput), controls read with
// messages (WM_GETTEXT, BM_GETCHECK), message boxes found among the process's own
// top-level windows and answered with a click. Every lookup that finds nothing records
// a test failure, so no scenario passes because something was missing.
#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include "e2e/Screen.h"

// Polls done() every stepMs until it holds or timeoutMs passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD stepMs = 25);

enum class BoxIcon { None, Information, Warning, Error };

// A message box as the user sees it.
struct SeenBox {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    bool yes = false;
    bool no = false;
    bool ok = false;
    BoxIcon icon = BoxIcon::None;
};

class Program {
public:
    Program() = default;
    ~Program();  // ends a process that is still running, by its handle
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program and waits until its main window is shown and painted.
    ::testing::AssertionResult Start();
    // Posts WM_CLOSE and waits for the process to end with exit code 0.
    ::testing::AssertionResult Close();
    HWND Window() const { return window; }
    DWORD ProcessId() const { return info.dwProcessId; }
    HANDLE Process() const { return info.hProcess; }
    DWORD MainThreadId() const { return info.dwThreadId; }

    // Controls. Control finds a child by command id; StaticAt finds the static text
    // whose box starts at client x, y (static texts all have id 0).
    HWND Control(int id) const;
    HWND StaticAt(int x, int y) const;
    static std::wstring Text(HWND window);
    static int Check(HWND toggle);  // BM_GETCHECK; -1 when it could not be asked
    static bool Enabled(HWND control) { return control && IsWindowEnabled(control); }
    static bool Visible(HWND control) { return control && IsWindowVisible(control); }

    // Input through the system's input queue, as a mouse and a keyboard would give it.
    void Click(HWND control);        // left click at the control's centre
    void ClickClient(int x, int y);  // left click at a client point of the main window
    // Gives a push button the keyboard focus without clicking it: pressed at its centre,
    // released off it, as a user who changed their mind.
    void Focus(HWND button);
    void PressKey(WORD virtualKey);
    static void ParkPointer();  // moves the pointer off every window
    // Posts a command that no control sends: 109 and 901 to 905 only.
    void PostCommand(int id);

    // Waits until the program has handled what is queued and the window stopped changing.
    void Settle();
    Capture Shot() const { return Capture::OfClient(window); }

    // Message boxes of this process.
    HWND FindBox() const;
    SeenBox WaitForBox(DWORD timeoutMs = 8000) const;
    // Clicks the button with id IDYES, IDNO or IDOK and waits until the box is gone.
    void Answer(const SeenBox& box, int buttonId);
    // True when no box of this process shows up within ms once the program is idle.
    bool NoBoxWithin(DWORD ms);

private:
    PROCESS_INFORMATION info = {};
    HWND window = nullptr;
};

// Shorthand for the expectations on a box: caption, text, buttons and icon.
void ExpectBox(const SeenBox& box, const std::wstring& text, BoxIcon icon, bool yesNo);
