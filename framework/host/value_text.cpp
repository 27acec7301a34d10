#include "framework/host/value_text.h"

#include "framework/host/utf8.h"

#include <cmath>
#include <cstdio>

namespace tessivra {

namespace {

// The escape scripts read for the five common characters, or null.
const char* shortEscape(char32_t c) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\r':
        return "\\r";
    case '\n':
        return "\\n";
    case '\t':
        return "\\t";
    default:
        return nullptr;
    }
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::string hexEscape(const char* prefix, unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*X", prefix, digits, value);
    return buf;
}

// The code point of a valid UTF-8 sequence at the start of `s` and its length, or length 0.
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char first = b(0);
    std::size_t n = first < 0x80           ? 1
                    : (first >> 5) == 0x6  ? 2
                    : (first >> 4) == 0xE  ? 3
                    : (first >> 3) == 0x1E ? 4
                                           : 0;
    if (n == 0 || n > s.size()) return {0, 0};
    char32_t c = n == 1 ? first : first & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return {0, 0};
        c = (c << 6) | (b(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return {0, 0};
    return {c, n};
}

} // namespace

std::string quoteBytes(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (const char* e = shortEscape(u))
            out += e;
        else if (u < 0x20 || u == 0x7F)
            out += hexEscape("\\x", u, 2);
        else
            out += c;
    }
    return out + "\"";
}

std::string quote(std::u16string_view s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else if (const char* e = shortEscape(c)) {
            out += e;
        } else if (isControl(c) || (c >= 0xD800 && c <= 0xDFFF)) {
            out += hexEscape("\\u", static_cast<unsigned>(c), 4);
        } else {
            appendUtf8(out, c);
        }
    }
    return out + "\"";
}

std::string printableLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    while (!s.empty()) {
        auto [c, n] = decodeUtf8(s);
        if (n == 0) {
            out += hexEscape("\\x", static_cast<unsigned char>(s[0]), 2);
            n = 1;
        } else if (c < 0x20 || c == 0x7F) {
            out += hexEscape("\\x", static_cast<unsigned>(c), 2);
        } else if (isControl(c)) {
            out += hexEscape("\\u", static_cast<unsigned>(c), 4);
        } else {
            out.append(s.substr(0, n));
        }
        s.remove_prefix(n);
    }
    return out;
}

std::string formatNumber(double d) {
    if (std::nearbyint(d) == d && std::fabs(d) < 1e15)
        return std::to_string(static_cast<long long>(d));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", d);
    return buf;
}

std::string formatValue(const Value& v) {
    switch (v.type()) {
    case ValueType::Empty:
        return "Empty";
    case ValueType::Missing:
        return "Missing";
    case ValueType::Nothing:
        return "Nothing";
    case ValueType::I2:
        return std::to_string(v.i2());
    case ValueType::I4:
        return std::to_string(v.i4());
    case ValueType::Bool:
        return v.boolean() ? "True" : "False";
    case ValueType::R4:
        return formatNumber(static_cast<double>(v.r4()));
    case ValueType::String:
        return quote(v.string());
    case ValueType::Font: {
        const auto& f = *v.font();
        return "Font(" + quote(f.name) + " " + formatNumber(static_cast<double>(f.size)) +
               (f.bold() ? " bold" : "") + (f.italic ? " italic" : "") + ")";
    }
    case ValueType::Picture:
        return "Picture(" + quote(v.picture()->name) + ")";
    case ValueType::Object:
        return "Object";
    }
    return "?";
}

} // namespace tessivra
