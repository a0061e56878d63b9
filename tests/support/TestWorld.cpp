#include "support/TestWorld.h"
#include <algorithm>

namespace {

std::wstring TestServicePath()
{
    return BuildFolder() + L"TestService.exe";
}

struct Scm {
    SC_HANDLE h;
    explicit Scm(SC_HANDLE handle) : h(handle) {}
    ~Scm() { if (h) CloseServiceHandle(h); }
};

SC_HANDLE OpenManager(DWORD access = SC_MANAGER_ALL_ACCESS)
{
    // right after the prefix starts the manager may hold its lock for a while (1055)
    for (int i = 0; i < 50; ++i) {
        SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, access);
        if (h || GetLastError() != ERROR_SERVICE_DATABASE_LOCKED) return h;
        Sleep(200);
    }
    return nullptr;
}

}  // namespace

std::wstring ServiceKey(const wchar_t* name)
{
    return ServicesKeyRoot + name;
}

bool InstallTestService(const wchar_t* name, DWORD startType, ServiceMode mode)
{
    Scm manager(OpenManager());
    if (!manager.h) return false;
    std::wstring binary = L"\"" + TestServicePath() + L"\"";
    if (mode == ServiceMode::StayPending) binary += L" pending";
    if (mode == ServiceMode::RefuseStop) binary += L" nostop";
    for (int i = 0; i < 50; ++i) {
        SC_HANDLE service = CreateServiceW(manager.h, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                           startType, SERVICE_ERROR_NORMAL, binary.c_str(), nullptr, nullptr, nullptr,
                                           nullptr, nullptr);
        if (service) {
            CloseServiceHandle(service);
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DATABASE_LOCKED && error != ERROR_SERVICE_MARKED_FOR_DELETE) return false;
        Sleep(200);
    }
    return false;
}

DWORD ServiceState(const wchar_t* name)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return 0;
    Scm service(OpenServiceW(manager.h, name, SERVICE_QUERY_STATUS));
    if (!service.h) return 0;
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service.h, &status) ? status.dwCurrentState : 0;
}

bool WaitForServiceState(const wchar_t* name, DWORD state, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        if (ServiceState(name) == state) return true;
        Sleep(50);
    }
    return false;
}

bool StartTestService(const wchar_t* name)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return false;
    Scm service(OpenServiceW(manager.h, name, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service.h) return false;
    bool started = false;
    for (int i = 0; i < 50 && !started; ++i) {
        started = StartServiceW(service.h, 0, nullptr) != FALSE;
        if (!started && GetLastError() != ERROR_SERVICE_DATABASE_LOCKED) break;
        if (!started) Sleep(200);
    }
    if (!started) return false;
    // the pending variant never leaves START_PENDING on its own
    const bool pending = ServiceBinary(name).find(L" pending") != std::wstring::npos;
    return WaitForServiceState(name, pending ? SERVICE_START_PENDING : SERVICE_RUNNING);
}

bool StopTestService(const wchar_t* name)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return false;
    Scm service(OpenServiceW(manager.h, name, SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL));
    if (!service.h) return false;
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service.h, &status) && status.dwCurrentState == SERVICE_STOPPED) return true;
    if (!ControlService(service.h, SERVICE_CONTROL_STOP, &status)) ControlService(service.h, 128, &status);
    return WaitForServiceState(name, SERVICE_STOPPED);
}

bool ServiceExists(const wchar_t* name)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return false;
    Scm service(OpenServiceW(manager.h, name, SERVICE_QUERY_STATUS));
    return service.h != nullptr;
}

void RemoveTestService(const wchar_t* name)
{
    StopTestService(name);
    {
        Scm manager(OpenManager());
        if (!manager.h) return;
        Scm service(OpenServiceW(manager.h, name, DELETE));
        if (!service.h) return;
        DeleteService(service.h);
    }
    for (int i = 0; i < 100 && ServiceExists(name); ++i) Sleep(50);
}

long long RegistryStartType(const wchar_t* name)
{
    return DwordValue(ServiceKey(name).c_str(), L"Start");
}

bool ChangeStartTypeExternally(const wchar_t* name, DWORD startType)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return false;
    Scm service(OpenServiceW(manager.h, name, SERVICE_CHANGE_CONFIG));
    if (!service.h) return false;
    return ChangeServiceConfigW(service.h, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr) != FALSE;
}

bool SetRawValue(const wchar_t* keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool SetDwordValue(const wchar_t* keyPath, const wchar_t* name, DWORD value)
{
    return SetRawValue(keyPath, name, REG_DWORD, &value, sizeof(value));
}

void DeleteRawValue(const wchar_t* keyPath, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name);
    RegCloseKey(key);
}

