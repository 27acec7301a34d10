#include "controls/text/Moeda/Moeda.h"

#include "framework/wrapped_text_tables.h"

namespace tessivra {

namespace {

const TextFamily kFamily{
    .text1 = {.name = u"Text1", .bounds = {0, 0, 1935, 300}, .tabIndex = 0},
};

// Each limit is the length of its pattern: twelve integer digits, the decimal symbol and two
// decimals, and in the display layout three thousands separators besides.
constexpr std::int32_t kEditingLength = 15;
constexpr std::u16string_view kEditingPattern = u"###########0.00";
constexpr std::int32_t kDisplayLength = 18;
constexpr std::u16string_view kDisplayPattern = u"###,###,###,##0.00";

namespace r = textrows;
constexpr auto kMembers = interfaceMembers({
    r::Alignment,
    r::BackColor,
    r::BorderStyle,
    r::Enabled,
    r::Font,
    r::ForeColor,
    r::Locked,
    r::MouseIcon,
    r::MousePointer,
    r::SelLength,
    r::SelStart,
    r::SelText,
    r::Text,
    r::ToolTipText,
});

// The common keys without "MaxLength", which belongs to the layouts, and "PasswordChar".
constexpr PersistedKey kKeys[] = {
    textkeys::Alignment, textkeys::BackColor,    textkeys::BorderStyle, textkeys::DataSource,
    textkeys::Enabled,   textkeys::Font,         textkeys::ForeColor,   textkeys::Locked,
    textkeys::MouseIcon, textkeys::MousePointer, textkeys::SelLength,   textkeys::SelStart,
    textkeys::SelText,   textkeys::Text,         textkeys::ToolTipText,
};

} // namespace

const ControlClass Moeda::Class{u"Moeda", kMembers, textevents::All, kKeys, 1935, 300};

Moeda::Moeda(Site site) : WrappedText(site, Class, kFamily) {}

ErrorOr<void> Moeda::Text1_GotFocus() {
    return layOut(kEditingLength, kEditingPattern);
}

ErrorOr<void> Moeda::Text1_LostFocus() {
    return layOut(kDisplayLength, kDisplayPattern);
}

ErrorOr<void> Moeda::layOut(std::int32_t maxLength, std::u16string_view pattern) {
    TRY(Text1().setMaxLength(maxLength));
    auto text = TRY(Text1().Text());
    auto laidOut = TRY(runtime().Format(Value(std::move(text)), pattern, 1, 1));
    return Text1().setText(laidOut);
}

} // namespace tessivra
