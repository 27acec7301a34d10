#include "hosts/web/host/lines.h"

#include "framework/host/utf8.h"

#include <cmath>
#include <cstdio>

namespace tessivra::web {

namespace {

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

std::string hexEscape(const char* prefix, unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*X", prefix, digits, value);
    return buf;
}

std::string formatNumber(double d) {
    if (std::nearbyint(d) == d && std::fabs(d) < 1e15)
        return std::to_string(static_cast<long long>(d));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", d);
    return buf;
}

} // namespace

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
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
                   (c >= 0xD800 && c <= 0xDFFF)) {
            out += hexEscape("\\u", static_cast<unsigned>(c), 4);
        } else {
            appendUtf8(out, c);
        }
    }
    return out + "\"";
}

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

} // namespace tessivra::web
