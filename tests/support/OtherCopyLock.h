#pragma once
// Another copy of the program, as far as the lock that copies share is concerned: it tries
// to take the lock, without waiting, on a thread of its own (a mutex is recursive per
// thread, so the test's own thread could not tell), and holds it until destroyed.
// The name is the tests' own, written here again: a program that changed it would not
// exclude a copy of an earlier build.
#include <windows.h>
#include <thread>

// the lock's name on a system without private namespaces, as under Wine
constexpr const wchar_t* GlobalStoreLockName = L"Global\\TarvixMini.BackupStore";

class OtherCopyLock {
public:
    explicit OtherCopyLock(const wchar_t* name = GlobalStoreLockName);
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
