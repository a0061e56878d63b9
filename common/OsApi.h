#pragma once
// The Windows calls that the service, backup, information and message paths make,
// gathered in one table so that a test can make a single call fail or record it.
// Window creation and painting call Windows directly.
#include <windows.h>
#include <shellapi.h>

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
    decltype(&::RegFlushKey) RegFlushKey = ::RegFlushKey;
    decltype(&::RegCloseKey) RegCloseKey = ::RegCloseKey;
    // the lock that copies of the program share
    decltype(&::CreateMutexW) CreateMutexW = ::CreateMutexW;
    decltype(&::WaitForSingleObject) WaitForSingleObject = ::WaitForSingleObject;
    decltype(&::ReleaseMutex) ReleaseMutex = ::ReleaseMutex;
    // storage and memory
    decltype(&::GetWindowsDirectoryW) GetWindowsDirectoryW = ::GetWindowsDirectoryW;
    decltype(&::CreateFileW) CreateFileW = ::CreateFileW;
    decltype(&::DeviceIoControl) DeviceIoControl = ::DeviceIoControl;
    decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
    decltype(&::GlobalMemoryStatusEx) GlobalMemoryStatusEx = ::GlobalMemoryStatusEx;
    // user and shell
    decltype(&::MessageBoxW) MessageBoxW = ::MessageBoxW;
    decltype(&::ShellExecuteW) ShellExecuteW = ::ShellExecuteW;
};

extern OsApi osApi;
