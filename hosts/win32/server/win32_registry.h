#pragma once
// The Windows registry as the registration records' backend. Keys arrive as full paths whose
// first component is the hive ("HKEY_CLASSES_ROOT\CLSID\{...}"), in UTF-8.

#include "framework/registry/registry_backend.h"

#include <windows.h>

#include <string>

namespace tessivra::win32 {

class Win32Registry final : public RegistryBackend {
public:
    ErrorOr<void> createKey(std::string_view key) override;
    ErrorOr<void> setValue(std::string_view key, std::string_view name,
                           std::string_view data) override;
    ErrorOr<void> deleteValue(std::string_view key, std::string_view name) override;
    ErrorOr<bool> deleteKeyIfEmpty(std::string_view key) override;
    ErrorOr<bool> keyExists(std::string_view key) override;
    ErrorOr<std::optional<std::string>> readValue(std::string_view key,
                                                  std::string_view name) override;
};

// The hive and the path below it; null for a hive this backend does not know.
struct RegistryPath {
    HKEY hive = nullptr;
    std::wstring below;
};
RegistryPath splitKey(std::string_view key);

} // namespace tessivra::win32
