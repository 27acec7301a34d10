// The Windows test container: drives the registered Tessivra.ocx the way a form designer and a
// running form do, and prints "N passed, M failed" at the end.
//
//   tessivra-container OCX_PATH            all the checks
//   tessivra-container OCX_PATH --bench    IDispatch::Invoke against DispInvoke, one run
//
// Run under Wine by scripts/check-win32.sh after regsvr32.

#include "com_helpers.h"
#include "import_patch.h"

#include "controls/shipped_classes.h"
#include "framework/idl.h"
#include "framework/registry/library.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

using namespace tessivra;
using testhost::Bag;
using testhost::Menu;
using testhost::NotifySink;
using TestSite = testhost::Site;
using TestSink = testhost::EventSink;

namespace {

int g_passed = 0, g_failed = 0;
std::wstring g_ocxPath;

void check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAIL: %s\n", what.c_str());
        std::fflush(stdout);
    }
}

std::string hex(long v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(v));
    return b;
}

std::string narrow(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring wide(std::string_view s) {
    return std::wstring(s.begin(), s.end());
}

GUID toGuid(const Guid& g) {
    GUID out{};
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    std::memcpy(out.Data4, g.data4.data(), 8);
    return out;
}

template <class I> struct Ptr {
    I* p = nullptr;
    Ptr() = default;
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    ~Ptr() { reset(); }
    void reset() {
        if (p) p->Release();
        p = nullptr;
    }
    I* operator->() const { return p; }
    I** put() {
        reset();
        return &p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const { return p != nullptr; }
};

struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    ~Var() { VariantClear(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
};

void pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<long>(GetTickCount() - end) < 0);
}

const ControlClassInfo& classNamed(std::string_view name) {
    for (const ControlClassInfo& c : shippedClasses())
        if (c.Name == name) return c;
    std::abort();
}

HRESULT create(const ControlClassInfo& c, IDispatch** out) {
    return CoCreateInstance(toGuid(c.Clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(out));
}

DISPID idOf(IDispatch* d, const wchar_t* name) {
    LPOLESTR n = const_cast<LPOLESTR>(name);
    DISPID id = DISPID_UNKNOWN;
    d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

HRESULT put(IDispatch* d, const wchar_t* name, VARIANT value, EXCEPINFO* ei = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dp{&value, &named, 1, 1};
    EXCEPINFO local{};
    HRESULT hr = d->Invoke(idOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &dp,
                           nullptr, ei ? ei : &local, nullptr);
    if (!ei) {
        SysFreeString(local.bstrDescription);
        SysFreeString(local.bstrSource);
    }
    return hr;
}

HRESULT putText(IDispatch* d, const wchar_t* name, const wchar_t* text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    HRESULT hr = put(d, name, v);
    VariantClear(&v);
    return hr;
}

HRESULT putLong(IDispatch* d, const wchar_t* name, long value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return put(d, name, v);
}

HRESULT get(IDispatch* d, const wchar_t* name, VARIANT* out) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return d->Invoke(idOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out,
                     nullptr, nullptr);
}

std::wstring getText(IDispatch* d, const wchar_t* name) {
    Var v;
    if (FAILED(get(d, name, &v.v))) return L"<failed>";
    if (FAILED(VariantChangeType(&v.v, &v.v, 0, VT_BSTR))) return L"<not text>";
    return V_BSTR(&v.v) ? V_BSTR(&v.v) : L"";
}

// ---- the form ---------------------------------------------------------------------------------

HWND g_form = nullptr;
HWND g_other = nullptr; // a plain edit box on the form, to move the focus to

void makeForm() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TessivraTestForm";
    RegisterClassW(&wc);
    g_form = CreateWindowExW(WS_EX_CONTROLPARENT, L"TessivraTestForm", L"Form1",
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                             wc.hInstance, nullptr);
    g_other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 400, 400, 100,
                              20, g_form, nullptr, wc.hInstance, nullptr);
}

// A control placed on the form and in-place active there.
struct Placed {
    Ptr<IDispatch> disp;
    Ptr<IOleObject> ole;
    TestSite* site = nullptr;
    HWND window = nullptr;
    ~Placed() {
        if (ole) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->SetClientSite(nullptr);
        }
        if (site) site->Release();
    }
};

bool place(Placed& p, const ControlClassInfo& c, int top) {
    if (FAILED(create(c, p.disp.put()))) return false;
    if (FAILED(p.disp->QueryInterface(IID_IOleObject, p.ole.putVoid()))) return false;
    p.site = new TestSite(g_form, RECT{10, top, 310, top + 60}, nullptr);
    p.ole->SetClientSite(p.site);
    Ptr<IPersistStreamInit> init;
    if (SUCCEEDED(p.disp->QueryInterface(IID_IPersistStreamInit, init.putVoid()))) init->InitNew();
    if (FAILED(p.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, p.site, 0, g_form, nullptr)))
        return false;
    Ptr<IOleInPlaceObject> ipo;
    if (FAILED(p.disp->QueryInterface(IID_IOleInPlaceObject, ipo.putVoid()))) return false;
    ipo->GetWindow(&p.window);
    return p.window && GetParent(p.window) == g_form;
}

HWND childOfClass(HWND parent, const wchar_t* cls, int index = 0) {
    HWND h = nullptr;
    for (int i = 0; i <= index; ++i) {
        h = FindWindowExW(parent, h, cls, nullptr);
        if (!h) return nullptr;
    }
    return h;
}

void typeInto(HWND edit, const std::wstring& text) {
    SetFocus(edit);
    for (wchar_t ch : text) {
        SHORT vk = ch == L'\r' ? VK_RETURN : VkKeyScanW(ch);
        const WPARAM key = static_cast<WPARAM>(vk & 0xFF);
        SendMessageW(edit, WM_KEYDOWN, key, 1);
        SendMessageW(edit, WM_CHAR, ch, 1);
        SendMessageW(edit, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }
}

// The message box the e-mail check shows, closed by the test when it appears.
std::wstring g_boxTitle, g_boxText;
int g_boxes = 0;

BOOL CALLBACK closeBox(HWND h, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() || std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(h))
        return TRUE;
    wchar_t title[256] = {}, text[1024] = {};
    GetWindowTextW(h, title, 256);
    GetDlgItemTextW(h, 0xFFFF, text, 1024);
    g_boxTitle = title;
    g_boxText = text;
    ++g_boxes;
    PostMessageW(h, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK boxTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumWindows(closeBox, 0);
}

// ---- ShellExecuteA, seen by patching the server's import ------------------------------------

std::string g_shellFile, g_shellOp;
int g_shellCalls = 0;

HINSTANCE WINAPI recordShellExecuteA(HWND, LPCSTR op, LPCSTR file, LPCSTR, LPCSTR, INT) {
    ++g_shellCalls;
    g_shellOp = op ? op : "";
    g_shellFile = file ? file : "";
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

bool patchShellExecute() {
    return testhost::patchImport(GetModuleHandleW(L"Tessivra.ocx"), "SHELL32.dll", "ShellExecuteA",
                                 reinterpret_cast<void*>(&recordShellExecuteA));
}

// ---- the checks -------------------------------------------------------------------------------

void testRegistration() {
    for (const ControlClassInfo& c : shippedClasses()) {
        const std::string name(c.Name);
        CLSID clsid{};
        std::wstring progId = wide(c.ProgId);
        check(SUCCEEDED(CLSIDFromProgID(progId.c_str(), &clsid)) && clsid == toGuid(c.Clsid),
              name + ": ProgId resolves to its class identifier");
        std::wstring lower = progId;
        for (wchar_t& ch : lower)
            ch = static_cast<wchar_t>(towlower(ch));
        check(SUCCEEDED(CLSIDFromProgID(lower.c_str(), &clsid)) && clsid == toGuid(c.Clsid),
              name + ": ProgId in lower case resolves too");
        Ptr<IDispatch> d;
        HRESULT hr =
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.putVoid());
        check(SUCCEEDED(hr), name + ": CoCreateInstance by ProgId " + hex(hr));
        if (!d) continue;
        Ptr<IProvideClassInfo2> pci;
        GUID src{};
        check(SUCCEEDED(d->QueryInterface(IID_IProvideClassInfo2, pci.putVoid())) &&
                  SUCCEEDED(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &src)) &&
                  src == toGuid(c.EventInterface.iid),
              name + ": IProvideClassInfo2 names the event interface");
        Ptr<ITypeInfo> ci;
        TYPEATTR* ta = nullptr;
        check(pci && SUCCEEDED(pci->GetClassInfo(ci.put())) && SUCCEEDED(ci->GetTypeAttr(&ta)) &&
                  ta->guid == toGuid(c.Clsid) && ta->typekind == TKIND_COCLASS,
              name + ": GetClassInfo gives the coclass");
        if (ta) ci->ReleaseTypeAttr(ta);
        Ptr<ITypeInfo> ti;
        ta = nullptr;
        check(SUCCEEDED(d->GetTypeInfo(0, LOCALE_USER_DEFAULT, ti.put())) &&
                  SUCCEEDED(ti->GetTypeAttr(&ta)) && ta->guid == toGuid(c.DefaultInterface.iid),
              name + ": GetTypeInfo gives the dual interface");
        if (ta) ti->ReleaseTypeAttr(ta);
        Ptr<IOleObject> ole;
        DWORD status = 0;
        check(SUCCEEDED(d->QueryInterface(IID_IOleObject, ole.putVoid())) &&
                  SUCCEEDED(ole->GetMiscStatus(DVASPECT_CONTENT, &status)) &&
                  status == c.MiscStatus,
              name + ": MiscStatus");
    }
    CLSID none{};
    check(FAILED(CLSIDFromProgID(L"Tessivra.frmAbout", &none)), "the about window is no class");

    // The entry points themselves: an unknown class, and unloading with instances and locks.
    HMODULE ocx = GetModuleHandleW(L"Tessivra.ocx");
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(ocx, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(ocx, "DllCanUnloadNow")));
    check(getClassObject && canUnload, "the four entry points are exported by name");
    if (!getClassObject || !canUnload) return;
    void* out = reinterpret_cast<void*>(1);
    check(getClassObject(IID_IDispatch, IID_IClassFactory, &out) == CLASS_E_CLASSNOTAVAILABLE &&
              out == nullptr,
          "DllGetClassObject refuses a class that is not the library's");
    check(canUnload() == S_OK, "DllCanUnloadNow: nothing alive");
    Ptr<IClassFactory> factory;
    check(SUCCEEDED(getClassObject(toGuid(classNamed("Moeda").Clsid), IID_IClassFactory,
                                   factory.putVoid())),
          "DllGetClassObject gives a class object");
    if (!factory) return;
    Ptr<IDispatch> instance;
    factory->CreateInstance(nullptr, IID_IDispatch, instance.putVoid());
    check(canUnload() == S_FALSE, "DllCanUnloadNow: an instance alive");
    instance.reset();
    check(canUnload() == S_OK, "DllCanUnloadNow: the instance released");
    factory->LockServer(TRUE);
    check(canUnload() == S_FALSE, "DllCanUnloadNow: a lock held");
    factory->LockServer(FALSE);
    check(canUnload() == S_OK, "DllCanUnloadNow: the lock released");
    Ptr<IUnknown> aggregated;
    check(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.p), IID_IUnknown,
                                  aggregated.putVoid()) == CLASS_E_NOAGGREGATION,
          "aggregation is refused");
}

