#include <gtest/gtest.h>
#include "ui/Paint.h"
#include "support/Checks.h"
#include "support/OsSeam.h"
#include "support/StandInWindow.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"
#include "ui/HomeStatus.h"
#include "ui/WindowState.h"

namespace {

const std::wstring SysMainKey = ServiceKey(L"SysMain");

class SysMainRefresh : public ::testing::Test {
protected:
    void SetUp() override { ClearBackupStore(); }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    ServiceWorld world;
    StandInWindow home;
    CountingSeam seam;
};

struct Expected {
    const wchar_t* status;
    const wchar_t* startType;
    bool toggleChecked;
    bool optionsEnabled;  // the auto-start and stop toggles and Apply
    bool startEnabled;
    bool stopEnabled;
};

void ExpectHome(const Expected& e)
{
    EXPECT_EQ(Text(statusLabel), e.status);
    EXPECT_EQ(Text(startTypeLabel), e.startType);
    EXPECT_EQ(Checked(autoStartToggle), e.toggleChecked);
    EXPECT_EQ(Enabled(autoStartToggle), e.optionsEnabled);
    EXPECT_EQ(Enabled(stopServiceToggle), e.optionsEnabled);
    EXPECT_EQ(Enabled(applyButton), e.optionsEnabled);
    EXPECT_EQ(Enabled(startButton), e.startEnabled);
    EXPECT_EQ(Enabled(stopButton), e.stopEnabled);
}

}  // namespace

TEST_F(SysMainRefresh, RunningAutomatic)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    RefreshSysMainStatus();
    EXPECT_EQ(SysMainStatus.state, SERVICE_RUNNING);
    EXPECT_TRUE(SysMainStatus.startReadable);
    EXPECT_EQ(SysMainStatus.start, DWORD(SERVICE_AUTO_START));
    ExpectHome({L"Работает", L"Автоматически", false, true, false, true});
    EXPECT_EQ(Text(savedSettingLabel), L"Сохранённая настройка: отсутствует");
}

TEST_F(SysMainRefresh, StoppedDisabled)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, false));
    RefreshSysMainStatus();
    ExpectHome({L"Остановлена", L"Отключена", true, true, false, false});
}

TEST_F(SysMainRefresh, StoppedManual)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DEMAND_START, false));
    RefreshSysMainStatus();
    ExpectHome({L"Остановлена", L"Вручную", false, true, true, false});
}

TEST_F(SysMainRefresh, StartPending)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true, ServiceMode::StayPending));
    RefreshSysMainStatus();
    EXPECT_EQ(SysMainStatus.state, SERVICE_START_PENDING);
    ExpectHome({L"Запускается", L"Автоматически", false, true, true, false});
}

TEST_F(SysMainRefresh, RunningWhileDisabled)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, true));
    RefreshSysMainStatus();
    ExpectHome({L"Работает", L"Отключена", true, true, false, true});
}

TEST_F(SysMainRefresh, MissingService)
{
    RefreshSysMainStatus();
    EXPECT_EQ(SysMainStatus.state, -1);
    EXPECT_FALSE(SysMainStatus.startReadable);
    ExpectHome({L"Статус: служба SysMain не найдена", L"Недоступен", false, false, false, false});
}

TEST_F(SysMainRefresh, UnreadableStartWhileRunning)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    const wchar_t text[] = L"2";
    ASSERT_TRUE(SetRawValue(SysMainKey.c_str(), L"Start", REG_SZ, text, sizeof(text)));
    RefreshSysMainStatus();
    EXPECT_EQ(SysMainStatus.state, SERVICE_RUNNING);
    ExpectHome({L"Статус: служба SysMain не найдена", L"Недоступен", false, false, false, false});
    SetDwordValue(SysMainKey.c_str(), L"Start", SERVICE_AUTO_START);
}

TEST_F(SysMainRefresh, ReadableStartButNoServiceIsUnknown)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DEMAND_START, false));
    FaultSeam refusal(OsFault::OpenService, L"SysMain");
    RefreshSysMainStatus();
    EXPECT_EQ(SysMainStatus.state, -1);
    ExpectHome({L"Неизвестно", L"Вручную", false, true, true, false});
}

TEST_F(SysMainRefresh, SavedSettingTexts)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, false));
    const wchar_t text[] = L"3";
    struct Row {
        const char* name;
        long long value;  // -1: absent, -2: REG_SZ
        const wchar_t* expected;
    } rows[] = {
        {"none", -1, L"Сохранённая настройка: отсутствует"},
        {"manual", 3, L"Сохранённая настройка: вручную"},
        {"automatic", 2, L"Сохранённая настройка: автоматически"},
        {"disabled", 4, L"Сохранённая настройка: другой тип"},
        {"boot", 0, L"Сохранённая настройка: другой тип"},
        {"wrong type", -2, L"Сохранённая настройка: отсутствует"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearBackupStore();
        if (row.value >= 0) SetDwordValue(ProductKey, L"OriginalStart", DWORD(row.value));
        if (row.value == -2) SetRawValue(ProductKey, L"OriginalStart", REG_SZ, text, sizeof(text));
        RefreshSysMainStatus();
        EXPECT_EQ(Text(savedSettingLabel), row.expected);
        EXPECT_EQ(SysMainStatus.saved, row.value >= 0);
    }
}

