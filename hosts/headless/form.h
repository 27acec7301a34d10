#pragma once
// The headless host: a form holding controls and their constituents, with a focus and a tab
// order, a virtual clock, and input that runs through the same paths a desktop's would. It is
// the reference implementation of the host interfaces, used by the tests and by tessivra-run.

#include "framework/control.h"
#include "framework/host/checks.h"
#include "framework/host/edit_rules.h"
#include "framework/host/form_focus.h"
#include "framework/named_sites.h"
#include "hosts/headless/journal.h"
#include "hosts/headless/objects.h"
#include "hosts/headless/runtime.h"

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessivra::headless {

class HeadlessForm;
class HeadlessSurface;

// Sizes, positions and fonts are checked where they enter, as every host checks them.
using tessivra::checkFont;
using tessivra::checkPosition;
using tessivra::checkSize;
using tessivra::kMaxTwips;

// What every headless constituent shares: a name, a place, and whether it takes the focus.
class Constituent {
public:
    Constituent(HeadlessSurface& owner, std::u16string_view name, Bounds b, std::int16_t tabIndex)
        : owner_(owner), name_(name), bounds_(b), tabIndex_(tabIndex) {}
    virtual ~Constituent() = default;

    const std::u16string& name() const { return name_; }
    HeadlessSurface& owner() const { return owner_; }
    const Bounds& bounds() const { return bounds_; }
    std::int16_t tabIndex() const { return tabIndex_; }
    virtual bool takesFocus() const { return false; }
    virtual ErrorOr<void> gotFocus() { return {}; }
    virtual ErrorOr<void> lostFocus() { return {}; }
    virtual ErrorOr<void> keyUp(std::int16_t, std::int16_t) { return {}; }
    // One line for `show`: position, size, text or caption, flags.
    virtual std::string describe() const;

protected:
    ErrorOr<void> fault(std::string_view member);
    HeadlessForm& form() const;
    ErrorOr<void> setFocusHere();

    HeadlessSurface& owner_;
    std::u16string name_;
    Bounds bounds_;
    std::int16_t tabIndex_;
};

// A mouse message (0 down, 1 move, 2 up) to a sink that has the three mouse events.
template <typename Events>
ErrorOr<void> deliverMouse(const SinkRef<Events>& sink, int what, std::int16_t button,
                           std::int16_t shift, float x, float y) {
    Events* events = sink.get();
    if (!events) return {};
    switch (what) {
    case 0:
        return events->MouseDown(button, shift, x, y);
    case 1:
        return events->MouseMove(button, shift, x, y);
    default:
        return events->MouseUp(button, shift, x, y);
    }
}

class HeadlessTextBox final : public TextBox, public Constituent {
public:
    HeadlessTextBox(HeadlessSurface&, const TextBoxDesign&, TextBoxEvents*);
    PartHandle<tessivra::TextBox> handle() const { return anchor_.handle(); }

    ErrorOr<std::int16_t> Alignment() override;
    ErrorOr<void> setAlignment(std::int16_t) override;
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> setBackColor(Colour) override;
    ErrorOr<std::int16_t> BorderStyle() override;
    ErrorOr<void> setBorderStyle(std::int16_t) override;
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> setEnabled(VBool) override;
    ErrorOr<FontRef> Font() override;
    ErrorOr<void> setFont(FontRef) override;
    ErrorOr<Colour> ForeColor() override;
    ErrorOr<void> setForeColor(Colour) override;
    ErrorOr<VBool> Locked() override;
    ErrorOr<void> setLocked(VBool) override;
    ErrorOr<std::int32_t> MaxLength() override;
    ErrorOr<void> setMaxLength(std::int32_t) override;
    ErrorOr<PictureRef> MouseIcon() override;
    ErrorOr<void> setMouseIcon(PictureRef) override;
    ErrorOr<std::int16_t> MousePointer() override;
    ErrorOr<void> setMousePointer(std::int16_t) override;
    ErrorOr<VBool> MultiLine() override;
    ErrorOr<std::u16string> PasswordChar() override;
    ErrorOr<void> setPasswordChar(std::u16string_view) override;
    ErrorOr<std::int16_t> ScrollBars() override;
    ErrorOr<std::int32_t> SelLength() override;
    ErrorOr<void> setSelLength(std::int32_t) override;
    ErrorOr<std::int32_t> SelStart() override;
    ErrorOr<void> setSelStart(std::int32_t) override;
    ErrorOr<std::u16string> SelText() override;
    ErrorOr<void> setSelText(std::u16string_view) override;
    ErrorOr<std::u16string> Text() override;
    ErrorOr<void> setText(std::u16string_view) override;
    ErrorOr<std::u16string> ToolTipText() override;
    ErrorOr<void> setToolTipText(std::u16string_view) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<void> SetFocus() override;

    // The user's side. A typed character runs KeyDown, KeyPress, the insertion of whatever
    // KeyAscii then holds, Change and KeyUp.
    ErrorOr<void> typeCharacter(char16_t);
    // A key without a character of its own (Enter, Backspace, Delete, arrows, Home, End).
    ErrorOr<void> pressKey(std::int16_t keyCode, std::int16_t shift);
    // Inserts at the caret, replacing the selection, without key events.
    ErrorOr<void> paste(std::u16string_view);
    ErrorOr<void> click(float x, float y);
    ErrorOr<void> dblClick(float x, float y);
    ErrorOr<void> mouse(int what, std::int16_t button, std::int16_t shift, float x, float y);

    bool takesFocus() const override { return enabled_ && visible_; }
    ErrorOr<void> gotFocus() override;
    ErrorOr<void> lostFocus() override;
    ErrorOr<void> keyUp(std::int16_t keyCode, std::int16_t shift) override;
    std::string describe() const override;

    // Direct state, for tests and benchmarks that look past the interface.
    const std::u16string& text() const { return text_; }
    std::int32_t selStart() const { return selStart_; }
    std::int32_t selLength() const { return selLength_; }
    std::int32_t maxLength() const { return maxLength_; }
    bool enabled() const { return enabled_; }

private:
    // The one editing path: typing, pasting and assignment all replace the selection here;
    // only typing and pasting are held to MaxLength and Locked.
    ErrorOr<void> replaceSelection(std::u16string_view, EditSource);
    ErrorOr<void> setTextState(std::u16string text, std::int32_t caret);
    ErrorOr<void> editInPlace(std::u16string_view insert);
    ErrorOr<void> caretAfterEdit(std::int32_t caret, bool changed);
    ErrorOr<void> deliverKeyPress(std::int16_t& keyAscii);

    SinkRef<TextBoxEvents> events_;
    PartAnchor<TextBox> anchor_{*this};
    std::u16string text_;
    std::int32_t selStart_ = 0, selLength_ = 0;
    std::int16_t alignment_ = 0, borderStyle_ = 1, mousePointer_ = 0;
    Colour backColor_ = syscolour::WindowBackground, foreColor_ = syscolour::WindowText;
    bool enabled_ = true, locked_ = false, visible_ = true;
    std::int32_t maxLength_ = 0;
    FontRef font_;
    PictureRef mouseIcon_;
    std::u16string passwordChar_, toolTipText_;
};

class HeadlessCommandButton final : public CommandButton, public Constituent {
public:
    HeadlessCommandButton(HeadlessSurface&, const CommandButtonDesign&, CommandButtonEvents*);
    PartHandle<tessivra::CommandButton> handle() const { return anchor_.handle(); }
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> setEnabled(VBool) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<Twips> Left() override;
    ErrorOr<void> setLeft(Twips) override;

    // A click moves the focus to the button first, as a desktop button does; a disabled button
    // ignores the mouse.
    ErrorOr<void> click();
    bool takesFocus() const override { return enabled_ && tabStop_; }
    std::string describe() const override;
    bool enabled() const { return enabled_; }
    const PictureRef& picture() const { return picture_; }
    const std::u16string& caption() const { return caption_; }

private:
    SinkRef<CommandButtonEvents> events_;
    PartAnchor<CommandButton> anchor_{*this};
    bool enabled_, tabStop_;
    std::u16string caption_;
    PictureRef picture_;
};

class HeadlessVScrollBar final : public VScrollBar, public Constituent {
public:
    HeadlessVScrollBar(HeadlessSurface&, const VScrollBarDesign&, VScrollBarEvents*);
    PartHandle<tessivra::VScrollBar> handle() const { return anchor_.handle(); }
    ErrorOr<std::int16_t> Min() override;
    ErrorOr<void> setMin(std::int16_t) override;
    ErrorOr<std::int16_t> Max() override;
    ErrorOr<void> setMax(std::int16_t) override;
    ErrorOr<std::int16_t> Value() override;
    ErrorOr<void> setValue(std::int16_t) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setLeft(Twips) override;
    ErrorOr<void> setHeight(Twips) override;

    // The arrows step by one towards Max (bottom) or Min (top) and stop at the ends.
    ErrorOr<void> clickArrow(bool bottom);
    bool takesFocus() const override { return true; }
    std::string describe() const override;
    std::int16_t value() const { return value_; }

private:
    // Every change of position, by the user or by code, is reported; staying put is not.
    ErrorOr<void> moveTo(std::int16_t);
    SinkRef<VScrollBarEvents> events_;
    PartAnchor<VScrollBar> anchor_{*this};
    std::int16_t min_, max_, value_, smallChange_;
};

class HeadlessLabel final : public Label, public Constituent {
public:
    HeadlessLabel(HeadlessSurface&, const LabelDesign&, LabelEvents*);
    PartHandle<tessivra::Label> handle() const { return anchor_.handle(); }
    ErrorOr<std::u16string> Caption() override;
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> setBackColor(Colour) override;
    ErrorOr<Colour> ForeColor() override;
    ErrorOr<void> setForeColor(Colour) override;
    ErrorOr<FontRef> Font() override;
    ErrorOr<void> setFont(FontRef) override;
    ErrorOr<VBool> FontBold() override;
    ErrorOr<void> setFontBold(VBool) override;
    ErrorOr<PictureRef> MouseIcon() override;
    ErrorOr<void> setMouseIcon(PictureRef) override;
    ErrorOr<std::int16_t> MousePointer() override;
    ErrorOr<void> setMousePointer(std::int16_t) override;
    ErrorOr<std::u16string> ToolTipText() override;
    ErrorOr<void> setToolTipText(std::u16string_view) override;

    ErrorOr<void> click();
    ErrorOr<void> dblClick();
    ErrorOr<void> mouse(int what, std::int16_t button, std::int16_t shift, float x, float y);
    std::string describe() const override;

    const std::u16string& caption() const { return caption_; }
    Colour foreColor() const { return foreColor_; }
    bool bold() const { return bold_; }
    const FontRef& font() const { return font_; }
    std::int16_t backStyle() const { return backStyle_; }
    std::int16_t alignment() const { return alignment_; }

private:
    // A label that sizes itself measures its caption in its font, bold being wider.
    void fitCaption();
    SinkRef<LabelEvents> events_;
    PartAnchor<Label> anchor_{*this};
    std::u16string caption_, toolTipText_;
    std::int16_t alignment_, backStyle_, mousePointer_;
    bool autoSize_, bold_;
    Colour backColor_, foreColor_;
    FontRef font_;
    PictureRef mouseIcon_;
};

class HeadlessTimer final : public Timer, public Constituent {
public:
    HeadlessTimer(HeadlessSurface&, const TimerDesign&, TimerEvents*, std::int64_t now);
    PartHandle<tessivra::Timer> handle() const { return anchor_.handle(); }
    ~HeadlessTimer() override;
    ErrorOr<std::int32_t> Interval() override;
    ErrorOr<VBool> Enabled() override;
    // The last moment up to `now` at which it is due: when it fires for an advance to `now`.
    std::int64_t lastDueBy(std::int64_t now) const;
    // Fires once, however many intervals have passed by `now`, as a desktop's timer whose
    // messages were not taken in time fires once; it is next due one interval after `now`'s
    // last due moment.
    ErrorOr<void> fire(std::int64_t now);
    // When it next fires; never for a stopped timer.
    std::int64_t nextDue() const {
        return enabled_ && interval_ > 0 ? due_ : std::numeric_limits<std::int64_t>::max();
    }
    // Its place among timers due at the same moment: the order they were made in.
    std::uint64_t order() const { return order_; }
    std::string describe() const override;

private:
    SinkRef<TimerEvents> events_;
    PartAnchor<Timer> anchor_{*this};
    std::int32_t interval_;
    bool enabled_;
    std::int64_t due_;
    std::uint64_t order_;
};

class HeadlessPictureBox final : public PictureBox, public Constituent {
public:
    HeadlessPictureBox(HeadlessSurface&, const PictureBoxDesign&, PictureBoxEvents*);
    PartHandle<tessivra::PictureBox> handle() const { return anchor_.handle(); }
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> mouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    std::string describe() const override;

private:
    SinkRef<PictureBoxEvents> events_;
    PartAnchor<PictureBox> anchor_{*this};
    Colour backColor_, foreColor_;
};

class HeadlessImage final : public Image, public Constituent {
public:
    HeadlessImage(HeadlessSurface&, const ImageDesign&);
    ErrorOr<PictureRef> Picture() override;
    std::string describe() const override;
    PartHandle<tessivra::Image> handle() const { return anchor_.handle(); }

private:
    PictureRef picture_;
    PartAnchor<tessivra::Image> anchor_{*this};
};

// A surface on the form: a control's own area, or a window of the library.
class HeadlessSurface {
public:
    HeadlessSurface(HeadlessForm& form, std::u16string name)
        : form_(form), name_(std::move(name)) {}
    virtual ~HeadlessSurface() = default;

    HeadlessForm& form() const { return form_; }
    const std::u16string& name() const { return name_; }
    Constituent* find(std::u16string_view name) const;
    const std::vector<std::unique_ptr<Constituent>>& constituents() const { return parts_; }
    template <typename T> T* find(std::u16string_view name) const {
        return dynamic_cast<T*>(find(name));
    }
    // Tears every constituent down; handles on them fail from then on.
    void destroyConstituents() { parts_.clear(); }

protected:
    template <typename T, typename... A> ErrorOr<T*> add(std::u16string_view part, A&&... args) {
        TESSIVRA_FAULT(faults(), name_, part, "Create");
        auto c = std::make_unique<T>(*this, std::forward<A>(args)...);
        T* raw = c.get();
        parts_.push_back(std::move(c));
        return raw;
    }
    FaultPlan& faults() const;
    std::int64_t now() const;

    HeadlessForm& form_;
    std::u16string name_;
    std::vector<std::unique_ptr<Constituent>> parts_;
};

// A surface of the host interface (a control's container, a window) that places each
// constituent the owner describes.
template <class Interface> class PlacingSurface : public Interface, public HeadlessSurface {
public:
    using HeadlessSurface::HeadlessSurface;
    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign& d, TextBoxEvents* e) override {
        return TRY(add<HeadlessTextBox>(d.name, d, e))->handle();
    }
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign& d,
                                                        CommandButtonEvents* e) override {
        return TRY(add<HeadlessCommandButton>(d.name, d, e))->handle();
    }
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign& d,
                                                  VScrollBarEvents* e) override {
        return TRY(add<HeadlessVScrollBar>(d.name, d, e))->handle();
    }
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign& d, LabelEvents* e) override {
        return TRY(add<HeadlessLabel>(d.name, d, e))->handle();
    }
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign& d, TimerEvents* e) override {
        return TRY(add<HeadlessTimer>(d.name, d, e, now()))->handle();
    }
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign& d,
                                                  PictureBoxEvents* e) override {
        return TRY(add<HeadlessPictureBox>(d.name, d, e))->handle();
    }
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign& d) override {
        return TRY(add<HeadlessImage>(d.name, d))->handle();
    }
};

