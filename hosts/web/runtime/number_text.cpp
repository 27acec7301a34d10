#include "hosts/web/runtime/number_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tessivra::webruntime {

namespace {

bool isPlace(char16_t c) {
    return c == u'#' || c == u'0';
}

// The zero of every run of ten decimal digits in the basic plane (Unicode's Nd characters come
// in such runs, zero first). Sorted, so a digit is found by its run.
constexpr std::array<char16_t, 37> kZeros{
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6,
    0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0,
    0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620,
    0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10};

// The white space trimmed around an amount: Unicode's White_Space characters.
bool isWhiteSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isGroupingSpace(char16_t c) {
    return c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u'\u2009';
}

bool isApostrophe(char16_t c) {
    return c == u'\'' || c == u'\u2019';
}

// The length of the grouping separator at the start of `text`, or 0.
std::size_t groupAt(std::u16string_view text, std::u16string_view group) {
    if (group.empty()) return 0;
    if (group.size() == 1) {
        const char16_t g = group[0];
        const char16_t c = text[0];
        if (c == g || (isGroupingSpace(g) && isGroupingSpace(c)) ||
            (isApostrophe(g) && isApostrophe(c)))
            return 1;
        return 0;
    }
    return text.starts_with(group) ? group.size() : 0;
}

} // namespace

ErrorOr<Places> readPattern(std::u16string_view pattern) {
    const auto point = pattern.find(u'.');
    const auto integer = pattern.substr(0, point);
    const auto fraction =
        point == std::u16string_view::npos ? std::u16string_view() : pattern.substr(point + 1);
    Places places;
    bool anyPlace = false;
    bool required = false;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        const char16_t c = integer[i];
        if (c == u',') {
            if (i == 0 || i + 1 == integer.size() || !isPlace(integer[i - 1]) ||
                !isPlace(integer[i + 1]))
                return Error::invalidProcedureCall();
            places.grouped = true;
        } else if (isPlace(c)) {
            anyPlace = true;
            // Every place from the first required one to the decimal symbol is filled, so
            // "#0#" asks for two digits at least.
            required = required || c == u'0';
            if (required) ++places.minInteger;
        } else {
            return Error::invalidProcedureCall();
        }
    }
    for (const char16_t c : fraction) {
        if (!isPlace(c)) return Error::invalidProcedureCall();
        anyPlace = true;
        ++places.maxFraction;
        if (c == u'0') places.minFraction = places.maxFraction;
    }
    if (!anyPlace) return Error::invalidProcedureCall();
    places.pointAlways = point != std::u16string_view::npos && places.maxFraction == 0;
    return places;
}

int decimalDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c < 0x660) return -1;
    const auto after = std::upper_bound(kZeros.begin(), kZeros.end(), c);
    const char16_t zero = *(after - 1);
    return c - zero < 10 ? c - zero : -1;
}

bool readAmount(std::u16string_view text, const NumberSymbols& symbols, std::string& digits,
                bool& negative) {
    while (!text.empty() && isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back()))
        text.remove_suffix(1);
    if (text.empty()) return false;
    negative = text.front() == u'-' || text.front() == u'\u2212';
    if (negative || text.front() == u'+') text.remove_prefix(1);

    digits.clear();
    std::size_t run = 0; // digits since the start or the last grouping separator
    bool grouped = false;
    bool point = false;
    while (!text.empty()) {
        if (const int digit = decimalDigit(text.front()); digit >= 0) {
            digits += static_cast<char>('0' + digit);
            ++run;
            text.remove_prefix(1);
        } else if (const std::size_t g = groupAt(text, symbols.group); g != 0) {
            if (run == 0 || run > 3 || (grouped && run != 3)) return false;
            grouped = true;
            run = 0;
            text.remove_prefix(g);
        } else if (!symbols.decimal.empty() && text.starts_with(symbols.decimal)) {
            text.remove_prefix(symbols.decimal.size());
            point = true;
            break;
        } else {
            return false;
        }
    }
    if (grouped && run != 3) return false;
    const bool integerDigits = !digits.empty();
    if (!point) return integerDigits;
    if (text.empty()) return integerDigits; // "5." reads as 5; a lone "." as nothing
    if (!integerDigits) digits += '0';
    digits += '.';
    for (const char16_t c : text) {
        const int digit = decimalDigit(c);
        if (digit < 0) return false;
        digits += static_cast<char>('0' + digit);
    }
    return true;
}

std::string roundHalfUp(std::string_view digits, std::int32_t places) {
    const auto point = digits.find('.');
    if (point == std::string_view::npos) return std::string(digits);
    const std::size_t keep = point + 1 + static_cast<std::size_t>(std::max(places, 0));
    if (digits.size() <= keep) return std::string(digits);
    std::string out(digits.substr(0, places > 0 ? keep : point));
    if (digits[keep] >= '5') {
        // Carry from the last kept digit leftwards, over the decimal point.
        std::size_t i = out.size();
        while (i > 0) {
            --i;
            if (out[i] == '.') continue;
            if (out[i] == '9') {
                out[i] = '0';
                continue;
            }
            ++out[i];
            return out;
        }
        out.insert(out.begin(), '1');
    }
    return out;
}

std::string shortestDecimal(float value) {
    value = std::fabs(value);
    // The fewest significant digits that read back as the same Single; nine always do.
    char text[32];
    for (int precision = 0; precision < 9; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    // "d.ddde+XX" written out in full.
    const std::string_view written(text);
    const auto e = written.find('e');
    std::string digits;
    for (const char c : written.substr(0, e))
        if (c != '.') digits += c;
    const long exponent = std::strtol(text + e + 1, nullptr, 10);
    const long point = exponent + 1; // digits before the decimal point
    const auto length = static_cast<long>(digits.size());
    std::string out;
    if (point <= 0) {
        out = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (point >= length) {
        out = digits + std::string(static_cast<std::size_t>(point - length), '0');
    } else {
        out = digits.substr(0, static_cast<std::size_t>(point)) + "." +
              digits.substr(static_cast<std::size_t>(point));
    }
    return value == 0 ? "0" : out;
}

void groupByThrees(std::u16string& text, std::u16string_view group) {
    std::size_t integer = 0;
    while (integer < text.size() && decimalDigit(text[integer]) >= 0)
        ++integer;
    if (integer <= 3 || group.empty()) return;
    std::u16string out;
    out.reserve(text.size() + (integer - 1) / 3 * group.size());
    for (std::size_t i = 0; i < integer; ++i) {
        if (i != 0 && (integer - i) % 3 == 0) out.append(group);
        out += text[i];
    }
    out.append(text, integer);
    text = std::move(out);
}

bool hasNonZeroDigit(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return decimalDigit(c) > 0; });
}

} // namespace tessivra::webruntime
