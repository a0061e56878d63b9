#pragma once
// The Windows calls that the service, backup, lock, information, message and shell paths make,
// gathered in one table so that a test can make a single call fail or record it.
// Window creation and painting call Windows directly.
#include <windows.h>
#include <ntsecapi.h>
#include "common/SystemLibraries.h"

struct OsApi {
    // Service Control Manager
    decltype(&::OpenSCManagerW) OpenSCManagerW = ::OpenSCManagerW;
    decltype(&::OpenServiceW) OpenServiceW = ::OpenServiceW;
    decltype(&::QueryServiceStatus) QueryServiceStatus = ::QueryServiceStatus;
    decltype(&::ChangeServiceConfigW) ChangeServiceConfigW = ::ChangeServiceConfigW;
    decltype(&::StartServiceW) StartServiceW = ::StartServiceW;
    decltype(&::ControlService) ControlService = ::ControlService;
    decltype(&::CloseServiceHandle) CloseServiceHandle = ::CloseServiceHandle;
    // registry
    decltype(&::RegOpenKeyExW) RegOpenKeyExW = ::RegOpenKeyExW;
    decltype(&::RegQueryValueExW) RegQueryValueExW = ::RegQueryValueExW;
    decltype(&::RegCreateKeyExW) RegCreateKeyExW = ::RegCreateKeyExW;
    decltype(&::RegSetValueExW) RegSetValueExW = ::RegSetValueExW;
    decltype(&::RegDeleteValueW) RegDeleteValueW = ::RegDeleteValueW;
    decltype(&SystemNtDeleteKey) NtDeleteKey = SystemNtDeleteKey;  // bound when first called
    decltype(&::RegFlushKey) RegFlushKey = ::RegFlushKey;
    decltype(&::RegCloseKey) RegCloseKey = ::RegCloseKey;
    // the lock that copies of the program share
    decltype(&::CreateMutexW) CreateMutexW = ::CreateMutexW;
    decltype(&::WaitForSingleObject) WaitForSingleObject = ::WaitForSingleObject;
    decltype(&::ReleaseMutex) ReleaseMutex = ::ReleaseMutex;
    // the lock's private namespace, bound when first called (common/SystemLibraries.h)
    decltype(&::CreateBoundaryDescriptorW) CreateBoundaryDescriptorW = SystemCreateBoundaryDescriptorW;
    decltype(&::AddSIDToBoundaryDescriptor) AddSIDToBoundaryDescriptor = SystemAddSIDToBoundaryDescriptor;
    decltype(&::AddIntegrityLabelToBoundaryDescriptor) AddIntegrityLabelToBoundaryDescriptor =
        SystemAddIntegrityLabelToBoundaryDescriptor;
    decltype(&::CreatePrivateNamespaceW) CreatePrivateNamespaceW = SystemCreatePrivateNamespaceW;
    decltype(&::OpenPrivateNamespaceW) OpenPrivateNamespaceW = SystemOpenPrivateNamespaceW;
    decltype(&::ClosePrivateNamespace) ClosePrivateNamespace = SystemClosePrivateNamespace;
    decltype(&::DeleteBoundaryDescriptor) DeleteBoundaryDescriptor = SystemDeleteBoundaryDescriptor;
    // programs of the system started by the program
    decltype(&::CreateProcessW) CreateProcessW = ::CreateProcessW;
    // random bytes (advapi32's SystemFunction036: ntsecapi.h names it RtlGenRandom)
    decltype(&::RtlGenRandom) RtlGenRandom = ::RtlGenRandom;
    // storage and memory
    decltype(&::GetWindowsDirectoryW) GetWindowsDirectoryW = ::GetWindowsDirectoryW;
    decltype(&::CreateFileW) CreateFileW = ::CreateFileW;
    decltype(&::DeviceIoControl) DeviceIoControl = ::DeviceIoControl;
    decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
    decltype(&::GlobalMemoryStatusEx) GlobalMemoryStatusEx = ::GlobalMemoryStatusEx;
    // user
    decltype(&::MessageBoxW) MessageBoxW = ::MessageBoxW;
    // the high-contrast setting that chooses the palette
    decltype(&::SystemParametersInfoW) SystemParametersInfoW = ::SystemParametersInfoW;
    // COM, bound when first called (common/SystemLibraries.h)
    decltype(&::CoInitializeEx) CoInitializeEx = SystemCoInitializeEx;
    decltype(&::CoUninitialize) CoUninitialize = SystemCoUninitialize;
    decltype(&::CoCreateInstance) CoCreateInstance = SystemCoCreateInstance;
    decltype(&::SysAllocString) SysAllocString = SystemSysAllocString;
    decltype(&::SysFreeString) SysFreeString = SystemSysFreeString;
};

extern OsApi osApi;
