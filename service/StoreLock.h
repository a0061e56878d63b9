#pragma once
#include <windows.h>
#include "common/ScopedHandles.h"

// Held while a workflow reads, decides and writes start types and backups, so that two
// copies of the program, in any logon session, never interleave their changes. It is
// taken after a confirmation and given back before the result box: never held while
// the user is asked.
class StoreLock {
public:
    StoreLock();
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    // false when the lock could not be had; the workflow then changes nothing
    explicit operator bool() const { return held; }
private:
    ScopedKernelHandle mutex;
    bool held = false;
};

constexpr const wchar_t* StoreLockName = L"Global\\TarvixMini.BackupStore";
// another copy holds the lock only for one pass, a fraction of a second
constexpr DWORD StoreLockTimeoutMs = 10000;
