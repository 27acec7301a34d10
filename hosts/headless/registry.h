#pragma once
// The headless stand-in for the Windows registry: an in-memory tree of keys holding named
// string values, saved to and read from a REGEDIT4 ".reg" text file.
//
// Key and value names compare without regard to ASCII case, as Windows compares them, and keep
// the spelling they were first created with. The five hives are always there and are not keys
// of their own: every stored key lies below one, and a hive holds no value. Text is UTF-8.

#include "framework/registry/registry_backend.h"

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessivra::headless {

class HeadlessRegistry final : public RegistryBackend {
public:
    ErrorOr<void> createKey(std::string_view key) override;
    ErrorOr<void> setValue(std::string_view key, std::string_view name,
                           std::string_view data) override;
    ErrorOr<void> deleteValue(std::string_view key, std::string_view name) override;
    ErrorOr<bool> deleteKeyIfEmpty(std::string_view key) override;
    ErrorOr<bool> keyExists(std::string_view key) override;
    ErrorOr<std::optional<std::string>> readValue(std::string_view key,
                                                  std::string_view name) override;

    // Every key, each parent before its subkeys.
    std::vector<std::string> keys() const;
    // The values of one key, default value first; nothing for a key that is not there.
    std::vector<std::pair<std::string, std::string>> values(std::string_view key) const;
    bool empty() const;

    // The REGEDIT4 text of the whole registry: every key, parents first, with its values.
    std::string toRegFile() const;
    // Reads a REGEDIT4 text; anything it cannot hold exactly (another format, a value that is
    // not a string, a deletion entry, a malformed line) is refused with the line it is on.
    static ErrorOr<HeadlessRegistry> fromRegFile(std::string_view text);

    ErrorOr<void> save(const std::filesystem::path& file) const;
    static ErrorOr<HeadlessRegistry> load(const std::filesystem::path& file);

    // Same keys and values, with the same spellings.
    friend bool operator==(const HeadlessRegistry& a, const HeadlessRegistry& b) {
        return a.hives_ == b.hives_;
    }

private:
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    // One key: its values and its subkeys, each filed under the spelling it was first given
    // and found without regard to case. Walking a path costs one look-up per level, whatever
    // the length of the path above it, and a parent comes before its subkeys when the tree is
    // walked in order.
    struct Node {
        std::map<std::string, std::string, NameLess> values;
        std::map<std::string, Node, NameLess> subkeys;
        friend bool operator==(const Node&, const Node&) = default;
    };
    class Reader;

    // The key at `key`, or null when it or one above it is not there.
    ErrorOr<const Node*> find(std::string_view key) const;
    // The key at `key`, created with every missing key above it.
    ErrorOr<Node*> create(std::string_view key);

    // One node a hive, in the order of the hives' names. The hives themselves are not keys.
    std::array<Node, 5> hives_;
};

} // namespace tessivra::headless
