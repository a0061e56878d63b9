#pragma once
// What the workflow tests stand on: an empty backup store before and after each test, the
// test services it adds removed again and Wine's own Spooler's start type put back, the
// stand-in main window, and the counting seam, with every handle opened closed by the end.
#include <gtest/gtest.h>
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"

class WorkflowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Wine's own Spooler is a row too: a faulty workflow must not leave it changed
    StartTypeGuard spooler{L"Spooler"};
    ServiceWorld world;
    StandInWindow window;
    CountingSeam seam;
};
