#include "service/ServiceOps.h"
#include "common/AppendBounded.h"
#include "common/RegistryDword.h"
#include "common/ScopedHandles.h"
#include "service/ServiceCatalogue.h"

namespace {

// A connection to the local Service Control Manager and one service opened on it with
// the access asked for; false when either open failed. The manager is declared first,
// so the service handle is closed before it on every way out.
class ServiceConnection {
public:
    ServiceConnection(const wchar_t* name, DWORD access)
        : manager(osApi.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)),
          service(manager ? osApi.OpenServiceW(manager.Get(), name, access) : nullptr)
    {
    }
    explicit operator bool() const { return static_cast<bool>(service); }
    SC_HANDLE Get() const { return service.Get(); }

private:
    ScopedServiceHandle manager;
    ScopedServiceHandle service;
};

bool ChangeStartType(SC_HANDLE service, DWORD startType)
{
    return osApi.ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

// dwCurrentState of the opened service, or 0 when the query failed
DWORD CurrentState(SC_HANDLE service, SERVICE_STATUS* status)
{
    *status = SERVICE_STATUS{};
    return osApi.QueryServiceStatus(service, status) ? status->dwCurrentState : 0;
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
        const ServiceConnection service(name, SERVICE_QUERY_CONFIG);
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

StartTypeReading ReadBackStartType(const wchar_t* name)
{
    DWORD start = 0;
    switch (ReadStartType(name, &start)) {
    case 0: return start == SERVICE_DISABLED ? StartTypeReading::Disabled : StartTypeReading::NotDisabled;
    case -1:
    case ERROR_MORE_DATA: return StartTypeReading::NoStartType;
    case ERROR_FILE_NOT_FOUND: return StartTypeReading::Gone;
    default: return StartTypeReading::Unreadable;
    }
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
    const ServiceConnection service(name, SERVICE_CHANGE_CONFIG);
    return service && ChangeStartType(service.Get(), startType);
}

bool SetSysMainStartType(DWORD startType, bool stopIfRunning)
{
    DWORD access = SERVICE_CHANGE_CONFIG;
    if (stopIfRunning) access |= SERVICE_QUERY_STATUS | SERVICE_STOP;
    const ServiceConnection service(SysMainName, access);
    if (!service || !ChangeStartType(service.Get(), startType)) return false;
    SERVICE_STATUS status;
    if (stopIfRunning && CurrentState(service.Get(), &status) == SERVICE_RUNNING)
        osApi.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);  // a refused stop does not count
    return true;
}

bool StartSysMain()
{
    const ServiceConnection service(SysMainName, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return false;
    if (osApi.StartServiceW(service.Get(), 0, nullptr)) return true;
    // a start request on a service that already runs counts as success
    SERVICE_STATUS status;
    return CurrentState(service.Get(), &status) == SERVICE_RUNNING;
}

bool StopSysMain()
{
    const ServiceConnection service(SysMainName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return false;
    SERVICE_STATUS status;
    switch (CurrentState(service.Get(), &status)) {
    case SERVICE_STOPPED: return true;
    case SERVICE_RUNNING: return osApi.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != FALSE;
    default: return false;  // the query failed, or a pending or paused state
    }
}

LONG QuerySysMainState()
{
    const ServiceConnection service(SysMainName, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    if (!service || !osApi.QueryServiceStatus(service.Get(), &status)) return -1;
    return static_cast<LONG>(status.dwCurrentState);
}
