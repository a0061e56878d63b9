#pragma once
// Builds and tears down the world a test needs in the Wine prefix: test services
// under catalogue names, and raw registry values. Uses Windows directly, not the seam.
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "support/BuildFolder.h"

enum class ServiceMode { Normal, StayPending, RefuseStop };

// Installs the test service program under name with startType; false on failure.
bool InstallTestService(const wchar_t* name, DWORD startType, ServiceMode mode = ServiceMode::Normal);
// Stops (if needed) and deletes the service and waits until the name is free.
void RemoveTestService(const wchar_t* name);
bool ServiceExists(const wchar_t* name);
// The service's binary path as the service manager holds it; empty when it has none.
std::wstring ServiceBinary(const wchar_t* name);
// Starts and waits for RUNNING (or START_PENDING in StayPending mode).
bool StartTestService(const wchar_t* name);
// Sends a stop (or the test program's own end control) and waits for STOPPED.
bool StopTestService(const wchar_t* name);
// dwCurrentState, or 0 when it cannot be read.
DWORD ServiceState(const wchar_t* name);
// Waits until the service reaches state; false on time-out.
bool WaitForServiceState(const wchar_t* name, DWORD state, DWORD timeoutMs = 10000);
// Where the registry keeps the services' keys, and one service's key.
const std::wstring ServicesKeyRoot = L"SYSTEM\\CurrentControlSet\\Services\\";
std::wstring ServiceKey(const wchar_t* name);
// What DwordValue and RegistryStartType give for a value that is not there, or not a
// 4-byte REG_DWORD.
constexpr long long Absent = -1;
// The Start value as the registry holds it; Absent when absent or not a REG_DWORD.
long long RegistryStartType(const wchar_t* name);
// Sets the Start value directly, as another program would (sc config does the same).
bool ChangeStartTypeExternally(const wchar_t* name, DWORD startType);

// Raw values under HKLM, 64-bit view.
bool SetRawValue(const wchar_t* keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size);
bool SetDwordValue(const wchar_t* keyPath, const wchar_t* name, DWORD value);
void DeleteRawValue(const wchar_t* keyPath, const wchar_t* name);
bool ValueExists(const wchar_t* keyPath, const wchar_t* name);
// The REG_DWORD value, or Absent when absent or of another type or size.
long long DwordValue(const wchar_t* keyPath, const wchar_t* name);
bool KeyExists(const wchar_t* keyPath);
void DeleteKey(const wchar_t* keyPath);

// The backup store key
constexpr const wchar_t* ProductKey = L"SOFTWARE\\TarvixMini";
// Removes the backup store key with all its values.
void ClearBackupStore();

// The store as it stands: every value with its type and bytes, and the names of its
// subkeys. Value names compare as the registry compares them, without regard to case.
struct StoreImage {
    struct Value {
        DWORD type;
        std::vector<BYTE> data;
        bool operator==(const Value& other) const { return type == other.type && data == other.data; }
    };
    struct NoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
    };
    bool exists = false;
    std::map<std::wstring, Value, NoCase> values;
    std::vector<std::wstring> subkeys;
};
StoreImage LookAtStore();
// One value of an image as a failure message shows it: "absent", or its type and bytes.
std::string DescribeStoreValue(const StoreImage& image, const wchar_t* name);
// Makes the store key anew with REG_OPTION_VOLATILE or REG_OPTION_NON_VOLATILE, holding the
// values it held (its subkeys go), as a tool that recreates a key could.
bool RemakeStore(DWORD options);
// The catalogue services as the world should leave them: removes every test service
// that a test created, and one that an interrupted run left under a name the test asks
// for; puts Wine's own Spooler back when a test replaced it.
struct ServiceWorld {
    ServiceWorld() = default;
    ~ServiceWorld();
    ServiceWorld(const ServiceWorld&) = delete;
    ServiceWorld& operator=(const ServiceWorld&) = delete;
    bool Add(const wchar_t* name, DWORD startType, bool running, ServiceMode mode = ServiceMode::Normal);
private:
    std::vector<std::wstring> created;
    struct Saved { std::wstring name; DWORD start; };
    std::vector<Saved> touchedExisting;
};

// A start type that a test changes on a service it did not install (Wine's own
// Spooler), put back when the guard goes out of scope.
class StartTypeGuard {
public:
    explicit StartTypeGuard(const wchar_t* service);
    ~StartTypeGuard();
    StartTypeGuard(const StartTypeGuard&) = delete;
    StartTypeGuard& operator=(const StartTypeGuard&) = delete;

private:
    const wchar_t* service;
    long long start;
};

// Puts an installed test service into the given start type and running state.
bool ArrangeService(const wchar_t* name, DWORD start, bool running);
