#pragma once
// Page state and the child control handles that other modules use, by role.
#include <windows.h>
#include "service/ServiceCatalogue.h"

enum PageId : unsigned { PageHome = 0, PageServices = 1, PageOptimization = 2, PageRestore = 3, PageHelp = 4 };
constexpr unsigned PageCount = 5;

extern unsigned currentPage;
extern int hoveredRow;  // sidebar row under the mouse, -1 for none

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
