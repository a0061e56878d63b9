#pragma once
// The Control Panel's Indexing Options, opened from this elevated program.

// Starts <system folder>\control.exe /name Microsoft.IndexingOptions as a program of its
// own: no file associations consulted, no handles inherited, the system folder as its
// current folder. false when it could not be started; nothing is shown either way.
bool OpenIndexingOptions();
