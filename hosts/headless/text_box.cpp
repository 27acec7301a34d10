#include "hosts/headless/form.h"

namespace tessivra::headless {

namespace {
using namespace keycodes;
std::string flag(bool b) {
    return b ? "True" : "False";
}
} // namespace

HeadlessTextBox::HeadlessTextBox(HeadlessSurface& owner, const TextBoxDesign& d,
                                 TextBoxEvents* events)
    : Constituent(owner, d.name, d.bounds, d.tabIndex), events_(events), text_(d.text),
      alignment_(d.alignment), enabled_(d.enabled), maxLength_(d.maxLength),
      // A new box takes the font of the surface it is placed on.
      font_(owner.form().ambientFont) {}

#define FAULT(member) TRY(fault(member))

ErrorOr<std::int16_t> HeadlessTextBox::Alignment() {
    FAULT("Alignment");
    return alignment_;
}
ErrorOr<void> HeadlessTextBox::setAlignment(std::int16_t v) {
    FAULT("Alignment=");
    if (v < 0 || v > 2) return Error::invalidPropertyValue();
    alignment_ = v;
    return {};
}
ErrorOr<Colour> HeadlessTextBox::BackColor() {
    FAULT("BackColor");
    return backColor_;
}
ErrorOr<void> HeadlessTextBox::setBackColor(Colour v) {
    FAULT("BackColor=");
    backColor_ = v;
    return {};
}
ErrorOr<std::int16_t> HeadlessTextBox::BorderStyle() {
    FAULT("BorderStyle");
    return borderStyle_;
}
ErrorOr<void> HeadlessTextBox::setBorderStyle(std::int16_t v) {
    FAULT("BorderStyle=");
    if (v < 0 || v > 1) return Error::invalidPropertyValue();
    borderStyle_ = v;
    return {};
}
ErrorOr<VBool> HeadlessTextBox::Enabled() {
    FAULT("Enabled");
    return toVBool(enabled_);
}
ErrorOr<void> HeadlessTextBox::setEnabled(VBool v) {
    FAULT("Enabled=");
    enabled_ = v != 0;
    // A disabled box cannot keep the focus: it moves on as Tab would.
    if (!enabled_ && form().focused() == this) TRY(form().focusLeaving(this));
    return {};
}
ErrorOr<FontRef> HeadlessTextBox::Font() {
    FAULT("Font");
    return font_;
}
ErrorOr<void> HeadlessTextBox::setFont(FontRef v) {
    FAULT("Font=");
    TRY(checkFont(v));
    font_ = std::move(v);
    return {};
}
ErrorOr<Colour> HeadlessTextBox::ForeColor() {
    FAULT("ForeColor");
    return foreColor_;
}
ErrorOr<void> HeadlessTextBox::setForeColor(Colour v) {
    FAULT("ForeColor=");
    foreColor_ = v;
    return {};
}
ErrorOr<VBool> HeadlessTextBox::Locked() {
    FAULT("Locked");
    return toVBool(locked_);
}
ErrorOr<void> HeadlessTextBox::setLocked(VBool v) {
    FAULT("Locked=");
    locked_ = v != 0;
    return {};
}
ErrorOr<std::int32_t> HeadlessTextBox::MaxLength() {
    FAULT("MaxLength");
    return maxLength_;
}
ErrorOr<void> HeadlessTextBox::setMaxLength(std::int32_t v) {
    FAULT("MaxLength=");
    if (v < 0) return Error::invalidPropertyValue();
    // The limit holds back typing and pasting only; text already there, or assigned by code,
    // is never cut.
    maxLength_ = v;
    return {};
}
ErrorOr<PictureRef> HeadlessTextBox::MouseIcon() {
    FAULT("MouseIcon");
    return mouseIcon_;
}
ErrorOr<void> HeadlessTextBox::setMouseIcon(PictureRef v) {
    FAULT("MouseIcon=");
    mouseIcon_ = std::move(v);
    return {};
}
ErrorOr<std::int16_t> HeadlessTextBox::MousePointer() {
    FAULT("MousePointer");
    return mousePointer_;
}
ErrorOr<void> HeadlessTextBox::setMousePointer(std::int16_t v) {
    FAULT("MousePointer=");
    if ((v < 0 || v > 15) && v != 99) return Error::invalidPropertyValue();
    mousePointer_ = v;
    return {};
}
ErrorOr<VBool> HeadlessTextBox::MultiLine() {
    FAULT("MultiLine");
    return VFalse;
}
ErrorOr<std::u16string> HeadlessTextBox::PasswordChar() {
    FAULT("PasswordChar");
    return passwordChar_;
}
ErrorOr<void> HeadlessTextBox::setPasswordChar(std::u16string_view v) {
    FAULT("PasswordChar=");
    if (v.size() > 1) return Error::invalidPropertyValue();
    passwordChar_ = v;
    return {};
}
ErrorOr<std::int16_t> HeadlessTextBox::ScrollBars() {
    FAULT("ScrollBars");
    return 0;
}
ErrorOr<std::int32_t> HeadlessTextBox::SelLength() {
    FAULT("SelLength");
    return selLength_;
}
ErrorOr<void> HeadlessTextBox::setSelLength(std::int32_t v) {
    FAULT("SelLength=");
    if (v < 0) return Error::invalidPropertyValue();
    selLength_ = std::min(v, static_cast<std::int32_t>(text_.size()) - selStart_);
    return {};
}
ErrorOr<std::int32_t> HeadlessTextBox::SelStart() {
    FAULT("SelStart");
    return selStart_;
}
ErrorOr<void> HeadlessTextBox::setSelStart(std::int32_t v) {
    FAULT("SelStart=");
    if (v < 0) return Error::invalidPropertyValue();
    selStart_ = std::min(v, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    return {};
}
ErrorOr<std::u16string> HeadlessTextBox::SelText() {
    FAULT("SelText");
    return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}
ErrorOr<void> HeadlessTextBox::setSelText(std::u16string_view v) {
    FAULT("SelText=");
    return replaceSelection(v, EditSource::Assigned);
}
ErrorOr<std::u16string> HeadlessTextBox::Text() {
    FAULT("Text");
    return text_;
}
ErrorOr<void> HeadlessTextBox::setText(std::u16string_view v) {
    FAULT("Text=");
    // A new text puts the caret at the start, with nothing selected.
    return setTextState(std::u16string(v), 0);
}
ErrorOr<std::u16string> HeadlessTextBox::ToolTipText() {
    FAULT("ToolTipText");
    return toolTipText_;
}
ErrorOr<void> HeadlessTextBox::setToolTipText(std::u16string_view v) {
    FAULT("ToolTipText=");
    toolTipText_ = v;
    return {};
}
ErrorOr<Twips> HeadlessTextBox::Width() {
    FAULT("Width");
    return bounds_.width;
}
ErrorOr<void> HeadlessTextBox::setWidth(Twips v) {
    FAULT("Width=");
    TRY(checkSize(v));
    bounds_.width = v;
    return {};
}
ErrorOr<Twips> HeadlessTextBox::Height() {
    FAULT("Height");
    return bounds_.height;
}
ErrorOr<void> HeadlessTextBox::setHeight(Twips v) {
    FAULT("Height=");
    TRY(checkSize(v));
    bounds_.height = v;
    return {};
}
ErrorOr<void> HeadlessTextBox::SetFocus() {
    FAULT("SetFocus");
    return setFocusHere();
}

#undef FAULT

// ---- editing --------------------------------------------------------------------------------

ErrorOr<void> HeadlessTextBox::setTextState(std::u16string text, std::int32_t caret) {
    bool changed = text != text_;
    text_ = std::move(text);
    return caretAfterEdit(caret, changed);
}

ErrorOr<void> HeadlessTextBox::caretAfterEdit(std::int32_t caret, bool changed) {
    selStart_ = std::min(caret, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    if (changed && events_) TRY(events_->Change());
    return {};
}

ErrorOr<void> HeadlessTextBox::editInPlace(std::u16string_view insert) {
    // Only the selection is replaced, so a key costs what it changes, not the whole text.
    const auto at = static_cast<std::size_t>(selStart_);
    const auto length = static_cast<std::size_t>(selLength_);
    const bool changed = std::u16string_view(text_).substr(at, length) != insert;
    text_.replace(at, length, insert);
    return caretAfterEdit(selStart_ + static_cast<std::int32_t>(insert.size()), changed);
}

ErrorOr<void> HeadlessTextBox::replaceSelection(std::u16string_view insert, EditSource source) {
    const auto admitted = admittedEdit(insert, source, locked_, maxLength_,
                                       static_cast<std::int32_t>(text_.size()), selLength_);
    if (!admitted) return {};
    return editInPlace(*admitted);
}

ErrorOr<void> HeadlessTextBox::typeCharacter(char16_t ch) {
    // The character in the code page, once: it is the key's KeyAscii, and the key code of
    // anything but a letter (letters go by their capital).
    const auto code = static_cast<std::int16_t>(form().runtime().toCodePage(ch));
    std::int16_t shift = (ch >= u'A' && ch <= u'Z') ? 1 : 0;
    std::int16_t keyCode = (ch >= u'a' && ch <= u'z') ? static_cast<std::int16_t>(ch - 32) : code;
    // The handler gets its own copies: the release is a message of its own, with the key's
    // own code whatever the key-down handler left.
    std::int16_t downCode = keyCode, downShift = shift;
    if (events_) TRY(events_->KeyDown(downCode, downShift));
    std::int16_t keyAscii = code;
    TRY(deliverKeyPress(keyAscii));
    TRY(form().deliverSentKeys());
    if (auto* holder = form().focused()) TRY(holder->keyUp(keyCode, shift));
    return {};
}

ErrorOr<void> HeadlessTextBox::pressKey(std::int16_t keyCode, std::int16_t shift) {
    std::int16_t downCode = keyCode, downShift = shift;
    if (events_) TRY(events_->KeyDown(downCode, downShift));
    // As on a desktop, the character of a key that has one was made from the key before the
    // key-down handler ran: a handler that clears KeyCode does not take it back (only KeyAscii
    // = 0 in KeyPress does). The editing keys do what the handler left of them.
    if (keyCode == KeyBackspace || keyCode == KeyEnter || keyCode == 27) {
        std::int16_t keyAscii = keyCode;
        TRY(deliverKeyPress(keyAscii));
    }
    switch (downCode) {
    case KeyDelete:
        if (!locked_ && selectForDeletion(KeyDelete, selStart_, selLength_,
                                          static_cast<std::int32_t>(text_.size())))
            TRY(replaceSelection(u"", EditSource::Typed));
        break;
    case KeyLeft:
    case KeyRight:
    case KeyHome:
    case KeyEnd:
        selStart_ =
            caretAfterKey(downCode, selStart_, selLength_, static_cast<std::int32_t>(text_.size()));
        selLength_ = 0;
        break;
    default:
        break;
    }
    TRY(form().deliverSentKeys());
    if (auto* holder = form().focused()) TRY(holder->keyUp(keyCode, shift));
    return {};
}

ErrorOr<void> HeadlessTextBox::deliverKeyPress(std::int16_t& keyAscii) {
    if (events_) TRY(events_->KeyPress(keyAscii));
    // A single-line box inserts printable characters only; a handler's 0 inserts nothing.
    if (keyAscii == KeyBackspace) {
        if (locked_ || !selectForDeletion(KeyBackspace, selStart_, selLength_,
                                          static_cast<std::int32_t>(text_.size())))
            return {};
        // Deleting is never held back by the length limit.
        return editInPlace(u"");
    }
    if (keyAscii < 32 || keyAscii > 255) return {};
    auto ch = form().runtime().fromCodePage(static_cast<std::uint8_t>(keyAscii));
    if (!ch) return {};
    return replaceSelection(std::u16string_view(&*ch, 1), EditSource::Typed);
}

ErrorOr<void> HeadlessTextBox::paste(std::u16string_view text) {
    return replaceSelection(text, EditSource::Pasted);
}

ErrorOr<void> HeadlessTextBox::mouse(int what, std::int16_t button, std::int16_t shift, float x,
                                     float y) {
    TRY(checkPosition(x));
    TRY(checkPosition(y));
    return deliverMouse(events_, what, button, shift, x, y);
}

ErrorOr<void> HeadlessTextBox::click(float x, float y) {
    if (!enabled_) return {};
    TRY(mouse(0, 1, 0, x, y));
    if (form().focused() != this) TRY(form().moveFocus(this));
    TRY(mouse(2, 1, 0, x, y));
    return events_ ? events_->Click() : ErrorOr<void>();
}

ErrorOr<void> HeadlessTextBox::dblClick(float x, float y) {
    if (!enabled_) return {};
    TRY(click(x, y));
    if (events_) TRY(events_->DblClick());
    return mouse(2, 1, 0, x, y);
}

ErrorOr<void> HeadlessTextBox::gotFocus() {
    return events_ ? events_->GotFocus() : ErrorOr<void>();
}
ErrorOr<void> HeadlessTextBox::lostFocus() {
    return events_ ? events_->LostFocus() : ErrorOr<void>();
}
ErrorOr<void> HeadlessTextBox::keyUp(std::int16_t keyCode, std::int16_t shift) {
    return events_ ? events_->KeyUp(keyCode, shift) : ErrorOr<void>();
}

std::string HeadlessTextBox::describe() const {
    return Constituent::describe() + " text=" + quote(text_) + " enabled=" + flag(enabled_) +
           " maxlength=" + std::to_string(maxLength_) + " selstart=" + std::to_string(selStart_) +
           " sellength=" + std::to_string(selLength_);
}

} // namespace tessivra::headless
