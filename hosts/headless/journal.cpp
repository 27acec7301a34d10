#include "hosts/headless/journal.h"

#include <cmath>
#include <cstdio>

namespace tessivra::headless {

std::string quoteBytes(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string quote(std::u16string_view s) {
    return quoteBytes(toUtf8(s));
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

} // namespace tessivra::headless
