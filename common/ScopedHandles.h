#pragma once
// Scope guards for the handles an operation opens. They close through the OS seam,
// so a test that counts opens and closes sees every one. Not copyable or movable:
// no handle outlives the operation that opened it. Declared in opening order, the
// service handle closes before the manager handle.
#include "common/OsApi.h"

class ScopedServiceHandle {
public:
    explicit ScopedServiceHandle(SC_HANDLE handle) : handle(handle) {}
    ~ScopedServiceHandle() { if (handle) osApi.CloseServiceHandle(handle); }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;
    SC_HANDLE Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
private:
    SC_HANDLE handle;
};

class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() { if (key) osApi.RegCloseKey(key); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    HKEY Get() const { return key; }
    // for the out parameter of RegOpenKeyExW / RegCreateKeyExW; the key must be empty
    HKEY* Receive() { return &key; }
private:
    HKEY key = nullptr;
};

class ScopedKernelHandle {
public:
    explicit ScopedKernelHandle(HANDLE handle) : handle(handle) {}
    ~ScopedKernelHandle() { if (IsValid()) osApi.CloseHandle(handle); }
    ScopedKernelHandle(const ScopedKernelHandle&) = delete;
    ScopedKernelHandle& operator=(const ScopedKernelHandle&) = delete;
    HANDLE Get() const { return handle; }
    bool IsValid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
private:
    HANDLE handle;
};
