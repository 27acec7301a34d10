#pragma once
// Small COM objects the test container hands the control: a client site that can in-place
// activate it, an event sink, a property notification sink, a property bag and a pop-up menu
// object, each recording what it was told.

// COM interfaces have no virtual destructor by design: an object deletes itself in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testhost {

// Reference counting shared by the objects below; each is made with one reference.
template <class Derived> class RefCounted {
public:
    ULONG addRef() { return static_cast<ULONG>(++refs_); }
    ULONG release() {
        const long n = --refs_;
        if (n == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(n);
    }

private:
    long refs_ = 1;
};

#define TESTHOST_IUNKNOWN                                                                          \
    ULONG STDMETHODCALLTYPE AddRef() override {                                                    \
        return addRef();                                                                           \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE Release() override {                                                   \
        return release();                                                                          \
    }

// A site that lets the control in-place activate in `window`, at `rect`, and answers the ambient
// font through its IDispatch.
class Site final : public IOleClientSite,
                   public IOleInPlaceSite,
                   public IDispatch,
                   public RefCounted<Site> {
public:
    Site(HWND window, RECT rect, IFontDisp* ambientFont)
        : window_(window), rect_(rect), font_(ambientFont) {
        if (font_) font_->AddRef();
    }
    ~Site() {
        if (font_) font_->Release();
    }
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;
    TESTHOST_IUNKNOWN
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        *m = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow / IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* h) override {
        *h = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        ++inPlaceActivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override {
        ++uiActivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *pos = rect_;
        *clip = rect_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        ++inPlaceDeactivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id == DISPID_AMBIENT_FONT && font_ && result) {
            ++ambientFontRequests;
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = font_;
            font_->AddRef();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    int inPlaceActivations = 0, uiActivations = 0, inPlaceDeactivations = 0;
    int ambientFontRequests = 0;

private:
    HWND window_;
    RECT rect_;
    IFontDisp* font_;
};

// One event as the sink received it: its identifier and its arguments in declaration order.
struct EventCall {
    DISPID id;
    std::vector<double> args;
};

// The sink of a control's event interface. `onEvent` may change the by-reference arguments
// (given in declaration order).
class EventSink final : public IDispatch, public RefCounted<EventSink> {
public:
    explicit EventSink(IID iid) : iid_(iid) {}
    TESTHOST_IUNKNOWN
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        EventCall call{id, {}};
        bool byRef = true;
        std::vector<VARIANT*> inOrder;
        for (UINT i = 0; i < p->cArgs; ++i)
            inOrder.push_back(&p->rgvarg[p->cArgs - 1 - i]);
        for (VARIANT* v : inOrder) {
            if (V_VT(v) == (VT_BYREF | VT_I2))
                call.args.push_back(*V_I2REF(v));
            else if (V_VT(v) == (VT_BYREF | VT_R4))
                call.args.push_back(*V_R4REF(v));
            else
                byRef = false;
        }
        allByRef = allByRef && byRef;
        calls.push_back(call);
        if (onEvent) onEvent(id, inOrder);
        return S_OK;
    }

    std::vector<EventCall> calls;
    bool allByRef = true;
    std::function<void(DISPID, std::vector<VARIANT*>&)> onEvent;

private:
    IID iid_;
};

class NotifySink final : public IPropertyNotifySink, public RefCounted<NotifySink> {
public:
    TESTHOST_IUNKNOWN
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IPropertyNotifySink) {
            *out = static_cast<IPropertyNotifySink*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
    std::vector<DISPID> changed;
};

// A property bag kept in memory, in the order the keys were written.
class Bag final : public IPropertyBag, public RefCounted<Bag> {
public:
    ~Bag() {
        for (auto& [k, v] : entries)
            VariantClear(&v);
    }
    Bag() = default;
    Bag(const Bag&) = delete;
    Bag& operator=(const Bag&) = delete;
    TESTHOST_IUNKNOWN
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
            *out = static_cast<IPropertyBag*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        for (auto& [k, value] : entries)
            if (_wcsicmp(k.c_str(), name) == 0) {
                ++reads;
                return VariantCopy(v, &value);
            }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
        for (auto& [k, value] : entries)
            if (_wcsicmp(k.c_str(), name) == 0) return VariantCopy(&value, v);
        entries.emplace_back(name, VARIANT{});
        VariantInit(&entries.back().second);
        return VariantCopy(&entries.back().second, v);
    }
    const VARIANT* find(const wchar_t* name) const {
        for (const auto& [k, value] : entries)
            if (_wcsicmp(k.c_str(), name) == 0) return &value;
        return nullptr;
    }
    std::vector<std::pair<std::wstring, VARIANT>> entries;
    int reads = 0;
};

// A pop-up menu as a container would hand it to PopupMenu: its Popup method records the call.
class Menu final : public IDispatch, public RefCounted<Menu> {
public:
    static constexpr DISPID PopupId = 7;
    TESTHOST_IUNKNOWN
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* ids) override {
        if (_wcsicmp(names[0], L"Popup") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = PopupId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id != PopupId) return DISP_E_MEMBERNOTFOUND;
        ++popups;
        argTypes.clear();
        for (UINT i = 0; i < p->cArgs; ++i)
            argTypes.push_back(V_VT(&p->rgvarg[p->cArgs - 1 - i]));
        if (p->cArgs >= 2 && V_VT(&p->rgvarg[p->cArgs - 2]) == VT_I4)
            x = V_I4(&p->rgvarg[p->cArgs - 2]);
        return S_OK;
    }
    int popups = 0;
    long x = -1;
    std::vector<VARTYPE> argTypes;
};

} // namespace testhost
