#include "hosts/headless/form.h"

#include <cmath>

namespace tessivra::headless {

namespace {
std::string flag(bool b) {
    return b ? "True" : "False";
}
std::string colour(Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X&", c);
    return buf;
}
} // namespace

// ---- shared ---------------------------------------------------------------------------------

HeadlessForm& Constituent::form() const {
    return owner_.form();
}

ErrorOr<void> Constituent::fault(std::string_view member) {
    TESSIVRA_FAULT(form().faults(), owner_.name(), name_, member);
    return {};
}

ErrorOr<void> Constituent::setFocusHere() {
    if (!takesFocus()) return Error::cannotTakeFocus();
    return form().moveFocus(this);
}

std::string Constituent::describe() const {
    return toUtf8(name_) + " left=" + formatNumber(bounds_.left) +
           " top=" + formatNumber(bounds_.top) + " width=" + formatNumber(bounds_.width) +
           " height=" + formatNumber(bounds_.height);
}

// ---- command button -------------------------------------------------------------------------

HeadlessCommandButton::HeadlessCommandButton(HeadlessSurface& owner, const CommandButtonDesign& d,
                                             CommandButtonEvents* events)
    : Constituent(owner, d.name, d.bounds, d.tabIndex), events_(events), enabled_(d.enabled),
      tabStop_(d.tabStop), caption_(d.caption), picture_(d.picture) {}

ErrorOr<VBool> HeadlessCommandButton::Enabled() {
    TRY(fault("Enabled"));
    return toVBool(enabled_);
}
ErrorOr<void> HeadlessCommandButton::setEnabled(VBool v) {
    TRY(fault("Enabled="));
    enabled_ = v != 0;
    if (!enabled_ && form().focused() == this) TRY(form().focusLeaving(this));
    return {};
}
ErrorOr<Twips> HeadlessCommandButton::Width() {
    TRY(fault("Width"));
    return bounds_.width;
}
ErrorOr<Twips> HeadlessCommandButton::Left() {
    TRY(fault("Left"));
    return bounds_.left;
}
ErrorOr<void> HeadlessCommandButton::setLeft(Twips v) {
    TRY(fault("Left="));
    TRY(checkPosition(v));
    bounds_.left = v;
    return {};
}
ErrorOr<void> HeadlessCommandButton::click() {
    if (!enabled_) return {};
    if (form().focused() != this && tabStop_) {
        TRY(form().moveFocus(this));
        // A handler that took the focus elsewhere while the button was being pressed (a box
        // checking its text and showing a message) breaks the press: a desktop loses that click.
        if (form().focused() != this) return {};
    }
    return events_ ? events_->Click() : ErrorOr<void>();
}
std::string HeadlessCommandButton::describe() const {
    return Constituent::describe() + " caption=" + quote(caption_) + " enabled=" + flag(enabled_) +
           (picture_ ? " picture=" + quote(picture_->name) : "");
}

// ---- vertical scroll bar --------------------------------------------------------------------

HeadlessVScrollBar::HeadlessVScrollBar(HeadlessSurface& owner, const VScrollBarDesign& d,
                                       VScrollBarEvents* events)
    : Constituent(owner, d.name, d.bounds, d.tabIndex), events_(events), min_(d.min), max_(d.max),
      value_(d.value), smallChange_(d.smallChange) {}

ErrorOr<void> HeadlessVScrollBar::moveTo(std::int16_t v) {
    if (v == value_) return {};
    value_ = v;
    return events_ ? events_->Change() : ErrorOr<void>();
}

ErrorOr<std::int16_t> HeadlessVScrollBar::Min() {
    TRY(fault("Min"));
    return min_;
}
ErrorOr<void> HeadlessVScrollBar::setMin(std::int16_t v) {
    TRY(fault("Min="));
    min_ = v;
    // The position stays inside the range, whichever way round the range runs.
    auto lo = std::min(min_, max_), hi = std::max(min_, max_);
    return moveTo(std::clamp(value_, lo, hi));
}
ErrorOr<std::int16_t> HeadlessVScrollBar::Max() {
    TRY(fault("Max"));
    return max_;
}
ErrorOr<void> HeadlessVScrollBar::setMax(std::int16_t v) {
    TRY(fault("Max="));
    max_ = v;
    auto lo = std::min(min_, max_), hi = std::max(min_, max_);
    return moveTo(std::clamp(value_, lo, hi));
}
ErrorOr<std::int16_t> HeadlessVScrollBar::Value() {
    TRY(fault("Value"));
    return value_;
}
ErrorOr<void> HeadlessVScrollBar::setValue(std::int16_t v) {
    TRY(fault("Value="));
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) return Error::invalidPropertyValue();
    return moveTo(v);
}
ErrorOr<Twips> HeadlessVScrollBar::Width() {
    TRY(fault("Width"));
    return bounds_.width;
}
ErrorOr<void> HeadlessVScrollBar::setLeft(Twips v) {
    TRY(fault("Left="));
    TRY(checkPosition(v));
    bounds_.left = v;
    return {};
}
ErrorOr<void> HeadlessVScrollBar::setHeight(Twips v) {
    TRY(fault("Height="));
    TRY(checkSize(v));
    bounds_.height = v;
    return {};
}
ErrorOr<void> HeadlessVScrollBar::clickArrow(bool bottom) {
    std::int16_t target = bottom ? max_ : min_;
    if (value_ == target) return {};
    int step = target > value_ ? smallChange_ : -smallChange_;
    int next = value_ + step;
    if ((step > 0 && next > target) || (step < 0 && next < target)) next = target;
    return moveTo(static_cast<std::int16_t>(next));
}
std::string HeadlessVScrollBar::describe() const {
    return Constituent::describe() + " min=" + std::to_string(min_) +
           " max=" + std::to_string(max_) + " value=" + std::to_string(value_);
}

