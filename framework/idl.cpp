#include "framework/idl.h"

#include <array>
#include <cstdio>

namespace tessivra {

std::vector<TypeDescription> typeDescriptions(std::span<const ControlClassInfo> classes) {
    std::vector<TypeDescription> d;
    d.reserve(3 * classes.size());
    for (const ControlClassInfo& c : classes) {
        d.push_back({c.DefaultInterface.name, TypeKind::DualInterface, c.DefaultInterface.iid,
                     DualInterfaceFlags, 1, 0, &c});
        d.push_back({c.Name, TypeKind::Coclass, c.Clsid, CoclassFlags, 1, 0, &c});
    }
    for (const ControlClassInfo& c : classes)
        d.push_back({c.EventInterface.name, TypeKind::EventInterface, c.EventInterface.iid,
                     EventInterfaceFlags, 1, 0, &c});
    return d;
}

std::string_view idlTypeName(MemberType t) {
    switch (t) {
    case MemberType::Void:
        return "void";
    case MemberType::I2:
        return "short";
    case MemberType::I4:
        return "long";
    case MemberType::Bool:
        return "VARIANT_BOOL";
    case MemberType::BSTR:
        return "BSTR";
    case MemberType::OleColor:
        return "OLE_COLOR";
    case MemberType::Font:
        return "Font*";
    case MemberType::Picture:
        return "Picture*";
    case MemberType::R4:
        return "float";
    case MemberType::Variant:
        return "VARIANT";
    case MemberType::IDispatch:
        return "IDispatch*";
    }
    return "void";
}

namespace {

// Names in the tables are plain ASCII identifiers.
std::string narrow(std::u16string_view s) {
    return toUtf8(s);
}

// A GUID as uuid() takes it: no braces.
std::string uuidText(const Guid& g) {
    std::string s = g.toString();
    return s.substr(1, s.size() - 2);
}

std::string quoted(std::u16string_view text) {
    std::string out = "\"";
    for (char c : narrow(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string idText(DispId id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", static_cast<std::uint32_t>(id));
    return buf;
}

std::string memberAttributes(const DispatchMember& m, std::string_view kind) {
    std::string a = "        [id(" + idText(m.id) + ")";
    if (!kind.empty()) a += ", " + std::string(kind);
    if (!m.doc.empty()) a += ", helpstring(" + quoted(m.doc) + ")";
    return a + "]\n";
}

void writeDualInterface(std::string& out, const ControlClassInfo& c) {
    out += "    [\n        uuid(" + uuidText(c.DefaultInterface.iid) +
           "),\n        version(1.0),\n        hidden,\n        dual,\n        nonextensible,\n"
           "        oleautomation\n    ]\n";
    out += "    interface " + std::string(c.DefaultInterface.name) + " : IDispatch {\n";
    for (const DispatchMember& m : c.Class->members) {
        const std::string name = narrow(m.name);
        const std::string type(idlTypeName(m.type));
        if (m.access & access::Call) {
            out += memberAttributes(m, "");
            out += "        HRESULT " + name + "(";
            for (std::size_t i = 0; i < m.params.size(); ++i) {
                const ParamInfo& p = m.params[i];
                if (i) out += ", ";
                out += p.optional ? "[in, optional] " : "[in] ";
                out += std::string(idlTypeName(p.type)) + " " + narrow(p.name);
            }
            out += ");\n";
            continue;
        }
        // The getter comes before the let or set, and neither names its value parameter.
        if (m.access & access::Get) {
            out += memberAttributes(m, "propget");
            out += "        HRESULT " + name + "([out, retval] " + type + "*);\n";
        }
        if (m.access & access::Let) {
            out += memberAttributes(m, "propput");
            out += "        HRESULT " + name + "([in] " + type + ");\n";
        }
        if (m.access & access::Set) {
            out += memberAttributes(m, "propputref");
            out += "        HRESULT " + name + "([in] " + type + ");\n";
        }
    }
    out += "    };\n\n";
}

void writeCoclass(std::string& out, const ControlClassInfo& c) {
    // noncreatable keeps the coclass flags to the control flag alone; the container creates
    // instances through the class table, not through the type library.
    out += "    [\n        uuid(" + uuidText(c.Clsid) +
           "),\n        version(1.0),\n        noncreatable,\n        control\n    ]\n";
    out += "    coclass " + std::string(c.Name) + " {\n";
    out += "        [default] interface " + std::string(c.DefaultInterface.name) + ";\n";
    out += "        [default, source] dispinterface " + std::string(c.EventInterface.name) + ";\n";
    out += "    };\n\n";
}

void writeEventInterface(std::string& out, const ControlClassInfo& c) {
    out += "    [\n        uuid(" + uuidText(c.EventInterface.iid) +
           "),\n        EVENT_FLAGS\n    ]\n";
    out += "    dispinterface " + std::string(c.EventInterface.name) + " {\n";
    out += "    properties:\n    methods:\n";
    for (const EventInfo& e : c.Class->events) {
        out += "        [id(" + idText(e.id) + ")";
        if (!e.doc.empty()) out += ", helpstring(" + quoted(e.doc) + ")";
        out += "]\n        void " + narrow(e.name) + "(";
        // Every event argument goes by reference both ways: the form's handler may change it.
        for (std::size_t i = 0; i < e.params.size(); ++i) {
            if (i) out += ", ";
            out += "[in, out] " + std::string(idlTypeName(e.params[i].type)) + "* " +
                   narrow(e.params[i].name);
        }
        out += ");\n";
    }
    out += "    };\n\n";
}

} // namespace

std::string generateIdl(std::span<const ControlClassInfo> classes) {
    const LibraryInfo& lib = Library;
    std::string out;
    out += "// Interface description of the " + std::string(lib.name) +
           " control library, generated by tessivra-idl\n"
           "// from the library's class and member tables. Do not edit: regenerate.\n\n";

    std::string missing;
    for (const ControlClassInfo& c : classes)
        if (!c.Class) missing += (missing.empty() ? "" : ", ") + std::string(c.Name);
    if (!missing.empty()) out += "// Not part of this build, and so left out: " + missing + ".\n\n";

    out += "import \"oaidl.idl\";\nimport \"ocidl.idl\";\n\n";
    out += "// The standard automation font and picture, taken from " +
           std::string(StdOle.fileName) + " by name.\n";
    for (const ImportedType& t : ImportedTypes)
        if (!t.aliasOf.empty())
            out += "typedef [uuid(" + uuidText(t.guid) + "), public] " + std::string(t.aliasOf) +
                   " " + std::string(t.name) + ";\n";
    out += "\n";

    // widl takes neither a version nor nonextensible on a dispinterface; other compilers get the
    // event interfaces' full attributes.
    out += "#ifdef __WIDL__\n#define EVENT_FLAGS hidden\n#else\n"
           "#define EVENT_FLAGS version(1.0), hidden, nonextensible\n#endif\n\n";

    // Declared ahead, outside the library, so that each coclass can name its event interface
    // while the description still defines the event interfaces last, in the library's order.
    // (widl writes a type when it is first named, so its output has each event interface right
    // after its coclass; scripts/check-idl.sh knows this.)
    for (const ControlClassInfo& c : classes)
        if (c.Class) out += "dispinterface " + std::string(c.EventInterface.name) + ";\n";
    out += "\n";

    char version[32];
    std::snprintf(version, sizeof version, "%u.%u", lib.majorVersion, lib.minorVersion);
    out += "[\n    uuid(" + uuidText(lib.libid) + "),\n    version(" + version + "),\n";
    if (lib.libraryFlags & LibFlagControl) out += "    control,\n";
    out += "    helpstring(" + quoted(fromUtf8(lib.description)) + "),\n";
    out += "    helpfile(" + quoted(fromUtf8(lib.helpFile)) + ")\n]\n";
    out += "library " + std::string(lib.name) + "\n{\n";
    out += "    importlib(\"" + std::string(StdOle.fileName) + "\");\n\n";

    for (const TypeDescription& t : typeDescriptions(classes)) {
        if (!t.cls->Class) continue;
        switch (t.kind) {
        case TypeKind::DualInterface:
            writeDualInterface(out, *t.cls);
            break;
        case TypeKind::Coclass:
            writeCoclass(out, *t.cls);
            break;
        case TypeKind::EventInterface:
            writeEventInterface(out, *t.cls);
            break;
        }
    }
    out += "};\n";
    return out;
}

} // namespace tessivra
