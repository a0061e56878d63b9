// What the undo promise means from outside: two copies of the program at once, each
// deciding on the registry as it stands after its confirmation; a restore that acts only
// on the rows its question named, and a turn-off reported only for rows that are off,
// whatever happens while the question is open; backups that could never turn the
// automatic start back on, replaced instead of kept, and never restored; start types that
// no restore could set again, never changed; a service removed while the user is asked;
// a lock held by someone else, which never freezes the window; and a lock left by a copy
// that ended while it held it.
#include "e2e/World.h"
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include "support/OtherCopyLock.h"

namespace {

using namespace BoxText;

class Undo : public EndToEnd {};

// the middle of sidebar row i
int SidebarRowY(int row)
{
    return 105 + 52 * row + 22;
}

// Flips the auto-start toggle to turnOff, clicks Apply, answers Yes, expects the result box and closes it.
void ApplyOnHome(Program& program, bool turnOff, const wchar_t* result, const char* who,
                 BoxIcon icon = BoxIcon::Information)
{
    SCOPED_TRACE(who);
    HomeControls home = FindHome(program);
    if (Program::Check(home.autoStart) != (turnOff ? BST_CHECKED : BST_UNCHECKED))
        ClickToggle(program, home.autoStart, turnOff, "toggle 101");
    program.Click(home.apply);
    SeenBox confirm = program.WaitForBox();
    ExpectBox(confirm, turnOff ? AskTurnOff : AskRestore, BoxIcon::Warning, true);
    program.Answer(confirm, IDYES);
    SeenBox box = program.WaitForBox();
    ExpectBox(box, result, icon, false);
    program.Answer(box, IDOK);
}

ServicesControls OpenServicesPage(Program& program)
{
    program.ClickClient(110, SidebarRowY(1));
    ServicesControls page = FindServices(program);
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";
    Program::ParkPointer();
    return page;
}

// Clicks "Предпросмотр и отключение" or "Вернуть прежние настройки", answers Yes (after
// whileAsked, if given) and expects the result box.
void RunBatch(Program& program, HWND button, const wchar_t* result, BoxIcon icon,
              const std::function<void()>& whileAsked = nullptr)
{
    program.Click(button);
    SeenBox confirm = program.WaitForBox();
    ASSERT_TRUE(confirm.yes) << "no confirmation";
    if (whileAsked) whileAsked();
    program.Answer(confirm, IDYES);
    SeenBox box = program.WaitForBox();
    ExpectBox(box, result, icon, false);
    program.Answer(box, IDOK);
}

}  // namespace

// SysMain is back on automatic by other means and an old backup (manual) remains. The
// first copy, with automatic refresh off, keeps showing that. Meanwhile the second copy
// turns SysMain off (keeping the old backup) and restores it: manual, no backup left.
// When the first copy then turns it off, it saves manual, what SysMain had just before,
// and not nothing, which is what its stale view would have led it to.
TEST_F(Undo, TwoCopiesEachDecideOnTheRegistryAfterTheirConfirmation)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DEMAND_START));

    Program first;
    ASSERT_TRUE(first.Start());
    HomeControls firstHome = FindHome(first);
    ClickToggle(first, firstHome.autoRefresh, false, "toggle 108 of the first copy");
    {
        Program second;  // on top of the first: every click below goes to it
        ASSERT_TRUE(second.Start());
        ApplyOnHome(second, true, TurnedOff, "the second copy turns off");
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
        EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_DEMAND_START) << "the older backup is kept";
        ApplyOnHome(second, false, Restored, "the second copy restores");
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START);
        EXPECT_FALSE(BackupPresent(L"OriginalStart"));
        EXPECT_TRUE(second.Close());
    }
    // three timer periods: the first copy, not refreshing, still shows the old state
    Sleep(9000);
    ExpectText(firstHome.startType, L"Автоматически", "the first copy's view, not refreshed");
    ExpectText(firstHome.saved, L"Сохранённая настройка: вручную", "the first copy's view, not refreshed");

    ApplyOnHome(first, true, TurnedOff, "the first copy turns off");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_DEMAND_START) << "what SysMain had just before";
    ApplyOnHome(first, false, Restored, "the first copy restores");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DEMAND_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));
    EXPECT_TRUE(first.Close());
}

