#include "controls/display/credits.h"

#include "framework/registry/resources.h"

namespace tessivra::credits {

namespace {

constexpr std::u16string_view Panel = u"Picture1";

std::int32_t readLe32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
        static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A bitmap resource begins with its information header: size, width, height (negative when the
// rows run top-down).
PictureRef bitmapPicture(std::u16string name, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12) return std::make_shared<Picture>(std::move(name), 1, 0, 0);
    std::int32_t height = readLe32(bytes, 8);
    return std::make_shared<Picture>(std::move(name), 1, readLe32(bytes, 4),
                                     height < 0 ? -height : height);
}

// An icon or cursor file: a 6-byte directory header, then one 16-byte entry per image whose
// first two bytes are its width and height (0 standing for 256). Both load as icons.
PictureRef iconPicture(std::u16string name, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) return std::make_shared<Picture>(std::move(name), 3, 0, 0);
    auto side = [](std::uint8_t b) { return b == 0 ? 256 : static_cast<std::int32_t>(b); };
    return std::make_shared<Picture>(std::move(name), 3, side(bytes[6]), side(bytes[7]));
}

} // namespace

PictureBoxDesign panel(Twips left, Twips top) {
    return {.name = Panel,
            .bounds = {left, top, PanelWidth, PanelHeight},
            .tabIndex = 0,
            .backColor = syscolour::WindowBackground,
            .foreColor = syscolour::WindowText};
}

ErrorOr<void> addTextLines(Surface& surface) {
    TRY(surface.addLabel({.name = u"Label2",
                          .parent = Panel,
                          .bounds = {120, 120, 2310, 195},
                          .tabIndex = 3,
                          .caption = RightsLine,
                          .alignment = 0,
                          .backStyle = 1,
                          .autoSize = true,
                          .backColor = syscolour::WindowBackground,
                          .foreColor = syscolour::WindowText},
                         nullptr));
    TRY(surface.addLabel(
        {.name = u"Label3",
         .parent = Panel,
         .bounds = {120, 480, 3255, 255},
         .tabIndex = 4,
         .caption = Author,
         .alignment = 2,
         .backStyle = 0,
         .font = std::make_shared<Font>(u"MS Sans Serif", 8.25f, std::int16_t{700})},
        nullptr));
    TRY(surface.addLabel({.name = u"Label5",
                          .parent = Panel,
                          .bounds = {390, 720, 2715, 195},
                          .tabIndex = 6,
                          .caption = MailLine,
                          .alignment = 2,
                          .backStyle = 0,
                          .autoSize = true},
                         nullptr));
    TRY(surface.addLabel({.name = u"Label4",
                          .parent = Panel,
                          .bounds = {120, 1200, 3255, 255},
                          .tabIndex = 5,
                          .caption = Notice,
                          .alignment = 2,
                          .backStyle = 0},
                         nullptr));
    return {};
}

ErrorOr<PartHandle<Image>> addLogo(Surface& surface, Twips top) {
    return surface.addImage({.name = u"Image1",
                             .parent = Panel,
                             .bounds = {240, top, 3000, 900},
                             .picture = logoPicture()});
}

ErrorOr<PartHandle<Label>> addWebAddress(Surface& surface, Twips top, LabelEvents* events) {
    return surface.addLabel({.name = u"Label1",
                             .parent = Panel,
                             .bounds = {825, top, 1800, 240},
                             .tabIndex = 1,
                             .caption = WebAddress,
                             .alignment = 2,
                             .backStyle = 0,
                             .autoSize = true,
                             .backColor = syscolour::WindowBackground,
                             .foreColor = 0x000000,
                             .font = std::make_shared<Font>(u"Arial", 9.75f, std::int16_t{400}),
                             .mousePointer = 99,
                             .mouseIcon = linkPointerPicture()},
                            events);
}

PictureRef logoPicture() {
    return bitmapPicture(u"credits_logo", creditsLogo());
}
PictureRef linkPointerPicture() {
    return iconPicture(u"link_cursor", linkCursor());
}
PictureRef aboutWindowIcon() {
    return iconPicture(u"about_icon", aboutIcon());
}

} // namespace tessivra::credits
