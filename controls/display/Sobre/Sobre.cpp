#include "controls/display/Sobre/Sobre.h"

#include "controls/display/credits.h"
#include "framework/module1.h"

namespace tessivra {

namespace {

constexpr Colour LinkHighlight = 0xFF0000; // blue, the colour being blue-green-red
constexpr Colour LinkNormal = 0x000000;

} // namespace

// The panel has no members, events or saved keys; the class still describes it.
const ControlClass Sobre::Class{u"Sobre", {}, {}, {}, FixedWidth, FixedHeight};

Sobre::Sobre(Site site) : Control(site, Class) {}

ErrorOr<void> Sobre::createConstituents() {
    // The shadow goes first, so that the panel covers all but a strip of it.
    TRY(container().addPictureBox({.name = u"Picture2",
                                   .bounds = {240, 240, credits::PanelWidth, credits::PanelHeight},
                                   .tabIndex = 2,
                                   .backColor = 0x808080},
                                  nullptr));
    TRY(container().addPictureBox(credits::panel(120, 120), &picture1Events_));
    TRY(credits::addTextLines(container(), objects()));
    TRY(credits::addLogo(container(), objects(), 1920));
    label1_ = TRY(credits::addWebAddress(container(), objects(), 3000, &label1Events_));
    return {};
}

ErrorOr<void> Sobre::UserControl_Resize() {
    // Each assignment that changes the size comes back here nested; the nested run assigns the
    // size the control already has, which the host does not report again.
    TRY(container().setHeight(FixedHeight));
    return container().setWidth(FixedWidth);
}

// Every move over the link lights it up again, even when it already is; the label sizes itself
// to its caption, so bold makes it wider.
ErrorOr<void> Sobre::Label1_MouseMove(std::int16_t&, std::int16_t&, float&, float&) {
    TRY(Label1().setForeColor(LinkHighlight));
    return Label1().setFontBold(VTrue);
}

ErrorOr<void> Sobre::Picture1_MouseMove(std::int16_t&, std::int16_t&, float&, float&) {
    TRY(Label1().setForeColor(LinkNormal));
    return Label1().setFontBold(VFalse);
}

// The shell's own answer is not examined: whether it opened the address or not, nothing is shown.
ErrorOr<void> Sobre::Label1_Click() {
    std::int32_t hwnd = TRY(container().hWnd());
    std::u16string address = TRY(runtime().LCase(TRY(Label1().Caption())));
    std::u16string folder = TRY(runtime().AppPath());
    TRY(Module1::ShellExecuteA(runtime(), shell(), hwnd, u"Open", address, u"", folder, 1));
    return {};
}

} // namespace tessivra
