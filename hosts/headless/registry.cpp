#include "hosts/headless/registry.h"

#include "hosts/headless/text_file.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <array>

namespace tessivra::headless {

namespace {

constexpr std::int32_t kInvalidFileFormat = 321;
// Windows refuses longer key names and value names.
constexpr std::size_t kMaxKeyNameLength = 255;
// Nor does it nest keys deeper than this below a hive. The bound also keeps a file's cost in
// step with its size: every level of a key is a key of its own, written with its whole path.
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxValueNameLength = 16383;

// In the order their keys are written: by name without regard to case.
constexpr std::array<std::string_view, 5> kHives{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG",
                                                 "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                                 "HKEY_USERS"};

unsigned char fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return fold(x) == fold(y); });
}

std::u16string utf16(std::string_view utf8) {
    const icu::UnicodeString s = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())));
    return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
}

// Quotes user text in a message, shortened so a huge line cannot make a huge message.
// Messages are built by appending to one string: g++ 12 at -O3 wrongly reports overlapping
// copies (-Wrestrict) in a literal added to a string.
std::u16string quoted(std::string_view text) {
    constexpr std::size_t kMax = 80;
    std::u16string out(1, u'"');
    out += utf16(text.substr(0, kMax));
    out += text.size() > kMax ? u"...\"" : u"\"";
    return out;
}

Error invalidKey(std::string_view key, std::u16string_view why) {
    std::u16string text = u"Invalid registry key ";
    text += quoted(key);
    text += u": ";
    text += why;
    return Error{errc::InvalidProcedureCall, std::move(text)};
}

bool hasControlCharacter(std::string_view text) {
    // Tabs are fine; line breaks and the other control characters could not be written back.
    return std::ranges::any_of(text, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7F;
    });
}

// The checked form of a key path: which hive, and the names below it as given.
struct KeyPath {
    std::size_t hive = 0;
    std::string_view rest;
    bool hiveOnly = false;
};

ErrorOr<KeyPath> checkKey(std::string_view key) {
    const std::size_t first = key.find('\\');
    const std::string_view hive = key.substr(0, first);
    const auto known = std::ranges::find_if(kHives, [&](auto h) { return sameName(h, hive); });
    if (known == kHives.end())
        return invalidKey(key, u"it does not start with a hive such as HKEY_CLASSES_ROOT");
    KeyPath path{
        static_cast<std::size_t>(known - kHives.begin()), {}, first == std::string_view::npos};
    if (path.hiveOnly) return path;
    path.rest = key.substr(first + 1);
    std::string_view rest = path.rest;
    for (std::size_t depth = 1;; ++depth) {
        if (depth > kMaxKeyDepth) return invalidKey(key, u"a key is more than 512 levels deep");
        const std::size_t slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        if (part.empty()) return invalidKey(key, u"a key name is empty");
        if (part.size() > kMaxKeyNameLength)
            return invalidKey(key, u"a key name is longer than 255 characters");
        if (hasControlCharacter(part))
            return invalidKey(key, u"a key name holds a control character");
        if (slash == std::string_view::npos) break;
        rest = rest.substr(slash + 1);
    }
    return path;
}

ErrorOr<void> checkValue(std::string_view name, std::string_view data) {
    if (name.size() > kMaxValueNameLength)
        return Error{errc::InvalidProcedureCall, u"Invalid registry value name: too long"};
    if (hasControlCharacter(name))
        return Error{errc::InvalidProcedureCall, u"Invalid registry value name " + quoted(name) +
                                                     u": it holds a control character"};
    if (hasControlCharacter(data))
        return Error{errc::InvalidProcedureCall, u"Invalid registry value data " + quoted(data) +
                                                     u": it holds a control character"};
    return {};
}

Error hiveHoldsNoValue(std::string_view key) {
    return invalidKey(key, u"values are kept in keys below a hive, not in the hive itself");
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// The next name of a checked path; `rest` moves past it and its backslash.
std::string_view nextName(std::string_view& rest) {
    const std::size_t slash = rest.find('\\');
    const std::string_view name = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
    return name;
}

// The key `rest` names below `node`, or null; `node` is a hive's node, const or not.
template <typename N> N* lookUp(N* node, std::string_view rest) {
    while (node && !rest.empty()) {
        const auto it = node->subkeys.find(nextName(rest));
        node = it == node->subkeys.end() ? nullptr : &it->second;
    }
    return node;
}

} // namespace

// Reading .reg text -----------------------------------------------------------------------

