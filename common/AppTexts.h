#pragma once
#include "common/Version.h"

// Window title and caption of every message box.
constexpr const wchar_t* AppTitle = L"Tarvix Mini " TARVIX_VERSION;
