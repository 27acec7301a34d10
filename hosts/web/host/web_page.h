#pragma once
// The web host: controls on a page, their constituents real DOM elements. A text box is an
// <input>, a command button a <button>, a scroll bar two arrow buttons around a track, a label a
// <div>, a picture box a <div> holding its labels and images, an image an <img>. Input reaches
// the controls through the elements' own DOM events, so a user's keys, a test's dispatched events
// and a script's calls all take the same paths. Positions and sizes are twips, laid out as CSS
// pixels at 96 to the inch.
//
// The text services (case, code page, number layout, time text) are the runtime's, handed in;
// what is the page's own (message boxes, send keys, the clock, the shell) is here.

#include "framework/control.h"
#include "framework/host/checks.h"
#include "framework/host/edit_rules.h"
#include "framework/host/form_focus.h"
#include "framework/named_sites.h"

#include <emscripten/val.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessivra::web {

using emscripten::val;

class WebPage;
class WebSurface;

// Twips to CSS pixels: 1440 twips to the inch, 96 pixels to the inch.
inline constexpr float kTwipsPerPixel = 15.0f;
inline double toPixels(Twips t) {
    return static_cast<double>(t) / kTwipsPerPixel;
}

// A size or position that is not a finite number a page can lay out is refused with 380, as
// every host refuses it.
using tessivra::checkPosition;
using tessivra::checkSize;
using tessivra::kMaxTwips;

// Text across the boundary to JavaScript.
val jsString(std::u16string_view);
std::u16string fromJs(const val&);

// A colour as CSS writes it; a system colour by the desktop's usual value for it.
std::string cssColour(Colour);

// What every constituent shares: a name, a place, its element, and whether it takes the focus.
class DomPart {
public:
    DomPart(WebSurface& owner, std::u16string_view name, Bounds b, std::int16_t tabIndex,
            val element);
    virtual ~DomPart();
    DomPart(const DomPart&) = delete;
    DomPart& operator=(const DomPart&) = delete;

    const std::u16string& name() const { return name_; }
    WebSurface& owner() const { return owner_; }
    const Bounds& bounds() const { return bounds_; }
    std::int16_t tabIndex() const { return tabIndex_; }
    const val& element() const { return element_; }
    // The element that takes the keyboard focus, when the part has one.
    virtual val focusElement() const { return element_; }
    virtual bool takesFocus() const { return false; }
    virtual ErrorOr<void> gotFocus() { return {}; }
    virtual ErrorOr<void> lostFocus() { return {}; }
    virtual ErrorOr<void> keyUp(std::int16_t, std::int16_t) { return {}; }
    // One DOM event on the part's element, routed here by the page.
    virtual ErrorOr<void> onDomEvent(const std::string& type, const val& event);

protected:
    WebPage& page() const;
    ErrorOr<void> setFocusHere();
    // Places the element at its bounds.
    void layout();
    // Routes the DOM events of that type on `target` to this part.
    void listen(val target, const char* type);

    WebSurface& owner_;
    std::u16string name_;
    Bounds bounds_;
    std::int16_t tabIndex_;
    val element_;
    int id_;
};

class WebTextBox final : public TextBox, public DomPart {
public:
    WebTextBox(WebSurface&, const TextBoxDesign&, TextBoxEvents*);
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

    bool takesFocus() const override { return enabled_; }
    ErrorOr<void> gotFocus() override;
    ErrorOr<void> lostFocus() override;
    ErrorOr<void> keyUp(std::int16_t keyCode, std::int16_t shift) override;
    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;

    // The user's side, as the DOM events deliver it. A key with a character runs KeyDown,
    // KeyPress, the insertion of whatever KeyAscii then holds, and Change; its release KeyUp.
    ErrorOr<void> keyDown(std::int16_t keyCode, std::int16_t shift, std::u16string_view key);
    // Inserts at the caret, replacing the selection, without key events.
    ErrorOr<void> paste(std::u16string_view);

