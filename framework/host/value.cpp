#include "framework/host/value.h"
#include "framework/host/utf8.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tessivra {

std::u16string_view valueTypeName(ValueType t) {
    switch (t) {
    case ValueType::Empty:
        return u"Empty";
    case ValueType::Missing:
        return u"Missing";
    case ValueType::Nothing:
        return u"Nothing";
    case ValueType::I2:
        return u"Integer";
    case ValueType::I4:
        return u"Long";
    case ValueType::Bool:
        return u"Boolean";
    case ValueType::R4:
        return u"Single";
    case ValueType::String:
        return u"String";
    case ValueType::Font:
        return u"Font";
    case ValueType::Picture:
        return u"Picture";
    case ValueType::Object:
        return u"Object";
    }
    return u"?";
}

Value::Value(FontRef v) {
    if (v)
        v_ = std::move(v);
    else
        v_ = Nothing{};
}
Value::Value(PictureRef v) {
    if (v)
        v_ = std::move(v);
    else
        v_ = Nothing{};
}
Value::Value(ObjectRef v) {
    if (v)
        v_ = std::move(v);
    else
        v_ = Nothing{};
}

bool Value::isObject() const {
    auto t = type();
    return t == ValueType::Font || t == ValueType::Picture || t == ValueType::Object;
}

ObjectRef Value::anyObject() const {
    switch (type()) {
    case ValueType::Font:
        return font();
    case ValueType::Picture:
        return picture();
    case ValueType::Object:
        return object();
    default:
        return nullptr;
    }
}

namespace {

// Reads a number the way automation reads text: surrounding blanks allowed, decimal with an
// optional exponent, or hexadecimal after "&H".
ErrorOr<double> parseNumber(std::u16string_view text) {
    std::string s = toUtf8(text);
    auto first = s.find_first_not_of(" \t");
    auto last = s.find_last_not_of(" \t");
    if (first == std::string::npos) return Error::typeMismatch();
    s = s.substr(first, last - first + 1);
    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
        char* end = nullptr;
        errno = 0;
        unsigned long long v = std::strtoull(s.c_str() + 2, &end, 16);
        if (*end != '\0' || errno != 0 || v > 0xFFFFFFFFull) return Error::typeMismatch();
        // "&HFFFF" is -1 as an integer literal would be; longer ones are 32-bit.
        if (s.size() - 2 <= 4) return static_cast<double>(static_cast<std::int16_t>(v));
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    }
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E'))
            return Error::typeMismatch();
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return Error::typeMismatch();
    return v;
}

ErrorOr<double> numeric(const Value& v) {
    switch (v.type()) {
    case ValueType::Empty:
        return 0.0;
    case ValueType::I2:
        return static_cast<double>(v.i2());
    case ValueType::I4:
        return static_cast<double>(v.i4());
    case ValueType::Bool:
        return v.boolean() ? -1.0 : 0.0;
    case ValueType::R4:
        return static_cast<double>(v.r4());
    case ValueType::String:
        return parseNumber(v.string());
    default:
        return Error::typeMismatch();
    }
}

template <typename Int> ErrorOr<Int> toInteger(const Value& v) {
    double d = TRY(numeric(v));
    // Automation rounds halves to the even neighbour.
    double r = std::nearbyint(d);
    // A single that is not a number fits no integer.
    if (std::isnan(r) || r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        return Error::overflow();
    return static_cast<Int>(r);
}

std::u16string numberText(double d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", d);
    return fromUtf8(buf);
}

} // namespace

ErrorOr<std::int16_t> Value::toI2() const {
    if (type() == ValueType::I2) return i2();
    return toInteger<std::int16_t>(*this);
}

ErrorOr<std::int32_t> Value::toI4() const {
    if (type() == ValueType::I4) return i4();
    return toInteger<std::int32_t>(*this);
}

ErrorOr<VBool> Value::toBool() const {
    if (type() == ValueType::Bool) return toVBool(boolean());
    if (type() == ValueType::String) {
        std::u16string s = string();
        for (auto& c : s)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (s == u"true") return VTrue;
        if (s == u"false") return VFalse;
    }
    double d = TRY(numeric(*this));
    return toVBool(d != 0.0);
}

ErrorOr<float> Value::toR4() const {
    if (type() == ValueType::R4) return r4();
    double d = TRY(numeric(*this));
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return Error::overflow();
    return static_cast<float>(d);
}