class HeadlessRegistry::Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    ErrorOr<HeadlessRegistry> read() {
        // Editors may save the file with a byte-order mark.
        if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
        std::string_view line;
        const bool hasFirstLine = nextLine(line);
        lineNumber_ = 1;
        if (!hasFirstLine || line != "REGEDIT4") {
            if (line.starts_with("Windows Registry Editor"))
                return fail(u"only REGEDIT4 files are read, not the Unicode export format");
            return fail(u"the first line must be REGEDIT4");
        }
        while (nextLine(line)) {
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[')
                TRY(section(line));
            else if (line.front() == '@' || line.front() == '"')
                TRY(value(line));
            else
                return fail(u"expected a [key] line or a value line, found " + quoted(line));
        }
        return std::move(registry_);
    }

private:
    bool nextLine(std::string_view& line) {
        if (text_.empty()) return false;
        ++lineNumber_;
        const std::size_t end = text_.find('\n');
        line = text_.substr(0, end);
        text_ = end == std::string_view::npos ? std::string_view{} : text_.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        return true;
    }

    Error fail(std::u16string_view why) const {
        return Error{kInvalidFileFormat, u"Invalid registry file: line " +
                                             utf16(std::to_string(lineNumber_)) + u": " +
                                             std::u16string(why)};
    }

    ErrorOr<void> section(std::string_view line) {
        if (!line.ends_with(']') || line.size() < 2) return fail(u"a [key] line must end with ]");
        if (line.starts_with("[-"))
            return fail(u"deleting a key is not something a registry file can ask here");
        const std::string_view key = line.substr(1, line.size() - 2);
        ErrorOr<KeyPath> path = checkKey(key);
        if (path.isError()) return fail(path.error().description);
        inHive_ = path.value().hiveOnly;
        inKey_ = true;
        // The key is kept while its values are read, so that a value line costs its own
        // length and not that of the key's path again.
        if (!inHive_) key_ = TRY(registry_.create(key));
        return {};
    }

    // A quoted string at the start of `rest`, unescaped; `rest` moves past it.
    ErrorOr<std::string> quotedString(std::string_view& rest) {
        if (rest.empty() || rest.front() != '"') return fail(u"expected a quoted string");
        std::string out;
        std::size_t i = 1;
        for (; i < rest.size() && rest[i] != '"'; ++i) {
            if (rest[i] == '\\') {
                if (i + 1 >= rest.size() || (rest[i + 1] != '\\' && rest[i + 1] != '"'))
                    return fail(u"only \\\\ and \\\" may follow a backslash in a string");
                ++i;
            }
            out += rest[i];
        }
        if (i >= rest.size()) return fail(u"a string is not closed");
        rest.remove_prefix(i + 1);
        return out;
    }

    ErrorOr<void> value(std::string_view line) {
        if (!inKey_) return fail(u"a value comes before any [key] line");
        std::string_view rest = line;
        std::string name;
        if (rest.front() == '@')
            rest.remove_prefix(1);
        else
            name = TRY(quotedString(rest));
        if (rest.empty() || rest.front() != '=') return fail(u"expected = after the value name");
        rest.remove_prefix(1);
        if (rest.empty() || rest.front() != '"')
            return fail(u"only string values are read; found " + quoted(rest));
        const std::string data = TRY(quotedString(rest));
        if (!rest.empty()) return fail(u"unexpected text after the value: " + quoted(rest));
        if (inHive_) return fail(u"a hive holds no values");
        ErrorOr<void> checked = checkValue(name, data);
        if (checked.isError()) return fail(checked.error().description);
        key_->values.insert_or_assign(std::move(name), data);
        return {};
    }

    std::string_view text_;
    std::size_t lineNumber_ = 0;
    HeadlessRegistry registry_;
    Node* key_ = nullptr;
    bool inKey_ = false;
    bool inHive_ = false;
};

namespace {

// Writes every key below `node` in order, each before its subkeys; `path` is the node's own
// path and is left as it was found.
template <typename Visit> void walkKeys(const auto& node, std::string& path, const Visit& visit) {
    for (const auto& [name, subkey] : node.subkeys) {
        const std::size_t length = path.size();
        path += '\\';
        path += name;
        visit(std::string_view(path), subkey);
        walkKeys(subkey, path, visit);
        path.resize(length);
    }
}

template <typename Visit> void walkAllKeys(const auto& hives, const Visit& visit) {
    std::string path;
    for (std::size_t h = 0; h < hives.size(); ++h) {
        path = kHives[h];
        walkKeys(hives[h], path, visit);
    }
}

} // namespace

