#pragma once
// What a host reads from a picture's bytes before it makes anything of them: its kind and its
// size in pixels. The headers are checked against the bytes there are before anything is read
// from them, so that a host that draws the picture (or hands it to a browser) never reads past
// its end, and a host that draws nothing still reports the picture's size.

#include "framework/host/objects.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tessivra {

// Little-endian numbers in a picture's bytes; `at` and the bytes after it must be there.
inline std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}
inline std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

// The sizes of the headers a picture's bytes begin with.
inline constexpr std::size_t kBitmapCoreHeader = 12;
inline constexpr std::size_t kBitmapInfoHeader = 40;
inline constexpr std::size_t kBitmapFileHeader = 14;
inline constexpr std::size_t kIconDirectory = 6;
inline constexpr std::size_t kIconEntry = 16;

// The error of bytes that are not a picture, saying why.
Error invalidPicture(std::u16string_view why);

struct PictureHeader {
    std::int16_t type = picturetype::Bitmap;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A device-independent bitmap without a file header, as a bitmap resource holds it: an
// information header (the 12-byte core header, or one of 40 bytes or more), a positive width and
// a height that is not 0 (negative when the rows run top-down).
ErrorOr<PictureHeader> readBitmapResource(std::span<const std::uint8_t>);
// An icon (.ico) or cursor (.cur) file: a 6-byte directory header naming its kind and how many
// images it holds, then a 16-byte entry for each, whose first two bytes are the image's width and
// height (0 standing for 256) and which says where in the file the image lies. The picture is
// the size of the first image; a cursor is an icon picture.
ErrorOr<PictureHeader> readIconFile(std::span<const std::uint8_t>, ResourceKind);
// A file of a kind a host reads, told by its first bytes: a bitmap file ("BM" and a
// 14-byte file header before the bitmap), an icon or a cursor.
ErrorOr<PictureHeader> readPictureFile(std::span<const std::uint8_t>);

} // namespace tessivra
