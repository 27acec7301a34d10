#include "framework/registry/registration.h"

#include "framework/registry/library.h"

#include <algorithm>

namespace tessivra {

namespace {

std::string join(std::string_view a, std::string_view b) {
    std::string out(a);
    out += '\\';
    out += b;
    return out;
}

std::string hexText(std::uint32_t v) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kHex[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return out;
}

char foldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameKey(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldAscii(x) == foldAscii(y); });
}

std::size_t depth(std::string_view key) {
    return static_cast<std::size_t>(std::count(key.begin(), key.end(), '\\'));
}

// Keys every component server shares. They hold other software's entries; the library's own
// keys start one level below them, and unregistering never removes them, even left empty.
bool isSharedKey(std::string_view key) {
    for (const std::string_view below : {"", "\\CLSID", "\\Interface", "\\TypeLib"})
        if (sameKey(key, std::string(ClassesRoot).append(below))) return true;
    return false;
}

} // namespace

std::string_view libraryFolder(std::string_view libraryPath) {
    const std::size_t slash = libraryPath.find_last_of("\\/");
    return slash == std::string_view::npos ? std::string_view{} : libraryPath.substr(0, slash);
}

std::vector<RegistryRecord> registrationRecords(std::span<const ControlClassInfo> classes,
                                                std::string_view libraryPath,
                                                RegistrationScope scope) {
    std::vector<RegistryRecord> r;
    const auto value = [&r](std::string key, std::string_view name, std::string data) {
        r.push_back({std::move(key), std::string(name), std::move(data)});
    };
    const std::string path(libraryPath);
    const std::string libid = Library.libid.toString();
    const std::string version = versionText(Library);

    for (const ControlClassInfo& c : classes) {
        if (scope.sharedKeys) {
            const std::string progIdKey = join(ClassesRoot, c.ProgId);
            value(progIdKey, "", std::string(c.ProgId));
            value(join(progIdKey, "CLSID"), "", c.Clsid.toString());
        }

        const std::string clsidKey = join(join(ClassesRoot, "CLSID"), c.Clsid.toString());
        value(clsidKey, "", std::string(c.ProgId));
        value(join(clsidKey, "ProgID"), "", std::string(c.ProgId));
        value(join(clsidKey, "InprocServer32"), "", path);
        value(join(clsidKey, "InprocServer32"), "ThreadingModel",
              std::string(Library.threadingModel));
        r.push_back({join(clsidKey, "Control"), "", std::nullopt});
        // The status of the default aspect sits under "1"; the key's own value is the status of
        // every other aspect, which asks for nothing.
        value(join(clsidKey, "MiscStatus"), "", "0");
        value(join(clsidKey, "MiscStatus\\1"), "", std::to_string(c.MiscStatus));
        value(join(clsidKey, "ToolboxBitmap32"), "", path + ", " + std::to_string(c.ToolboxBitmap));
        value(join(clsidKey, "TypeLib"), "", libid);
        value(join(clsidKey, "Version"), "", version);

        for (const InterfaceInfo* itf : {&c.DefaultInterface, &c.EventInterface}) {
            const std::string itfKey = join(join(ClassesRoot, "Interface"), itf->iid.toString());
            value(itfKey, "", std::string(itf->name));
            value(join(itfKey, "ProxyStubClsid32"), "", std::string(AutomationProxyStub));
            value(join(itfKey, "ProxyStubClsid"), "", std::string(AutomationProxyStub));
            value(join(itfKey, "TypeLib"), "", libid);
            value(join(itfKey, "TypeLib"), "Version", version);
        }
    }

    if (!scope.typeLibrary || !scope.sharedKeys) return r;
    const std::string typeLibKey = join(join(join(ClassesRoot, "TypeLib"), libid), version);
    value(typeLibKey, "", std::string(Library.description));
    value(join(typeLibKey, "FLAGS"), "", hexText(Library.libraryFlags));
    value(join(join(typeLibKey, hexText(Library.locale)), "win32"), "", path);
    value(join(typeLibKey, "HELPDIR"), "", std::string(libraryFolder(libraryPath)));
    return r;
}

ErrorOr<void> writeRecords(RegistryBackend& registry, const std::vector<RegistryRecord>& records) {
    for (const RegistryRecord& record : records) {
        if (record.data)
            TRY(registry.setValue(record.key, record.name, *record.data));
        else
            TRY(registry.createKey(record.key));
    }
    return {};
}

ErrorOr<void> removeRecords(RegistryBackend& registry, const std::vector<RegistryRecord>& records) {
    for (const RegistryRecord& record : records)
        if (record.data) TRY(registry.deleteValue(record.key, record.name));

    // Every key a record names and the keys above it, up to the shared keys.
    std::vector<std::string> keys;
    for (const RegistryRecord& record : records) {
        std::string_view key = record.key;
        while (depth(key) >= 1 && !isSharedKey(key)) {
            if (std::none_of(keys.begin(), keys.end(),
                             [&](const std::string& k) { return sameKey(k, key); }))
                keys.emplace_back(key);
            key = key.substr(0, key.rfind('\\'));
        }
    }
    // Children before parents, so a parent is looked at once its own records are gone.
    std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        return depth(a) > depth(b);
    });
    for (const std::string& key : keys)
        TRY(registry.deleteKeyIfEmpty(key));
    return {};
}

ErrorOr<void> registerClasses(std::span<const ControlClassInfo> classes, RegistryBackend& registry,
                              std::string_view libraryPath, RegistrationScope scope) {
    return writeRecords(registry, registrationRecords(classes, libraryPath, scope));
}

ErrorOr<void> unregisterClasses(std::span<const ControlClassInfo> classes,
                                RegistryBackend& registry, RegistrationScope scope) {
    // Keys and value names do not depend on the path, and removal needs nothing else.
    return removeRecords(registry, registrationRecords(classes, {}, scope));
}

} // namespace tessivra
