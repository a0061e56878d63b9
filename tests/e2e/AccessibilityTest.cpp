// A screen reader in a process of its own: it reads the real program's accessible tree
// through oleacc's proxy, flips a toggle with the toggle's default action and shows a
// page with a tab's default action, and finds everything gone once the program ends;
// readers that keep asking while the window closes never keep the program from ending.
#include <oleacc.h>
#include <atomic>
#include <thread>
#include <vector>
#include "e2e/World.h"
#include "support/AccessibleClient.h"

namespace {

// COM for this thread, as every screen reader has it, for the length of a scenario.
class ClientApartment {
public:
    ClientApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ClientApartment()
    {
        if (SUCCEEDED(result)) CoUninitialize();
    }
    ClientApartment(const ClientApartment&) = delete;
    ClientApartment& operator=(const ClientApartment&) = delete;
    bool Usable() const { return SUCCEEDED(result); }

private:
    HRESULT result;
};

bool SameScreenBox(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

class Accessibility : public EndToEnd {};

TEST_F(Accessibility, ScreenReaderFlipsAToggleAndShowsAPage)
{
    ClientApartment apartment;
    ASSERT_TRUE(apartment.Usable());
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    Program program;
    ASSERT_TRUE(program.Start());
    const HomeControls home = FindHome(program);

    // the window: the four tabs, Home's selected, and the Home page's painted texts
    AccessibleRef window = ClientObject(program.Window());
    ASSERT_TRUE(window) << "no accessible object from the program's window";
    EXPECT_EQ(NamesWithRole(window.Get(), ROLE_SYSTEM_PAGETAB),
              (std::vector<std::wstring>{L"Главная", L"Службы", L"Оптимизация", L"Справка"}));
    const LONG homeTab = FindChild(window.Get(), ROLE_SYSTEM_PAGETAB, L"Главная");
    ASSERT_NE(homeTab, 0);
    EXPECT_NE(StateOf(window.Get(), homeTab) & STATE_SYSTEM_SELECTED, 0);
    const std::vector<std::wstring> painted = NamesWithRole(window.Get(), ROLE_SYSTEM_STATICTEXT);
    ASSERT_EQ(painted.size(), 10u);
    EXPECT_EQ(painted[0], L"Tarvix MINI");
    EXPECT_EQ(painted[1], L"Главная");
    EXPECT_EQ(painted[5], L"Накопитель");
    EXPECT_EQ(painted[7], L"RAM использовано");
    EXPECT_EQ(painted[8].back(), L'%') << "the memory load as painted";

    // toggle 102 (on after start) through its own object: a check button, off after its default action
    AccessibleRef toggle = ClientObject(home.stopService);
    ASSERT_TRUE(toggle) << "no accessible object from toggle 102";
    EXPECT_EQ(RoleOf(toggle.Get(), CHILDID_SELF), ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(NameOf(toggle.Get(), CHILDID_SELF), L"При отключении остановить работающую службу");
    EXPECT_NE(StateOf(toggle.Get(), CHILDID_SELF) & STATE_SYSTEM_CHECKED, 0);
    EXPECT_EQ(DefaultActionOf(toggle.Get(), CHILDID_SELF), L"Переключить");
    EXPECT_TRUE(SameScreenBox(LocationOf(toggle.Get(), CHILDID_SELF), ScreenBox(home.stopService)));
    EXPECT_EQ(toggle->accDoDefaultAction(ChildId(CHILDID_SELF)), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return Program::Check(home.stopService) == BST_UNCHECKED; }))
        << "the default action did not flip toggle 102";
    EXPECT_EQ(StateOf(toggle.Get(), CHILDID_SELF) & STATE_SYSTEM_CHECKED, 0);

    // the Services tab's default action shows the Services page
    const LONG servicesTab = FindChild(window.Get(), ROLE_SYSTEM_PAGETAB, L"Службы");
    ASSERT_NE(servicesTab, 0);
    EXPECT_EQ(window->accDoDefaultAction(ChildId(servicesTab)), S_OK);
    const ServicesControls services = FindServices(program);
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(services.toggles[0]); })) << "the Services page is not shown";
    EXPECT_FALSE(Program::Visible(home.stopService));
    EXPECT_NE(StateOf(window.Get(), servicesTab) & STATE_SYSTEM_SELECTED, 0);
    EXPECT_NE(StateOf(toggle.Get(), CHILDID_SELF) & STATE_SYSTEM_INVISIBLE, 0) << "toggle 102's page is hidden";
    // hidden, it can neither be flipped nor take the focus, and the keys still switch pages
    EXPECT_TRUE(FAILED(toggle->accDoDefaultAction(ChildId(CHILDID_SELF))));
    EXPECT_TRUE(FAILED(toggle->accSelect(SELFLAG_TAKEFOCUS, ChildId(CHILDID_SELF))));
    program.Settle();
    EXPECT_EQ(Program::Check(home.stopService), BST_UNCHECKED) << "a hidden toggle was flipped";
    EXPECT_EQ(NamesWithRole(window.Get(), ROLE_SYSTEM_STATICTEXT),
              (std::vector<std::wstring>{L"Tarvix MINI", L"Управление службами Windows",
                                         L"Выберите службы для отключения. Режим запуска показан справа."}));

    program.PressKey(VK_SPACE);
    program.PressKey('1');
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(home.stopService); })) << "key 1 did not show Home";
    EXPECT_EQ(Program::Check(home.stopService), BST_UNCHECKED) << "Space reached the hidden toggle";
    program.PressKey('2');
    EXPECT_TRUE(WaitUntil([&] { return Program::Visible(services.toggles[0]); }));

    // the program ends while this reader still holds its objects: every call fails, nothing crashes
    ASSERT_TRUE(program.Close());
    BSTR name = nullptr;
    EXPECT_TRUE(FAILED(window->get_accName(ChildId(servicesTab), &name)));
    EXPECT_TRUE(FAILED(toggle->get_accName(ChildId(CHILDID_SELF), &name)));
    EXPECT_EQ(name, nullptr);
}

