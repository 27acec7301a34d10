#pragma once
// The constituent controls a host supplies. Properties and methods act at once; every call can
// fail. Events reach the owner through the sink it handed over at creation, with arguments by
// reference; the host then acts on the values the handler left.
//
// What every host guarantees, and every control may rely on:
// - Re-entrancy. A desktop host runs its message loop inside a modal message box, so while one
//   of a control's handlers waits in MsgBox, the user may move the focus, timers fire, and
//   other handlers of the same control run. A control must tolerate that: it keeps no state
//   across a MsgBox call that a nested handler could invalidate, and re-checks what it needs
//   afterwards.
// - Lifetime. A host never frees a control or its constituents while one of the control's
//   handlers is on the stack. A form closed meanwhile (from a message box's loop) goes once the
//   outermost handler has returned; until then every constituent stays usable.

#include "framework/host/value.h"

#include <memory>
#include <string_view>

namespace tessivra {

// What every constituent's event interface shares: a lifeline a host watches, so that a sink that
// goes before its constituent (its owner destroyed while the host still holds the widget) is
// never called again. One owner's sink serves several kinds of constituent through one lifeline.
class ConstituentEvents {
public:
    ConstituentEvents() = default;
    // A copy is another sink, with a lifeline of its own.
    ConstituentEvents(const ConstituentEvents&) {}
    ConstituentEvents& operator=(const ConstituentEvents&) { return *this; }
    virtual ~ConstituentEvents() {
        if (alive_) *alive_ = false;
    }
    // True until this sink is destroyed. Made on the first request, so that a sink no host
    // watches costs nothing.
    const std::shared_ptr<bool>& lifeline() {
        if (!alive_) alive_ = std::make_shared<bool>(true);
        return alive_;
    }

private:
    std::shared_ptr<bool> alive_;
};

// How a host holds the sink it was handed with a constituent: it reaches the sink while the sink
// lives and nothing afterwards, so events of a constituent that outlives its owner go nowhere.
template <class Events> class SinkRef {
public:
    SinkRef(Events* events = nullptr)
        : events_(events), alive_(events ? events->lifeline() : nullptr) {}
    Events* get() const { return alive_ && *alive_ ? events_ : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    // Only after a test that the sink is there.
    Events* operator->() const { return get(); }

private:
    Events* events_;
    std::shared_ptr<bool> alive_;
};

struct Bounds {
    Twips left = 0, top = 0, width = 0, height = 0;
};

// ---- text box -------------------------------------------------------------------------------

struct TextBoxDesign {
    std::u16string_view name = u"Text1";
    Bounds bounds;
    std::int16_t tabIndex = 0;
    std::u16string_view text;
    std::int16_t alignment = 0;
    std::int32_t maxLength = 0;
    bool enabled = true;
};

// A typed key raises, in this order: KeyDown (KeyCode, Shift); KeyPress (KeyAscii, the
// character's code in the system's single-byte code page, the one place a control sees that
// code page instead of UTF-16); the insertion of the character KeyAscii then holds (0 inserts
// nothing); Change, when the text changed; KeyUp with the released key's code. A handler that
// zeroes KeyCode in KeyDown does not cancel the character: only KeyAscii = 0 does.
class TextBoxEvents : public virtual ConstituentEvents {
public:
    virtual ~TextBoxEvents() = default;
    virtual ErrorOr<void> Change() { return {}; }
    virtual ErrorOr<void> Click() { return {}; }
    virtual ErrorOr<void> DblClick() { return {}; }
    virtual ErrorOr<void> GotFocus() { return {}; }
    virtual ErrorOr<void> LostFocus() { return {}; }
    virtual ErrorOr<void> KeyDown(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) { return {}; }
    virtual ErrorOr<void> KeyPress(std::int16_t& /*KeyAscii*/) { return {}; }
    virtual ErrorOr<void> KeyUp(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) { return {}; }
    virtual ErrorOr<void> MouseDown(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                    float& /*Y*/) {
        return {};
    }
    virtual ErrorOr<void> MouseMove(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                    float& /*Y*/) {
        return {};
    }
    virtual ErrorOr<void> MouseUp(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                  float& /*Y*/) {
        return {};
    }
};

class TextBox {
public:
    virtual ~TextBox() = default;
    virtual ErrorOr<std::int16_t> Alignment() = 0;
    virtual ErrorOr<void> setAlignment(std::int16_t) = 0;
    virtual ErrorOr<Colour> BackColor() = 0;
    virtual ErrorOr<void> setBackColor(Colour) = 0;
    virtual ErrorOr<std::int16_t> BorderStyle() = 0;
    virtual ErrorOr<void> setBorderStyle(std::int16_t) = 0;
    virtual ErrorOr<VBool> Enabled() = 0;
    virtual ErrorOr<void> setEnabled(VBool) = 0;
    virtual ErrorOr<FontRef> Font() = 0;
    virtual ErrorOr<void> setFont(FontRef) = 0;
    virtual ErrorOr<Colour> ForeColor() = 0;
    virtual ErrorOr<void> setForeColor(Colour) = 0;
    virtual ErrorOr<VBool> Locked() = 0;
    virtual ErrorOr<void> setLocked(VBool) = 0;
    // Limits what the user types or pastes, never what code assigns: Text, SelText and a
    // loaded text are kept whole even when longer (a toolkit box that cuts on assignment, as
    // QLineEdit::setText does, must be worked around). 0 means no limit.
    virtual ErrorOr<std::int32_t> MaxLength() = 0;
    virtual ErrorOr<void> setMaxLength(std::int32_t) = 0;
    virtual ErrorOr<PictureRef> MouseIcon() = 0;
    virtual ErrorOr<void> setMouseIcon(PictureRef) = 0;
    virtual ErrorOr<std::int16_t> MousePointer() = 0;
    virtual ErrorOr<void> setMousePointer(std::int16_t) = 0;
    virtual ErrorOr<VBool> MultiLine() = 0;
    virtual ErrorOr<std::u16string> PasswordChar() = 0;
    virtual ErrorOr<void> setPasswordChar(std::u16string_view) = 0;
    virtual ErrorOr<std::int16_t> ScrollBars() = 0;
    virtual ErrorOr<std::int32_t> SelLength() = 0;
    virtual ErrorOr<void> setSelLength(std::int32_t) = 0;
    virtual ErrorOr<std::int32_t> SelStart() = 0;
    virtual ErrorOr<void> setSelStart(std::int32_t) = 0;
    virtual ErrorOr<std::u16string> SelText() = 0;
    virtual ErrorOr<void> setSelText(std::u16string_view) = 0;
    virtual ErrorOr<std::u16string> Text() = 0;
    virtual ErrorOr<void> setText(std::u16string_view) = 0;
    virtual ErrorOr<std::u16string> ToolTipText() = 0;
    virtual ErrorOr<void> setToolTipText(std::u16string_view) = 0;
    virtual ErrorOr<Twips> Width() = 0;
    virtual ErrorOr<void> setWidth(Twips) = 0;
    virtual ErrorOr<Twips> Height() = 0;
    virtual ErrorOr<void> setHeight(Twips) = 0;
    // Fails with errc::CannotTakeFocus when the box cannot take the focus (disabled, hidden,
    // or its form is going away), and with no other code for that reason. Asked while the
    // focus is moving (from a GotFocus or LostFocus handler), it returns at once and the host
    // carries it out after the move in progress, as a desktop queues it; a request the form
    // overtakes, or for a box that can no longer take the focus by then, is dropped.
    virtual ErrorOr<void> SetFocus() = 0;
};

// ---- command button -------------------------------------------------------------------------

struct CommandButtonDesign {
    std::u16string_view name = u"Command1";
    Bounds bounds;
    std::int16_t tabIndex = 0;
    bool tabStop = true;
    bool enabled = true;
    std::u16string_view caption;
    PictureRef picture; // drawn as a picture button when set
};

class CommandButtonEvents : public virtual ConstituentEvents {
public:
    virtual ~CommandButtonEvents() = default;
    virtual ErrorOr<void> Click() { return {}; }
};

class CommandButton {
public:
    virtual ~CommandButton() = default;
    virtual ErrorOr<VBool> Enabled() = 0;
    virtual ErrorOr<void> setEnabled(VBool) = 0;
    virtual ErrorOr<Twips> Width() = 0;
    virtual ErrorOr<Twips> Left() = 0;
    virtual ErrorOr<void> setLeft(Twips) = 0;
};

// ---- vertical scroll bar --------------------------------------------------------------------

struct VScrollBarDesign {
    std::u16string_view name = u"VScroll1";
    Bounds bounds;
    std::int16_t tabIndex = 0;
    std::int16_t min = 0, max = 32767, value = 0;
    std::int16_t smallChange = 1, largeChange = 1;
};

class VScrollBarEvents : public virtual ConstituentEvents {
public:
    virtual ~VScrollBarEvents() = default;
    // After any change of position, by the user or by assignment.
    virtual ErrorOr<void> Change() { return {}; }
    // Continuous reports while the scroll box is dragged.
    virtual ErrorOr<void> Scroll() { return {}; }
};

// Min, Max and Value are 16-bit. Assigning a Value outside Min..Max is refused with
// errc::InvalidPropertyValue and changes nothing; moving Min or Max past the position drags it
// along. Every change of position, by the user, by Value or by a dragging end, raises Change;
// an assignment that leaves the position as it is raises nothing.
class VScrollBar {
public:
    virtual ~VScrollBar() = default;
    virtual ErrorOr<std::int16_t> Min() = 0;
    virtual ErrorOr<void> setMin(std::int16_t) = 0;
    virtual ErrorOr<std::int16_t> Max() = 0;
    virtual ErrorOr<void> setMax(std::int16_t) = 0;
    virtual ErrorOr<std::int16_t> Value() = 0;
    virtual ErrorOr<void> setValue(std::int16_t) = 0;
    virtual ErrorOr<Twips> Width() = 0;
    virtual ErrorOr<void> setLeft(Twips) = 0;
    virtual ErrorOr<void> setHeight(Twips) = 0;
};

// ---- label ----------------------------------------------------------------------------------

struct LabelDesign {
    std::u16string_view name = u"Label1";
    std::u16string_view parent; // the picture box that holds it, or empty for the surface
    Bounds bounds;
    std::int16_t tabIndex = 0;
    std::u16string_view caption;
    std::int16_t alignment = 0; // 0 left, 1 right, 2 centre
    std::int16_t backStyle = 1; // 0 transparent, 1 opaque
    bool autoSize = false;      // sizes itself to its caption
    Colour backColor = syscolour::ButtonFace;
    Colour foreColor = syscolour::ButtonText;
    FontRef font; // null: the host's default label font
    std::int16_t mousePointer = 0;
    PictureRef mouseIcon;
};

class LabelEvents : public virtual ConstituentEvents {
public:
    virtual ~LabelEvents() = default;
    virtual ErrorOr<void> Click() { return {}; }
    virtual ErrorOr<void> DblClick() { return {}; }
    virtual ErrorOr<void> MouseDown(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                    float& /*Y*/) {
        return {};
    }
    virtual ErrorOr<void> MouseMove(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                    float& /*Y*/) {
        return {};
    }
    virtual ErrorOr<void> MouseUp(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                  float& /*Y*/) {
        return {};
    }
};

class Label {
public:
    virtual ~Label() = default;
    virtual ErrorOr<std::u16string> Caption() = 0;
    virtual ErrorOr<void> setCaption(std::u16string_view) = 0;
    virtual ErrorOr<Twips> Width() = 0;
    virtual ErrorOr<void> setWidth(Twips) = 0;
    virtual ErrorOr<Twips> Height() = 0;
    virtual ErrorOr<void> setHeight(Twips) = 0;
    virtual ErrorOr<Colour> BackColor() = 0;
    virtual ErrorOr<void> setBackColor(Colour) = 0;
    virtual ErrorOr<Colour> ForeColor() = 0;
    virtual ErrorOr<void> setForeColor(Colour) = 0;
    virtual ErrorOr<FontRef> Font() = 0;
    virtual ErrorOr<void> setFont(FontRef) = 0;
    virtual ErrorOr<VBool> FontBold() = 0;
    virtual ErrorOr<void> setFontBold(VBool) = 0;
    virtual ErrorOr<PictureRef> MouseIcon() = 0;
    virtual ErrorOr<void> setMouseIcon(PictureRef) = 0;
    virtual ErrorOr<std::int16_t> MousePointer() = 0;
    virtual ErrorOr<void> setMousePointer(std::int16_t) = 0;
    virtual ErrorOr<std::u16string> ToolTipText() = 0;
    virtual ErrorOr<void> setToolTipText(std::u16string_view) = 0;
};

// ---- timer ----------------------------------------------------------------------------------

struct TimerDesign {
    std::u16string_view name = u"Timer1";
    std::int32_t interval = 0; // milliseconds
    bool enabled = true;
};

class TimerEvents : public virtual ConstituentEvents {
public:
    virtual ~TimerEvents() = default;
    virtual ErrorOr<void> Timer() { return {}; }
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual ErrorOr<std::int32_t> Interval() = 0;
    virtual ErrorOr<VBool> Enabled() = 0;
};

// ---- picture box and image ------------------------------------------------------------------

struct PictureBoxDesign {
    std::u16string_view name = u"Picture1";
    Bounds bounds;
    std::int16_t tabIndex = 0;
    Colour backColor = syscolour::ButtonFace;
    Colour foreColor = syscolour::ButtonText;
};

class PictureBoxEvents : public virtual ConstituentEvents {
public:
    virtual ~PictureBoxEvents() = default;
    // Over the box's bare area only: a constituent inside it takes the mouse for itself.
    virtual ErrorOr<void> MouseMove(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/,
                                    float& /*Y*/) {
        return {};
    }
};

class PictureBox {
public:
    virtual ~PictureBox() = default;
    virtual ErrorOr<Colour> BackColor() = 0;
};

struct ImageDesign {
    std::u16string_view name = u"Image1";
    std::u16string_view parent;
    Bounds bounds;
    PictureRef picture;
};

class Image {
public:
    virtual ~Image() = default;
    virtual ErrorOr<PictureRef> Picture() = 0;
};

} // namespace tessivra
