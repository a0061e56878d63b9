#pragma once
// The real main window, created in the test process as the program creates it, with
// the catalogue services (or as few as a test asks for) in the prefix. Every
// Service Control Manager, registry and kernel handle that the window's work opens
// through the seam must be closed by the end of the test.
#include <gtest/gtest.h>
#include <windows.h>
#include "support/Checks.h"
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
    HWND Control(int id) const;

    ServiceWorld world;
    CountingSeam seam;
    HWND window = nullptr;
};
