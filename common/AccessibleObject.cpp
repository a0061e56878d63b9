#include "common/AccessibleObject.h"
#include "common/SystemLibraries.h"

namespace {

// every object not yet freed, so that a window going away can disconnect its own
AccessibleObject* firstObject = nullptr;

// COM begun on the window's thread by the first request, ended by EndAccessibilityApartment
bool apartmentBegun = false;
DWORD apartmentThread = 0;

// from the main window's end until the apartment ends: no request is served, so none
// begins COM again or hands out an object that would outlive the window
bool windowEnded = false;

void Empty(VARIANT* value)
{
    value->vt = VT_EMPTY;
}

void SetId(VARIANT* value, LONG id)
{
    value->vt = VT_I4;
    value->lVal = id;
}

// S_FALSE and no text for an empty one, as the clients expect of a missing property
HRESULT TextResult(const wchar_t* text, BSTR* out)
{
    if (!text || !text[0]) return S_FALSE;
    *out = SystemSysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

void* AccessibleObject::operator new(size_t size) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void AccessibleObject::operator delete(void* object) noexcept
{
    HeapFree(GetProcessHeap(), 0, object);
}

AccessibleObject::AccessibleObject(HWND window) : window(window)
{
    next = firstObject;
    if (next) next->previous = this;
    firstObject = this;
}

AccessibleObject::~AccessibleObject()
{
    if (previous) previous->next = next;
    else firstObject = next;
    if (next) next->previous = previous;
}

bool AccessibleObject::Connected() const
{
    return window != nullptr && IsWindow(window);
}

HRESULT AccessibleObject::Check(const VARIANT& child, LONG& id)
{
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > ChildCount()) return E_INVALIDARG;
    id = child.lVal;
    return S_OK;
}

void AccessibleObject::ChildVariant(LONG id, VARIANT* out)
{
    IDispatch* object = id > 0 ? HandOutSystemObject(window, ChildObject(id)) : nullptr;
    if (object) {
        out->vt = VT_DISPATCH;
        out->pdispVal = object;
    } else {
        SetId(out, id);
    }
}

LONG AccessibleObject::ChildAt(POINT point)
{
    RECT box;
    return Location(CHILDID_SELF, box) && PtInRect(&box, point) ? CHILDID_SELF : NoChild;
}

HRESULT AccessibleObject::QueryInterface(REFIID interfaceId, void** object)
{
    if (!object) return E_POINTER;
    if (interfaceId == IID_IUnknown || interfaceId == IID_IDispatch || interfaceId == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleObject::AddRef()
{
    return static_cast<ULONG>(++references);
}

ULONG AccessibleObject::Release()
{
    const LONG left = --references;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT AccessibleObject::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return E_NOTIMPL;
}

HRESULT AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::get_accParent(IDispatch** parent)
{
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    // the client area's parent is the window's own object, the system's
    IDispatch* system = nullptr;
    const HRESULT result = SystemAccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                                            reinterpret_cast<void**>(&system));
    if (FAILED(result)) return result;
    *parent = HandOutSystemObject(window, system);
    return *parent ? S_OK : E_OUTOFMEMORY;
}

HRESULT AccessibleObject::get_accChildCount(LONG* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    *count = ChildCount();
    return S_OK;
}

HRESULT AccessibleObject::get_accChild(VARIANT child, IDispatch** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    if (id == CHILDID_SELF) return E_INVALIDARG;
    *object = HandOutSystemObject(window, ChildObject(id));
    return *object ? S_OK : S_FALSE;
}

// A text property given by fill, which leaves the buffer empty for none.
template <typename Fill>
HRESULT AccessibleObject::TextProperty(const VARIANT& child, BSTR* out, Fill fill)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    wchar_t text[NameCapacity] = {};
    fill(id, text, NameCapacity);
    return TextResult(text, out);
}

HRESULT AccessibleObject::get_accName(VARIANT child, BSTR* name)
{
    return TextProperty(child, name, [this](LONG id, wchar_t* text, size_t capacity) { Name(id, text, capacity); });
}

HRESULT AccessibleObject::get_accValue(VARIANT child, BSTR* value)
{
    if (!value) return E_POINTER;
    *value = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    return checked != S_OK ? checked : S_FALSE;
}

HRESULT AccessibleObject::get_accDescription(VARIANT child, BSTR* description)
{
    return TextProperty(child, description,
                        [this](LONG id, wchar_t* text, size_t capacity) { Description(id, text, capacity); });
}

HRESULT AccessibleObject::get_accRole(VARIANT child, VARIANT* role)
{
    if (!role) return E_POINTER;
    Empty(role);
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    SetId(role, Role(id));
    return S_OK;
}

HRESULT AccessibleObject::get_accState(VARIANT child, VARIANT* state)
{
    if (!state) return E_POINTER;
    Empty(state);
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    SetId(state, State(id));
    return S_OK;
}

HRESULT AccessibleObject::get_accHelp(VARIANT child, BSTR* help)
{
    return get_accValue(child, help);
}

HRESULT AccessibleObject::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic)
{
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = -1;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    return checked != S_OK ? checked : S_FALSE;
}

