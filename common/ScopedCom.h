#pragma once
// Scope guards for COM: the calling thread's apartment, one interface reference and one
// BSTR. Not copyable or movable. Declared after the apartment, every reference is
// released before the apartment ends.
#include "common/OsApi.h"

// COM on the calling thread for one operation, single-threaded as a window's thread
// needs it; ended at scope exit when this guard began it.
class ScopedComApartment {
public:
    ScopedComApartment() : result(osApi.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ScopedComApartment() { if (SUCCEEDED(result)) osApi.CoUninitialize(); }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;
    // a thread that already runs COM in the other model can still make the calls
    bool Usable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }
private:
    HRESULT result;
};

template <typename Interface>
class ScopedComPtr {
public:
    ScopedComPtr() = default;
    ~ScopedComPtr() { if (object) object->Release(); }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    Interface* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    // for the out parameter of the call that hands the reference over; must be empty
    Interface** Receive() { return &object; }
private:
    Interface* object = nullptr;
};

class ScopedBstr {
public:
    explicit ScopedBstr(const wchar_t* text) : text(osApi.SysAllocString(text)) {}
    ~ScopedBstr() { if (text) osApi.SysFreeString(text); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return text; }
    explicit operator bool() const { return text != nullptr; }
private:
    BSTR text;
};
