#include <gtest/gtest.h>
#include <cwchar>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>
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

using Names = std::vector<std::wstring>;

// the names of the store's subkeys, sorted
Names SubkeysOfTheStore()
{
    Names names;
    HKEY store = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_READ | KEY_WOW64_64KEY, &store) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(store, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(store);
    std::sort(names.begin(), names.end());
    return names;
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
        // a key of the old probe's name is someone else's now: it stays as it was
        EXPECT_EQ(KeyExists(probe.c_str()), row.leftProbe);
        EXPECT_EQ(SubkeysOfTheStore(), row.leftProbe ? Names{L"PersistenceCheck"} : Names{}) << "the probe stays behind";
    }
}

namespace {

// --- the check touches only its own ------------------------------------------------------

// the random bytes the check draws its name from, when a test fixes them
bool fixedBits = false;
bool randomRefused = false;
std::vector<std::wstring> probeNames;  // every key created under the store, by name
OsApi beneath;

BOOLEAN WINAPI FixedRandom(PVOID buffer, ULONG length)
{
    if (randomRefused) return FALSE;
    if (!fixedBits) return beneath.RtlGenRandom(buffer, length);
    for (ULONG i = 0; i < length; ++i) static_cast<BYTE*>(buffer)[i] = static_cast<BYTE>(0xA0 + i);
    return TRUE;
}

LSTATUS WINAPI RecordProbe(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                           LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (root != HKEY_LOCAL_MACHINE) probeNames.push_back(path);
    return beneath.RegCreateKeyExW(root, path, reserved, cls, options, sam, sa, key, disposition);
}

// What another administrator, or a tool, may have put under the store at the name the
// check will use: a key with a value, a key with a subkey, or a registry link to a key
// elsewhere in HKLM with a value of its own.
enum class Plant { KeyWithValue, KeyWithSubkey, Link };
constexpr const wchar_t* LinkTarget = L"SOFTWARE\\TarvixMiniTest.LinkTarget";

bool PlantAt(const std::wstring& name, Plant plant)
{
    HKEY store = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        &store, nullptr) != ERROR_SUCCESS)
        return false;
    HKEY planted = nullptr;
    LSTATUS status = RegCreateKeyExW(store, name.c_str(), 0, nullptr,
                                     plant == Plant::Link ? REG_OPTION_CREATE_LINK : REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &planted, nullptr);
    RegCloseKey(store);
    if (status != ERROR_SUCCESS) return false;
    const DWORD mark = 77;
    switch (plant) {
    case Plant::KeyWithValue:
        status = RegSetValueExW(planted, L"Mark", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mark), sizeof(mark));
        break;
    case Plant::KeyWithSubkey: {
        HKEY child = nullptr;
        status = RegCreateKeyExW(planted, L"Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
        if (child) RegCloseKey(child);
        break;
    }
    case Plant::Link: {
        const std::wstring target = std::wstring(L"\\Registry\\Machine\\") + LinkTarget;
        status = RegSetValueExW(planted, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                                static_cast<DWORD>(target.size() * sizeof(wchar_t)));
        break;
    }
    }
    RegCloseKey(planted);
    return status == ERROR_SUCCESS;
}

// a link is deleted as itself, never through what it points to
void DeleteLink(const std::wstring& name)
{
    using NtDeleteKeyCall = LONG(WINAPI*)(HANDLE);
    const auto deleteKey = reinterpret_cast<NtDeleteKeyCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    HKEY link = nullptr;
    const std::wstring path = std::wstring(ProductKey) + L"\\" + name;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_WOW64_64KEY, &link) !=
        ERROR_SUCCESS)
        return;
    if (deleteKey) deleteKey(link);
    RegCloseKey(link);
}

