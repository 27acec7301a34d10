#include "win32_registry.h"

namespace tessivra::win32 {

namespace {

std::wstring wide(std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string narrow(const wchar_t* w, std::size_t len) {
    if (len == 0) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), out.data(), n, nullptr, nullptr);
    return out;
}

Error registryError(LSTATUS status, std::string_view key) {
    std::u16string d = u"Registry access failed (";
    for (char c : std::to_string(status))
        d += static_cast<char16_t>(c);
    d += u") on ";
    for (char c : key)
        d += static_cast<char16_t>(static_cast<unsigned char>(c));
    return {static_cast<std::int32_t>(HRESULT_FROM_WIN32(static_cast<DWORD>(status))), d};
}

Error unknownHive(std::string_view key) {
    return registryError(ERROR_INVALID_PARAMETER, key);
}

// One open key, closed when it goes.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

} // namespace

RegistryPath splitKey(std::string_view key) {
    const std::size_t slash = key.find('\\');
    const std::string_view hive = key.substr(0, slash);
    RegistryPath p;
    if (hive == "HKEY_CLASSES_ROOT")
        p.hive = HKEY_CLASSES_ROOT;
    else if (hive == "HKEY_LOCAL_MACHINE")
        p.hive = HKEY_LOCAL_MACHINE;
    else if (hive == "HKEY_CURRENT_USER")
        p.hive = HKEY_CURRENT_USER;
    if (slash != std::string_view::npos) p.below = wide(key.substr(slash + 1));
    return p;
}

ErrorOr<void> Win32Registry::createKey(std::string_view key) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    Key k;
    LSTATUS s =
        RegCreateKeyExW(p.hive, p.below.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k.h, nullptr);
    if (s != ERROR_SUCCESS) return registryError(s, key);
    return {};
}

ErrorOr<void> Win32Registry::setValue(std::string_view key, std::string_view name,
                                      std::string_view data) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    Key k;
    LSTATUS s =
        RegCreateKeyExW(p.hive, p.below.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k.h, nullptr);
    if (s != ERROR_SUCCESS) return registryError(s, key);
    const std::wstring n = wide(name), d = wide(data);
    s = RegSetValueExW(k.h, n.empty() ? nullptr : n.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(d.c_str()),
                       static_cast<DWORD>((d.size() + 1) * sizeof(wchar_t)));
    if (s != ERROR_SUCCESS) return registryError(s, key);
    return {};
}

ErrorOr<void> Win32Registry::deleteValue(std::string_view key, std::string_view name) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    Key k;
    LSTATUS s = RegOpenKeyExW(p.hive, p.below.c_str(), 0, KEY_SET_VALUE, &k.h);
    if (s == ERROR_FILE_NOT_FOUND) return {};
    if (s != ERROR_SUCCESS) return registryError(s, key);
    const std::wstring n = wide(name);
    s = RegDeleteValueW(k.h, n.empty() ? nullptr : n.c_str());
    if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) return registryError(s, key);
    return {};
}

ErrorOr<bool> Win32Registry::deleteKeyIfEmpty(std::string_view key) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    {
        Key k;
        LSTATUS s = RegOpenKeyExW(p.hive, p.below.c_str(), 0, KEY_READ, &k.h);
        if (s == ERROR_FILE_NOT_FOUND) return false;
        if (s != ERROR_SUCCESS) return registryError(s, key);
        DWORD subkeys = 0, values = 0;
        s = RegQueryInfoKeyW(k.h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
        if (s != ERROR_SUCCESS) return registryError(s, key);
        if (subkeys != 0 || values != 0) return false;
    }
    LSTATUS s = RegDeleteKeyW(p.hive, p.below.c_str());
    if (s == ERROR_FILE_NOT_FOUND) return false;
    if (s != ERROR_SUCCESS) return registryError(s, key);
    return true;
}

ErrorOr<bool> Win32Registry::keyExists(std::string_view key) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    Key k;
    LSTATUS s = RegOpenKeyExW(p.hive, p.below.c_str(), 0, KEY_READ, &k.h);
    if (s == ERROR_FILE_NOT_FOUND) return false;
    if (s != ERROR_SUCCESS) return registryError(s, key);
    return true;
}

ErrorOr<std::optional<std::string>> Win32Registry::readValue(std::string_view key,
                                                             std::string_view name) {
    RegistryPath p = splitKey(key);
    if (!p.hive) return unknownHive(key);
    Key k;
    LSTATUS s = RegOpenKeyExW(p.hive, p.below.c_str(), 0, KEY_READ, &k.h);
    if (s == ERROR_FILE_NOT_FOUND) return std::optional<std::string>();
    if (s != ERROR_SUCCESS) return registryError(s, key);
    const std::wstring n = wide(name);
    DWORD type = 0, size = 0;
    s = RegQueryValueExW(k.h, n.empty() ? nullptr : n.c_str(), nullptr, &type, nullptr, &size);
    if (s == ERROR_FILE_NOT_FOUND) return std::optional<std::string>();
    if (s != ERROR_SUCCESS) return registryError(s, key);
    if (type != REG_SZ) return registryError(ERROR_INVALID_DATA, key);
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    s = RegQueryValueExW(k.h, n.empty() ? nullptr : n.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size);
    if (s != ERROR_SUCCESS) return registryError(s, key);
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0')
        data.pop_back();
    return std::optional<std::string>(narrow(data.data(), data.size()));
}

} // namespace tessivra::win32
