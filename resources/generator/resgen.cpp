// Turns the library's pictures, kept as editable text pixel maps, into the binary resources the
// library embeds, written out as one C++ source of byte arrays.
//
// It stands alone, on the standard library only: the library it feeds cannot be built before
// it has run.
//
// A pixel map is a text file of directives, one a line, then the pixels:
//
//   # comment
//   resource toolbox_30001     the name the library looks the bytes up by
//   format dib24               dib24: bitmap information header and 24-bit bottom-up rows
//                              ico4 / cur4: a 16-colour icon / cursor file with an AND mask
//   size 16 15                 width and height in pixels
//   hotspot 9 1                cursors only: the pixel that points, from the top left
//   colour k 0 0 0             a pixel character and its red, green and blue
//   colour . transparent       icons and cursors only
//   pixels                     then `height` lines of `width` characters, top row first
//
// Usage: tessivra-resgen OUTPUT.cpp MAP.txt...

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The standard 16-colour palette of Windows icons and cursors, in its usual order.
constexpr std::array<Rgb, 16> kPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

enum class Format { Dib24, Ico4, Cur4 };

struct PixelMap {
    std::string file;
    std::string resource;
    Format format = Format::Dib24;
    int width = 0;
    int height = 0;
    std::optional<std::pair<int, int>> hotspot;
    std::map<char, std::optional<Rgb>> legend; // nothing: transparent
    std::vector<std::string> rows;             // top row first
};

[[noreturn]] void fail(const std::string& file, int line, const std::string& why) {
    throw std::runtime_error(file + ":" + std::to_string(line) + ": " + why);
}

int number(std::istringstream& in, const std::string& file, int line, int low, int high) {
    long long v = 0;
    if (!(in >> v) || v < low || v > high)
        fail(file, line,
             "expected a number from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(v);
}

bool isIdentifier(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (const char c : s)
        if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (c >= '0' && c <= '9')))
            return false;
    return true;
}

PixelMap readMap(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error(file + ": cannot open");
    PixelMap map;
    map.file = file;
    std::string text;
    int lineNo = 0;
    bool inPixels = false;
    while (std::getline(in, text)) {
        ++lineNo;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (inPixels) {
            if (static_cast<int>(map.rows.size()) == map.height) {
                if (!text.empty()) fail(file, lineNo, "more pixel rows than the height");
                continue;
            }
            if (static_cast<int>(text.size()) != map.width)
                fail(file, lineNo,
                     "a pixel row must be " + std::to_string(map.width) + " characters long");
            for (const char c : text)
                if (!map.legend.contains(c))
                    fail(file, lineNo, std::string("pixel character '") + c + "' has no colour");
            map.rows.push_back(text);
            continue;
        }
        if (text.empty() || text[0] == '#') continue;
        std::istringstream words(text);
        std::string directive;
        words >> directive;
        if (directive == "resource") {
            words >> map.resource;
            if (!isIdentifier(map.resource))
                fail(file, lineNo, "the resource name must be an identifier");
        } else if (directive == "format") {
            std::string f;
            words >> f;
            if (f == "dib24")
                map.format = Format::Dib24;
            else if (f == "ico4")
                map.format = Format::Ico4;
            else if (f == "cur4")
                map.format = Format::Cur4;
            else
                fail(file, lineNo, "unknown format '" + f + "'");
        } else if (directive == "size") {
            map.width = number(words, file, lineNo, 1, 1024);
            map.height = number(words, file, lineNo, 1, 1024);
        } else if (directive == "hotspot") {
            const int x = number(words, file, lineNo, 0, 1023);
            const int y = number(words, file, lineNo, 0, 1023);
            map.hotspot = {x, y};
        } else if (directive == "colour") {
            // The pixel character follows exactly one space, so that any character can be one.
            if (text.size() < 9 || text[6] != ' ' || text[8] != ' ')
                fail(file, lineNo, "expected: colour <character> <red> <green> <blue>");
            const char c = text[7];
            std::istringstream rest(text.substr(9));
            if (rest.str() == "transparent") {
                map.legend[c] = std::nullopt;
            } else {
                const int r = number(rest, file, lineNo, 0, 255);
                const int g = number(rest, file, lineNo, 0, 255);
                const int b = number(rest, file, lineNo, 0, 255);
                map.legend[c] = Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                    static_cast<std::uint8_t>(b)};
            }
        } else if (directive == "pixels") {
            if (map.width == 0) fail(file, lineNo, "the size must come before the pixels");
            inPixels = true;
        } else {
            fail(file, lineNo, "unknown directive '" + directive + "'");
        }
    }
    if (map.resource.empty()) fail(file, lineNo, "no resource name");
    if (static_cast<int>(map.rows.size()) != map.height)
        fail(file, lineNo, "expected " + std::to_string(map.height) + " pixel rows");
    if (map.format == Format::Cur4 && !map.hotspot) fail(file, lineNo, "a cursor needs a hotspot");
    if (map.hotspot && (map.hotspot->first >= map.width || map.hotspot->second >= map.height))
        fail(file, lineNo, "the hotspot lies outside the picture");
    if (map.format != Format::Dib24 && (map.width > 256 || map.height > 256))
        fail(file, lineNo, "an icon or cursor is at most 256 pixels a side");
    for (const auto& [c, colour] : map.legend) {
        if (map.format == Format::Dib24 && !colour)
            fail(file, lineNo, "a 24-bit bitmap has no transparent pixels");
        if (map.format != Format::Dib24 && colour &&
            std::find(kPalette.begin(), kPalette.end(), *colour) == kPalette.end())
            fail(file, lineNo,
                 std::string("colour of '") + c + "' is not one of the 16 standard colours");
    }
    return map;
}

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::uint32_t rowBytes(int width, int bitsPerPixel) {
    // Every row of a device-independent bitmap is padded to a whole 32-bit word.
    return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

void bitmapInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize) {
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1); // planes
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0); // no compression
    put32(out, imageSize);
    put32(out, 0); // horizontal resolution
    put32(out, 0); // vertical resolution
    put32(out, 0); // colours used: all the bit depth allows
    put32(out, 0); // colours important: all
}

