// The COM object of one control instance. See control_object.h.

#include "control_object.h"
#include "hosts/win32/runtime/text_services.h"

// COM interfaces have no virtual destructor by design: an object deletes itself in its own
// Release, never through an interface pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tessivra::win32 {

namespace {

class ControlObject;

GUID toGuid(const Guid& g) {
    GUID out{};
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    std::memcpy(out.Data4, g.data4.data(), 8);
    return out;
}

// The library's Error as a COM failure: the SCODE, with IErrorInfo set for vtable clients.
HRESULT failWith(const Error& e, const ControlClassInfo& info) {
    ComPtr<ICreateErrorInfo> ce;
    if (SUCCEEDED(CreateErrorInfo(ce.put()))) {
        std::wstring d = toWide(e.description);
        std::wstring src = toWide(fromUtf8(info.ProgId));
        ce->SetDescription(d.data());
        ce->SetSource(src.data());
        const GUID iid = toGuid(info.DefaultInterface.iid);
        ce->SetGUID(iid);
        ComPtr<IErrorInfo> ei;
        if (SUCCEEDED(ce->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(ei.put()))))
            SetErrorInfo(0, ei.get());
    }
    return errorScode(e.code);
}

// The dual interface: IDispatch's seven methods and one slot per access of each member.
struct DualInterface {
    const void* const* vtbl;
    ControlObject* self;
};

// A sink's connection.
struct Connection {
    DWORD cookie;
    ComPtr<IUnknown> sink;
};

// A snapshot enumerator, as IEnumConnectionPoints and IEnumConnections hand out: the list is
// taken when the enumerator is made, so advising or unadvising meanwhile does not disturb a walk.
// It holds a reference on the object whose list it walks, and each item it hands out carries a
// reference of its own, which the caller releases.
template <class IEnum, class Out, class Item> class SnapshotEnum final : public IEnum {
public:
    SnapshotEnum(const IID& iid, std::vector<Item> items, IUnknown* owner, std::size_t at = 0)
        : iid_(iid), items_(std::move(items)), owner_(owner), at_(at) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == iid_) {
            *out = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Out* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && at_ < items_.size(); ++n, ++at_)
            handOut(items_[at_], out[n]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_.size() - at_;
        at_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) SnapshotEnum(iid_, items_, owner_.get(), at_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    static void handOut(IConnectionPoint* point, IConnectionPoint*& slot) {
        slot = point;
        point->AddRef();
    }
    static void handOut(const Connection& c, CONNECTDATA& slot) {
        slot.pUnk = c.sink.get();
        slot.pUnk->AddRef();
        slot.dwCookie = c.cookie;
    }

    const IID& iid_;
    std::vector<Item> items_;
    ComPtr<IUnknown> owner_;
    std::size_t at_;
    ULONG refs_ = 1;
};

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : owner_(owner), iid_(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as its container object; a reference on it holds the container.
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) override {
        if (!out) return E_POINTER;
        *out = owner_;
        owner_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        ComPtr<IUnknown> s;
        if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(s.put()))) &&
            FAILED(sink->QueryInterface(iid_ == IID_IPropertyNotifySink ? iid_ : IID_IDispatch,
                                        reinterpret_cast<void**>(s.put()))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        connections_.push_back({*cookie, std::move(s)});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [cookie](const Connection& c) { return c.cookie == cookie; });
        if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
        connections_.erase(it);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) SnapshotEnum<IEnumConnections, CONNECTDATA, Connection>(
            IID_IEnumConnections, connections_, owner_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    // A copy, so that a sink that unadvises from its handler does not disturb the walk.
    std::vector<Connection> connections() const { return connections_; }
    const IID& iid() const { return iid_; }
    bool hasConnections() const { return !connections_.empty(); }

private:
    IConnectionPointContainer* owner_;
    IID iid_;
    std::vector<Connection> connections_;
    DWORD lastCookie_ = 0;
};

// A property bag of the container's, as the control's load and save handlers see it.
class BagAdapter final : public PropertyBag {
public:
    explicit BagAdapter(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}
    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& def) override {
        std::wstring k = toWide(key);
        VARIANT v;
        VariantInit(&v);
        if (def.type() == ValueType::Font || def.type() == ValueType::Picture)
            V_VT(&v) = VT_DISPATCH;
        HRESULT hr = bag_->Read(k.c_str(), &v, log_);
        if (FAILED(hr)) {
            VariantClear(&v);
            return def;
        }
        Value out;
        hr = toValue(v, out);
        VariantClear(&v);
        if (FAILED(hr)) return Error::typeMismatch();
        return out;
    }
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                const Value& def) override {
        // As a form keeps it: a value equal to its default is not written.
        if (value == def) return {};
        if (value.type() == ValueType::Font && def.type() == ValueType::Font &&
            sameFont(*value.font(), *def.font()))
            return {};
        std::wstring k = toWide(key);
        VARIANT v;
        if (FAILED(toVariant(value, v))) return Error::typeMismatch();
        HRESULT hr = bag_->Write(k.c_str(), &v);
        VariantClear(&v);
        if (FAILED(hr)) return Error{errorScode(hr), u"The property bag refused the value"};
        return {};
    }

