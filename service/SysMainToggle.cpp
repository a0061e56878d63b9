#include "service/Workflows.h"
#include "common/ControlUpdates.h"
#include "common/MessageBoxes.h"
#include "common/WindowState.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"
#include "service/StoreLock.h"
#include "service/SysMainStatus.h"
#include "service/UndoRule.h"

namespace {

// The result box of a pass, chosen while the lock is held and shown after it is given back.
struct Outcome {
    const wchar_t* text;
    Notice notice;
};

constexpr Outcome AlreadyOff = {L"Автозапуск SysMain уже отключён.", Notice::Done};
constexpr Outcome BackupFailed = {L"Не удалось сохранить прежнюю настройку SysMain.\nИзменения отменены.",
                                  Notice::Failed};
constexpr Outcome TurnedOff = {L"Автозапуск SysMain отключён.\nИзменение вступит в силу при следующем запуске Windows.",
                               Notice::Done};
constexpr Outcome TurnOffFailed = {L"Не удалось отключить автозапуск SysMain.\nНастройки не изменены.", Notice::Failed};
constexpr Outcome AlreadyOn = {L"Автозапуск SysMain уже разрешён.", Notice::Done};
constexpr Outcome NoBackup = {L"Не удалось найти прежние настройки SysMain.\nВосстановление отменено.",
                              Notice::Refused};
constexpr Outcome RestoreFailed = {L"Не удалось восстановить автозапуск SysMain.\nНастройка не изменена.",
                                   Notice::Failed};
constexpr Outcome Restored = {L"Прежняя настройка SysMain восстановлена.\nЕсли служба остановлена, она может "
                              L"запуститься после перезагрузки.",
                              Notice::Done};

// Sets SysMain's start type; the stop toggle is read at the change, as it stands then.
bool SetSysMainStart(const void*, DWORD startType)
{
    const bool stopIfRunning = startType == SERVICE_DISABLED && IsChecked(stopServiceToggle);
    return SetSysMainStartType(startType, stopIfRunning);
}

constexpr StartTypeChange SysMainChange = {SysMainName, SetSysMainStart, nullptr};

Outcome TurnOff(DWORD start)
{
    if (start == SERVICE_DISABLED) return AlreadyOff;
    // a boot, system or unknown start type: no restore could ever set it again
    if (!RestorableStartType(start)) return TurnOffFailed;
    switch (SaveThenChange(OriginalStartValue, start, SERVICE_DISABLED, SysMainChange, RestorableStartType)) {
    case SaveOutcome::Changed: return TurnedOff;
    case SaveOutcome::BackupUnreadable:
    case SaveOutcome::BackupNotWritten: return BackupFailed;
    case SaveOutcome::ChangeFailed: break;
    }
    return TurnOffFailed;
}

Outcome Restore(DWORD start)
{
    if (start != SERVICE_DISABLED) return AlreadyOn;
    switch (RestoreThenFlushThenDelete(OriginalStartValue, SysMainChange, RestorableStartType)) {
    case RestoreOutcome::Restored: return Restored;
    case RestoreOutcome::ChangeFailed: return RestoreFailed;
    case RestoreOutcome::NothingSaved:
    case RestoreOutcome::BackupUnreadable:
    case RestoreOutcome::BackupNotUsable: break;
    }
    return NoBackup;
}

// Reads SysMain's start type and its backup afresh and carries out what the user
// confirmed; another copy of the program, or another tool, may have changed either
// since the last refresh.
Outcome Decide(bool turnOff)
{
    const StoreLock lock;
    if (!lock) return turnOff ? TurnOffFailed : RestoreFailed;
    DWORD start = 0;
    // SysMain's Start became unreadable meanwhile (SysMain removed, access denied):
    // nothing is changed, and the user is told so
    if (ReadStartType(SysMainName, &start) != 0) return turnOff ? TurnOffFailed : RestoreFailed;
    return turnOff ? TurnOff(start) : Restore(start);
}

}  // namespace

void ApplySysMainToggle()
{
    if (!SysMainStatus.startReadable) return;
    // what the user asked for is the toggle as it stood when Apply was clicked
    const bool turnOff = IsChecked(autoStartToggle);
    const wchar_t* question = turnOff ? L"Отключить автозапуск SysMain?\nПрежняя настройка будет сохранена."
                                      : L"Вернуть прежнюю настройку SysMain?";
    if (!Ask(question)) return;

    const Outcome outcome = Decide(turnOff);
    // the box first, then the refresh, so the Home page shows what the user was just told
    Tell(outcome.text, outcome.notice);
    RefreshSysMainStatus();
}