bool HeadlessRegistry::NameLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
}

ErrorOr<const HeadlessRegistry::Node*> HeadlessRegistry::find(std::string_view key) const {
    const KeyPath path = TRY(checkKey(key));
    return lookUp(&hives_[path.hive], path.rest);
}

ErrorOr<HeadlessRegistry::Node*> HeadlessRegistry::create(std::string_view key) {
    const KeyPath path = TRY(checkKey(key));
    // A key that is there keeps its spelling, and a new subkey is filed under its parent, so
    // one key never shows under two names.
    Node* node = &hives_[path.hive];
    for (std::string_view rest = path.rest; !rest.empty();) {
        const std::string_view name = nextName(rest);
        auto it = node->subkeys.find(name);
        if (it == node->subkeys.end()) it = node->subkeys.emplace(std::string(name), Node{}).first;
        node = &it->second;
    }
    return node;
}

ErrorOr<void> HeadlessRegistry::createKey(std::string_view key) {
    TRY(create(key));
    return {};
}

ErrorOr<void> HeadlessRegistry::setValue(std::string_view key, std::string_view name,
                                         std::string_view data) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return hiveHoldsNoValue(key);
    TRY(checkValue(name, data));
    Node* node = TRY(create(key));
    if (const auto it = node->values.find(name); it != node->values.end())
        it->second = data;
    else
        node->values.emplace(name, data);
    return {};
}

ErrorOr<void> HeadlessRegistry::deleteValue(std::string_view key, std::string_view name) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return {};
    if (Node* node = lookUp(&hives_[path.hive], path.rest))
        if (const auto v = node->values.find(name); v != node->values.end()) node->values.erase(v);
    return {};
}

ErrorOr<bool> HeadlessRegistry::deleteKeyIfEmpty(std::string_view key) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return false;
    Node* parent = &hives_[path.hive];
    std::string_view rest = path.rest;
    for (;;) {
        const auto it = parent->subkeys.find(nextName(rest));
        if (it == parent->subkeys.end()) return false;
        if (!rest.empty()) {
            parent = &it->second;
            continue;
        }
        if (!it->second.values.empty() || !it->second.subkeys.empty()) return false;
        parent->subkeys.erase(it);
        return true;
    }
}

ErrorOr<bool> HeadlessRegistry::keyExists(std::string_view key) {
    return TRY(find(key)) != nullptr;
}

ErrorOr<std::optional<std::string>> HeadlessRegistry::readValue(std::string_view key,
                                                                std::string_view name) {
    std::optional<std::string> found;
    if (const Node* node = TRY(find(key)))
        if (const auto v = node->values.find(name); v != node->values.end()) found = v->second;
    return found;
}

bool HeadlessRegistry::empty() const {
    return std::ranges::all_of(hives_, [](const Node& hive) { return hive.subkeys.empty(); });
}

std::vector<std::string> HeadlessRegistry::keys() const {
    std::vector<std::string> out;
    walkAllKeys(hives_, [&](std::string_view key, const Node&) { out.emplace_back(key); });
    return out;
}

std::vector<std::pair<std::string, std::string>>
HeadlessRegistry::values(std::string_view key) const {
    std::vector<std::pair<std::string, std::string>> out;
    // A path that could not name a key names none here; a hive's node holds no values.
    const ErrorOr<const Node*> node = find(key);
    if (!node.isError() && node.value())
        out.assign(node.value()->values.begin(), node.value()->values.end());
    return out;
}

std::string HeadlessRegistry::toRegFile() const {
    // The line ends Windows' own registry editor writes and expects.
    constexpr std::string_view eol = "\r\n";
    std::string out = "REGEDIT4";
    out += eol;
    out += eol;
    walkAllKeys(hives_, [&](std::string_view key, const Node& node) {
        out += '[';
        out += key;
        out += ']';
        out += eol;
        for (const auto& [name, value] : node.values) {
            if (name.empty())
                out += '@';
            else
                appendQuoted(out, name);
            out += '=';
            appendQuoted(out, value);
            out += eol;
        }
        out += eol;
    });
    return out;
}

ErrorOr<HeadlessRegistry> HeadlessRegistry::fromRegFile(std::string_view text) {
    return Reader(text).read();
}

ErrorOr<void> HeadlessRegistry::save(const std::filesystem::path& file) const {
    return writeTextFile(file, toRegFile());
}

ErrorOr<HeadlessRegistry> HeadlessRegistry::load(const std::filesystem::path& file) {
    return fromRegFile(TRY(readTextFile(file)));
}

} // namespace tessivra::headless