// The container of one control on the headless form.
class HeadlessContainer final : public PlacingSurface<Container> {
public:
    HeadlessContainer(HeadlessForm&, std::u16string name);

    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<void> PropertyChanged(std::u16string_view) override;
    ErrorOr<void> RaiseEvent(DispId, EventArgs) override;
    ErrorOr<FontRef> AmbientFont() override;
    ErrorOr<PictureRef> MaskPicture() override;
    ErrorOr<void> setMaskPicture(PictureRef) override;
    ErrorOr<std::int32_t> hWnd() override;
    ErrorOr<void> PopupMenu(const Value&, const Value&, const Value&, const Value&,
                            const Value&) override;

    Control* control() const { return control_.get(); }
    // Where the form's handlers for this control's events go.
    EventSink* sink = nullptr;
    // The container's size as it stands, without a fault check.
    Twips width() const { return width_; }
    Twips height() const { return height_; }
    std::vector<std::u16string> notices; // property-change notices received, in order

private:
    friend class HeadlessForm;
    // Sets the size and, when it changed, delivers the control's resize handler (nested when
    // the handler itself resized).
    ErrorOr<void> resizeTo(Twips w, Twips h);
    // Raising when a fault is armed or the journal is read.
    ErrorOr<void> raiseWatched(DispId, EventArgs);
    // The journal's line for a raised event, with each argument as the form's handler got it.
    void journalEvent(DispId, EventArgs);

