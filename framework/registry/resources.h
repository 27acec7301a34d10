#pragma once
// The library's resources other than its type library: the toolbox pictures, the interface
// identifier resources, and the pictures its controls and its about window show.
//
// Pictures are in the layouts Windows loads them from: a toolbox picture (30000 to 30007) is a
// device-independent bitmap without file header, 16 by 15 pixels at 24 bits; the launch button
// picture and the about window's icon are .ico files and the link pointer a .cur file, each
// one 32 by 32 image of 16 colours; the credits logo is a 200 by 60 bitmap like the toolbox ones.

#include "framework/host/objects.h"
#include "framework/registry/class_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra {

inline constexpr std::int32_t FirstToolboxBitmap = 30000;
inline constexpr std::int32_t LastToolboxBitmap = 30007;

// The toolbox picture with that resource number; empty for any other number.
std::span<const std::uint8_t> toolboxBitmap(std::int32_t id);

struct IdentifierResource {
    std::string name;
    std::array<std::uint8_t, 20> bytes;
};

// Two resources per class of `classes`, in their order, _IID_ first: "_IID_<NAME>" and
// "_SRCIID_<NAME>", NAME the class name in upper case, each a 32-bit little-endian 16 followed by
// the 16 bytes of the class's default or event interface identifier.
std::vector<IdentifierResource> identifierResources(std::span<const ControlClassInfo> classes);
// The bytes of the resource of that name (matched without regard to case, as resource names
// are); empty for any other name.
std::vector<std::uint8_t> identifierResource(std::span<const ControlClassInfo> classes,
                                             std::string_view name);
// The names, in the order of identifierResources.
std::vector<std::string> identifierResourceNames(std::span<const ControlClassInfo> classes);

// The numbers of the pictures the controls and the about window show, as they ask their host
// for them (HostObjects::LoadResPicture); the toolbox pictures are bitmap resources too.
namespace resid {
inline constexpr std::int32_t LaunchButton = 101; // an icon
inline constexpr std::int32_t AboutIcon = 102;    // an icon
inline constexpr std::int32_t LinkCursor = 103;   // a cursor
inline constexpr std::int32_t CreditsLogo = 104;  // a bitmap
} // namespace resid

// One picture resource as a host loads it: the bytes in the layout given above, and the name
// the host's picture object carries to say where it came from.
struct PictureResource {
    std::u16string_view name;
    std::span<const std::uint8_t> bytes;
};
// The picture resource of that number stored as that kind; nothing for any other pair.
std::optional<PictureResource> pictureResource(std::int32_t id, ResourceKind);

std::span<const std::uint8_t> launchButtonIcon();
std::span<const std::uint8_t> linkCursor();
std::span<const std::uint8_t> aboutIcon();
std::span<const std::uint8_t> creditsLogo();

} // namespace tessivra
