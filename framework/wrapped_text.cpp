#include "framework/wrapped_text.h"

#include "framework/wrapped_text_tables.h"

namespace tessivra {

namespace {

// TextEvent counts Text1's events in the full table's order.
static_assert(static_cast<std::size_t>(TextEvent::MouseUp) + 1 == textevents::All.size());
static_assert(textevents::All[static_cast<std::size_t>(TextEvent::Change)].name == u"Change");
static_assert(textevents::All[static_cast<std::size_t>(TextEvent::DblClick)].name == u"DblClick");
static_assert(textevents::All[static_cast<std::size_t>(TextEvent::KeyPress)].name == u"KeyPress");
static_assert(textevents::All[static_cast<std::size_t>(TextEvent::MouseUp)].name == u"MouseUp");

} // namespace

WrappedText::WrappedText(Site site, const ControlClass& cls, const TextFamily& family)
    : Control(site, cls), family_(family) {
    for (std::size_t i = 0; i < eventNumbers_.size(); ++i)
        eventNumbers_[i] = eventNumber(cls.events, textevents::All[i].name);
}

ErrorOr<void> WrappedText::createConstituents() {
    text1_ = TRY(container().addTextBox(family_.text1, &text1Events_));
    return {};
}

// ---- forwarded properties -------------------------------------------------------------------

ErrorOr<std::int16_t> WrappedText::Alignment() {
    return Text1().Alignment();
}
ErrorOr<void> WrappedText::setAlignment(std::int16_t New_Alignment) {
    return assignThenNotify(Text1(), &TextBox::setAlignment, New_Alignment, u"Alignment");
}
ErrorOr<Colour> WrappedText::BackColor() {
    return Text1().BackColor();
}
ErrorOr<void> WrappedText::setBackColor(Colour New_BackColor) {
    return assignThenNotify(Text1(), &TextBox::setBackColor, New_BackColor, u"BackColor");
}
ErrorOr<std::int16_t> WrappedText::BorderStyle() {
    return Text1().BorderStyle();
}
ErrorOr<void> WrappedText::setBorderStyle(std::int16_t New_BorderStyle) {
    return assignThenNotify(Text1(), &TextBox::setBorderStyle, New_BorderStyle, u"BorderStyle");
}
ErrorOr<VBool> WrappedText::Enabled() {
    return Text1().Enabled();
}
ErrorOr<void> WrappedText::setEnabled(VBool New_Enabled) {
    return assignThenNotify(Text1(), &TextBox::setEnabled, New_Enabled, u"Enabled");
}
ErrorOr<FontRef> WrappedText::Font() {
    return Text1().Font();
}
ErrorOr<void> WrappedText::setFont(FontRef New_Font) {
    return assignThenNotify(Text1(), &TextBox::setFont, std::move(New_Font), u"Font");
}
ErrorOr<Colour> WrappedText::ForeColor() {
    return Text1().ForeColor();
}
ErrorOr<void> WrappedText::setForeColor(Colour New_ForeColor) {
    return assignThenNotify(Text1(), &TextBox::setForeColor, New_ForeColor, u"ForeColor");
}
ErrorOr<VBool> WrappedText::Locked() {
    return Text1().Locked();
}
ErrorOr<void> WrappedText::setLocked(VBool New_Locked) {
    return assignThenNotify(Text1(), &TextBox::setLocked, New_Locked, u"Locked");
}
ErrorOr<std::int32_t> WrappedText::MaxLength() {
    return Text1().MaxLength();
}
ErrorOr<void> WrappedText::setMaxLength(std::int32_t New_MaxLength) {
    return assignThenNotify(Text1(), &TextBox::setMaxLength, New_MaxLength, u"MaxLength");
}
ErrorOr<PictureRef> WrappedText::MouseIcon() {
    return Text1().MouseIcon();
}
ErrorOr<void> WrappedText::setMouseIcon(PictureRef New_MouseIcon) {
    return assignThenNotify(Text1(), &TextBox::setMouseIcon, std::move(New_MouseIcon),
                            u"MouseIcon");
}
ErrorOr<std::int16_t> WrappedText::MousePointer() {
    return Text1().MousePointer();
}
ErrorOr<void> WrappedText::setMousePointer(std::int16_t New_MousePointer) {
    return assignThenNotify(Text1(), &TextBox::setMousePointer, New_MousePointer, u"MousePointer");
}
ErrorOr<VBool> WrappedText::MultiLine() {
    return Text1().MultiLine();
}
ErrorOr<std::u16string> WrappedText::PasswordChar() {
    return Text1().PasswordChar();
}
ErrorOr<void> WrappedText::setPasswordChar(std::u16string_view New_PasswordChar) {
    return assignThenNotify(Text1(), &TextBox::setPasswordChar, New_PasswordChar, u"PasswordChar");
}
ErrorOr<std::int16_t> WrappedText::ScrollBars() {
    return Text1().ScrollBars();
}
ErrorOr<std::int32_t> WrappedText::SelLength() {
    return Text1().SelLength();
}
ErrorOr<void> WrappedText::setSelLength(std::int32_t New_SelLength) {
    return assignThenNotify(Text1(), &TextBox::setSelLength, New_SelLength, u"SelLength");
}
ErrorOr<std::int32_t> WrappedText::SelStart() {
    return Text1().SelStart();
}
ErrorOr<void> WrappedText::setSelStart(std::int32_t New_SelStart) {
    return assignThenNotify(Text1(), &TextBox::setSelStart, New_SelStart, u"SelStart");
}
ErrorOr<std::u16string> WrappedText::SelText() {
    return Text1().SelText();
}
ErrorOr<void> WrappedText::setSelText(std::u16string_view New_SelText) {
    return assignThenNotify(Text1(), &TextBox::setSelText, New_SelText, u"SelText");
}
ErrorOr<std::u16string> WrappedText::Text() {
    return Text1().Text();
}
ErrorOr<void> WrappedText::setText(std::u16string_view New_Text) {
    return assignThenNotify(Text1(), &TextBox::setText, New_Text, u"Text");
}
ErrorOr<std::u16string> WrappedText::ToolTipText() {
    return Text1().ToolTipText();
}
ErrorOr<void> WrappedText::setToolTipText(std::u16string_view New_ToolTipText) {
    return assignThenNotify(Text1(), &TextBox::setToolTipText, New_ToolTipText, u"ToolTipText");
}

// ---- container handlers ---------------------------------------------------------------------

ErrorOr<void> WrappedText::UserControl_Initialize() {
    if (family_.creationHeight300) return container().setHeight(300);
    return {};
}

ErrorOr<void> WrappedText::UserControl_Resize() {
    return plainLayout();
}

ErrorOr<void> WrappedText::plainLayout() {
    TRY(Text1().setWidth(TRY(container().Width())));
    TRY(Text1().setHeight(TRY(container().Height())));
    return {};
}

// ---- Text1's events -------------------------------------------------------------------------

ErrorOr<void> WrappedText::Text1_Change() {
    return raise(TextEvent::Change);
}
ErrorOr<void> WrappedText::Text1_Click() {
    return raise(TextEvent::Click);
}
ErrorOr<void> WrappedText::Text1_DblClick() {
    return raise(TextEvent::DblClick);
}

// Enter moves the focus on as Tab would: after the form's handler, which may have changed the
// key; the Enter key itself still reaches Text1.
ErrorOr<void> WrappedText::Text1_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
    TRY(raise(TextEvent::KeyDown, KeyCode, Shift));
    if (KeyCode == 13) TRY(runtime().SendKeys(u"{tab}"));
    return {};
}