// A saved setting that cannot be read is not shown as present: the key or the value
// refused with an error other than "not found" reads as none, although the value is there.
TEST_F(SysMainRefresh, SavedSettingThatCannotBeReadIsAbsent)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_DISABLED, false));
    SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DEMAND_START);
    static LSTATUS openResult, queryResult;
    static OsApi passOn;
    const SeamLayer layer(passOn);
    // only the store's key and its OriginalStart value are refused; SysMain's own are read
    osApi.RegOpenKeyExW = [](HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key) -> LSTATUS {
        if (lstrcmpiW(path, ProductKey) == 0 && openResult != ERROR_SUCCESS) return openResult;
        return passOn.RegOpenKeyExW(root, path, options, sam, key);
    };
    osApi.RegQueryValueExW = [](HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) -> LSTATUS {
        if (name && lstrcmpW(name, L"OriginalStart") == 0 && queryResult != ERROR_SUCCESS) return queryResult;
        return passOn.RegQueryValueExW(key, name, reserved, type, data, size);
    };
    const struct {
        const char* name;
        LSTATUS open, query;
        const wchar_t* expected;
    } rows[] = {
        {"read", ERROR_SUCCESS, ERROR_SUCCESS, L"Сохранённая настройка: вручную"},
        {"key access denied", ERROR_ACCESS_DENIED, ERROR_SUCCESS, L"Сохранённая настройка: отсутствует"},
        {"value access denied", ERROR_SUCCESS, ERROR_ACCESS_DENIED, L"Сохранённая настройка: отсутствует"},
        {"value out of memory", ERROR_SUCCESS, ERROR_NOT_ENOUGH_MEMORY, L"Сохранённая настройка: отсутствует"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openResult = row.open;
        queryResult = row.query;
        RefreshSysMainStatus();
        EXPECT_EQ(Text(savedSettingLabel), row.expected);
        EXPECT_EQ(SysMainStatus.saved, row.open == ERROR_SUCCESS && row.query == ERROR_SUCCESS);
    }
}

TEST_F(SysMainRefresh, TouchedToggleKeepsTheUsersChoice)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    SendMessageW(autoStartToggle, BM_SETCHECK, BST_CHECKED, 0);
    toggleTouched = true;
    RefreshSysMainStatus();
    EXPECT_TRUE(Checked(autoStartToggle));
    toggleTouched = false;
    RefreshSysMainStatus();
    EXPECT_FALSE(Checked(autoStartToggle));
}

TEST_F(SysMainRefresh, IdleRefreshChangesNothingAndInvalidatesNothing)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    RefreshSysMainStatus();  // the first refresh always finds a change
    RECT card = home.UpdateRect();
    EXPECT_EQ(card.left, StatusCardRect.left);
    EXPECT_EQ(card.top, StatusCardRect.top);
    EXPECT_EQ(card.right, StatusCardRect.right);
    EXPECT_EQ(card.bottom, StatusCardRect.bottom);
    home.Validate();

    RefreshSysMainStatus();
    RefreshSysMainStatus();
    EXPECT_EQ(seenMessages.Changes(), 0) << seenMessages.first;
    EXPECT_TRUE(IsRectEmpty(&(card = home.UpdateRect())));
}

TEST_F(SysMainRefresh, ChangeInvalidatesTheCardOnlyOnHome)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    RefreshSysMainStatus();
    home.Validate();

    currentPage = PageServices;
    ASSERT_TRUE(StopTestService(L"SysMain"));
    RefreshSysMainStatus();
    EXPECT_EQ(Text(statusLabel), L"Остановлена") << "labels follow on every page";
    RECT r = home.UpdateRect();
    EXPECT_TRUE(IsRectEmpty(&r));

    currentPage = PageHome;
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DEMAND_START));
    RefreshSysMainStatus();
    r = home.UpdateRect();
    EXPECT_EQ(r.left, StatusCardRect.left);
    EXPECT_EQ(r.bottom, StatusCardRect.bottom);

    // a change of the saved setting alone repaints nothing
    home.Validate();
    SetDwordValue(ProductKey, L"OriginalStart", 2);
    RefreshSysMainStatus();
    r = home.UpdateRect();
    EXPECT_TRUE(IsRectEmpty(&r));
}
