#include <gtest/gtest.h>
#include "service/ServiceOps.h"
#include "support/OsSeam.h"
#include "support/TestWorld.h"

namespace {

class ServiceOps : public ::testing::Test {
protected:
    void TearDown() override { seam.ExpectAllClosed(); }
    ServiceWorld world;
    CountingSeam seam;
};

}  // namespace

TEST_F(ServiceOps, QueryStartTypeReadsTheRegistryOfAKnownService)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    DWORD start = 0;
    EXPECT_TRUE(QueryStartType(L"Fax", &start));
    EXPECT_EQ(start, DWORD(SERVICE_DEMAND_START));
    ASSERT_EQ(seamCounters.serviceAccess.size(), 1u);
    EXPECT_EQ(seamCounters.serviceAccess[0], DWORD(SERVICE_QUERY_CONFIG));
}

TEST_F(ServiceOps, QueryStartTypeNeedsAServiceTheManagerKnows)
{
    const std::wstring ghost = ServiceKey(L"TarvixGhost");
    const wchar_t* key = ghost.c_str();
    ASSERT_TRUE(SetDwordValue(key, L"Start", 2));
    DWORD start = 0;
    EXPECT_FALSE(QueryStartType(L"TarvixGhost", &start));
    DeleteKey(key);
}

TEST_F(ServiceOps, QueryStartTypeFailsOnAnUnusableStartValue)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    const std::wstring fax = ServiceKey(L"Fax");
    const wchar_t* key = fax.c_str();
    const wchar_t text[] = L"3";
    const ULONGLONG wide = 3;
    DWORD start = 0;
    ASSERT_TRUE(SetRawValue(key, L"Start", REG_SZ, text, sizeof(text)));
    EXPECT_FALSE(QueryStartType(L"Fax", &start)) << "REG_SZ";
    ASSERT_TRUE(SetRawValue(key, L"Start", REG_QWORD, &wide, sizeof(wide)));
    EXPECT_FALSE(QueryStartType(L"Fax", &start)) << "REG_QWORD";
    SetDwordValue(key, L"Start", SERVICE_DEMAND_START);
}

TEST_F(ServiceOps, SetStartTypeChangesOnlyTheStartType)
{
    ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
    EXPECT_TRUE(SetStartType(L"Fax", SERVICE_DISABLED));
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    EXPECT_EQ(seamCounters.serviceAccess.back(), DWORD(SERVICE_CHANGE_CONFIG));
    EXPECT_FALSE(SetStartType(L"TarvixGhost", SERVICE_DISABLED));
}

TEST_F(ServiceOps, StartSysMain)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, false));
    EXPECT_TRUE(StartSysMain()) << "stopped service starts";
    EXPECT_EQ(seamCounters.serviceAccess.back(), DWORD(SERVICE_START | SERVICE_QUERY_STATUS));
    ASSERT_TRUE(WaitForServiceState(L"SysMain", SERVICE_RUNNING));
    EXPECT_TRUE(StartSysMain()) << "a running service counts as started";

    ASSERT_TRUE(StopTestService(L"SysMain"));
    ASSERT_TRUE(ChangeStartTypeExternally(L"SysMain", SERVICE_DISABLED));
    EXPECT_FALSE(StartSysMain()) << "a disabled service cannot start";
    EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_STOPPED));
}

TEST_F(ServiceOps, StopSysMain)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    EXPECT_TRUE(StopSysMain());
    EXPECT_EQ(seamCounters.serviceAccess.back(), DWORD(SERVICE_STOP | SERVICE_QUERY_STATUS));
    EXPECT_EQ(seamCounters.controlsSent, std::vector<DWORD>{SERVICE_CONTROL_STOP});
    ASSERT_TRUE(WaitForServiceState(L"SysMain", SERVICE_STOPPED));

    seamCounters.controlsSent.clear();
    EXPECT_TRUE(StopSysMain()) << "already stopped";
    EXPECT_TRUE(seamCounters.controlsSent.empty());
}

TEST_F(ServiceOps, StopSysMainRefusesAPendingService)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true, ServiceMode::StayPending));
    ASSERT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_START_PENDING));
    EXPECT_FALSE(StopSysMain());
    EXPECT_TRUE(seamCounters.controlsSent.empty());
}

