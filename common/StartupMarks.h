#pragma once
// Timing marks along the start-up, up to the end of the first paint. Only the bench's
// profiled builds define TARVIX_STARTUP_PROFILE (bench/CMakeLists.txt); everywhere else
// the marks compile to nothing.
#ifdef TARVIX_STARTUP_PROFILE
// Notes the time of a step; marks after StartupMarksDone are ignored.
void StartupMark(const char* step);
// Appends the marks as one line to the file beside the executable, named as it with ".marks".
void StartupMarksDone();
#else
inline void StartupMark(const char*) {}
inline void StartupMarksDone() {}
#endif
