#include "hosts/headless/registry.h"

#include "hosts/headless/text_file.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace tessivra::headless {

namespace {

constexpr std::int32_t kInvalidFileFormat = 321;
// Windows refuses longer key names and value names.
constexpr std::size_t kMaxKeyNameLength = 255;
// Nor does it nest keys deeper than this below a hive. The bound also keeps a file's cost in
// step with its size: every level of a key is a key of its own, written with its whole path.
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxValueNameLength = 16383;

constexpr std::array<std::string_view, 5> kHives{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                 "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                                 "HKEY_CURRENT_CONFIG"};

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

// The checked form of a key path: the hive in its usual spelling followed by the rest as given.
struct KeyPath {
    std::string full;
    bool hiveOnly = false;
};

ErrorOr<KeyPath> checkKey(std::string_view key) {
    const std::size_t first = key.find('\\');
    const std::string_view hive = key.substr(0, first);
    const auto known = std::ranges::find_if(kHives, [&](auto h) { return sameName(h, hive); });
    if (known == kHives.end())
        return invalidKey(key, u"it does not start with a hive such as HKEY_CLASSES_ROOT");
    KeyPath path{std::string(*known), first == std::string_view::npos};
    if (path.hiveOnly) return path;
    std::string_view rest = key.substr(first + 1);
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
    path.full += key.substr(first);
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

// Reading .reg text -----------------------------------------------------------------------

class RegReader {
public:
    explicit RegReader(std::string_view text) : text_(text) {}

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
        key_ = path.value().full;
        inHive_ = path.value().hiveOnly;
        inKey_ = true;
        if (!inHive_) TRY(registry_.createKey(key_));
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
        ErrorOr<void> set = registry_.setValue(key_, name, data);
        if (set.isError()) return fail(set.error().description);
        return {};
    }

    std::string_view text_;
    std::size_t lineNumber_ = 0;
    HeadlessRegistry registry_;
    std::string key_;
    bool inKey_ = false;
    bool inHive_ = false;
};

} // namespace

bool HeadlessRegistry::PathLess::operator()(std::string_view a, std::string_view b) const {
    const auto rank = [](char c) -> unsigned { return c == '\\' ? 0u : fold(c) + 1u; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return rank(x) < rank(y); });
}

bool HeadlessRegistry::NameLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
}

bool HeadlessRegistry::hasSubkeys(
    std::map<std::string, KeyData, PathLess>::const_iterator it) const {
    const auto next = std::next(it);
    if (next == keys_.end()) return false;
    const std::string& parent = it->first;
    const std::string& candidate = next->first;
    return candidate.size() > parent.size() && candidate[parent.size()] == '\\' &&
           sameName(std::string_view(candidate).substr(0, parent.size()), parent);
}

ErrorOr<void> HeadlessRegistry::createKey(std::string_view key) {
    TRY(canonicalKey(key, true));
    return {};
}

ErrorOr<std::string> HeadlessRegistry::canonicalKey(std::string_view key, bool create) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return path.full;
    // Every key above it exists too. A key that is there keeps its spelling, and a new subkey
    // is filed under its parent's spelling, so one key never shows under two names.
    const std::string_view full = path.full;
    std::size_t slash = full.find('\\');
    std::string spelled(full.substr(0, slash));
    while (slash != std::string_view::npos) {
        const std::size_t next = full.find('\\', slash + 1);
        spelled += full.substr(slash, next - slash);
        if (const auto it = keys_.find(spelled); it != keys_.end())
            spelled = it->first;
        else if (create)
            keys_.emplace(spelled, KeyData{});
        slash = next;
    }
    return spelled;
}

ErrorOr<void> HeadlessRegistry::setValue(std::string_view key, std::string_view name,
                                         std::string_view data) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return hiveHoldsNoValue(key);
    TRY(checkValue(name, data));
    const std::string spelled = TRY(canonicalKey(path.full, true));
    auto& values = keys_.find(spelled)->second.values;
    if (const auto it = values.find(name); it != values.end())
        it->second = data;
    else
        values.emplace(name, data);
    return {};
}

ErrorOr<void> HeadlessRegistry::deleteValue(std::string_view key, std::string_view name) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return {};
    if (const auto it = keys_.find(path.full); it != keys_.end())
        if (const auto v = it->second.values.find(name); v != it->second.values.end())
            it->second.values.erase(v);
    return {};
}

ErrorOr<bool> HeadlessRegistry::deleteKeyIfEmpty(std::string_view key) {
    const KeyPath path = TRY(checkKey(key));
    if (path.hiveOnly) return false;
    const auto it = keys_.find(path.full);
    if (it == keys_.end() || !it->second.values.empty() || hasSubkeys(it)) return false;
    keys_.erase(it);
    return true;
}

ErrorOr<bool> HeadlessRegistry::keyExists(std::string_view key) {
    const KeyPath path = TRY(checkKey(key));
    return path.hiveOnly || keys_.contains(path.full);
}

ErrorOr<std::optional<std::string>> HeadlessRegistry::readValue(std::string_view key,
                                                                std::string_view name) {
    const KeyPath path = TRY(checkKey(key));
    std::optional<std::string> found;
    if (const auto it = keys_.find(path.full); it != keys_.end())
        if (const auto v = it->second.values.find(name); v != it->second.values.end())
            found = v->second;
    return found;
}

std::vector<std::string> HeadlessRegistry::keys() const {
    std::vector<std::string> out;
    out.reserve(keys_.size());
    for (const auto& [key, data] : keys_)
        out.push_back(key);
    return out;
}

std::vector<std::pair<std::string, std::string>>
HeadlessRegistry::values(std::string_view key) const {
    std::vector<std::pair<std::string, std::string>> out;
    if (const auto it = keys_.find(key); it != keys_.end())
        out.assign(it->second.values.begin(), it->second.values.end());
    return out;
}

std::string HeadlessRegistry::toRegFile() const {
    // The line ends Windows' own registry editor writes and expects.
    constexpr std::string_view eol = "\r\n";
    std::string out = "REGEDIT4";
    out += eol;
    out += eol;
    for (const auto& [key, data] : keys_) {
        out += '[';
        out += key;
        out += ']';
        out += eol;
        for (const auto& [name, value] : data.values) {
            if (name.empty())
                out += '@';
            else
                appendQuoted(out, name);
            out += '=';
            appendQuoted(out, value);
            out += eol;
        }
        out += eol;
    }
    return out;
}

ErrorOr<HeadlessRegistry> HeadlessRegistry::fromRegFile(std::string_view text) {
    return RegReader(text).read();
}

ErrorOr<void> HeadlessRegistry::save(const std::filesystem::path& file) const {
    return writeTextFile(file, toRegFile());
}

ErrorOr<HeadlessRegistry> HeadlessRegistry::load(const std::filesystem::path& file) {
    return fromRegFile(TRY(readTextFile(file)));
}

} // namespace tessivra::headless
