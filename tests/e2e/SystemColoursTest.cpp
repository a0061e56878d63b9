// The system's colour and setting broadcasts reach the running program; with high
// contrast off (Wine cannot turn it on) they leave every pixel of every page as it was.
#include "e2e/World.h"

namespace {

class SystemColours : public EndToEnd {};

void Broadcast(UINT message, WPARAM wParam)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

}  // namespace

TEST_F(SystemColours, BroadcastsWithHighContrastOffChangeNoPixel)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    struct Row {
        const char* name;
        WORD key;
        int control;  // one of the page's own controls
    } pages[] = {{"Services", '2', 401}, {"Optimization", '3', 303}, {"Help", '4', 105}, {"Home", '1', 103}};
    for (const Row& page : pages) {
        SCOPED_TRACE(page.name);
        program.PressKey(page.key);
        // the key is queued input: the page is there once its control shows
        ASSERT_TRUE(WaitUntil([&] { return Program::Visible(program.Control(page.control)); }));
        program.Settle();
        const Capture before = program.Shot();
        Broadcast(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST);
        Broadcast(WM_SYSCOLORCHANGE, 0);
        program.Settle();
        const Capture after = program.Shot();
        ASSERT_FALSE(after.Empty());
        EXPECT_TRUE(after.SameAs(before)) << "the broadcasts changed what the page shows";
    }
    EXPECT_TRUE(program.Close());
}
