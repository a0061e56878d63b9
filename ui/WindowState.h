#pragma once
// The main window's state that the modules of ui/ share on purpose, and only they: the
// window and its instance, the page shown and the child controls that refreshes update.
// Nothing below ui/ sees it; the workflows take values and return outcomes. Each item is
// defined, and written, by one module only: the one named above it. The capitalised names
// here and in ui/ (DiskLabel, MemoryLabel, DiskKind, LiveMemoryFlag, LastMemoryLoad,
// SysMainStatus) are the program's fixed names, not slips of style: keep them.
#include <windows.h>
#include "ui/ControlIds.h"

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
extern HWND autoStartToggle;
extern HWND stopServiceToggle;
extern HWND autoRefreshToggle;
extern HWND applyButton;
extern HWND startButton;
extern HWND stopButton;
// Services page, catalogue order
extern HWND serviceToggles[ServiceCount];
extern HWND serviceLabels[ServiceCount];
// Optimization page
extern HWND DiskLabel;
extern HWND MemoryLabel;
