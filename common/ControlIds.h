#pragma once

// The catalogue's rows, one service toggle and one label each on the Services page.
constexpr int ServiceCount = 7;

// Command identifiers of the main window; static texts have id 0.
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
    IdFirstServiceToggle = 401,  // 401..407, catalogue order
    IdFirstPageCommand = 901,    // 901..905 show page 0..4, sent by no control
    IdLastPageCommand = 905,
};
