// The library's embedded resources, decoded the way Windows reads them: the toolbox bitmaps,
// the interface identifier resources, the icons, the cursor and the credits logo.

#include "controls/shipped_classes.h"
#include "framework/registry/class_table.h"
#include "framework/registry/resources.h"

#include <gtest/gtest.h>

#include <set>

namespace tessivra {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend bool operator<(const Rgb& x, const Rgb& y) {
        return std::tie(x.r, x.g, x.b) < std::tie(y.r, y.g, y.b);
    }
};
constexpr Rgb kWhite{255, 255, 255};

// A 24-bit device-independent bitmap without file header, every field checked on the way in.
struct Dib24 {
    std::span<const std::uint8_t> bytes;
    int width = 0, height = 0;

    static Dib24 decode(std::span<const std::uint8_t> b, int width, int height) {
        Dib24 d{b, width, height};
        const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
        EXPECT_EQ(b.size(), 40 + stride * static_cast<std::uint32_t>(height));
        if (b.size() < 40) return d;
        EXPECT_EQ(le32(b, 0), 40u);                                // header size
        EXPECT_EQ(le32(b, 4), static_cast<std::uint32_t>(width));  // width
        EXPECT_EQ(le32(b, 8), static_cast<std::uint32_t>(height)); // positive: bottom-up
        EXPECT_EQ(le16(b, 12), 1);                                 // planes
        EXPECT_EQ(le16(b, 14), 24);                                // bits per pixel
        EXPECT_EQ(le32(b, 16), 0u);                                // uncompressed
        EXPECT_EQ(le32(b, 20), stride * static_cast<std::uint32_t>(height));
        for (std::size_t field = 24; field < 40; field += 4)
            EXPECT_EQ(le32(b, field), 0u) << "field at " << field; // resolution and colours
        return d;
    }
    // (0, 0) is the top left; rows are stored bottom first.
    Rgb at(int x, int y) const {
        const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        const std::size_t p = 40 + static_cast<std::size_t>(height - 1 - y) * stride +
                              static_cast<std::size_t>(x) * 3;
        return {bytes[p + 2], bytes[p + 1], bytes[p]};
    }
    std::set<Rgb> colours() const {
        std::set<Rgb> all;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                all.insert(at(x, y));
        return all;
    }
    int count(Rgb c) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                n += at(x, y) == c;
        return n;
    }
};

// One 32 by 32, 16-colour image in an .ico (type 1) or .cur (type 2) file.
struct Icon16 {
    std::span<const std::uint8_t> bytes;
    static constexpr std::size_t kImage = 6 + 16;
    static constexpr std::size_t kPalette = kImage + 40;
    static constexpr std::size_t kXor = kPalette + 16 * 4;
    static constexpr std::size_t kAnd = kXor + 32 * 16;
    static constexpr std::size_t kSize = kAnd + 32 * 4;

