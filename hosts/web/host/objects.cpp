// Pictures and fonts the page makes. A picture keeps its image file's bytes as a data address the
// browser draws (bitmaps, icons and cursors are all image formats it reads); the header is read
// and checked against the bytes there are before anything is made from them.

#include "framework/registry/resources.h"
#include "hosts/web/host/web_page.h"

#include <cmath>
#include <limits>

namespace tessivra::web {

namespace {

struct Header {
    std::int16_t type = picturetype::Bitmap;
    std::int32_t width = 0, height = 0;
};

Error invalid(std::u16string_view why) {
    return {errc::InvalidPicture, u"Invalid picture: " + std::u16string(why)};
}

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

constexpr std::size_t kCoreHeader = 12, kInfoHeader = 40, kFileHeader = 14, kIconDirectory = 6,
                      kIconEntry = 16;

// A bitmap as a resource holds it: an information header and the pixels, no file header.
ErrorOr<Header> readBitmap(std::span<const std::uint8_t> b) {
    if (b.size() < 4) return invalid(u"the bitmap header is cut short");
    const std::uint32_t size = le32(b, 0);
    if (size != kCoreHeader && size < kInfoHeader)
        return invalid(u"the bitmap header is of no known size");
    if (b.size() < size) return invalid(u"the bitmap header is cut short");
    if (size == kCoreHeader) {
        const auto w = static_cast<std::int32_t>(le16(b, 4)),
                   h = static_cast<std::int32_t>(le16(b, 6));
        if (w == 0 || h == 0) return invalid(u"the bitmap has no pixels");
        return Header{picturetype::Bitmap, w, h};
    }
    const auto w = static_cast<std::int32_t>(le32(b, 4)), h = static_cast<std::int32_t>(le32(b, 8));
    if (w <= 0 || h == 0) return invalid(u"the bitmap has no pixels");
    if (h == std::numeric_limits<std::int32_t>::min())
        return invalid(u"the bitmap's height is out of range");
    return Header{picturetype::Bitmap, w, h < 0 ? -h : h};
}

ErrorOr<Header> readIcon(std::span<const std::uint8_t> b, ResourceKind kind) {
    if (b.size() < kIconDirectory) return invalid(u"the icon directory is cut short");
    const std::uint32_t expected = kind == ResourceKind::Cursor ? 2 : 1;
    if (le16(b, 0) != 0 || le16(b, 2) != expected)
        return invalid(kind == ResourceKind::Cursor ? u"not a cursor" : u"not an icon");
    const std::size_t count = le16(b, 4);
    if (count == 0) return invalid(u"the icon holds no image");
    if (b.size() < kIconDirectory + count * kIconEntry)
        return invalid(u"the icon directory is cut short");
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kIconDirectory + i * kIconEntry;
        const std::uint64_t size = le32(b, entry + 8), offset = le32(b, entry + 12);
        if (size == 0 || offset < kIconDirectory + count * kIconEntry || offset + size > b.size())
            return invalid(u"an icon image lies outside the file");
    }
    auto side = [](std::uint8_t v) { return v == 0 ? 256 : static_cast<std::int32_t>(v); };
    return Header{picturetype::Icon, side(b[kIconDirectory]), side(b[kIconDirectory + 1])};
}

std::string base64(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

// A bitmap resource made a bitmap file: the 14-byte file header in front, pointing at the
// pixels after the information header and its colour table.
std::vector<std::uint8_t> bitmapFile(std::span<const std::uint8_t> dib) {
    const std::uint32_t header = le32(dib, 0);
    std::uint32_t colours = 0;
    if (header >= kInfoHeader) {
        const std::uint32_t bits = le16(dib, 14), used = le32(dib, 32);
        colours = used ? used : (bits <= 8 ? 1u << bits : 0);
        colours *= 4;
    } else {
        const std::uint32_t bits = le16(dib, 10);
        colours = bits <= 8 ? (1u << bits) * 3 : 0;
    }
    const auto total = static_cast<std::uint32_t>(kFileHeader + dib.size());
    const auto offset = static_cast<std::uint32_t>(kFileHeader + header + colours);
    std::vector<std::uint8_t> file{'B', 'M'};
    for (std::uint32_t v : {total, 0u, offset})
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

PictureRef picture(std::u16string name, const Header& h, const char* mime,
                   std::span<const std::uint8_t> file) {
    return std::make_shared<WebPicture>(std::move(name), h.type, h.width, h.height,
                                        std::string("data:") + mime + ";base64," + base64(file));
}

} // namespace

ErrorOr<PictureRef> WebObjects::LoadResPicture(std::int32_t id, ResourceKind kind) {
    const auto resource = pictureResource(id, kind);
    if (!resource)
        return Error{errc::ResourceNotFound,
                     u"Resource with identifier " + fromUtf8(std::to_string(id)) + u" not found"};
    if (kind == ResourceKind::Bitmap) {
        const Header h = TRY(readBitmap(resource->bytes));
        return picture(std::u16string(resource->name), h, "image/bmp", bitmapFile(resource->bytes));
    }
    const Header h = TRY(readIcon(resource->bytes, kind));
    return picture(std::u16string(resource->name), h, "image/x-icon", resource->bytes);
}

ErrorOr<PictureRef> WebObjects::LoadPicture(std::span<const std::uint8_t> b) {
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') {
        if (b.size() < kFileHeader) return invalid(u"the bitmap file header is cut short");
        const Header h = TRY(readBitmap(b.subspan(kFileHeader)));
        return picture(u"", h, "image/bmp", b);
    }
    if (b.size() >= 4 && le16(b, 0) == 0 && (le16(b, 2) == 1 || le16(b, 2) == 2)) {
        const Header h =
            TRY(readIcon(b, le16(b, 2) == 2 ? ResourceKind::Cursor : ResourceKind::Icon));
        return picture(u"", h, "image/x-icon", b);
    }
    return invalid(u"not a bitmap, icon or cursor file");
}

ErrorOr<FontRef> WebObjects::NewFont(const FontDescription& d) {
    if (d.name.empty() || !(std::isfinite(d.size) && d.size > 0) || d.weight < 0 ||
        d.weight > fontweight::Heaviest)
        return Error::invalidPropertyValue();
    auto font = std::make_shared<Font>(std::u16string(d.name), d.size, d.weight);
    font->charset = d.charset;
    font->italic = d.italic;
    font->underline = d.underline;
    font->strikethrough = d.strikethrough;
    return font;
}

} // namespace tessivra::web
