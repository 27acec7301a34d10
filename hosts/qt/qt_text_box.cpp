// The text box on a QLineEdit. The line edit keeps and draws the text, the caret and the
// selection; every change of the text goes through the box's one edit path, so that typing,
// pasting and assignment raise the same events and only typing and pasting are limited.

#include "hosts/qt/qt_parts.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QProxyStyle>

#include <limits>
#include <utility>

namespace tessivra::qt {

namespace {

using namespace keycodes;

// The Windows virtual-key code of a Qt key, or 0 for a key that has none.
std::int16_t virtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::int16_t>(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    default:
        return 0;
    }
}

// A password box shows the character it was given instead of each one typed.
class PasswordStyle final : public QProxyStyle {
public:
    explicit PasswordStyle(char16_t c) : c_(c) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return c_;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

private:
    char16_t c_;
};

} // namespace

// ---- the widget -----------------------------------------------------------------------------

void EditWidget::keyPressEvent(QKeyEvent* e) {
    QtHostImpl::HandlerScope scope(box_.host());
    box_.host().failed(box_.keyPress(*e));
}
void EditWidget::keyReleaseEvent(QKeyEvent* e) {
    QtHostImpl::HandlerScope scope(box_.host());
    box_.host().failed(box_.keyRelease(*e));
}
void EditWidget::inputMethodEvent(QInputMethodEvent* e) {
    // Text composed by an input method arrives whole: it is typed, as a paste without the
    // limit's cut would be, through the edit path; the preedit is the line edit's to show.
    if (!e->commitString().isEmpty()) {
        QtHostImpl::HandlerScope scope(box_.host());
        box_.host().failed(box_.replaceSelection(fromQ(e->commitString()), EditSource::Typed));
    }
    e->accept();
}
void EditWidget::focusInEvent(QFocusEvent* e) {
    // The caret and the selection stay as the user left them, whichever way the focus came
    // (the line edit would select everything on a Tab).
    const int start = box_.selStart(), length = box_.selLength();
    box_.keptStart_ = -1;
    QLineEdit::focusInEvent(e);
    restoreSelection(start, length);
    if (!QtConstituent::isFocusMove(e->reason())) return;
    auto& host = box_.host();
    host.focusArriving(box_);
    QtHostImpl::HandlerScope scope(host);
    ++host.focusMoving;
    if (auto* ev = box_.events()) host.failed(ev->GotFocus());
    --host.focusMoving;
}
void EditWidget::focusOutEvent(QFocusEvent* e) {
    // The line edit drops the selection of a box without the focus (on leaving, and again
    // when its window is deactivated); the box keeps it until the focus comes back.
    const int start = box_.selStart(), length = box_.selLength();
    QLineEdit::focusOutEvent(e);
    restoreSelection(start, length);
    if (!hasFocus()) {
        box_.keptStart_ = start;
        box_.keptLength_ = length;
    }
    if (!QtConstituent::isFocusMove(e->reason())) return;
    auto& host = box_.host();
    host.focusLeaving(box_);
    QtHostImpl::HandlerScope scope(host);
    ++host.focusMoving;
    if (auto* ev = box_.events()) host.failed(ev->LostFocus());
    --host.focusMoving;
}
void EditWidget::mousePressEvent(QMouseEvent* e) {
    QLineEdit::mousePressEvent(e);
    QtHostImpl::HandlerScope scope(box_.host());
    box_.host().failed(box_.mouse(0, *e));
}
void EditWidget::mouseMoveEvent(QMouseEvent* e) {
    QLineEdit::mouseMoveEvent(e);
    QtHostImpl::HandlerScope scope(box_.host());
    box_.host().failed(box_.mouse(1, *e));
}
void EditWidget::restoreSelection(int start, int length) {
    if (length > 0)
        setSelection(start, length);
    else if (hasSelectedText() || cursorPosition() != start)
        setCursorPosition(start);
}
void EditWidget::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    QtHostImpl::HandlerScope scope(box_.host());
    box_.host().failed(box_.mouse(2, *e));
    const bool ending = std::exchange(afterDoubleClick_, false);
    // A release over the box that was pressed in it is a click.
    if (!ending && rect().contains(e->position().toPoint()))
        if (auto* ev = box_.events()) box_.host().failed(ev->Click());
}
void EditWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    QLineEdit::mouseDoubleClickEvent(e);
    afterDoubleClick_ = true;
    QtHostImpl::HandlerScope scope(box_.host());
    if (auto* ev = box_.events()) box_.host().failed(ev->DblClick());
}
void EditWidget::contextMenuEvent(QContextMenuEvent* e) {
    // The line edit's own menu would edit the text behind the edit path's back.
    e->accept();
}