    std::shared_ptr<Control> control_;
    Twips width_ = 0, height_ = 0;
    PictureRef maskPicture_;
    std::int32_t hwnd_;
};

// A window of the library, such as the about window.
class HeadlessWindow final : public PlacingSurface<Form> {
public:
    HeadlessWindow(HeadlessForm&, std::u16string name);
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<void> setIcon(PictureRef) override;
    ErrorOr<void> Show() override;
    ErrorOr<void> Hide() override;
    HostObjects& objects() override;

    bool visible = false;
    std::u16string caption;
    PictureRef icon;
};

struct PopupRecord {
    Value menu, flags, x, y, defaultMenu;
};

// Makes a control on the site it is given. Shared ownership lets a class table's handle, which
// counts the instance out when it goes, be held like any other.
using ControlFactory = std::function<ErrorOr<std::shared_ptr<Control>>(Site)>;

class HeadlessForm final : public FormFocus<Constituent> {
public:
    explicit HeadlessForm(RuntimeSettings settings = {});
    ~HeadlessForm();

    HeadlessRuntime& runtime() { return runtime_; }
    RecordingShell& shell() { return recordingShell_; }
    // Makes every picture and font the controls and windows on the form ask for.
    HeadlessObjects& objects() { return objects_; }
    // The shell the controls are given; the recording one unless replaced.
    Shell* shellInUse = nullptr;
    FaultPlan& faults() { return faults_; }
    Journal& journal() { return journal_; }
    FontRef ambientFont = std::make_shared<tessivra::Font>(u"MS Sans Serif", 8.25f);
    // The font a label has when its design names none; the label's bold flag is its own.
    FontRef defaultLabelFont = std::make_shared<tessivra::Font>(u"MS Sans Serif", 8.25f);
    std::vector<PopupRecord> popups;

