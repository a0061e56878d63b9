#pragma once
// The fixture of every scenario: a known world in the test prefix before the program
// starts (the catalogue services installed as test services with the start types
// and states a scenario asks for, an empty backup store, GDI+ not disabled), and the
// same clean prefix afterwards.
#include <windows.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include "e2e/Program.h"
#include "e2e/Text.h"
#include "support/BoxTexts.h"
#include "support/TestWorld.h"

// One catalogue service as a scenario wants it; start 0 leaves it uninstalled.
struct ServiceSetup {
    const wchar_t* name;
    DWORD start;
    bool running;
    ServiceMode mode = ServiceMode::Normal;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs the catalogue services as Windows usually has them, with the rows of
    // changes (matched by name) in place of the usual ones.
    void InstallServices(std::initializer_list<ServiceSetup> changes = {});
    // Makes the next start of TarvixMini.exe run with gdiplus.dll disabled.
    void DisableGdiPlusForProgram();

    // Registry, read independently of the program (64-bit view).
    static long long BackupValue(const wchar_t* name) { return DwordValue(ProductKey, name); }
    static bool BackupPresent(const wchar_t* name) { return ValueExists(ProductKey, name); }

    std::unique_ptr<ServiceWorld> services;
    bool gdiPlusDisabled = false;
};

// The catalogue in its order: service name, row caption, backup value name, and the
// start type and state a Windows installation usually gives the service.
struct CatalogueRow {
    const wchar_t* name;
    const wchar_t* label;
    const wchar_t* backupName;
    DWORD usualStart;
    bool usualRunning;
};
extern const CatalogueRow Catalogue[7];

// Expects the control's text, naming what it is on failure.
void ExpectText(HWND control, const std::wstring& expected, const char* what);
// Expects the text to be there within timeoutMs (a refresh the program runs by itself).
void ExpectTextSoon(HWND control, const std::wstring& expected, const char* what, DWORD timeoutMs = 8000);
// Flips a toggle with a real click and waits until it reports the new state.
void ClickToggle(Program& program, HWND toggle, bool expectChecked, const char* what);
// Expects the toggle's BM_GETCHECK answer.
void ExpectCheck(HWND toggle, bool checked, const char* what);

// The controls of the Home page, found by id or, for static texts, by place.
struct HomeControls {
    HWND status, startType, saved;
    HWND autoStart, stopService, autoRefresh;  // auto-start, stop and auto-refresh toggles
    HWND apply, start, stop, refresh;          // buttons 103, 106, 107, 104
};
HomeControls FindHome(const Program& program);

// The rows and buttons of the Services page, catalogue order.
struct ServicesControls {
    HWND toggles[7];
    HWND labels[7];
    HWND disable, restore;  // buttons 301, 302
};
ServicesControls FindServices(const Program& program);