    const std::u16string& text() const { return text_; }
    std::int32_t selStart() const { return selStart_; }
    std::int32_t selLength() const { return selLength_; }
    std::int32_t maxLength() const { return maxLength_; }
    bool enabled() const { return enabled_; }

private:
    // The one editing path: typing, pasting and assignment all replace the selection here; only
    // typing and pasting are held to MaxLength and Locked.
    ErrorOr<void> replaceSelection(std::u16string_view, EditSource);
    ErrorOr<void> editInPlace(std::u16string_view insert);
    ErrorOr<void> caretAfterEdit(std::int32_t caret, bool changed);
    ErrorOr<void> deliverKeyPress(std::int16_t& keyAscii);
    // The element shows the text and the selection the box holds.
    void showText();
    void showSelection();
    // The caret or selection the user set with the mouse or the browser's own keys.
    void takeSelectionFromElement();
    void style();

    SinkRef<TextBoxEvents> events_;
    PartAnchor<TextBox> anchor_{*this};
    std::u16string text_;
    std::int32_t selStart_ = 0, selLength_ = 0;
    std::int16_t alignment_ = 0, borderStyle_ = 1, mousePointer_ = 0;
    Colour backColor_ = syscolour::WindowBackground, foreColor_ = syscolour::WindowText;
    bool enabled_ = true, locked_ = false;
    std::int32_t maxLength_ = 0;
    FontRef font_;
    PictureRef mouseIcon_;
    std::u16string passwordChar_, toolTipText_;
};

class WebCommandButton final : public CommandButton, public DomPart {
public:
    WebCommandButton(WebSurface&, const CommandButtonDesign&, CommandButtonEvents*);
    PartHandle<tessivra::CommandButton> handle() const { return anchor_.handle(); }
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> setEnabled(VBool) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<Twips> Left() override;
    ErrorOr<void> setLeft(Twips) override;

    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;
    bool takesFocus() const override { return enabled_ && tabStop_; }
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

class WebVScrollBar final : public VScrollBar, public DomPart {
public:
    WebVScrollBar(WebSurface&, const VScrollBarDesign&, VScrollBarEvents*);
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
    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;
    bool takesFocus() const override { return true; }
    std::int16_t value() const { return value_; }
    const val& arrow(bool bottom) const { return bottom ? down_ : up_; }

private:
    ErrorOr<void> moveTo(std::int16_t);
    // Min at the top: the thumb stands as far down the track as the value is from Min.
    void showThumb();
    SinkRef<VScrollBarEvents> events_;
    PartAnchor<VScrollBar> anchor_{*this};
    std::int16_t min_, max_, value_, smallChange_;
    val up_, down_, track_, thumb_;
};

class WebLabel final : public Label, public DomPart {
public:
    WebLabel(WebSurface&, const LabelDesign&, LabelEvents*);
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

    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;
    const std::u16string& caption() const { return caption_; }
    Colour foreColor() const { return foreColor_; }
    Colour backColor() const { return backColor_; }
    bool bold() const { return bold_; }
    const FontRef& font() const { return font_; }
    std::int16_t backStyle() const { return backStyle_; }
    std::int16_t alignment() const { return alignment_; }

private:
    void style();
    // A label that sizes itself takes the size its caption needs, measured by the browser.
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

class WebTimer final : public Timer, public DomPart {
public:
    WebTimer(WebSurface&, const TimerDesign&, TimerEvents*);
    ~WebTimer() override;
    PartHandle<tessivra::Timer> handle() const { return anchor_.handle(); }
    ErrorOr<std::int32_t> Interval() override;
    ErrorOr<VBool> Enabled() override;
    bool running() const { return enabled_ && interval_ > 0; }
    std::int32_t interval() const { return interval_; }
    ErrorOr<void> fire();
    // The page's clock calls in here with a "timer" event.
    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;

private:
    SinkRef<TimerEvents> events_;
    PartAnchor<Timer> anchor_{*this};
    std::int32_t interval_;
    bool enabled_;
};

class WebPictureBox final : public PictureBox, public DomPart {
public:
    WebPictureBox(WebSurface&, const PictureBoxDesign&, PictureBoxEvents*);
    PartHandle<tessivra::PictureBox> handle() const { return anchor_.handle(); }
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> onDomEvent(const std::string& type, const val& event) override;
    ErrorOr<void> mouseMove(std::int16_t button, std::int16_t shift, float x, float y);

private:
    SinkRef<PictureBoxEvents> events_;
    PartAnchor<PictureBox> anchor_{*this};
    Colour backColor_, foreColor_;
};

class WebImage final : public Image, public DomPart {
public:
    WebImage(WebSurface&, const ImageDesign&);
    PartHandle<tessivra::Image> handle() const { return anchor_.handle(); }
    ErrorOr<PictureRef> Picture() override;

private:
    PictureRef picture_;
    PartAnchor<tessivra::Image> anchor_{*this};
};

// A surface on the page: a control's own area, or a window of the library. Its element holds its
// constituents' elements.
class WebSurface {
public:
    WebSurface(WebPage& page, std::u16string name, val element);
    virtual ~WebSurface();