// the link itself, read without following it
std::wstring LinkPointsTo(const std::wstring& name)
{
    HKEY link = nullptr;
    const std::wstring path = std::wstring(ProductKey) + L"\\" + name;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &link) != ERROR_SUCCESS)
        return L"";
    wchar_t target[256] = {};
    DWORD size = sizeof(target) - sizeof(wchar_t), type = 0;
    const LSTATUS status =
        RegQueryValueExW(link, L"SymbolicLinkValue", nullptr, &type, reinterpret_cast<BYTE*>(target), &size);
    RegCloseKey(link);
    return status == ERROR_SUCCESS && type == REG_LINK ? std::wstring(target, size / sizeof(wchar_t)) : L"";
}

class ProbeOfItsOwn : public BackupStore {
protected:
    void SetUp() override
    {
        BackupStore::SetUp();
        fixedBits = randomRefused = false;
        probeNames.clear();
        layer = std::make_unique<SeamLayer>(beneath);
        osApi.RtlGenRandom = FixedRandom;
        osApi.RegCreateKeyExW = RecordProbe;
    }
    void TearDown() override
    {
        layer.reset();
        if (!planted.empty()) DeleteLink(planted);
        DeleteKey(LinkTarget);
        BackupStore::TearDown();
    }
    // the name the check takes with the fixed bits: learnt from a check of a store that exists
    std::wstring NameWithFixedBits()
    {
        fixedBits = true;
        probeNames.clear();
        EXPECT_TRUE(SetDwordValue(ProductKey, L"Bk_WSearch", 2));
        EXPECT_TRUE(WriteBackupValue(L"Bk_Fax", 3));
        ClearBackupStore();
        return probeNames.size() == 1 ? probeNames[0] : L"";
    }
    std::unique_ptr<SeamLayer> layer;
    std::wstring planted;  // a link to remove by itself at the end
};

}  // namespace

// Each check has a name of its own: two checks, two names, neither left behind; a
// PersistenceCheck of an earlier build, with a value and a subkey, stays as it was and
// blocks nothing.
TEST_F(ProbeOfItsOwn, ANewNameEachTime)
{
    ASSERT_TRUE(MakeStoreKey(REG_OPTION_NON_VOLATILE, true));
    const std::wstring old = std::wstring(ProductKey) + L"\\PersistenceCheck";
    ASSERT_TRUE(SetDwordValue(old.c_str(), L"Mark", 77));
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (old + L"\\Child").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(child);

    EXPECT_TRUE(WriteBackupValue(L"Bk_Fax", 3));
    EXPECT_TRUE(WriteBackupValue(L"Bk_WSearch", 2));
    ASSERT_EQ(probeNames.size(), 2u);
    EXPECT_NE(probeNames[0], probeNames[1]);
    for (const std::wstring& name : probeNames) {
        EXPECT_EQ(name.rfind(L"PersistenceCheck.{", 0), 0u) << testing::PrintToString(name);
        EXPECT_EQ(name.size(), 55u) << testing::PrintToString(name);
    }
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), 3);
    EXPECT_EQ(DwordValue(ProductKey, L"Bk_WSearch"), 2);
    EXPECT_EQ(SubkeysOfTheStore(), Names{L"PersistenceCheck"});
    EXPECT_EQ(DwordValue(old.c_str(), L"Mark"), 77);
    EXPECT_TRUE(KeyExists((old + L"\\Child").c_str()));
}

namespace {

HKEY probeHandle = nullptr;           // what the check's create gave
std::vector<HANDLE> deletedThrough;   // every handle a key was deleted through
int probeOpens = 0;                   // opens of a key by the check's name
bool deleteRefused = false;

LSTATUS WINAPI CreateRecordingHandle(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                                     LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    const LSTATUS status = RecordProbe(root, path, reserved, cls, options, sam, sa, key, disposition);
    if (status == ERROR_SUCCESS && root != HKEY_LOCAL_MACHINE) probeHandle = *key;
    return status;
}

LSTATUS WINAPI OpenRecordingProbes(HKEY root, LPCWSTR path, DWORD options, REGSAM sam, PHKEY key)
{
    if (path && std::wcsstr(path, L"PersistenceCheck")) ++probeOpens;
    return beneath.RegOpenKeyExW(root, path, options, sam, key);
}

LONG WINAPI DeleteRecordingHandle(HANDLE key)
{
    deletedThrough.push_back(key);
    constexpr LONG AccessDenied = static_cast<LONG>(0xC0000022);  // STATUS_ACCESS_DENIED
    return deleteRefused ? AccessDenied : beneath.NtDeleteKey(key);
}

}  // namespace