// A 4 left in a backup (by another tool, a .reg import, an older build) could never turn
// the automatic start back on: turning the service off replaces it with the start type it
// had, and restoring puts that back.
TEST_F(Undo, AStoredFourIsReplacedByTheStartTypeOfNow)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_DISABLED));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_MapsBroker", SERVICE_DISABLED));  // MapsBroker: automatic

    Program program;
    ASSERT_TRUE(program.Start());
    ApplyOnHome(program, true, TurnedOff, "Home turns off");
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_AUTO_START);

    program.ClickClient(110, SidebarRowY(1));
    ServicesControls page = FindServices(program);
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(page.disable); })) << "the Services page did not show";
    Program::ParkPointer();
    ClickToggle(program, page.toggles[5], true, "the MapsBroker row");
    program.Click(page.disable);
    SeenBox confirm = program.WaitForBox();
    program.Answer(confirm, IDYES);
    SeenBox result = program.WaitForBox();
    ExpectBox(result, AllDisabled, BoxIcon::Information, false);
    program.Answer(result, IDOK);
    EXPECT_EQ(RegistryStartType(L"MapsBroker"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"Bk_MapsBroker"), SERVICE_AUTO_START);

    program.Click(page.restore);
    confirm = program.WaitForBox();
    program.Answer(confirm, IDYES);
    result = program.WaitForBox();
    ExpectBox(result, AllRestored, BoxIcon::Information, false);
    program.Answer(result, IDOK);
    EXPECT_EQ(RegistryStartType(L"MapsBroker"), SERVICE_AUTO_START);

    program.ClickClient(110, SidebarRowY(0));
    ASSERT_TRUE(WaitUntil([&] { return Program::Visible(FindHome(program).apply); })) << "the Home page did not show";
    Program::ParkPointer();
    ApplyOnHome(program, false, Restored, "Home restores");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));
    EXPECT_TRUE(program.Close());
}

// Boot and system start types, which another tool can write into the registry but no
// restore could set again (a service program cannot be set to them), are never replaced
// by "disabled": Apply tells of its failure, the batch leaves the row and reports a
// partial failure; the services beside it are still turned off.
TEST_F(Undo, StartTypesNoRestoreCouldSetAreNeverTurnedOff)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DEMAND_START, false}}));
    ASSERT_TRUE(SetDwordValue(ServiceKey(L"SysMain").c_str(), L"Start", SERVICE_SYSTEM_START));
    ASSERT_TRUE(SetDwordValue(ServiceKey(L"Fax").c_str(), L"Start", SERVICE_BOOT_START));

    Program program;
    ASSERT_TRUE(program.Start());
    ApplyOnHome(program, true, TurnOffFailed, "Home turns off", BoxIcon::Error);
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_SYSTEM_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));

    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");
    ClickToggle(program, page.toggles[4], true, "the Xbox Live Auth row");
    RunBatch(program, page.disable, SomeFailed, BoxIcon::Warning);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_BOOT_START);
    EXPECT_FALSE(BackupPresent(L"Bk_Fax"));
    EXPECT_EQ(RegistryStartType(L"XblAuthManager"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"Bk_XblAuth"), SERVICE_DEMAND_START);
    EXPECT_TRUE(program.Close());
}

// A 4 in a batch backup (left by another tool) is never restored: it would replace the
// start type the user has with "disabled". It is listed, counts as a failure and stays.
TEST_F(Undo, AStoredFourIsNeverRestored)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DEMAND_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DISABLED));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_XblAuth", SERVICE_AUTO_START));

    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    RunBatch(program, page.restore, SomeKept, BoxIcon::Warning);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_EQ(BackupValue(L"Bk_Fax"), SERVICE_DISABLED);
    EXPECT_EQ(RegistryStartType(L"XblAuthManager"), SERVICE_AUTO_START);
    EXPECT_FALSE(BackupPresent(L"Bk_XblAuth"));
    ExpectText(page.labels[3], L"Вручную | есть копия", "the Fax row");
    EXPECT_TRUE(program.Close());
}

