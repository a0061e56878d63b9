#pragma once
// A URL handler planted as any process of the user could plant one: the open command of
// a scheme runs ShellMarker.exe (built with the tests), which records the process that
// started it. It goes to HKLM\Software\Classes, since Wine's HKEY_CLASSES_ROOT does not
// see the per-user classes. A scheme created here is removed afterwards; an existing
// scheme gets its own open command back.
#include <windows.h>
#include <string>
#include <vector>

struct HandlerLaunch {
    DWORD parentId = 0;
    std::wstring parentName;  // executable name of the parent
    int show = -1;            // the show command it was started with, -1 when none was given
    std::wstring target;      // what the handler was asked to open
};

class PlantedHandler {
public:
    explicit PlantedHandler(const wchar_t* scheme);
    ~PlantedHandler();
    PlantedHandler(const PlantedHandler&) = delete;
    PlantedHandler& operator=(const PlantedHandler&) = delete;
    bool Planted() const { return planted; }
    // Waits up to timeoutMs for the handler to have run; the launch it recorded.
    bool WaitForLaunch(HandlerLaunch& launch, DWORD timeoutMs) const;
    // Forgets the launches so far.
    void Forget() const;

private:
    std::wstring schemeKey;
    std::wstring marker;
    bool createdScheme = false;
    bool hadCommand = false;
    DWORD savedType = REG_SZ;
    std::vector<BYTE> savedCommand;
    bool planted = false;
};