private:
    static bool sameFont(const Font& a, const Font& b) {
        return a.name == b.name && a.size == b.size && a.weight == b.weight &&
               a.italic == b.italic && a.underline == b.underline &&
               a.strikethrough == b.strikethrough && a.charset == b.charset;
    }
    IPropertyBag* bag_;
    IErrorLog* log_;
};

// The keys a stream holds, in order, as a bag.
class MemoryBag final : public PropertyBag {
public:
    std::vector<std::pair<std::u16string, Value>> entries;
    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& def) override {
        for (const auto& [k, v] : entries)
            if (k == key) return v;
        return def;
    }
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                const Value&) override {
        entries.emplace_back(std::u16string(key), value);
        return {};
    }
};

class ControlObject final : public IProvideClassInfo2,
                            public IConnectionPointContainer,
                            public IPersistPropertyBag,
                            public IPersistStreamInit,
                            public IPersistStorage,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IOleControl,
                            public IViewObject2,
                            public IQuickActivate,
                            public ISupportErrorInfo,
                            public SurfaceOwner,
                            public EventSink {
public:
    explicit ControlObject(const ControlClassInfo& info)
        : info_(info), iid_(toGuid(info.DefaultInterface.iid)),
          srcIid_(toGuid(info.EventInterface.iid)), clsid_(toGuid(info.Clsid)),
          events_(static_cast<IConnectionPointContainer*>(this), srcIid_),
          notify_(static_cast<IConnectionPointContainer*>(this), IID_IPropertyNotifySink),
          container_(*this, server().module), runtime_(*server().text, server().module) {
        dual_.vtbl = vtableFor(*info.Class);
        dual_.self = this;
        runtime_.setWindow(container_.window());
        // The text box converts typed characters with the runtime's code page.
        if (auto* w = dynamic_cast<win32runtime::Win32TextServices*>(server().text))
            container_.setCodePage(w->settings().codePage);
        ++server().objects;
    }
    ~ControlObject() override {
        control_.reset();
        --server().objects;
    }
    ControlObject(const ControlObject&) = delete;
    ControlObject& operator=(const ControlObject&) = delete;

    ErrorOr<void> init() {
        control_ = TRY(server().table->create(info_));
        dispatcher_ = std::make_unique<Dispatcher>(*control_);
        dispatcher_->advise(this);
        TRY(control_->setSite(Site{container_, runtime_, shell_, objects_}));
        TRY(control_->UserControl_Initialize());
        return {};
    }

    // ---- IUnknown ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
            *out = static_cast<IProvideClassInfo2*>(this);
        else if (riid == IID_IDispatch || riid == iid_)
            *out = &dual_;
        else if (riid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        else if (riid == IID_IPersistPropertyBag)
            *out = static_cast<IPersistPropertyBag*>(this);
        else if (riid == IID_IPersistStreamInit)
            *out = static_cast<IPersistStreamInit*>(this);
        else if (riid == IID_IPersistStorage)
            *out = static_cast<IPersistStorage*>(this);
        else if (riid == IID_IPersist)
            *out = static_cast<IPersistPropertyBag*>(this);
        else if (riid == IID_IOleObject)
            *out = static_cast<IOleObject*>(this);
        else if (riid == IID_IOleInPlaceObject || riid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (riid == IID_IOleInPlaceActiveObject)
            *out = static_cast<IOleInPlaceActiveObject*>(this);
        else if (riid == IID_IOleControl)
            *out = static_cast<IOleControl*>(this);
        else if (riid == IID_IViewObject || riid == IID_IViewObject2)
            *out = static_cast<IViewObject2*>(this);
        else if (riid == IID_IQuickActivate)
            *out = static_cast<IQuickActivate*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *out = static_cast<ISupportErrorInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // ---- IDispatch (through the dual interface) ----
    HRESULT getTypeInfo(UINT index, ITypeInfo** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeLib* tl = server().typeLib();
        if (!tl) return TYPE_E_CANTLOADLIBRARY;
        return tl->GetTypeInfoOfGuid(iid_, out);
    }
    HRESULT getIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i)
            if (!names[i]) return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        std::u16string_view name(reinterpret_cast<const char16_t*>(names[0]), wcslen(names[0]));
        auto id = dispatcher_->findIdOfName(name);
        const DispatchMember* m = id ? dispatcher_->member(*id) : nullptr;
        if (!m) return DISP_E_UNKNOWNNAME;
        ids[0] = *id;
        // Argument names of a method, by their place.
        for (UINT i = 1; i < count; ++i) {
            std::u16string_view arg(reinterpret_cast<const char16_t*>(names[i]), wcslen(names[i]));
            bool found = false;
            for (std::size_t p = 0; p < m->params.size(); ++p)
                if (namesMatch(m->params[p].name, arg)) {
                    ids[i] = static_cast<DISPID>(p);
                    found = true;
                }
            if (!found) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* ei,
                   UINT* argErr) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (!params) params = &none;
        if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
        if (params->cNamedArgs > params->cArgs ||
            (params->cNamedArgs > 0 && !params->rgdispidNamedArgs))
            return E_INVALIDARG;
        const DispatchMember* m = dispatcher_->member(id);
        if (!m) return DISP_E_MEMBERNOTFOUND;
        ensurePlaced();

        InvokeKind kind;
        const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        if (put) {
            if (flags & DISPATCH_PROPERTYPUTREF && m->access & access::Set)
                kind = InvokeKind::Set;
            else if (flags & DISPATCH_PROPERTYPUT && m->access & access::Let)
                kind = InvokeKind::Let;
            else if (flags & DISPATCH_PROPERTYPUT && m->access & access::Set &&
                     params->cArgs >= 1 && isObjectArg(params->rgvarg[0]))
                kind = InvokeKind::Set;
            else
                return DISP_E_MEMBERNOTFOUND;
        } else if (m->access & access::Call && flags & DISPATCH_METHOD) {
            kind = InvokeKind::Call;
        } else if (m->access & access::Get && flags & DISPATCH_PROPERTYGET) {
            kind = InvokeKind::Get;
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }

        switch (kind) {
        case InvokeKind::Get: {
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
            InvokeResult r = dispatcher_->invoke(*m, kind);
            if (r.isError()) return failed(r.error(), *params, ei, argErr);
            // The result is the caller's out parameter: written, never cleared first, as what it
            // holds on the way in need not be a variant at all.
            return result ? toVariant(r.value(), *result) : S_OK;
        }
        case InvokeKind::Let:
        case InvokeKind::Set: {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            if (params->cNamedArgs > 1 ||
                (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
                return DISP_E_PARAMNOTFOUND;
            Value v;
            HRESULT hr = toMemberValue(params->rgvarg[0], m->type, v);
            if (FAILED(hr)) {
                if (argErr) *argErr = 0;
                return hr;
            }
            if (v.isMissing()) return DISP_E_PARAMNOTOPTIONAL;
            InvokeResult r = dispatcher_->invoke(*m, kind, std::span<const Value>(&v, 1));
            return r.isError() ? failed(r.error(), *params, ei, argErr) : S_OK;
        }
        case InvokeKind::Call:
            break;
        }
        return invokeCall(*m, *params, ei, argErr);
    }
    // A method's arguments: positional ones come last to first, named ones by their identifiers.
    HRESULT invokeCall(const DispatchMember& m, const DISPPARAMS& params, EXCEPINFO* ei,
                       UINT* argErr) {
        const std::size_t n = m.params.size();
        if (params.cArgs > n) return DISP_E_BADPARAMCOUNT;
        std::size_t required = 0;
        for (const ParamInfo& p : m.params)
            required += p.optional ? 0 : 1;
        const UINT named = params.cNamedArgs;
        const UINT positional = params.cArgs - named;
        std::array<Value, 8> args;
        for (std::size_t i = 0; i < n; ++i)
            args[i] = Value::missing();
        std::array<bool, 8> given{};
        for (UINT i = 0; i < positional; ++i) {
            const UINT slot = params.cArgs - 1 - i;
            HRESULT hr = toMemberValue(params.rgvarg[slot], m.params[i].type, args[i]);
            if (FAILED(hr)) {
                if (argErr) *argErr = slot;
                return hr;
            }
            given[i] = !args[i].isMissing();
        }
        for (UINT i = 0; i < named; ++i) {
            const DISPID p = params.rgdispidNamedArgs[i];
            if (p < 0 || static_cast<std::size_t>(p) >= n) {
                if (argErr) *argErr = i;
                return DISP_E_PARAMNOTFOUND;
            }
            const auto at = static_cast<std::size_t>(p);
            HRESULT hr = toMemberValue(params.rgvarg[i], m.params[at].type, args[at]);
            if (FAILED(hr)) {
                if (argErr) *argErr = i;
                return hr;
            }
            given[at] = !args[at].isMissing();
        }
        if (positional + named < required &&
            std::count(given.begin(), given.begin() + long(n), true) < long(required))
            return DISP_E_BADPARAMCOUNT;
        for (std::size_t i = 0; i < n; ++i)
            if (!m.params[i].optional && !given[i]) return DISP_E_PARAMNOTOPTIONAL;
        InvokeResult r =
            dispatcher_->invoke(m, InvokeKind::Call, std::span<const Value>(args.data(), n));
        return r.isError() ? failed(r.error(), params, ei, argErr) : S_OK;
    }
    // A refusal becomes its status; a member's own failure the exception Invoke reports.
    HRESULT failed(const DispatchError& e, const DISPPARAMS& params, EXCEPINFO* ei,
                   UINT* argErr) const {
        if (!e.isException()) {
            if (argErr && e.argument >= 0)
                *argErr = static_cast<UINT>(long(params.cArgs) - 1 - e.argument);
            return e.code;
        }
        if (ei) {
            std::memset(ei, 0, sizeof *ei);
            ei->scode = errorScode(e.exception.code);
            ei->bstrDescription = toBstr(e.exception.description);
            ei->bstrSource = toBstr(fromUtf8(info_.ProgId));
        }
        return DISP_E_EXCEPTION;
    }

    // A vtable method: the same member call, failures as COM errors with IErrorInfo.
    HRESULT slotGet(std::size_t slot, UINT_PTR out) {
        if (!out) return E_POINTER;
        ensurePlaced();
        const VtableSlot& s = slots_[slot];
        InvokeResult r = dispatcher_->invoke(s.id, InvokeKind::Get);
        if (r.isError())
            return failWith(r.error().isException() ? r.error().exception : r.error(), info_);
        const Value& v = r.value();
        switch (s.type) {
        case MemberType::I2:
            *reinterpret_cast<SHORT*>(out) = v.type() == ValueType::I2 ? v.i2() : 0;
            return S_OK;
        case MemberType::Bool:
            *reinterpret_cast<VARIANT_BOOL*>(out) =
                v.type() == ValueType::Bool && v.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case MemberType::I4:
        case MemberType::OleColor: {
            auto n = v.toI4();
            *reinterpret_cast<LONG*>(out) = n ? static_cast<LONG>(n.value()) : 0;
            return S_OK;
        }
        case MemberType::BSTR:
            *reinterpret_cast<BSTR*>(out) =
                toBstr(v.type() == ValueType::String ? std::u16string_view(v.string()) : u"");
            return S_OK;
        case MemberType::Font:
        case MemberType::Picture:
        case MemberType::IDispatch: {
            VARIANT var;
            HRESULT hr = toVariant(v, var);
            if (FAILED(hr)) return hr;
            *reinterpret_cast<IDispatch**>(out) =
                V_VT(&var) == VT_DISPATCH ? V_DISPATCH(&var) : nullptr;
            if (V_VT(&var) != VT_DISPATCH) VariantClear(&var);
            return S_OK;
        }
        default:
            return E_UNEXPECTED;
        }
    }
    HRESULT slotPut(std::size_t slot, UINT_PTR in) {
        ensurePlaced();
        const VtableSlot& s = slots_[slot];
        Value v;
        switch (s.type) {
        case MemberType::I2:
            v = Value(static_cast<std::int16_t>(in & 0xFFFF));
            break;
        case MemberType::Bool:
            v = Value::boolean((in & 0xFFFF) != 0);
            break;
        case MemberType::I4:
        case MemberType::OleColor:
            v = Value(static_cast<std::int32_t>(static_cast<std::uint32_t>(in)));
            break;
        case MemberType::BSTR:
            v = Value(fromBstr(reinterpret_cast<BSTR>(in)));
            break;
        case MemberType::Font:
        case MemberType::Picture:
        case MemberType::IDispatch: {
            VARIANT var;
            V_VT(&var) = VT_UNKNOWN;
            V_UNKNOWN(&var) = reinterpret_cast<IUnknown*>(in);
            HRESULT hr = toMemberValue(var, s.type, v);
            if (FAILED(hr)) return hr;
            break;
        }
        default:
            return E_UNEXPECTED;
        }
        InvokeResult r = dispatcher_->invoke(s.id, s.kind, std::span<const Value>(&v, 1));
        if (r.isError())
            return failWith(r.error().isException() ? r.error().exception : r.error(), info_);
        return S_OK;
    }
    HRESULT slotCall(std::size_t slot, IDispatch* menu, const VARIANT* rest) {
        ensurePlaced();
        const VtableSlot& s = slots_[slot];
        std::array<Value, 5> args;
        VARIANT m;
        V_VT(&m) = VT_DISPATCH;
        V_DISPATCH(&m) = menu;
        if (HRESULT hr = toMemberValue(m, MemberType::IDispatch, args[0]); FAILED(hr)) return hr;
        for (int i = 0; i < 4; ++i)
            if (HRESULT hr = toValue(rest[i], args[std::size_t(i) + 1]); FAILED(hr)) return hr;
        InvokeResult r = dispatcher_->invoke(s.id, InvokeKind::Call, args);
        if (r.isError())
            return failWith(r.error().isException() ? r.error().exception : r.error(), info_);
        return S_OK;
    }

    // ---- IProvideClassInfo2 ----
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        ITypeLib* tl = server().typeLib();
        if (!tl) return TYPE_E_CANTLOADLIBRARY;
        return tl->GetTypeInfoOfGuid(clsid_, out);
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override {
        if (!out) return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *out = srcIid_;
        return S_OK;
    }

    // ---- IConnectionPointContainer ----
    // The control's events first, then its property-change notices.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        std::vector<IConnectionPoint*> points{&events_, &notify_};
        *out = new (std::nothrow)
            SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, IConnectionPoint*>(
                IID_IEnumConnectionPoints, std::move(points),
                static_cast<IConnectionPointContainer*>(this));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == srcIid_)
            *out = &events_;
        else if (riid == IID_IPropertyNotifySink)
            *out = &notify_;
        else
            return CONNECT_E_NOCONNECTION;
        (*out)->AddRef();
        return S_OK;
    }

    // ---- IPersist* ----
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
        if (!out) return E_POINTER;
        *out = clsid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        ensurePlaced();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override {
        if (!bag) return E_POINTER;
        BagAdapter adapter(bag, log);
        auto loaded = control_->UserControl_ReadProperties(adapter);
        ensurePlaced();
        if (loaded.isError()) return failWith(loaded.error(), info_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL) override {
        if (!bag) return E_POINTER;
        BagAdapter adapter(bag, nullptr);
        auto saved = control_->UserControl_WriteProperties(adapter);
        if (saved.isError()) return failWith(saved.error(), info_);
        if (clearDirty) dirty_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override {
        if (!stream) return E_POINTER;
        std::vector<std::uint8_t> bytes;
        std::uint8_t buf[4096];
        for (;;) {
            ULONG n = 0;
            HRESULT hr = stream->Read(buf, sizeof buf, &n);
            if (FAILED(hr)) return hr;
            bytes.insert(bytes.end(), buf, buf + n);
            if (n < sizeof buf) break;
            // The whole state of a control is far below this; a longer stream is not one of ours.
            if (bytes.size() > (64u << 20)) return STG_E_READFAULT;
        }
        auto entries = decodeStream(bytes);
        if (entries.isError()) return failWith(entries.error(), info_);
        MemoryBag bag;
        bag.entries = entries.releaseValue();
        auto loaded = control_->UserControl_ReadProperties(bag);
        ensurePlaced();
        if (loaded.isError()) return failWith(loaded.error(), info_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override {
        if (!stream) return E_POINTER;
        MemoryBag bag;
        auto saved = control_->UserControl_WriteProperties(bag);
        if (saved.isError()) return failWith(saved.error(), info_);
        std::vector<std::uint8_t> bytes = encodeStream(bag.entries);
        ULONG written = 0;
        HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr)) return hr;
        if (written != bytes.size()) return STG_E_WRITEFAULT;
        if (clearDirty) dirty_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return E_POINTER;
        MemoryBag bag;
        auto saved = control_->UserControl_WriteProperties(bag);
        if (saved.isError()) return failWith(saved.error(), info_);
        size->QuadPart = encodeStream(bag.entries).size();
        return S_OK;
    }

    // ---- IPersistStorage: the stream's layout, in one stream of the container's storage ----
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override {
        if (!storage) return E_POINTER;
        storage_ = ComPtr<IStorage>(storage);
        return InitNew();
    }
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override {
        if (!storage) return E_POINTER;
        ComPtr<IStream> stream;
        HRESULT hr = storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                         stream.put());
        if (FAILED(hr)) return hr;
        hr = Load(stream.get());
        if (SUCCEEDED(hr)) storage_ = ComPtr<IStorage>(storage);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override {
        if (!storage) return E_POINTER;
        ComPtr<IStream> stream;
        HRESULT hr = storage->CreateStream(
            kContents, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put());
        if (FAILED(hr)) return hr;
        return Save(stream.get(), sameAsLoad);
    }
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) override {
        if (storage) storage_ = ComPtr<IStorage>(storage);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override {
        storage_ = ComPtr<IStorage>();
        return S_OK;
    }

    // ---- IQuickActivate: siting, sinks and status in one call ----
    HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* in, QACONTROL* out) override {
        if (!in || !out) return E_POINTER;
        // Containers built against older headers pass shorter records; what we read and write is
        // in every version of them.
        if (in->cbSize < offsetof(QACONTAINER, pAdviseSink) + sizeof(in->pAdviseSink) ||
            out->cbSize < offsetof(QACONTROL, dwPointerActivationPolicy) + sizeof(DWORD))
            return E_INVALIDARG;
        const ULONG size = out->cbSize;
        std::memset(out, 0, size);
        out->cbSize = size;
        HRESULT hr = SetClientSite(in->pClientSite);
        if (FAILED(hr)) return hr;
        if (in->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, in->pAdviseSink);
        if (in->pPropertyNotifySink) {
            hr = notify_.Advise(in->pPropertyNotifySink, &out->dwPropNotifyCookie);
            if (FAILED(hr)) return hr;
        }
        if (in->pUnkEventSink) {
            hr = events_.Advise(in->pUnkEventSink, &out->dwEventCookie);
            if (FAILED(hr)) return hr;
        }
        GetMiscStatus(DVASPECT_CONTENT, &out->dwMiscStatus);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override {
        return SetExtent(DVASPECT_CONTENT, size);
    }
    HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override {
        return GetExtent(DVASPECT_CONTENT, size);
    }

    // ---- IOleObject ----
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        site_ = ComPtr<IOleClientSite>(site);
        ambient_ = ComPtr<IDispatch>();
        if (site) site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambient_.put()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override {
        if (!out) return E_POINTER;
        *out = site_.get();
        if (*out) (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        InPlaceDeactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT pos) override {
        ensurePlaced();
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
            return activate(site, true, parent, pos);
        case OLEIVERB_INPLACEACTIVATE:
            return activate(site, false, parent, pos);
        case OLEIVERB_HIDE:
            container_.setVisible(false);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
        }
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override {
        return OleRegEnumVerbs(clsid_, out);
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override { return GetClassID(out); }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override {
        return OleRegGetUserType(clsid_, form, out);
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return E_FAIL;
        if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
        // HIMETRIC to pixels at 96 dots to the inch.
        RECT r{0, 0, MulDiv(size->cx, 96, 2540), MulDiv(size->cy, 96, 2540)};
        RECT now{};
        GetWindowRect(container_.window(), &now);
        MapWindowPoints(nullptr, GetParent(container_.window()), reinterpret_cast<POINT*>(&now), 2);
        OffsetRect(&r, now.left, now.top);
        placed_ = true;
        container_.place(r);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return E_FAIL;
        ensurePlaced();
        size->cx = static_cast<LONG>(container_.Width().value() * 2540.0f / 1440.0f + 0.5f);
        size->cy = static_cast<LONG>(container_.Height().value() * 2540.0f / 1440.0f + 0.5f);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override {
        if (!oleAdvise_) CreateOleAdviseHolder(oleAdvise_.put());
        return oleAdvise_ ? oleAdvise_->Advise(sink, cookie) : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override {
        return oleAdvise_ ? oleAdvise_->EnumAdvise(out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = aspect == DVASPECT_CONTENT ? info_.MiscStatus : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ----
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = container_.window();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (!inPlace_) return S_OK;
        UIDeactivate();
        inPlace_ = false;
        container_.reparent(nullptr);
        if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
        inPlaceSite_ = ComPtr<IOleInPlaceSite>();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override {
        if (!uiActive_) return S_OK;
        uiActive_ = false;
        if (frame_) frame_->SetActiveObject(nullptr, nullptr);
        if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
        frame_ = ComPtr<IOleInPlaceFrame>();
        uiWindow_ = ComPtr<IOleInPlaceUIWindow>();
        if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (!pos) return E_POINTER;
        placed_ = true;
        container_.place(*pos);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // ---- IOleControl ----
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* ci) override {
        if (!ci) return E_POINTER;
        ci->cb = sizeof *ci;
        ci->hAccel = nullptr;
        ci->cAccel = 0;
        ci->dwFlags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnMnemonic(LPMSG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override {
        frozen_ += freeze ? 1 : -1;
        if (frozen_ < 0) frozen_ = 0;
        return S_OK;
    }

    // ---- IViewObject2 ----
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                   LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                   ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (!dc || !bounds) return E_INVALIDARG;
        ensurePlaced();
        RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
        container_.paintInto(dc, r);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                          LOGPALETTE** out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) override {
        viewSink_ = ComPtr<IAdviseSink>(sink);
        viewAspects_ = aspects;
        viewAdvf_ = advf;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override {
        if (aspects) *aspects = viewAspects_;
        if (advf) *advf = viewAdvf_;
        if (sink) {
            *sink = viewSink_.get();
            if (*sink) (*sink)->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*,
                                        LPSIZEL size) override {
        return GetExtent(aspect, size);
    }

    // ---- ISupportErrorInfo ----
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == iid_ || riid == IID_IDispatch ? S_OK : S_FALSE;
    }

    // ---- SurfaceOwner ----
    ErrorOr<void> propertyChanged(std::u16string_view name) override {
        dirty_ = true;
        // The name is looked up only when someone listens: most assignments have no listener.
        if (notify_.hasConnections()) {
            auto id = dispatcher_ ? dispatcher_->findIdOfName(name) : std::nullopt;
            const DISPID dispid = id ? *id : DISPID_UNKNOWN;
            for (const Connection& c : notify_.connections())
                static_cast<IPropertyNotifySink*>(c.sink.get())->OnChanged(dispid);
        }
        if (viewSink_) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
        return {};
    }
    ErrorOr<void> raiseEvent(DispId id, EventArgs args) override {
        return tessivra::raiseEvent(*info_.Class, this, id, args);
    }
    ErrorOr<FontRef> ambientFont() override {
        if (ambient_) {
            VARIANT v;
            VariantInit(&v);
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            if (SUCCEEDED(ambient_->Invoke(DISPID_AMBIENT_FONT, IID_NULL, LOCALE_USER_DEFAULT,
                                           DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr))) {
                Value font;
                const bool ok = SUCCEEDED(toMemberValue(v, MemberType::Font, font)) &&
                                font.type() == ValueType::Font;
                VariantClear(&v);
                if (ok) return font.font();
            }
        }
        // No site, or one without an ambient font: the desktop's default dialog font.
        return newFont({u"MS Sans Serif", 8.25f});
    }
    ErrorOr<void> resized() override { return control_->UserControl_Resize(); }
    void activatedByUser() override {
        if (inPlace_ && !uiActive_ && inPlaceSite_) activate(site_.get(), true, nullptr, nullptr);
    }

    // ---- EventSink: the form's side, reached through the connection point ----
    ErrorOr<void> Invoke(DispId event, EventArgs args) override {
        if (frozen_ > 0 || !events_.hasConnections()) return {};
        for (const Connection& c : events_.connections()) {
            std::array<VARIANT, EventArgStore::MaxParams> v{};
            std::array<SHORT, EventArgStore::MaxParams> shorts{};
            std::array<float, EventArgStore::MaxParams> singles{};
            const std::size_t n = std::min(args.size(), v.size());
            // Last argument first, each by reference to a local the handler may change.
            for (std::size_t i = 0; i < n; ++i) {
                VARIANT& slot = v[n - 1 - i];
                if (args[i].type() == ValueType::I2) {
                    shorts[i] = args[i].i2();
                    V_VT(&slot) = VT_BYREF | VT_I2;
                    V_I2REF(&slot) = &shorts[i];
                } else {
                    singles[i] = args[i].r4();
                    V_VT(&slot) = VT_BYREF | VT_R4;
                    V_R4REF(&slot) = &singles[i];
                }
            }
            DISPPARAMS dp{v.data(), nullptr, static_cast<UINT>(n), 0};
            EXCEPINFO ei{};
            auto* sink = static_cast<IDispatch*>(c.sink.get());
            HRESULT hr = sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp,
                                      nullptr, &ei, nullptr);
            for (std::size_t i = 0; i < n; ++i) {
                if (args[i].type() == ValueType::I2)
                    args[i].i2() = shorts[i];
                else
                    args[i].r4() = singles[i];
            }
            if (hr == DISP_E_EXCEPTION) {
                Error e{ei.scode, fromBstr(ei.bstrDescription)};
                SysFreeString(ei.bstrDescription);
                SysFreeString(ei.bstrSource);
                SysFreeString(ei.bstrHelpFile);
                if ((static_cast<std::uint32_t>(e.code) & 0xFFFF0000u) == 0x800A0000u)
                    e.code &= 0xFFFF;
                return e;
            }
        }
        return {};
    }

private:
    // The first placement at the class's design size, before anything that needs the control
    // laid out, for a client that never sizes it (a script host).
    HRESULT ensurePlaced() {
        if (placed_) return S_OK;
        placed_ = true;
        RECT r{0, 0, toPixels(info_.Class->designWidth), toPixels(info_.Class->designHeight)};
        container_.place(r);
        return S_OK;
    }

    bool isObjectArg(const VARIANT& v) const {
        VARTYPE t = V_VT(&v) & ~VT_BYREF;
        return t == VT_DISPATCH || t == VT_UNKNOWN;
    }

    HRESULT activate(IOleClientSite* site, bool ui, HWND parentHint, LPCRECT posHint) {
        if (!site) site = site_.get();
        if (!site) return E_INVALIDARG;
        if (!inPlace_) {
            ComPtr<IOleInPlaceSite> ips;
            if (FAILED(
                    site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(ips.put()))))
                return OLEOBJ_E_INVALIDVERB;
            if (ips->CanInPlaceActivate() != S_OK) return E_FAIL;
            ips->OnInPlaceActivate();
            HWND parent = nullptr;
            ips->GetWindow(&parent);
            if (!parent) parent = parentHint;
            ComPtr<IOleInPlaceFrame> frame;
            ComPtr<IOleInPlaceUIWindow> doc;
            RECT pos{}, clip{};
            OLEINPLACEFRAMEINFO fi{};
            fi.cb = sizeof fi;
            ips->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &fi);
            if (IsRectEmpty(&pos) && posHint) pos = *posHint;
            inPlaceSite_ = ips;
            frame_ = frame;
            uiWindow_ = doc;
            inPlace_ = true;
            container_.reparent(parent);
            placed_ = true;
            container_.place(pos);
            container_.setVisible(true);
        }
        if (ui && !uiActive_) {
            uiActive_ = true;
            inPlaceSite_->OnUIActivate();
            auto* active = static_cast<IOleInPlaceActiveObject*>(this);
            if (frame_) frame_->SetActiveObject(active, nullptr);
            if (uiWindow_) uiWindow_->SetActiveObject(active, nullptr);
            HWND focus = GetFocus();
            if (!focus || !IsChild(container_.window(), focus)) container_.focusFirst();
        }
        return S_OK;
    }

    static const void* const* vtableFor(const ControlClass& cls);
    friend struct Thunks;

    std::atomic<long> refs_ = 1;
    const ControlClassInfo& info_;
    IID iid_, srcIid_, clsid_;
    DualInterface dual_{};
    ConnectionPoint events_;
    ConnectionPoint notify_;
    Win32Container container_;
    Win32Runtime runtime_;
    Win32Shell shell_;
    Win32Objects objects_;
    ControlHandle control_;
    std::unique_ptr<Dispatcher> dispatcher_;
    std::vector<VtableSlot> slots_ = vtableSlots(*info_.Class);
    ComPtr<IOleClientSite> site_;
    // The storage a container handed over to save into again; given back on HandsOffStorage.
    ComPtr<IStorage> storage_;
    static constexpr const wchar_t* kContents = L"Contents";
    ComPtr<IDispatch> ambient_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    ComPtr<IOleAdviseHolder> oleAdvise_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0, viewAdvf_ = 0;
    bool placed_ = false, inPlace_ = false, uiActive_ = false, dirty_ = false;
    int frozen_ = 0;
};

// ---- the dual interface's vtable --------------------------------------------------------------

// Every property slot takes one machine word after `this` (a value of at most 32 bits, or a
// pointer to where a read value goes), so one thunk per slot number serves every class; the slot
// number finds the member in the object's own slot list. Only PopupMenu takes more.
struct Thunks {
    static ControlObject* of(DualInterface* d) { return d->self; }

    static HRESULT STDMETHODCALLTYPE qi(DualInterface* d, REFIID riid, void** out) {
        return of(d)->QueryInterface(riid, out);
    }
    static ULONG STDMETHODCALLTYPE addRef(DualInterface* d) { return of(d)->AddRef(); }
    static ULONG STDMETHODCALLTYPE release(DualInterface* d) { return of(d)->Release(); }
    static HRESULT STDMETHODCALLTYPE typeInfoCount(DualInterface*, UINT* n) {
        if (!n) return E_POINTER;
        *n = 1;
        return S_OK;
    }
    static HRESULT STDMETHODCALLTYPE typeInfo(DualInterface* d, UINT i, LCID, ITypeInfo** out) {
        return of(d)->getTypeInfo(i, out);
    }
    static HRESULT STDMETHODCALLTYPE idsOfNames(DualInterface* d, REFIID, LPOLESTR* names, UINT n,
                                                LCID, DISPID* ids) {
        return of(d)->getIDsOfNames(names, n, ids);
    }
    static HRESULT STDMETHODCALLTYPE invoke(DualInterface* d, DISPID id, REFIID riid, LCID,
                                            WORD flags, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                                            UINT* a) {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return of(d)->invoke(id, flags, p, r, e, a);
    }

    template <std::size_t N> static HRESULT STDMETHODCALLTYPE slot(DualInterface* d, UINT_PTR arg) {
        ControlObject* o = of(d);
        return o->slots_[N].kind == InvokeKind::Get ? o->slotGet(N, arg) : o->slotPut(N, arg);
    }
    template <std::size_t N>
    static HRESULT STDMETHODCALLTYPE call(DualInterface* d, IDispatch* menu, VARIANT flags,
                                          VARIANT x, VARIANT y, VARIANT def) {
        const VARIANT rest[4] = {flags, x, y, def};
        return of(d)->slotCall(N, menu, rest);
    }

    static constexpr std::size_t MaxSlots = 48;
    template <std::size_t... I>
    static std::array<const void*, MaxSlots> slots(std::index_sequence<I...>) {
        return {reinterpret_cast<const void*>(&slot<I>)...};
    }
    template <std::size_t... I>
    static std::array<const void*, MaxSlots> calls(std::index_sequence<I...>) {
        return {reinterpret_cast<const void*>(&call<I>)...};
    }
};

const void* const* ControlObject::vtableFor(const ControlClass& cls) {
    static std::map<const ControlClass*, std::vector<const void*>> tables;
    auto& t = tables[&cls];
    if (t.empty()) {
        static const auto slotThunks = Thunks::slots(std::make_index_sequence<Thunks::MaxSlots>());
        static const auto callThunks = Thunks::calls(std::make_index_sequence<Thunks::MaxSlots>());
        t = {reinterpret_cast<const void*>(&Thunks::qi),
             reinterpret_cast<const void*>(&Thunks::addRef),
             reinterpret_cast<const void*>(&Thunks::release),
             reinterpret_cast<const void*>(&Thunks::typeInfoCount),
             reinterpret_cast<const void*>(&Thunks::typeInfo),
             reinterpret_cast<const void*>(&Thunks::idsOfNames),
             reinterpret_cast<const void*>(&Thunks::invoke)};
        const auto slots = vtableSlots(cls);
        for (std::size_t i = 0; i < slots.size() && i < Thunks::MaxSlots; ++i)
            t.push_back(slots[i].kind == InvokeKind::Call ? callThunks[i] : slotThunks[i]);
    }
    return t.data();
}

} // namespace

HRESULT createControlObject(const ControlClassInfo& info, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!info.Class) return CLASS_E_CLASSNOTAVAILABLE;
    auto* object = new ControlObject(info);
    auto made = object->init();
    if (made.isError()) {
        object->Release();
        return errorScode(made.error().code);
    }
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

} // namespace tessivra::win32
