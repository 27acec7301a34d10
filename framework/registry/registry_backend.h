#pragma once
// Whatever stands in for the Windows registry. Registration only ever needs string values,
// so that is all a backend offers.
//
// A key is a full path whose first component is the hive, "HKEY_CLASSES_ROOT\CLSID\{...}";
// key and value names compare case-insensitively, as Windows compares them. The empty value
// name is the key's default value.

#include "framework/host/error.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessivra {

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // Creates the key and any missing key above it; an existing key is left as it is.
    virtual ErrorOr<void> createKey(std::string_view key) = 0;
    // Creates the key as createKey does, then sets the value, replacing any earlier data.
    virtual ErrorOr<void> setValue(std::string_view key, std::string_view name,
                                   std::string_view data) = 0;
    // Removing a value (or from a key) that is not there is not a failure.
    virtual ErrorOr<void> deleteValue(std::string_view key, std::string_view name) = 0;
    // Removes the key only when it holds no value and no subkey; tells whether it did.
    // A key that is not there is not a failure.
    virtual ErrorOr<bool> deleteKeyIfEmpty(std::string_view key) = 0;
    virtual ErrorOr<bool> keyExists(std::string_view key) = 0;
    // The value's data, or nothing when the key or the value is absent.
    virtual ErrorOr<std::optional<std::string>> readValue(std::string_view key,
                                                          std::string_view name) = 0;
};

} // namespace tessivra