// The library file's resources: the type library, the toolbox bitmaps, the identifier resources
// and the version record.
void testResources() {
    HMODULE ocx = LoadLibraryExW(g_ocxPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    check(ocx != nullptr, "the library file opens as data");
    if (!ocx) return;
    HRSRC tlb = FindResourceW(ocx, MAKEINTRESOURCEW(1), L"TYPELIB");
    check(tlb && SizeofResource(ocx, tlb) > 0, "TYPELIB 1 is there");
    for (const ControlClassInfo& c : shippedClasses()) {
        const std::string name(c.Name);
        HRSRC bmp = FindResourceW(ocx, MAKEINTRESOURCEW(c.ToolboxBitmap), MAKEINTRESOURCEW(2));
        const auto* dib =
            bmp ? static_cast<const std::uint8_t*>(LockResource(LoadResource(ocx, bmp))) : nullptr;
        check(dib && SizeofResource(ocx, bmp) == 760 && dib[0] == 40 && dib[4] == 16 &&
                  dib[8] == 15 && dib[14] == 24,
              name + ": toolbox bitmap " + std::to_string(c.ToolboxBitmap) +
                  " is a 16 by 15 DIB of 24 bits, 760 bytes");
        for (const bool source : {false, true}) {
            std::string upper;
            for (char ch : c.Name)
                upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            const std::wstring type = wide((source ? "_SRCIID_" : "_IID_") + upper);
            HRSRC r = FindResourceW(ocx, MAKEINTRESOURCEW(1), type.c_str());
            const auto* bytes =
                r ? static_cast<const std::uint8_t*>(LockResource(LoadResource(ocx, r))) : nullptr;
            const GUID want = toGuid(source ? c.EventInterface.iid : c.DefaultInterface.iid);
            check(bytes && SizeofResource(ocx, r) == 20 && bytes[0] == 16 && bytes[1] == 0 &&
                      bytes[2] == 0 && bytes[3] == 0 && std::memcmp(bytes + 4, &want, 16) == 0,
                  narrow(type) + " holds the interface identifier");
        }
    }
    FreeLibrary(ocx);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(g_ocxPath.c_str(), &handle);
    std::vector<std::uint8_t> info(size);
    void* value = nullptr;
    UINT length = 0;
    const bool read = size && GetFileVersionInfoW(g_ocxPath.c_str(), 0, size, info.data());
    check(read && VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OLESelfRegister",
                                 &value, &length),
          "the version record marks the file self-registering");
    check(read &&
              VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileVersion", &value,
                             &length) &&
              std::wstring(static_cast<const wchar_t*>(value)) == L"1.00",
          "FileVersion is 1.00");
    auto* fixed = static_cast<VS_FIXEDFILEINFO*>(nullptr);
    check(read && VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
              fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0,
          "file version 1.0.0.0");
}