// A service the user confirmed, removed while the question is open: not turned off, so
// the partial box, never "turned off"; the other row is turned off.
TEST_F(Undo, AServiceRemovedWhileTheUserIsAskedIsAFailure)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DEMAND_START, false}}));
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");
    ClickToggle(program, page.toggles[4], true, "the Xbox Live Auth row");
    RunBatch(program, page.disable, SomeFailed, BoxIcon::Warning, [] { RemoveTestService(L"Fax"); });
    EXPECT_FALSE(ServiceExists(L"Fax"));
    EXPECT_FALSE(BackupPresent(L"Bk_Fax"));
    EXPECT_EQ(RegistryStartType(L"XblAuthManager"), SERVICE_DISABLED);
    ExpectText(page.labels[3], L"Нет службы", "the Fax row");
    EXPECT_TRUE(program.Close());
}

// Someone else holds the lock (another copy, or anyone under the global name where the
// system has no private namespaces): Apply gives up with its failure box and changes
// nothing, and the window answers all the while; Windows calls a window "not responding"
// after 5 s without an answer, and the program waits at most 2 s.
TEST_F(Undo, AHeldLockNeverFreezesTheWindow)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    HANDLE lock = CreateMutexW(nullptr, TRUE, L"Global\\TarvixMini.BackupStore");
    ASSERT_NE(lock, nullptr);
    ASSERT_NE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS)) << "the lock is held by someone else already";

    Program program;
    ASSERT_TRUE(program.Start());
    std::atomic<bool> watching{true};
    std::atomic<DWORD> longest{0};
    HWND window = program.Window();
    std::thread watcher([&] {
        while (watching) {
            const DWORD began = GetTickCount();
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            const DWORD took = answered ? GetTickCount() - began : 5000;
            longest = std::max<DWORD>(longest, took);
            Sleep(20);
        }
    });
    const DWORD began = GetTickCount();
    ApplyOnHome(program, true, TurnOffFailed, "Home turns off while the lock is held", BoxIcon::Error);
    const DWORD took = GetTickCount() - began;
    watching = false;
    watcher.join();
    ReleaseMutex(lock);
    CloseHandle(lock);

    EXPECT_LT(longest.load(), 2600u) << "the window did not answer WM_NULL for this many ms";
    EXPECT_GE(took, 2000u) << "the program did not wait for the lock";
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    EXPECT_FALSE(BackupPresent(L"OriginalStart"));

    // given back, the lock is had at once
    ApplyOnHome(program, true, TurnedOff, "Home turns off with the lock free");
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"OriginalStart"), SERVICE_AUTO_START);
    EXPECT_TRUE(program.Close());
}

// The restore acts only on the rows its question named. The question names Fax alone;
// while it is open another copy turns WSearch off, saving its automatic start. After Yes
// Fax is back, and WSearch, the other administrator's change, stays off with its backup.
TEST_F(Undo, ARestoreChangesOnlyTheRowsItsQuestionNamed)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DISABLED, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    program.Click(page.restore);
    SeenBox confirm = program.WaitForBox();
    ExpectBox(confirm, std::wstring(RestoreHeader) + L"• Fax\n" + RestoreFooter, BoxIcon::Warning, true);
    // the other copy's turn-off, backup first
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_WSearch", SERVICE_AUTO_START));
    ASSERT_TRUE(ChangeStartTypeExternally(L"WSearch", SERVICE_DISABLED));
    program.Answer(confirm, IDYES);
    SeenBox box = program.WaitForBox();
    ExpectBox(box, AllRestored, BoxIcon::Information, false);
    program.Answer(box, IDOK);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_FALSE(BackupPresent(L"Bk_Fax"));
    EXPECT_EQ(RegistryStartType(L"WSearch"), SERVICE_DISABLED) << "undone unasked";
    EXPECT_EQ(BackupValue(L"Bk_WSearch"), SERVICE_AUTO_START);
    ExpectText(page.labels[1], L"Отключена | есть копия", "the Windows Search row");
    EXPECT_TRUE(program.Close());
}

