#include "hosts/win32/typelib/type_library.h"

#include <oleauto.h>

#include <map>

namespace tessivra::typelib {

namespace {

GUID toGuid(const Guid& g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    for (std::size_t i = 0; i < 8; ++i)
        out.Data4[i] = g.data4[i];
    return out;
}

std::wstring wideOf(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
std::wstring wideOf(std::string_view s) {
    return std::wstring(s.begin(), s.end()); // the tables' names and texts are ASCII
}

// Releases a COM interface at the end of its scope.
template <typename T> struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    T** out() { return &p; }
};

// Stops at the first failing call, naming it.
#define CHECK(call)                                                                                \
    do {                                                                                           \
        const HRESULT hr_ = (call);                                                                \
        if (FAILED(hr_)) {                                                                         \
            failed = #call;                                                                        \
            return hr_;                                                                            \
        }                                                                                          \
    } while (0)

// The standard types the members use, as references from one type being described.
struct Imports {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* color = nullptr;
    ITypeInfo* font = nullptr;
    ITypeInfo* picture = nullptr;
};

// A member type's description. Pointer levels live in `storage`, which must outlive the use.
struct TypeBuilder {
    std::vector<std::unique_ptr<TYPEDESC>> storage;

    TYPEDESC* pointerTo(const TYPEDESC& inner) {
        storage.push_back(std::make_unique<TYPEDESC>(inner));
        return storage.back().get();
    }
    // The type a value of `t` has; references into the imported library for the standard types.
    HRESULT valueType(ICreateTypeInfo* info, const Imports& imports, MemberType t, TYPEDESC& out,
                      std::string& failed) {
        out = {};
        HREFTYPE ref = 0;
        switch (t) {
        case MemberType::Void:
            out.vt = VT_VOID;
            return S_OK;
        case MemberType::I2:
            out.vt = VT_I2;
            return S_OK;
        case MemberType::I4:
            out.vt = VT_I4;
            return S_OK;
        case MemberType::Bool:
            out.vt = VT_BOOL;
            return S_OK;
        case MemberType::BSTR:
            out.vt = VT_BSTR;
            return S_OK;
        case MemberType::R4:
            out.vt = VT_R4;
            return S_OK;
        case MemberType::Variant:
            out.vt = VT_VARIANT;
            return S_OK;
        case MemberType::IDispatch:
            out.vt = VT_DISPATCH;
            return S_OK;
        case MemberType::OleColor:
            CHECK(info->AddRefTypeInfo(imports.color, &ref));
            out.vt = VT_USERDEFINED;
            out.hreftype = ref;
            return S_OK;
        case MemberType::Font:
        case MemberType::Picture: {
            CHECK(
                info->AddRefTypeInfo(t == MemberType::Font ? imports.font : imports.picture, &ref));
            TYPEDESC named{};
            named.vt = VT_USERDEFINED;
            named.hreftype = ref;
            out.vt = VT_PTR;
            out.lptdesc = pointerTo(named);
            return S_OK;
        }
        }
        failed = "unknown member type";
        return E_INVALIDARG;
    }
};

// One function of a type: its parameters, flags and names, filled in by the caller.
struct Function {
    FUNCDESC desc{};
    std::vector<ELEMDESC> params;
    std::vector<std::wstring> names;
    std::u16string_view doc;
};

HRESULT addFunction(ICreateTypeInfo* info, UINT index, Function& f, std::string& failed) {
    f.desc.cParams = static_cast<SHORT>(f.params.size());
    f.desc.lprgelemdescParam = f.params.empty() ? nullptr : f.params.data();
    CHECK(info->AddFuncDesc(index, &f.desc));
    std::vector<LPOLESTR> names;
    for (std::wstring& n : f.names)
        names.push_back(n.data());
    CHECK(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())));
    if (!f.doc.empty()) {
        std::wstring doc = wideOf(f.doc);
        CHECK(info->SetFuncDocString(index, doc.data()));
    }
    return S_OK;
}

ELEMDESC element(const TYPEDESC& type, USHORT flags) {
    ELEMDESC e{};
    e.tdesc = type;
    e.paramdesc.wParamFlags = flags;
    return e;
}

