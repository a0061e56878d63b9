// Opening through the desktop shell. Against Wine's own shell the whole way: its
// explorer answers every step and runs the handler in its own process. Through the
// seam, a desktop shell that is missing or breaks off early: nothing opens, COM ends
// again and every reference handed over is given back.
#include <gtest/gtest.h>
#include <exdisp.h>
#include "common/DesktopShell.h"
#include "support/OsSeam.h"
#include "support/ShellHandler.h"

namespace {

constexpr const wchar_t* ProbeScheme = L"tarvix-probe";
constexpr const wchar_t* ProbeTarget = L"tarvix-probe:desktop-shell";

// A COM object of the test, counting its references; the test holds the first.
template <typename Interface>
class FakeObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    ULONG references = 1;
};

// The shell windows of a shell whose desktop FindWindowSW answers as set.
class FakeShellWindows : public FakeObject<IShellWindows> {
public:
    HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT*, VARIANT*, int, LONG* window, int, IDispatch** found) override
    {
        *window = 0;
        *found = desktop;
        if (desktop) desktop->AddRef();
        return findResult;
    }
    HRESULT STDMETHODCALLTYPE get_Count(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Item(VARIANT, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Register(IDispatch*, LONG, int, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revoke(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnNavigate(LONG, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnActivated(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnCreated(LONG, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ProcessAttachDetach(VARIANT_BOOL) override { return E_NOTIMPL; }

    HRESULT findResult = S_FALSE;
    IDispatch* desktop = nullptr;
};

// What the seam answers for one row, and what it saw.
struct ComSeam {
    HRESULT initResult = S_OK;  // S_OK: the real CoInitializeEx
    HRESULT createResult = S_OK;
    IShellWindows* windows = nullptr;
    int began = 0, ended = 0, created = 0;
};
ComSeam com;

void InstallComSeam()
{
    osApi.CoInitializeEx = [](LPVOID reserved, DWORD model) -> HRESULT {
        const HRESULT result = com.initResult == S_OK ? realOs.CoInitializeEx(reserved, model) : com.initResult;
        if (SUCCEEDED(result)) ++com.began;
        return result;
    };
    osApi.CoUninitialize = []() {
        ++com.ended;
        realOs.CoUninitialize();
    };
    osApi.CoCreateInstance = [](REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) -> HRESULT {
        ++com.created;
        *object = com.windows;
        if (com.windows) com.windows->AddRef();
        return com.createResult;
    };
}

}  // namespace

TEST(DesktopShell, WinesShellRunsTheHandlerInItsOwnProcess)
{
    PlantedHandler handler(ProbeScheme);
    ASSERT_TRUE(handler.Planted());

    EXPECT_TRUE(OpenWithDesktopShell(ProbeTarget));

    HandlerLaunch launch;
    ASSERT_TRUE(handler.WaitForLaunch(launch, 10000)) << "the handler did not run";
    EXPECT_EQ(launch.target, ProbeTarget);
    EXPECT_EQ(launch.show, SW_SHOW) << "the handler is to show its window";
    EXPECT_NE(launch.parentId, GetCurrentProcessId()) << "run as a child of the caller";
    EXPECT_EQ(_wcsicmp(launch.parentName.c_str(), L"explorer.exe"), 0) << "parent " << launch.parentId;
    // the call's apartment has ended: this thread can take COM in the other model
    const HRESULT again = osApi.CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(again, S_OK);
    if (SUCCEEDED(again)) osApi.CoUninitialize();
}

TEST(DesktopShell, WithoutAWholeDesktopShellNothingOpensAndEverythingIsGivenBack)
{
    struct Row {
        const char* name;
        HRESULT init;
        HRESULT create;
        bool serveWindows;
        HRESULT find;
        bool serveDesktop;
    };
    const Row rows[] = {
        {"COM refused on this thread", E_OUTOFMEMORY, S_OK, true, S_OK, true},
        {"no shell serves the windows", S_OK, CO_E_SERVER_EXEC_FAILURE, false, S_OK, false},
        {"success without an object", S_OK, S_OK, false, S_OK, false},
        {"no desktop window", S_OK, S_OK, true, S_FALSE, false},
        {"desktop found, its object withheld", S_OK, S_OK, true, S_OK, false},
        {"desktop object is no browser", S_OK, S_OK, true, S_OK, true},
    };
    PlantedHandler handler(ProbeScheme);
    ASSERT_TRUE(handler.Planted());
    CountingSeam seam;
    InstallComSeam();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeObject<IDispatch> desktop;
        FakeShellWindows windows;
        windows.findResult = row.find;
        windows.desktop = row.serveDesktop ? &desktop : nullptr;
        com = ComSeam();
        com.initResult = row.init;
        com.createResult = row.create;
        com.windows = row.serveWindows ? &windows : nullptr;

        EXPECT_FALSE(OpenWithDesktopShell(ProbeTarget));

        EXPECT_EQ(com.created, SUCCEEDED(row.init) ? 1 : 0);
        EXPECT_EQ(com.ended, com.began) << "COM begun and ended";
        EXPECT_EQ(windows.references, 1u) << "shell windows object kept";
        EXPECT_EQ(desktop.references, 1u) << "desktop object kept";
    }
    HandlerLaunch launch;
    EXPECT_FALSE(handler.WaitForLaunch(launch, 1500)) << "opened, by " << launch.parentId;
}
