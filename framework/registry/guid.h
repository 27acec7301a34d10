#pragma once
// A 128-bit class, interface or library identifier as the component model writes it.
// The registry spells one as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; in memory and in resources
// it is 16 bytes whose first three fields are little-endian and whose last eight are in order.

#include "framework/host/error.h"

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessivra {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    static constexpr std::size_t TextLength = 38; // braces, 32 digits and 4 hyphens

    constexpr Guid() = default;
    constexpr Guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                   std::array<std::uint8_t, 8> d4)
        : data1(d1), data2(d2), data3(d3), data4(d4) {}

    // The braced registry form, digits in either case; anything else (missing braces, a stray
    // character, a wrong length) gives nothing.
    static constexpr std::optional<Guid> tryParse(std::string_view text);
    // As tryParse, with an error that quotes the text.
    static ErrorOr<Guid> parse(std::string_view text);
    // For identifiers written into the source: a malformed one fails to compile.
    static consteval Guid literal(std::string_view text) {
        const std::optional<Guid> g = tryParse(text);
        if (!g) throw "malformed identifier"; // not a constant expression: the build stops here
        return *g;
    }

    // The braced registry form with upper-case digits.
    std::string toString() const;

    std::array<std::uint8_t, 16> toBytes() const;
    static Guid fromBytes(std::span<const std::uint8_t, 16> bytes);

    constexpr bool isNull() const { return *this == Guid{}; }

    friend constexpr bool operator==(const Guid&, const Guid&) = default;
    // Written out field by field: not every standard library the core is compiled with (the
    // WebAssembly toolchain's among them) compares std::array three ways.
    friend constexpr std::strong_ordering operator<=>(const Guid& a, const Guid& b) {
        if (auto c = a.data1 <=> b.data1; c != 0) return c;
        if (auto c = a.data2 <=> b.data2; c != 0) return c;
        if (auto c = a.data3 <=> b.data3; c != 0) return c;
        for (std::size_t i = 0; i < a.data4.size(); ++i)
            if (auto c = a.data4[i] <=> b.data4[i]; c != 0) return c;
        return std::strong_ordering::equal;
    }
};

namespace detail {
constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
} // namespace detail

constexpr std::optional<Guid> Guid::tryParse(std::string_view text) {
    if (text.size() != TextLength || text.front() != '{' || text.back() != '}') return std::nullopt;
    // Positions of the hyphens inside the braces: 8-4-4-4-12 digits.
    std::uint8_t digits[16]{};
    std::size_t nibble = 0;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != '-') return std::nullopt;
            continue;
        }
        const int v = detail::hexDigit(c);
        if (v < 0) return std::nullopt;
        digits[nibble / 2] = static_cast<std::uint8_t>(digits[nibble / 2] << 4 | v);
        ++nibble;
    }
    // The text lists every field most significant byte first.
    Guid g;
    g.data1 = std::uint32_t{digits[0]} << 24 | std::uint32_t{digits[1]} << 16 |
              std::uint32_t{digits[2]} << 8 | digits[3];
    g.data2 = static_cast<std::uint16_t>(digits[4] << 8 | digits[5]);
    g.data3 = static_cast<std::uint16_t>(digits[6] << 8 | digits[7]);
    for (std::size_t i = 0; i < 8; ++i)
        g.data4[i] = digits[8 + i];
    return g;
}

} // namespace tessivra
