#include "service/ServiceCatalogue.h"

const ServiceEntry ServiceCatalogue[ServiceCount] = {
    {L"SysMain", L"SysMain / Tarvix", L"Bk_SysMain"},
    {L"WSearch", L"Windows Search (поиск)", L"Bk_WSearch"},
    {L"Spooler", L"Print Spooler (печать)", L"Bk_Spooler"},
    {L"Fax", L"Fax", L"Bk_Fax"},
    {L"XblAuthManager", L"Xbox Live Auth", L"Bk_XblAuth"},
    {L"MapsBroker", L"Offline Maps", L"Bk_MapsBroker"},
    {L"RemoteRegistry", L"Remote Registry", L"Bk_RemoteRegistry"},
};

const wchar_t* ServiceStateText(DWORD state)
{
    static const wchar_t* const texts[] = {L"Остановлена", L"Запускается", L"Останавливается", L"Работает"};
    if (state >= SERVICE_STOPPED && state <= SERVICE_RUNNING) return texts[state - SERVICE_STOPPED];
    return L"Неизвестно";
}

const wchar_t* StartTypeText(DWORD startType)
{
    static const wchar_t* const texts[] = {L"Автоматически", L"Вручную", L"Отключена"};
    if (startType >= SERVICE_AUTO_START && startType <= SERVICE_DISABLED) return texts[startType - SERVICE_AUTO_START];
    return L"Другой режим";
}

const wchar_t* StartTypeShortText(DWORD startType)
{
    static const wchar_t* const texts[] = {L"Авто", L"Вручную", L"Отключена"};
    if (startType >= SERVICE_AUTO_START && startType <= SERVICE_DISABLED) return texts[startType - SERVICE_AUTO_START];
    return L"Другой режим";
}