// What the type library must hold, type by type, from the class tables.
void testTypeLibrary() {
    Ptr<ITypeLib> tl;
    check(SUCCEEDED(LoadTypeLibEx(g_ocxPath.c_str(), REGKIND_NONE, tl.put())),
          "the embedded type library loads");
    if (!tl) return;
    TLIBATTR* la = nullptr;
    if (SUCCEEDED(tl->GetLibAttr(&la))) {
        check(la->guid == toGuid(Library.libid) && la->wMajorVerNum == Library.majorVersion &&
                  la->wMinorVerNum == Library.minorVersion && la->lcid == Library.locale &&
                  (la->wLibFlags & ~LIBFLAG_FHASDISKIMAGE) == Library.libraryFlags,
              "library identifier, version, locale and flags: " + std::to_string(la->wMajorVerNum) +
                  "." + std::to_string(la->wMinorVerNum) + " lcid " +
                  hex(static_cast<long>(la->lcid)) + " flags " + hex(la->wLibFlags));
        tl->ReleaseTLibAttr(la);
    }
    std::vector<TypeDescription> want = typeDescriptions(shippedClasses());
#ifdef TESSIVRA_TYPELIB_FROM_WIDL
    // widl writes each event interface right after its coclass, and takes neither a version nor
    // nonextensible on a dispinterface.
    std::vector<TypeDescription> reordered;
    for (const TypeDescription& t : want) {
        if (t.kind == TypeKind::EventInterface) continue;
        reordered.push_back(t);
        if (t.kind == TypeKind::Coclass)
            for (TypeDescription e : want)
                if (e.kind == TypeKind::EventInterface && e.cls == t.cls) {
                    e.flags &= static_cast<std::uint16_t>(~typeflag::NonExtensible);
                    e.majorVersion = 0;
                    reordered.push_back(e);
                }
    }
    want = reordered;
#endif
    check(tl->GetTypeInfoCount() == want.size(),
          "type count " + std::to_string(tl->GetTypeInfoCount()));
    for (UINT i = 0; i < want.size() && i < tl->GetTypeInfoCount(); ++i) {
        const TypeDescription& t = want[i];
        const std::string label = "type " + std::to_string(i) + " " + std::string(t.name);
        Ptr<ITypeInfo> ti;
        tl->GetTypeInfo(i, ti.put());
        BSTR name = nullptr;
        tl->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr);
        check(name && narrow(name) == t.name, label + ": name");
        SysFreeString(name);
        TYPEATTR* ta = nullptr;
        if (FAILED(ti->GetTypeAttr(&ta))) {
            check(false, label + ": attributes");
            continue;
        }
        const TYPEKIND kind = t.kind == TypeKind::Coclass ? TKIND_COCLASS : TKIND_DISPATCH;
        check(ta->typekind == kind, label + ": kind");
        check(ta->guid == toGuid(t.guid), label + ": identifier");
        // The automation library reads a dual interface's dispatch half without the
        // automation-compatible flag, which stays on its vtable half (checked below).
        const std::uint16_t flags =
            t.kind == TypeKind::DualInterface
                ? static_cast<std::uint16_t>(t.flags & ~typeflag::OleAutomation)
                : t.flags;
        check(ta->wTypeFlags == flags, label + ": flags " + hex(ta->wTypeFlags));
        check(ta->wMajorVerNum == t.majorVersion && ta->wMinorVerNum == t.minorVersion,
              label + ": version");
        const ControlClass& cls = *t.cls->Class;
        if (t.kind == TypeKind::EventInterface) {
            // A dispinterface lists IUnknown's and IDispatch's methods before its own, as the
            // system's IDL compiler writes it; the events are the rest.
            std::vector<FUNCDESC*> events;
            std::size_t inherited = 0;
            for (UINT f = 0; f < ta->cFuncs; ++f) {
                FUNCDESC* fd = nullptr;
                if (FAILED(ti->GetFuncDesc(f, &fd)) || !fd) {
                    check(false, label + ": function " + std::to_string(f) + " readable");
                    continue;
                }
                if (fd->memid >= 0x60000000 && fd->memid < 0x60020000) {
                    ++inherited;
                    ti->ReleaseFuncDesc(fd);
                } else {
                    events.push_back(fd);
                }
            }
#ifdef TESSIVRA_TYPELIB_FROM_WIDL
            constexpr std::size_t inheritedWanted = 0; // widl lists a dispinterface's own alone
#else
            constexpr std::size_t inheritedWanted = 7;
#endif
            check(events.size() == cls.events.size() && inherited == inheritedWanted,
                  label + ": event count " + std::to_string(events.size()) + " after " +
                      std::to_string(inherited) + " inherited");
            for (std::size_t f = 0; f < events.size() && f < cls.events.size(); ++f) {
                FUNCDESC* fd = events[f];
                const EventInfo& e = cls.events[f];
                const std::string ev =
                    label + "." + narrow(std::wstring(e.name.begin(), e.name.end()));
                check(fd->memid == e.id && fd->invkind == INVOKE_FUNC &&
                          fd->cParams == static_cast<SHORT>(e.params.size()) &&
                          fd->funckind == FUNC_DISPATCH && fd->wFuncFlags == 0,
                      ev + ": identifier, kind, parameters");
                for (SHORT p = 0; p < fd->cParams && p < static_cast<SHORT>(e.params.size()); ++p) {
                    const ELEMDESC& ed = fd->lprgelemdescParam[p];
                    const VARTYPE base =
                        e.params[static_cast<std::size_t>(p)].type == MemberType::R4 ? VT_R4
                                                                                     : VT_I2;
                    check(ed.tdesc.vt == VT_PTR && ed.tdesc.lptdesc &&
                              ed.tdesc.lptdesc->vt == base &&
                              (ed.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) ==
                                  (PARAMFLAG_FIN | PARAMFLAG_FOUT),
                          ev + ": parameter by reference, in and out");
                }
            }
            for (FUNCDESC* fd : events)
                ti->ReleaseFuncDesc(fd);
        }
        if (t.kind == TypeKind::DualInterface) {
            // The vtable view: one function per access of each member, in the server's order.
            HREFTYPE ref = 0;
            Ptr<ITypeInfo> vt;
            TYPEATTR* va = nullptr;
            if (FAILED(ti->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
                FAILED(ti->GetRefTypeInfo(ref, vt.put())) || FAILED(vt->GetTypeAttr(&va))) {
                check(false, label + ": the dual interface's vtable view");
                ti->ReleaseTypeAttr(ta);
                continue;
            }
            std::vector<std::pair<DispId, INVOKEKIND>> slots;
            for (const DispatchMember& m : cls.members) {
                if (m.access & access::Get) slots.push_back({m.id, INVOKE_PROPERTYGET});
                if (m.access & access::Let) slots.push_back({m.id, INVOKE_PROPERTYPUT});
                if (m.access & access::Set) slots.push_back({m.id, INVOKE_PROPERTYPUTREF});
                if (m.access & access::Call) slots.push_back({m.id, INVOKE_FUNC});
            }
            check(va->cFuncs == slots.size(), label + ": function count");
            check(va->typekind == TKIND_INTERFACE && va->wTypeFlags == t.flags,
                  label + ": the vtable view carries the stored flags " + hex(va->wTypeFlags));
            for (UINT f = 0; f < va->cFuncs && f < slots.size(); ++f) {
                FUNCDESC* fd = nullptr;
                if (FAILED(vt->GetFuncDesc(f, &fd)) || !fd) {
                    check(false, label + ": function " + std::to_string(f) + " readable");
                    continue;
                }
                BSTR fn = nullptr, doc = nullptr;
                vt->GetDocumentation(fd->memid, &fn, &doc, nullptr, nullptr);
                const std::string member = label + "." + (fn ? narrow(fn) : "?");
                check(fd->memid == slots[f].first && fd->invkind == slots[f].second,
                      member + ": identifier and invoke kind in vtable order");
                check(fd->funckind == FUNC_PUREVIRTUAL && fd->wFuncFlags == 0 &&
                          fd->elemdescFunc.tdesc.vt == VT_HRESULT,
                      member + ": a function returning a status, no flags");
                const std::u16string_view expectedDoc =
                    memberDoc(fn ? std::u16string_view(reinterpret_cast<const char16_t*>(fn),
                                                       SysStringLen(fn))
                                 : u"");
                check(doc &&
                          std::wstring(doc) == std::wstring(expectedDoc.begin(), expectedDoc.end()),
                      member + ": documentation string");
                SysFreeString(fn);
                SysFreeString(doc);
                vt->ReleaseFuncDesc(fd);
            }
            vt->ReleaseTypeAttr(va);
        }
        ti->ReleaseTypeAttr(ta);
    }
}

