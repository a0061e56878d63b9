#pragma once
// The main window's program-wide state, shared on purpose by the modules that update or
// draw it: the window and its instance, the page shown and the child controls that
// refreshes update. Each item is defined, and written, by one module only: the one named
// above it. The capitalised names here and in ui/ (DiskLabel, MemoryLabel, DiskKind,
// LiveMemoryFlag, LastMemoryLoad, SysMainStatus) are the program's fixed names: keep them.
#include <windows.h>
#include "common/ControlIds.h"

// ui/MainWindow.cpp: the window, from WM_CREATE
extern HINSTANCE instance;
extern HWND mainWindow;

// ui/Pages.cpp and ui/Sidebar.cpp: the page shown and the sidebar row under the mouse
enum PageId : unsigned { PageHome = 0, PageServices = 1, PageOptimization = 2, PageRestore = 3, PageHelp = 4 };
constexpr unsigned PageCount = 5;

extern unsigned currentPage;
extern int hoveredRow;  // -1 for none

// ui/Pages.cpp: the child controls that other modules update, by role
// Home page
extern HWND statusLabel;
extern HWND startTypeLabel;
extern HWND savedSettingLabel;
extern HWND autoStartToggle;    // 101
extern HWND stopServiceToggle;  // 102
extern HWND autoRefreshToggle;  // 108
extern HWND applyButton;        // 103
extern HWND startButton;        // 106
extern HWND stopButton;         // 107
// Services page, catalogue order
extern HWND serviceToggles[ServiceCount];
extern HWND serviceLabels[ServiceCount];
// Optimization page
extern HWND DiskLabel;
extern HWND MemoryLabel;
