#include <gtest/gtest.h>
#include "common/RegistryDword.h"
#include "service/BackupStore.h"
#include "support/OsSeam.h"
#include "support/TestWorld.h"
#include "support/WorkflowFaults.h"

namespace {

class BackupStore : public ::testing::Test {
protected:
    void SetUp() override { ClearBackupStore(); }
    void TearDown() override
    {
        seam.ExpectAllClosed();
        ClearBackupStore();
    }
    CountingSeam seam;
};

}  // namespace

TEST_F(BackupStore, ReadDwordValueAcceptsOnlyFourByteDword)
{
    const BYTE four[4] = {3, 0, 0, 0};
    const BYTE eight[8] = {3, 0, 0, 0, 0, 0, 0, 0};
    const BYTE two[2] = {3, 0};
    const wchar_t longText[] = L"a long text value";
    struct Row {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
        LONG expected;
        BackupState state;  // as a backup: only a 4-byte REG_DWORD is one
    } rows[] = {
        {"dword", REG_DWORD, four, 4, 0, BackupState::Present},
        {"qword", REG_QWORD, eight, 8, ERROR_MORE_DATA, BackupState::Absent},
        {"long string", REG_SZ, longText, sizeof(longText), ERROR_MORE_DATA, BackupState::Absent},
        {"binary of four bytes", REG_BINARY, four, 4, -1, BackupState::Absent},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, four, 4, -1, BackupState::Absent},
        {"two-byte dword", REG_DWORD, two, 2, -1, BackupState::Absent},
        {"empty dword", REG_DWORD, nullptr, 0, -1, BackupState::Absent},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(SetRawValue(ProductKey, L"Probe", row.type, row.data, row.size));
        DWORD value = 0;
        EXPECT_EQ(ReadDwordValue(ProductKeyPath, L"Probe", &value), row.expected);
        if (row.expected == 0) {
            EXPECT_EQ(value, 3u);
        }
        EXPECT_EQ(ReadBackupValue(L"Probe", &value), row.state);
    }
}

// Only "not there" may be written over; a read that failed otherwise leaves the value
// unknown, and no workflow decides on it.
TEST_F(BackupStore, FailedReadIsUnknownNotAbsent)
{
    DWORD value = 0;
    EXPECT_EQ(ReadBackupValue(L"Bk_Fax", &value), BackupState::Absent) << "no key";
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_WSearch", 2));
    EXPECT_EQ(ReadBackupValue(L"Bk_Fax", &value), BackupState::Absent) << "no value";
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", 3));
    struct Row {
        const char* name;
        LSTATUS open, query;
    } rows[] = {
        {"open-denied", ERROR_ACCESS_DENIED, ERROR_SUCCESS},
        {"open-out-of-resources", ERROR_NO_SYSTEM_RESOURCES, ERROR_SUCCESS},
        {"query-denied", ERROR_SUCCESS, ERROR_ACCESS_DENIED},
        {"query-out-of-memory", ERROR_SUCCESS, ERROR_NOT_ENOUGH_MEMORY},
    };
    static LSTATUS openResult, queryResult;
    static OsApi counting;
    const SeamLayer layer(counting);
    osApi.RegOpenKeyExW = [](HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key) -> LSTATUS {
        if (openResult != ERROR_SUCCESS) return openResult;
        return counting.RegOpenKeyExW(root, path, options, sam, key);
    };
    osApi.RegQueryValueExW = [](HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) -> LSTATUS {
        if (queryResult != ERROR_SUCCESS) return queryResult;
        return realOs.RegQueryValueExW(key, name, reserved, type, data, size);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        openResult = row.open;
        queryResult = row.query;
        EXPECT_EQ(ReadBackupValue(L"Bk_Fax", &value), BackupState::Unknown);
        EXPECT_EQ(ReadDwordValue(ProductKeyPath, L"Bk_Fax", &value), row.open ? row.open : row.query)
            << "the code is passed on unchanged";
    }
}

// A backup that did not reach the disk does not count: the write fails and leaves no value.
TEST_F(BackupStore, WriteFlushesTheStoreOrLeavesNoValue)
{
    static int flushed;
    flushed = 0;
    osApi.RegFlushKey = [](HKEY key) -> LSTATUS {
        ++flushed;
        return realOs.RegFlushKey(key);
    };
    EXPECT_TRUE(WriteBackupValue(L"Bk_Fax", 3));
    EXPECT_EQ(flushed, 1);
    const FaultSeam refusal(OsFault::FlushKey);
    EXPECT_FALSE(WriteBackupValue(L"Bk_WSearch", 2));
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_WSearch"));
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
}

