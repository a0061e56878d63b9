#pragma once

// Window title and caption of every message box.
constexpr const wchar_t* AppTitle = L"Tarvix Mini 4.4.1";