void testInvoke() {
    Ptr<IDispatch> m;
    check(SUCCEEDED(create(classNamed("Moeda"), m.put())), "Moeda created");
    if (!m) return;
    check(idOf(m.p, L"text") == 0x68030001 && idOf(m.p, L"Font") == -512 &&
              idOf(m.p, L"ToolTipText") == 0x68030000,
          "GetIDsOfNames matches the member table, without regard to case");
    check(idOf(m.p, L"KeyPress") == DISPID_UNKNOWN && idOf(m.p, L"Nope") == DISPID_UNKNOWN,
          "an event or an unknown name is no member");

    {
        Var font;
        check(get(m.p, L"Font", &font.v) == S_OK && V_VT(&font.v) == VT_DISPATCH &&
                  V_DISPATCH(&font.v) != nullptr,
              "a new control's Font is a font object, not Nothing");
    }
    check(putText(m.p, L"Text", L"12,5") == S_OK && getText(m.p, L"Text") == L"12,5",
          "Text put with DISPID_PROPERTYPUT and read back");
    VARIANT arg;
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = 1;
    DISPPARAMS one{&arg, nullptr, 1, 0};
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Var r;
    check(m->Invoke(0x68030001, IID_NULL, 0, DISPATCH_PROPERTYGET, &one, &r.v, nullptr, nullptr) ==
              DISP_E_BADPARAMCOUNT,
          "a read with an argument: DISP_E_BADPARAMCOUNT");
    check(m->Invoke(0x0BAD, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r.v, nullptr, nullptr) ==
              DISP_E_MEMBERNOTFOUND,
          "an identifier the class lacks: DISP_E_MEMBERNOTFOUND");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS zero{nullptr, &named, 0, 0};
    check(m->Invoke(0x68030001, IID_NULL, 0, DISPATCH_PROPERTYPUT, &zero, nullptr, nullptr,
                    nullptr) == DISP_E_BADPARAMCOUNT,
          "a put without its value: DISP_E_BADPARAMCOUNT");
    // Malformed calls are refused before anything is read from them.
    DISPPARAMS moreNamed{&arg, &named, 1, 2};
    DISPPARAMS noNames{&arg, nullptr, 1, 1};
    DISPPARAMS noValues{nullptr, nullptr, 1, 0};
    check(m->Invoke(0x68030001, IID_NULL, 0, DISPATCH_PROPERTYPUT, &moreNamed, nullptr, nullptr,
                    nullptr) == E_INVALIDARG &&
              m->Invoke(0x68030001, IID_NULL, 0, DISPATCH_PROPERTYPUT, &noNames, nullptr, nullptr,
                        nullptr) == E_INVALIDARG &&
              m->Invoke(0x68030001, IID_NULL, 0, DISPATCH_PROPERTYPUT, &noValues, nullptr, nullptr,
                        nullptr) == E_INVALIDARG,
          "more named arguments than arguments, or missing arrays: E_INVALIDARG");
    LPOLESTR nullName = nullptr;
    DISPID ignored = 0;
    check(m->GetIDsOfNames(IID_NULL, &nullName, 1, 0, &ignored) == E_INVALIDARG,
          "GetIDsOfNames with a null name: E_INVALIDARG");
    check(m->Invoke(0x68030001, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &r.v, nullptr,
                    nullptr) == DISP_E_UNKNOWNINTERFACE,
          "Invoke with an interface other than IID_NULL: DISP_E_UNKNOWNINTERFACE");

    VARIANT s;
    V_VT(&s) = VT_BSTR;
    V_BSTR(&s) = SysAllocString(L"left");
    UINT argErr = 99;
    DISPPARAMS bad{&s, &named, 1, 1};
    check(m->Invoke(idOf(m.p, L"Alignment"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &bad, nullptr,
                    nullptr, &argErr) == DISP_E_TYPEMISMATCH &&
              argErr == 0,
          "a word for a number: DISP_E_TYPEMISMATCH, argument 0");
    VariantClear(&s);
    check(putLong(m.p, L"Alignment", 70000) == DISP_E_OVERFLOW,
          "70000 for a 16-bit property: DISP_E_OVERFLOW");
    VARIANT missing;
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    check(put(m.p, L"Alignment", missing) == DISP_E_PARAMNOTOPTIONAL,
          "a missing value: DISP_E_PARAMNOTOPTIONAL");
    EXCEPINFO ei{};
    VARIANT seven;
    V_VT(&seven) = VT_I2;
    V_I2(&seven) = 7;
    HRESULT hr = put(m.p, L"Alignment", seven, &ei);
    check(hr == DISP_E_EXCEPTION && ei.scode == static_cast<SCODE>(0x800A017C) &&
              ei.bstrDescription && std::wstring(ei.bstrDescription) == L"Invalid property value",
          "the member's own failure: DISP_E_EXCEPTION with 380 and its words");
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrSource);
    V_VT(&s) = VT_BSTR;
    V_BSTR(&s) = SysAllocString(L"1");
    check(put(m.p, L"Alignment", s) == S_OK && getText(m.p, L"Alignment") == L"1",
          "text that reads as a number is converted as automation converts it");
    VariantClear(&s);

    Ptr<IDispatch> url;
    create(classNamed("UrlText"), url.put());
    check(url && get(url.p, L"Enabled", &r.v) == DISP_E_MEMBERNOTFOUND,
          "UrlText's Enabled cannot be read: DISP_E_MEMBERNOTFOUND");
    VARIANT f;
    V_VT(&f) = VT_BOOL;
    V_BOOL(&f) = VARIANT_FALSE;
    check(url && put(url.p, L"Enabled", f) == S_OK, "UrlText's Enabled can be assigned");

    Ptr<IDispatch> upper;
    create(classNamed("TextoEmMaiusculo"), upper.put());
    if (!upper) return;
    check(put(upper.p, L"MultiLine", f) == DISP_E_MEMBERNOTFOUND,
          "MultiLine cannot be assigned: DISP_E_MEMBERNOTFOUND");

    // PopupMenu: the menu object hears Popup with what was passed, omitted ones omitted.
    Menu* menu = new Menu;
    VARIANT args[2];
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = menu;
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = 2;
    DISPPARAMS dp{args, nullptr, 2, 0};
    const DISPID popup = idOf(upper.p, L"PopupMenu");
    check(popup == 0x6003001C, "PopupMenu's identifier");
    hr = upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    check(hr == S_OK && menu->popups == 1 && menu->argTypes.size() == 4 &&
              menu->argTypes[0] == VT_I4 && menu->argTypes[1] == VT_ERROR,
          "PopupMenu reaches the menu object with flags and omitted arguments " + hex(hr));
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &noArgs, nullptr, nullptr, nullptr) ==
              DISP_E_BADPARAMCOUNT,
          "PopupMenu without its menu: DISP_E_BADPARAMCOUNT");
    VARIANT six[6];
    for (VARIANT& v : six) {
        V_VT(&v) = VT_I4;
        V_I4(&v) = 0;
    }
    DISPPARAMS tooMany{six, nullptr, 6, 0};
    check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &tooMany, nullptr, nullptr, nullptr) ==
              DISP_E_BADPARAMCOUNT,
          "PopupMenu with six arguments: DISP_E_BADPARAMCOUNT");
    DISPPARAMS noMenu{&missing, nullptr, 1, 0};
    check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &noMenu, nullptr, nullptr, nullptr) ==
              DISP_E_PARAMNOTOPTIONAL,
          "PopupMenu with its menu omitted: DISP_E_PARAMNOTOPTIONAL");
    check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, &r.v, nullptr,
                        nullptr) == DISP_E_MEMBERNOTFOUND,
          "PopupMenu read as a property: DISP_E_MEMBERNOTFOUND");

    // Arguments by name, as a client that names them passes them: the names are found in any
    // case, and the ones not named are omitted.
    {
        OLECHAR n0[] = L"popupmenu", n1[] = L"x", n2[] = L"Menu", n3[] = L"Colour";
        LPOLESTR names[] = {n0, n1, n2};
        DISPID ids[3] = {};
        hr = upper->GetIDsOfNames(IID_NULL, names, 3, 0, ids);
        check(hr == S_OK && ids[0] == popup && ids[1] == 2 && ids[2] == 0,
              "PopupMenu's argument names are their places " + hex(hr));
        LPOLESTR unknown[] = {n0, n3};
        hr = upper->GetIDsOfNames(IID_NULL, unknown, 2, 0, ids);
        check(hr == DISP_E_UNKNOWNNAME && ids[0] == popup && ids[1] == DISPID_UNKNOWN,
              "an argument name PopupMenu does not have: DISP_E_UNKNOWNNAME " + hex(hr));

        VARIANT byName[2];
        V_VT(&byName[0]) = VT_I4;
        V_I4(&byName[0]) = 15;
        V_VT(&byName[1]) = VT_DISPATCH;
        V_DISPATCH(&byName[1]) = menu;
        DISPID which[2] = {2, 0};
        DISPPARAMS named2{byName, which, 2, 2};
        hr = upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &named2, nullptr, nullptr, nullptr);
        check(hr == S_OK && menu->popups == 2 && menu->x == 15 && menu->argTypes.size() == 4 &&
                  menu->argTypes[0] == VT_ERROR && menu->argTypes[2] == VT_ERROR,
              "PopupMenu with its menu and X named, the rest omitted " + hex(hr));
        DISPID onlyX[1] = {2};
        DISPPARAMS noMenuNamed{byName, onlyX, 1, 1};
        check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &noMenuNamed, nullptr, nullptr,
                            nullptr) == DISP_E_PARAMNOTOPTIONAL,
              "PopupMenu with X named and no menu: DISP_E_PARAMNOTOPTIONAL");
        DISPID beyond[2] = {5, 0};
        DISPPARAMS namedBeyond{byName, beyond, 2, 2};
        argErr = 99;
        check(upper->Invoke(popup, IID_NULL, 0, DISPATCH_METHOD, &namedBeyond, nullptr, nullptr,
                            &argErr) == DISP_E_PARAMNOTFOUND &&
                  argErr == 0 && menu->popups == 2,
              "an argument named by a place PopupMenu does not have: DISP_E_PARAMNOTFOUND");
    }
    menu->Release();

    // The result is an out parameter: what it held on the way in is not the server's to free.
    {
        VARIANT junk;
        V_VT(&junk) = VT_BSTR;
        V_BSTR(&junk) = reinterpret_cast<BSTR>(static_cast<UINT_PTR>(0xDEADBEE0));
        hr = m->Invoke(idOf(m.p, L"Text"), IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &junk, nullptr,
                       nullptr);
        check(hr == S_OK && V_VT(&junk) == VT_BSTR && std::wstring(V_BSTR(&junk)) == L"12,5",
              "a read writes its result over whatever the out parameter held " + hex(hr));
        if (hr == S_OK) VariantClear(&junk);
    }

    // The vtable, reached as DispInvoke reaches it, agrees with Invoke.
    Ptr<ITypeInfo> ti;
    m->GetTypeInfo(0, 0, ti.put());
    HREFTYPE ref = 0;
    Ptr<ITypeInfo> vt;
    if (ti && SUCCEEDED(ti->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(ti->GetRefTypeInfo(ref, vt.put()))) {
        Var v;
        hr = DispInvoke(m.p, vt.p, 0x68030001, DISPATCH_PROPERTYGET, &none, &v.v, nullptr, nullptr);
        check(hr == S_OK && V_VT(&v.v) == VT_BSTR && std::wstring(V_BSTR(&v.v)) == L"12,5",
              "the vtable's Text getter through DispInvoke " + hex(hr));
        VARIANT nine;
        V_VT(&nine) = VT_I4;
        V_I4(&nine) = 9;
        DISPPARAMS putNine{&nine, &named, 1, 1};
        hr = DispInvoke(m.p, vt.p, idOf(m.p, L"Alignment"), DISPATCH_PROPERTYPUT, &putNine, nullptr,
                        nullptr, nullptr);
        check(FAILED(hr), "the vtable's Alignment setter refuses 9 " + hex(hr));
    } else {
        check(false, "the dual interface's vtable view");
    }

    // Property notifications.
    Ptr<IConnectionPointContainer> cpc;
    Ptr<IConnectionPoint> cp;
    NotifySink* notify = new NotifySink;
    DWORD cookie = 0;
    if (SUCCEEDED(m->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid())) &&
        SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put())) &&
        SUCCEEDED(cp->Advise(notify, &cookie))) {
        putText(m.p, L"Text", L"7");
        putLong(m.p, L"Alignment", 9); // refused: no notice
        check(notify->changed.size() == 1 && notify->changed[0] == 0x68030001,
              "IPropertyNotifySink hears Text's identifier, and nothing for a refused value");
        cp->Unadvise(cookie);
    } else {
        check(false, "IPropertyNotifySink connects");
    }
    notify->Release();
}

