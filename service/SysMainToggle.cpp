#include "service/Workflows.h"
#include "common/AppTexts.h"
#include "common/OsApi.h"
#include "service/BackupStore.h"
#include "service/ServiceOps.h"
#include "service/SysMainStatus.h"
#include "ui/Controls.h"
#include "ui/WindowState.h"

namespace {

constexpr UINT AskType = MB_ICONWARNING | MB_YESNO;  // 0x34
constexpr UINT DoneType = MB_ICONINFORMATION;        // 0x40
constexpr UINT RefusedType = MB_ICONWARNING;         // 0x30
constexpr UINT FailedType = MB_ICONERROR;            // 0x10

int ShowBox(const wchar_t* text, UINT type)
{
    return osApi.MessageBoxW(mainWindow, text, AppTitle, type);
}

// the box first, then the refresh, so the Home page shows what the user was just told
void Report(const wchar_t* text, UINT type)
{
    ShowBox(text, type);
    RefreshSysMainStatus();
}

bool IsChecked(HWND toggle)
{
    return SendMessageW(toggle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TurnOff(DWORD start, bool saved)
{
    if (start == SERVICE_DISABLED) {
        Report(L"Автозапуск SysMain уже отключён.", DoneType);
        return;
    }
    // an existing backup holds the start type from before the first turn-off: keep it
    const bool wroteBackup = !saved;
    if (wroteBackup && !WriteBackupValue(OriginalStartValue, start)) {
        Report(L"Не удалось сохранить прежнюю настройку SysMain.\nИзменения отменены.", FailedType);
        return;
    }
    if (SetSysMainStartType(SERVICE_DISABLED, IsChecked(stopServiceToggle))) {
        Report(L"Автозапуск SysMain отключён.\nИзменение вступит в силу при следующем запуске Windows.", DoneType);
        return;
    }
    if (wroteBackup) DeleteBackupValue(OriginalStartValue);
    Report(L"Не удалось отключить автозапуск SysMain.\nНастройки не изменены.", FailedType);
}

void Restore(DWORD start, bool saved, DWORD originalStart)
{
    if (start != SERVICE_DISABLED) {
        Report(L"Автозапуск SysMain уже разрешён.", DoneType);
        return;
    }
    if (!saved || (originalStart != SERVICE_AUTO_START && originalStart != SERVICE_DEMAND_START)) {
        Report(L"Не удалось найти прежние настройки SysMain.\nВосстановление отменено.", RefusedType);
        return;
    }
    if (!SetSysMainStartType(originalStart, false)) {
        Report(L"Не удалось восстановить автозапуск SysMain.\nНастройка не изменена.", FailedType);
        return;
    }
    DeleteBackupValue(OriginalStartValue);
    Report(L"Прежняя настройка SysMain восстановлена.\nЕсли служба остановлена, она может запуститься после "
           L"перезагрузки.",
           DoneType);
}

}  // namespace

void ApplySysMainToggle()
{
    if (!SysMainStatus.startReadable) return;
    // what the user asked for is the toggle as it stood when Apply was clicked
    const bool turnOff = IsChecked(autoStartToggle);
    const wchar_t* question = turnOff ? L"Отключить автозапуск SysMain?\nПрежняя настройка будет сохранена."
                                      : L"Вернуть прежнюю настройку SysMain?";
    if (ShowBox(question, AskType) != IDYES) return;

    // the box's own loop still delivers WM_TIMER: decide on the snapshot as it stands now,
    // and give up when a refresh meanwhile found SysMain's Start unreadable
    const SysMainSnapshot now = SysMainStatus;
    if (!now.startReadable) {
        RefreshSysMainStatus();
        return;
    }
    if (turnOff)
        TurnOff(now.start, now.saved);
    else
        Restore(now.start, now.saved, now.originalStart);
}