// ---- the box --------------------------------------------------------------------------------

QtTextBox::QtTextBox(Placer& owner, const TextBoxDesign& d, TextBoxEvents* events, QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, d.tabIndex), events_(events),
      edit_(new EditWidget(*this, parent)), alignment_(d.alignment), maxLength_(d.maxLength),
      font_(owner.host.ambientFont) {
    auto* e = edit_.data();
    e->setObjectName(toQ(owner.name + u"." + name_));
    // The line edit's own limit (32767 unless changed) would cut an assigned text; the box's
    // MaxLength lives in the edit path instead, so the widget's is lifted out of the way.
    e->setMaxLength(std::numeric_limits<int>::max());
    e->setDragEnabled(false);
    e->setAcceptDrops(false);
    e->setText(toQ(d.text));
    e->setCursorPosition(0);
    e->setEnabled(d.enabled);
    e->setAlignment(Qt::AlignVCenter | (d.alignment == 1   ? Qt::AlignRight
                                        : d.alignment == 2 ? Qt::AlignHCenter
                                                           : Qt::AlignLeft));
    e->setFont(toQFont(font_));
    e->setFocusPolicy(Qt::StrongFocus);
    applyPalette();
    place(e, parent);
}

QtTextBox::~QtTextBox() {
    delete edit_.data();
}

void QtTextBox::applyPalette() {
    QPalette p = edit_->palette();
    p.setColor(QPalette::Base, toQColor(backColor_));
    p.setColor(QPalette::Text, toQColor(foreColor_));
    edit_->setPalette(p);
}

