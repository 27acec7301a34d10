#pragma once
// The table of cases every runtime's text services answer (runtime_cases.tsv): reading it, and
// asking one runtime for one case's answer in the table's own notation. Shared by the runners of
// every runtime (the GoogleTest suite on Linux, the Windows runner under Wine), so a case means
// the same everywhere. Needs nothing but the standard library and the core's host interfaces.

#include "framework/host/runtime.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra::runtimecases {

struct Case {
    int line;
    std::string operation, locale, codePage;
    std::u16string argument, second, result;
};

namespace detail {

inline std::runtime_error bad(int line, const std::string& what) {
    return std::runtime_error("runtime_cases.tsv:" + std::to_string(line) + ": " + what);
}

// "\uXXXX", "\UXXXXXXXX", "\t" and "\\" in a field of the table.
inline std::u16string unescape(std::string_view field, int line) {
    std::string utf8;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            utf8 += field[i];
            continue;
        }
        const char kind = field[++i];
        if (kind == 't') {
            utf8 += '\t';
        } else if (kind == '\\') {
            utf8 += '\\';
        } else if (kind == 'u' || kind == 'U') {
            const std::size_t digits = kind == 'u' ? 4 : 8;
            std::uint32_t code = 0;
            const auto hex = field.substr(i + 1, digits);
            const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
            if (ec != std::errc() || end != hex.data() + hex.size() || hex.size() != digits ||
                code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
                throw bad(line, "bad escape");
            std::u16string one;
            if (code < 0x10000) {
                one += static_cast<char16_t>(code);
            } else {
                one += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                one += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            }
            utf8 += toUtf8(one);
            i += digits;
        } else {
            throw bad(line, "bad escape");
        }
    }
    return fromUtf8(utf8);
}

inline std::string ascii(std::u16string_view s) {
    return toUtf8(s);
}

inline std::int32_t number(std::u16string_view s, int line) {
    const std::string text = ascii(s);
    std::int32_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        throw bad(line, "not a 32-bit number: " + text);
    return n;
}

inline std::u16string hexBytes(std::string_view bytes) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += u' ';
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

// The answer as the table writes it: the text, or "!" and the error code.
template <typename T, typename Show> std::u16string shown(ErrorOr<T> result, Show show) {
    if (result.isError())
        return std::u16string(u"!").append(fromUtf8(std::to_string(result.error().code)));
    return show(result.releaseValue());
}
inline std::u16string asText(std::u16string s) {
    return s;
}
template <typename I> std::u16string asNumber(I n) {
    return fromUtf8(std::to_string(n));
}

} // namespace detail

// The cases of the table at `path`, in its order. A file that cannot be read, a line without its
// six fields or a bad escape throws std::runtime_error naming the line.
inline std::vector<Case> readCases(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Case> cases;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back(); // a checkout with CR LF
        if (text.empty() || text[0] == '#') continue;
        std::vector<std::string> fields(1);
        for (const char c : text)
            if (c == '\t')
                fields.emplace_back();
            else
                fields.back() += c;
        if (fields.size() != 6)
            throw detail::bad(line, std::to_string(fields.size()) + " fields, not 6");
        cases.push_back({line, fields[0], fields[1], fields[2], detail::unescape(fields[3], line),
                         detail::unescape(fields[4], line), detail::unescape(fields[5], line)});
    }
    return cases;
}

// "String:text", "Integer:5", "Long:5", "Single:1.5", "Boolean:True", "Empty:".
inline Value typedValue(std::u16string_view field, int line) {
    const auto colon = field.find(u':');
    if (colon == std::u16string_view::npos) throw detail::bad(line, "a value without its type");
    const std::string type = detail::ascii(field.substr(0, colon));
    const std::u16string rest(field.substr(colon + 1));
    if (type == "String") return Value(rest);
    if (type == "Integer") {
        const std::int32_t n = detail::number(rest, line);
        if (n < INT16_MIN || n > INT16_MAX) throw detail::bad(line, "not a 16-bit number");
        return Value(static_cast<std::int16_t>(n));
    }
    if (type == "Long") return Value(detail::number(rest, line));
    if (type == "Single") {
        const std::string text = detail::ascii(rest);
        float f = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), f);
        if (ec != std::errc() || end != text.data() + text.size())
            throw detail::bad(line, "not a single: " + text);
        return Value(f);
    }
    if (type == "Boolean") return Value::boolean(rest == u"True");
    if (type == "Empty") return Value();
    throw detail::bad(line, "unknown value type " + type);
}

// One case's answer from `runtime`, in the notation of the table's result column; an operation
// the table should not hold answers with a description of it, which matches no result.
inline std::u16string answer(TextServices& runtime, const Case& c) {
    using namespace detail;
    const std::string& op = c.operation;
    if (op == "UCase") return shown(runtime.UCase(c.argument), asText);
    if (op == "LCase") return shown(runtime.LCase(c.argument), asText);
    if (op == "Chr") return shown(runtime.Chr(number(c.argument, c.line)), asText);
    if (op == "Asc") return shown(runtime.Asc(c.argument), asNumber<std::int16_t>);
    if (op == "CodePage") {
        const std::u16string character = shown(runtime.Chr(number(c.argument, c.line)), asText);
        const std::u16string code = shown(runtime.Asc(character), asNumber<std::int16_t>);
        // Both ways must hold: the row's result is the character, and its code is the argument.
        return code == c.argument ? character : u"code " + code + u" for " + character;
    }
    if (op == "Format")
        return shown(runtime.Format(typedValue(c.argument, c.line), c.second, 1, 1), asText);
    if (op == "CStr") {
        const std::int32_t n = number(c.argument, c.line);
        if (n < INT16_MIN || n > INT16_MAX) throw bad(c.line, "not a 16-bit number");
        return shown(runtime.CStr(static_cast<std::int16_t>(n)), asText);
    }
    if (op == "InStr") return shown(runtime.InStr(c.argument, c.second), asNumber<std::int32_t>);
    if (op == "StrConv") return shown(runtime.StrConvFromUnicode(c.argument), hexBytes);
    if (op == "TimeText")
        return shown(runtime.TimeText(TimeOfDay{number(c.argument, c.line)}), asText);
    return u"unknown operation " + fromUtf8(op);
}

} // namespace tessivra::runtimecases