bool ValueExists(const wchar_t* keyPath, const wchar_t* name)
{
    return RegGetValueW(HKEY_LOCAL_MACHINE, keyPath, name, RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

long long DwordValue(const wchar_t* keyPath, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return -1;
    DWORD type = 0, value = 0, size = sizeof(value);
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return -1;
    return value;
}

bool KeyExists(const wchar_t* keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKey(const wchar_t* keyPath)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath, KEY_WOW64_64KEY, 0);
}

void ClearBackupStore()
{
    DeleteKey(ProductKey);
}

StoreImage LookAtStore()
{
    StoreImage image;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return image;
    image.exists = true;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        StoreImage::Value value{type, std::vector<BYTE>(size)};
        if (RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) continue;
        value.data.resize(size);
        image.values[std::wstring(name, length)] = value;
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        image.subkeys.emplace_back(name, length);
    }
    RegCloseKey(key);
    std::sort(image.subkeys.begin(), image.subkeys.end());
    return image;
}

std::string DescribeStoreValue(const StoreImage& image, const wchar_t* name)
{
    const auto found = image.values.find(name);
    if (found == image.values.end()) return "absent";
    std::string text = "type " + std::to_string(found->second.type) + ", bytes";
    static const char digits[] = "0123456789abcdef";
    for (BYTE b : found->second.data) text += std::string(" ") + digits[b >> 4] + digits[b & 15];
    return text;
}

bool RemakeStore(DWORD options)
{
    const StoreImage image = LookAtStore();
    DeleteKey(ProductKey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, options, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& [name, value] : image.values)
        ok = RegSetValueExW(key, name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size())) ==
                 ERROR_SUCCESS &&
             ok;
    RegCloseKey(key);
    return ok;
}

namespace {

constexpr const wchar_t* SpoolerBinary = L"C:\\windows\\system32\\spoolsv.exe";

bool EndsWith(const std::wstring& text, const wchar_t* end)
{
    const size_t length = wcslen(end);
    return text.size() >= length && _wcsicmp(text.c_str() + text.size() - length, end) == 0;
}

}  // namespace

std::wstring ServiceBinary(const wchar_t* name)
{
    Scm manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager.h) return L"";
    Scm service(OpenServiceW(manager.h, name, SERVICE_QUERY_CONFIG));
    if (!service.h) return L"";
    DWORD size = 0;
    QueryServiceConfigW(service.h, nullptr, 0, &size);
    std::vector<BYTE> buffer(size + 16);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.h, config, size, &size) || !config->lpBinaryPathName) return L"";
    return config->lpBinaryPathName;
}

bool ServiceWorld::Add(const wchar_t* name, DWORD startType, bool running, ServiceMode mode)
{
    if (ServiceExists(name)) {
        // Wine's own spooler is replaced for the test and put back afterwards. Under the
        // name Spooler a test service may stand that an interrupted run left in its place:
        // Wine's spooler comes back then too, with Wine's start type. Any other service is
        // a leftover of an interrupted run, and simply goes.
        const std::wstring binary = ServiceBinary(name);
        const bool winesOwn = EndsWith(binary, L"spoolsv.exe");
        if (winesOwn || _wcsicmp(name, L"Spooler") == 0) {
            const long long start = winesOwn ? RegistryStartType(name) : -1;
            touchedExisting.push_back({name, start < 0 ? DWORD(SERVICE_DEMAND_START) : DWORD(start)});
        }
        RemoveTestService(name);
    }
    if (!InstallTestService(name, startType == SERVICE_DISABLED && running ? SERVICE_DEMAND_START : startType, mode))
        return false;
    created.push_back(name);
    if (running && !StartTestService(name)) return false;
    if (running && startType == SERVICE_DISABLED) return ChangeStartTypeExternally(name, SERVICE_DISABLED);
    return true;
}

ServiceWorld::~ServiceWorld()
{
    for (const auto& name : created) RemoveTestService(name.c_str());
    for (const auto& saved : touchedExisting) {
        // Wine's spooler is built in; give it back its key as it stood
        Scm manager(OpenManager());
        if (!manager.h) continue;
        SC_HANDLE service = CreateServiceW(manager.h, saved.name.c_str(), saved.name.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, saved.start, SERVICE_ERROR_NORMAL,
                                           SpoolerBinary, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service) CloseServiceHandle(service);
    }
}

StartTypeGuard::StartTypeGuard(const wchar_t* service) : service(service), start(RegistryStartType(service)) {}

StartTypeGuard::~StartTypeGuard()
{
    if (start >= 0 && RegistryStartType(service) != start)
        ChangeStartTypeExternally(service, static_cast<DWORD>(start));
}

bool ArrangeService(const wchar_t* name, DWORD start, bool running)
{
    if (!StopTestService(name)) return false;
    if (!running) return ChangeStartTypeExternally(name, start);
    // a disabled service cannot be started: start it first, disable it afterwards
    if (start == SERVICE_DISABLED && !ChangeStartTypeExternally(name, SERVICE_DEMAND_START)) return false;
    if (start != SERVICE_DISABLED && !ChangeStartTypeExternally(name, start)) return false;
    if (!StartTestService(name)) return false;
    return start != SERVICE_DISABLED || ChangeStartTypeExternally(name, start);
}
