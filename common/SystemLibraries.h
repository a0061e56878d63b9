#pragma once
// The Windows calls of SHELL32, OLE32 and OLEAUT32, which the program needs only when a
// shell command runs. The executable does not import these libraries: each is loaded on
// the first call that needs it, from the system directory only, and stays loaded until
// the process ends. Each function stands in for the Windows call of the same name and
// fails as that call would when its library or entry point cannot be had.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

HINSTANCE WINAPI SystemShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT show);
HRESULT WINAPI SystemCoInitializeEx(LPVOID reserved, DWORD model);
void WINAPI SystemCoUninitialize();
HRESULT WINAPI SystemCoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                                      LPVOID* object);
BSTR WINAPI SystemSysAllocString(const OLECHAR* text);
void WINAPI SystemSysFreeString(BSTR text);
