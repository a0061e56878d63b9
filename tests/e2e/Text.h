#pragma once
// Texts compared as UTF-8, so that a failure prints Russian text readably.
#include <windows.h>
#include <string>

inline std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}