void testPersistence() {
    Ptr<IDispatch> a;
    create(classNamed("Moeda"), a.put());
    if (!a) return;
    putText(a.p, L"Text", L"98,7");
    putLong(a.p, L"Alignment", 1);
    putLong(a.p, L"MaxLength", 5); // not a member of Moeda: refused, stays out of the bag
    Bag* bag = new Bag;
    Ptr<IPersistPropertyBag> ppb;
    check(SUCCEEDED(a->QueryInterface(IID_IPersistPropertyBag, ppb.putVoid())) &&
              SUCCEEDED(ppb->Save(bag, TRUE, TRUE)),
          "IPersistPropertyBag saves");
    const VARIANT* text = bag->find(L"Text");
    check(text && V_VT(text) == VT_BSTR && std::wstring(V_BSTR(text)) == L"98,7",
          "the bag holds the text");
    Ptr<IDispatch> b;
    create(classNamed("Moeda"), b.put());
    Ptr<IPersistPropertyBag> ppb2;
    check(b && SUCCEEDED(b->QueryInterface(IID_IPersistPropertyBag, ppb2.putVoid())) &&
              SUCCEEDED(ppb2->Load(bag, nullptr)) && getText(b.p, L"Text") == L"98,7" &&
              getText(b.p, L"Alignment") == L"1",
          "a new instance loads what was saved");
    bag->Release();

    // A bag with a value of the wrong kind: the load fails and names the key.
    Bag* wrong = new Bag;
    VARIANT w;
    V_VT(&w) = VT_BSTR;
    V_BSTR(&w) = SysAllocString(L"not a number");
    wrong->Write(L"Alignment", &w);
    VariantClear(&w);
    Ptr<IDispatch> c;
    create(classNamed("Moeda"), c.put());
    Ptr<IPersistPropertyBag> ppb3;
    c->QueryInterface(IID_IPersistPropertyBag, ppb3.putVoid());
    check(ppb3 && FAILED(ppb3->Load(wrong, nullptr)), "a bag with a wrong value fails to load");
    wrong->Release();

    // The stream holds the same keys.
    Ptr<IPersistStreamInit> psi;
    Ptr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    check(SUCCEEDED(a->QueryInterface(IID_IPersistStreamInit, psi.putVoid())) &&
              SUCCEEDED(psi->Save(stream.p, TRUE)),
          "IPersistStreamInit saves");
    ULARGE_INTEGER size{};
    psi->GetSizeMax(&size);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    check(size.QuadPart == st.cbSize.QuadPart, "GetSizeMax is the saved size");
    Ptr<IDispatch> d;
    create(classNamed("Moeda"), d.put());
    Ptr<IPersistStreamInit> psi2;
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    check(d && SUCCEEDED(d->QueryInterface(IID_IPersistStreamInit, psi2.putVoid())) &&
              SUCCEEDED(psi2->Load(stream.p)) && getText(d.p, L"Text") == L"98,7" &&
              getText(d.p, L"Alignment") == L"1",
          "a stream round trip keeps the keys");

    // A damaged stream is refused: wrong magic, and cut short.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.cbSize.QuadPart));
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
    for (int damage = 0; damage < 2; ++damage) {
        std::vector<std::uint8_t> b2 = bytes;
        if (damage == 0)
            b2[0] = 'X';
        else
            b2.resize(b2.size() - 3);
        Ptr<IStream> s2;
        CreateStreamOnHGlobal(nullptr, TRUE, s2.put());
        s2->Write(b2.data(), static_cast<ULONG>(b2.size()), nullptr);
        s2->Seek(zero, STREAM_SEEK_SET, nullptr);
        Ptr<IDispatch> e;
        create(classNamed("Moeda"), e.put());
        Ptr<IPersistStreamInit> psi3;
        e->QueryInterface(IID_IPersistStreamInit, psi3.putVoid());
        check(psi3 && FAILED(psi3->Load(s2.p)),
              damage == 0 ? "a stream with a wrong magic is refused" : "a short stream is refused");
    }

    // A compound file, as a container that embeds objects keeps them: the same layout, in the
    // storage's "Contents" stream.
    Ptr<ILockBytes> bytesOnHeap;
    Ptr<IStorage> storage;
    Ptr<IPersistStorage> pst;
    check(SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, bytesOnHeap.put())) &&
              SUCCEEDED(StgCreateDocfileOnILockBytes(
                  bytesOnHeap.p, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                  storage.put())) &&
              SUCCEEDED(a->QueryInterface(IID_IPersistStorage, pst.putVoid())) &&
              pst->Save(storage.p, TRUE) == S_OK && pst->SaveCompleted(nullptr) == S_OK &&
              pst->IsDirty() == S_FALSE,
          "IPersistStorage saves into a compound file and is clean after");
    Ptr<IStream> contents;
    check(storage &&
              SUCCEEDED(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                            0, contents.put())),
          "the storage holds a Contents stream");
    contents.reset();
    Ptr<IDispatch> f;
    create(classNamed("Moeda"), f.put());
    Ptr<IPersistStorage> pst2;
    check(f && SUCCEEDED(f->QueryInterface(IID_IPersistStorage, pst2.putVoid())) &&
              pst2->Load(storage.p) == S_OK && getText(f.p, L"Text") == L"98,7" &&
              getText(f.p, L"Alignment") == L"1",
          "a new instance loads the compound file");
    // A storage that holds no object of ours: refused, the control as it was.
    Ptr<IStorage> emptyStorage;
    Ptr<ILockBytes> emptyBytes;
    Ptr<IDispatch> g;
    create(classNamed("Moeda"), g.put());
    Ptr<IPersistStorage> pst3;
    if (SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, emptyBytes.put())) &&
        SUCCEEDED(StgCreateDocfileOnILockBytes(emptyBytes.p,
                                               STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                               0, emptyStorage.put())) &&
        g && SUCCEEDED(g->QueryInterface(IID_IPersistStorage, pst3.putVoid()))) {
        check(FAILED(pst3->Load(emptyStorage.p)) && getText(g.p, L"Alignment") == L"0",
              "a storage without the Contents stream is refused");
        check(pst3->InitNew(emptyStorage.p) == S_OK && pst3->HandsOffStorage() == S_OK,
              "InitNew and HandsOffStorage");
    } else {
        check(false, "an empty compound file");
    }
}

