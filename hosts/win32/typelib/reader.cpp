#include "hosts/win32/typelib/type_library.h"

#include <oleauto.h>

#include <cstdio>

namespace tessivra::typelib {

namespace {

std::string narrowOf(const wchar_t* s, std::size_t n) {
    std::u16string text(reinterpret_cast<const char16_t*>(s), n);
    return toUtf8(text);
}

std::string takeBstr(BSTR s) {
    std::string out = s ? narrowOf(s, SysStringLen(s)) : std::string();
    SysFreeString(s);
    return out;
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string hex(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%lx", v);
    return buf;
}

std::string guidText(const GUID& g) {
    Guid out(g.Data1, g.Data2, g.Data3, {});
    for (std::size_t i = 0; i < 8; ++i)
        out.data4[i] = g.Data4[i];
    return out.toString();
}

// A referenced type by name and identifier.
std::string referenced(ITypeInfo* from, HREFTYPE ref) {
    ITypeInfo* target = nullptr;
    if (FAILED(from->GetRefTypeInfo(ref, &target))) return "unresolved";
    BSTR name = nullptr;
    target->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    std::string out = takeBstr(name);
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(target->GetTypeAttr(&attr))) {
        out += ' ';
        out += guidText(attr->guid);
        target->ReleaseTypeAttr(attr);
    }
    target->Release();
    return out;
}

std::string typeText(ITypeInfo* from, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR:
        return "ptr(" + typeText(from, *t.lptdesc) + ")";
    case VT_SAFEARRAY:
        return "array(" + typeText(from, *t.lptdesc) + ")";
    case VT_USERDEFINED:
        return "user(" + referenced(from, t.hreftype) + ")";
    default:
        return "vt" + std::to_string(t.vt);
    }
}

void describeFunctions(ITypeInfo* info, const TYPEATTR& attr, const std::string& prefix,
                       std::vector<std::string>& out) {
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) {
            out.push_back(prefix + " func " + std::to_string(i) + " unreadable");
            continue;
        }
        std::string line = prefix + " func " + std::to_string(i) +
                           " id=" + hex(static_cast<unsigned long>(f->memid)) +
                           " invoke=" + std::to_string(f->invkind) +
                           " kind=" + std::to_string(f->funckind) +
                           " call=" + std::to_string(f->callconv) + " flags=" + hex(f->wFuncFlags) +
                           " optional=" + std::to_string(f->cParamsOpt) +
                           " returns=" + typeText(info, f->elemdescFunc.tdesc);
        for (SHORT p = 0; p < f->cParams; ++p) {
            const ELEMDESC& e = f->lprgelemdescParam[p];
            line += " p" + std::to_string(p) + "=" + typeText(info, e.tdesc) + "/" +
                    hex(e.paramdesc.wParamFlags);
        }
        BSTR names[16] = {};
        UINT count = 0;
        info->GetNames(f->memid, names, 16, &count);
        // A property's getter and putter share an identifier; GetNames answers for the first.
        line += " names=";
        for (UINT n = 0; n < count; ++n) {
            if (n) line += ',';
            line += takeBstr(names[n]);
        }
        BSTR doc = nullptr;
        DWORD context = 0;
        info->GetDocumentation(f->memid, nullptr, &doc, &context, nullptr);
        line += " doc=" + quoted(takeBstr(doc)) + " context=" + std::to_string(context);
        out.push_back(line);
        info->ReleaseFuncDesc(f);
    }
}

void describeType(ITypeInfo* info, const std::string& prefix, std::vector<std::string>& out) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) {
        out.push_back(prefix + " unreadable");
        return;
    }
    BSTR name = nullptr, doc = nullptr;
    DWORD context = 0;
    info->GetDocumentation(MEMBERID_NIL, &name, &doc, &context, nullptr);
    out.push_back(prefix + " name=" + takeBstr(name) + " kind=" + std::to_string(attr->typekind) +
                  " guid=" + guidText(attr->guid) + " flags=" + hex(attr->wTypeFlags) +
                  " version=" + std::to_string(attr->wMajorVerNum) + "." +
                  std::to_string(attr->wMinorVerNum) + " lcid=" + std::to_string(attr->lcid) +
                  " funcs=" + std::to_string(attr->cFuncs) + " vars=" +
                  std::to_string(attr->cVars) + " implemented=" + std::to_string(attr->cImplTypes) +
                  " vtable=" + std::to_string(attr->cbSizeVft) + " doc=" + quoted(takeBstr(doc)) +
                  " context=" + std::to_string(context));
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        HREFTYPE ref = 0;
        INT flags = 0;
        info->GetRefTypeOfImplType(i, &ref);
        info->GetImplTypeFlags(i, &flags);
        out.push_back(prefix + " implements " + std::to_string(i) + " " + referenced(info, ref) +
                      " flags=" + hex(static_cast<unsigned long>(flags)));
    }
    describeFunctions(info, *attr, prefix, out);
    // A dual interface reads as a dispatch interface; its other half is the interface proper.
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (!dual) return;
    HREFTYPE half = 0;
    ITypeInfo* interfaceHalf = nullptr;
    if (FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &half)) ||
        FAILED(info->GetRefTypeInfo(half, &interfaceHalf))) {
        out.push_back(prefix + " interface half unreadable");
        return;
    }
    describeType(interfaceHalf, prefix + " interface", out);
    interfaceHalf->Release();
}

} // namespace

std::vector<std::string> describeTypeLibrary(ITypeLib* library) {
    std::vector<std::string> out;
    TLIBATTR* attr = nullptr;
    if (FAILED(library->GetLibAttr(&attr))) return {"library unreadable"};
    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    DWORD context = 0;
    library->GetDocumentation(-1, &name, &doc, &context, &helpFile);
    out.push_back("library name=" + takeBstr(name) + " guid=" + guidText(attr->guid) + " lcid=" +
                  std::to_string(attr->lcid) + " system=" + std::to_string(attr->syskind) +
                  " version=" + std::to_string(attr->wMajorVerNum) + "." +
                  std::to_string(attr->wMinorVerNum) + " flags=" + hex(attr->wLibFlags));
    out.push_back("library doc=" + quoted(takeBstr(doc)) + " helpfile=" +
                  quoted(takeBstr(helpFile)) + " context=" + std::to_string(context));
    library->ReleaseTLibAttr(attr);
    const UINT count = library->GetTypeInfoCount();
    out.push_back("library types=" + std::to_string(count));
    for (UINT i = 0; i < count; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(i, &info))) {
            out.push_back("type " + std::to_string(i) + " unreadable");
            continue;
        }
        describeType(info, "type " + std::to_string(i), out);
        info->Release();
    }
    return out;
}

} // namespace tessivra::typelib