    WebPage& page() const { return page_; }
    const std::u16string& name() const { return name_; }
    const val& element() const { return element_; }
    DomPart* find(std::u16string_view name) const;
    template <typename T> T* find(std::u16string_view name) const {
        return dynamic_cast<T*>(find(name));
    }
    const std::vector<std::unique_ptr<DomPart>>& constituents() const { return parts_; }
    // Tears every constituent down, its element with it; handles on them fail from then on.
    void destroyConstituents();

protected:
    template <typename T, typename... A> ErrorOr<T*> add(A&&... args) {
        auto c = std::make_unique<T>(*this, std::forward<A>(args)...);
        T* raw = c.get();
        parts_.push_back(std::move(c));
        return raw;
    }

    WebPage& page_;
    std::u16string name_;
    val element_;
    std::vector<std::unique_ptr<DomPart>> parts_;
};

template <class Interface> class PlacingSurface : public Interface, public WebSurface {
public:
    using WebSurface::WebSurface;
    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign& d, TextBoxEvents* e) override {
        return TRY(add<WebTextBox>(d, e))->handle();
    }
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign& d,
                                                        CommandButtonEvents* e) override {
        return TRY(add<WebCommandButton>(d, e))->handle();
    }
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign& d,
                                                  VScrollBarEvents* e) override {
        return TRY(add<WebVScrollBar>(d, e))->handle();
    }
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign& d, LabelEvents* e) override {
        return TRY(add<WebLabel>(d, e))->handle();
    }
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign& d, TimerEvents* e) override {
        return TRY(add<WebTimer>(d, e))->handle();
    }
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign& d,
                                                  PictureBoxEvents* e) override {
        return TRY(add<WebPictureBox>(d, e))->handle();
    }
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign& d) override {
        return TRY(add<WebImage>(d))->handle();
    }
};

// The container of one control on the page.
class WebContainer final : public PlacingSurface<Container> {
public:
    WebContainer(WebPage&, std::u16string name, val element);

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
    // Hears every property change the control reports (an element reflects it as an attribute).
    std::function<void(std::u16string_view)> onPropertyChanged;
    Twips width() const { return width_; }
    Twips height() const { return height_; }
    std::vector<std::u16string> notices;
    // Whether the page made the element (and removes it with the control).
    bool ownsElement = false;
    // Hears each message box this control shows, before it is shown (an element marks itself
    // invalid with the box's words).
    std::function<void(std::u16string_view prompt)> onMessageBox;
    // The runtime this control is given: the page's, with its message boxes heard here first.
    Runtime& runtime() { return *runtime_; }

private:
    friend class WebPage;
    ErrorOr<void> resizeTo(Twips w, Twips h);
    std::shared_ptr<Control> control_;
    Twips width_ = 0, height_ = 0;
    PictureRef maskPicture_;
    std::int32_t hwnd_;
    std::unique_ptr<Runtime> runtime_;
};

