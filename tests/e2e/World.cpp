#include "e2e/World.h"

const CatalogueRow Catalogue[7] = {
    {L"SysMain", L"SysMain / Tarvix", L"Bk_SysMain", SERVICE_AUTO_START, true},
    {L"WSearch", L"Windows Search (поиск)", L"Bk_WSearch", SERVICE_AUTO_START, true},
    {L"Spooler", L"Print Spooler (печать)", L"Bk_Spooler", SERVICE_AUTO_START, true},
    {L"Fax", L"Fax", L"Bk_Fax", SERVICE_DEMAND_START, false},
    {L"XblAuthManager", L"Xbox Live Auth", L"Bk_XblAuth", SERVICE_DEMAND_START, false},
    {L"MapsBroker", L"Offline Maps", L"Bk_MapsBroker", SERVICE_AUTO_START, false},
    {L"RemoteRegistry", L"Remote Registry", L"Bk_RemoteRegistry", SERVICE_DISABLED, false},
};

namespace {

constexpr const wchar_t* AppDefaultsKey = L"Software\\Wine\\AppDefaults\\TarvixMini.exe";

}  // namespace

void EndToEnd::SetUp()
{
    ClearBackupStore();
    // a scenario that was killed may have left its test services behind; Wine's own
    // Spooler is left to ServiceWorld, which replaces it and puts it back
    for (const CatalogueRow& row : Catalogue)
        if (wcscmp(row.name, L"Spooler") != 0 && ServiceExists(row.name)) RemoveTestService(row.name);
    RegDeleteTreeW(HKEY_CURRENT_USER, AppDefaultsKey);
}

void EndToEnd::TearDown()
{
    services.reset();
    ClearBackupStore();
    if (gdiPlusDisabled) RegDeleteTreeW(HKEY_CURRENT_USER, AppDefaultsKey);
    for (const CatalogueRow& row : Catalogue) {
        if (wcscmp(row.name, L"Spooler") != 0) {
            EXPECT_FALSE(ServiceExists(row.name)) << "left behind: " << Utf8(row.name);
        }
    }
}

void EndToEnd::InstallServices(std::initializer_list<ServiceSetup> changes)
{
    services = std::make_unique<ServiceWorld>();
    for (const CatalogueRow& row : Catalogue) {
        ServiceSetup wanted = {row.name, row.usualStart, row.usualRunning};
        for (const ServiceSetup& change : changes)
            if (wcscmp(change.name, row.name) == 0) wanted = change;
        if (wanted.start == 0) {
            // Wine's own Spooler can't be made to vanish; no scenario asks for that
            ASSERT_STRNE(wanted.name, L"Spooler");
            continue;
        }
        ASSERT_TRUE(services->Add(wanted.name, wanted.start, wanted.running, wanted.mode)) << Utf8(wanted.name);
    }
}

void EndToEnd::DisableGdiPlusForProgram()
{
    HKEY key = nullptr;
    std::wstring path = std::wstring(AppDefaultsKey) + L"\\DllOverrides";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    gdiPlusDisabled = true;
    const wchar_t empty[] = L"";
    LSTATUS status = RegSetValueExW(key, L"gdiplus", 0, REG_SZ, reinterpret_cast<const BYTE*>(empty), sizeof(empty));
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
}

void ExpectText(HWND control, const std::wstring& expected, const char* what)
{
    EXPECT_EQ(Utf8(Program::Text(control)), Utf8(expected)) << what;
}

void ExpectTextSoon(HWND control, const std::wstring& expected, const char* what, DWORD timeoutMs)
{
    std::wstring last;
    WaitUntil([&] { return (last = Program::Text(control)) == expected; }, timeoutMs, 50);
    EXPECT_EQ(Utf8(last), Utf8(expected)) << what << " (waited " << timeoutMs << " ms)";
}

void ClickToggle(Program& program, HWND toggle, bool expectChecked, const char* what)
{
    program.Click(toggle);
    EXPECT_TRUE(WaitUntil([&] { return Program::Check(toggle) == (expectChecked ? BST_CHECKED : BST_UNCHECKED); }))
        << what << " did not flip on a click";
}

void ExpectCheck(HWND toggle, bool checked, const char* what)
{
    EXPECT_EQ(Program::Check(toggle), checked ? BST_CHECKED : BST_UNCHECKED) << what;
}

HomeControls FindHome(const Program& program)
{
    return {program.StaticAt(486, 155), program.StaticAt(255, 311), program.StaticAt(255, 555), program.Control(101),
            program.Control(102),       program.Control(108),       program.Control(103),       program.Control(106),
            program.Control(107),       program.Control(104)};
}

ServicesControls FindServices(const Program& program)
{
    ServicesControls page = {};
    for (int row = 0; row < 7; ++row) {
        page.toggles[row] = program.Control(401 + row);
        page.labels[row] = program.StaticAt(610, 145 + 45 * row);
    }
    page.disable = program.Control(301);
    page.restore = program.Control(302);
    return page;
}
