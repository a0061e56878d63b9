#include "support/AccessibleClient.h"
#include <cstdio>

AccessibleRef& AccessibleRef::operator=(AccessibleRef&& other) noexcept
{
    if (this != &other) {
        Reset();
        object = other.object;
        other.object = nullptr;
    }
    return *this;
}

void AccessibleRef::Reset()
{
    if (object) object->Release();
    object = nullptr;
}

AccessibleRef ClientObject(HWND window)
{
    IAccessible* object = nullptr;
    // __uuidof: MinGW's IID_IAccessible symbol is an import stub, not the GUID
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        object = nullptr;
    return AccessibleRef(object);
}

VARIANT ChildId(LONG id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

namespace {

std::wstring Take(HRESULT result, BSTR text)
{
    std::wstring taken = result == S_OK && text ? std::wstring(text) : std::wstring();
    SysFreeString(text);
    return taken;
}

LONG IntegerOf(HRESULT result, VARIANT& value)
{
    const LONG integer = result == S_OK && value.vt == VT_I4 ? value.lVal : -1;
    VariantClear(&value);
    return integer;
}

}  // namespace

std::wstring NameOf(IAccessible* object, LONG id)
{
    BSTR text = nullptr;
    const HRESULT result = object->get_accName(ChildId(id), &text);
    return Take(result, text);
}

std::wstring DefaultActionOf(IAccessible* object, LONG id)
{
    BSTR text = nullptr;
    const HRESULT result = object->get_accDefaultAction(ChildId(id), &text);
    return Take(result, text);
}

LONG RoleOf(IAccessible* object, LONG id)
{
    VARIANT role;
    VariantInit(&role);
    const HRESULT result = object->get_accRole(ChildId(id), &role);
    return IntegerOf(result, role);
}

LONG StateOf(IAccessible* object, LONG id)
{
    VARIANT state;
    VariantInit(&state);
    const HRESULT result = object->get_accState(ChildId(id), &state);
    return IntegerOf(result, state);
}

RECT LocationOf(IAccessible* object, LONG id)
{
    LONG left = 0, top = 0, width = 0, height = 0;
    if (object->accLocation(&left, &top, &width, &height, ChildId(id)) != S_OK) return RECT{};
    return RECT{left, top, left + width, top + height};
}

LONG ChildCountOf(IAccessible* object)
{
    LONG count = -1;
    if (object->get_accChildCount(&count) != S_OK) return -1;
    return count;
}

std::vector<std::wstring> NamesWithRole(IAccessible* object, LONG role)
{
    std::vector<std::wstring> names;
    const LONG count = ChildCountOf(object);
    for (LONG id = 1; id <= count; ++id)
        if (RoleOf(object, id) == role) names.push_back(NameOf(object, id));
    return names;
}

LONG FindChild(IAccessible* object, LONG role, const std::wstring& name)
{
    const LONG count = ChildCountOf(object);
    for (LONG id = 1; id <= count; ++id)
        if (RoleOf(object, id) == role && NameOf(object, id) == name) return id;
    return 0;
}

RECT ScreenBox(HWND window)
{
    RECT box = {};
    GetWindowRect(window, &box);
    return box;
}

HWND WindowOfChild(IAccessible* object, LONG id)
{
    IDispatch* child = nullptr;
    if (object->get_accChild(ChildId(id), &child) != S_OK || !child) return nullptr;
    HWND window = nullptr;
    IAccessible* accessible = nullptr;
    if (SUCCEEDED(child->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible)))) {
        if (FAILED(WindowFromAccessibleObject(accessible, &window))) window = nullptr;
        accessible->Release();
    }
    child->Release();
    return window;
}

namespace {

std::vector<WinEvent> recorded;

void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    recorded.push_back({event, window, object, child});
}

void PumpQueue()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

WinEventRecorder::WinEventRecorder()
{
    recorded.clear();
    hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_END, nullptr, Record, GetCurrentProcessId(), 0,
                           WINEVENT_OUTOFCONTEXT);
}

WinEventRecorder::~WinEventRecorder()
{
    if (hook) UnhookWinEvent(hook);
    PumpQueue();
    recorded.clear();
}

const std::vector<WinEvent>& WinEventRecorder::Events()
{
    PumpQueue();
    return recorded;
}

void WinEventRecorder::Clear()
{
    PumpQueue();
    recorded.clear();
}

int WinEventRecorder::Count(DWORD event, HWND window, LONG object, LONG child)
{
    int count = 0;
    for (const WinEvent& seen : Events())
        if (seen.event == event && seen.window == window && seen.object == object && seen.child == child) ++count;
    return count;
}

std::string WinEventRecorder::Describe()
{
    std::string text;
    for (const WinEvent& seen : Events()) {
        char line[96];
        snprintf(line, sizeof(line), "event 0x%04lx window %p object %ld child %ld; ", seen.event,
                 static_cast<void*>(seen.window), seen.object, seen.child);
        text += line;
    }
    return text.empty() ? "none" : text;
}
