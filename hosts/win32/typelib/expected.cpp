#include "hosts/win32/typelib/type_library.h"

#include <cstdio>

namespace tessivra::typelib {

namespace {

std::string hex(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%lx", v);
    return buf;
}

// The standard types as the reader names them: by name and identifier in the imported library.
std::string importedType(std::string_view name) {
    for (const ImportedType& t : ImportedTypes)
        if (t.name == name) {
            std::string out = "user(";
            out += name;
            out += ' ';
            out += t.guid.toString();
            out += ')';
            return out;
        }
    return "missing " + std::string(name);
}

// A value of a member type, as the reader writes types ("vt2", "ptr(user(Font {...}))").
std::string valueText(MemberType t) {
    switch (t) {
    case MemberType::Void:
        return "vt" + std::to_string(VT_VOID);
    case MemberType::I2:
        return "vt" + std::to_string(VT_I2);
    case MemberType::I4:
        return "vt" + std::to_string(VT_I4);
    case MemberType::Bool:
        return "vt" + std::to_string(VT_BOOL);
    case MemberType::BSTR:
        return "vt" + std::to_string(VT_BSTR);
    case MemberType::R4:
        return "vt" + std::to_string(VT_R4);
    case MemberType::Variant:
        return "vt" + std::to_string(VT_VARIANT);
    case MemberType::IDispatch:
        return "vt" + std::to_string(VT_DISPATCH);
    case MemberType::OleColor:
        return importedType("OLE_COLOR");
    case MemberType::Font:
        return "ptr(" + importedType("Font") + ")";
    case MemberType::Picture:
        return "ptr(" + importedType("Picture") + ")";
    }
    return "?";
}

std::string quoted(std::u16string_view s) {
    std::string out(1, '"');
    out += toUtf8(s);
    out += '"';
    return out;
}

// A type's own line, as describeType writes it.
std::string typeLine(const std::string& prefix, std::string_view name, TYPEKIND kind,
                     const Guid& guid, std::uint16_t flags, std::size_t funcs,
                     std::size_t implemented, std::size_t vtable) {
    std::string line = prefix;
    line += " name=";
    line += name;
    line += " kind=" + std::to_string(kind) + " guid=" + guid.toString() + " flags=" + hex(flags) +
            " version=1.0 lcid=0 funcs=" + std::to_string(funcs) +
            " vars=0 implemented=" + std::to_string(implemented) +
            " vtable=" + std::to_string(vtable) + " doc=\"\" context=0";
    return line;
}

std::string functionLine(const std::string& prefix, std::size_t index, DispId id, INVOKEKIND invoke,
                         FUNCKIND kind, int optional, const std::string& returns,
                         const std::vector<std::string>& params, const std::string& names,
                         std::u16string_view doc) {
    std::string line = prefix + " func " + std::to_string(index) +
                       " id=" + hex(static_cast<unsigned long>(static_cast<std::uint32_t>(id))) +
                       " invoke=" + std::to_string(invoke) + " kind=" + std::to_string(kind) +
                       " call=" + std::to_string(CC_STDCALL) +
                       " flags=0x0 optional=" + std::to_string(optional) + " returns=" + returns;
    for (std::size_t p = 0; p < params.size(); ++p)
        line += " p" + std::to_string(p) + "=" + params[p];
    line += " names=" + names + " doc=" + quoted(doc) + " context=0";
    return line;
}

std::string flagged(const std::string& type, unsigned flags) {
    return type + "/" + hex(flags);
}

const std::string kDispatchBase = "IDispatch {00020400-0000-0000-C000-000000000046} flags=0x0";

} // namespace

std::vector<std::string> expectedDescription(std::span<const ControlClassInfo> classes) {
    const LibraryInfo& lib = Library;
    std::vector<std::string> out;
    // A library read from a file also says so (LIBFLAG_FHASDISKIMAGE).
    out.push_back("library name=" + std::string(lib.name) + " guid=" + lib.libid.toString() +
                  " lcid=" + std::to_string(lib.locale) + " system=" + std::to_string(kSystem) +
                  " version=" + versionText(lib) +
                  " flags=" + hex(lib.libraryFlags | LIBFLAG_FHASDISKIMAGE));
    out.push_back("library doc=\"" + std::string(lib.description) + "\" helpfile=\"" +
                  std::string(lib.helpFile) + "\" context=0");
    const std::vector<TypeDescription> types = typeDescriptions(classes);
    std::size_t count = 0;
    for (const TypeDescription& t : types)
        count += t.cls->Class ? 1 : 0;
    out.push_back("library types=" + std::to_string(count));

    const std::string hresult = "vt" + std::to_string(VT_HRESULT);
    constexpr std::size_t kPointer = sizeof(void*);
    constexpr std::size_t kDispatchMethods = 7; // IUnknown's three and IDispatch's four
    std::size_t index = 0;
    for (const TypeDescription& t : types) {
        if (!t.cls->Class) continue;
        const ControlClass& c = *t.cls->Class;
        const std::string prefix = "type " + std::to_string(index++);
        switch (t.kind) {
        case TypeKind::DualInterface: {
            // What the automation library derives for the dispatch half is compared with
            // widl's library; here the interface half, which is what the writer was told.
            const std::string half = prefix + " interface";
            std::vector<std::string> funcs;
            std::size_t n = 0;
            for (const DispatchMember& m : c.members) {
                const std::string name = toUtf8(m.name);
                if (m.access & access::Call) {
                    std::vector<std::string> params;
                    std::string names = name;
                    int optional = 0;
                    for (const ParamInfo& p : m.params) {
                        params.push_back(flagged(
                            valueText(p.type), PARAMFLAG_FIN | (p.optional ? PARAMFLAG_FOPT : 0)));
                        names += ',';
                        names += toUtf8(p.name);
                        optional += p.optional ? 1 : 0;
                    }
                    funcs.push_back(functionLine(half, n++, m.id, INVOKE_FUNC, FUNC_PUREVIRTUAL,
                                                 optional, hresult, params, names, m.doc));
                    continue;
                }
                const std::string value = valueText(m.type);
                if (m.access & access::Get)
                    funcs.push_back(functionLine(
                        half, n++, m.id, INVOKE_PROPERTYGET, FUNC_PUREVIRTUAL, 0, hresult,
                        {flagged("ptr(" + value + ")", PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)}, name,
                        m.doc));
                if (m.access & access::Let)
                    funcs.push_back(functionLine(half, n++, m.id, INVOKE_PROPERTYPUT,
                                                 FUNC_PUREVIRTUAL, 0, hresult,
                                                 {flagged(value, PARAMFLAG_FIN)}, name, m.doc));
                if (m.access & access::Set)
                    funcs.push_back(functionLine(half, n++, m.id, INVOKE_PROPERTYPUTREF,
                                                 FUNC_PUREVIRTUAL, 0, hresult,
                                                 {flagged(value, PARAMFLAG_FIN)}, name, m.doc));
            }
            out.push_back(typeLine(half, t.name, TKIND_INTERFACE, t.guid, t.flags, n, 1,
                                   (kDispatchMethods + n) * kPointer));
            out.push_back(half + " implements 0 " + kDispatchBase);
            out.insert(out.end(), funcs.begin(), funcs.end());
            break;
        }
        case TypeKind::Coclass:
            out.push_back(typeLine(prefix, t.name, TKIND_COCLASS, t.guid, t.flags, 0, 2, 0));
            out.push_back(prefix + " implements 0 " + std::string(t.cls->DefaultInterface.name) +
                          " " + t.cls->DefaultInterface.iid.toString() +
                          " flags=" + hex(IMPLTYPEFLAG_FDEFAULT));
            out.push_back(prefix + " implements 1 " + std::string(t.cls->EventInterface.name) +
                          " " + t.cls->EventInterface.iid.toString() +
                          " flags=" + hex(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));
            break;
        case TypeKind::EventInterface: {
            out.push_back(typeLine(prefix, t.name, TKIND_DISPATCH, t.guid, t.flags, c.events.size(),
                                   1, kDispatchMethods * kPointer));
            out.push_back(prefix + " implements 0 " + kDispatchBase);
            std::size_t n = 0;
            for (const EventInfo& e : c.events) {
                std::vector<std::string> params;
                std::string names = toUtf8(e.name);
                for (const ParamInfo& p : e.params) {
                    params.push_back(
                        flagged("ptr(" + valueText(p.type) + ")", PARAMFLAG_FIN | PARAMFLAG_FOUT));
                    names += ',';
                    names += toUtf8(p.name);
                }
                out.push_back(functionLine(prefix, n++, e.id, INVOKE_FUNC, FUNC_DISPATCH, 0,
                                           "vt" + std::to_string(VT_VOID), params, names, e.doc));
            }
            break;
        }
        }
    }
    return out;
}

} // namespace tessivra::typelib
