// The system's standard objects, as the program's objects hand them out: each one behind
// an object of the program's own that forwards every call to it. COM marshals the wrapper,
// never the system's object, so disconnecting the window's objects at its end also cuts
// every reader off the system's: no call for them is left queued for a thread that has
// left its loop. Whatever the system's object hands out in turn is wrapped the same way.
#include <ole2.h>
#include "common/AccessibleObject.h"

namespace {

// without VariantInit: the program does not import OLEAUT32
void Empty(VARIANT* value)
{
    value->vt = VT_EMPTY;
}

class SystemObjectWrapper final : public AccessibleObject, public IOleWindow {
public:
    SystemObjectWrapper(HWND window, IAccessible* inner) : AccessibleObject(window), inner(inner) {}

    // IUnknown, for both interfaces; IOleWindow only where the system's object has it
    // (WindowFromAccessibleObject asks for it)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override
    {
        if (!object) return E_POINTER;
        if (interfaceId != __uuidof(IOleWindow)) return AccessibleObject::QueryInterface(interfaceId, object);
        *object = nullptr;
        if (!Connected()) return E_NOINTERFACE;
        IOleWindow* window = nullptr;
        if (FAILED(inner->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window))) || !window)
            return E_NOINTERFACE;
        window->Release();
        *object = static_cast<IOleWindow*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AccessibleObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return AccessibleObject::Release(); }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window) return E_POINTER;
        *window = nullptr;
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        IOleWindow* ole = nullptr;
        if (FAILED(inner->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&ole))) || !ole)
            return E_FAIL;
        const HRESULT result = ole->GetWindow(window);
        ole->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible: forwarded while connected
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accParent(parent), parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return Connected() ? inner->get_accChildCount(count) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accChild(child, object), object);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        return Text(name, [&] { return inner->get_accName(child, name); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return Text(value, [&] { return inner->get_accValue(child, value); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return Text(description, [&] { return inner->get_accDescription(child, description); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!role) return E_POINTER;
        Empty(role);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accRole(child, role), role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (!state) return E_POINTER;
        Empty(state);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accState(child, state), state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return Text(help, [&] { return inner->get_accHelp(child, help); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        if (!file || !topic) return E_POINTER;
        *file = nullptr;
        *topic = -1;
        return Connected() ? inner->get_accHelpTopic(file, child, topic) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return Text(shortcut, [&] { return inner->get_accKeyboardShortcut(child, shortcut); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override
    {
        if (!child) return E_POINTER;
        Empty(child);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accFocus(child), child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        if (!children) return E_POINTER;
        Empty(children);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->get_accSelection(children), children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return Text(action, [&] { return inner->get_accDefaultAction(child, action); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return Connected() ? inner->accSelect(flags, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        return Connected() ? inner->accLocation(left, top, width, height, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        if (!end) return E_POINTER;
        Empty(end);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->accNavigate(direction, start, end), end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        if (!child) return E_POINTER;
        Empty(child);
        if (!Connected()) return CO_E_OBJNOTCONNECTED;
        return Out(inner->accHitTest(x, y, child), child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return Connected() ? inner->accDoDefaultAction(child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return Connected() ? inner->put_accName(child, name) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return Connected() ? inner->put_accValue(child, value) : CO_E_OBJNOTCONNECTED;
    }

private:
    ~SystemObjectWrapper() override { inner->Release(); }

    template <typename Call>
    HRESULT Text(BSTR* out, Call call)
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Connected() ? call() : CO_E_OBJNOTCONNECTED;
    }

    // an object among the results goes out wrapped as well
    HRESULT Out(HRESULT result, IDispatch** object)
    {
        if (*object) *object = HandOutSystemObject(Window(), *object);
        return result;
    }
    HRESULT Out(HRESULT result, VARIANT* value)
    {
        if (value->vt == VT_DISPATCH) {
            value->pdispVal = HandOutSystemObject(Window(), value->pdispVal);
            if (!value->pdispVal) value->vt = VT_EMPTY;
        } else if (value->vt == VT_UNKNOWN) {
            // a list of several (IEnumVARIANT): its items could not be wrapped, so none goes out
            if (value->punkVal) value->punkVal->Release();
            value->vt = VT_EMPTY;
            return S_FALSE;
        }
        return result;
    }

    IAccessible* inner;
};

}  // namespace

IDispatch* HandOutSystemObject(HWND window, IDispatch* object)
{
    if (!object) return nullptr;
    IAccessible* accessible = nullptr;
    const HRESULT asked = object->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible));
    object->Release();
    if (FAILED(asked) || !accessible) return nullptr;
    SystemObjectWrapper* wrapper = new SystemObjectWrapper(window, accessible);
    if (!wrapper) {
        accessible->Release();
        return nullptr;
    }
    return static_cast<IAccessible*>(wrapper);
}
