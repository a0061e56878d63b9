#pragma once
// The main window's program-wide state, shared on purpose by the modules that update or
// draw it: the window and its instance, the fonts and brushes it lives with, the page
// shown, the child controls that refreshes update, and the rectangles they invalidate.
// Each item is defined, and written, by one module only: the one named above it.
#include <windows.h>
#include "common/ControlIds.h"

// ui/MainWindow.cpp: the window from WM_CREATE; fonts and brushes from WM_CREATE to WM_DESTROY
extern HINSTANCE instance;
extern HWND mainWindow;

extern HFONT fontRegular18;   // "Segoe UI" -18, 400
extern HFONT fontRegular15;   // "Segoe UI" -15, 400
extern HFONT fontSemibold22;  // "Segoe UI" -22, 600
extern HFONT fontBold25;      // "Segoe UI" -25, 700
extern HFONT fontSymbol21;    // "Segoe UI Symbol" -21, 700

extern HBRUSH whiteBrush;      // RGB(255,255,255)
extern HBRUSH lightGreyBrush;  // RGB(247,248,247)
extern HBRUSH paleGreenBrush;  // RGB(234,250,240)

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
