#pragma once
// A screen reader's side of the accessible objects, for the tests: the object of a
// window's client area through oleacc, its properties by child id, and the WinEvents
// that the process raises.
#include <windows.h>
#include <oleacc.h>
#include <string>
#include <vector>

// One reference to an accessible object, released at scope exit or by Reset.
class AccessibleRef {
public:
    AccessibleRef() = default;
    explicit AccessibleRef(IAccessible* object) : object(object) {}
    ~AccessibleRef() { Reset(); }
    AccessibleRef(AccessibleRef&& other) noexcept : object(other.object) { other.object = nullptr; }
    AccessibleRef& operator=(AccessibleRef&& other) noexcept;
    AccessibleRef(const AccessibleRef&) = delete;
    AccessibleRef& operator=(const AccessibleRef&) = delete;
    IAccessible* operator->() const { return object; }
    IAccessible* Get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    void Reset();

private:
    IAccessible* object = nullptr;
};

// The client area's object of window (OBJID_CLIENT), as AccessibleObjectFromWindow gives it.
AccessibleRef ClientObject(HWND window);

VARIANT ChildId(LONG id);
// Each gives the property of child id (0 for the object itself); an empty text, -1 or an
// empty box when the object did not answer S_OK.
std::wstring NameOf(IAccessible* object, LONG id);
std::wstring DefaultActionOf(IAccessible* object, LONG id);
LONG RoleOf(IAccessible* object, LONG id);
LONG StateOf(IAccessible* object, LONG id);
RECT LocationOf(IAccessible* object, LONG id);
LONG ChildCountOf(IAccessible* object);
// The names of the simple elements among the children, in child order, with the role given.
std::vector<std::wstring> NamesWithRole(IAccessible* object, LONG role);
// The child id of the first child with this role and name, or 0.
LONG FindChild(IAccessible* object, LONG role, const std::wstring& name);
// The window screen box of a window, to compare with a location.
RECT ScreenBox(HWND window);
// The window behind an accessible object (VT_DISPATCH child), or null.
HWND WindowOfChild(IAccessible* object, LONG id);

struct WinEvent {
    DWORD event;
    HWND window;
    LONG object;
    LONG child;
};

// Records the object events (EVENT_OBJECT_*) that this process raises while it lives.
// They come out of context, through the thread's message queue: Events pumps it first.
class WinEventRecorder {
public:
    WinEventRecorder();
    ~WinEventRecorder();
    WinEventRecorder(const WinEventRecorder&) = delete;
    WinEventRecorder& operator=(const WinEventRecorder&) = delete;
    bool Hooked() const { return hook != nullptr; }
    const std::vector<WinEvent>& Events();
    void Clear();
    // how many of event were raised for this window, object and child
    int Count(DWORD event, HWND window, LONG object, LONG child);
    // a readable list of what was recorded, for failure messages
    std::string Describe();

private:
    HWINEVENTHOOK hook = nullptr;
};