// Fax is confirmed for turning off. While the question is open another tool disables
// Fax, the program's refresh unchecks its row, and the tool turns Fax back on: the pass
// leaves Fax alone (the user did not see it checked when answering), and the box is the
// partial one, never "turned off" with Fax on. The other confirmed row is turned off.
TEST_F(Undo, AConfirmedRowOnAgainWhenThePassRunsIsAFailure)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");
    ClickToggle(program, page.toggles[4], true, "the Xbox Live Auth row");
    RunBatch(program, page.disable, SomeFailed, BoxIcon::Warning, [&page] {
        ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DISABLED));
        // the three-second refresh runs in the box's own loop
        EXPECT_TRUE(WaitUntil([&page] { return Program::Check(page.toggles[3]) == BST_UNCHECKED; }, 10000))
            << "no refresh unchecked the Fax row";
        ASSERT_TRUE(ChangeStartTypeExternally(L"Fax", SERVICE_DEMAND_START));
    });
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    EXPECT_FALSE(BackupPresent(L"Bk_Fax"));
    EXPECT_EQ(RegistryStartType(L"XblAuthManager"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"Bk_XblAuth"), SERVICE_DEMAND_START);
    ExpectText(page.labels[3], L"Вручную", "the Fax row");
    EXPECT_TRUE(program.Close());
}

// Another copy, in a process of its own, takes the lock and ends while it holds it (as a
// crash in its pass would), while this copy's pass waits for the lock: the lock is left
// abandoned, and the waiting pass takes it over and turns Fax off as asked.
TEST_F(Undo, ALockLeftByACopyThatEndedIsTakenOver)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");

    std::wstring command = L"\"" + BuildFolder() + L"LockHolder.exe\" " + GlobalStoreLockName;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION holder = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &holder));
    const bool held = WaitUntil([] {
        const OtherCopyLock other;
        return !other.Held();
    });
    program.Click(page.disable);
    SeenBox confirm = program.WaitForBox();
    ExpectBox(confirm, std::wstring(DisableHeader) + L"• Fax\n" + DisableFooter, BoxIcon::Warning, true);
    program.Answer(confirm, IDYES);
    // the pass waits for the lock (at most 2 s); the other copy ends in the meantime
    const DWORD answered = GetTickCount();
    Sleep(400);
    DWORD code = 0;
    GetExitCodeProcess(holder.hProcess, &code);
    TerminateProcess(holder.hProcess, 1);
    WaitForSingleObject(holder.hProcess, 5000);
    CloseHandle(holder.hThread);
    CloseHandle(holder.hProcess);
    EXPECT_TRUE(held) << "the other copy did not take the lock (exit code " << code << ")";
    SeenBox box = program.WaitForBox();
    EXPECT_GE(GetTickCount() - answered, 350u) << "the pass did not wait for the other copy";
    ExpectBox(box, AllDisabled, BoxIcon::Information, false);
    program.Answer(box, IDOK);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    EXPECT_EQ(BackupValue(L"Bk_Fax"), SERVICE_DEMAND_START);
    EXPECT_TRUE(program.Close());
}

namespace {

// A service handle of the test's own, opened with DELETE and deleted through: the
// service is marked for deletion, stays readable, and the service manager refuses every
// change of it (1072) until the handle closes and it goes.
class MarkedForDeletion {
public:
    explicit MarkedForDeletion(const wchar_t* name)
    {
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        if (manager) service = OpenServiceW(manager, name, DELETE | SERVICE_QUERY_CONFIG);
        marked = service && DeleteService(service);
    }
    ~MarkedForDeletion()
    {
        if (service) CloseServiceHandle(service);
        if (manager) CloseServiceHandle(manager);
    }
    MarkedForDeletion(const MarkedForDeletion&) = delete;
    MarkedForDeletion& operator=(const MarkedForDeletion&) = delete;
    bool marked = false;

private:
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
};

// Every value of the store, type and bytes, as a failure names it.
void ExpectStoreAsBefore(const StoreImage& before, const char* when)
{
    const StoreImage now = LookAtStore();
    for (const auto& [name, value] : before.values)
        EXPECT_EQ(DescribeStoreValue(now, name.c_str()), DescribeStoreValue(before, name.c_str()))
            << when << ": " << Utf8(name);
    EXPECT_EQ(now.values.size(), before.values.size()) << when;
    EXPECT_EQ(now.subkeys, before.subkeys) << when;
}

}  // namespace

