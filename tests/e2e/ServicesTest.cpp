// The Services page: its texts, batch disabling, and batch restoring in a later run.
#include "e2e/World.h"

namespace {

using namespace BoxText;

class Services : public EndToEnd {
protected:
    // Shows the Services page with a click on its sidebar row.
    ServicesControls OpenServicesPage(Program& program)
    {
        program.ClickClient(110, 105 + 52 + 22);
        ServicesControls page = FindServices(program);
        EXPECT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";
        Program::ParkPointer();
        return page;
    }
};

std::wstring Listed(std::initializer_list<int> rows)
{
    std::wstring lines;
    for (int row : rows) lines += std::wstring(L"\u2022 ") + Catalogue[row].label + L"\n";
    return lines;
}

enum Row { SysMainRow, WSearchRow, SpoolerRow, FaxRow, XblRow, MapsRow, RemoteRegistryRow };

}  // namespace

TEST_F(Services, PageTexts)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"XblAuthManager", 0, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_AUTO_START));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_XblAuth", SERVICE_DEMAND_START));
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);

    ExpectText(program.StaticAt(330, 111), L"Служба", "column header");
    ExpectText(program.StaticAt(575, 111), L"Режим запуска", "column header");
    ExpectText(program.StaticAt(290, 538), L"Изменения служб применяются только после подтверждения.", "footer");
    ExpectText(page.disable, L"Предпросмотр и отключение", "button 301");
    ExpectText(page.restore, L"Вернуть прежние настройки", "button 302");
    struct Expected {
        const wchar_t* label;
        bool enabled;
    } expected[7] = {
        {L"Авто", true},
        {L"Авто", true},
        {L"Авто", true},
        {L"Вручную | есть копия", true},
        {L"Нет службы | есть копия", false},
        {L"Авто", true},
        {L"Отключена", false},
    };
    for (int row = 0; row < 7; ++row) {
        SCOPED_TRACE(Utf8(Catalogue[row].name));
        ExpectText(page.toggles[row], Catalogue[row].label, "row toggle caption");
        ExpectText(page.labels[row], expected[row].label, "row label");
        EXPECT_EQ(Program::Enabled(page.toggles[row]), expected[row].enabled) << "row toggle enabled";
        ExpectCheck(page.toggles[row], false, "row toggle starts off");
    }
    EXPECT_TRUE(program.Shot().Save(L"services"));
    EXPECT_TRUE(program.Close());
}

TEST_F(Services, NothingToDo)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);

    program.Click(page.disable);
    SeenBox box = program.WaitForBox();
    ExpectBox(box, SelectFirst, BoxIcon::Information, false);
    program.Answer(box, IDOK);
    EXPECT_TRUE(program.NoBoxWithin(300));

    program.Click(page.restore);
    box = program.WaitForBox();
    ExpectBox(box, NothingSaved, BoxIcon::Information, false);
    program.Answer(box, IDOK);
    EXPECT_TRUE(program.NoBoxWithin(300));
    EXPECT_FALSE(KeyExists(ProductKey)) << "nothing was written";
    EXPECT_TRUE(program.Close());
}

