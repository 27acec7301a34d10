#pragma once
// The shared types every control and host agree on.

#include <cstdint>
#include <memory>
#include <string>

namespace tessivra {

// Positions and sizes, 1440 to the inch, single precision as the hosts hold them.
using Twips = float;

// Blue, green and red bytes, red lowest; with the top bit set the low byte names a system colour.
using Colour = std::uint32_t;
inline constexpr Colour SystemColourBit = 0x80000000u;
namespace syscolour {
inline constexpr Colour ActiveBorder = 0x8000000Au;
inline constexpr Colour WindowBackground = 0x80000005u;
inline constexpr Colour WindowText = 0x80000008u;
inline constexpr Colour ButtonFace = 0x8000000Fu;
inline constexpr Colour ButtonText = 0x80000012u;
} // namespace syscolour

// The automation boolean: true is -1, false is 0.
using VBool = std::int16_t;
inline constexpr VBool VTrue = -1;
inline constexpr VBool VFalse = 0;
inline constexpr VBool toVBool(bool b) {
    return b ? VTrue : VFalse;
}

using DispId = std::int32_t;

// Host objects are held and handed on by reference, never copied: a getter returns the very
// object that was set.
class Object {
public:
    virtual ~Object() = default;
    virtual std::u16string_view typeName() const { return u"Object"; }
};

// The standard automation font.
class Font : public Object {
public:
    std::u16string name = u"MS Sans Serif";
    float size = 8.25f; // points
    std::int16_t weight = 400;
    std::int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    Font() = default;
    Font(std::u16string n, float s, std::int16_t w = 400)
        : name(std::move(n)), size(s), weight(w) {}
    bool bold() const { return weight >= 700; }
    std::u16string_view typeName() const override { return u"Font"; }
};

// The standard automation picture: a handle to an image the host can draw.
class Picture : public Object {
public:
    std::u16string name;   // where it came from, for people reading a saved form
    std::int16_t type = 1; // 1 bitmap, 3 icon, 2 metafile...
    std::int32_t widthPixels = 0;
    std::int32_t heightPixels = 0;

    Picture() = default;
    Picture(std::u16string n, std::int16_t t, std::int32_t w, std::int32_t h)
        : name(std::move(n)), type(t), widthPixels(w), heightPixels(h) {}
    std::u16string_view typeName() const override { return u"Picture"; }
};

using ObjectRef = std::shared_ptr<Object>;
using FontRef = std::shared_ptr<Font>;
using PictureRef = std::shared_ptr<Picture>;

} // namespace tessivra
