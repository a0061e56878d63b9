#include "support/OtherCopyLock.h"

OtherCopyLock::OtherCopyLock(const wchar_t* name)
    : ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)), done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    holder = std::thread([this, name] {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
        const DWORD wait = mutex ? WaitForSingleObject(mutex, 0) : WAIT_FAILED;
        held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        SetEvent(ready);
        if (held) {
            WaitForSingleObject(done, INFINITE);
            ReleaseMutex(mutex);
        }
        if (mutex) CloseHandle(mutex);
    });
    WaitForSingleObject(ready, INFINITE);
}

OtherCopyLock::~OtherCopyLock()
{
    SetEvent(done);
    holder.join();
    CloseHandle(ready);
    CloseHandle(done);
}
