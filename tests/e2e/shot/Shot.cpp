// TarvixShot FILE.png: the screenshot that scripts/run.sh takes on a virtual display.
// Starts TarvixMini.exe of this folder as the end-to-end driver does, waits until its
// window is painted and still, saves the whole window, and closes that window with
// WM_CLOSE. Exit code 0 when the picture is saved and the program ended with 0.
#include <cstdio>
#include "e2e/Program.h"
#include "e2e/Text.h"

namespace {

int Fail(int code, const std::string& why)
{
    fprintf(stderr, "%s\n", why.c_str());
    return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) return Fail(1, "usage: TarvixShot FILE.png");
    Program program;
    ::testing::AssertionResult started = program.Start();
    if (!started) return Fail(2, started.message());
    const bool saved = Capture::OfWindow(program.Window()).SaveAs(argv[1]);
    ::testing::AssertionResult closed = program.Close();
    if (!saved) return Fail(3, "the window could not be captured or " + Utf8(argv[1]) + " not written");
    if (!closed) return Fail(4, closed.message());
    return 0;
}