Bytes dib24(const PixelMap& map) {
    const std::uint32_t stride = rowBytes(map.width, 24);
    Bytes out;
    bitmapInfoHeader(out, map.width, map.height, 24,
                     stride * static_cast<std::uint32_t>(map.height));
    for (int y = map.height - 1; y >= 0; --y) { // bottom row first
        const std::size_t start = out.size();
        for (const char c : map.rows[static_cast<std::size_t>(y)]) {
            const Rgb rgb = *map.legend.at(c);
            out.push_back(rgb.b);
            out.push_back(rgb.g);
            out.push_back(rgb.r);
        }
        out.resize(start + stride, 0);
    }
    return out;
}

// An icon or cursor file holding one 16-colour image: the directory, then the image as a
// bitmap information header of double height (colour bits over mask), the palette, the colour
// bits and the AND mask, whose set bits are the transparent pixels.
Bytes iconFile(const PixelMap& map) {
    const bool cursor = map.format == Format::Cur4;
    const std::uint32_t xorStride = rowBytes(map.width, 4);
    const std::uint32_t andStride = rowBytes(map.width, 1);
    const auto h = static_cast<std::uint32_t>(map.height);
    const std::uint32_t imageSize = 40 + 16 * 4 + (xorStride + andStride) * h;

    Bytes out;
    put16(out, 0);
    put16(out, cursor ? 2 : 1);
    put16(out, 1);                                              // one image
    out.push_back(static_cast<std::uint8_t>(map.width & 0xFF)); // 0 means 256
    out.push_back(static_cast<std::uint8_t>(map.height & 0xFF));
    out.push_back(16); // colours
    out.push_back(0);
    if (cursor) {
        put16(out, static_cast<std::uint32_t>(map.hotspot->first));
        put16(out, static_cast<std::uint32_t>(map.hotspot->second));
    } else {
        put16(out, 1); // planes
        put16(out, 4); // bits per pixel
    }
    put32(out, imageSize);
    put32(out, 6 + 16); // the image follows the directory

    bitmapInfoHeader(out, map.width, map.height * 2, 4, (xorStride + andStride) * h);
    for (const Rgb& c : kPalette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    const auto paletteIndex = [&](char c) -> std::uint8_t {
        const std::optional<Rgb>& colour = map.legend.at(c);
        if (!colour) return 0; // black under a set mask bit leaves the screen as it is
        return static_cast<std::uint8_t>(std::find(kPalette.begin(), kPalette.end(), *colour) -
                                         kPalette.begin());
    };
    for (int y = map.height - 1; y >= 0; --y) {
        const std::string& row = map.rows[static_cast<std::size_t>(y)];
        Bytes line(xorStride, 0);
        for (std::size_t x = 0; x < row.size(); ++x) {
            const std::uint8_t index = paletteIndex(row[x]);
            line[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    for (int y = map.height - 1; y >= 0; --y) {
        const std::string& row = map.rows[static_cast<std::size_t>(y)];
        Bytes line(andStride, 0);
        for (std::size_t x = 0; x < row.size(); ++x)
            if (!map.legend.at(row[x])) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp MAP.txt...\n", argv[0]);
        return 2;
    }
    try {
        std::ostringstream src;
        src << "// Made by the resource generator from the pixel maps in resources/; edit those.\n"
               "#include \"framework/registry/resource_data.h\"\n\n"
               "namespace tessivra::detail {\n\nnamespace {\n\n";
        std::vector<std::pair<std::string, std::string>> entries; // resource, array
        for (int i = 2; i < argc; ++i) {
            const PixelMap map = readMap(argv[i]);
            for (const auto& e : entries)
                if (e.first == map.resource)
                    throw std::runtime_error(map.file + ": resource " + map.resource +
                                             " is defined twice");
            const Bytes bytes = map.format == Format::Dib24 ? dib24(map) : iconFile(map);
            const std::string array = "k_" + map.resource;
            src << "// " << baseName(map.file) << "\n"
                << "constexpr std::uint8_t " << array << "[" << bytes.size() << "] = {";
            for (std::size_t b = 0; b < bytes.size(); ++b)
                src << (b % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(bytes[b]) << ",";
            src << "\n};\n\n";
            entries.emplace_back(map.resource, array);
        }
        src << "struct Entry {\n    std::string_view name;\n"
               "    std::span<const std::uint8_t> bytes;\n};\n\n"
               "constexpr Entry kEntries[] = {\n";
        for (const auto& [name, array] : entries)
            src << "    {\"" << name << "\", " << array << "},\n";
        src << "};\n\n} // namespace\n\n"
               "std::span<const std::uint8_t> embeddedResource(std::string_view name) {\n"
               "    for (const Entry& e : kEntries)\n"
               "        if (e.name == name)\n"
               "            return e.bytes;\n"
               "    return {};\n}\n\n} // namespace tessivra::detail\n";

        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out << src.str();
        if (!out) throw std::runtime_error(std::string(argv[1]) + ": cannot write");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessivra-resgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
