#pragma once
// What the workflows, the status refresh and the system information work on, made of
// real windows: a visible popup of the main window's size as mainWindow, static texts as
// the Home page's labels, the service rows' labels and the Optimization page's,
// check boxes in place of the auto-start and stop toggles and the service row toggles, push
// buttons as Apply, Start and Stop. The stop toggle starts checked, as the program creates it.
// Every window counts what it receives (support/Checks.h). The program-wide state is
// reset when the stand-in is made and again when it goes.
#include <windows.h>

class StandInWindow {
public:
    StandInWindow();
    ~StandInWindow();
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;

    // the main window's update rectangle, empty when nothing is invalid
    RECT UpdateRect() const;
    // paints what is invalid and clears the counts
    void Validate() const;
    // checks exactly the service rows whose bit is set (bit i: row i)
    static void CheckRows(unsigned rows);
    static unsigned CheckedRows();
    // some service row label has a text: the labels are made empty, so the list was refreshed
    static bool ServiceListFilled();
};
