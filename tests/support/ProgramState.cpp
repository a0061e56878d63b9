#include "support/ProgramState.h"
#include <initializer_list>
#include "ui/WindowState.h"
#include "ui/HomeStatus.h"
#include "ui/Pages.h"
#include "ui/SystemCards.h"

void ResetProgramState()
{
    SysMainStatus = SysMainSnapshot();
    toggleTouched = false;
    DiskKind = DiskNotDetermined;
    LiveMemoryFlag = 0;
    LastMemoryLoad = -1;

    currentPage = PageHome;
    hoveredRow = -1;
    for (PageControlList& list : PageControls) list.count = 0;

    mainWindow = nullptr;
    for (HWND* control : {&statusLabel, &startTypeLabel, &savedSettingLabel, &autoStartToggle, &stopServiceToggle,
                          &autoRefreshToggle, &applyButton, &startButton, &stopButton, &DiskLabel, &MemoryLabel})
        *control = nullptr;
    for (int row = 0; row < ServiceCount; ++row) serviceToggles[row] = serviceLabels[row] = nullptr;
}
