#pragma once
// What self-registration records, as one list of data built from the class table and the
// library's identity. Registering writes the list; unregistering removes the same list, so the
// two can never disagree about what belongs to the library.

#include "framework/registry/class_table.h"
#include "framework/registry/registry_backend.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra {

inline constexpr std::string_view ClassesRoot = "HKEY_CLASSES_ROOT";
// The standard automation marshaller every dual and dispatch interface of the library uses.
inline constexpr std::string_view AutomationProxyStub = "{00020424-0000-0000-C000-000000000046}";

struct RegistryRecord {
    std::string key;
    std::string name; // empty: the key's default value
    // Nothing: the key itself is the record (a mark such as "Control" that holds no value).
    std::optional<std::string> data;

    friend bool operator==(const RegistryRecord&, const RegistryRecord&) = default;
};

// Every record of the library holding `classes`, for a file at `libraryPath` (full path, as
// Windows spells it), in the order they are written. Keys and value names do not depend on the
// path.
std::vector<RegistryRecord> registrationRecords(std::span<const ControlClassInfo> classes,
                                                std::string_view libraryPath);

// Writes (removes) every registry record of the classes, their interfaces and the type library.
// `libraryPath` is the full path of the library's file. Stops at the first failure of the
// backend, leaving what was already done.
ErrorOr<void> registerClasses(std::span<const ControlClassInfo> classes, RegistryBackend& registry,
                              std::string_view libraryPath);
ErrorOr<void> unregisterClasses(std::span<const ControlClassInfo> classes,
                                RegistryBackend& registry);

// The folder part of a library path, without the final separator ("" for a bare file name).
std::string_view libraryFolder(std::string_view libraryPath);

// Writes the records in order; stops at the first failure.
ErrorOr<void> writeRecords(RegistryBackend& registry, const std::vector<RegistryRecord>& records);
// Deletes every value the records name, then every key they name and every key above it that
// is left with no value and no subkey, deepest first, short of the keys all component servers
// share (HKEY_CLASSES_ROOT and its CLSID, Interface and TypeLib keys), which stay even when
// empty. A value or key that was there before and is not one of the records is left alone.
ErrorOr<void> removeRecords(RegistryBackend& registry, const std::vector<RegistryRecord>& records);

} // namespace tessivra
