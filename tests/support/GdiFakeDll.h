#pragma once
// Stand-in DLLs for the GDI+ binding tests and for libraries planted beside the program:
// a minimal x64 image with no imports and no entry point whose named exports all lead to
// one stub returning 0 (Ok), except the export named failing, whose stub returns 1.
#include <windows.h>
#include <string>
#include <vector>

bool WriteFakeDll(const std::wstring& path, const std::vector<std::string>& exports,
                  const std::string& failing = std::string());

// A fresh folder under the temporary directory, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path; }
    std::wstring File(const wchar_t* name) const { return path + L"\\" + name; }
private:
    std::wstring path;
};

// The full file name of a loaded module.
std::wstring ModulePath(HMODULE module);
// The system directory with a trailing backslash.
std::wstring SystemFolder();
// True when path lies directly in folder (which ends with a backslash), ignoring case.
bool IsInFolder(const std::wstring& path, const std::wstring& folder);