// The store key is volatile (a tool made it so) and already holds copies of what SysMain
// and Fax have now: keeping them would write nothing, yet after the restart the changes
// wait for they would be gone. So Apply and the batch change nothing and say so, and the
// store stays as it was.
TEST_F(Undo, CopiesInAVolatileStoreTurnNothingOff)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_AUTO_START));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    ASSERT_TRUE(RemakeStore(REG_OPTION_VOLATILE));
    const StoreImage before = LookAtStore();

    Program program;
    ASSERT_TRUE(program.Start());
    ApplyOnHome(program, true, BackupFailed, "Home turns off", BoxIcon::Error);
    EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");
    RunBatch(program, page.disable, SomeFailed, BoxIcon::Warning);
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    ExpectStoreAsBefore(before, "after both passes");
    EXPECT_TRUE(program.Close());
}

// The service manager refuses the change (the service is marked for deletion). What stood
// at the copy's name, a value no restore could use, is replaced for the pass and put back
// as it was when the change fails: OriginalStart 1 ("another type" on the Home page) and a
// Bk_Fax of type REG_SZ.
TEST_F(Undo, ARefusedChangeLeavesTheValueThatWasThere)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"SysMain", SERVICE_AUTO_START, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"OriginalStart", SERVICE_SYSTEM_START));
    const wchar_t three[] = L"3";
    ASSERT_TRUE(SetRawValue(ProductKey, L"Bk_Fax", REG_SZ, three, sizeof(three)));
    const StoreImage before = LookAtStore();

    Program program;
    ASSERT_TRUE(program.Start());
    HomeControls home = FindHome(program);
    ExpectText(home.saved, L"Сохранённая настройка: другой тип", "before the pass");
    ServicesControls page = OpenServicesPage(program);
    ClickToggle(program, page.toggles[3], true, "the Fax row");
    {
        const MarkedForDeletion sysMain(L"SysMain"), fax(L"Fax");
        ASSERT_TRUE(sysMain.marked && fax.marked);
        RunBatch(program, page.disable, SomeFailed, BoxIcon::Warning);
        ExpectStoreAsBefore(before, "after the batch");
        program.ClickClient(110, SidebarRowY(0));
        ASSERT_TRUE(WaitUntil([&] { return Program::Visible(home.apply); })) << "the Home page did not show";
        Program::ParkPointer();
        ApplyOnHome(program, true, TurnOffFailed, "Home turns off", BoxIcon::Error);
        ExpectStoreAsBefore(before, "after Apply");
        ExpectText(home.saved, L"Сохранённая настройка: другой тип", "after the refused pass");
        EXPECT_EQ(RegistryStartType(L"SysMain"), SERVICE_AUTO_START);
        EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DEMAND_START);
    }
    EXPECT_TRUE(program.Close());
}

// Another tool deletes Fax's copy while the restore question that lists it is open: Fax
// is still disabled, so the box says not everything came back, never "restored".
TEST_F(Undo, ACopyDeletedWhileTheQuestionIsOpenIsNotRestored)
{
    ASSERT_NO_FATAL_FAILURE(InstallServices({{L"Fax", SERVICE_DISABLED, false}}));
    ASSERT_TRUE(SetDwordValue(ProductKey, L"Bk_Fax", SERVICE_DEMAND_START));
    Program program;
    ASSERT_TRUE(program.Start());
    ServicesControls page = OpenServicesPage(program);
    RunBatch(program, page.restore, SomeKept, BoxIcon::Warning, [] { DeleteRawValue(ProductKey, L"Bk_Fax"); });
    EXPECT_EQ(RegistryStartType(L"Fax"), SERVICE_DISABLED);
    ExpectText(page.labels[3], L"Отключена", "the Fax row");
    EXPECT_TRUE(program.Close());
}
