#include "service/ServiceOps.h"
#include "common/AppendBounded.h"
#include "common/ScopedHandles.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"

namespace {

SC_HANDLE ConnectToManager()
{
    return osApi.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
}

bool ChangeStartType(SC_HANDLE service, DWORD startType)
{
    return osApi.ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

constexpr size_t KeyPathCapacity = 160;
constexpr const wchar_t* ServiceKeyRoot = L"SYSTEM\\CurrentControlSet\\Services\\";

// SYSTEM\CurrentControlSet\Services\<name>; a name longer than the buffer is cut
void BuildServiceKeyPath(wchar_t (&keyPath)[KeyPathCapacity], const wchar_t* name)
{
    keyPath[0] = L'\0';
    AppendBounded(keyPath, KeyPathCapacity, ServiceKeyRoot);
    AppendBounded(keyPath, KeyPathCapacity, name);
}

}  // namespace

bool QueryStartType(const wchar_t* name, DWORD* startType)
{
    {
        // the handle only proves that the service exists; the start type comes from the registry
        ScopedServiceHandle manager(ConnectToManager());
        if (!manager) return false;
        ScopedServiceHandle service(osApi.OpenServiceW(manager.Get(), name, SERVICE_QUERY_CONFIG));
        if (!service) return false;
    }
    return ReadStartType(name, startType) == 0;
}

LONG ReadStartType(const wchar_t* name, DWORD* startType)
{
    wchar_t keyPath[KeyPathCapacity];
    BuildServiceKeyPath(keyPath, name);
    return ReadDwordValue(keyPath, L"Start", startType);
}

bool FlushStartType(const wchar_t* name)
{
    wchar_t keyPath[KeyPathCapacity];
    BuildServiceKeyPath(keyPath, name);
    ScopedRegKey key;
    if (osApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Receive()) !=
        ERROR_SUCCESS)
        return false;
    return osApi.RegFlushKey(key.Get()) == ERROR_SUCCESS;
}

bool SetStartType(const wchar_t* name, DWORD startType)
{
    ScopedServiceHandle manager(ConnectToManager());
    if (!manager) return false;
    ScopedServiceHandle service(osApi.OpenServiceW(manager.Get(), name, SERVICE_CHANGE_CONFIG));
    if (!service) return false;
    return ChangeStartType(service.Get(), startType);
}

bool SetSysMainStartType(DWORD startType, bool stopIfRunning)
{
    DWORD access = SERVICE_CHANGE_CONFIG;
    if (stopIfRunning) access |= SERVICE_QUERY_STATUS | SERVICE_STOP;
    ScopedServiceHandle manager(ConnectToManager());
    if (!manager) return false;
    ScopedServiceHandle service(osApi.OpenServiceW(manager.Get(), SysMainName, access));
    if (!service) return false;
    if (!ChangeStartType(service.Get(), startType)) return false;
    if (stopIfRunning) {
        SERVICE_STATUS status = {};
        if (osApi.QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING)
            osApi.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);  // a refused stop does not count
    }
    return true;
}

bool StartSysMain()
{
    ScopedServiceHandle manager(ConnectToManager());
    if (!manager) return false;
    ScopedServiceHandle service(osApi.OpenServiceW(manager.Get(), SysMainName, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) return false;
    if (osApi.StartServiceW(service.Get(), 0, nullptr)) return true;
    // a start request on a service that already runs counts as success
    SERVICE_STATUS status = {};
    return osApi.QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool StopSysMain()
{
    ScopedServiceHandle manager(ConnectToManager());
    if (!manager) return false;
    ScopedServiceHandle service(osApi.OpenServiceW(manager.Get(), SysMainName, SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) return false;
    SERVICE_STATUS status = {};
    if (!osApi.QueryServiceStatus(service.Get(), &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (status.dwCurrentState != SERVICE_RUNNING) return false;
    return osApi.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != FALSE;
}
