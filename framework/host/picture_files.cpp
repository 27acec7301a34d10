#include "framework/host/picture_files.h"

#include <limits>
#include <string>

namespace tessivra {

Error invalidPicture(std::u16string_view why) {
    return {errc::InvalidPicture, u"Invalid picture: " + std::u16string(why)};
}

namespace {
Error invalid(std::u16string_view why) {
    return invalidPicture(why);
}
} // namespace

ErrorOr<PictureHeader> readBitmapResource(std::span<const std::uint8_t> b) {
    if (b.size() < 4) return invalid(u"the bitmap header is cut short");
    const std::uint32_t headerSize = le32(b, 0);
    if (headerSize != kBitmapCoreHeader && headerSize < kBitmapInfoHeader)
        return invalid(u"the bitmap header is of no known size");
    if (b.size() < headerSize) return invalid(u"the bitmap header is cut short");
    if (headerSize == kBitmapCoreHeader) {
        // The old core header holds unsigned 16-bit sizes; its rows always run bottom-up.
        const std::int32_t width = static_cast<std::int32_t>(le16(b, 4));
        const std::int32_t height = static_cast<std::int32_t>(le16(b, 6));
        if (width == 0 || height == 0) return invalid(u"the bitmap has no pixels");
        return PictureHeader{picturetype::Bitmap, width, height};
    }
    const auto width = static_cast<std::int32_t>(le32(b, 4));
    const auto height = static_cast<std::int32_t>(le32(b, 8));
    if (width <= 0 || height == 0) return invalid(u"the bitmap has no pixels");
    // A top-down bitmap of the most negative height has no positive height to report.
    if (height == std::numeric_limits<std::int32_t>::min())
        return invalid(u"the bitmap's height is out of range");
    return PictureHeader{picturetype::Bitmap, width, height < 0 ? -height : height};
}

ErrorOr<PictureHeader> readIconFile(std::span<const std::uint8_t> b, ResourceKind kind) {
    if (b.size() < kIconDirectory) return invalid(u"the icon directory is cut short");
    const std::uint32_t expected = kind == ResourceKind::Cursor ? 2 : 1;
    if (le16(b, 0) != 0 || le16(b, 2) != expected)
        return invalid(kind == ResourceKind::Cursor ? u"not a cursor" : u"not an icon");
    const std::size_t count = le16(b, 4);
    if (count == 0) return invalid(u"the icon holds no image");
    if (b.size() < kIconDirectory + count * kIconEntry)
        return invalid(u"the icon directory is cut short");
    // Every image must lie inside the file, after the directory.
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kIconDirectory + i * kIconEntry;
        const std::uint64_t size = le32(b, entry + 8), offset = le32(b, entry + 12);
        if (size == 0 || offset < kIconDirectory + count * kIconEntry || offset + size > b.size())
            return invalid(u"an icon image lies outside the file");
    }
    auto side = [](std::uint8_t v) { return v == 0 ? 256 : static_cast<std::int32_t>(v); };
    return PictureHeader{picturetype::Icon, side(b[kIconDirectory]), side(b[kIconDirectory + 1])};
}

ErrorOr<PictureHeader> readPictureFile(std::span<const std::uint8_t> b) {
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') {
        if (b.size() < kBitmapFileHeader) return invalid(u"the bitmap file header is cut short");
        return readBitmapResource(b.subspan(kBitmapFileHeader));
    }
    if (b.size() >= 4 && le16(b, 0) == 0 && le16(b, 2) == 1)
        return readIconFile(b, ResourceKind::Icon);
    if (b.size() >= 4 && le16(b, 0) == 0 && le16(b, 2) == 2)
        return readIconFile(b, ResourceKind::Cursor);
    return invalid(u"not a bitmap, icon or cursor file");
}

} // namespace tessivra