ErrorOr<std::u16string> Value::toString() const {
    switch (type()) {
    case ValueType::Empty:
        return std::u16string();
    case ValueType::String:
        return string();
    case ValueType::I2:
        return fromUtf8(std::to_string(i2()));
    case ValueType::I4:
        return fromUtf8(std::to_string(i4()));
    case ValueType::Bool:
        return std::u16string(boolean() ? u"True" : u"False");
    case ValueType::R4:
        return numberText(static_cast<double>(r4()));
    default:
        return Error::typeMismatch();
    }
}

ErrorOr<FontRef> Value::toFont() const {
    if (type() == ValueType::Font) return font();
    if (type() == ValueType::Nothing) return FontRef();
    if (type() == ValueType::Object)
        if (auto f = std::dynamic_pointer_cast<Font>(object())) return f;
    if (isObject()) return Error::typeMismatch();
    return Error::objectRequired();
}

ErrorOr<PictureRef> Value::toPicture() const {
    if (type() == ValueType::Picture) return picture();
    if (type() == ValueType::Nothing) return PictureRef();
    if (type() == ValueType::Object)
        if (auto p = std::dynamic_pointer_cast<Picture>(object())) return p;
    if (isObject()) return Error::typeMismatch();
    return Error::objectRequired();
}

ErrorOr<ObjectRef> Value::toObject() const {
    if (type() == ValueType::Nothing) return ObjectRef();
    if (isObject()) return anyObject();
    return Error::objectRequired();
}

ErrorOr<Value> Value::convertTo(ValueType t) const {
    switch (t) {
    case ValueType::I2:
        return Value(TRY(toI2()));
    case ValueType::I4:
        return Value(TRY(toI4()));
    case ValueType::Bool:
        return Value::boolean(TRY(toBool()) != 0);
    case ValueType::R4:
        return Value(TRY(toR4()));
    case ValueType::String:
        return Value(TRY(toString()));
    case ValueType::Font:
        return Value(TRY(toFont()));
    case ValueType::Picture:
        return Value(TRY(toPicture()));
    case ValueType::Object:
        if (!isObject() && !isNothing()) return Error::objectRequired();
        break;
    case ValueType::Empty:
    case ValueType::Missing:
    case ValueType::Nothing:
        break;
    default:
        return Error::typeMismatch();
    }
    // The value as it is, built in place: g++ 12 for 32-bit Windows misreads a copy returned
    // from several branches as possibly uninitialized.
    return ErrorOr<Value>(Value(*this));
}

bool operator==(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case ValueType::Empty:
    case ValueType::Missing:
    case ValueType::Nothing:
        return true;
    case ValueType::I2:
        return a.i2() == b.i2();
    case ValueType::I4:
        return a.i4() == b.i4();
    case ValueType::Bool:
        return a.boolean() == b.boolean();
    case ValueType::R4:
        return a.r4() == b.r4();
    case ValueType::String:
        return a.string() == b.string();
    default:
        return a.anyObject() == b.anyObject();
    }
}

// The two conversions follow the Unicode standard's advice for ill-formed text, as the
// platform libraries do: a lone surrogate, and each maximal part of a UTF-8 sequence that cannot
// be completed, becomes one U+FFFD, and the text goes on after it.

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (c >> 10));
        out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (isHighSurrogate(c) && i + 1 < s.size() && isLowSurrogate(s[i + 1])) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                                (static_cast<char32_t>(s[i + 1]) - 0xDC00));
            ++i;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i++]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        }
        // The length a lead byte announces, and the range its first continuation byte must lie
        // in: the narrower ranges refuse overlong forms, surrogates and code points past U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        char32_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out += static_cast<char16_t>(kReplacement);
            continue;
        }
        std::size_t taken = 1;
        for (; taken < length && i < s.size(); ++taken) {
            const auto next = static_cast<unsigned char>(s[i]);
            if (next < low || next > high) break;
            c = (c << 6) | (next & 0x3F);
            ++i;
            low = 0x80;
            high = 0xBF;
        }
        // An incomplete sequence stands for one replacement; the byte that broke it starts anew.
        if (taken < length)
            out += static_cast<char16_t>(kReplacement);
        else
            appendUtf16(out, c);
    }
    return out;
}

} // namespace tessivra