// A container that activates quickly hands over its site and sinks in one call and gets the
// control's status back.
void testQuickActivate() {
    const ControlClassInfo& c = classNamed("TextoEmMaiusculo");
    Ptr<IDispatch> d;
    Ptr<IQuickActivate> qa;
    check(SUCCEEDED(create(c, d.put())) &&
              SUCCEEDED(d->QueryInterface(IID_IQuickActivate, qa.putVoid())),
          "IQuickActivate is offered");
    if (!qa) return;
    auto* site = new TestSite(g_form, RECT{20, 20, 220, 50}, nullptr);
    auto* events = new TestSink(toGuid(c.EventInterface.iid));
    auto* notify = new NotifySink;
    QACONTAINER in{};
    in.cbSize = sizeof in;
    in.pClientSite = site;
    in.pUnkEventSink = static_cast<IDispatch*>(events);
    in.pPropertyNotifySink = notify;
    QACONTROL out{};
    out.cbSize = sizeof out;
    QACONTROL tooShort{};
    tooShort.cbSize = 8;
    check(qa->QuickActivate(&in, &tooShort) == E_INVALIDARG, "a record too short is refused");
    check(qa->QuickActivate(&in, &out) == S_OK && out.dwEventCookie != 0 &&
              out.dwPropNotifyCookie != 0 && out.dwMiscStatus == c.MiscStatus,
          "QuickActivate connects both sinks and gives the registered status " +
              std::to_string(out.dwMiscStatus));
    Ptr<IOleObject> ole;
    Ptr<IOleClientSite> back;
    check(SUCCEEDED(d->QueryInterface(IID_IOleObject, ole.putVoid())) &&
              SUCCEEDED(ole->GetClientSite(back.put())) && back.p == site,
          "and sites the control");
    putText(d.p, L"Text", L"x");
    check(!events->calls.empty() && notify->changed.size() == 1,
          "an assignment reaches both sinks: " + std::to_string(events->calls.size()) + " " +
              std::to_string(notify->changed.size()));
    SIZEL size{5080, 1270};
    SIZEL got{};
    check(qa->SetContentExtent(&size) == S_OK && qa->GetContentExtent(&got) == S_OK &&
              got.cx == 5080,
          "the content extent is the control's extent: " + std::to_string(got.cx));
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    site->Release();
    events->Release();
    notify->Release();
}

TestSink* connect(IDispatch* d, const ControlClassInfo& c, DWORD* cookie) {
    Ptr<IConnectionPointContainer> cpc;
    Ptr<IConnectionPoint> cp;
    if (FAILED(d->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid())) ||
        FAILED(cpc->FindConnectionPoint(toGuid(c.EventInterface.iid), cp.put())))
        return nullptr;
    auto* sink = new TestSink(toGuid(c.EventInterface.iid));
    if (FAILED(cp->Advise(sink, cookie))) {
        sink->Release();
        return nullptr;
    }
    return sink;
}

DISPID eventId(const ControlClassInfo& c, std::u16string_view name) {
    for (const EventInfo& e : c.Class->events)
        if (e.name == name) return e.id;
    return -1;
}

void testTyping() {
    // Upper case, with a sink that cancels one key and changes another.
    {
        const ControlClassInfo& c = classNamed("TextoEmMaiusculo");
        Placed p;
        check(place(p, c, 10), "TextoEmMaiusculo in-place active in the form's window");
        HWND edit = childOfClass(p.window, L"Edit");
        check(edit != nullptr, "its text box is an EDIT window");
        if (!edit) return;
        DWORD cookie = 0;
        TestSink* sink = connect(p.disp.p, c, &cookie);
        check(sink != nullptr, "an event sink connects");
        if (!sink) return;
        const DISPID keyPress = eventId(c, u"KeyPress");
        sink->onEvent = [keyPress](DISPID id, std::vector<VARIANT*>& args) {
            if (id != keyPress) return;
            SHORT& k = *V_I2REF(args[0]);
            if (k == 'x') k = 0;   // cancelled
            if (k == 'q') k = 'w'; // replaced, then upper-cased by the control
        };
        typeInto(edit, L"abxq");
        check(getText(p.disp.p, L"Text") == L"ABW",
              "typed keys are upper-cased, KeyAscii 0 cancels, a changed KeyAscii is inserted: " +
                  narrow(getText(p.disp.p, L"Text")));
        int downs = 0, presses = 0, ups = 0, changes = 0;
        for (const auto& call : sink->calls) {
            downs += call.id == eventId(c, u"KeyDown");
            presses += call.id == keyPress;
            ups += call.id == eventId(c, u"KeyUp");
            changes += call.id == eventId(c, u"Change");
        }
        check(downs == 4 && presses == 4 && ups == 4 && changes == 3,
              "KeyDown, KeyPress, KeyUp for each key, Change for each inserted one");
        check(sink->allByRef, "every event argument arrives by reference");

        // MaxLength limits typing and pasting, never an assignment.
        putLong(p.disp.p, L"MaxLength", 4);
        typeInto(edit, L"zz");
        check(getText(p.disp.p, L"Text") == L"ABWZ", "MaxLength stops typing");
        putText(p.disp.p, L"Text", L"abcdefgh");
        check(getText(p.disp.p, L"Text") == L"abcdefgh", "MaxLength leaves an assignment whole");
        putText(p.disp.p, L"Text", L"ab");
        putLong(p.disp.p, L"SelStart", 2);
        if (OpenClipboard(g_form)) {
            EmptyClipboard();
            HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 16);
            std::memcpy(GlobalLock(mem), L"12345", 12);
            GlobalUnlock(mem);
            SetClipboardData(CF_UNICODETEXT, mem);
            CloseClipboard();
        }
        SendMessageW(edit, WM_PASTE, 0, 0);
        check(getText(p.disp.p, L"Text") == L"ab12",
              "MaxLength cuts a paste to what fits: " + narrow(getText(p.disp.p, L"Text")));

        // Enter sends "{tab}": the focus moves on to the next tab stop.
        putLong(p.disp.p, L"MaxLength", 0);
        typeInto(edit, L"\r");
        pump(100);
        check(GetFocus() != edit, "Enter moves the focus to the next tab stop");
        Ptr<IConnectionPointContainer> cpc;
        Ptr<IConnectionPoint> cp;
        p.disp->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid());
        cpc->FindConnectionPoint(toGuid(c.EventInterface.iid), cp.put());

        // The container's points, then the point's one connection, as enumerators hand them.
        Ptr<IEnumConnectionPoints> points;
        check(SUCCEEDED(cpc->EnumConnectionPoints(points.put())) && points.p,
              "EnumConnectionPoints gives an enumerator");
        if (points.p) {
            IConnectionPoint* got[3] = {};
            ULONG fetched = 0;
            check(points->Next(3, got, &fetched) == S_FALSE && fetched == 2,
                  "two connection points: the events and the property-change notices");
            IID first{}, second{};
            if (fetched == 2) {
                got[0]->GetConnectionInterface(&first);
                got[1]->GetConnectionInterface(&second);
            }
            check(first == toGuid(c.EventInterface.iid) && second == IID_IPropertyNotifySink,
                  "the event interface's point comes first");
            for (ULONG i = 0; i < fetched; ++i)
                got[i]->Release();
            Ptr<IEnumConnectionPoints> copy;
            check(points->Reset() == S_OK && points->Skip(1) == S_OK &&
                      SUCCEEDED(points->Clone(copy.put())) && copy.p && copy->Skip(2) == S_FALSE,
                  "Skip and Clone keep the place; skipping past the end is S_FALSE");
        }
        Ptr<IEnumConnections> connections;
        check(SUCCEEDED(cp->EnumConnections(connections.put())) && connections.p,
              "EnumConnections gives an enumerator");
        if (connections.p) {
            CONNECTDATA data[2] = {};
            ULONG fetched = 0;
            check(connections->Next(2, data, &fetched) == S_FALSE && fetched == 1 &&
                      data[0].dwCookie == cookie && data[0].pUnk != nullptr,
                  "the one connection, with its cookie and its sink");
            for (ULONG i = 0; i < fetched; ++i)
                data[i].pUnk->Release();
        }

        check(cp->Unadvise(cookie) == S_OK && cp->Unadvise(cookie) == CONNECT_E_NOCONNECTION,
              "Unadvise once");
        sink->Release();
    }
    // Lower case.
    {
        Placed p;
        check(place(p, classNamed("TextoEmMinusculo"), 80), "TextoEmMinusculo placed");
        HWND edit = childOfClass(p.window, L"Edit");
        if (edit) typeInto(edit, L"AbC");
        check(getText(p.disp.p, L"Text") == L"abc",
              "typed keys are lower-cased: " + narrow(getText(p.disp.p, L"Text")));
    }
    // The e-mail check: its message box, closed here, and the focus taken back.
    {
        Placed p;
        check(place(p, classNamed("MailText"), 150), "MailText placed");
        HWND edit = childOfClass(p.window, L"Edit");
        if (edit) {
            typeInto(edit, L"Nobody");
            const UINT_PTR timer = SetTimer(nullptr, 0, 50, boxTimer);
            g_boxes = 0;
            SetFocus(g_other);
            pump(200);
            KillTimer(nullptr, timer);
            check(getText(p.disp.p, L"Text") == L"nobody", "the address is lower-cased");
            check(g_boxes == 1 && g_boxTitle == L"Aviso!" && g_boxText.find(L"O endere") == 0,
                  "leaving a bad address shows the warning: " + narrow(g_boxTitle));
            check(GetFocus() == edit, "and takes the focus back");
            putText(p.disp.p, L"Text", L"a@b.c");
            g_boxes = 0;
            const UINT_PTR timer2 = SetTimer(nullptr, 0, 50, boxTimer);
            SetFocus(g_other);
            pump(200);
            KillTimer(nullptr, timer2);
            check(g_boxes == 0 && GetFocus() == g_other, "a good address lets the focus go");
        }
    }
    // Currency: plain while edited, grouped when the focus leaves.
    {
        Placed p;
        check(place(p, classNamed("Moeda"), 220), "Moeda placed");
        HWND edit = childOfClass(p.window, L"Edit");
        if (edit) {
            typeInto(edit, L"1234.5");
            SetFocus(g_other);
            pump(50);
            check(getText(p.disp.p, L"Text") == L"1,234.50",
                  "the amount is laid out when the focus leaves: " +
                      narrow(getText(p.disp.p, L"Text")));
        }
    }
    // The scroll arrows write the position into the text.
    {
        Placed p;
        check(place(p, classNamed("ScrollText"), 290), "ScrollText placed");
        HWND bar = childOfClass(p.window, L"ScrollBar");
        check(bar != nullptr, "its scroll bar is a SCROLLBAR window");
        if (bar) {
            putLong(p.disp.p, L"Value", 5);
            const std::wstring before = getText(p.disp.p, L"Value");
            SendMessageW(p.window, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
            const std::wstring down = getText(p.disp.p, L"Value");
            SendMessageW(p.window, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(bar));
            SendMessageW(p.window, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(bar));
            const std::wstring up = getText(p.disp.p, L"Value");
            check(before == L"5" && down != before && up != before && down != up,
                  "the arrows move the value one step each way: " + narrow(before) + " " +
                      narrow(down) + " " + narrow(up));
            check(getText(p.disp.p, L"Text") == up, "the text follows the position");
        }
    }
    // The clock ticks.
    {
        Placed p;
        check(place(p, classNamed("HoraAtual"), 360), "HoraAtual placed");
        HWND label = childOfClass(p.window, L"Static");
        wchar_t placeholder[64] = {}, first[64] = {}, second[64] = {};
        if (label) {
            GetWindowTextW(label, placeholder, 64);
            pump(1100);
            GetWindowTextW(label, first, 64);
            pump(1100);
            GetWindowTextW(label, second, 64);
        }
        check(std::wcschr(first, L':') && std::wcscmp(placeholder, first) != 0 &&
                  std::wcscmp(first, second) != 0,
              "the clock shows the time and moves on with each tick: " + narrow(placeholder) + " " +
                  narrow(first) + " " + narrow(second));
    }
}

