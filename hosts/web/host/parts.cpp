#include "hosts/web/host/web_page.h"

#include <algorithm>
#include <cmath>

namespace tessivra::web {

namespace {

using namespace keycodes;

val makeElement(const char* tag) {
    return val::global("document").call<val>("createElement", val(tag));
}

std::string px(Twips t) {
    return std::to_string(toPixels(t)) + "px";
}

// The automation's Shift argument: Shift 1, Ctrl 2, Alt 4.
std::int16_t shiftOf(const val& e) {
    return static_cast<std::int16_t>((e["shiftKey"].as<bool>() ? 1 : 0) |
                                     (e["ctrlKey"].as<bool>() ? 2 : 0) |
                                     (e["altKey"].as<bool>() ? 4 : 0));
}

// The automation's Button argument: left 1, right 2, middle 4.
std::int16_t buttonOf(const val& e) {
    switch (e["button"].as<int>()) {
    case 0:
        return 1;
    case 1:
        return 4;
    case 2:
        return 2;
    default:
        return 0;
    }
}

// A pointer event's place in the element, in twips: pointer events carry fractions of a pixel.
// Rounded to a sixteenth of a twip, so that the float noise of the pixel round trip goes.
float toTwips(double pixels) {
    return static_cast<float>(std::round(pixels * kTwipsPerPixel * 16.0) / 16.0);
}
float xOf(const val& e) {
    return toTwips(e["offsetX"].as<double>());
}
float yOf(const val& e) {
    return toTwips(e["offsetY"].as<double>());
}

template <typename Events>
ErrorOr<void> deliverMouse(const SinkRef<Events>& sink, const std::string& type, const val& e) {
    Events* events = sink.get();
    if (!events) return {};
    std::int16_t button = buttonOf(e), shift = shiftOf(e);
    float x = xOf(e), y = yOf(e);
    if (type == "pointerdown") return events->MouseDown(button, shift, x, y);
    if (type == "pointerup") return events->MouseUp(button, shift, x, y);
    button = static_cast<std::int16_t>(e["buttons"].as<int>() & 7);
    return events->MouseMove(button, shift, x, y);
}

void applyFont(val style, const FontRef& f) {
    if (!f) return;
    style.set("fontFamily", jsString(u"\"" + f->name + u"\", sans-serif"));
    style.set("fontSize", std::to_string(f->size) + "pt");
    style.set("fontWeight", f->weight);
    style.set("fontStyle", f->italic ? "italic" : "normal");
}

const char* cursorOf(std::int16_t pointer) {
    switch (pointer) {
    case 1:
        return "default";
    case 2:
        return "crosshair";
    case 3:
        return "text";
    case 11:
        return "wait";
    case 12:
        return "not-allowed";
    case 99:
        return "pointer";
    default:
        return "";
    }
}

void showCursor(val style, std::int16_t pointer, const PictureRef& icon) {
    // A custom pointer shows its picture when it is one the page can draw.
    if (pointer == 99)
        if (auto* p = dynamic_cast<WebPicture*>(icon.get())) {
            style.set("cursor", "url(" + p->url + "), pointer");
            return;
        }
    style.set("cursor", cursorOf(pointer));
}

} // namespace

// ---- text box -------------------------------------------------------------------------------

WebTextBox::WebTextBox(WebSurface& owner, const TextBoxDesign& d, TextBoxEvents* events)
    : DomPart(owner, d.name, d.bounds, d.tabIndex, makeElement("input")), events_(events),
      text_(d.text), alignment_(d.alignment), enabled_(d.enabled), maxLength_(d.maxLength),
      font_(owner.page().ambientFont) {
    element_.set("type", "text");
    element_.set("spellcheck", false);
    element_.call<void>("setAttribute", val("autocomplete"), val("off"));
    for (const char* type :
         {"keydown", "keyup", "paste", "cut", "drop", "beforeinput", "compositionend", "focus",
          "pointerdown", "pointermove", "pointerup", "click", "dblclick"})
        listen(element_, type);
    style();
    showText();
}

void WebTextBox::style() {
    auto s = element_["style"];
    static const char* align[] = {"left", "right", "center"};
    s.set("textAlign", align[alignment_]);
    s.set("backgroundColor", cssColour(backColor_));
    s.set("color", cssColour(foreColor_));
    s.set("border", borderStyle_ ? "1px inset #808080" : "none");
    s.set("padding", "0 2px");
    applyFont(s, font_);
    showCursor(s, mousePointer_, mouseIcon_);
    element_.set("disabled", !enabled_);
    element_.set("readOnly", locked_);
    element_.set("title", jsString(toolTipText_));
}

void WebTextBox::showText() {
    element_.set("value", jsString(text_));
    showSelection();
}

void WebTextBox::showSelection() {
    element_.call<void>("setSelectionRange", selStart_, selStart_ + selLength_);
}

void WebTextBox::takeSelectionFromElement() {
    // Only the focused element has a caret the user may have moved.
    if (page().focused() != this) return;
    const val start = element_["selectionStart"], end = element_["selectionEnd"];
    if (!start.isNumber() || !end.isNumber()) return;
    const auto size = static_cast<std::int32_t>(text_.size());
    selStart_ = std::clamp(start.as<std::int32_t>(), 0, size);
    selLength_ = std::clamp(end.as<std::int32_t>(), selStart_, size) - selStart_;
}

ErrorOr<std::int16_t> WebTextBox::Alignment() {
    return alignment_;
}
ErrorOr<void> WebTextBox::setAlignment(std::int16_t v) {
    if (v < 0 || v > 2) return Error::invalidPropertyValue();
    alignment_ = v;
    style();
    return {};
}
ErrorOr<Colour> WebTextBox::BackColor() {
    return backColor_;
}
ErrorOr<void> WebTextBox::setBackColor(Colour v) {
    backColor_ = v;
    style();
    return {};
}
ErrorOr<std::int16_t> WebTextBox::BorderStyle() {
    return borderStyle_;
}
ErrorOr<void> WebTextBox::setBorderStyle(std::int16_t v) {
    if (v < 0 || v > 1) return Error::invalidPropertyValue();
    borderStyle_ = v;
    style();
    return {};
}
ErrorOr<VBool> WebTextBox::Enabled() {
    return toVBool(enabled_);
}
ErrorOr<void> WebTextBox::setEnabled(VBool v) {
    enabled_ = v != 0;
    style();
    // A disabled box cannot keep the focus: it moves on as Tab would.
    if (!enabled_ && page().focused() == this) TRY(page().focusLeaving(this));
    return {};
}
ErrorOr<FontRef> WebTextBox::Font() {
    return font_;
}
ErrorOr<void> WebTextBox::setFont(FontRef v) {
    if (!v || !(std::isfinite(v->size) && v->size > 0)) return Error::invalidPropertyValue();
    font_ = std::move(v);
    style();
    return {};
}
ErrorOr<Colour> WebTextBox::ForeColor() {
    return foreColor_;
}
ErrorOr<void> WebTextBox::setForeColor(Colour v) {
    foreColor_ = v;
    style();
    return {};
}
ErrorOr<VBool> WebTextBox::Locked() {
    return toVBool(locked_);
}
ErrorOr<void> WebTextBox::setLocked(VBool v) {
    locked_ = v != 0;
    style();
    return {};
}
ErrorOr<std::int32_t> WebTextBox::MaxLength() {
    return maxLength_;
}
ErrorOr<void> WebTextBox::setMaxLength(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    // The limit holds typing and pasting back, which this box does itself: the element's own
    // maxLength would also cut what code assigns, so it is never set.
    maxLength_ = v;
    return {};
}
ErrorOr<PictureRef> WebTextBox::MouseIcon() {
    return mouseIcon_;
}
ErrorOr<void> WebTextBox::setMouseIcon(PictureRef v) {
    mouseIcon_ = std::move(v);
    style();
    return {};
}
ErrorOr<std::int16_t> WebTextBox::MousePointer() {
    return mousePointer_;
}
ErrorOr<void> WebTextBox::setMousePointer(std::int16_t v) {
    if ((v < 0 || v > 15) && v != 99) return Error::invalidPropertyValue();
    mousePointer_ = v;
    style();
    return {};
}
ErrorOr<VBool> WebTextBox::MultiLine() {
    return VFalse;
}
ErrorOr<std::u16string> WebTextBox::PasswordChar() {
    return passwordChar_;
}
ErrorOr<void> WebTextBox::setPasswordChar(std::u16string_view v) {
    if (v.size() > 1) return Error::invalidPropertyValue();
    passwordChar_ = v;
    // The browser masks with its own character.
    element_.set("type", passwordChar_.empty() ? "text" : "password");
    return {};
}
ErrorOr<std::int16_t> WebTextBox::ScrollBars() {
    return 0;
}
ErrorOr<std::int32_t> WebTextBox::SelLength() {
    takeSelectionFromElement();
    return selLength_;
}
ErrorOr<void> WebTextBox::setSelLength(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    takeSelectionFromElement();
    selLength_ = std::min(v, static_cast<std::int32_t>(text_.size()) - selStart_);
    showSelection();
    return {};
}
ErrorOr<std::int32_t> WebTextBox::SelStart() {
    takeSelectionFromElement();
    return selStart_;
}
ErrorOr<void> WebTextBox::setSelStart(std::int32_t v) {
    if (v < 0) return Error::invalidPropertyValue();
    selStart_ = std::min(v, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    showSelection();
    return {};
}
ErrorOr<std::u16string> WebTextBox::SelText() {
    takeSelectionFromElement();
    return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}
ErrorOr<void> WebTextBox::setSelText(std::u16string_view v) {
    takeSelectionFromElement();
    return replaceSelection(v, EditSource::Assigned);
}
ErrorOr<std::u16string> WebTextBox::Text() {
    return text_;
}
ErrorOr<void> WebTextBox::setText(std::u16string_view v) {
    // A new text puts the caret at the start, with nothing selected.
    const bool changed = v != text_;
    text_ = v;
    return caretAfterEdit(0, changed);
}
ErrorOr<std::u16string> WebTextBox::ToolTipText() {
    return toolTipText_;
}
ErrorOr<void> WebTextBox::setToolTipText(std::u16string_view v) {
    toolTipText_ = v;
    element_.set("title", jsString(toolTipText_));
    return {};
}
ErrorOr<Twips> WebTextBox::Width() {
    return bounds_.width;
}
ErrorOr<void> WebTextBox::setWidth(Twips v) {
    TRY(checkSize(v));
    bounds_.width = v;
    layout();
    return {};
}
ErrorOr<Twips> WebTextBox::Height() {
    return bounds_.height;
}
ErrorOr<void> WebTextBox::setHeight(Twips v) {
    TRY(checkSize(v));
    bounds_.height = v;
    layout();
    return {};
}
ErrorOr<void> WebTextBox::SetFocus() {
    return setFocusHere();
}

// ---- editing: one path for typing, pasting and assignment ------------------------------------

ErrorOr<void> WebTextBox::caretAfterEdit(std::int32_t caret, bool changed) {
    selStart_ = std::min(caret, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    showText();
    if (changed && events_) TRY(events_->Change());
    return {};
}

ErrorOr<void> WebTextBox::editInPlace(std::u16string_view insert) {
    const auto at = static_cast<std::size_t>(selStart_);
    const auto length = static_cast<std::size_t>(selLength_);
    const bool changed = std::u16string_view(text_).substr(at, length) != insert;
    text_.replace(at, length, insert);
    // Only the selection is replaced in the element too, so that a key costs what it changes,
    // not the whole text.
    element_.call<void>("setRangeText", jsString(insert), selStart_, selStart_ + selLength_,
                        val("end"));
    selStart_ += static_cast<std::int32_t>(insert.size());
    selLength_ = 0;
    if (changed && events_) TRY(events_->Change());
    return {};
}

ErrorOr<void> WebTextBox::replaceSelection(std::u16string_view insert, EditSource source) {
    const auto admitted = admittedEdit(insert, source, locked_, maxLength_,
                                       static_cast<std::int32_t>(text_.size()), selLength_);
    if (!admitted) return {};
    return editInPlace(*admitted);
}

ErrorOr<void> WebTextBox::keyDown(std::int16_t keyCode, std::int16_t shift,
                                  std::u16string_view key) {
    takeSelectionFromElement();
    // A key with a character of its own: one UTF-16 unit (the browser names other keys by a
    // word), or the three editing keys that have a control character.
    std::optional<std::int16_t> character;
    const bool printable = key.size() == 1 && key[0] >= u' ' && (shift & 2) == 0;
    if (printable) {
        character = TRY(page().runtime().Asc(key));
        if (keyCode == 0) {
            // A key sent by code: letters go by their capital, anything else by its code.
            const char16_t ch = key[0];
            shift = (ch >= u'A' && ch <= u'Z') ? 1 : 0;
            keyCode = (ch >= u'a' && ch <= u'z') ? static_cast<std::int16_t>(ch - 32) : *character;
        }
    } else if (keyCode == KeyBackspace || keyCode == KeyEnter || keyCode == KeyEscape) {
        character = keyCode;
    }
    // The handler gets its own copies: the release is a message of its own, with the key's own
    // code whatever the key-down handler left.
    std::int16_t downCode = keyCode, downShift = shift;
    if (events_) TRY(events_->KeyDown(downCode, downShift));
    // The character was made from the key before the key-down handler ran: clearing KeyCode
    // does not take it back (only KeyAscii = 0 does). The editing keys do what the handler
    // left of them.
    if (character) {
        std::int16_t keyAscii = *character;
        TRY(deliverKeyPress(keyAscii));
    }
    // A printable key's code is no editing key, whatever its number ('#' is 35, as End is).
    if (printable) return {};
    const auto size = static_cast<std::int32_t>(text_.size());
    switch (downCode) {
    case KeyDelete:
        if (!locked_ && selectForDeletion(KeyDelete, selStart_, selLength_, size))
            TRY(replaceSelection(u"", EditSource::Typed));
        break;
    case KeyLeft:
    case KeyRight:
    case KeyHome:
    case KeyEnd:
        selStart_ = caretAfterKey(downCode, selStart_, selLength_, size);
        selLength_ = 0;
        showSelection();
        break;
    default:
        break;
    }
    return {};
}

ErrorOr<void> WebTextBox::deliverKeyPress(std::int16_t& keyAscii) {
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
    auto ch = page().runtime().Chr(keyAscii);
    if (ch.isError()) return {}; // a code the code page leaves undefined inserts nothing
    return replaceSelection(ch.value(), EditSource::Typed);
}

ErrorOr<void> WebTextBox::paste(std::u16string_view text) {
    takeSelectionFromElement();
    return replaceSelection(text, EditSource::Pasted);
}

ErrorOr<void> WebTextBox::onDomEvent(const std::string& type, const val& e) {
    if (type == "keydown") {
        const auto keyCode = static_cast<std::int16_t>(e["keyCode"].as<int>());
        const std::int16_t shift = shiftOf(e);
        const std::u16string key = fromJs(e["key"]);
        if (e["isComposing"].as<bool>()) return {};
        // The browser keeps its shortcuts (copy, paste, select all): they come back as paste
        // and cut events. Every other key is this box's to carry out.
        const bool shortcut = (shift & 2) != 0 || e["metaKey"].as<bool>();
        if (!shortcut) e.call<void>("preventDefault");
        if (keyCode == KeyTab && !shortcut) {
            std::int16_t downCode = keyCode, downShift = shift;
            if (events_) TRY(events_->KeyDown(downCode, downShift));
            return page().focusNext();
        }
        if (shortcut) {
            std::int16_t downCode = keyCode, downShift = shift;
            return events_ ? events_->KeyDown(downCode, downShift) : ErrorOr<void>();
        }
        return keyDown(keyCode, shift, key);
    }
    if (type == "keyup") {
        // The release goes to whatever holds the focus now, as a desktop's does.
        const auto keyCode = static_cast<std::int16_t>(e["keyCode"].as<int>());
        auto* holder = page().focused();
        return holder ? holder->keyUp(keyCode, shiftOf(e)) : ErrorOr<void>();
    }
    if (type == "paste") {
        e.call<void>("preventDefault");
        const val data = e["clipboardData"];
        if (data.isNull() || data.isUndefined()) return {};
        return paste(fromJs(data.call<val>("getData", val("text/plain"))));
    }
    if (type == "cut") {
        takeSelectionFromElement();
        if (locked_ || selLength_ == 0) return {};
        // The browser copies the selection; the removal is an edit like any other.
        const val data = e["clipboardData"];
        if (!data.isNull() && !data.isUndefined()) {
            e.call<void>("preventDefault");
            data.call<void>(
                "setData", val("text/plain"),
                jsString(std::u16string_view(text_).substr(static_cast<std::size_t>(selStart_),
                                                           static_cast<std::size_t>(selLength_))));
        }
        return replaceSelection(u"", EditSource::Typed);
    }
    if (type == "compositionend") {
        // An input method composes in the element itself, where it cannot be refused; what it
        // composed is then taken back and typed through the edit path, key by key, so that the
        // control sees each character in KeyPress as it sees typed ones.
        const std::u16string composed = fromJs(e["data"]);
        showText();
        for (char16_t ch : composed) {
            TRY(keyDown(0, 0, std::u16string_view(&ch, 1)));
            TRY(keyUp(0, 0));
        }
        return {};
    }
    if (type == "drop" || type == "beforeinput") {
        // Whatever else would change the text behind the box's back (dragged text, the
        // browser's own menu) is refused: every change goes through the box's one edit path.
        if (e["cancelable"].as<bool>()) e.call<void>("preventDefault");
        return {};
    }
    if (type == "focus") {
        if (page().showingFocus() || page().focused() == this) return {};
        return page().moveFocus(this);
    }
    if (type == "click") return events_ ? events_->Click() : ErrorOr<void>();
    if (type == "dblclick") return events_ ? events_->DblClick() : ErrorOr<void>();
    return deliverMouse(events_, type, e);
}

ErrorOr<void> WebTextBox::gotFocus() {
    return events_ ? events_->GotFocus() : ErrorOr<void>();
}
ErrorOr<void> WebTextBox::lostFocus() {
    return events_ ? events_->LostFocus() : ErrorOr<void>();
}
ErrorOr<void> WebTextBox::keyUp(std::int16_t keyCode, std::int16_t shift) {
    return events_ ? events_->KeyUp(keyCode, shift) : ErrorOr<void>();
}

// ---- command button -------------------------------------------------------------------------

WebCommandButton::WebCommandButton(WebSurface& owner, const CommandButtonDesign& d,
                                   CommandButtonEvents* events)
    : DomPart(owner, d.name, d.bounds, d.tabIndex, makeElement("button")), events_(events),
      enabled_(d.enabled), tabStop_(d.tabStop), caption_(d.caption), picture_(d.picture) {
    element_.set("type", "button");
    element_.set("disabled", !enabled_);
    element_.set("tabIndex", tabStop_ ? 0 : -1);
    element_["style"].set("padding", "0");
    if (auto* p = dynamic_cast<WebPicture*>(picture_.get())) {
        // A picture button: the picture centred, the caption as its text for readers.
        val img = makeElement("img");
        img.set("src", p->url);
        img.set("alt", jsString(caption_));
        element_.call<void>("appendChild", img);
    } else {
        element_.set("textContent", jsString(caption_));
    }
    listen(element_, "click");
    listen(element_, "focus");
}

ErrorOr<VBool> WebCommandButton::Enabled() {
    return toVBool(enabled_);
}
ErrorOr<void> WebCommandButton::setEnabled(VBool v) {
    enabled_ = v != 0;
    element_.set("disabled", !enabled_);
    if (!enabled_ && page().focused() == this) TRY(page().focusLeaving(this));
    return {};
}
ErrorOr<Twips> WebCommandButton::Width() {
    return bounds_.width;
}
ErrorOr<Twips> WebCommandButton::Left() {
    return bounds_.left;
}
ErrorOr<void> WebCommandButton::setLeft(Twips v) {
    TRY(checkPosition(v));
    bounds_.left = v;
    layout();
    return {};
}

ErrorOr<void> WebCommandButton::onDomEvent(const std::string& type, const val&) {
    if (type == "focus") {
        if (page().showingFocus() || page().focused() == this) return {};
        return page().moveFocus(this);
    }
    if (type != "click" || !enabled_) return {};
    // A click moves the focus to the button first, as a desktop button does.
    if (takesFocus() && page().focused() != this) {
        TRY(page().moveFocus(this));
        // A handler that took the focus elsewhere while the button was being pressed (a box
        // checking its text and showing a message) breaks the press: the click is lost.
        if (page().focused() != this) return {};
    }
    return events_ ? events_->Click() : ErrorOr<void>();
}

// ---- vertical scroll bar --------------------------------------------------------------------

WebVScrollBar::WebVScrollBar(WebSurface& owner, const VScrollBarDesign& d, VScrollBarEvents* e)
    : DomPart(owner, d.name, d.bounds, d.tabIndex, makeElement("div")), events_(e), min_(d.min),
      max_(d.max), value_(d.value), smallChange_(d.smallChange), up_(makeElement("button")),
      down_(makeElement("button")), track_(makeElement("div")), thumb_(makeElement("div")) {
    element_.set("tabIndex", 0);
    element_.call<void>("setAttribute", val("role"), val("scrollbar"));
    element_.call<void>("setAttribute", val("aria-orientation"), val("vertical"));
    element_["style"].set("display", "flex");
    element_["style"].set("flexDirection", "column");
    element_["style"].set("backgroundColor", "#e0e0e0");
    for (val* arrow : {&up_, &down_}) {
        arrow->set("type", "button");
        arrow->set("tabIndex", -1);
        auto s = (*arrow)["style"];
        // Square while the bar is tall enough, sharing its height when it is not.
        s.set("flex", "0 1 " + px(bounds_.width));
        s.set("minHeight", "0");
        s.set("padding", "0");
        s.set("fontSize", "8px");
        s.set("lineHeight", "1");
    }
    up_.set("textContent", jsString(u"\u25B2"));
    down_.set("textContent", jsString(u"\u25BC"));
    up_["dataset"].set("arrow", "up");
    down_["dataset"].set("arrow", "down");
    track_["style"].set("flex", "1 1 0");
    track_["style"].set("minHeight", "0");
    track_["style"].set("position", "relative");
    thumb_["style"].set("position", "absolute");
    thumb_["style"].set("left", "0");
    thumb_["style"].set("right", "0");
    thumb_["style"].set("height", px(bounds_.width));
    thumb_["style"].set("maxHeight", "100%");
    thumb_["style"].set("backgroundColor", "#a0a0a0");
    track_.call<void>("appendChild", thumb_);
    element_.call<void>("appendChild", up_);
    element_.call<void>("appendChild", track_);
    element_.call<void>("appendChild", down_);
    listen(up_, "click");
    listen(down_, "click");
    listen(element_, "keydown");
    listen(element_, "focus");
    showThumb();
}

void WebVScrollBar::showThumb() {
    const int range = max_ - min_;
    const double at = range == 0 ? 0.0 : static_cast<double>(value_ - min_) / range;
    // The thumb's top runs from the track's top to a thumb's height short of its bottom.
    thumb_["style"].set("top", "calc((100% - min(" + px(bounds_.width) + ", 100%)) * " +
                                   std::to_string(at) + ")");
    element_.call<void>("setAttribute", val("aria-valuenow"), val(static_cast<int>(value_)));
    element_.call<void>("setAttribute", val("aria-valuemin"), val(static_cast<int>(min_)));
    element_.call<void>("setAttribute", val("aria-valuemax"), val(static_cast<int>(max_)));
}

ErrorOr<std::int16_t> WebVScrollBar::Min() {
    return min_;
}
ErrorOr<void> WebVScrollBar::setMin(std::int16_t v) {
    min_ = v;
    // Moving an end past the position drags the position along.
    if (value_ < std::min(min_, max_) || value_ > std::max(min_, max_)) return moveTo(min_);
    showThumb();
    return {};
}
ErrorOr<std::int16_t> WebVScrollBar::Max() {
    return max_;
}
ErrorOr<void> WebVScrollBar::setMax(std::int16_t v) {
    max_ = v;
    if (value_ < std::min(min_, max_) || value_ > std::max(min_, max_)) return moveTo(max_);
    showThumb();
    return {};
}
ErrorOr<std::int16_t> WebVScrollBar::Value() {
    return value_;
}
ErrorOr<void> WebVScrollBar::setValue(std::int16_t v) {
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) return Error::invalidPropertyValue();
    return moveTo(v);
}
ErrorOr<Twips> WebVScrollBar::Width() {
    return bounds_.width;
}
ErrorOr<void> WebVScrollBar::setLeft(Twips v) {
    TRY(checkPosition(v));
    bounds_.left = v;
    layout();
    return {};
}
ErrorOr<void> WebVScrollBar::setHeight(Twips v) {
    TRY(checkSize(v));
    bounds_.height = v;
    layout();
    return {};
}

ErrorOr<void> WebVScrollBar::moveTo(std::int16_t v) {
    if (v == value_) return {};
    value_ = v;
    showThumb();
    return events_ ? events_->Change() : ErrorOr<void>();
}

ErrorOr<void> WebVScrollBar::clickArrow(bool bottom) {
    // Towards Max at the bottom, towards Min at the top, whichever way round the two lie.
    const int step = (max_ >= min_ ? 1 : -1) * smallChange_ * (bottom ? 1 : -1);
    const int lo = std::min(min_, max_), hi = std::max(min_, max_);
    return moveTo(static_cast<std::int16_t>(std::clamp(value_ + step, lo, hi)));
}

ErrorOr<void> WebVScrollBar::onDomEvent(const std::string& type, const val& e) {
    if (type == "focus") {
        if (page().showingFocus() || page().focused() == this) return {};
        return page().moveFocus(this);
    }
    if (type == "click") {
        const bool bottom = e["currentTarget"]["dataset"]["arrow"].as<std::string>() == "down";
        // Clicking an arrow gives the bar the focus, as a desktop's does.
        if (page().focused() != this) TRY(page().moveFocus(this));
        return clickArrow(bottom);
    }
    if (type == "keydown") {
        const int keyCode = e["keyCode"].as<int>();
        if (keyCode == KeyUp || keyCode == KeyDown) {
            e.call<void>("preventDefault");
            return clickArrow(keyCode == KeyDown);
        }
    }
    return {};
}

// ---- label ----------------------------------------------------------------------------------

WebLabel::WebLabel(WebSurface& owner, const LabelDesign& d, LabelEvents* events)
    : DomPart(owner, d.name, d.bounds, d.tabIndex, makeElement("div")), events_(events),
      caption_(d.caption), alignment_(d.alignment), backStyle_(d.backStyle),
      mousePointer_(d.mousePointer), autoSize_(d.autoSize), bold_(false), backColor_(d.backColor),
      foreColor_(d.foreColor), font_(d.font ? d.font : owner.page().defaultLabelFont),
      mouseIcon_(d.mouseIcon) {
    bold_ = font_ && font_->bold();
    // A label inside a picture box lies on the box's element.
    if (!d.parent.empty())
        if (auto* parent = owner.find(d.parent))
            parent->element().call<void>("appendChild", element_);
    element_["style"].set("overflow", "hidden");
    element_["style"].set("whiteSpace", "pre-wrap");
    for (const char* type : {"click", "dblclick", "pointerdown", "pointermove", "pointerup"})
        listen(element_, type);
    style();
}

void WebLabel::style() {
    auto s = element_["style"];
    static const char* align[] = {"left", "right", "center"};
    s.set("textAlign", align[std::clamp<int>(alignment_, 0, 2)]);
    s.set("backgroundColor", backStyle_ ? cssColour(backColor_) : std::string("transparent"));
    s.set("color", cssColour(foreColor_));
    applyFont(s, font_);
    s.set("fontWeight", bold_ ? 700 : 400);
    showCursor(s, mousePointer_, mouseIcon_);
    element_.set("textContent", jsString(caption_));
    element_.set("title", jsString(toolTipText_));
    fitCaption();
}

void WebLabel::fitCaption() {
    if (!autoSize_ || !font_) return;
    // Measured on a canvas in the label's font, so that a label of a window not shown yet (a
    // closed dialog lays nothing out) measures as it will be drawn.
    static val context = val::global("document")
                             .call<val>("createElement", val("canvas"))
                             .call<val>("getContext", val("2d"));
    const double points = static_cast<double>(font_->size);
    context.set("font", jsString(fromUtf8(std::to_string(bold_ ? 700 : 400) + " " +
                                          std::to_string(points) + "pt \"") +
                                 font_->name + u"\", sans-serif"));
    const double pixels =
        context.call<val>("measureText", jsString(caption_))["width"].as<double>();
    // Whole pixels, the line a fifth taller than the font, as a desktop sizes a label.
    bounds_.width = static_cast<Twips>(std::ceil(pixels)) * kTwipsPerPixel;
    bounds_.height = static_cast<Twips>(std::ceil(points * 96.0 / 72.0 * 1.2)) * kTwipsPerPixel;
    layout();
}

ErrorOr<std::u16string> WebLabel::Caption() {
    return caption_;
}
ErrorOr<void> WebLabel::setCaption(std::u16string_view v) {
    caption_ = v;
    element_.set("textContent", jsString(caption_));
    fitCaption();
    return {};
}
ErrorOr<Twips> WebLabel::Width() {
    return bounds_.width;
}
ErrorOr<void> WebLabel::setWidth(Twips v) {
    TRY(checkSize(v));
    bounds_.width = v;
    layout();
    return {};
}
ErrorOr<Twips> WebLabel::Height() {
    return bounds_.height;
}
ErrorOr<void> WebLabel::setHeight(Twips v) {
    TRY(checkSize(v));
    bounds_.height = v;
    layout();
    return {};
}
ErrorOr<Colour> WebLabel::BackColor() {
    return backColor_;
}
ErrorOr<void> WebLabel::setBackColor(Colour v) {
    backColor_ = v;
    style();
    return {};
}
ErrorOr<Colour> WebLabel::ForeColor() {
    return foreColor_;
}
ErrorOr<void> WebLabel::setForeColor(Colour v) {
    foreColor_ = v;
    style();
    return {};
}
ErrorOr<FontRef> WebLabel::Font() {
    return font_;
}
ErrorOr<void> WebLabel::setFont(FontRef v) {
    if (!v || !(std::isfinite(v->size) && v->size > 0)) return Error::invalidPropertyValue();
    font_ = std::move(v);
    bold_ = font_->bold();
    style();
    return {};
}
ErrorOr<VBool> WebLabel::FontBold() {
    return toVBool(bold_);
}
ErrorOr<void> WebLabel::setFontBold(VBool v) {
    bold_ = v != 0;
    style();
    return {};
}
ErrorOr<PictureRef> WebLabel::MouseIcon() {
    return mouseIcon_;
}
ErrorOr<void> WebLabel::setMouseIcon(PictureRef v) {
    mouseIcon_ = std::move(v);
    style();
    return {};
}
ErrorOr<std::int16_t> WebLabel::MousePointer() {
    return mousePointer_;
}
ErrorOr<void> WebLabel::setMousePointer(std::int16_t v) {
    if ((v < 0 || v > 15) && v != 99) return Error::invalidPropertyValue();
    mousePointer_ = v;
    style();
    return {};
}
ErrorOr<std::u16string> WebLabel::ToolTipText() {
    return toolTipText_;
}
ErrorOr<void> WebLabel::setToolTipText(std::u16string_view v) {
    toolTipText_ = v;
    element_.set("title", jsString(toolTipText_));
    return {};
}

ErrorOr<void> WebLabel::onDomEvent(const std::string& type, const val& e) {
    if (type == "click") return events_ ? events_->Click() : ErrorOr<void>();
    if (type == "dblclick") return events_ ? events_->DblClick() : ErrorOr<void>();
    return deliverMouse(events_, type, e);
}

// ---- timer ----------------------------------------------------------------------------------

WebTimer::WebTimer(WebSurface& owner, const TimerDesign& d, TimerEvents* events)
    : DomPart(owner, d.name, {}, 0, makeElement("template")), events_(events),
      interval_(d.interval), enabled_(d.enabled) {
    page().startTimer(*this);
}

WebTimer::~WebTimer() {
    page().stopTimer(*this);
}

ErrorOr<std::int32_t> WebTimer::Interval() {
    return interval_;
}
ErrorOr<VBool> WebTimer::Enabled() {
    return toVBool(enabled_);
}
ErrorOr<void> WebTimer::fire() {
    return events_ ? events_->Timer() : ErrorOr<void>();
}
ErrorOr<void> WebTimer::onDomEvent(const std::string& type, const val&) {
    return type == "timer" ? fire() : ErrorOr<void>();
}

// ---- picture box and image ------------------------------------------------------------------

WebPictureBox::WebPictureBox(WebSurface& owner, const PictureBoxDesign& d, PictureBoxEvents* events)
    : DomPart(owner, d.name, d.bounds, d.tabIndex, makeElement("div")), events_(events),
      backColor_(d.backColor), foreColor_(d.foreColor) {
    element_["style"].set("backgroundColor", cssColour(backColor_));
    element_["style"].set("color", cssColour(foreColor_));
    element_["style"].set("overflow", "hidden");
    listen(element_, "pointermove");
}

ErrorOr<Colour> WebPictureBox::BackColor() {
    return backColor_;
}

ErrorOr<void> WebPictureBox::mouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
    auto* events = events_.get();
    return events ? events->MouseMove(button, shift, x, y) : ErrorOr<void>();
}

ErrorOr<void> WebPictureBox::onDomEvent(const std::string& type, const val& e) {
    // Over the box's bare area only: a constituent inside it takes the mouse for itself.
    if (type != "pointermove" || !e["target"].strictlyEquals(element_)) return {};
    return mouseMove(static_cast<std::int16_t>(e["buttons"].as<int>() & 7), shiftOf(e), xOf(e),
                     yOf(e));
}

WebImage::WebImage(WebSurface& owner, const ImageDesign& d)
    : DomPart(owner, d.name, d.bounds, 0, makeElement("img")), picture_(d.picture) {
    if (!d.parent.empty())
        if (auto* parent = owner.find(d.parent))
            parent->element().call<void>("appendChild", element_);
    if (auto* p = dynamic_cast<WebPicture*>(picture_.get())) element_.set("src", p->url);
    element_.set("alt", "");
    element_["style"].set("objectFit", "none");
    element_["style"].set("objectPosition", "left top");
}

ErrorOr<PictureRef> WebImage::Picture() {
    return picture_;
}

} // namespace tessivra::web
