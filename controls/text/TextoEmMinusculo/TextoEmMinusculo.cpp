#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"

#include "controls/text/typed_case.h"

namespace tessivra {

namespace {

namespace r = textrows;
constexpr DispatchMember kMembers[] = {
    r::Alignment(0x10), r::BackColor(0xF),    r::BorderStyle(0xE), r::Enabled(0xD),
    r::Font(),          r::ForeColor(0xC),    r::Locked(0xB),      r::MaxLength(0xA),
    r::MouseIcon(0x9),  r::MousePointer(0x8), r::MultiLine(0x7),   r::PasswordChar(0x6),
    r::ScrollBars(0x5), r::SelLength(0x4),    r::SelStart(0x3),    r::SelText(0x2),
    r::Text(0x1),       r::ToolTipText(0x0),
};

} // namespace

const ControlClass TextoEmMinusculo::Class{u"TextoEmMinusculo",    kMembers,
                                           textevents::All,        typedcase::Keys,
                                           typedcase::DesignWidth, typedcase::DesignHeight};

TextoEmMinusculo::TextoEmMinusculo(Site site) : WrappedText(site, Class, typedcase::Family) {}

ErrorOr<void> TextoEmMinusculo::Text1_KeyPress(std::int16_t& KeyAscii) {
    TRY(raise(TextEvent::KeyPress, KeyAscii));
    return convertKeyCase(KeyAscii, Case::Lower);
}

} // namespace tessivra
