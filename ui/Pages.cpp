#include "ui/Controls.h"

unsigned currentPage = PageHome;
int hoveredRow = -1;

HWND statusLabel = nullptr;
HWND startTypeLabel = nullptr;
HWND savedSettingLabel = nullptr;
HWND autoStartToggle = nullptr;
HWND stopServiceToggle = nullptr;
HWND autoRefreshToggle = nullptr;
HWND applyButton = nullptr;
HWND startButton = nullptr;
HWND stopButton = nullptr;
HWND serviceToggles[ServiceCount] = {};
HWND serviceLabels[ServiceCount] = {};
HWND DiskLabel = nullptr;
HWND MemoryLabel = nullptr;
