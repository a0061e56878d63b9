#include "service/StoreLock.h"

StoreLock::StoreLock() : mutex(osApi.CreateMutexW(nullptr, FALSE, StoreLockName))
{
    if (!mutex.IsValid()) return;
    const DWORD wait = osApi.WaitForSingleObject(mutex.Get(), StoreLockTimeoutMs);
    // abandoned: a copy ended in the middle of its pass; every pass reads afresh what it
    // decides on, so the state it left is safe to work on
    held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

StoreLock::~StoreLock()
{
    if (held) osApi.ReleaseMutex(mutex.Get());
}