ErrorOr<std::int16_t> QtTextBox::Alignment() {
    return alignment_;
}
ErrorOr<void> QtTextBox::setAlignment(std::int16_t v) {
    if (v < 0 || v > 2) return Error::invalidPropertyValue();
    alignment_ = v;
    edit_->setAlignment(Qt::AlignVCenter | (v == 1   ? Qt::AlignRight
                                            : v == 2 ? Qt::AlignHCenter
                                                     : Qt::AlignLeft));
    return {};
}
ErrorOr<Colour> QtTextBox::BackColor() {
    return backColor_;
}
ErrorOr<void> QtTextBox::setBackColor(Colour v) {
    backColor_ = v;
    applyPalette();
    return {};
}
ErrorOr<std::int16_t> QtTextBox::BorderStyle() {
    return borderStyle_;
}
ErrorOr<void> QtTextBox::setBorderStyle(std::int16_t v) {
    if (v < 0 || v > 1) return Error::invalidPropertyValue();
    borderStyle_ = v;
    edit_->setFrame(v == 1);
    return {};
}
ErrorOr<VBool> QtTextBox::Enabled() {
    return toVBool(edit_->isEnabled());
}
ErrorOr<void> QtTextBox::setEnabled(VBool v) {
    // A disabled box cannot keep the focus: the line edit hands it on as Tab would, and the
    // box hears its LostFocus then.
    QtHostImpl::HandlerScope scope(host());
    edit_->setEnabled(v != 0);
    return {};
}
ErrorOr<FontRef> QtTextBox::Font() {
    return font_;
}
ErrorOr<void> QtTextBox::setFont(FontRef v) {
    TRY(checkFont(v));
    edit_->setFont(toQFont(v));
    font_ = std::move(v);
    return {};
}
ErrorOr<Colour> QtTextBox::ForeColor() {
    return foreColor_;
}
ErrorOr<void> QtTextBox::setForeColor(Colour v) {
    foreColor_ = v;
    applyPalette();
    return {};
}
ErrorOr<VBool> QtTextBox::Locked() {
    return toVBool(locked_);
}
ErrorOr<void> QtTextBox::setLocked(VBool v) {
    locked_ = v != 0;
    // Read-only for the look (no caret blinking for input); the edit path holds the rule.
    edit_->setReadOnly(locked_);
    return {};
}
ErrorOr<std::int32_t> QtTextBox::MaxLength() {
    return maxLength_;
}
ErrorOr<void> QtTextBox::setMaxLength(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    maxLength_ = v;
    return {};
}
ErrorOr<PictureRef> QtTextBox::MouseIcon() {
    return mouseIcon_;
}
ErrorOr<void> QtTextBox::setMouseIcon(PictureRef v) {
    mouseIcon_ = std::move(v);
    if (mousePointer_ == 99) TRY(showPointer(*edit_, 99, mouseIcon_));
    return {};
}
ErrorOr<std::int16_t> QtTextBox::MousePointer() {
    return mousePointer_;
}
ErrorOr<void> QtTextBox::setMousePointer(std::int16_t v) {
    TRY(showPointer(*edit_, v, mouseIcon_));
    mousePointer_ = v;
    return {};
}
ErrorOr<VBool> QtTextBox::MultiLine() {
    return VFalse;
}
ErrorOr<std::u16string> QtTextBox::PasswordChar() {
    return passwordChar_;
}
ErrorOr<void> QtTextBox::setPasswordChar(std::u16string_view v) {
    if (v.size() > 1) return Error::invalidPropertyValue();
    // One character or none, written so: g++ 12 at -O3 misreads a copy of the view here.
    passwordChar_ = v.empty() ? std::u16string() : std::u16string(1, v[0]);
    delete passwordStyle_;
    passwordStyle_ = nullptr;
    if (v.empty()) {
        edit_->setStyle(nullptr);
        edit_->setEchoMode(QLineEdit::Normal);
    } else {
        auto* style = new PasswordStyle(v[0]);
        style->setParent(edit_);
        passwordStyle_ = style;
        edit_->setStyle(style);
        edit_->setEchoMode(QLineEdit::Password);
    }
    return {};
}
ErrorOr<std::int16_t> QtTextBox::ScrollBars() {
    return 0;
}

std::int32_t QtTextBox::selStart() const {
    if (keptStart_ >= 0) return keptStart_;
    return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}
std::int32_t QtTextBox::selLength() const {
    if (keptStart_ >= 0) return keptLength_;
    return edit_->hasSelectedText() ? edit_->selectionLength() : 0;
}
void QtTextBox::selectionChanged() {
    // What code or an edit did to the selection is the line edit's again.
    keptStart_ = -1;
}

