#include "support/WorkflowFaults.h"
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Tracked {
    SC_HANDLE handle;
    std::wstring name;
};
std::vector<Tracked> tracked;
decltype(&::OpenServiceW) openBelow = nullptr;
decltype(&::CloseServiceHandle) closeBelow = nullptr;

SC_HANDLE WINAPI TrackedOpen(SC_HANDLE manager, LPCWSTR name, DWORD access)
{
    SC_HANDLE h = openBelow(manager, name, access);
    if (h) tracked.push_back({h, name});
    return h;
}

BOOL WINAPI TrackedClose(SC_HANDLE h)
{
    for (size_t i = 0; i < tracked.size(); ++i)
        if (tracked[i].handle == h) {
            tracked.erase(tracked.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    return closeBelow(h);
}

OsFault fault = OsFault::None;
std::wstring target;
int refused = 0;
OsApi below;

bool Targeted(const wchar_t* name)
{
    return target.empty() || (name && _wcsicmp(name, target.c_str()) == 0);
}

}  // namespace

void TrackServiceNames()
{
    if (osApi.OpenServiceW == TrackedOpen) return;
    openBelow = osApi.OpenServiceW;
    closeBelow = osApi.CloseServiceHandle;
    osApi.OpenServiceW = TrackedOpen;
    osApi.CloseServiceHandle = TrackedClose;
}

const wchar_t* ServiceNameOf(SC_HANDLE service)
{
    for (const Tracked& t : tracked)
        if (t.handle == service) return t.name.c_str();
    return L"";
}

FaultSeam::FaultSeam(OsFault kind, const wchar_t* name)
{
    TrackServiceNames();
    below = osApi;
    fault = kind;
    target = name ? name : L"";
    refused = 0;
    osApi.RegCreateKeyExW = [](HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                               LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition) -> LSTATUS {
        if (fault == OsFault::CreateKey) {
            ++refused;
            return ERROR_ACCESS_DENIED;
        }
        return below.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
    };
    osApi.RegSetValueExW = [](HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size) -> LSTATUS {
        if (fault == OsFault::SetValue && Targeted(name)) {
            ++refused;
            return ERROR_ACCESS_DENIED;
        }
        return below.RegSetValueExW(key, name, reserved, type, data, size);
    };
    osApi.RegDeleteValueW = [](HKEY key, LPCWSTR name) -> LSTATUS {
        if (fault == OsFault::DeleteValue && Targeted(name)) {
            ++refused;
            return ERROR_ACCESS_DENIED;
        }
        return below.RegDeleteValueW(key, name);
    };
    osApi.RegOpenKeyExW = [](HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key) -> LSTATUS {
        if (fault == OsFault::OpenKey && Targeted(path)) {
            ++refused;
            return ERROR_ACCESS_DENIED;
        }
        return below.RegOpenKeyExW(root, path, options, sam, key);
    };
    osApi.RegQueryValueExW = [](HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) -> LSTATUS {
        if (fault == OsFault::ReadValue && Targeted(name)) {
            ++refused;
            return ERROR_ACCESS_DENIED;
        }
        return below.RegQueryValueExW(key, name, reserved, type, data, size);
    };
    osApi.RegFlushKey = [](HKEY key) -> LSTATUS {
        if (fault == OsFault::FlushKey) {
            ++refused;
            return ERROR_REGISTRY_IO_FAILED;
        }
        return below.RegFlushKey(key);
    };
    osApi.WaitForSingleObject = [](HANDLE h, DWORD ms) -> DWORD {
        if (fault == OsFault::Lock) {
            ++refused;
            return WAIT_TIMEOUT;
        }
        return below.WaitForSingleObject(h, ms);
    };
    osApi.OpenSCManagerW = [](LPCWSTR machine, LPCWSTR database, DWORD access) -> SC_HANDLE {
        if (fault == OsFault::OpenManager) {
            ++refused;
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        return below.OpenSCManagerW(machine, database, access);
    };
    osApi.OpenServiceW = [](SC_HANDLE manager, LPCWSTR name, DWORD access) -> SC_HANDLE {
        if (fault == OsFault::OpenService && Targeted(name)) {
            ++refused;
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        return below.OpenServiceW(manager, name, access);
    };
    osApi.ChangeServiceConfigW = [](SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                                    LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password,
                                    LPCWSTR display) -> BOOL {
        if (fault == OsFault::ChangeConfig && Targeted(ServiceNameOf(h))) {
            ++refused;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return below.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
    };
}

FaultSeam::~FaultSeam()
{
    fault = OsFault::None;
}

int FaultSeam::Refused()
{
    return refused;
}