// ---- label ----------------------------------------------------------------------------------

HeadlessLabel::HeadlessLabel(HeadlessSurface& owner, const LabelDesign& d, LabelEvents* events)
    : Constituent(owner, d.name, d.bounds, d.tabIndex), events_(events), caption_(d.caption),
      alignment_(d.alignment), backStyle_(d.backStyle), mousePointer_(d.mousePointer),
      autoSize_(d.autoSize), bold_(d.font && d.font->bold()), backColor_(d.backColor),
      foreColor_(d.foreColor), font_(d.font ? d.font : owner.form().defaultLabelFont),
      mouseIcon_(d.mouseIcon) {
    fitCaption();
}

void HeadlessLabel::fitCaption() {
    if (!autoSize_) return;
    // A fixed width table in fractions of the point size: narrow, capital, wide and other
    // characters; bold adds a tenth.
    double em = static_cast<double>(font_->size) * 20.0;
    double width = 0;
    for (char16_t c : caption_) {
        double f = 0.5;
        if (std::u16string_view(u"il.,:;'|!I").find(c) != std::u16string_view::npos)
            f = 0.28;
        else if (std::u16string_view(u"mwMW@").find(c) != std::u16string_view::npos)
            f = 0.85;
        else if (c >= u'A' && c <= u'Z')
            f = 0.67;
        width += em * f;
    }
    if (bold_) width *= 1.1;
    bounds_.width = static_cast<Twips>(std::round(width / 15.0) * 15.0);
    bounds_.height = static_cast<Twips>(std::round(em * 1.2 / 15.0) * 15.0);
}

ErrorOr<std::u16string> HeadlessLabel::Caption() {
    TRY(fault("Caption"));
    return caption_;
}
ErrorOr<void> HeadlessLabel::setCaption(std::u16string_view v) {
    TRY(fault("Caption="));
    caption_ = v;
    fitCaption();
    return {};
}
ErrorOr<Twips> HeadlessLabel::Width() {
    TRY(fault("Width"));
    return bounds_.width;
}
ErrorOr<void> HeadlessLabel::setWidth(Twips v) {
    TRY(fault("Width="));
    TRY(checkSize(v));
    bounds_.width = v;
    return {};
}
ErrorOr<Twips> HeadlessLabel::Height() {
    TRY(fault("Height"));
    return bounds_.height;
}
ErrorOr<void> HeadlessLabel::setHeight(Twips v) {
    TRY(fault("Height="));
    TRY(checkSize(v));
    bounds_.height = v;
    return {};
}
ErrorOr<Colour> HeadlessLabel::BackColor() {
    TRY(fault("BackColor"));
    return backColor_;
}
ErrorOr<void> HeadlessLabel::setBackColor(Colour v) {
    TRY(fault("BackColor="));
    backColor_ = v;
    return {};
}
ErrorOr<Colour> HeadlessLabel::ForeColor() {
    TRY(fault("ForeColor"));
    return foreColor_;
}
ErrorOr<void> HeadlessLabel::setForeColor(Colour v) {
    TRY(fault("ForeColor="));
    foreColor_ = v;
    return {};
}
ErrorOr<FontRef> HeadlessLabel::Font() {
    TRY(fault("Font"));
    return font_;
}
ErrorOr<void> HeadlessLabel::setFont(FontRef v) {
    TRY(fault("Font="));
    if (!v) return Error::invalidPropertyValue();
    TRY(checkFont(v));
    font_ = std::move(v);
    bold_ = font_->bold();
    fitCaption();
    return {};
}
ErrorOr<VBool> HeadlessLabel::FontBold() {
    TRY(fault("FontBold"));
    return toVBool(bold_);
}
ErrorOr<void> HeadlessLabel::setFontBold(VBool v) {
    TRY(fault("FontBold="));
    bold_ = v != 0;
    fitCaption();
    return {};
}
ErrorOr<PictureRef> HeadlessLabel::MouseIcon() {
    TRY(fault("MouseIcon"));
    return mouseIcon_;
}
ErrorOr<void> HeadlessLabel::setMouseIcon(PictureRef v) {
    TRY(fault("MouseIcon="));
    mouseIcon_ = std::move(v);
    return {};
}
ErrorOr<std::int16_t> HeadlessLabel::MousePointer() {
    TRY(fault("MousePointer"));
    return mousePointer_;
}
ErrorOr<void> HeadlessLabel::setMousePointer(std::int16_t v) {
    TRY(fault("MousePointer="));
    if ((v < 0 || v > 15) && v != 99) return Error::invalidPropertyValue();
    mousePointer_ = v;
    return {};
}
ErrorOr<std::u16string> HeadlessLabel::ToolTipText() {
    TRY(fault("ToolTipText"));
    return toolTipText_;
}
ErrorOr<void> HeadlessLabel::setToolTipText(std::u16string_view v) {
    TRY(fault("ToolTipText="));
    toolTipText_ = v;
    return {};
}
ErrorOr<void> HeadlessLabel::click() {
    if (!events_) return {};
    std::int16_t b = 1, s = 0;
    float x = 0, y = 0;
    TRY(events_->MouseDown(b, s, x, y));
    TRY(events_->MouseUp(b, s, x, y));
    return events_->Click();
}
ErrorOr<void> HeadlessLabel::dblClick() {
    if (!events_) return {};
    TRY(click());
    TRY(events_->DblClick());
    std::int16_t b = 1, s = 0;
    float x = 0, y = 0;
    return events_->MouseUp(b, s, x, y);
}
ErrorOr<void> HeadlessLabel::mouse(int what, std::int16_t button, std::int16_t shift, float x,
                                   float y) {
    return deliverMouse(events_, what, button, shift, x, y);
}
std::string HeadlessLabel::describe() const {
    return Constituent::describe() + " caption=" + quote(caption_) +
           " forecolor=" + colour(foreColor_) + " backcolor=" + colour(backColor_) +
           " bold=" + flag(bold_) + " font=" + formatValue(Value(font_));
}