// The credits panel's link: the window below `root` whose caption is an address.
HWND creditsLink(HWND root) {
    std::vector<HWND> todo{root};
    while (!todo.empty()) {
        HWND parent = todo.back();
        todo.pop_back();
        for (HWND h = FindWindowExW(parent, nullptr, nullptr, nullptr); h;
             h = FindWindowExW(parent, h, nullptr, nullptr)) {
            wchar_t text[256] = {};
            GetWindowTextW(h, text, 256);
            if (std::wcsstr(text, L"http") || std::wcsstr(text, L"www")) return h;
            todo.push_back(h);
        }
    }
    return nullptr;
}

void testCredits() {
    Placed p;
    check(place(p, classNamed("Sobre"), 10), "Sobre placed");
    check(patchShellExecute(), "the server's ShellExecuteA import is watched");
    HWND link = creditsLink(p.window);
    check(link != nullptr, "the credits panel shows a link");
    if (!link) return;
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    check(g_shellCalls == 1 && _stricmp(g_shellOp.c_str(), "Open") == 0 &&
              g_shellFile.find("http") != std::string::npos,
          "clicking the link asks the shell to open it: " + g_shellFile);
}

// Siting, the ambient font, sizing, drawing and deactivation through the OLE interfaces.
void testOleSite() {
    FONTDESC fd{
        sizeof(FONTDESC), const_cast<LPOLESTR>(L"Courier New"), {}, 700, 0, FALSE, FALSE, FALSE};
    fd.cySize.int64 = 120000;
    Ptr<IFontDisp> ambient;
    OleCreateFontIndirect(&fd, IID_IFontDisp, ambient.putVoid());
    Placed p;
    const ControlClassInfo& clock = classNamed("HoraAtual");
    check(SUCCEEDED(create(clock, p.disp.put())) &&
              SUCCEEDED(p.disp->QueryInterface(IID_IOleObject, p.ole.putVoid())),
          "HoraAtual created");
    if (!p.ole) return;
    p.site = new TestSite(g_form, RECT{20, 20, 220, 50}, ambient.p);
    p.ole->SetClientSite(p.site);
    Bag* empty = new Bag;
    Ptr<IPersistPropertyBag> ppb;
    p.disp->QueryInterface(IID_IPersistPropertyBag, ppb.putVoid());
    check(ppb && SUCCEEDED(ppb->Load(empty, nullptr)), "an empty bag loads");
    empty->Release();
    Var font;
    Ptr<IUnknown> got, want;
    check(p.site->ambientFontRequests > 0 && get(p.disp.p, L"Font", &font.v) == S_OK &&
              V_VT(&font.v) == VT_DISPATCH && V_DISPATCH(&font.v) &&
              SUCCEEDED(V_DISPATCH(&font.v)->QueryInterface(IID_IUnknown, got.putVoid())) &&
              SUCCEEDED(ambient->QueryInterface(IID_IUnknown, want.putVoid())) && got.p == want.p,
          "a key left out of the bag takes the site's ambient font, by reference");

    SIZEL size{5080, 1270}; // two inches by half an inch
    SIZEL back{};
    check(SUCCEEDED(p.ole->SetExtent(DVASPECT_CONTENT, &size)) &&
              SUCCEEDED(p.ole->GetExtent(DVASPECT_CONTENT, &back)) && back.cx == 5080,
          "SetExtent sizes the control: " + std::to_string(back.cx));
    SIZEL negative{-1, 100};
    check(p.ole->SetExtent(DVASPECT_CONTENT, &negative) == E_INVALIDARG,
          "a negative extent is refused");
    check(p.ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, p.site, 0, g_form, nullptr) == S_OK &&
              p.site->inPlaceActivations == 1 && p.site->uiActivations == 1,
          "DoVerb UI-activates the control in place");
    Ptr<IViewObject2> view;
    HDC dc = CreateCompatibleDC(nullptr);
    RECTL bounds{0, 0, 100, 20};
    check(SUCCEEDED(p.disp->QueryInterface(IID_IViewObject2, view.putVoid())) &&
              view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                         nullptr, 0) == S_OK &&
              view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                         nullptr, 0) == DV_E_DVASPECT,
          "IViewObject2 draws the content aspect only");
    DeleteDC(dc);
    Ptr<IOleInPlaceObject> ipo;
    HWND window = nullptr;
    p.disp->QueryInterface(IID_IOleInPlaceObject, ipo.putVoid());
    if (ipo) ipo->GetWindow(&window);
    check(window && GetParent(window) == g_form, "the control's window stands on the form");
    p.ole->Close(OLECLOSE_NOSAVE);
    check(p.site->inPlaceDeactivations == 1 && window && GetParent(window) != g_form,
          "Close deactivates it and takes its window off the form");
    Ptr<IOleControl> control;
    CONTROLINFO ci{};
    ci.cb = sizeof ci;
    check(SUCCEEDED(p.disp->QueryInterface(IID_IOleControl, control.putVoid())) &&
              SUCCEEDED(control->GetControlInfo(&ci)) && control->FreezeEvents(TRUE) == S_OK &&
              control->FreezeEvents(FALSE) == S_OK,
          "IOleControl answers");
}

