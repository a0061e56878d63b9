#include "common/DesktopShell.h"
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>
#include "common/OsApi.h"
#include "common/ScopedCom.h"

// shellapi.h makes this name ShellExecuteW; here it is the method of IShellDispatch2
#undef ShellExecute

namespace {

// A call that answers success without handing over a reference counts as failed.
template <typename Interface>
bool Got(HRESULT result, const ScopedComPtr<Interface>& object)
{
    return SUCCEEDED(result) && object;
}

VARIANT TextVariant(const ScopedBstr& text)
{
    VARIANT value = {};
    value.vt = VT_BSTR;
    value.bstrVal = text.Get();
    return value;
}

// The shell's automation object, reached from the desktop window of the running shell:
// its top-level browser, the browser's active view, the view's background object.
bool FindDesktopShell(ScopedComPtr<IShellDispatch2>& shell)
{
    ScopedComPtr<IShellWindows> windows;
    if (!Got(osApi.CoCreateInstance(__uuidof(ShellWindows), nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_PPV_ARGS(windows.Receive())),
             windows))
        return false;
    VARIANT desktop = {};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT noRoot = {};
    long desktopWindow = 0;
    ScopedComPtr<IDispatch> desktopDispatch;
    // S_FALSE and no dispatch when no desktop window is registered
    if (windows->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              desktopDispatch.Receive()) != S_OK ||
        !desktopDispatch)
        return false;
    ScopedComPtr<IServiceProvider> services;
    if (!Got(desktopDispatch->QueryInterface(IID_PPV_ARGS(services.Receive())), services)) return false;
    ScopedComPtr<IShellBrowser> browser;
    if (!Got(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.Receive())), browser)) return false;
    ScopedComPtr<IShellView> view;
    if (!Got(browser->QueryActiveShellView(view.Receive()), view)) return false;
    ScopedComPtr<IDispatch> background;
    if (!Got(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.Receive())), background)) return false;
    ScopedComPtr<IShellFolderViewDual> folderView;
    if (!Got(background->QueryInterface(IID_PPV_ARGS(folderView.Receive())), folderView)) return false;
    ScopedComPtr<IDispatch> application;
    if (!Got(folderView->get_Application(application.Receive()), application)) return false;
    return Got(application->QueryInterface(IID_PPV_ARGS(shell.Receive())), shell);
}

}  // namespace

DesktopShellApi desktopShellApi;

bool OpenWithDesktopShell(const wchar_t* file)
{
    ScopedComApartment apartment;
    if (!apartment.Usable()) return false;
    ScopedComPtr<IShellDispatch2> shell;
    if (!FindDesktopShell(shell)) return false;
    ScopedBstr target(file);
    ScopedBstr none(L"");
    ScopedBstr verb(L"open");
    if (!target || !none || !verb) return false;
    VARIANT show = {};
    show.vt = VT_I4;
    show.lVal = SW_SHOW;
    return shell->ShellExecute(target.Get(), TextVariant(none), TextVariant(none), TextVariant(verb), show) == S_OK;
}
