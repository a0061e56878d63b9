#pragma once
#include <windows.h>

// The services the program manages; the Services page has a toggle and a label for each row.
constexpr int ServiceCount = 7;

struct ServiceEntry {
    const wchar_t* name;        // as the Service Control Manager knows it
    const wchar_t* label;       // caption on the Services page and in the confirmations
    const wchar_t* backupName;  // REG_DWORD value of the backup store
};

extern const ServiceEntry ServiceCatalogue[ServiceCount];

constexpr const wchar_t* SysMainName = L"SysMain";
constexpr const wchar_t* NoServiceText = L"Нет службы";
constexpr const wchar_t* StartUnavailableText = L"Недоступен";

const wchar_t* ServiceStateText(DWORD state);
const wchar_t* StartTypeText(DWORD startType);
const wchar_t* StartTypeShortText(DWORD startType);