class WebObjects final : public HostObjects {
public:
    ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind) override;
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) override;
    ErrorOr<FontRef> NewFont(const FontDescription&) override;
};

// A window of the library (the about window): a modal <dialog> on the page.
class WebWindow final : public PlacingSurface<Form> {
public:
    WebWindow(WebPage&, std::u16string name);
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<void> setIcon(PictureRef) override;
    ErrorOr<void> Show() override;
    ErrorOr<void> Hide() override;
    HostObjects& objects() override;

    bool visible = false;
    std::u16string caption;
    PictureRef icon;

private:
    val body_;
};

// A picture the page can draw: the host's object keeps the image file's bytes, shown through a
// data address.
class WebPicture final : public Picture {
public:
    WebPicture(std::u16string n, std::int16_t t, std::int32_t w, std::int32_t h,
               std::string address)
        : Picture(std::move(n), t, w, h), url(std::move(address)) {}
    std::string url;
};

// The message box, send keys and the clock: the page's own services beside the runtime's text
// services.
class WebRuntime final : public TextRuntime<TextServices&> {
public:
    WebRuntime(WebPage& page, TextServices& text, std::u16string appPath)
        : TextRuntime(text), page_(page), appPath_(std::move(appPath)) {}
    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override;
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override;
    ErrorOr<TimeOfDay> Time() override;
    ErrorOr<std::u16string> AppPath() override { return appPath_; }

    // Answers message boxes in place of the user: a test, or a page that shows its own box.
    // Without it the browser's blocking alert stands in for the modal box.
    std::function<std::int32_t(std::u16string_view prompt, std::int32_t style,
                               std::u16string_view title)>
        answerMessageBox;
    std::vector<std::u16string> pendingKeys;

private:
    WebPage& page_;
    std::u16string appPath_;
};

// One control's runtime: the page's, with the control's container told of its message boxes.
class SiteRuntime final : public TextRuntime<TextServices&> {
public:
    SiteRuntime(WebContainer& site, WebRuntime& page)
        : TextRuntime(page.text()), site_(site), page_(page) {}
    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override {
        if (site_.onMessageBox) site_.onMessageBox(prompt);
        return page_.MsgBox(prompt, style, title);
    }
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override {
        return page_.SendKeys(keys, wait);
    }
    ErrorOr<TimeOfDay> Time() override { return page_.Time(); }
    ErrorOr<std::u16string> AppPath() override { return page_.AppPath(); }

private:
    WebContainer& site_;
    WebRuntime& page_;
};

// The shell: an address opens in a new browsing context that cannot reach back to the page.
class WebShell final : public Shell {
public:
    explicit WebShell(WebPage& page) : page_(page) {}
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                        std::string_view file, std::string_view parameters,
                                        std::string_view directory,
                                        std::int32_t showCommand) override;
    // Answers in place of window.open, after the checks: the address as UTF-8.
    std::function<std::int32_t(const std::string& address)> open;
    // Takes every request in place of the browser, before any check: a test's shell.
    std::function<std::int32_t(std::int32_t hwnd, std::string_view operation, std::string_view file,
                               std::string_view parameters, std::string_view directory,
                               std::int32_t showCommand)>
        receive;

private:
    WebPage& page_;
};

using ControlFactory = std::function<ErrorOr<std::shared_ptr<Control>>(Site)>;

struct PageSettings {
    std::u16string appPath = u"/";
    // A test's clock, advanced by `tick`, instead of the page's own.
    bool virtualClock = false;
};