TEST_F(BackupStore, MissingKeyOrValueGivesTheWin32Code)
{
    DWORD value = 0;
    EXPECT_EQ(ReadDwordValue(ProductKeyPath, L"OriginalStart", &value), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Other", 2));
    EXPECT_EQ(ReadDwordValue(ProductKeyPath, L"OriginalStart", &value), ERROR_FILE_NOT_FOUND);
}

TEST_F(BackupStore, WriteCreatesKeyAndDeleteIsSilent)
{
    EXPECT_FALSE(KeyExists(ProductKey));
    DeleteBackupValue(L"Bk_Fax");  // no key: nothing happens
    EXPECT_FALSE(KeyExists(ProductKey));

    EXPECT_TRUE(WriteBackupValue(L"Bk_Fax", 3));
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_WSearch", 2));

    DeleteBackupValue(L"Bk_Spooler");  // absent value: the others stay
    DeleteBackupValue(L"Bk_Fax");
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 2);
    DeleteBackupValue(L"Bk_WSearch");
    EXPECT_TRUE(KeyExists(ProductKey)) << "the key stays behind, empty";
}

TEST_F(BackupStore, WriteReplacesAValueOfTheWrongType)
{
    const wchar_t text[] = L"3";
    ASSERT_TRUE(SetRawValue(ProductKey, L"Bk_Fax", REG_SZ, text, sizeof(text)));
    EXPECT_TRUE(WriteBackupValue(L"Bk_Fax", 3));
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
}

TEST_F(BackupStore, EveryOpenAndCreateUsesThe64BitView)
{
    static std::vector<REGSAM> access;
    access.clear();
    osApi.RegOpenKeyExW = [](HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key) -> LSTATUS {
        access.push_back(sam);
        LSTATUS status = realOs.RegOpenKeyExW(root, path, options, sam, key);
        if (status == ERROR_SUCCESS) ++seamCounters.keysOpened;
        return status;
    };
    osApi.RegCreateKeyExW = [](HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                               LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition) -> LSTATUS {
        access.push_back(sam);
        LSTATUS status = realOs.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
        if (status == ERROR_SUCCESS) ++seamCounters.keysOpened;
        return status;
    };
    DWORD value = 0;
    WriteBackupValue(L"Bk_Fax", 3);
    ReadDwordValue(ProductKeyPath, L"Bk_Fax", &value);
    DeleteBackupValue(L"Bk_Fax");
    ASSERT_EQ(access.size(), 3u);
    // the create also asks for KEY_QUERY_VALUE, which flushing the key needs, and for
    // KEY_CREATE_SUB_KEY, which the check of an existing key for volatility needs
    EXPECT_EQ(access[0], REGSAM(KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY));
    EXPECT_EQ(access[1], REGSAM(KEY_QUERY_VALUE | KEY_WOW64_64KEY));
    EXPECT_EQ(access[2], REGSAM(KEY_SET_VALUE | KEY_WOW64_64KEY));
}

TEST_F(BackupStore, FailedCreateOrSetWritesNothingAndClosesTheKey)
{
    {
        const FaultSeam refusal(OsFault::SetValue);
        EXPECT_FALSE(WriteBackupValue(L"Bk_Fax", 3));
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
        EXPECT_EQ(seamCounters.keysOpened, 1);
        EXPECT_EQ(seamCounters.keysClosed, 1);
    }
    const FaultSeam refusal(OsFault::CreateKey);
    EXPECT_FALSE(WriteBackupValue(L"Bk_Fax", 3));
}

namespace {

// The store key as another program could leave it: volatile or not, with or without a
// subkey of the probe's name left from an interrupted write.
bool MakeStoreKey(DWORD options, bool leftProbe)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, options, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    HKEY probe = nullptr;
    const LSTATUS status = leftProbe ? RegCreateKeyExW(key, L"PersistenceCheck", 0, nullptr, options, KEY_ALL_ACCESS,
                                                       nullptr, &probe, nullptr)
                                     : ERROR_SUCCESS;
    if (probe) RegCloseKey(probe);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

// A volatile store key would vanish at the next restart with every backup in it: a write
// into it fails and leaves nothing, not even its probe. A non-volatile one takes the
// backup, also where a probe was left behind.
TEST_F(BackupStore, AVolatileStoreTakesNoBackup)
{
    // what the check relies on, as Wine answers it too
    ASSERT_TRUE(MakeStoreKey(REG_OPTION_VOLATILE, false));
    HKEY store = nullptr, child = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &store), ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExW(store, L"Lasting", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &child,
                              nullptr),
              ERROR_CHILD_MUST_BE_VOLATILE);
    if (child) RegCloseKey(child);
    RegCloseKey(store);

    const std::wstring probe = std::wstring(ProductKey) + L"\\PersistenceCheck";
    struct Row {
        const char* name;
        DWORD options;
        bool leftProbe;
        bool written;
    } const rows[] = {
        {"volatile", REG_OPTION_VOLATILE, false, false},
        {"volatile-with-a-left-probe", REG_OPTION_VOLATILE, true, false},
        {"non-volatile", REG_OPTION_NON_VOLATILE, false, true},
        {"non-volatile-with-a-left-probe", REG_OPTION_NON_VOLATILE, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearBackupStore();
        ASSERT_TRUE(MakeStoreKey(row.options, row.leftProbe));
        EXPECT_EQ(WriteBackupValue(L"Bk_Fax", 3), row.written);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), row.written ? 3 : Absent);
        EXPECT_FALSE(KeyExists(probe.c_str())) << "the probe stays behind";
    }
}
