#include "tests/test_controls/SoDigitos/SoDigitos.h"

#include "framework/wrapped_text_tables.h"

#include <algorithm>

namespace tessivra {

namespace {

constexpr TextFamily kFamily{
    .text1 = {.name = u"Text1", .bounds = {0, 0, 1500, 300}, .tabIndex = 0},
};

using D = SoDigitos;
namespace r = textrows;
constexpr auto kMembers = interfaceMembers({
    r::Alignment,
    r::BackColor,
    r::Font,
    property<D, MemberType::I4, &D::Digitos, nullptr>(u"Digitos"),
    r::Text,
    r::ToolTipText,
});

// A single click is not an event of this box.
constexpr auto kEvents = withoutEvent(textevents::All, u"Click");

constexpr PersistedKey kKeys[] = {textkeys::Alignment, textkeys::Text};

} // namespace

const ControlClass SoDigitos::Class{u"SoDigitos", kMembers, kEvents, kKeys, 1500, 300};

SoDigitos::SoDigitos(Site site) : WrappedText(site, Class, kFamily) {}

ErrorOr<std::int32_t> SoDigitos::Digitos() {
    const std::u16string text = TRY(Text1().Text());
    return static_cast<std::int32_t>(
        std::count_if(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }));
}

ErrorOr<void> SoDigitos::Text1_KeyPress(std::int16_t& KeyAscii) {
    TRY(raise(TextEvent::KeyPress, KeyAscii));
    if (KeyAscii >= 32 && (KeyAscii < '0' || KeyAscii > '9')) KeyAscii = 0;
    return {};
}

} // namespace tessivra