// A screen reader's thread that asks one object for its name over and over, as readers
// poll the focused window, from its own apartment, until told to stop.
class PollingReader {
public:
    PollingReader(HWND target, DWORD pauseMs) : thread([this, target, pauseMs] { Poll(target, pauseMs); }) {}
    ~PollingReader() { Stop(); }
    PollingReader(const PollingReader&) = delete;
    PollingReader& operator=(const PollingReader&) = delete;
    int Answered() const { return answered; }
    void Stop()
    {
        stop = true;
        if (thread.joinable()) thread.join();
    }

private:
    void Poll(HWND target, DWORD pauseMs)
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            AccessibleRef object = ClientObject(target);
            // as a reader does, it lets go of an object that stopped answering
            while (object && !stop) {
                BSTR name = nullptr;
                const HRESULT result = object->get_accName(ChildId(CHILDID_SELF), &name);
                SysFreeString(name);
                if (FAILED(result)) break;
                ++answered;
                if (pauseMs) Sleep(pauseMs);
            }
        }
        if (SUCCEEDED(com)) CoUninitialize();
    }

    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::thread thread;
};

// Closing the window while readers in another process keep asking the window and two
// toggles ends the program at once with exit code 0, at full speed and at a reader's
// usual polling rate, every time.
TEST_F(Accessibility, ClosingWhileReadersKeepAskingEndsTheProgram)
{
    ClientApartment apartment;
    ASSERT_TRUE(apartment.Usable());
    ASSERT_NO_FATAL_FAILURE(InstallServices());
    constexpr int Rounds = 4;
    for (const DWORD pauseMs : {0u, 5u}) {
        for (int round = 0; round < Rounds; ++round) {
            SCOPED_TRACE(testing::Message() << "pause " << pauseMs << " ms, round " << round + 1);
            // stopped after the program, so that a program that hangs is ended before
            // the readers wait for their last calls
            std::vector<std::unique_ptr<PollingReader>> readers;
            Program program;
            ASSERT_TRUE(program.Start());
            const HomeControls home = FindHome(program);
            for (HWND target : {program.Window(), home.autoStart, home.autoRefresh})
                readers.push_back(std::make_unique<PollingReader>(target, pauseMs));
            ASSERT_TRUE(WaitUntil([&] {
                for (const auto& reader : readers)
                    if (reader->Answered() < 10) return false;
                return true;
            })) << "the readers got no answers";

            const DWORD began = GetTickCount();
            EXPECT_TRUE(program.Close());
            const DWORD tookMs = GetTickCount() - began;
            EXPECT_LT(tookMs, 1000u) << "the program took " << tookMs << " ms to end";
            if (HasFailure()) return;
            for (const auto& reader : readers) reader->Stop();
        }
    }
}

}  // namespace