class WebPage final : public FormFocus<DomPart> {
public:
    // `root` is the element the page's controls go into.
    WebPage(val root, TextServices& text, PageSettings settings = {});
    ~WebPage();
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    WebRuntime& runtime() { return runtime_; }
    WebShell& shell() { return shell_; }
    WebObjects& objects() { return objects_; }
    const val& root() const { return root_; }
    FontRef ambientFont = std::make_shared<tessivra::Font>(u"MS Sans Serif", 8.25f);
    FontRef defaultLabelFont = std::make_shared<tessivra::Font>(u"MS Sans Serif", 8.25f);
    // One line for every effect a form observes ("event t1 KeyPress KeyAscii=97", "focus
    // t1.Text1"...), when someone listens.
    std::function<void(const std::string&)> onLine;
    struct PopupRecord {
        Value menu, flags, x, y, defaultMenu;
    };
    std::vector<PopupRecord> popups;
    void note(const std::string& line) {
        if (onLine) onLine(line);
    }

    // Creates a control at its design size in `element` (a new <div> in the root when
    // undefined) and runs its creation handler; it joins the tab order after the others.
    ErrorOr<Control*> add(std::u16string_view name, const ControlFactory&, Twips designWidth,
                          Twips designHeight, val element = val::undefined());
    void remove(std::u16string_view name);
    ErrorOr<void> load(std::u16string_view name, PropertyBag&);
    ErrorOr<void> save(std::u16string_view name, PropertyBag&);
    ErrorOr<void> place(std::u16string_view name);
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h);
    WebContainer* container(std::u16string_view name) const;
    Control* control(std::u16string_view name) const;
    const std::vector<std::unique_ptr<WebContainer>>& containers() const { return sites_; }
    WebWindow& openWindow(std::u16string_view name);
    WebWindow* window(std::u16string_view name) const;
    // The constituent named, or the control's first that takes the focus.
    DomPart* constituent(std::u16string_view control, std::u16string_view part) const;

    // Focus (focused, focusName, moveFocus, focusNext, focusLeaving) is kept by the page as
    // FormFocus keeps it, and shown on the elements.
    // Whether the page itself is moving the browser's focus (its focus events are its own).
    bool showingFocus() const { return showingFocus_; }

    // Routes one DOM event to its part; after the outermost event, delivers the keys sent
    // meanwhile. A failure of a handler is kept for whoever dispatched the event.
    void route(int partId, const std::string& type, const val& event);
    std::optional<Error> takeInputError();
    ErrorOr<void> deliverSentKeys();

    // The clock: the page's own, or a test's advanced by `tick`.
    std::int64_t nowMs() const;
    std::int64_t clockMs = 12 * 3600 * 1000;
    ErrorOr<void> tick(std::int64_t milliseconds);
    void startTimer(WebTimer&);
    void stopTimer(WebTimer&);

    std::int32_t nextHwnd() { return nextHwnd_ += 4; }

private:
    std::vector<DomPart*> tabOrder(const DomPart* alsoHere = nullptr) const override;
    // The "focus" line, and the browser's focus moved to the part's element.
    void focusChanged() override;

    val root_;
    PageSettings settings_;
    WebRuntime runtime_;
    WebShell shell_;
    WebObjects objects_;
    std::vector<std::unique_ptr<WebContainer>> sites_;
    NamedSites<WebContainer> named_;
    std::vector<std::unique_ptr<WebWindow>> windows_;
    bool showingFocus_ = false;
    std::int32_t nextHwnd_ = 0x10000;
    int depth_ = 0;
    std::optional<Error> inputError_;
    // Timers of a virtual clock, by when each is next due and the order they started in.
    struct Due {
        std::int64_t at;
        std::uint64_t order;
    };
    std::map<WebTimer*, Due> timers_;
    // Timers of the page's own clock: the interval the browser runs for each.
    std::map<WebTimer*, int> intervals_;
    std::uint64_t timersStarted_ = 0;
};

} // namespace tessivra::web
