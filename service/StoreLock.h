#pragma once
#include <windows.h>
#include "common/ScopedHandles.h"

// The private namespace that holds the lock: its boundary requires the Administrators
// group, so no process without administrator rights can create it first, open it, or
// hold a lock inside it; and it carries the High integrity label, against a squat by a
// process of a lower level (an administrator's unelevated processes run at Medium). Where
// the system has no private namespaces (Wine 8), the lock lives under a global name
// instead; where it has them but not the label's call, there is no lock.
class StoreLockNamespace {
public:
    enum class Kind { Private, Unsupported, Failed };
    StoreLockNamespace();
    ~StoreLockNamespace();
    StoreLockNamespace(const StoreLockNamespace&) = delete;
    StoreLockNamespace& operator=(const StoreLockNamespace&) = delete;
    Kind Get() const { return kind; }

private:
    Kind Open();
    HANDLE boundary = nullptr;
    HANDLE space = nullptr;
    Kind kind;
};

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
    StoreLockNamespace space;  // declared first: the mutex in it closes before it
    ScopedKernelHandle mutex;
    bool held = false;
};

// Another copy holds the lock only for one pass, a fraction of a second. The window
// answers no message while it waits, and Windows calls a window that answers nothing for
// 5 s "not responding": past this, the pass gives up and tells the user.
constexpr DWORD StoreLockTimeoutMs = 2000;
