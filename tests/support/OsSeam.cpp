#include "support/OsSeam.h"
#include <gtest/gtest.h>

SeamCounters seamCounters;
const OsApi realOs;

namespace {

std::vector<RecordedBox> boxes;
std::vector<int> boxAnswers;
size_t nextAnswer = 0;
void (*whileOpen)(const RecordedBox&) = nullptr;

}  // namespace

SeamLayer::SeamLayer() : saved(osApi) {}

SeamLayer::SeamLayer(OsApi& below) : saved(osApi) { below = osApi; }

SeamLayer::~SeamLayer() { osApi = saved; }

CountingSeam::CountingSeam()
{
    seamCounters = SeamCounters();
    osApi.OpenSCManagerW = [](LPCWSTR machine, LPCWSTR db, DWORD access) -> SC_HANDLE {
        SC_HANDLE h = realOs.OpenSCManagerW(machine, db, access);
        if (h) ++seamCounters.scmOpened;
        return h;
    };
    osApi.OpenServiceW = [](SC_HANDLE manager, LPCWSTR name, DWORD access) -> SC_HANDLE {
        seamCounters.serviceAccess.push_back(access);
        seamCounters.openedServices.push_back(name);
        SC_HANDLE h = realOs.OpenServiceW(manager, name, access);
        if (h) ++seamCounters.scmOpened;
        return h;
    };
    osApi.CloseServiceHandle = [](SC_HANDLE h) -> BOOL {
        ++seamCounters.scmClosed;
        return realOs.CloseServiceHandle(h);
    };
    osApi.QueryServiceStatus = [](SC_HANDLE h, LPSERVICE_STATUS status) -> BOOL {
        ++seamCounters.queryStatusCalls;
        return realOs.QueryServiceStatus(h, status);
    };
    osApi.ControlService = [](SC_HANDLE h, DWORD control, LPSERVICE_STATUS status) -> BOOL {
        seamCounters.controlsSent.push_back(control);
        return realOs.ControlService(h, control, status);
    };
    osApi.ChangeServiceConfigW = [](SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCWSTR path, LPCWSTR group,
                                    LPDWORD tag, LPCWSTR deps, LPCWSTR account, LPCWSTR password,
                                    LPCWSTR display) -> BOOL {
        ++seamCounters.changeConfigCalls;
        seamCounters.startTypesChanged.push_back(start);
        return realOs.ChangeServiceConfigW(h, type, start, error, path, group, tag, deps, account, password, display);
    };
    osApi.RegOpenKeyExW = [](HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key) -> LSTATUS {
        LSTATUS status = realOs.RegOpenKeyExW(root, path, options, sam, key);
        if (status == ERROR_SUCCESS) ++seamCounters.keysOpened;
        return status;
    };
    osApi.RegCreateKeyExW = [](HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                               LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition) -> LSTATUS {
        LSTATUS status = realOs.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
        if (status == ERROR_SUCCESS) ++seamCounters.keysOpened;
        return status;
    };
    osApi.RegCloseKey = [](HKEY key) -> LSTATUS {
        ++seamCounters.keysClosed;
        return realOs.RegCloseKey(key);
    };
    osApi.CreateFileW = [](LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                           DWORD flags, HANDLE templ) -> HANDLE {
        HANDLE h = realOs.CreateFileW(name, access, share, sa, disposition, flags, templ);
        if (h != INVALID_HANDLE_VALUE && h != nullptr) ++seamCounters.filesOpened;
        return h;
    };
    osApi.CreateMutexW = [](LPSECURITY_ATTRIBUTES sa, BOOL owned, LPCWSTR name) -> HANDLE {
        HANDLE h = realOs.CreateMutexW(sa, owned, name);
        if (h) ++seamCounters.filesOpened;
        return h;
    };
    osApi.CloseHandle = [](HANDLE h) -> BOOL {
        ++seamCounters.filesClosed;
        return realOs.CloseHandle(h);
    };
}

CountingSeam::~CountingSeam() = default;

void CountingSeam::ExpectAllClosed() const
{
    EXPECT_EQ(seamCounters.scmOpened, seamCounters.scmClosed) << "service manager / service handles";
    EXPECT_EQ(seamCounters.keysOpened, seamCounters.keysClosed) << "registry keys";
    EXPECT_EQ(seamCounters.filesOpened, seamCounters.filesClosed) << "kernel handles";
}

BoxRecorder::BoxRecorder(std::vector<int> answers) : saved(osApi.MessageBoxW)
{
    boxes.clear();
    boxAnswers = std::move(answers);
    nextAnswer = 0;
    whileOpen = nullptr;
    osApi.MessageBoxW = [](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) -> int {
        boxes.push_back({owner, text ? text : L"", caption ? caption : L"", type});
        if (whileOpen) whileOpen(boxes.back());
        if (nextAnswer < boxAnswers.size()) return boxAnswers[nextAnswer++];
        // an unplanned box: answer as the safe choice would (OK, or No for a question)
        return (type & MB_YESNO) ? IDNO : IDOK;
    };
}

BoxRecorder::~BoxRecorder()
{
    osApi.MessageBoxW = saved;
    whileOpen = nullptr;
}

const std::vector<RecordedBox>& BoxRecorder::Boxes() const { return boxes; }

void BoxRecorder::WhileOpen(void (*action)(const RecordedBox&)) { whileOpen = action; }