// ---- timer ----------------------------------------------------------------------------------

HeadlessTimer::HeadlessTimer(HeadlessSurface& owner, const TimerDesign& d, TimerEvents* events,
                             std::int64_t now)
    : Constituent(owner, d.name, {}, 0), events_(events), interval_(d.interval),
      enabled_(d.enabled), due_(now + d.interval), order_(owner.form().newTimerOrder()) {
    owner.form().fileTimer(*this);
}
HeadlessTimer::~HeadlessTimer() {
    owner_.form().unfileTimer(*this);
}

ErrorOr<std::int32_t> HeadlessTimer::Interval() {
    TRY(fault("Interval"));
    return interval_;
}
ErrorOr<VBool> HeadlessTimer::Enabled() {
    TRY(fault("Enabled"));
    return toVBool(enabled_);
}
std::int64_t HeadlessTimer::lastDueBy(std::int64_t now) const {
    const std::int64_t due = nextDue();
    if (due > now) return due;
    return due + (now - due) / interval_ * interval_;
}
ErrorOr<void> HeadlessTimer::fire(std::int64_t now) {
    if (nextDue() > now) return {};
    form().unfileTimer(*this);
    due_ = lastDueBy(now) + interval_;
    form().fileTimer(*this);
    if (events_) TRY(events_->Timer());
    return {};
}
std::string HeadlessTimer::describe() const {
    return toUtf8(name_) + " interval=" + std::to_string(interval_) + " enabled=" + flag(enabled_);
}

// ---- picture box and image ------------------------------------------------------------------

HeadlessPictureBox::HeadlessPictureBox(HeadlessSurface& owner, const PictureBoxDesign& d,
                                       PictureBoxEvents* events)
    : Constituent(owner, d.name, d.bounds, d.tabIndex), events_(events), backColor_(d.backColor),
      foreColor_(d.foreColor) {}

ErrorOr<Colour> HeadlessPictureBox::BackColor() {
    TRY(fault("BackColor"));
    return backColor_;
}
ErrorOr<void> HeadlessPictureBox::mouseMove(std::int16_t button, std::int16_t shift, float x,
                                            float y) {
    return events_ ? events_->MouseMove(button, shift, x, y) : ErrorOr<void>();
}
std::string HeadlessPictureBox::describe() const {
    return Constituent::describe() + " backcolor=" + colour(backColor_) +
           " forecolor=" + colour(foreColor_);
}

HeadlessImage::HeadlessImage(HeadlessSurface& owner, const ImageDesign& d)
    : Constituent(owner, d.name, d.bounds, 0), picture_(d.picture) {}

ErrorOr<PictureRef> HeadlessImage::Picture() {
    TRY(fault("Picture"));
    return picture_;
}
std::string HeadlessImage::describe() const {
    return Constituent::describe() + " picture=" + (picture_ ? quote(picture_->name) : "Nothing");
}

} // namespace tessivra::headless
