#include "ui/HomeStatus.h"
#include "common/ControlUpdates.h"
#include "common/MessageBoxes.h"
#include "service/ServiceCatalogue.h"
#include "service/Workflows.h"
#include "ui/Paint.h"
#include "ui/WindowState.h"

SysMainSnapshot SysMainStatus;
bool toggleTouched = false;

namespace {

const wchar_t* SavedSettingText(const SysMainSnapshot& s)
{
    if (!s.saved) return L"Сохранённая настройка: отсутствует";
    if (s.originalStart == SERVICE_DEMAND_START) return L"Сохранённая настройка: вручную";
    if (s.originalStart == SERVICE_AUTO_START) return L"Сохранённая настройка: автоматически";
    return L"Сохранённая настройка: другой тип";
}

// The result box of a pass, chosen while the lock is held and shown after it is given back.
struct Outcome {
    const wchar_t* text;
    Notice notice;
};

Outcome ResultBox(SysMainChange change)
{
    switch (change) {
    case SysMainChange::AlreadyOff: return {L"Автозапуск SysMain уже отключён.", Notice::Done};
    case SysMainChange::TurnedOff:
        return {L"Автозапуск SysMain отключён.\nИзменение вступит в силу при следующем запуске Windows.",
                Notice::Done};
    case SysMainChange::BackupFailed:
        return {L"Не удалось сохранить прежнюю настройку SysMain.\nИзменения отменены.", Notice::Failed};
    case SysMainChange::TurnOffFailed:
        return {L"Не удалось отключить автозапуск SysMain.\nНастройки не изменены.", Notice::Failed};
    case SysMainChange::AlreadyOn: return {L"Автозапуск SysMain уже разрешён.", Notice::Done};
    case SysMainChange::Restored:
        return {L"Прежняя настройка SysMain восстановлена.\nЕсли служба остановлена, она может "
                L"запуститься после перезагрузки.",
                Notice::Done};
    case SysMainChange::NoBackup:
        return {L"Не удалось найти прежние настройки SysMain.\nВосстановление отменено.", Notice::Refused};
    case SysMainChange::RestoreFailed: break;
    }
    return {L"Не удалось восстановить автозапуск SysMain.\nНастройка не изменена.", Notice::Failed};
}

bool StopToggleChecked()
{
    return IsChecked(stopServiceToggle);
}

}  // namespace

void RefreshSysMainStatus()
{
    SysMainSnapshot& s = SysMainStatus;
    const LONG oldState = s.state;
    const DWORD oldStart = s.start;
    const bool oldReadable = s.startReadable;

    ReadSysMain(s);

    if (s.startReadable) {
        SetTextIfChanged(statusLabel, ServiceStateText(static_cast<DWORD>(s.state)));
        SetTextIfChanged(startTypeLabel, StartTypeText(s.start));
    } else {
        SetTextIfChanged(statusLabel, L"Статус: служба SysMain не найдена");
        SetTextIfChanged(startTypeLabel, StartUnavailableText);
    }
    SetTextIfChanged(savedSettingLabel, SavedSettingText(s));

    const bool disabled = s.startReadable && s.start == SERVICE_DISABLED;
    if (!toggleTouched) SetCheckIfChanged(autoStartToggle, disabled);

    SetEnabledIfChanged(autoStartToggle, s.startReadable);
    SetEnabledIfChanged(stopServiceToggle, s.startReadable);
    SetEnabledIfChanged(applyButton, s.startReadable);
    SetEnabledIfChanged(startButton, s.startReadable && s.start != SERVICE_DISABLED && s.state != SERVICE_RUNNING);
    SetEnabledIfChanged(stopButton, s.startReadable && s.state == SERVICE_RUNNING);

    const bool changed = s.state != oldState || s.start != oldStart || s.startReadable != oldReadable;
    if (changed && currentPage == PageHome) InvalidateRect(mainWindow, &StatusCardRect, FALSE);
}

void ApplySysMainToggle()
{
    if (!SysMainStatus.startReadable) return;
    // what the user asked for is the toggle as it stood when Apply was clicked
    const bool turnOff = IsChecked(autoStartToggle);
    const wchar_t* question = turnOff ? L"Отключить автозапуск SysMain?\nПрежняя настройка будет сохранена."
                                      : L"Вернуть прежнюю настройку SysMain?";
    if (!Ask(mainWindow, question)) return;

    // the stop toggle counts as it stands at the change itself
    const Outcome outcome = ResultBox(TurnOffOrRestoreSysMain(turnOff, StopToggleChecked));
    // the box first, then the refresh, so the Home page shows what the user was just told
    Tell(mainWindow, outcome.text, outcome.notice);
    RefreshSysMainStatus();
}
