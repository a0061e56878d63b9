#pragma once
// The real main window, created in the test process as the program creates it, with
// the seven catalogue services (or as few as a test asks for) in the prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "support/OsSeam.h"
#include "support/TestWorld.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // creates the window; call after the world is set up
    HWND Open();
    void Close();
    // processes what is queued for the window (paints, posted messages)
    static void Pump();
    static std::wstring Text(HWND window);
    static bool Checked(HWND window);
    static bool Visible(HWND window);
    HWND Control(int id) const;

    ServiceWorld world;
    HWND window = nullptr;
};