ErrorOr<std::int32_t> QtTextBox::SelLength() {
    return selLength();
}
ErrorOr<void> QtTextBox::setSelLength(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    const auto start = selStart();
    const auto length =
        std::min<std::int32_t>(v, static_cast<std::int32_t>(edit_->text().size()) - start);
    if (length > 0)
        edit_->setSelection(start, length);
    else
        edit_->setCursorPosition(start);
    return {};
}
ErrorOr<std::int32_t> QtTextBox::SelStart() {
    return selStart();
}
ErrorOr<void> QtTextBox::setSelStart(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    selectionChanged();
    edit_->deselect();
    edit_->setCursorPosition(
        std::min<std::int32_t>(v, static_cast<std::int32_t>(edit_->text().size())));
    return {};
}
ErrorOr<std::u16string> QtTextBox::SelText() {
    return fromQ(edit_->selectedText());
}
ErrorOr<void> QtTextBox::setSelText(std::u16string_view v) {
    return replaceSelection(v, EditSource::Assigned);
}
ErrorOr<std::u16string> QtTextBox::Text() {
    return fromQ(edit_->text());
}
ErrorOr<void> QtTextBox::setText(std::u16string_view v) {
    // A new text puts the caret at the start, with nothing selected.
    const QString text = toQ(v);
    const bool changed = text != edit_->text();
    selectionChanged();
    edit_->setText(text);
    edit_->setCursorPosition(0);
    if (changed && events_) TRY(events_->Change());
    return {};
}
ErrorOr<std::u16string> QtTextBox::ToolTipText() {
    return toolTipText_;
}
ErrorOr<void> QtTextBox::setToolTipText(std::u16string_view v) {
    toolTipText_ = v;
    edit_->setToolTip(toQ(v));
    return {};
}
ErrorOr<Twips> QtTextBox::Width() {
    return bounds_.width;
}
ErrorOr<void> QtTextBox::setWidth(Twips v) {
    return setBound(edit_, &Bounds::width, v);
}
ErrorOr<Twips> QtTextBox::Height() {
    return bounds_.height;
}
ErrorOr<void> QtTextBox::setHeight(Twips v) {
    return setBound(edit_, &Bounds::height, v);
}
ErrorOr<void> QtTextBox::SetFocus() {
    return setFocusOn(edit_);
}

// ---- editing --------------------------------------------------------------------------------

ErrorOr<void> QtTextBox::replaceSelection(std::u16string_view insert, EditSource source) {
    auto* e = edit_.data();
    const std::int32_t length = selLength();
    const auto admitted = admittedEdit(insert, source, locked_, maxLength_,
                                       static_cast<std::int32_t>(e->text().size()), length);
    if (!admitted) return {};
    insert = *admitted;
    const std::int32_t start = selStart();
    selectionChanged();
    const bool changed = QStringView(e->text()).mid(start, length) !=
                         QStringView(reinterpret_cast<const QChar*>(insert.data()),
                                     static_cast<qsizetype>(insert.size()));
    // Only the selection is replaced, so a key costs what it changes, not the whole text. The
    // line edit's own insert would be refused on a read-only (locked) box, which code may
    // still change.
    const bool readOnly = e->isReadOnly();
    if (readOnly) e->setReadOnly(false);
    if (length > 0) e->setSelection(start, length);
    e->insert(toQ(insert));
    if (readOnly) e->setReadOnly(true);
    if (changed && events_) TRY(events_->Change());
    return {};
}

ErrorOr<void> QtTextBox::paste(std::u16string_view text) {
    return replaceSelection(text, EditSource::Pasted);
}

ErrorOr<void> QtTextBox::deleteKey(bool backspace) {
    auto* e = edit_.data();
    if (locked_) return {};
    const auto size = static_cast<std::int32_t>(e->text().size());
    if (!e->hasSelectedText()) {
        const auto at = e->cursorPosition();
        if (backspace ? at == 0 : at >= size) return {};
        e->setSelection(backspace ? at - 1 : at, 1);
    }
    // Deleting is never held back by the length limit.
    return replaceSelection(u"", EditSource::Assigned);
}

ErrorOr<void> QtTextBox::typed(std::int16_t& keyAscii, std::u16string_view asTyped) {
    const std::int16_t given = keyAscii;
    if (auto* ev = events_.get()) TRY(ev->KeyPress(keyAscii));
    if (keyAscii == KeyBackspace) return deleteKey(true);
    // A single-line box inserts printable characters only; a handler's 0 inserts nothing.
    if (keyAscii < 32 || keyAscii > 255) return {};
    // A character the code page cannot hold reached the handler as the code page's "?"; left
    // as it was, the character is inserted as it was typed.
    if (keyAscii == given && !asTyped.empty()) return replaceSelection(asTyped, EditSource::Typed);
    auto ch = host().runtime.text().fromCodePage(static_cast<std::uint8_t>(keyAscii));
    if (!ch) return {};
    return replaceSelection(std::u16string_view(&*ch, 1), EditSource::Typed);
}

