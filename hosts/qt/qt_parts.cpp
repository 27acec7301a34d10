// The constituents other than the text box, and what every constituent shares.

#include "hosts/qt/qt_parts.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPalette>

namespace tessivra::qt {

// ---- shared ---------------------------------------------------------------------------------

QColor toQColor(Colour c) {
    if (c & SystemColourBit) {
        const QPalette p = QApplication::palette();
        switch (c & 0xFFu) {
        case 0:  // scroll bars
        case 15: // button face
            return p.color(QPalette::Button);
        case 1:  // desktop
        case 4:  // menu
        case 10: // active border
        case 11: // inactive border
        case 3:  // inactive caption
            return p.color(QPalette::Window);
        case 2:  // active caption
        case 13: // highlight
            return p.color(QPalette::Highlight);
        case 5: // window background
            return p.color(QPalette::Base);
        case 6:  // window frame
        case 21: // 3-D dark shadow
            return p.color(QPalette::Shadow);
        case 7: // menu text
            return p.color(QPalette::WindowText);
        case 8: // window text
            return p.color(QPalette::Text);
        case 9:  // caption text
        case 14: // highlight text
            return p.color(QPalette::HighlightedText);
        case 12: // application workspace
            return p.color(QPalette::Mid);
        case 16: // button shadow
            return p.color(QPalette::Dark);
        case 17: // grey text
            return p.color(QPalette::Disabled, QPalette::Text);
        case 18: // button text
            return p.color(QPalette::ButtonText);
        case 19: // inactive caption text
            return p.color(QPalette::Disabled, QPalette::WindowText);
        case 20: // 3-D highlight
            return p.color(QPalette::Light);
        case 22: // 3-D light
            return p.color(QPalette::Midlight);
        case 23: // tool tip text
            return p.color(QPalette::ToolTipText);
        case 24: // tool tip background
            return p.color(QPalette::ToolTipBase);
        default:
            return p.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

ErrorOr<QCursor> cursorFor(std::int16_t pointer, const PictureRef& icon) {
    switch (pointer) {
    case 0:
    case 1:
    case 4: // an icon: the arrow stands in for it
        return QCursor(Qt::ArrowCursor);
    case 2:
        return QCursor(Qt::CrossCursor);
    case 3:
        return QCursor(Qt::IBeamCursor);
    case 5:
    case 15:
        return QCursor(Qt::SizeAllCursor);
    case 6:
        return QCursor(Qt::SizeBDiagCursor);
    case 7:
        return QCursor(Qt::SizeVerCursor);
    case 8:
        return QCursor(Qt::SizeFDiagCursor);
    case 9:
        return QCursor(Qt::SizeHorCursor);
    case 10:
        return QCursor(Qt::UpArrowCursor);
    case 11:
        return QCursor(Qt::WaitCursor);
    case 12:
        return QCursor(Qt::ForbiddenCursor);
    case 13:
        return QCursor(Qt::BusyCursor);
    case 14:
        return QCursor(Qt::WhatsThisCursor);
    case 99:
        // A custom pointer without its icon is the arrow until the icon comes.
        if (auto* p = dynamic_cast<QtPicture*>(icon.get()))
            return QCursor(p->pixmap, p->hotspot.x(), p->hotspot.y());
        return QCursor(Qt::ArrowCursor);
    default:
        return Error::invalidPropertyValue();
    }
}

ErrorOr<void> showPointer(QWidget& w, std::int16_t pointer, const PictureRef& icon) {
    if (pointer == 0) {
        w.unsetCursor();
        return {};
    }
    w.setCursor(TRY(cursorFor(pointer, icon)));
    return {};
}

QFont toQFont(const FontRef& f) {
    if (!f) return QApplication::font();
    QFont q(toQ(f->name));
    q.setPointSizeF(f->size);
    q.setWeight(static_cast<QFont::Weight>(std::clamp<int>(f->weight, 1, 1000)));
    q.setItalic(f->italic);
    q.setUnderline(f->underline);
    q.setStrikeOut(f->strikethrough);
    return q;
}

QtConstituent* QtConstituent::of(const QObject* o) {
    if (!o) return nullptr;
    const QVariant v = o->property("tessivraPart");
    return v.isValid() ? static_cast<QtConstituent*>(v.value<void*>()) : nullptr;
}

void QtConstituent::place(QWidget* w, QWidget* parent) {
    w->setProperty("tessivraPart", QVariant::fromValue<void*>(this));
    if (w->objectName().isEmpty()) w->setObjectName(toQ(owner_.name + u"." + name_));
    reposition(w);
    if (parent && parent->isVisible()) w->show();
}

ErrorOr<void> QtConstituent::setBound(QWidget* w, Twips Bounds::*bound, Twips value) {
    const bool position = bound == &Bounds::left || bound == &Bounds::top;
    TRY(position ? checkPosition(value) : checkSize(value));
    bounds_.*bound = value;
    reposition(w);
    return {};
}

void QtConstituent::reposition(QWidget* w) {
    if (!w) return;
    w->setGeometry(QtHost::toPixels(bounds_.left), QtHost::toPixels(bounds_.top),
                   QtHost::toPixels(bounds_.width), QtHost::toPixels(bounds_.height));
}

std::int16_t QtConstituent::shiftBits(Qt::KeyboardModifiers m) {
    std::int16_t s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

std::int16_t QtConstituent::buttonBits(Qt::MouseButtons b) {
    std::int16_t s = 0;
    if (b & Qt::LeftButton) s |= 1;
    if (b & Qt::RightButton) s |= 2;
    if (b & Qt::MiddleButton) s |= 4;
    return s;
}

ErrorOr<void> QtConstituent::setFocusOn(QWidget* w) {
    auto canTake = [](QWidget* x) {
        return x && x->isEnabled() && !x->isHidden() && x->focusPolicy() != Qt::NoFocus &&
               (!x->window() || !x->window()->isHidden() || !x->window()->isWindow() ||
                x->window()->testAttribute(Qt::WA_WState_ExplicitShowHide) == false);
    };
    if (!canTake(w)) return Error::cannotTakeFocus();
    if (host().focusMoving > 0) {
        // Asked while the focus is moving: carried out once the move is complete, and dropped
        // if the box can no longer take it by then.
        QPointer<QWidget> target(w);
        QMetaObject::invokeMethod(
            w,
            [target, canTake] {
                if (canTake(target.data())) target->setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
        return {};
    }
    w->setFocus(Qt::OtherFocusReason);
    return {};
}

// ---- command button -------------------------------------------------------------------------

class ButtonWidget final : public QPushButton {
public:
    ButtonWidget(QtCommandButton& b, QWidget* parent) : QPushButton(parent), b_(b) {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        // A press whose focus was taken back meanwhile (a check on the box that lost it
        // returned it there) is broken off: the button is not pressed and will not click.
        if ((focusPolicy() & Qt::ClickFocus) && isEnabled() && !hasFocus()) {
            e->ignore();
            return;
        }
        QPushButton::mousePressEvent(e);
    }
    void focusInEvent(QFocusEvent* e) override {
        QPushButton::focusInEvent(e);
        if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
            b_.owner().host.focusArriving(b_);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QPushButton::focusOutEvent(e);
        if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
            b_.owner().host.focusLeaving(b_);
    }

private:
    QtCommandButton& b_;
};

QtCommandButton::QtCommandButton(Placer& owner, const CommandButtonDesign& d,
                                 CommandButtonEvents* events, QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, d.tabIndex), events_(events),
      button_(new ButtonWidget(*this, parent)), picture_(d.picture) {
    auto* b = button_.data();
    b->setText(toQ(d.caption));
    b->setEnabled(d.enabled);
    b->setAutoDefault(false);
    // Out of the tab order, a button still takes the focus when clicked.
    b->setFocusPolicy(d.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    if (auto* p = dynamic_cast<QtPicture*>(picture_.get())) {
        b->setIcon(QIcon(p->pixmap));
        b->setIconSize(p->pixmap.size());
    }
    QObject::connect(b, &QPushButton::clicked, b, [this] { clicked(); });
    place(b, parent);
}
QtCommandButton::~QtCommandButton() {
    delete button_.data();
}
QWidget* QtCommandButton::widget() const {
    return button_.data();
}
QPushButton* QtCommandButton::button() const {
    return button_.data();
}
void QtCommandButton::clicked() {
    QtHostImpl::HandlerScope scope(host());
    if (auto* e = events_.get()) host().failed(e->Click());
}
ErrorOr<VBool> QtCommandButton::Enabled() {
    return toVBool(button_->isEnabled());
}
ErrorOr<void> QtCommandButton::setEnabled(VBool v) {
    QtHostImpl::HandlerScope scope(host());
    button_->setEnabled(v != 0);
    return {};
}
ErrorOr<Twips> QtCommandButton::Width() {
    return bounds_.width;
}
ErrorOr<Twips> QtCommandButton::Left() {
    return bounds_.left;
}
ErrorOr<void> QtCommandButton::setLeft(Twips v) {
    return setBound(button_, &Bounds::left, v);
}

// ---- vertical scroll bar --------------------------------------------------------------------

class BarWidget final : public QScrollBar {
public:
    BarWidget(QtVScrollBar& b, QWidget* parent) : QScrollBar(Qt::Vertical, parent), b_(b) {}

protected:
    void focusInEvent(QFocusEvent* e) override {
        QScrollBar::focusInEvent(e);
        if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
            b_.owner().host.focusArriving(b_);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QScrollBar::focusOutEvent(e);
        if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
            b_.owner().host.focusLeaving(b_);
    }
    void mousePressEvent(QMouseEvent* e) override {
        // Clicking the bar gives it the focus, as a desktop's does.
        if (focusPolicy() != Qt::NoFocus && !hasFocus()) setFocus(Qt::MouseFocusReason);
        QScrollBar::mousePressEvent(e);
    }

private:
    QtVScrollBar& b_;
};

QtVScrollBar::QtVScrollBar(Placer& owner, const VScrollBarDesign& d, VScrollBarEvents* events,
                           QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, d.tabIndex), events_(events),
      bar_(new BarWidget(*this, parent)), min_(d.min), max_(d.max),
      value_(std::clamp(d.value, std::min(d.min, d.max), std::max(d.min, d.max))) {
    auto* b = bar_.data();
    b->setSingleStep(std::max<int>(1, d.smallChange));
    b->setPageStep(std::max<int>(1, d.largeChange));
    b->setFocusPolicy(Qt::StrongFocus);
    sync();
    QObject::connect(b, &QScrollBar::valueChanged, b,
                     [this](int step) { userMoved(step, bar_ && bar_->isSliderDown()); });
    place(b, parent);
}
QtVScrollBar::~QtVScrollBar() {
    delete bar_.data();
}
QWidget* QtVScrollBar::widget() const {
    return bar_.data();
}
QScrollBar* QtVScrollBar::bar() const {
    return bar_.data();
}

void QtVScrollBar::sync() {
    syncing_ = true;
    const int span = std::abs(static_cast<int>(max_) - static_cast<int>(min_));
    bar_->setRange(0, span);
    bar_->setValue(std::abs(static_cast<int>(value_) - static_cast<int>(min_)));
    syncing_ = false;
}

void QtVScrollBar::userMoved(int step, bool dragging) {
    if (syncing_) return;
    const int sign = max_ >= min_ ? 1 : -1;
    const auto v = static_cast<std::int16_t>(static_cast<int>(min_) + sign * step);
    QtHostImpl::HandlerScope scope(host());
    if (dragging) {
        value_ = v;
        if (auto* e = events_.get()) host().failed(e->Scroll());
        return;
    }
    host().failed(moveTo(v));
}

ErrorOr<void> QtVScrollBar::moveTo(std::int16_t v) {
    if (v == value_) return {};
    value_ = v;
    if (bar_) sync();
    if (auto* e = events_.get()) TRY(e->Change());
    return {};
}

ErrorOr<std::int16_t> QtVScrollBar::Min() {
    return min_;
}
ErrorOr<void> QtVScrollBar::setMin(std::int16_t v) {
    min_ = v;
    // Moving an end past the position drags the position along.
    const auto lo = std::min(min_, max_), hi = std::max(min_, max_);
    const auto moved = std::clamp(value_, lo, hi);
    sync();
    return moveTo(moved);
}
ErrorOr<std::int16_t> QtVScrollBar::Max() {
    return max_;
}
ErrorOr<void> QtVScrollBar::setMax(std::int16_t v) {
    max_ = v;
    const auto lo = std::min(min_, max_), hi = std::max(min_, max_);
    const auto moved = std::clamp(value_, lo, hi);
    sync();
    return moveTo(moved);
}
ErrorOr<std::int16_t> QtVScrollBar::Value() {
    return value_;
}
ErrorOr<void> QtVScrollBar::setValue(std::int16_t v) {
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) return Error::invalidPropertyValue();
    return moveTo(v);
}
ErrorOr<Twips> QtVScrollBar::Width() {
    return bounds_.width;
}
ErrorOr<void> QtVScrollBar::setLeft(Twips v) {
    return setBound(bar_, &Bounds::left, v);
}
ErrorOr<void> QtVScrollBar::setHeight(Twips v) {
    return setBound(bar_, &Bounds::height, v);
}

// ---- label ----------------------------------------------------------------------------------

namespace {
// Mouse messages as the automation's events take them, in twips.
template <typename Events>
ErrorOr<void> deliverMouse(Events* ev, int what, QMouseEvent& e, std::int16_t shift,
                           std::int16_t button) {
    if (!ev) return {};
    float x = QtHost::toTwips(e.position().x());
    float y = QtHost::toTwips(e.position().y());
    switch (what) {
    case 0:
        return ev->MouseDown(button, shift, x, y);
    case 1:
        return ev->MouseMove(button, shift, x, y);
    default:
        return ev->MouseUp(button, shift, x, y);
    }
}
std::int16_t bits(Qt::KeyboardModifiers m) {
    return static_cast<std::int16_t>(((m & Qt::ShiftModifier) ? 1 : 0) |
                                     ((m & Qt::ControlModifier) ? 2 : 0) |
                                     ((m & Qt::AltModifier) ? 4 : 0));
}
std::int16_t buttons(Qt::MouseButtons b) {
    return static_cast<std::int16_t>(((b & Qt::LeftButton) ? 1 : 0) |
                                     ((b & Qt::RightButton) ? 2 : 0) |
                                     ((b & Qt::MiddleButton) ? 4 : 0));
}
} // namespace

class LabelWidget final : public QLabel {
public:
    LabelWidget(QtLabel& l, QWidget* parent) : QLabel(parent), l_(l) { setMouseTracking(true); }

protected:
    void mousePressEvent(QMouseEvent* e) override { deliver(0, *e, e->button()); }
    void mouseMoveEvent(QMouseEvent* e) override { deliver(1, *e, e->buttons()); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        deliver(2, *e, e->button());
        if (rect().contains(e->position().toPoint())) {
            QtHostImpl::HandlerScope scope(l_.owner().host);
            if (auto* ev = l_.events()) l_.owner().host.failed(ev->Click());
        }
    }
    void mouseDoubleClickEvent(QMouseEvent*) override {
        QtHostImpl::HandlerScope scope(l_.owner().host);
        if (auto* ev = l_.events()) l_.owner().host.failed(ev->DblClick());
    }

private:
    void deliver(int what, QMouseEvent& e, Qt::MouseButtons b) {
        QtHostImpl::HandlerScope scope(l_.owner().host);
        l_.owner().host.failed(deliverMouse(l_.events(), what, e, bits(e.modifiers()), buttons(b)));
    }
    QtLabel& l_;
};

QtLabel::QtLabel(Placer& owner, const LabelDesign& d, LabelEvents* events, QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, d.tabIndex), events_(events),
      label_(new LabelWidget(*this, parent)), alignment_(d.alignment), backStyle_(d.backStyle),
      mousePointer_(d.mousePointer), autoSize_(d.autoSize), bold_(d.font && d.font->bold()),
      backColor_(d.backColor), foreColor_(d.foreColor), font_(d.font), mouseIcon_(d.mouseIcon) {
    auto* l = label_.data();
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(!autoSize_);
    l->setText(toQ(d.caption));
    if (auto c = cursorFor(mousePointer_, mouseIcon_); !c.isError() && mousePointer_ != 0)
        l->setCursor(c.value());
    applyLook();
    place(l, parent);
    if (autoSize_) {
        l->adjustSize();
        bounds_.width = QtHost::toTwips(l->width());
        bounds_.height = QtHost::toTwips(l->height());
    }
}
QtLabel::~QtLabel() {
    delete label_.data();
}
QWidget* QtLabel::widget() const {
    return label_.data();
}
std::u16string QtLabel::caption() const {
    return label_ ? fromQ(label_->text()) : std::u16string();
}

void QtLabel::applyLook() {
    auto* l = label_.data();
    l->setAlignment(Qt::AlignTop | (alignment_ == 1   ? Qt::AlignRight
                                    : alignment_ == 2 ? Qt::AlignHCenter
                                                      : Qt::AlignLeft));
    QPalette p = l->palette();
    p.setColor(QPalette::Window, toQColor(backColor_));
    p.setColor(QPalette::WindowText, toQColor(foreColor_));
    l->setPalette(p);
    l->setAutoFillBackground(backStyle_ == 1);
    QFont f = font_               ? toQFont(font_)
              : l->parentWidget() ? l->parentWidget()->font()
                                  : QApplication::font();
    f.setBold(bold_);
    l->setFont(f);
    if (autoSize_) {
        l->adjustSize();
        bounds_.width = QtHost::toTwips(l->width());
        bounds_.height = QtHost::toTwips(l->height());
    }
}

ErrorOr<std::u16string> QtLabel::Caption() {
    return caption();
}
ErrorOr<void> QtLabel::setCaption(std::u16string_view v) {
    label_->setText(toQ(v));
    if (autoSize_) applyLook();
    return {};
}
ErrorOr<Twips> QtLabel::Width() {
    return bounds_.width;
}
ErrorOr<void> QtLabel::setWidth(Twips v) {
    return setBound(label_, &Bounds::width, v);
}
ErrorOr<Twips> QtLabel::Height() {
    return bounds_.height;
}
ErrorOr<void> QtLabel::setHeight(Twips v) {
    return setBound(label_, &Bounds::height, v);
}
ErrorOr<Colour> QtLabel::BackColor() {
    return backColor_;
}
ErrorOr<void> QtLabel::setBackColor(Colour v) {
    backColor_ = v;
    applyLook();
    return {};
}
ErrorOr<Colour> QtLabel::ForeColor() {
    return foreColor_;
}
ErrorOr<void> QtLabel::setForeColor(Colour v) {
    foreColor_ = v;
    applyLook();
    return {};
}
ErrorOr<FontRef> QtLabel::Font() {
    return font_;
}
ErrorOr<void> QtLabel::setFont(FontRef v) {
    TRY(checkFont(v));
    font_ = std::move(v);
    bold_ = font_ && font_->bold();
    applyLook();
    return {};
}
ErrorOr<VBool> QtLabel::FontBold() {
    return toVBool(bold_);
}
ErrorOr<void> QtLabel::setFontBold(VBool v) {
    bold_ = v != 0;
    applyLook();
    return {};
}
ErrorOr<PictureRef> QtLabel::MouseIcon() {
    return mouseIcon_;
}
ErrorOr<void> QtLabel::setMouseIcon(PictureRef v) {
    mouseIcon_ = std::move(v);
    if (mousePointer_ == 99) TRY(showPointer(*label_, 99, mouseIcon_));
    return {};
}
ErrorOr<std::int16_t> QtLabel::MousePointer() {
    return mousePointer_;
}
ErrorOr<void> QtLabel::setMousePointer(std::int16_t v) {
    TRY(showPointer(*label_, v, mouseIcon_));
    mousePointer_ = v;
    return {};
}
ErrorOr<std::u16string> QtLabel::ToolTipText() {
    return toolTipText_;
}
ErrorOr<void> QtLabel::setToolTipText(std::u16string_view v) {
    toolTipText_ = v;
    label_->setToolTip(toQ(v));
    return {};
}

// ---- timer ----------------------------------------------------------------------------------

QtTimerPart::QtTimerPart(Placer& owner, const TimerDesign& d, TimerEvents* events)
    : QtConstituent(owner, d.name, {}, 0), events_(events), interval_(d.interval),
      enabled_(d.enabled) {
    auto& h = host();
    order = h.timersMade++;
    if (h.settings.manualTime) {
        due = h.clockMs + interval_;
        h.timers.push_back(this);
        return;
    }
    timer_.setInterval(interval_);
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        QtHostImpl::HandlerScope scope(host());
        host().failed(fire());
    });
    if (running()) timer_.start();
}
QtTimerPart::~QtTimerPart() {
    auto& t = host().timers;
    t.erase(std::remove(t.begin(), t.end(), this), t.end());
}
std::int64_t QtTimerPart::lastDueBy(std::int64_t now) const {
    if (!running() || now < due) return due;
    return due + (now - due) / interval_ * interval_;
}
ErrorOr<void> QtTimerPart::fire() {
    if (auto* e = events_.get()) return e->Timer();
    return {};
}
ErrorOr<std::int32_t> QtTimerPart::Interval() {
    return interval_;
}
ErrorOr<VBool> QtTimerPart::Enabled() {
    return toVBool(enabled_);
}

// ---- picture box and image ------------------------------------------------------------------

class BoxWidget final : public QWidget {
public:
    BoxWidget(QtPictureBox& b, QWidget* parent) : QWidget(parent), b_(b) { setMouseTracking(true); }

protected:
    void mouseMoveEvent(QMouseEvent* e) override {
        QtHostImpl::HandlerScope scope(b_.owner().host);
        b_.owner().host.failed(deliverMouseMove(*e));
    }

private:
    ErrorOr<void> deliverMouseMove(QMouseEvent& e) {
        auto* ev = b_.events();
        if (!ev) return {};
        std::int16_t button = buttons(e.buttons()), shift = bits(e.modifiers());
        float x = QtHost::toTwips(e.position().x());
        float y = QtHost::toTwips(e.position().y());
        return ev->MouseMove(button, shift, x, y);
    }
    QtPictureBox& b_;
};

QtPictureBox::QtPictureBox(Placer& owner, const PictureBoxDesign& d, PictureBoxEvents* events,
                           QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, d.tabIndex), events_(events),
      box_(new BoxWidget(*this, parent)), backColor_(d.backColor), foreColor_(d.foreColor) {
    auto* b = box_.data();
    QPalette p = b->palette();
    p.setColor(QPalette::Window, toQColor(backColor_));
    p.setColor(QPalette::WindowText, toQColor(foreColor_));
    b->setPalette(p);
    b->setAutoFillBackground(true);
    place(b, parent);
}
QtPictureBox::~QtPictureBox() {
    delete box_.data();
}
QWidget* QtPictureBox::widget() const {
    return box_.data();
}
ErrorOr<Colour> QtPictureBox::BackColor() {
    return backColor_;
}

QtImage::QtImage(Placer& owner, const ImageDesign& d, QWidget* parent)
    : QtConstituent(owner, d.name, d.bounds, 0), picture_(d.picture), label_(new QLabel(parent)) {
    auto* l = label_.data();
    if (auto* p = dynamic_cast<QtPicture*>(picture_.get())) {
        l->setPixmap(p->pixmap);
    }
    l->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    place(l, parent);
}
QtImage::~QtImage() {
    delete label_.data();
}
ErrorOr<PictureRef> QtImage::Picture() {
    return picture_;
}

} // namespace tessivra::qt
