// The Home page as the program first shows it, for each state SysMain can be found in.
#include "e2e/World.h"

namespace {

class FirstStart : public EndToEnd {};

// Client points and boxes of the Home page
constexpr POINT StatusDot = {467, 171};
const RECT StatusLabelBox = {486, 155, 486 + 345, 155 + 64};
// below where a one-line label of 40 pixels would have ended
const RECT StatusSecondLine = {486, 155 + 41, 486 + 345, 155 + 64};
const wchar_t* const NotFound = L"Статус: служба SysMain не найдена";

const COLORREF DotRunning = RGB(34, 161, 90);
const COLORREF DotStopped = RGB(220, 85, 85);
const COLORREF DotOther = RGB(245, 158, 11);
const COLORREF TextRunning = RGB(21, 128, 55);
const COLORREF TextStopped = RGB(204, 68, 68);
const COLORREF TextOther = RGB(39, 48, 42);

struct FirstStartRow {
    const char* name;
    ServiceSetup sysMain;
    long long originalStart;  // OriginalStart in the backup store, -1 for none
    const wchar_t* status;
    const wchar_t* startType;
    const wchar_t* saved;
    bool toggleChecked;
    bool togglesEnabled;  // 101, 102 and Apply
    bool startEnabled;
    bool stopEnabled;
    COLORREF dot;
    COLORREF statusText;
};

const FirstStartRow Rows[] = {
    {"running",
     {L"SysMain", SERVICE_AUTO_START, true},
     -1,
     L"Работает",
     L"Автоматически",
     L"Сохранённая настройка: отсутствует",
     false,
     true,
     false,
     true,
     DotRunning,
     TextRunning},
    {"stopped-manual",
     {L"SysMain", SERVICE_DEMAND_START, false},
     3,
     L"Остановлена",
     L"Вручную",
     L"Сохранённая настройка: вручную",
     false,
     true,
     true,
     false,
     DotStopped,
     TextStopped},
    {"disabled",
     {L"SysMain", SERVICE_DISABLED, false},
     2,
     L"Остановлена",
     L"Отключена",
     L"Сохранённая настройка: автоматически",
     true,
     true,
     false,
     false,
     DotStopped,
     TextStopped},
    {"starting",
     {L"SysMain", SERVICE_AUTO_START, true, ServiceMode::StayPending},
     4,
     L"Запускается",
     L"Автоматически",
     L"Сохранённая настройка: другой тип",
     false,
     true,
     true,
     false,
     DotOther,
     TextOther},
    {"missing",
     {L"SysMain", 0, false},
     -1,
     NotFound,
     L"Недоступен",
     L"Сохранённая настройка: отсутствует",
     false,
     false,
     false,
     false,
     DotOther,
     TextOther},
};

}  // namespace

TEST_F(FirstStart, HomePageShowsSysMainAsFound)
{
    for (const FirstStartRow& row : Rows) {
        SCOPED_TRACE(row.name);
        services.reset();
        ClearBackupStore();
        ASSERT_NO_FATAL_FAILURE(InstallServices({row.sysMain}));
        if (row.originalStart >= 0) {
            ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", DWORD(row.originalStart)));
        }

        Program program;
        ASSERT_TRUE(program.Start());
        HomeControls home = FindHome(program);
        ExpectText(home.status, row.status, "status label");
        ExpectText(home.startType, row.startType, "start-type label");
        ExpectText(home.saved, row.saved, "saved-setting label");
        ExpectCheck(home.autoStart, row.toggleChecked, "toggle 101");
        ExpectCheck(home.stopService, true, "toggle 102 starts on");
        ExpectCheck(home.autoRefresh, true, "toggle 108 starts on");
        EXPECT_EQ(Program::Enabled(home.autoStart), row.togglesEnabled) << "toggle 101";
        EXPECT_EQ(Program::Enabled(home.stopService), row.togglesEnabled) << "toggle 102";
        EXPECT_EQ(Program::Enabled(home.apply), row.togglesEnabled) << "Apply";
        EXPECT_EQ(Program::Enabled(home.start), row.startEnabled) << "Start";
        EXPECT_EQ(Program::Enabled(home.stop), row.stopEnabled) << "Stop";
        EXPECT_TRUE(Program::Enabled(home.refresh)) << "Refresh";

        Capture shot = program.Shot();
        EXPECT_EQ(shot.At(StatusDot.x, StatusDot.y), row.dot) << "status dot";
        EXPECT_GT(shot.Count(StatusLabelBox, row.statusText), 0) << "no pixel of the status text colour";
        EXPECT_GT(shot.Count(StatusLabelBox, RGB(234, 250, 240)), 0) << "status label background";
        // the not-found text takes two lines, and the second one shows whole
        EXPECT_EQ(shot.Count(StatusSecondLine, row.statusText) > 0, std::wstring(row.status) == NotFound) << "second line";
        EXPECT_TRUE(shot.Save(std::wstring(L"home-") + std::wstring(row.name, row.name + strlen(row.name))));
        EXPECT_TRUE(program.Close());
        // what the program showed is what the registry and the manager hold
        EXPECT_EQ(RegistryStartType(L"SysMain"), row.sysMain.start ? (long long)row.sysMain.start : -1);
    }
}
