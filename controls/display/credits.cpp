#include "controls/display/credits.h"

#include "framework/registry/resources.h"

namespace tessivra::credits {

namespace {

constexpr std::u16string_view Panel = u"Picture1";

} // namespace

PictureBoxDesign panel(Twips left, Twips top) {
    return {.name = Panel,
            .bounds = {left, top, PanelWidth, PanelHeight},
            .tabIndex = 0,
            .backColor = syscolour::WindowBackground,
            .foreColor = syscolour::WindowText};
}

ErrorOr<void> addTextLines(Surface& surface, HostObjects& objects) {
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
    FontRef boldSans =
        TRY(objects.NewFont({.name = u"MS Sans Serif", .size = 8.25f, .weight = fontweight::Bold}));
    TRY(surface.addLabel({.name = u"Label3",
                          .parent = Panel,
                          .bounds = {120, 480, 3255, 255},
                          .tabIndex = 4,
                          .caption = Author,
                          .alignment = 2,
                          .backStyle = 0,
                          .font = std::move(boldSans)},
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

ErrorOr<PartHandle<Image>> addLogo(Surface& surface, HostObjects& objects, Twips top) {
    PictureRef logo = TRY(objects.LoadResPicture(resid::CreditsLogo, ResourceKind::Bitmap));
    return surface.addImage({.name = u"Image1",
                             .parent = Panel,
                             .bounds = {240, top, 3000, 900},
                             .picture = std::move(logo)});
}

ErrorOr<PartHandle<Label>> addWebAddress(Surface& surface, HostObjects& objects, Twips top,
                                         LabelEvents* events) {
    FontRef arial = TRY(objects.NewFont({.name = u"Arial", .size = 9.75f}));
    PictureRef hand = TRY(objects.LoadResPicture(resid::LinkCursor, ResourceKind::Cursor));
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
                             .font = std::move(arial),
                             .mousePointer = 99,
                             .mouseIcon = std::move(hand)},
                            events);
}

} // namespace tessivra::credits