// Wine's own control container window creates, sites and activates a control by ProgId.
void testAtlAxWin() {
    HMODULE atl = LoadLibraryW(L"atl.dll");
    check(atl != nullptr, "atl.dll loads");
    if (!atl) return;
    using Init = BOOL(WINAPI*)();
    using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
    auto init =
        reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<GetControl>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    check(init && getControl && init(), "AtlAxWinInit");
    if (!init || !getControl) return;
    // Every class, through that window alone: the text boxes are typed into, the clock is left
    // to tick and the credits panel is looked at.
    struct Case {
        const char* progId;
        const wchar_t* typed; // null: no text box
        const wchar_t* want;
    };
    for (const Case& c :
         {Case{"Tessivra.TextoEmMaiusculo", L"Ab", L"AB"},
          Case{"Tessivra.TextoEmMinusculo", L"Ab", L"ab"}, Case{"Tessivra.MailText", L"Ab", L"ab"},
          Case{"Tessivra.UrlText", L"Ab", L"ab"}, Case{"Tessivra.Moeda", L"12.5", L"12.5"},
          Case{"Tessivra.ScrollText", L"Ab",
               L"Ab0"}, // before the position Case{"Tessivra.HoraAtual", nullptr, nullptr},
          Case{"Tessivra.Sobre", nullptr, nullptr}}) {
        const std::string progId = c.progId;
        const std::wstring name = wide(c.progId);
        HWND host = CreateWindowExW(0, L"AtlAxWin", name.c_str(), WS_CHILD | WS_VISIBLE, 10, 400,
                                    300, 60, g_form, nullptr, GetModuleHandleW(nullptr), nullptr);
        check(host != nullptr, progId + ": AtlAxWin window created");
        if (!host) continue;
        Ptr<IUnknown> unk;
        Ptr<IDispatch> d;
        check(SUCCEEDED(getControl(host, unk.put())) &&
                  SUCCEEDED(unk->QueryInterface(IID_IDispatch, d.putVoid())),
              progId + ": AtlAxGetControl returns the sited control");
        // The control's own window is the host window's child; its constituents are below it.
        HWND control = FindWindowExW(host, nullptr, nullptr, nullptr);
        check(control != nullptr && IsWindowVisible(control),
              progId + ": the control's window is shown in the host window");
        if (c.typed) {
            HWND edit = control ? childOfClass(control, L"Edit") : nullptr;
            check(edit != nullptr, progId + ": its text box is in the host window");
            if (edit && d) {
                typeInto(edit, c.typed);
                check(getText(d.p, L"Text") == c.want,
                      progId +
                          ": typing into it applies the rule: " + narrow(getText(d.p, L"Text")));
            }
            if (progId == "Tessivra.UrlText") {
                HWND go = control ? childOfClass(control, L"Button") : nullptr;
                check(go != nullptr && IsWindowEnabled(go),
                      progId + ": its button is enabled once there is an address");
            }
        } else if (progId == "Tessivra.HoraAtual") {
            HWND label = control ? childOfClass(control, L"Static") : nullptr;
            wchar_t shown[64] = {};
            pump(1100);
            if (label) GetWindowTextW(label, shown, 64);
            check(std::wcschr(shown, L':') != nullptr,
                  progId + ": the clock ticks in the host window: " + narrow(shown));
        } else {
            check(control && creditsLink(control) != nullptr,
                  progId + ": its link is shown in the host window");
        }
        d.reset();
        unk.reset();
        DestroyWindow(host);
    }
}

// The vtable entry of a member, as DispInvoke finds it: the type information's offset into the
// object's interface.
void* vtableEntry(IDispatch* d, ITypeInfo* vt, DISPID id, INVOKEKIND kind) {
    TYPEATTR* ta = nullptr;
    if (FAILED(vt->GetTypeAttr(&ta))) return nullptr;
    void* fn = nullptr;
    for (UINT i = 0; i < ta->cFuncs && !fn; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(vt->GetFuncDesc(i, &fd))) continue;
        if (fd->memid == id && fd->invkind == kind)
            fn = (*reinterpret_cast<void***>(d))[fd->oVft / sizeof(void*)];
        vt->ReleaseFuncDesc(fd);
    }
    vt->ReleaseTypeAttr(ta);
    return fn;
}

// IDispatch::Invoke against DispInvoke (ITypeInfo::Invoke) on the same object and members, with
// the bare vtable call beside them: DispInvoke is the vtable call plus the type information's
// own work, so the vtable column says how much of each path is the member itself.
void bench() {
    Ptr<IDispatch> m;
    create(classNamed("Moeda"), m.put());
    Ptr<ITypeInfo> ti, vt;
    HREFTYPE ref = 0;
    if (!m || FAILED(m->GetTypeInfo(0, 0, ti.put())) ||
        FAILED(ti->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
        FAILED(ti->GetRefTypeInfo(ref, vt.put()))) {
        std::printf("bench: no type information\n");
        return;
    }
    putText(m.p, L"ToolTipText", L"a tip");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    // The paths take turns, round by round, and each keeps its fastest round: the machine is
    // shared, and a round another process interrupted says nothing about either path.
    constexpr int Rounds = 9, PerRound = 20000;
    const auto race = [&](auto&&... paths) {
        std::array<double, sizeof...(paths)> best;
        best.fill(1e300);
        for (int round = 0; round < Rounds; ++round) {
            std::size_t k = 0;
            (
                [&](auto& call) {
                    const auto t0 = std::chrono::steady_clock::now();
                    for (int i = 0; i < PerRound; ++i)
                        call();
                    const double ns = std::chrono::duration<double, std::nano>(
                                          std::chrono::steady_clock::now() - t0)
                                          .count() /
                                      PerRound;
                    best[k] = std::min(best[k], ns);
                    ++k;
                }(paths),
                ...);
        }
        return best;
    };
    const auto report = [](const char* what, const std::array<double, 3>& t) {
        std::printf("bench: %s: Invoke %.0f ns, DispInvoke %.0f ns, ratio %.1f (vtable %.0f ns)\n",
                    what, t[0], t[1], t[1] / t[0], t[2]);
    };

    // Members whose own work is small, so that the dispatch paths are what is measured: a colour
    // and a 16-bit number, read and assigned, and a text read.
    using GetI4 = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, LONG*);
    using GetI2 = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, SHORT*);
    using GetText = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, BSTR*);
    using PutI2 = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, SHORT);
    const auto reads = [&](const wchar_t* name, auto vtableCall) {
        const DISPID id = idOf(m.p, name);
        const auto ours = [&] {
            VARIANT r;
            VariantInit(&r);
            m->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
            VariantClear(&r);
        };
        const auto typeinfo = [&] {
            VARIANT r;
            VariantInit(&r);
            DispInvoke(m.p, vt.p, id, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
            VariantClear(&r);
        };
        void* fn = vtableEntry(m.p, vt.p, id, INVOKE_PROPERTYGET);
        const auto direct = [&] { vtableCall(fn); };
        report(("get " + narrow(name)).c_str(), race(ours, typeinfo, direct));
    };
    reads(L"BackColor", [&](void* fn) {
        LONG v = 0;
        return reinterpret_cast<GetI4>(fn)(m.p, &v);
    });
    reads(L"Alignment", [&](void* fn) {
        SHORT v = 0;
        return reinterpret_cast<GetI2>(fn)(m.p, &v);
    });
    reads(L"ToolTipText", [&](void* fn) {
        BSTR v = nullptr;
        const HRESULT hr = reinterpret_cast<GetText>(fn)(m.p, &v);
        SysFreeString(v);
        return hr;
    });

    VARIANT one;
    V_VT(&one) = VT_I2;
    V_I2(&one) = 1;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dp{&one, &named, 1, 1};
    const DISPID alignment = idOf(m.p, L"Alignment");
    auto* putAlignment =
        reinterpret_cast<PutI2>(vtableEntry(m.p, vt.p, alignment, INVOKE_PROPERTYPUT));
    report("put Alignment", race(
                                [&] {
                                    m->Invoke(alignment, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp,
                                              nullptr, nullptr, nullptr);
                                },
                                [&] {
                                    DispInvoke(m.p, vt.p, alignment, DISPATCH_PROPERTYPUT, &dp,
                                               nullptr, nullptr, nullptr);
                                },
                                [&] { putAlignment(m.p, 1); }));

    // What every text read costs whichever path it takes: the system's string, made and freed.
    const auto bstr = race([] { SysFreeString(SysAllocStringLen(L"a tip", 5)); });
    std::printf("bench: a text's BSTR made and freed: %.0f ns\n", bstr[0]);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: tessivra-container OCX_PATH [--bench]\n", stderr);
        return 2;
    }
    g_ocxPath = wide(argv[1]);
    OleInitialize(nullptr);
    {
        // Loads the server, so that its module and exports can be looked at.
        Ptr<IDispatch> first;
        if (FAILED(create(classNamed("Sobre"), first.put()))) {
            std::printf("the server is not registered\n0 passed, 1 failed\n");
            return 1;
        }
    }
    if (argc > 2 && std::strcmp(argv[2], "--bench") == 0) {
        bench();
    } else {
        makeForm();
        testRegistration();
        testResources();
        testTypeLibrary();
        testInvoke();
        testPersistence();
        testOleSite();
        testQuickActivate();
        testTyping();
        testCredits();
        testAtlAxWin();
        DestroyWindow(g_form);
        std::printf("%d passed, %d failed\n", g_passed, g_failed);
    }
    OleUninitialize();
    return g_failed == 0 ? 0 : 1;
}
