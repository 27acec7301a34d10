// Pictures and fonts the page makes. A picture keeps its image file's bytes as a data address the
// browser draws (bitmaps, icons and cursors are all image formats it reads); the header is read
// and checked against the bytes there are before anything is made from them.

#include "framework/host/checks.h"
#include "framework/host/picture_files.h"
#include "framework/registry/resources.h"
#include "hosts/web/host/web_page.h"

#include <cmath>
#include <limits>

namespace tessivra::web {

namespace {

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
    if (header >= kBitmapInfoHeader) {
        const std::uint32_t bits = le16(dib, 14), used = le32(dib, 32);
        colours = used ? used : (bits <= 8 ? 1u << bits : 0);
        colours *= 4;
    } else {
        const std::uint32_t bits = le16(dib, 10);
        colours = bits <= 8 ? (1u << bits) * 3 : 0;
    }
    const auto total = static_cast<std::uint32_t>(kBitmapFileHeader + dib.size());
    const auto offset = static_cast<std::uint32_t>(kBitmapFileHeader + header + colours);
    std::vector<std::uint8_t> file{'B', 'M'};
    for (std::uint32_t v : {total, 0u, offset})
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

PictureRef picture(std::u16string name, const PictureHeader& h, const char* mime,
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
        const PictureHeader h = TRY(readBitmapResource(resource->bytes));
        return picture(std::u16string(resource->name), h, "image/bmp", bitmapFile(resource->bytes));
    }
    const PictureHeader h = TRY(readIconFile(resource->bytes, kind));
    return picture(std::u16string(resource->name), h, "image/x-icon", resource->bytes);
}

ErrorOr<PictureRef> WebObjects::LoadPicture(std::span<const std::uint8_t> b) {
    const PictureHeader h = TRY(readPictureFile(b));
    // A bitmap file is drawn as it is; an icon's or a cursor's file as an icon.
    return picture(u"", h, h.type == picturetype::Bitmap ? "image/bmp" : "image/x-icon", b);
}

ErrorOr<FontRef> WebObjects::NewFont(const FontDescription& d) {
    return newCheckedFont(d);
}

} // namespace tessivra::web
