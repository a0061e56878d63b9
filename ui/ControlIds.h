#pragma once
#include "service/ServiceCatalogue.h"

// Command identifiers of the main window; static texts have id 0. The ones that no control
// sends (the memory figures switch, the page commands) are the window's commands all the
// same: another program, an accessibility tool or a test may send them as WM_COMMAND, so
// their numbers stay as they are.
enum ControlId : int {
    IdAutoStartToggle = 101,
    IdStopServiceToggle = 102,
    IdApply = 103,
    IdRefresh = 104,
    IdWebPage = 105,
    IdStart = 106,
    IdStop = 107,
    IdAutoRefreshToggle = 108,
    IdMemoryFigures = 109,    // sent by no control
    IdDisableSelected = 301,
    IdRestoreSaved = 302,
    IdStartupApps = 303,
    IdIndexingOptions = 304,
    IdFirstServiceToggle = 401,  // one per catalogue row, in its order
    IdFirstPageCommand = 901,    // plus a page number: shows that page; sent by no control
    IdLastPageCommand = 905,
};
