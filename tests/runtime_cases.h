#pragma once
// The table of cases every runtime's text services answer (runtime_cases.tsv): reading it, and
// asking one runtime for one case's answer in the table's own notation. Shared by the native
// runner (runtime_cases_test.cpp) and by the runner each cross-built host compiles, so that
// every runtime is held to the same reading of the same rows.

#include "framework/host/runtime.h"
#include "framework/host/value.h"

#include <charconv>
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

inline std::runtime_error tableError(int line, const std::string& what) {
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
            if (ec != std::errc() || end != hex.data() + hex.size() || hex.size() != digits)
                throw tableError(line, "bad escape");
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
            throw tableError(line, "bad escape");
        }
    }
    return fromUtf8(utf8);
}

inline std::vector<Case> readCases(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Case> cases;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#') continue;
        std::vector<std::string> fields(1);
        for (const char c : text)
            if (c == '\t')
                fields.emplace_back();
            else
                fields.back() += c;
        if (fields.size() != 6)
            throw tableError(line, std::to_string(fields.size()) + " fields, not 6");
        cases.push_back({line, fields[0], fields[1], fields[2], unescape(fields[3], line),
                         unescape(fields[4], line), unescape(fields[5], line)});
    }
    return cases;
}

inline std::int32_t number(std::u16string_view s) {
    return std::stoi(toUtf8(s));
}

// "String:text", "Integer:5", "Long:5", "Single:1.5", "Boolean:True", "Empty:".
inline Value typedValue(std::u16string_view field) {
    const auto colon = field.find(u':');
    const std::string type = toUtf8(field.substr(0, colon));
    const std::u16string rest(field.substr(colon + 1));
    if (type == "String") return Value(rest);
    if (type == "Integer") return Value(static_cast<std::int16_t>(number(rest)));
    if (type == "Long") return Value(number(rest));
    if (type == "Single") return Value(std::stof(toUtf8(rest)));
    if (type == "Boolean") return Value::boolean(rest == u"True");
    if (type == "Empty") return Value();
    throw std::runtime_error("unknown value type " + type);
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

// One case's answer from `runtime`, or a description of a case the table should not hold.
inline std::u16string answer(TextServices& runtime, const Case& c) {
    const std::string& op = c.operation;
    if (op == "UCase") return shown(runtime.UCase(c.argument), asText);
    if (op == "LCase") return shown(runtime.LCase(c.argument), asText);
    if (op == "Chr") return shown(runtime.Chr(number(c.argument)), asText);
    if (op == "Asc") return shown(runtime.Asc(c.argument), asNumber<std::int16_t>);
    if (op == "CodePage") {
        const std::u16string character = shown(runtime.Chr(number(c.argument)), asText);
        const std::u16string code = shown(runtime.Asc(character), asNumber<std::int16_t>);
        // Both ways must hold: the row's result is the character, and its code is the argument.
        return code == c.argument ? character : u"code " + code + u" for " + character;
    }
    if (op == "Format")
        return shown(runtime.Format(typedValue(c.argument), c.second, 1, 1), asText);
    if (op == "CStr")
        return shown(runtime.CStr(static_cast<std::int16_t>(number(c.argument))), asText);
    if (op == "InStr") return shown(runtime.InStr(c.argument, c.second), asNumber<std::int32_t>);
    if (op == "StrConv") return shown(runtime.StrConvFromUnicode(c.argument), hexBytes);
    if (op == "TimeText") return shown(runtime.TimeText(TimeOfDay{number(c.argument)}), asText);
    return u"unknown operation " + fromUtf8(op);
}

} // namespace tessivra::runtimecases
