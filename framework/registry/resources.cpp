#include "framework/registry/resources.h"

#include "framework/registry/resource_data.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace tessivra {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

IdentifierResource makeIdentifierResource(std::string_view prefix, std::string_view className,
                                          const Guid& iid) {
    IdentifierResource r{std::string(prefix), {}};
    for (const char c : className)
        r.name += upper(c);
    r.bytes[0] = 16; // the length of what follows, little-endian
    const std::array<std::uint8_t, 16> guid = iid.toBytes();
    std::copy(guid.begin(), guid.end(), r.bytes.begin() + 4);
    return r;
}

} // namespace

// Made from the class table, so the identifiers are stated in one place only.
std::vector<IdentifierResource> identifierResources(std::span<const ControlClassInfo> classes) {
    std::vector<IdentifierResource> v;
    for (const ControlClassInfo& c : classes) {
        v.push_back(makeIdentifierResource("_IID_", c.Name, c.DefaultInterface.iid));
        v.push_back(makeIdentifierResource("_SRCIID_", c.Name, c.EventInterface.iid));
    }
    return v;
}

std::span<const std::uint8_t> toolboxBitmap(std::int32_t id) {
    if (id < FirstToolboxBitmap || id > LastToolboxBitmap) return {};
    return detail::embeddedResource("toolbox_" + std::to_string(id));
}

std::vector<std::uint8_t> identifierResource(std::span<const ControlClassInfo> classes,
                                             std::string_view name) {
    for (const IdentifierResource& r : identifierResources(classes))
        if (std::equal(r.name.begin(), r.name.end(), name.begin(), name.end(),
                       [](char a, char b) { return a == upper(b); }))
            return {r.bytes.begin(), r.bytes.end()};
    return {};
}

std::vector<std::string> identifierResourceNames(std::span<const ControlClassInfo> classes) {
    std::vector<std::string> names;
    for (const IdentifierResource& r : identifierResources(classes))
        names.push_back(r.name);
    return names;
}

namespace {

struct PictureEntry {
    std::int32_t id;
    ResourceKind kind;
    std::u16string_view name;
    std::span<const std::uint8_t> (*bytes)();
};

// The names are those a saved form has always shown for these pictures.
constexpr PictureEntry kPictures[] = {
    {resid::LaunchButton, ResourceKind::Icon, u"launch-button", launchButtonIcon},
    {resid::AboutIcon, ResourceKind::Icon, u"about_icon", aboutIcon},
    {resid::LinkCursor, ResourceKind::Cursor, u"link_cursor", linkCursor},
    {resid::CreditsLogo, ResourceKind::Bitmap, u"credits_logo", creditsLogo},
};

constexpr std::u16string_view kToolboxNames[] = {
    u"toolbox_30000", u"toolbox_30001", u"toolbox_30002", u"toolbox_30003",
    u"toolbox_30004", u"toolbox_30005", u"toolbox_30006", u"toolbox_30007",
};
static_assert(std::size(kToolboxNames) == LastToolboxBitmap - FirstToolboxBitmap + 1);

} // namespace

std::optional<PictureResource> pictureResource(std::int32_t id, ResourceKind kind) {
    if (kind == ResourceKind::Bitmap && id >= FirstToolboxBitmap && id <= LastToolboxBitmap)
        return PictureResource{kToolboxNames[id - FirstToolboxBitmap], toolboxBitmap(id)};
    for (const PictureEntry& e : kPictures)
        if (e.id == id && e.kind == kind) return PictureResource{e.name, e.bytes()};
    return std::nullopt;
}

std::span<const std::uint8_t> launchButtonIcon() {
    return detail::embeddedResource("launch_button");
}
std::span<const std::uint8_t> linkCursor() {
    return detail::embeddedResource("link_cursor");
}
std::span<const std::uint8_t> aboutIcon() {
    return detail::embeddedResource("about_icon");
}
std::span<const std::uint8_t> creditsLogo() {
    return detail::embeddedResource("credits_logo");
}

} // namespace tessivra
