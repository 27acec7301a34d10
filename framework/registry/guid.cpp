#include "framework/registry/guid.h"

namespace tessivra {

ErrorOr<Guid> Guid::parse(std::string_view text) {
    if (const std::optional<Guid> g = tryParse(text)) return *g;
    std::u16string description = u"Invalid identifier: \"";
    // The text is quoted back byte for byte; identifiers are plain ASCII when they are valid.
    for (const char c : text.substr(0, 64))
        description += static_cast<char16_t>(static_cast<unsigned char>(c));
    if (text.size() > 64) description += u"...";
    description += u"\" is not of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    return Error{errc::InvalidProcedureCall, std::move(description)};
}

std::string Guid::toString() const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(TextLength);
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int shift = bytes * 8 - 4; shift >= 0; shift -= 4)
            out += kHex[(value >> shift) & 0xF];
    };
    out += '{';
    put(data1, 4);
    out += '-';
    put(data2, 2);
    out += '-';
    put(data3, 2);
    out += '-';
    put(data4[0], 1);
    put(data4[1], 1);
    out += '-';
    for (std::size_t i = 2; i < 8; ++i)
        put(data4[i], 1);
    out += '}';
    return out;
}

std::array<std::uint8_t, 16> Guid::toBytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        b[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
        b[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
    }
    for (std::size_t i = 0; i < 8; ++i)
        b[8 + i] = data4[i];
    return b;
}

Guid Guid::fromBytes(std::span<const std::uint8_t, 16> b) {
    Guid g;
    g.data1 = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
              std::uint32_t{b[3]} << 24;
    g.data2 = static_cast<std::uint16_t>(b[4] | b[5] << 8);
    g.data3 = static_cast<std::uint16_t>(b[6] | b[7] << 8);
    for (std::size_t i = 0; i < 8; ++i)
        g.data4[i] = b[8 + i];
    return g;
}

} // namespace tessivra
