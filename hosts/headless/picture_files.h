#pragma once
// What the headless host reads from a picture's bytes: its kind and its size in pixels. It
// draws nothing, so the headers are all it looks at; they are checked against the bytes there
// are before anything is read from them.

#include "framework/host/objects.h"

#include <cstdint>
#include <span>

namespace tessivra::headless {

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
// A file of a kind the headless host reads, told by its first bytes: a bitmap file ("BM" and a
// 14-byte file header before the bitmap), an icon or a cursor.
ErrorOr<PictureHeader> readPictureFile(std::span<const std::uint8_t>);

} // namespace tessivra::headless