HRESULT describeDualInterface(ICreateTypeInfo* info, const Imports& imports,
                              const ControlClassInfo& c, std::string& failed) {
    HREFTYPE base = 0;
    CHECK(info->AddRefTypeInfo(imports.dispatch, &base));
    CHECK(info->AddImplType(0, base));
    TypeBuilder types;
    UINT index = 0;
    for (const DispatchMember& m : c.Class->members) {
        auto start = [&](INVOKEKIND kind) {
            Function f;
            f.desc.memid = m.id;
            f.desc.funckind = FUNC_PUREVIRTUAL;
            f.desc.invkind = kind;
            f.desc.callconv = CC_STDCALL;
            f.desc.elemdescFunc.tdesc.vt = VT_HRESULT;
            f.names.push_back(wideOf(m.name));
            f.doc = m.doc;
            return f;
        };
        if (m.access & access::Call) {
            Function f = start(INVOKE_FUNC);
            // Optional arguments are variants and come last; the function counts them.
            for (const ParamInfo& p : m.params)
                f.desc.cParamsOpt = static_cast<SHORT>(f.desc.cParamsOpt + (p.optional ? 1 : 0));
            for (const ParamInfo& p : m.params) {
                TYPEDESC t;
                CHECK(types.valueType(info, imports, p.type, t, failed));
                f.params.push_back(
                    element(t, PARAMFLAG_FIN | (p.optional ? PARAMFLAG_FOPT : PARAMFLAG_NONE)));
                f.names.push_back(wideOf(p.name));
            }
            CHECK(addFunction(info, index++, f, failed));
            continue;
        }
        TYPEDESC value;
        CHECK(types.valueType(info, imports, m.type, value, failed));
        // The getter comes before the let or set; neither names its value parameter.
        if (m.access & access::Get) {
            Function f = start(INVOKE_PROPERTYGET);
            TYPEDESC result{};
            result.vt = VT_PTR;
            result.lptdesc = types.pointerTo(value);
            f.params.push_back(element(result, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL));
            CHECK(addFunction(info, index++, f, failed));
        }
        for (const auto& [bit, kind] : {std::pair{access::Let, INVOKE_PROPERTYPUT},
                                        std::pair{access::Set, INVOKE_PROPERTYPUTREF}}) {
            if (!(m.access & bit)) continue;
            Function f = start(kind);
            f.params.push_back(element(value, PARAMFLAG_FIN));
            CHECK(addFunction(info, index++, f, failed));
        }
    }
    return S_OK;
}

HRESULT describeEventInterface(ICreateTypeInfo* info, const Imports& imports,
                               const ControlClassInfo& c, std::string& failed) {
    TypeBuilder types;
    UINT index = 0;
    for (const EventInfo& e : c.Class->events) {
        Function f;
        f.desc.memid = e.id;
        f.desc.funckind = FUNC_DISPATCH;
        f.desc.invkind = INVOKE_FUNC;
        f.desc.callconv = CC_STDCALL;
        f.desc.elemdescFunc.tdesc.vt = VT_VOID;
        f.names.push_back(wideOf(e.name));
        f.doc = e.doc;
        // Every event argument goes by reference both ways: the form's handler may change it.
        for (const ParamInfo& p : e.params) {
            TYPEDESC t;
            CHECK(types.valueType(info, imports, p.type, t, failed));
            TYPEDESC byReference{};
            byReference.vt = VT_PTR;
            byReference.lptdesc = types.pointerTo(t);
            f.params.push_back(element(byReference, PARAMFLAG_FIN | PARAMFLAG_FOUT));
            f.names.push_back(wideOf(p.name));
        }
        CHECK(addFunction(info, index++, f, failed));
    }
    // A dispinterface is reached through IDispatch, whose seven methods the writer lists ahead
    // of the events, restricted, as it does for every dispinterface.
    HREFTYPE base = 0;
    CHECK(info->AddRefTypeInfo(imports.dispatch, &base));
    CHECK(info->AddImplType(0, base));
    return S_OK;
}

HRESULT describeCoclass(ICreateTypeInfo* info, ITypeInfo* dual, ITypeInfo* events,
                        std::string& failed) {
    HREFTYPE ref = 0;
    CHECK(info->AddRefTypeInfo(dual, &ref));
    CHECK(info->AddImplType(0, ref));
    CHECK(info->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT));
    CHECK(info->AddRefTypeInfo(events, &ref));
    CHECK(info->AddImplType(1, ref));
    CHECK(info->SetImplTypeFlags(1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));
    return S_OK;
}

TYPEKIND typeKind(TypeKind k) {
    switch (k) {
    case TypeKind::DualInterface:
        return TKIND_INTERFACE;
    case TypeKind::Coclass:
        return TKIND_COCLASS;
    case TypeKind::EventInterface:
        return TKIND_DISPATCH;
    }
    return TKIND_MAX;
}

} // namespace

