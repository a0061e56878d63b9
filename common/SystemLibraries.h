#pragma once
// The Windows calls of SHELL32, OLE32, OLEAUT32 and OLEACC, which the program needs only
// when a shell command runs or a screen reader asks for the window's accessible objects. The executable does not import these libraries: each is loaded on
// the first call that needs it, from the system directory only, and stays loaded until
// the process ends. Each function stands in for the Windows call of the same name and
// fails as that call would when its library or entry point cannot be had.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <oleacc.h>
#include <shellapi.h>

HINSTANCE WINAPI SystemShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT show);
HRESULT WINAPI SystemCoInitializeEx(LPVOID reserved, DWORD model);
void WINAPI SystemCoUninitialize();
HRESULT WINAPI SystemCoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                                      LPVOID* object);
BSTR WINAPI SystemSysAllocString(const OLECHAR* text);
void WINAPI SystemSysFreeString(BSTR text);
HRESULT WINAPI SystemCoDisconnectObject(LPUNKNOWN object, DWORD reserved);
LRESULT WINAPI SystemLresultFromObject(REFIID interfaceId, WPARAM wParam, LPUNKNOWN object);
HRESULT WINAPI SystemCreateStdAccessibleObject(HWND window, LONG objectId, REFIID interfaceId, void** object);
HRESULT WINAPI SystemAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID interfaceId, void** object);