HRESULT AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return TextProperty(child, shortcut, [this](LONG id, wchar_t* text, size_t capacity) {
        if (const wchar_t* keys = KeyboardShortcut(id)) lstrcpynW(text, keys, static_cast<int>(capacity));
    });
}

HRESULT AccessibleObject::get_accFocus(VARIANT* child)
{
    if (!child) return E_POINTER;
    Empty(child);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    const LONG id = FocusedChild();
    if (id == NoChild) return S_FALSE;
    ChildVariant(id, child);
    return S_OK;
}

HRESULT AccessibleObject::get_accSelection(VARIANT* children)
{
    if (!children) return E_POINTER;
    Empty(children);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    const LONG id = SelectedChild();
    if (id == NoChild) return S_FALSE;
    ChildVariant(id, children);
    return S_OK;
}

HRESULT AccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (!action) return E_POINTER;
    *action = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    return TextResult(DefaultAction(id), action);
}

HRESULT AccessibleObject::accSelect(LONG flags, VARIANT child)
{
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    return checked != S_OK ? checked : Select(flags, id);
}

HRESULT AccessibleObject::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child)
{
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (checked != S_OK) return checked;
    RECT box;
    if (!Location(id, box)) return S_FALSE;
    *left = box.left;
    *top = box.top;
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    return S_OK;
}

HRESULT AccessibleObject::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    if (!end) return E_POINTER;
    Empty(end);
    LONG id = 0;
    const HRESULT checked = Check(start, id);
    if (checked != S_OK) return checked;
    const LONG count = ChildCount();
    LONG target = NoChild;
    switch (direction) {
    case NAVDIR_FIRSTCHILD: target = id == CHILDID_SELF && count > 0 ? 1 : NoChild; break;
    case NAVDIR_LASTCHILD: target = id == CHILDID_SELF && count > 0 ? count : NoChild; break;
    case NAVDIR_NEXT: target = id != CHILDID_SELF && id < count ? id + 1 : NoChild; break;
    case NAVDIR_PREVIOUS: target = id > 1 ? id - 1 : NoChild; break;
    default: return DISP_E_MEMBERNOTFOUND;  // no spatial navigation
    }
    if (target == NoChild) return S_FALSE;
    ChildVariant(target, end);
    return S_OK;
}

HRESULT AccessibleObject::accHitTest(LONG x, LONG y, VARIANT* child)
{
    if (!child) return E_POINTER;
    Empty(child);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    const LONG id = ChildAt(POINT{x, y});
    if (id == NoChild) return S_FALSE;
    ChildVariant(id, child);
    return S_OK;
}

HRESULT AccessibleObject::accDoDefaultAction(VARIANT child)
{
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    return checked != S_OK ? checked : DoDefaultAction(id);
}

HRESULT AccessibleObject::put_accName(VARIANT, BSTR)
{
    return Connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

HRESULT AccessibleObject::put_accValue(VARIANT, BSTR)
{
    return Connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

bool AcceptClientObjectRequest(LPARAM objectId)
{
    if (static_cast<LONG>(static_cast<DWORD>(objectId)) != OBJID_CLIENT) return false;
    if (windowEnded) return false;
    if (apartmentBegun) return true;
    const HRESULT result = SystemCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(result)) {
        apartmentBegun = true;
        apartmentThread = GetCurrentThreadId();
    }
    // a thread already in the multithreaded apartment can hand objects over as well
    return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
}

LRESULT AnswerClientObject(AccessibleObject* object, WPARAM flags)
{
    if (!object) return 0;
    const LRESULT result = SystemLresultFromObject(__uuidof(IAccessible), flags, object);
    object->Release();
    return result < 0 ? 0 : result;
}

void DisconnectAccessibleObjects(HWND window)
{
    if (!firstObject) return;
    for (AccessibleObject* object = firstObject; object; object = object->next) {
        if (!object->window || (object->window != window && !IsChild(window, object->window))) continue;
        object->window = nullptr;
        object->disconnecting = true;
    }
    // CoDisconnectObject drops the references that COM holds for other processes and
    // may free the object, so the walk starts over after each one
    for (;;) {
        AccessibleObject* object = firstObject;
        while (object && !object->disconnecting) object = object->next;
        if (!object) return;
        object->disconnecting = false;
        object->AddRef();
        SystemCoDisconnectObject(object, 0);
        object->Release();
    }
}

void EndAccessibility(HWND mainWindow)
{
    windowEnded = true;
    DisconnectAccessibleObjects(mainWindow);
}

void EndAccessibilityApartment()
{
    windowEnded = false;
    if (!apartmentBegun || apartmentThread != GetCurrentThreadId()) return;
    apartmentBegun = false;
    SystemCoUninitialize();
}

int LiveAccessibleObjects()
{
    int count = 0;
    for (const AccessibleObject* object = firstObject; object; object = object->next) ++count;
    return count;
}