TEST_F(ServiceOps, SetSysMainStartTypeWithStop)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    EXPECT_TRUE(SetSysMainStartType(SERVICE_DISABLED, true));
    EXPECT_EQ(seamCounters.serviceAccess.back(), DWORD(SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_STOP));
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
    EXPECT_EQ(seamCounters.controlsSent, std::vector<DWORD>{SERVICE_CONTROL_STOP});
    EXPECT_TRUE(WaitForServiceState(L"SysMain", SERVICE_STOPPED));

    // stopped already: the start type changes, no control is sent
    seamCounters.controlsSent.clear();
    EXPECT_TRUE(SetSysMainStartType(SERVICE_DEMAND_START, true));
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START);
    EXPECT_TRUE(seamCounters.controlsSent.empty());
}

TEST_F(ServiceOps, SetSysMainStartTypeIgnoresARefusedStop)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true, ServiceMode::RefuseStop));
    EXPECT_TRUE(SetSysMainStartType(SERVICE_DISABLED, true));
    EXPECT_EQ(seamCounters.controlsSent.size(), 1u);
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
    EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_RUNNING));
}

TEST_F(ServiceOps, SetSysMainStartTypeWithoutStopNeverQueriesTheState)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    EXPECT_TRUE(SetSysMainStartType(SERVICE_DISABLED, false));
    EXPECT_EQ(seamCounters.serviceAccess.back(), DWORD(SERVICE_CHANGE_CONFIG));
    EXPECT_EQ(seamCounters.queryStatusCalls, 0);
    EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_RUNNING));
}

// Failures Wine does not produce on its own, through the seam: every path closes
// what it opened, and reports false.
TEST_F(ServiceOps, FailuresCloseEveryHandle)
{
    ASSERT_TRUE(world.Add(L"SysMain", SERVICE_AUTO_START, true));
    struct Row {
        const char* name;
        void (*breakIt)();
        bool (*operation)();
        bool expected;
    } rows[] = {
        {"manager denied", [] { osApi.OpenSCManagerW = [](LPCWSTR, LPCWSTR, DWORD) -> SC_HANDLE { SetLastError(ERROR_ACCESS_DENIED); return nullptr; }; },
         [] { return StartSysMain(); }, false},
        {"service denied", [] { osApi.OpenServiceW = [](SC_HANDLE, LPCWSTR, DWORD) -> SC_HANDLE { return nullptr; }; },
         [] { return StopSysMain(); }, false},
        {"change refused", [] { osApi.ChangeServiceConfigW = [](SC_HANDLE, DWORD, DWORD, DWORD, LPCWSTR, LPCWSTR, LPDWORD, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR) -> BOOL { return FALSE; }; },
         [] { return SetSysMainStartType(SERVICE_DISABLED, true); }, false},
        {"change refused, plain", [] { osApi.ChangeServiceConfigW = [](SC_HANDLE, DWORD, DWORD, DWORD, LPCWSTR, LPCWSTR, LPDWORD, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR) -> BOOL { return FALSE; }; },
         [] { return SetStartType(L"SysMain", SERVICE_DISABLED); }, false},
        {"status query fails on stop", [] { osApi.QueryServiceStatus = [](SC_HANDLE, LPSERVICE_STATUS) -> BOOL { return FALSE; }; },
         [] { return StopSysMain(); }, false},
        {"stop control refused", [] { osApi.ControlService = [](SC_HANDLE, DWORD, LPSERVICE_STATUS) -> BOOL { return FALSE; }; },
         [] { return StopSysMain(); }, false},
        {"stop refused does not count", [] { osApi.ControlService = [](SC_HANDLE, DWORD, LPSERVICE_STATUS) -> BOOL { return FALSE; }; },
         [] { return SetSysMainStartType(SERVICE_AUTO_START, true); }, true},
        {"start refused, query fails", [] {
             osApi.StartServiceW = [](SC_HANDLE, DWORD, LPCWSTR*) -> BOOL { return FALSE; };
             osApi.QueryServiceStatus = [](SC_HANDLE, LPSERVICE_STATUS) -> BOOL { return FALSE; }; },
         [] { return StartSysMain(); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountingSeam local;
        row.breakIt();
        EXPECT_EQ(row.operation(), row.expected);
        local.ExpectAllClosed();
    }
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START) << "no refused change may land";
    EXPECT_EQ(ServiceState(L"SysMain"), DWORD(SERVICE_RUNNING));
}
