// The library file's entry points: the load/unload entry, the class objects, unloading and
// self-registration.

#include "control_object.h"

// COM interfaces have no virtual destructor by design: an object deletes itself in its own
// Release, never through an interface pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "text_services.h"
#include "win32_registry.h"

#include "controls/shipped_classes.h"
#include "framework/registry/library.h"
#include "framework/registry/registration.h"

#include <olectl.h>
#include <windows.h>

#include <memory>
#include <string>

using namespace tessivra;
using namespace tessivra::win32;

namespace {

GUID toGuid(const Guid& g) {
    GUID out{};
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    for (int i = 0; i < 8; ++i)
        out.Data4[i] = g.data4[static_cast<std::size_t>(i)];
    return out;
}

ControlClassTable& table() {
    static ControlClassTable t(shippedClasses());
    return t;
}

// The class object of one class: it makes instances and holds the library with LockServer.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ControlClassInfo& info) : info_(info) { ++server().objects; }
    ~ClassFactory() { --server().objects; }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return createControlObject(info_, riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        table().lockServer(lock != FALSE);
        return S_OK;
    }

private:
    std::atomic<long> refs_ = 1;
    const ControlClassInfo& info_;
};

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(server().module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() > 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), n > 0 ? static_cast<int>(w.size()) : 0, out.data(), n,
                        nullptr, nullptr);
    return out;
}

// Whether the other architecture's view of the registry still has one of the classes served by
// its own build of this file. The two views keep class registrations apart but share the ProgId
// and type library keys, which must then stay.
bool otherArchitectureServes() {
#ifdef _WIN64
    const REGSAM other = KEY_WOW64_32KEY;
#else
    // A 32-bit system has one view only, and the flag would open our own.
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return false;
    const REGSAM other = KEY_WOW64_64KEY;
#endif
    for (const ControlClassInfo& c : table().classes()) {
        const std::string clsid = c.Clsid.toString();
        const std::wstring key =
            L"CLSID\\" + std::wstring(clsid.begin(), clsid.end()) + L"\\InprocServer32";
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | other, &h) ==
            ERROR_SUCCESS) {
            RegCloseKey(h);
            return true;
        }
    }
    return false;
}

HRESULT failure(const Error& e) {
    return e.code < 0 ? e.code : SELFREG_E_CLASS;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        server().module = instance;
        server().table = &table();
        server().text = &textServices();
        Win32Container::registerClasses(instance);
        break;
    case DLL_PROCESS_DETACH:
        Win32Container::unregisterClasses(instance);
        break;
    default:
        break;
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ControlClassInfo& info : table().classes()) {
        if (toGuid(info.Clsid) != clsid) continue;
        auto* factory = new ClassFactory(info);
        HRESULT hr = factory->QueryInterface(riid, out);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (!table().canUnload()) return S_FALSE;
    server().releaseTypeLib();
    return S_OK;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring path = modulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    Win32Registry registry;
    // The type library's keys are the system's to write, below.
    auto written = registerClasses(table().classes(), registry, utf8(path), {.typeLibrary = false});
    if (written.isError()) return failure(written.error());
    ITypeLib* tl = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &tl))) return SELFREG_E_TYPELIB;
    std::wstring file = path;
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    HRESULT hr = RegisterTypeLib(tl, file.data(), folder.data());
    tl->Release();
    return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const bool lastArchitecture = !otherArchitectureServes();
    // The type library first: the system finds its interfaces through the keys removed next. The
    // system removes only this architecture's path, and the library's key once no path is left.
#ifdef _WIN64
    const SYSKIND kind = SYS_WIN64;
#else
    const SYSKIND kind = SYS_WIN32;
#endif
    const GUID libid = toGuid(Library.libid);
    HRESULT hr = UnRegisterTypeLib(libid, Library.majorVersion, Library.minorVersion,
                                   static_cast<LCID>(Library.locale), kind);
    Win32Registry registry;
    auto removed = unregisterClasses(table().classes(), registry,
                                     {.typeLibrary = false, .sharedKeys = lastArchitecture});
    if (removed.isError()) return failure(removed.error());
    // A library that was not registered is no failure of unregistering: what is left goes.
    (void)hr;
    return S_OK;
}

} // extern "C"