// Three services off in one batch, each with its own backup; the backups outlive the
// program, and a later run puts every start type back. SysMain is one of them: its
// batch backup is its own, apart from the Home page's.
TEST_F(Services, BatchDisableThenRestoreInALaterRun)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    // the start types as InstallServices() leaves them
    auto before = [](int row) -> long long { return Catalogue[row].usualStart; };
    const int chosen[] = {SysMainRow, FaxRow, MapsRow};
    auto isChosen = [&](int row) { return row == SysMainRow || row == FaxRow || row == MapsRow; };
    const std::wstring disableText = DisableHeader + Listed({SysMainRow, FaxRow, MapsRow}) + DisableFooter;
    {
        Program program;
        ASSERT_TRUE(program.Start());
        ServicesControls page = OpenServicesPage(program);
        for (int row : chosen) {
            program.Click(page.toggles[row]);
            EXPECT_TRUE(WaitUntil([&] { return Program::Check(page.toggles[row]) == BST_CHECKED; }))
                << Utf8(Catalogue[row].name) << " toggle flip";
        }
        // the answer No first: nothing changes and the choice stays
        program.Click(page.disable);
        SeenBox confirm = program.WaitForBox();
        ExpectBox(confirm, disableText, BoxIcon::Warning, true);
        program.Answer(confirm, IDNO);
        EXPECT_TRUE(program.NoBoxWithin(300));
        for (int row : chosen) ExpectCheck(page.toggles[row], true, "still chosen after No");
        EXPECT_FALSE(KeyExists(ProductKey));

        program.Click(page.disable);
        confirm = program.WaitForBox();
        ExpectBox(confirm, disableText, BoxIcon::Warning, true);
        program.Answer(confirm, IDYES);
        SeenBox result = program.WaitForBox();
        ExpectBox(result, AllDisabled, BoxIcon::Information, false);
        program.Answer(result, IDOK);

        for (int row = 0; row < 7; ++row) {
            SCOPED_TRACE(Utf8(Catalogue[row].name));
            EXPECT_EQ(RegistryStartType(Catalogue[row].name), isChosen(row) ? 4 : before(row));
            EXPECT_EQ(BackupValue(Catalogue[row].backupName), isChosen(row) ? before(row) : -1);
            const wchar_t* label = isChosen(row)              ? L"Отключена | есть копия"
                                   : row == RemoteRegistryRow ? L"Отключена"
                                   : before(row) == 2         ? L"Авто"
                                                              : L"Вручную";
            ExpectText(page.labels[row], label, "row label after the batch");
            ExpectCheck(page.toggles[row], false, "every toggle unchecked after the batch");
            EXPECT_EQ(Program::Enabled(page.toggles[row]), !isChosen(row) && row != RemoteRegistryRow);
        }
        EXPECT_FALSE(BackupPresent(L"OriginalStart")) << "the batch does not write the Home page's backup";
        EXPECT_EQ(ServiceState(L"SysMain"), SERVICE_RUNNING) << "the batch does not stop services";
        EXPECT_TRUE(program.Shot().Save(L"services-after-batch"));

        // the Home page shows SysMain's new start type
        program.PressKey('1');
        HomeControls home = FindHome(program);
        EXPECT_TRUE(WaitUntil([&] { return Program::Visible(home.apply); })) << "the Home page did not show";
        ExpectText(home.startType, L"Отключена", "Home start-type label after the batch");
        ExpectText(home.saved, L"Сохранённая настройка: отсутствует", "Home saved-setting label after the batch");
        ExpectCheck(home.autoStart, true, "toggle 101 after the batch");
        EXPECT_TRUE(program.Close());
    }
    // the Home page's own backup, which the batch restore must leave alone
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DEMAND_START));

    Program later;
    ASSERT_TRUE(later.Start());
    ServicesControls page = OpenServicesPage(later);
    for (int row : chosen) ExpectText(page.labels[row], L"Отключена | есть копия", "row label in the later run");
    const std::wstring restoreText = RestoreHeader + Listed({SysMainRow, FaxRow, MapsRow}) + RestoreFooter;
    later.Click(page.restore);
    SeenBox confirm = later.WaitForBox();
    ExpectBox(confirm, restoreText, BoxIcon::Warning, true);
    later.Answer(confirm, IDNO);
    EXPECT_TRUE(later.NoBoxWithin(300));
    for (int row : chosen) EXPECT_EQ(RegistryStartType(Catalogue[row].name), 4) << "changed after No";

    later.Click(page.restore);
    confirm = later.WaitForBox();
    ExpectBox(confirm, restoreText, BoxIcon::Warning, true);
    later.Answer(confirm, IDYES);
    SeenBox result = later.WaitForBox();
    ExpectBox(result, AllRestored, BoxIcon::Information, false);
    later.Answer(result, IDOK);
    for (int row = 0; row < 7; ++row) {
        SCOPED_TRACE(Utf8(Catalogue[row].name));
        EXPECT_EQ(RegistryStartType(Catalogue[row].name), before(row));
        EXPECT_FALSE(BackupPresent(Catalogue[row].backupName));
    }
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_DEMAND_START) << "the Home page's backup is left alone";
    EXPECT_TRUE(KeyExists(ProductKey)) << "the key stays";
    ExpectText(page.labels[SysMainRow], L"Авто", "SysMain row after the restore");
    ExpectText(page.labels[FaxRow], L"Вручную", "Fax row after the restore");
    ExpectText(page.labels[MapsRow], L"Авто", "MapsBroker row after the restore");
    for (int row : chosen) EXPECT_TRUE(Program::Enabled(page.toggles[row]));
    EXPECT_EQ(ServiceState(L"SysMain"), SERVICE_RUNNING) << "the restore does not start or stop services";
    EXPECT_TRUE(later.Close());
}

// A backup outside 2..4 can't be put back: it stays, and the others are still restored.
// A value of another type counts as absent.
TEST_F(Services, RestoreWithABadBackup)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DISABLED, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Spooler", 1));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    const wchar_t text[] = L"2";
    ASSERT_TRUE(SetRawValue(ProductKey, L"Bk_WSearch", REG_SZ, text, sizeof(text)));

    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    ExpectText(page.labels[WSearchRow], L"Авто", "a REG_SZ backup is no backup");
    ExpectText(page.labels[SpoolerRow], L"Авто | есть копия", "Spooler row");
    ExpectText(page.labels[FaxRow], L"Отключена | есть копия", "Fax row");

    program.Click(page.restore);
    SeenBox confirm = program.WaitForBox();
    ExpectBox(confirm, RestoreHeader + Listed({SpoolerRow, FaxRow}) + RestoreFooter, BoxIcon::Warning, true);
    program.Answer(confirm, IDYES);
    SeenBox result = program.WaitForBox();
    ExpectBox(result, SomeKept, BoxIcon::Warning, false);
    program.Answer(result, IDOK);

    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_FALSE(BackupPresent(L"Bk_Fax"));
    EXPECT_EQ(BackupValue(L"Bk_Spooler"), 1) << "a bad backup stays";
    EXPECT_EQ(RegistryStartType(L"Spooler"), SERVICE_AUTO_START) << "and its start type is not written";
    EXPECT_TRUE(BackupPresent(L"Bk_WSearch")) << "the REG_SZ value is left alone";
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_AUTO_START);
    ExpectText(page.labels[SpoolerRow], L"Авто | есть копия", "Spooler row after the restore");
    ExpectText(page.labels[FaxRow], L"Вручную", "Fax row after the restore");
    EXPECT_TRUE(program.Close());
}