ErrorOr<void> WrappedText::Text1_KeyPress(std::int16_t& KeyAscii) {
    return raise(TextEvent::KeyPress, KeyAscii);
}
ErrorOr<void> WrappedText::Text1_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) {
    return raise(TextEvent::KeyUp, KeyCode, Shift);
}
ErrorOr<void> WrappedText::Text1_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X,
                                           float& Y) {
    return raise(TextEvent::MouseDown, Button, Shift, X, Y);
}
ErrorOr<void> WrappedText::Text1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X,
                                           float& Y) {
    return raise(TextEvent::MouseMove, Button, Shift, X, Y);
}
ErrorOr<void> WrappedText::Text1_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X,
                                         float& Y) {
    return raise(TextEvent::MouseUp, Button, Shift, X, Y);
}

ErrorOr<void> WrappedText::convertKeyCase(std::int16_t& KeyAscii, Case c) {
    // Each result is used where it stands rather than moved out: this runs on every keystroke.
    auto character = runtime().Chr(KeyAscii);
    if (character.isError()) return character.releaseError();
    auto converted =
        c == Case::Upper ? runtime().UCase(character.value()) : runtime().LCase(character.value());
    if (converted.isError()) return converted.releaseError();
    KeyAscii = TRY(runtime().Asc(converted.value()));
    return {};
}

} // namespace tessivra