std::wstring pathArgument(const char* argument) {
    const int n = MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

HRESULT writeTypeLibrary(const std::wstring& path, std::span<const ControlClassInfo> classes,
                         std::string& failed) {
    const LibraryInfo& lib = Library;
    Ref<ICreateTypeLib2> library;
    CHECK(CreateTypeLib2(kSystem, path.c_str(), library.out()));
    std::wstring name = wideOf(lib.name);
    std::wstring doc = wideOf(lib.description);
    std::wstring helpFile = wideOf(lib.helpFile);
    const GUID libid = toGuid(lib.libid);
    CHECK(library->SetName(name.data()));
    CHECK(library->SetGuid(libid));
    CHECK(library->SetLcid(lib.locale));
    CHECK(library->SetVersion(lib.majorVersion, lib.minorVersion));
    CHECK(library->SetLibFlags(lib.libraryFlags));
    CHECK(library->SetDocString(doc.data()));
    CHECK(library->SetHelpFileName(helpFile.data()));

    // The standard types come from the OLE Automation library, which the type library then
    // imports.
    Ref<ITypeLib> stdole;
    const std::wstring stdoleFile = wideOf(StdOle.fileName);
    CHECK(LoadTypeLib(stdoleFile.c_str(), stdole.out()));
    Ref<ITypeInfo> dispatch, color, font, picture;
    CHECK(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.out()));
    for (const ImportedType& t : ImportedTypes) {
        Ref<ITypeInfo>* slot = t.name == "OLE_COLOR" ? &color
                               : t.name == "Font"    ? &font
                               : t.name == "Picture" ? &picture
                                                     : nullptr;
        if (slot) CHECK(stdole->GetTypeInfoOfGuid(toGuid(t.guid), slot->out()));
    }
    if (!color.p || !font.p || !picture.p) {
        failed = "the standard colour, font and picture types";
        return TYPE_E_ELEMENTNOTFOUND;
    }
    const Imports imports{dispatch.p, color.p, font.p, picture.p};

    // Every type is made first, in the library's order, so that a coclass can refer to its
    // event interface before that is described.
    const std::vector<TypeDescription> types = typeDescriptions(classes);
    std::vector<std::unique_ptr<Ref<ICreateTypeInfo>>> made;
    std::map<std::string_view, ITypeInfo*> byName;
    std::vector<std::unique_ptr<Ref<ITypeInfo>>> readable;
    for (const TypeDescription& t : types) {
        if (!t.cls->Class) continue;
        auto info = std::make_unique<Ref<ICreateTypeInfo>>();
        std::wstring typeName = wideOf(t.name);
        CHECK(library->CreateTypeInfo(typeName.data(), typeKind(t.kind), info->out()));
        CHECK((*info)->SetGuid(toGuid(t.guid)));
        CHECK((*info)->SetVersion(t.majorVersion, t.minorVersion));
        CHECK((*info)->SetTypeFlags(t.flags));
        auto asTypeInfo = std::make_unique<Ref<ITypeInfo>>();
        CHECK((*info)->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(asTypeInfo->out())));
        byName[t.name] = asTypeInfo->p;
        readable.push_back(std::move(asTypeInfo));
        made.push_back(std::move(info));
    }
    std::size_t next = 0;
    for (const TypeDescription& t : types) {
        if (!t.cls->Class) continue;
        ICreateTypeInfo* info = made[next++]->p;
        switch (t.kind) {
        case TypeKind::DualInterface:
            CHECK(describeDualInterface(info, imports, *t.cls, failed));
            break;
        case TypeKind::Coclass:
            CHECK(describeCoclass(info, byName[t.cls->DefaultInterface.name],
                                  byName[t.cls->EventInterface.name], failed));
            break;
        case TypeKind::EventInterface:
            CHECK(describeEventInterface(info, imports, *t.cls, failed));
            break;
        }
    }
    // The flags once more, last: Wine's writer lets a dual interface's flags leak into the type
    // made after it while the types are being filled in.
    next = 0;
    for (const TypeDescription& t : types) {
        if (!t.cls->Class) continue;
        ICreateTypeInfo* info = made[next++]->p;
        CHECK(info->SetTypeFlags(t.flags));
        CHECK(info->LayOut());
    }
    CHECK(library->SaveAllChanges());
    return S_OK;
}

} // namespace tessivra::typelib
