#pragma once
// Another copy of the program, as far as the lock that copies share is concerned: it tries
// to take the lock, without waiting, on a thread of its own (a mutex is recursive per
// thread, so the test's own thread could not tell), and holds it until destroyed.
#include <windows.h>
#include <thread>

class OtherCopyLock {
public:
    OtherCopyLock();
    ~OtherCopyLock();
    OtherCopyLock(const OtherCopyLock&) = delete;
    OtherCopyLock& operator=(const OtherCopyLock&) = delete;
    bool Held() const { return held; }

private:
    HANDLE ready;
    HANDLE done;
    bool held = false;
    std::thread holder;
};
