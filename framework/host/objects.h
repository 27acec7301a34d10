#pragma once
// The host's picture and font objects, made by the host when a control asks for one.
//
// A picture or a font is the host's own object: a bitmap or icon the desktop can draw, a font
// its text can be set in (a QPixmap or a QFont, an IPicture or an IFont). A control never looks
// inside one and never makes one itself; it asks its host here, holds what it gets by
// reference, and hands it on to its constituents and to the property bag. So a control has no
// image format or font machinery of its own, and each host draws with its own.
//
// The rules every host keeps:
// - Every call makes a new object, so that no two requests share one: a control that changes
//   its font changes no other control's.
// - Every call can fail, like any host call. The control's routine stops at the failing call
//   and hands the failure on unchanged; nothing made before it in that routine is undone.
// - A request the host cannot satisfy is refused with the automation's own error: a resource
//   number or kind the library does not hold with ResourceNotFound (326), bytes that are not a
//   picture the host can read with InvalidPicture (481), a font it cannot describe with
//   InvalidPropertyValue (380). The host checks the bytes and the description before it makes
//   anything from them; bad input is a refusal, never a crash.
// - A picture knows its size in pixels; a font its name, size in points, weight, character set
//   and style flags. The host may also keep whatever it draws with.

#include "framework/host/error.h"
#include "framework/host/types.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tessivra {

// The kind a picture resource is stored as, numbered as the automation's LoadResPicture numbers
// them. A cursor loads as an icon picture whose hotspot the host keeps.
enum class ResourceKind : std::int16_t { Bitmap = 0, Icon = 1, Cursor = 2 };

// The picture types a picture object reports.
namespace picturetype {
inline constexpr std::int16_t Bitmap = 1;
inline constexpr std::int16_t Icon = 3;
} // namespace picturetype

namespace fontweight {
inline constexpr std::int16_t Normal = 400;
inline constexpr std::int16_t Bold = 700;
inline constexpr std::int16_t Heaviest = 1000;
} // namespace fontweight

// A new font as the automation's font description gives it. The size is in points (9.75 is
// stored by the desktop as 97500 ten-thousandths); a weight of Bold or more is bold.
struct FontDescription {
    std::u16string_view name;
    float size = 8.25f;
    std::int16_t weight = fontweight::Normal;
    std::int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
};

class HostObjects {
public:
    virtual ~HostObjects() = default;
    // A picture of one of the library's own embedded resources (framework/registry/resources.h
    // numbers them). The kind must be the one the resource is stored as.
    virtual ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind) = 0;
    // A picture from the bytes of an image file. Every host reads bitmap (.bmp), icon (.ico)
    // and cursor (.cur) files; a host may read more.
    virtual ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) = 0;
    // A font of that description. The name must not be empty, the size must be a finite number
    // of points above 0, the weight within 0 to 1000.
    virtual ErrorOr<FontRef> NewFont(const FontDescription&) = 0;
};

} // namespace tessivra
