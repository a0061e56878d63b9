#pragma once
#include <string>

// The folder of the running test program, where the build puts every program it makes,
// with a trailing backslash.
std::wstring BuildFolder();
