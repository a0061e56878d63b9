#include "common/MessageBoxes.h"
#include "common/AppTexts.h"
#include "common/OsApi.h"

bool Ask(HWND owner, const wchar_t* question)
{
    return osApi.MessageBoxW(owner, question, AppTitle, MB_ICONWARNING | MB_YESNO) == IDYES;
}

void Tell(HWND owner, const wchar_t* text, Notice notice)
{
    osApi.MessageBoxW(owner, text, AppTitle, MB_OK | static_cast<UINT>(notice));
}