// The check's key goes through the very handle that created it, which has DELETE access:
// no second open that rules handed down by the store could refuse. A refused deletion is
// a check failed, and the backup is not written.
TEST_F(ProbeOfItsOwn, DeletedThroughTheHandleThatCreatedIt)
{
    osApi.RegCreateKeyExW = CreateRecordingHandle;
    osApi.RegOpenKeyExW = OpenRecordingProbes;
    osApi.NtDeleteKey = DeleteRecordingHandle;
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "deletion refused" : "deleted");
        ClearBackupStore();
        ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_WSearch", 2));
        probeHandle = nullptr;
        deletedThrough.clear();
        probeOpens = 0;
        deleteRefused = refused;
        EXPECT_EQ(WriteBackupValue(L"Bk_Fax", 3), !refused);
        ASSERT_NE(probeHandle, nullptr);
        EXPECT_EQ(deletedThrough, std::vector<HANDLE>{probeHandle});
        EXPECT_EQ(probeOpens, 0);
        EXPECT_EQ(DwordValue(ProductKey, L"Bk_Fax"), refused ? Absent : 3);
        if (!refused) {
            EXPECT_EQ(SubkeysOfTheStore(), Names{});
        }
    }
}

// Something at the check's own name (only an administrator could put it there, and only
// by knowing the name): the check fails, the usual way, and leaves it as it was. A link
// is neither followed nor deleted, and the key it points to keeps its value.
TEST_F(ProbeOfItsOwn, WhatIsThereAlreadyStaysAsItWas)
{
    const std::wstring name = NameWithFixedBits();
    ASSERT_FALSE(name.empty());
    const std::wstring path = std::wstring(ProductKey) + L"\\" + name;
    const struct Row {
        const char* name;
        Plant plant;
    } rows[] = {{"key-with-a-value", Plant::KeyWithValue},
                {"key-with-a-subkey", Plant::KeyWithSubkey},
                {"link", Plant::Link}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearBackupStore();
        ASSERT_TRUE(SetDwordValue(LinkTarget, L"Mark", 77));
        ASSERT_TRUE(PlantAt(name, row.plant));
        if (row.plant == Plant::Link) planted = name;
        EXPECT_FALSE(WriteBackupValue(L"Bk_Fax", 3));
        EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
        EXPECT_EQ(DwordValue(LinkTarget, L"Mark"), 77) << "the key a link points to";
        EXPECT_EQ(SubkeysOfTheStore(), Names{name});
        switch (row.plant) {
        case Plant::KeyWithValue: EXPECT_EQ(DwordValue(path.c_str(), L"Mark"), 77); break;
        case Plant::KeyWithSubkey: EXPECT_TRUE(KeyExists((path + L"\\Child").c_str())); break;
        case Plant::Link:
            EXPECT_EQ(LinkPointsTo(name), std::wstring(L"\\Registry\\Machine\\") + LinkTarget);
            DeleteLink(name);
            planted.clear();
            break;
        }
    }
}

// No random bytes, no name of its own: the check fails and nothing is written.
TEST_F(ProbeOfItsOwn, NoNameNoBackup)
{
    ASSERT_TRUE(MakeStoreKey(REG_OPTION_NON_VOLATILE, false));
    randomRefused = true;
    EXPECT_FALSE(WriteBackupValue(L"Bk_Fax", 3));
    EXPECT_FALSE(ValueExists(ProductKey, L"Bk_Fax"));
    EXPECT_EQ(SubkeysOfTheStore(), Names{});
}