ErrorOr<void> QtTextBox::keyPress(QKeyEvent& e) {
    auto* w = edit_.data();
    const int key = e.key();
    // Tab and Backtab are the window's focus traversal, handled before the box sees them.
    const std::int16_t shift = shiftBits(e.modifiers());
    const QString text = e.text();
    const bool printable = !text.isEmpty() && text[0].unicode() >= 32 && text[0].unicode() != 127 &&
                           !(e.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    auto& services = host().runtime.text();
    std::int16_t keyCode = virtualKey(key);
    // A character key goes by its capital letter, or else by its code in the code page.
    std::int16_t code = 0;
    bool outside = false;
    if (printable) {
        const char16_t c = text[0].unicode();
        code = static_cast<std::int16_t>(services.toCodePage(c));
        outside = code == '?' && c != u'?';
        if (!(c >= u'a' && c <= u'z') && !(c >= u'A' && c <= u'Z') && keyCode == 0) keyCode = code;
    }
    std::int16_t downCode = keyCode, downShift = shift;
    if (auto* ev = events_.get()) TRY(ev->KeyDown(downCode, downShift));
    if (!edit_) return {};

    // As on a desktop, the character of a key that has one was made from the key before the
    // key-down handler ran: a handler that clears KeyCode does not take it back (only KeyAscii
    // = 0 in KeyPress does).
    if (printable) {
        std::int16_t keyAscii = code;
        return typed(keyAscii, outside || text.size() > 1 ? fromQ(text) : std::u16string());
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter ||
        key == Qt::Key_Escape) {
        std::int16_t keyAscii = key == Qt::Key_Backspace ? KeyBackspace
                                : key == Qt::Key_Escape  ? KeyEscape
                                                         : KeyEnter;
        return typed(keyAscii, {});
    }
    if (e.matches(QKeySequence::Paste)) {
        const QString clip = QGuiApplication::clipboard()->text();
        return paste(fromQ(clip));
    }
    if (e.matches(QKeySequence::Cut)) {
        if (locked_ || !w->hasSelectedText() || w->echoMode() != QLineEdit::Normal) return {};
        QGuiApplication::clipboard()->setText(w->selectedText());
        return deleteKey(false);
    }
    if (e.matches(QKeySequence::Copy)) {
        if (w->echoMode() == QLineEdit::Normal && w->hasSelectedText())
            QGuiApplication::clipboard()->setText(w->selectedText());
        return {};
    }
    // The key-down handler's KeyCode decides what an editing key does.
    if (downCode == 46 && !(e.modifiers() & Qt::ShiftModifier)) return deleteKey(false);
    if (e.matches(QKeySequence::SelectAll)) {
        w->selectAll();
        return {};
    }
    // Keys that only move the caret or the selection are the line edit's own.
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
        w->QLineEdit::keyPressEvent(&e);
        break;
    default:
        e.ignore();
        break;
    }
    (void)KeyTab;
    return {};
}

ErrorOr<void> QtTextBox::keyRelease(QKeyEvent& e) {
    if (e.isAutoRepeat()) return {};
    std::int16_t keyCode = virtualKey(e.key());
    if (keyCode == 0 && !e.text().isEmpty())
        keyCode =
            static_cast<std::int16_t>(host().runtime.text().toCodePage(e.text()[0].unicode()));
    std::int16_t shift = shiftBits(e.modifiers());
    if (auto* ev = events_.get()) TRY(ev->KeyUp(keyCode, shift));
    return {};
}

ErrorOr<void> QtTextBox::mouse(int what, QMouseEvent& e) {
    auto* ev = events_.get();
    if (!ev) return {};
    std::int16_t button = what == 1 ? buttonBits(e.buttons()) : buttonBits(e.button());
    std::int16_t shift = shiftBits(e.modifiers());
    const QPointF p = e.position();
    float x = QtHost::toTwips(p.x());
    float y = QtHost::toTwips(p.y());
    switch (what) {
    case 0:
        return ev->MouseDown(button, shift, x, y);
    case 1:
        return ev->MouseMove(button, shift, x, y);
    default:
        return ev->MouseUp(button, shift, x, y);
    }
}

} // namespace tessivra::qt
