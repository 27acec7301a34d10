#include "controls/display/frmAbout/frmAbout.h"

#include "controls/display/credits.h"
#include "framework/registry/resources.h"

namespace tessivra {

ErrorOr<std::unique_ptr<frmAbout>> frmAbout::create(Form& window) {
    std::unique_ptr<frmAbout> about(new frmAbout(window));
    TRY(about->createConstituents());
    return about;
}

ErrorOr<void> frmAbout::createConstituents() {
    TRY(window_.setCaption(Title));
    TRY(window_.setIcon(
        TRY(window_.objects().LoadResPicture(resid::AboutIcon, ResourceKind::Icon))));
    // The panel fills the window; there is no shadow.
    TRY(window_.addPictureBox(credits::panel(0, 0), nullptr));
    TRY(credits::addTextLines(window_, window_.objects()));
    TRY(credits::addLogo(window_, window_.objects(), 1560));
    // The address only looks like the link here: it neither lights up nor opens anything.
    TRY(credits::addWebAddress(window_, window_.objects(), 2640, nullptr));
    TRY(window_.addLabel({.name = u"Label6",
                          .parent = u"Picture1",
                          .bounds = {2880, 3120, 495, 195},
                          .tabIndex = 7,
                          .caption = u"Fechar",
                          .backStyle = 0,
                          .autoSize = true},
                         &label6Events_));
    return {};
}

ErrorOr<void> frmAbout::Label6_Click() {
    return window_.Hide();
}

} // namespace tessivra