    // Creates a control of the factory's class at its design size and runs its creation
    // handler. It joins the tab order after the controls already there.
    ErrorOr<Control*> add(std::u16string_view name, const ControlFactory&, Twips designWidth,
                          Twips designHeight);
    template <typename C> ErrorOr<C*> add(std::u16string_view name) {
        auto* c = TRY(add(
            name,
            [](Site s) -> ErrorOr<std::shared_ptr<Control>> {
                return std::shared_ptr<Control>(TRY(C::create(s)));
            },
            C::Class.designWidth, C::Class.designHeight));
        return static_cast<C*>(c);
    }
    // Sites a control made elsewhere (not yet sited, or taken from another container) on a new
    // container at the given size, and runs its creation handler, as `add` does.
    ErrorOr<Control*> site(std::u16string_view name, std::shared_ptr<Control>, Twips width,
                           Twips height);
    // The two orders in which a control and its constituents can part. `dropControl` destroys
    // the control while its container keeps the constituents, whose events then go nowhere;
    // `destroyConstituents` tears them down while the control lives, whose calls through them
    // then fail. `close` is the container going away: the control hears of it first, then its
    // constituents go. None of them is an error for a name the form does not hold.
    void dropControl(std::u16string_view name);
    void destroyConstituents(std::u16string_view name);
    void close(std::u16string_view name);
    // A control that failed to be created still leaves nothing behind; one that failed to
    // load stays as far as it was loaded.
    ErrorOr<void> load(std::u16string_view name, PropertyBag&);
    ErrorOr<void> save(std::u16string_view name, PropertyBag&);
    // The container's first placement: the resize handler at the current size.
    ErrorOr<void> place(std::u16string_view name);
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h);

    HeadlessContainer* container(std::u16string_view name) const;
    Control* control(std::u16string_view name) const;
    const std::vector<std::unique_ptr<HeadlessContainer>>& containers() const { return sites_; }

    HeadlessWindow& openWindow(std::u16string_view name);
    HeadlessWindow* window(std::u16string_view name) const;

    // Input. Each runs to completion, then delivers the keys sent meanwhile.
    ErrorOr<void> focus(std::u16string_view control, std::u16string_view part = {});
    ErrorOr<void> type(std::u16string_view control, std::u16string_view text);
    ErrorOr<void> key(std::u16string_view control, std::int16_t keyCode, std::int16_t shift = 0);
    ErrorOr<void> paste(std::u16string_view control, std::u16string_view text);
    ErrorOr<void> click(std::u16string_view control, std::u16string_view part = {});
    ErrorOr<void> dblClick(std::u16string_view control, std::u16string_view part = {});
    ErrorOr<void> mouse(std::u16string_view control, std::u16string_view part, int what,
                        std::int16_t button, std::int16_t shift, float x, float y);
    // At most kMaxRepeat arrow clicks at once; more is refused.
    static constexpr int kMaxRepeat = 65536;
    ErrorOr<void> scroll(std::u16string_view control, bool down, int count = 1);
    // Advances the virtual clock; the timers due meanwhile fire once each, in the order of the
    // moments they fire at. A negative advance, or one past the clock's range, is refused.
    ErrorOr<void> tick(std::int64_t milliseconds);
    // Delivers queued send-keys requests: "{tab}" moves the focus on, other text is typed.
    ErrorOr<void> deliverSentKeys();

    // The focus (focused, focusName, moveFocus, focusNext, focusLeaving) is FormFocus's.

    std::int32_t nextWindowHandle() { return nextHwnd_ += 4; }
    // The running timers by when they are next due, so that a firing finds its timer without a
    // search of the form. A timer is filed when made and when it fires, and leaves when it goes.
    std::uint64_t newTimerOrder() { return timersMade_++; }
    void fileTimer(HeadlessTimer&);
    void unfileTimer(HeadlessTimer&);
    Shell& shellForControls() { return shellInUse ? *shellInUse : recordingShell_; }

private:
    Constituent* constituent(std::u16string_view control, std::u16string_view part) const;
    std::vector<Constituent*> tabOrder(const Constituent* alsoHere = nullptr) const override;
    // The journal's "focus" line.
    void focusChanged() override;

    Journal journal_;
    FaultPlan faults_;
    // Before the surfaces, whose timers leave it as they go.
    std::map<std::pair<std::int64_t, std::uint64_t>, HeadlessTimer*> timers_;
    std::uint64_t timersMade_ = 0;
    HeadlessRuntime runtime_;
    RecordingShell recordingShell_;
    HeadlessObjects objects_;
    std::vector<std::unique_ptr<HeadlessContainer>> sites_;
    NamedSites<HeadlessContainer> named_;
    std::vector<std::unique_ptr<HeadlessWindow>> windows_;
    std::int32_t nextHwnd_ = 0x10000;
};

} // namespace tessivra::headless
