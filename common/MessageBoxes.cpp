#include "common/MessageBoxes.h"
#include "common/AppTexts.h"
#include "common/OsApi.h"
#include "common/WindowState.h"

bool Ask(const wchar_t* question)
{
    return osApi.MessageBoxW(mainWindow, question, AppTitle, MB_ICONWARNING | MB_YESNO) == IDYES;
}

void Tell(const wchar_t* text, Notice notice)
{
    osApi.MessageBoxW(mainWindow, text, AppTitle, MB_OK | static_cast<UINT>(notice));
}
