#pragma once
// The texts of the program's message boxes as its user reads them, for the unit tests
// (recorded through the seam) and the end-to-end tests (read from the real boxes). They
// are written here again, not taken from the program, so that a changed text fails; so
// are the types the boxes are shown with.
#include <windows.h>

namespace BoxText {

constexpr const wchar_t* Caption = L"Tarvix Mini 4.4.1";

// A result has an OK button and the icon of its outcome; the confirmation asks Yes or No
// under a warning icon.
constexpr UINT InformationBox = MB_OK | MB_ICONINFORMATION;  // done, or nothing to do
constexpr UINT WarningBox = MB_OK | MB_ICONWARNING;          // done in part, or refused
constexpr UINT ErrorBox = MB_OK | MB_ICONERROR;              // nothing done
constexpr UINT QuestionBox = MB_ICONWARNING | MB_YESNO;

// Home page, Apply
constexpr const wchar_t* AskTurnOff = L"Отключить автозапуск SysMain?\nПрежняя настройка будет сохранена.";
constexpr const wchar_t* AskRestore = L"Вернуть прежнюю настройку SysMain?";
constexpr const wchar_t* AlreadyOff = L"Автозапуск SysMain уже отключён.";
constexpr const wchar_t* BackupFailed = L"Не удалось сохранить прежнюю настройку SysMain.\nИзменения отменены.";
constexpr const wchar_t* TurnedOff =
    L"Автозапуск SysMain отключён.\nИзменение вступит в силу при следующем запуске Windows.";
constexpr const wchar_t* TurnOffFailed = L"Не удалось отключить автозапуск SysMain.\nНастройки не изменены.";
constexpr const wchar_t* AlreadyOn = L"Автозапуск SysMain уже разрешён.";
constexpr const wchar_t* NoBackup = L"Не удалось найти прежние настройки SysMain.\nВосстановление отменено.";
constexpr const wchar_t* RestoreFailed = L"Не удалось восстановить автозапуск SysMain.\nНастройка не изменена.";
constexpr const wchar_t* Restored =
    L"Прежняя настройка SysMain восстановлена.\nЕсли служба остановлена, она может запуститься после перезагрузки.";

// Home page, Start and Stop
constexpr const wchar_t* StartFailed = L"Не удалось запустить SysMain.\nПроверьте, не отключён ли её автозапуск.";
constexpr const wchar_t* StopFailed =
    L"Не удалось остановить SysMain.\nПроверьте её состояние в разделе «Службы» Windows.";

// Services page, Preview and disable: the question is the header, a line per service, the footer
constexpr const wchar_t* SelectFirst = L"Сначала выберите хотя бы одну службу.";
constexpr const wchar_t* DisableHeader = L"Вы хотите отключить автозапуск этих служб?\n\n";
constexpr const wchar_t* DisableFooter =
    L"\nСлужбы останутся запущенными до остановки или перезагрузки Windows.\nНекоторые функции могут перестать "
    L"работать.\n\nОтключить автозапуск?";
constexpr const wchar_t* AllDisabled =
    L"Автозапуск выбранных служб отключён.\nИх текущая работа не остановлена.\nПрежние настройки сохранены.";
constexpr const wchar_t* SomeFailed =
    L"Некоторые службы отключить не удалось.\nПроверьте их состояние в списке.\nПрежние настройки изменённых служб "
    L"сохранены.";

// Services page, Restore previous settings
constexpr const wchar_t* NothingSaved = L"Нет сохранённых настроек для восстановления.";
constexpr const wchar_t* RestoreHeader = L"Вернуть прежние настройки этих служб?\n\n";
constexpr const wchar_t* RestoreFooter =
    L"\nЕсли настройки изменялись в других программах, они будут заменены.\n\nВосстановить?";
constexpr const wchar_t* AllRestored = L"Прежние настройки служб восстановлены.";
constexpr const wchar_t* SomeKept = L"Некоторые настройки вернуть не удалось.\nСохранённые копии остались доступными.";

}  // namespace BoxText
