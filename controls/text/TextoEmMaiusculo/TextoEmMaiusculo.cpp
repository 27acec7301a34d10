#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"

#include "controls/text/typed_case.h"

namespace tessivra {

namespace {

ErrorOr<void> callPopupMenu(Control& c, std::span<const Value> a) {
    return static_cast<TextoEmMaiusculo&>(c).PopupMenu(a[0], a[1], a[2], a[3], a[4]);
}

constexpr ParamInfo kPopupMenuParams[] = {
    {u"Menu", MemberType::IDispatch},
    {u"Flags", MemberType::Variant, true},
    {u"X", MemberType::Variant, true},
    {u"Y", MemberType::Variant, true},
    {u"DefaultMenu", MemberType::Variant, true},
};

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
    {u"PopupMenu", 0x6003001C, access::Call, MemberType::Void, memberDoc(u"PopupMenu"), nullptr,
     nullptr, &callPopupMenu, kPopupMenuParams},
    r::ScrollBars,
    r::SelLength,
    r::SelStart,
    r::SelText,
    r::Text,
    r::ToolTipText,
});

} // namespace

const ControlClass TextoEmMaiusculo::Class{u"TextoEmMaiusculo",    kMembers,
                                           textevents::All,        typedcase::Keys,
                                           typedcase::DesignWidth, typedcase::DesignHeight};

TextoEmMaiusculo::TextoEmMaiusculo(Site site) : WrappedText(site, Class, typedcase::Family) {}

ErrorOr<void> TextoEmMaiusculo::Text1_KeyPress(std::int16_t& KeyAscii) {
    TRY(raise(TextEvent::KeyPress, KeyAscii));
    return convertKeyCase(KeyAscii, Case::Upper);
}

ErrorOr<void> TextoEmMaiusculo::PopupMenu(const Value& Menu, const Value& Flags, const Value& X,
                                          const Value& Y, const Value& DefaultMenu) {
    return container().PopupMenu(Menu, Flags, X, Y, DefaultMenu);
}

} // namespace tessivra
