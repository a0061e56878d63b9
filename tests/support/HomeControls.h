#pragma once
// Real windows standing in for the Home page: a parent window as mainWindow, STATIC
// labels and check-box buttons in place of the toggles, all subclassed to count the
// messages that change what the user sees.
#include <windows.h>
#include <string>

struct MessageCounts {
    int setText = 0;
    int enable = 0;
    int setCheck = 0;
    int Total() const { return setText + enable + setCheck; }
};

class HomeControls {
public:
    HomeControls();   // assigns the control globals and resets the SysMain snapshot
    ~HomeControls();  // destroys the windows and clears the globals again
    HomeControls(const HomeControls&) = delete;
    HomeControls& operator=(const HomeControls&) = delete;
    static MessageCounts counts;
    static void ResetCounts() { counts = MessageCounts(); }
    // the main window's update rectangle, empty when nothing is invalid
    RECT UpdateRect() const;
    void Validate() const;
    static std::wstring Text(HWND window);
    static bool Checked(HWND window);
};
