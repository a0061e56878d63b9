// The test world itself: what ServiceWorld finds under a catalogue name before a test
// and what it leaves afterwards. A run that was killed leaves its test services behind;
// the next world must clear them, while Wine's own Spooler always comes back.
#include <gtest/gtest.h>
#include <string>
#include "e2e/Text.h"
#include "support/TestWorld.h"

namespace {

bool RunsOnSpoolsv(const wchar_t* name)
{
    const std::wstring binary = ServiceBinary(name);
    return binary.size() >= 11 && _wcsicmp(binary.c_str() + binary.size() - 11, L"spoolsv.exe") == 0;
}

}  // namespace

TEST(ServiceWorldCleanUp, ALeftoverTestServiceIsRemovedNotPutBack)
{
    // as a killed run leaves it: a test service under a catalogue name
    ASSERT_TRUE(InstallTestService(L"Fax", SERVICE_DISABLED));
    {
        ServiceWorld world;
        ASSERT_TRUE(world.Add(L"Fax", SERVICE_DEMAND_START, false));
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    }
    const bool left = ServiceExists(L"Fax");
    EXPECT_FALSE(left) << "left behind on " << Utf8(ServiceBinary(L"Fax"));
    if (left) RemoveTestService(L"Fax");
}

TEST(ServiceWorldCleanUp, WinesSpoolerComesBackAsItWas)
{
    ASSERT_TRUE(RunsOnSpoolsv(L"Spooler")) << "Wine's own Spooler: " << Utf8(ServiceBinary(L"Spooler"));
    const long long start = RegistryStartType(L"Spooler");
    {
        ServiceWorld world;
        ASSERT_TRUE(world.Add(L"Spooler", SERVICE_DISABLED, false));
        EXPECT_FALSE(RunsOnSpoolsv(L"Spooler")) << "the test service stands in for it";
    }
    EXPECT_TRUE(RunsOnSpoolsv(L"Spooler"));
    EXPECT_EQ(RegistryStartType(L"Spooler"), start);
}

// A killed run that had replaced the Spooler leaves a test service in its place: it goes,
// and Wine's Spooler comes back with the start type a fresh prefix gives it.
TEST(ServiceWorldCleanUp, ATestServiceLeftAsSpoolerGivesWinesSpoolerBack)
{
    ASSERT_TRUE(RunsOnSpoolsv(L"Spooler"));
    ASSERT_EQ(RegistryStartType(L"Spooler"), SERVICE_DEMAND_START) << "Wine's own Spooler as a fresh prefix has it";
    RemoveTestService(L"Spooler");
    const bool left = InstallTestService(L"Spooler", SERVICE_DISABLED);
    {
        ServiceWorld world;
        EXPECT_TRUE(left);
        EXPECT_TRUE(world.Add(L"Spooler", SERVICE_AUTO_START, false));
    }
    EXPECT_TRUE(RunsOnSpoolsv(L"Spooler"));
    EXPECT_EQ(RegistryStartType(L"Spooler"), SERVICE_DEMAND_START);
}
