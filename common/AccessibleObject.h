#pragma once
// What a screen reader reads of a window that paints itself: an accessible object
// (IAccessible) answered from WM_GETOBJECT for the client area. Each request gets a new
// object, released right after it is handed over; the object holds only the window
// handle and asks the window for everything at each call. Once the window is destroyed
// the object is disconnected: every call answers CO_E_OBJNOTCONNECTED, while a client
// may still hold it, and nothing of the window is touched again.
//
// The system's own objects that an object hands out (its parent, a control among its
// children) go out wrapped in an object of this kind, which forwards every call and is
// disconnected with the window: nothing handed out outlives the window's end.
//
// OLEACC, OLE32 and OLEAUT32 are loaded with the first request (common/SystemLibraries.h),
// and the window's thread runs COM from then on: the objects are handed over by COM
// marshalling, which needs an apartment on the thread that serves them.
#include <windows.h>
#include <oleacc.h>

class AccessibleObject : public IAccessible {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered, the clients use the IAccessible methods
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // on the process heap: the program's objects stay off the C++ library's allocator,
    // whose nothrow form would bring its exception support into the executable; null
    // when the heap is exhausted, and the request is then answered by the system
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* object) noexcept;

protected:
    explicit AccessibleObject(HWND window);
    virtual ~AccessibleObject();
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    HWND Window() const { return window; }
    // true until the window's objects are disconnected or the window is gone
    bool Connected() const;

    static constexpr LONG NoChild = -1;
    static constexpr size_t NameCapacity = 512;

    // What the object shows, asked only while the window lives and only with a child id
    // from 0 (the object itself, CHILDID_SELF) to ChildCount().
    virtual LONG ChildCount() { return 0; }
    // A child with an object of its own gives that object (a new reference), and then
    // answers every question itself; a simple element gives null.
    virtual IDispatch* ChildObject(LONG) { return nullptr; }
    virtual LONG Role(LONG) { return ROLE_SYSTEM_CLIENT; }
    virtual LONG State(LONG) { return 0; }
    // the name and the description, cut to capacity; left empty for none
    virtual void Name(LONG, wchar_t*, size_t) {}
    virtual void Description(LONG, wchar_t*, size_t) {}
    // the keys that act on it, or null for none
    virtual const wchar_t* KeyboardShortcut(LONG) { return nullptr; }
    // in screen coordinates
    virtual bool Location(LONG, RECT&) { return false; }
    // the name of the default action, or null for none
    virtual const wchar_t* DefaultAction(LONG) { return nullptr; }
    virtual HRESULT DoDefaultAction(LONG) { return DISP_E_MEMBERNOTFOUND; }
    virtual HRESULT Select(LONG, LONG) { return DISP_E_MEMBERNOTFOUND; }
    // the child under a screen point, 0 for the object itself, NoChild outside it
    virtual LONG ChildAt(POINT point);
    // the child that has the keyboard focus or is selected, 0 for the object itself, or NoChild
    virtual LONG FocusedChild() { return NoChild; }
    virtual LONG SelectedChild() { return NoChild; }

private:
    friend void DisconnectAccessibleObjects(HWND window);
    friend int LiveAccessibleObjects();

    // S_OK with the child's id when the object is connected and has that child
    HRESULT Check(const VARIANT& child, LONG& id);
    // a child given as a VARIANT: its object when it has one, else its id
    void ChildVariant(LONG id, VARIANT* out);
    template <typename Fill>
    HRESULT TextProperty(const VARIANT& child, BSTR* out, Fill fill);

    LONG references = 1;
    HWND window;  // the weak link: cleared when the window goes, never set again
    bool disconnecting = false;
    AccessibleObject* previous = nullptr;
    AccessibleObject* next = nullptr;
};

// WM_GETOBJECT: true when a client asks for the client area's object (OBJID_CLIENT) and
// the thread can serve it, COM begun on it for that; the window then answers with
// AnswerClientObject.
bool AcceptClientObjectRequest(LPARAM objectId);
// The result of WM_GETOBJECT for object, whose creation reference it takes over and
// releases; 0 (the system's own object) when object is null or cannot be handed over.
LRESULT AnswerClientObject(AccessibleObject* object, WPARAM flags);

// The system's object (a new reference, taken over) as window's objects hand it out:
// wrapped, so that it is disconnected with them; null, the reference released, when it
// cannot be wrapped.
IDispatch* HandOutSystemObject(HWND window, IDispatch* object);

// Disconnects the objects of window and of every window inside it, the wrapped system
// objects they handed out included; call while the windows still exist (WM_DESTROY,
// WM_NCDESTROY).
void DisconnectAccessibleObjects(HWND window);
// From the main window's WM_DESTROY: disconnects its objects and its controls', and
// refuses every request from then on.
void EndAccessibility(HWND mainWindow);
// For a thread that goes on after its window has ended (the tests make one window after
// another): ends COM there if the first request began it, once the loop that served the
// window is done. The program does not call it: its process ends, and COM with it, at
// ExitProcess; CoUninitialize would wait for calls already queued for the apartment,
// which only this thread, out of its loop, could serve.
void EndAccessibilityApartment();

// Objects not yet freed, for the tests' balance of references.
int LiveAccessibleObjects();
