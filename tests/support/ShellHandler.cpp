#include "support/ShellHandler.h"
#include <cwchar>
#include "support/TestWorld.h"

namespace {

constexpr REGSAM Access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY;

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

PlantedHandler::PlantedHandler(const wchar_t* scheme) : schemeKey(std::wstring(L"Software\\Classes\\") + scheme)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    marker = std::wstring(temp) + L"tarvix-handler-" + scheme + L"-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    Forget();

    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, schemeKey.c_str(), 0, nullptr, 0, Access, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
        return;
    createdScheme = disposition == REG_CREATED_NEW_KEY;
    if (createdScheme) SetText(key, L"URL Protocol", L"");
    RegCloseKey(key);

    const std::wstring commandKey = schemeKey + L"\\shell\\open\\command";
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, commandKey.c_str(), 0, nullptr, 0, Access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &savedType, nullptr, &size) == ERROR_SUCCESS) {
        savedCommand.resize(size);
        hadCommand = RegQueryValueExW(key, nullptr, nullptr, &savedType, savedCommand.data(), &size) == ERROR_SUCCESS;
    }
    const std::wstring command =
        L"\"" + BuildFolder() + L"ShellMarker.exe\" \"" + marker + L"\" \"%1\"";
    planted = SetText(key, nullptr, command);
    RegCloseKey(key);
}

PlantedHandler::~PlantedHandler()
{
    Forget();
    if (createdScheme) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, schemeKey.c_str());
        return;
    }
    HKEY key = nullptr;
    const std::wstring commandKey = schemeKey + L"\\shell\\open\\command";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, commandKey.c_str(), 0, Access, &key) != ERROR_SUCCESS) return;
    if (hadCommand)
        RegSetValueExW(key, nullptr, 0, savedType, savedCommand.data(), static_cast<DWORD>(savedCommand.size()));
    else
        RegDeleteValueW(key, nullptr);
    RegCloseKey(key);
}

bool PlantedHandler::WaitForLaunch(HandlerLaunch& launch, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    HANDLE file = INVALID_HANDLE_VALUE;
    while ((file = CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) ==
           INVALID_HANDLE_VALUE) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    wchar_t text[1024] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    const std::wstring record(text);
    const size_t first = record.find(L'|');
    const size_t second = record.find(L'|', first + 1);
    const size_t third = record.find(L'|', second + 1);
    if (first == std::wstring::npos || second == std::wstring::npos || third == std::wstring::npos) return false;
    launch.parentId = std::wcstoul(record.substr(0, first).c_str(), nullptr, 10);
    launch.parentName = record.substr(first + 1, second - first - 1);
    launch.show = std::wcstol(record.substr(second + 1, third - second - 1).c_str(), nullptr, 10);
    launch.target = record.substr(third + 1);
    return true;
}

void PlantedHandler::Forget() const
{
    DeleteFileW(marker.c_str());
    DeleteFileW((marker + L".partial").c_str());
}
