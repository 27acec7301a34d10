#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"

#include "controls/text/typed_case.h"

namespace tessivra {

namespace {

namespace r = textrows;
constexpr auto kMembers = interfaceMembers({
    r::Alignment,
    r::BackColor,
    r::BorderStyle,
    r::Enabled,
    r::Font,
    r::ForeColor,
    r::Locked,
    r::MaxLength,
    r::MouseIcon,
    r::MousePointer,
    r::MultiLine,
    r::PasswordChar,
    r::ScrollBars,
    r::SelLength,
    r::SelStart,
    r::SelText,
    r::Text,
    r::ToolTipText,
});

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
