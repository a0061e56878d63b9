// Another copy of the program as far as the store lock goes, in a process of its own:
// takes the mutex named by its first argument and holds it until the process is ended.
// A test ends it while it holds the lock, as a copy that crashes in its pass would leave
// it. Exit codes: 2 no name given, 3 the mutex could not be had, 4 not taken in time.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, argv[1]);
    if (!mutex) return 3;
    const DWORD wait = WaitForSingleObject(mutex, 10000);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return 4;
    Sleep(INFINITE);
    return 0;
}
