#include "ui/ServicesPage.h"
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"
#include "common/MessageBoxes.h"
#include "service/ServiceCatalogue.h"
#include "service/Workflows.h"
#include "ui/HomeStatus.h"
#include "ui/WindowState.h"

namespace {

constexpr size_t RowTextCapacity = 160;
constexpr size_t TurnOffConfirmCapacity = 900;
constexpr size_t RestoreConfirmCapacity = 850;

bool RowChecked(int row)
{
    return IsChecked(serviceToggles[row]);
}

// the confirmation's list, and which rows it holds; false when no row is selected
bool ListSelected(wchar_t (&text)[TurnOffConfirmCapacity], bool (&listed)[ServiceCount])
{
    int count = 0;
    for (int i = 0; i < ServiceCount; ++i) {
        // a row is offered when its toggle is checked, its service exists and it is not disabled already
        listed[i] = RowChecked(i) && OfferedForTurnOff(ServiceCatalogue[i]);
        if (!listed[i]) continue;
        AppendBulletLine(text, TurnOffConfirmCapacity, ServiceCatalogue[i].label);
        ++count;
    }
    return count > 0;
}

}  // namespace

void RefreshServiceList()
{
    for (int i = 0; i < ServiceCount; ++i) {
        const ServiceRowSnapshot row = ReadServiceRow(ServiceCatalogue[i]);

        wchar_t text[RowTextCapacity] = {};
        AppendBounded(text, RowTextCapacity, row.exists ? StartTypeShortText(row.start) : NoServiceText);
        if (row.hasBackup) AppendBounded(text, RowTextCapacity, L" | есть копия");
        SetTextIfChanged(serviceLabels[i], text);

        const bool usable = row.exists && row.start != SERVICE_DISABLED;
        SetEnabledIfChanged(serviceToggles[i], usable);
        if (!usable) SetCheckIfChanged(serviceToggles[i], FALSE);
    }
}

void DisableSelectedServices()
{
    wchar_t text[TurnOffConfirmCapacity] = L"Вы хотите отключить автозапуск этих служб?\n\n";
    bool listed[ServiceCount] = {};
    if (!ListSelected(text, listed)) {
        Tell(mainWindow, L"Сначала выберите хотя бы одну службу.", Notice::Done);
        return;
    }
    AppendBounded(text, TurnOffConfirmCapacity,
                  L"\nСлужбы останутся запущенными до остановки или перезагрузки Windows.\nНекоторые функции могут "
                  L"перестать работать.\n\nОтключить автозапуск?");
    if (!Ask(mainWindow, text)) return;

    // the rows the user confirmed, each read again: the box's own loop still delivers
    // WM_TIMER, and other programs may change anything meanwhile
    const int failures = TurnOffConfirmedRows(listed, RowChecked);
    for (int i = 0; i < ServiceCount; ++i) SetCheckIfChanged(serviceToggles[i], FALSE);

    // the SysMain row changes what the Home page shows as well
    RefreshSysMainStatus();
    RefreshServiceList();
    if (failures == 0)
        Tell(mainWindow,
             L"Автозапуск выбранных служб отключён.\nИх текущая работа не остановлена.\nПрежние настройки сохранены.",
             Notice::Done);
    else
        Tell(mainWindow,
             L"Некоторые службы отключить не удалось.\nПроверьте их состояние в списке.\nПрежние настройки "
             L"изменённых служб сохранены.",
             Notice::Refused);
}

void RestoreSavedServices()
{
    wchar_t text[RestoreConfirmCapacity] = L"Вернуть прежние настройки этих служб?\n\n";
    bool listed[ServiceCount] = {};
    int count = 0;
    for (int i = 0; i < ServiceCount; ++i) {
        listed[i] = ListedForRestore(ServiceCatalogue[i]);
        if (!listed[i]) continue;
        AppendBulletLine(text, RestoreConfirmCapacity, ServiceCatalogue[i].label);
        ++count;
    }
    if (count == 0) {
        Tell(mainWindow, L"Нет сохранённых настроек для восстановления.", Notice::Done);
        return;
    }
    AppendBounded(text, RestoreConfirmCapacity,
                  L"\nЕсли настройки изменялись в других программах, они будут заменены.\n\nВосстановить?");
    if (!Ask(mainWindow, text)) return;

    // only the rows the question named; the box's own loop still delivers WM_TIMER, and
    // other programs may change anything meanwhile: every backup is read again here
    const int failures = RestoreListedRows(listed);

    RefreshSysMainStatus();
    RefreshServiceList();
    if (failures == 0)
        Tell(mainWindow, L"Прежние настройки служб восстановлены.", Notice::Done);
    else
        Tell(mainWindow,
             L"Некоторые настройки вернуть не удалось.\nСохранённые копии остались доступными.", Notice::Refused);
}
