#include "common/SystemLibraries.h"

namespace {

struct Library {
    const wchar_t* name;
    HMODULE module;
};

Library ole32 = {L"ole32.dll", nullptr};
Library oleaut32 = {L"oleaut32.dll", nullptr};
Library kernel32 = {L"kernel32.dll", nullptr};
Library oleacc = {L"oleacc.dll", nullptr};
Library ntdll = {L"ntdll.dll", nullptr};

const HRESULT Missing = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);

// Fills entry on its first use; false while the library or the name cannot be had.
// The libraries are never freed: the shell and COM leave threads and objects behind
// that still run their code.
template <typename Function>
bool Resolve(Function& entry, Library& library, const char* name)
{
    if (entry) return true;
    // system directory only: a copy planted beside the program must never run elevated
    if (!library.module) library.module = LoadLibraryExW(library.name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library.module) return false;
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library.module, name)));
    return entry != nullptr;
}

}  // namespace

HRESULT WINAPI SystemCoInitializeEx(LPVOID reserved, DWORD model)
{
    static decltype(&::CoInitializeEx) entry = nullptr;
    if (!Resolve(entry, ole32, "CoInitializeEx")) return Missing;
    return entry(reserved, model);
}

void WINAPI SystemCoUninitialize()
{
    static decltype(&::CoUninitialize) entry = nullptr;
    if (Resolve(entry, ole32, "CoUninitialize")) entry();
}

HRESULT WINAPI SystemCoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                                      LPVOID* object)
{
    static decltype(&::CoCreateInstance) entry = nullptr;
    if (!Resolve(entry, ole32, "CoCreateInstance")) {
        if (object) *object = nullptr;
        return Missing;
    }
    return entry(classId, outer, context, interfaceId, object);
}

BSTR WINAPI SystemSysAllocString(const OLECHAR* text)
{
    static decltype(&::SysAllocString) entry = nullptr;
    return Resolve(entry, oleaut32, "SysAllocString") ? entry(text) : nullptr;
}

void WINAPI SystemSysFreeString(BSTR text)
{
    static decltype(&::SysFreeString) entry = nullptr;
    if (Resolve(entry, oleaut32, "SysFreeString")) entry(text);
}

HANDLE WINAPI SystemCreateBoundaryDescriptorW(LPCWSTR name, ULONG flags)
{
    static decltype(&::CreateBoundaryDescriptorW) entry = nullptr;
    if (Resolve(entry, kernel32, "CreateBoundaryDescriptorW")) return entry(name, flags);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI SystemAddSIDToBoundaryDescriptor(HANDLE* boundary, PSID sid)
{
    static decltype(&::AddSIDToBoundaryDescriptor) entry = nullptr;
    if (Resolve(entry, kernel32, "AddSIDToBoundaryDescriptor")) return entry(boundary, sid);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI SystemAddIntegrityLabelToBoundaryDescriptor(HANDLE* boundary, PSID label)
{
    static decltype(&::AddIntegrityLabelToBoundaryDescriptor) entry = nullptr;
    if (Resolve(entry, kernel32, "AddIntegrityLabelToBoundaryDescriptor")) return entry(boundary, label);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

HANDLE WINAPI SystemCreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias)
{
    static decltype(&::CreatePrivateNamespaceW) entry = nullptr;
    if (Resolve(entry, kernel32, "CreatePrivateNamespaceW")) return entry(attributes, boundary, alias);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HANDLE WINAPI SystemOpenPrivateNamespaceW(LPVOID boundary, LPCWSTR alias)
{
    static decltype(&::OpenPrivateNamespaceW) entry = nullptr;
    if (Resolve(entry, kernel32, "OpenPrivateNamespaceW")) return entry(boundary, alias);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOLEAN WINAPI SystemClosePrivateNamespace(HANDLE space, ULONG flags)
{
    static decltype(&::ClosePrivateNamespace) entry = nullptr;
    return Resolve(entry, kernel32, "ClosePrivateNamespace") ? entry(space, flags) : FALSE;
}

VOID WINAPI SystemDeleteBoundaryDescriptor(HANDLE boundary)
{
    static decltype(&::DeleteBoundaryDescriptor) entry = nullptr;
    if (Resolve(entry, kernel32, "DeleteBoundaryDescriptor")) entry(boundary);
}

LONG WINAPI SystemNtDeleteKey(HANDLE key)
{
    using NtDeleteKeyCall = LONG(WINAPI*)(HANDLE);
    static NtDeleteKeyCall entry = nullptr;
    constexpr LONG ProcedureNotFound = static_cast<LONG>(0xC000007A);  // STATUS_PROCEDURE_NOT_FOUND
    return Resolve(entry, ntdll, "NtDeleteKey") ? entry(key) : ProcedureNotFound;
}

HRESULT WINAPI SystemCoDisconnectObject(LPUNKNOWN object, DWORD reserved)
{
    static decltype(&::CoDisconnectObject) entry = nullptr;
    if (!Resolve(entry, ole32, "CoDisconnectObject")) return Missing;
    return entry(object, reserved);
}

LRESULT WINAPI SystemLresultFromObject(REFIID interfaceId, WPARAM wParam, LPUNKNOWN object)
{
    static decltype(&::LresultFromObject) entry = nullptr;
    if (!Resolve(entry, oleacc, "LresultFromObject")) return Missing;
    return entry(interfaceId, wParam, object);
}

HRESULT WINAPI SystemCreateStdAccessibleObject(HWND window, LONG objectId, REFIID interfaceId, void** object)
{
    static decltype(&::CreateStdAccessibleObject) entry = nullptr;
    if (!Resolve(entry, oleacc, "CreateStdAccessibleObject")) {
        if (object) *object = nullptr;
        return Missing;
    }
    return entry(window, objectId, interfaceId, object);
}

HRESULT WINAPI SystemAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID interfaceId, void** object)
{
    static decltype(&::AccessibleObjectFromWindow) entry = nullptr;
    if (!Resolve(entry, oleacc, "AccessibleObjectFromWindow")) {
        if (object) *object = nullptr;
        return Missing;
    }
    return entry(window, objectId, interfaceId, object);
}
