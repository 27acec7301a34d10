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

// Which of the library's records a registration writes or removes. All of them by default, as a
// registry that stands in for the system's holds them; a server on the system itself narrows them.
struct RegistrationScope {
    // The type library's own keys. A server that calls the system's type-library registration
    // leaves them to it: the system spells their version in hexadecimal and files the path under
    // the running architecture.
    bool typeLibrary = true;
    // The keys every architecture's view of the registry shares: the ProgId keys and the type
    // library's. On a system that keeps 32- and 64-bit class registrations apart, they stay when
    // the library is removed from one view while the other still serves the classes.
    bool sharedKeys = true;
};

// Every record of the library holding `classes`, for a file at `libraryPath` (full path, as
// Windows spells it), in the order they are written. Keys and value names do not depend on the
// path.
std::vector<RegistryRecord> registrationRecords(std::span<const ControlClassInfo> classes,
                                                std::string_view libraryPath,
                                                RegistrationScope scope = {});

// Writes (removes) every registry record of the classes, their interfaces and the type library,
// within `scope`. `libraryPath` is the full path of the library's file. Stops at the first
// failure of the backend, leaving what was already done.
ErrorOr<void> registerClasses(std::span<const ControlClassInfo> classes, RegistryBackend& registry,
                              std::string_view libraryPath, RegistrationScope scope = {});
ErrorOr<void> unregisterClasses(std::span<const ControlClassInfo> classes,
                                RegistryBackend& registry, RegistrationScope scope = {});

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