    static Icon16 decode(std::span<const std::uint8_t> b, std::uint16_t type) {
        Icon16 icon{b};
        EXPECT_EQ(b.size(), kSize);
        if (b.size() != kSize) return icon;
        EXPECT_EQ(le16(b, 0), 0);    // reserved
        EXPECT_EQ(le16(b, 2), type); // 1 icon, 2 cursor
        EXPECT_EQ(le16(b, 4), 1);    // one image
        EXPECT_EQ(b[6], 32);         // width
        EXPECT_EQ(b[7], 32);         // height
        EXPECT_EQ(b[8], 16);         // colours
        EXPECT_EQ(b[9], 0);
        if (type == 1) {
            EXPECT_EQ(le16(b, 10), 1); // planes
            EXPECT_EQ(le16(b, 12), 4); // bits per pixel
        }
        EXPECT_EQ(le32(b, 14), kSize - kImage); // image size
        EXPECT_EQ(le32(b, 18), kImage);         // image offset
        EXPECT_EQ(le32(b, kImage), 40u);
        EXPECT_EQ(le32(b, kImage + 4), 32u);
        EXPECT_EQ(le32(b, kImage + 8), 64u); // colour bits over the mask
        EXPECT_EQ(le16(b, kImage + 12), 1);
        EXPECT_EQ(le16(b, kImage + 14), 4);
        EXPECT_EQ(le32(b, kImage + 16), 0u);
        EXPECT_EQ(le32(b, kImage + 20), 32u * 16 + 32 * 4);
        return icon;
    }
    bool transparent(int x, int y) const {
        const std::size_t row = kAnd + static_cast<std::size_t>(31 - y) * 4;
        return (bytes[row + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
    }
    Rgb at(int x, int y) const {
        const std::uint8_t pair =
            bytes[kXor + static_cast<std::size_t>(31 - y) * 16 + static_cast<std::size_t>(x) / 2];
        const std::size_t index = x % 2 == 0 ? pair >> 4 : pair & 0xF;
        const std::size_t p = kPalette + index * 4;
        return {bytes[p + 2], bytes[p + 1], bytes[p]};
    }
    int opaque() const {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                n += !transparent(x, y);
        return n;
    }
    std::set<Rgb> opaqueColours() const {
        std::set<Rgb> all;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (!transparent(x, y)) all.insert(at(x, y));
        return all;
    }
};

// ---- toolbox pictures -----------------------------------------------------------------------

TEST(ToolboxBitmaps, EachIsA760ByteHeaderlessDibOf16By15At24Bits) {
    for (std::int32_t id = 30000; id <= 30007; ++id) {
        SCOPED_TRACE(id);
        const auto bytes = toolboxBitmap(id);
        ASSERT_EQ(bytes.size(), 760u);
        EXPECT_EQ(le32(bytes, 20), 720u);
        Dib24::decode(bytes, 16, 15);
    }
    EXPECT_TRUE(toolboxBitmap(29999).empty());
    EXPECT_TRUE(toolboxBitmap(30008).empty());
    EXPECT_TRUE(toolboxBitmap(0).empty());
}

TEST(ToolboxBitmaps, EveryClassNamesAPictureOnWhiteThatIsDrawnAndItsOwn) {
    // Kept as text: g++ 12 at -O3 wrongly reports an unbounded memcmp (-Wstringop-overread) in
    // ordering byte vectors.
    std::set<std::string> distinct;
    for (const ControlClassInfo& c : shippedClasses()) {
        SCOPED_TRACE(std::string(c.Name));
        const auto bytes = toolboxBitmap(c.ToolboxBitmap);
        ASSERT_EQ(bytes.size(), 760u);
        const Dib24 dib = Dib24::decode(bytes, 16, 15);
        for (const auto& [x, y] : {std::pair{0, 0}, {15, 0}, {0, 14}, {15, 14}})
            EXPECT_EQ(dib.at(x, y), kWhite) << x << "," << y;
        // White is the background; a picture has a fair amount of something else.
        EXPECT_GT(16 * 15 - dib.count(kWhite), 30);
        EXPECT_GT(dib.count(kWhite), 16 * 15 / 5);
        distinct.emplace(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    EXPECT_EQ(distinct.size(), 8u);
}

TEST(ToolboxBitmaps, ScrollTextsArrowsMirrorEachOtherAcrossTheMiddleRow) {
    const Dib24 dib = Dib24::decode(toolboxBitmap(30003), 16, 15);
    int ink = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(dib.at(x, y), dib.at(x, 14 - y)) << x << "," << y;
            ink += dib.at(x, y) != kWhite;
        }
    // Each arrow narrows to its point: the top row of ink is narrower than the widest row.
    EXPECT_GT(ink, 0);
    EXPECT_EQ(dib.at(7, 7), kWhite); // a gap between the two arrows
}

TEST(ToolboxBitmaps, CapitalsReachHigherThanSmallLettersDoOutsideTheAscender) {
    // Capital A stands in the left half of 30004, small a in the left half of 30005.
    const auto topInk = [](const Dib24& d) {
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 8; ++x)
                if (d.at(x, y) != kWhite) return y;
        return 15;
    };
    const int capital = topInk(Dib24::decode(toolboxBitmap(30004), 16, 15));
    const int small = topInk(Dib24::decode(toolboxBitmap(30005), 16, 15));
    EXPECT_LT(capital, small);
}

// ---- identifier resources -------------------------------------------------------------------

TEST(IdentifierResources, EachHoldsLength16AndTheTablesInterfaceIdentifier) {
    std::vector<std::string> expectedNames;
    for (const ControlClassInfo& c : shippedClasses()) {
        std::string upper;
        for (const char ch : c.Name)
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        for (const auto& [prefix, iid] :
             {std::pair{"_IID_", c.DefaultInterface.iid}, {"_SRCIID_", c.EventInterface.iid}}) {
            const std::string name = prefix + upper;
            expectedNames.push_back(name);
            const auto bytes = identifierResource(shippedClasses(), name);
            ASSERT_EQ(bytes.size(), 20u) << name;
            EXPECT_EQ(le32(bytes, 0), 16u) << name;
            EXPECT_EQ(Guid::fromBytes(std::span<const std::uint8_t>(bytes).subspan<4, 16>()), iid)
                << name;
        }
    }
    EXPECT_EQ(identifierResourceNames(shippedClasses()), expectedNames);
}

TEST(IdentifierResources, HoraAtualsBytesAreTheStandardLayoutOfItsIdentifier) {
    // {566B57EC-4DB0-403B-BE6B-093CAE11900B} and {0B97C69A-125A-48EA-B162-03D21F6A466F}
    const std::vector<std::uint8_t> iid{16,   0,    0,    0,    0xEC, 0x57, 0x6B, 0x56, 0xB0, 0x4D,
                                        0x3B, 0x40, 0xBE, 0x6B, 0x09, 0x3C, 0xAE, 0x11, 0x90, 0x0B};
    const std::vector<std::uint8_t> src{16,   0,    0,    0,    0x9A, 0xC6, 0x97, 0x0B, 0x5A, 0x12,
                                        0xEA, 0x48, 0xB1, 0x62, 0x03, 0xD2, 0x1F, 0x6A, 0x46, 0x6F};
    const auto a = identifierResource(shippedClasses(), "_IID_HORAATUAL");
    const auto b = identifierResource(shippedClasses(), "_SRCIID_HORAATUAL");
    EXPECT_EQ(a, iid);
    EXPECT_EQ(b, src);
}

TEST(IdentifierResources, NamesMatchWithoutCaseAndOthersAreAbsent) {
    const auto upper = identifierResource(shippedClasses(), "_SRCIID_SOBRE");
    const auto mixed = identifierResource(shippedClasses(), "_srcIID_Sobre");
    ASSERT_EQ(upper.size(), 20u);
    EXPECT_EQ(upper, mixed);
    for (const char* absent :
         {"_IID_FRMABOUT", "_IID_", "IID_SOBRE", "_IID_SOBRE ", "_SRCIID_SOBR", "_IID_SOBREX", ""})
        EXPECT_TRUE(identifierResource(shippedClasses(), absent).empty()) << absent;
}

// ---- the controls' and the about window's pictures ------------------------------------------

TEST(Pictures, TheLaunchButtonIsAGreenCheckMarkOnATransparentIcon) {
    const Icon16 icon = Icon16::decode(launchButtonIcon(), 1);
    ASSERT_EQ(icon.bytes.size(), Icon16::kSize);
    EXPECT_TRUE(icon.transparent(0, 0));
    EXPECT_TRUE(icon.transparent(31, 31));
    EXPECT_GT(icon.opaque(), 60);
    EXPECT_LT(icon.opaque(), 32 * 32 / 2);
    // Dark green stroke, bright green edge, light grey shadow, and nothing else.
    EXPECT_EQ(icon.opaqueColours(), (std::set<Rgb>{{0, 128, 0}, {0, 255, 0}, {192, 192, 192}}));
    // Transparent pixels draw black, so the mask leaves the button face showing.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (icon.transparent(x, y)) {
                EXPECT_EQ(icon.at(x, y), (Rgb{0, 0, 0}));
            }
}

TEST(Pictures, TheLinkCursorPointsWithAnOpaqueFingertipAtItsHotspot) {
    const Icon16 cursor = Icon16::decode(linkCursor(), 2);
    ASSERT_EQ(cursor.bytes.size(), Icon16::kSize);
    const int hx = le16(cursor.bytes, 10);
    const int hy = le16(cursor.bytes, 12);
    ASSERT_LT(hx, 32);
    ASSERT_LT(hy, 32);
    EXPECT_FALSE(cursor.transparent(hx, hy));
    // The fingertip is the topmost opaque pixel: nothing shows above the hotspot's row.
    for (int y = 0; y < hy; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_TRUE(cursor.transparent(x, y));
    EXPECT_TRUE(cursor.transparent(31, 31));
    EXPECT_GT(cursor.opaque(), 100);
}

TEST(Pictures, TheAboutIconIsOpaqueInTheMiddleAndTransparentAtTheCorners) {
    const Icon16 icon = Icon16::decode(aboutIcon(), 1);
    ASSERT_EQ(icon.bytes.size(), Icon16::kSize);
    for (const auto& [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
        EXPECT_TRUE(icon.transparent(x, y));
    EXPECT_FALSE(icon.transparent(16, 16));
    EXPECT_GE(icon.opaqueColours().size(), 3u);
    EXPECT_NE(std::vector<std::uint8_t>(icon.bytes.begin(), icon.bytes.end()),
              std::vector<std::uint8_t>(launchButtonIcon().begin(), launchButtonIcon().end()));
}

TEST(Pictures, TheCreditsLogoIsA200By60BitmapWithInkOnWhite) {
    const auto bytes = creditsLogo();
    ASSERT_EQ(bytes.size(), 40u + 200 * 3 * 60);
    const Dib24 logo = Dib24::decode(bytes, 200, 60);
    for (const auto& [x, y] : {std::pair{0, 0}, {199, 0}, {0, 59}, {199, 59}})
        EXPECT_EQ(logo.at(x, y), kWhite);
    const int ink = 200 * 60 - logo.count(kWhite);
    EXPECT_GT(ink, 1000);
    EXPECT_LT(ink, 200 * 60 / 2);
    EXPECT_GE(logo.colours().size(), 2u);
}

} // namespace
} // namespace tessivra
