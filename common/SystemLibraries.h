#pragma once
// The Windows calls of OLE32 and OLEAUT32, which the program needs only when a shell
// command runs, of OLEACC, which it needs only when a screen reader asks for the window's
// accessible objects, and the private-namespace calls of KERNEL32, which not every system
// has (Wine 8 has stubs that end the process). The executable does not import these: each
// library is loaded on the first call that needs it, from the system directory only, and
// stays loaded until the process ends. Each function stands in for the Windows call of
// the same name and fails as that call would when its library or entry point cannot be had.
// NTDLL's NtDeleteKey has no import library of its own in every toolchain: it is bound
// the same way.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <oleacc.h>

HRESULT WINAPI SystemCoInitializeEx(LPVOID reserved, DWORD model);
void WINAPI SystemCoUninitialize();
HRESULT WINAPI SystemCoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                                      LPVOID* object);
BSTR WINAPI SystemSysAllocString(const OLECHAR* text);
void WINAPI SystemSysFreeString(BSTR text);

HANDLE WINAPI SystemCreateBoundaryDescriptorW(LPCWSTR name, ULONG flags);
BOOL WINAPI SystemAddSIDToBoundaryDescriptor(HANDLE* boundary, PSID sid);
BOOL WINAPI SystemAddIntegrityLabelToBoundaryDescriptor(HANDLE* boundary, PSID label);
HANDLE WINAPI SystemCreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias);
HANDLE WINAPI SystemOpenPrivateNamespaceW(LPVOID boundary, LPCWSTR alias);
BOOLEAN WINAPI SystemClosePrivateNamespace(HANDLE space, ULONG flags);
VOID WINAPI SystemDeleteBoundaryDescriptor(HANDLE boundary);

// Deletes the key of an open handle (that has DELETE access) with no second access check;
// an NTSTATUS, negative on failure.
LONG WINAPI SystemNtDeleteKey(HANDLE key);

HRESULT WINAPI SystemCoDisconnectObject(LPUNKNOWN object, DWORD reserved);
LRESULT WINAPI SystemLresultFromObject(REFIID interfaceId, WPARAM wParam, LPUNKNOWN object);
HRESULT WINAPI SystemCreateStdAccessibleObject(HWND window, LONG objectId, REFIID interfaceId, void** object);
HRESULT WINAPI SystemAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID interfaceId, void** object);
