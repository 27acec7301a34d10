#pragma once
// What the control suites need from a host, so that each suite runs unchanged on every host: a
// form to create controls on, the user's input as real key and mouse events, and what a form or
// user could observe. Each host supplies one implementation (the headless one beside this file;
// a desktop host drives its own widgets and event loop) and instantiates the suites over it with
// TESSIVRA_HOST_SUITE.
//
// Controls are named on the form; a constituent is named by the control's name and its own
// (`t1`, `Text1`), or by a window's name and its own (`frmAbout`, `Label6`).

#include "framework/control.h"
#include "framework/host/container.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace tessivra::testing {

// The settings a host is started with.
struct HostOptions {
    std::string locale = "en-US";
    std::string codePage = "windows-1252";
    std::u16string appPath = u"/usr/lib/tessivra";
};

// Makes a control of a class on a site the host gives it, at the class's design size.
struct ControlMaker {
    std::function<ErrorOr<std::shared_ptr<Control>>(Site)> create;
    Twips designWidth = 0, designHeight = 0;
};

// What a user can see of one constituent. Fields that do not apply to its kind keep their
// defaults.
struct PartState {
    std::string kind; // TextBox, CommandButton, VScrollBar, Label, Timer, PictureBox, Image
    Bounds bounds;
    std::int16_t tabIndex = 0;
    std::u16string text; // a text box's text; a label's or a button's caption
    bool enabled = true;
    std::int32_t selStart = 0, selLength = 0, maxLength = 0;
    std::int16_t value = 0; // a scroll bar's position
    Colour foreColor = 0, backColor = 0;
    bool bold = false;
    std::int16_t alignment = 0, backStyle = 0;
    FontRef font;
    PictureRef picture; // a button's or an image's picture
};

struct MessageBoxShown {
    std::u16string prompt;
    std::int32_t style = 0;
    std::u16string title;
};

// A request to the shell, with the texts as the shell received them (single-byte code page).
struct ShellRequestMade {
    std::int32_t hwnd = 0;
    std::string operation, file, parameters, directory;
    std::int32_t showCommand = 0;
};

struct PopupRequest {
    Value menu, flags, x, y, defaultMenu;
};

// An event a control raised, with its arguments as the form's handler left them.
struct RaisedEvent {
    std::u16string control;
    DispId id = 0;
    std::vector<Value> args;
};

struct WindowState {
    std::u16string caption;
    PictureRef icon;
    bool visible = false;
};

// A container's property bag as a test handles it.
class DriverBag : public PropertyBag {
public:
    // Puts a value in by hand, of any type, replacing one under the same key.
    virtual void put(std::u16string_view key, Value) = 0;
    virtual const Value* find(std::u16string_view key) const = 0;
    // The keys in the order they were written.
    virtual std::vector<std::u16string> keys() const = 0;
    // A copy read back from the form the host keeps bags in between runs (a file, a stream).
    virtual ErrorOr<std::unique_ptr<DriverBag>> reloaded() const = 0;
};

// The form's handler for a control's events.
class HandlerSink final : public EventSink {
public:
    std::function<void(DispId, EventArgs)> handler;
    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        if (handler) handler(id, args);
        return {};
    }
};

class HostDriver {
public:
    virtual ~HostDriver() = default;
    virtual std::string hostName() const = 0;

    // ---- the form --------------------------------------------------------------------------
    // Creates a control at its design size and runs its creation handler; it joins the tab
    // order after the controls already there.
    virtual ErrorOr<Control*> add(std::u16string_view name, const ControlMaker&) = 0;
    // The same by class name or ProgId, through the library's class table.
    ErrorOr<Control*> addByClass(std::u16string_view name, std::string_view className);
    template <typename C> ErrorOr<C*> add(std::u16string_view name) {
        auto* c = TRY(add(name, ControlMaker{[](Site s) -> ErrorOr<std::shared_ptr<Control>> {
                                                 return std::shared_ptr<Control>(TRY(C::create(s)));
                                             },
                                             C::Class.designWidth, C::Class.designHeight}));
        return static_cast<C*>(c);
    }
    virtual Control* control(std::u16string_view name) const = 0;
    // The control's first placement (its first resize), then a resize by the form.
    virtual ErrorOr<void> place(std::u16string_view name) = 0;
    virtual ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h) = 0;
    virtual ErrorOr<void> load(std::u16string_view name, PropertyBag&) = 0;
    virtual ErrorOr<void> save(std::u16string_view name, PropertyBag&) = 0;
    virtual std::unique_ptr<DriverBag> newBag() = 0;
    // Where the form's handler for the control's events goes (null: none).
    virtual void setHandler(std::u16string_view name, EventSink*) = 0;
    // A top-level window of the library, loaded and hidden, for its class to dress.
    virtual ErrorOr<Form*> openWindow(std::u16string_view name) = 0;
    virtual std::optional<WindowState> window(std::u16string_view name) const = 0;
    // Closes the form. Asked while a handler of one of its controls is on the stack (from a
    // message box's nested loop), it takes effect once the outermost input has returned.
    virtual void closeForm() = 0;
    virtual bool formClosed() const = 0;

    // ---- input: each runs to completion, then delivers the keys sent meanwhile -------------
    virtual ErrorOr<void> focus(std::u16string_view control, std::u16string_view part = {}) = 0;
    // Focuses the control and types each character as a key (\r Enter, \b Backspace).
    virtual ErrorOr<void> type(std::u16string_view control, std::u16string_view text) = 0;
    // Focuses the control and presses a key without a character of its own by key code.
    virtual ErrorOr<void> key(std::u16string_view control, std::int16_t keyCode,
                              std::int16_t shift = 0) = 0;
    // Focuses the control and pastes at the caret, without key events.
    virtual ErrorOr<void> paste(std::u16string_view control, std::u16string_view text) = 0;
    virtual ErrorOr<void> click(std::u16string_view control, std::u16string_view part = {}) = 0;
    virtual ErrorOr<void> dblClick(std::u16string_view control, std::u16string_view part = {}) = 0;
    enum MouseAction { Down = 0, Move = 1, Up = 2 };
    virtual ErrorOr<void> mouse(std::u16string_view control, std::u16string_view part, int action,
                                std::int16_t button, std::int16_t shift, float x, float y) = 0;
    // Clicks the control's scroll bar's bottom (down) or top arrow.
    virtual ErrorOr<void> scroll(std::u16string_view control, bool down, int count = 1) = 0;
    // Advances the virtual clock; timers fire in order, each seeing its own moment.
    virtual ErrorOr<void> tick(std::int64_t milliseconds) = 0;
    // Sets the virtual clock, in milliseconds since midnight.
    virtual void setClock(std::int64_t msSinceMidnight) = 0;

    // ---- what a form or user observes --------------------------------------------------------
    // One line for every effect, in order: "event t1 KeyDown KeyCode=13 Shift=0" (arguments
    // as the handler received them), "changed t1 Text", "focus t1.Text1", "msgbox 64 \"T\"
    // \"P\"", "sendkeys \"{tab}\"", "popup ...", "shell ...", "window NAME shown|hidden".
    virtual const std::vector<std::string>& lines() const = 0;
    virtual void clearLines() = 0;
    virtual const std::vector<RaisedEvent>& events() const = 0;
    virtual std::vector<std::u16string> notices(std::u16string_view control) const = 0;
    virtual void clearNotices(std::u16string_view control) = 0;
    virtual const std::vector<MessageBoxShown>& messageBoxes() const = 0;
    // Runs while a message box is up, before it is answered: the test acts as the user would in
    // the box's nested message loop (moves the focus, lets time pass, closes the form).
    virtual void whileMessageBoxShown(std::function<void(const MessageBoxShown&)>) = 0;
    virtual const std::vector<ShellRequestMade>& shellRequests() const = 0;
    // What the shell answers from now on; above 32 means it opened the file.
    virtual void setShellResult(std::int32_t) = 0;
    virtual const std::vector<std::u16string>& sentKeys() const = 0;
    virtual const std::vector<PopupRequest>& popups() const = 0;
    // "t1.Text1", or "(none)".
    virtual std::string focusName() const = 0;
    virtual std::optional<PartState> part(std::u16string_view control,
                                          std::u16string_view part) const = 0;
    // The constituent itself, for a test that acts as the control's own code would.
    virtual TextBox* textBox(std::u16string_view control, std::u16string_view part) const = 0;
    virtual Label* label(std::u16string_view control, std::u16string_view part) const = 0;
    virtual PictureBox* pictureBox(std::u16string_view control, std::u16string_view part) const = 0;
    virtual Image* image(std::u16string_view control, std::u16string_view part) const = 0;
    virtual Twips width(std::u16string_view control) const = 0;
    virtual Twips height(std::u16string_view control) const = 0;
    virtual std::int32_t windowHandle(std::u16string_view control) const = 0;
    virtual FontRef ambientFont() const = 0;

    // ---- failures of host calls --------------------------------------------------------------
    // Makes a host call fail once, after `skip` successful ones. Calls are named
    // "<part>.<Member>" ("<part>.<Member>=" for an assignment), <part> being a constituent,
    // "UserControl", "PropBag", "Runtime", "Shell" or "Form", optionally after the control's
    // name ("t1.Text1.Text="). False when this host cannot inject failures.
    virtual bool failNext(std::string call, int skip = 0) = 0;
    virtual bool failuresPending() const = 0;
    virtual void clearFailures() = 0;
    // The error code an injected failure carries.
    virtual std::int32_t injectedFailureCode() const = 0;
};

// A DriverBag over a host's own bag, which has ReadProperty, WriteProperty, put, find,
// entries() in the order written, toJson() and a static fromJson() (the JSON a host keeps bags
// in between runs).
template <typename Bag> class JsonDriverBag final : public DriverBag {
public:
    explicit JsonDriverBag(Bag b) : bag_(std::move(b)) {}
    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& d) override {
        return bag_.ReadProperty(key, d);
    }
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& v, const Value& d) override {
        return bag_.WriteProperty(key, v, d);
    }
    void put(std::u16string_view key, Value v) override { bag_.put(key, std::move(v)); }
    const Value* find(std::u16string_view key) const override { return bag_.find(key); }
    std::vector<std::u16string> keys() const override {
        std::vector<std::u16string> out;
        for (const auto& [k, v] : bag_.entries())
            out.push_back(k);
        return out;
    }
    ErrorOr<std::unique_ptr<DriverBag>> reloaded() const override {
        auto copy = TRY(Bag::fromJson(bag_.toJson()));
        return std::unique_ptr<DriverBag>(std::make_unique<JsonDriverBag>(std::move(copy)));
    }

private:
    Bag bag_;
};

// What most drivers observe and keep the same way, for a driver to derive from instead of
// HostDriver: the lines the host writes, the events the controls raise (heard by a recording
// sink in front of each control's handler), the message boxes and the keys sent; and the depth
// of input, so that a form closed from inside a handler closes once the outermost input has
// returned.
class RecordingDriver : public HostDriver {
public:
    const std::vector<std::string>& lines() const override { return lines_; }
    void clearLines() override { lines_.clear(); }
    const std::vector<RaisedEvent>& events() const override { return events_; }
    const std::vector<MessageBoxShown>& messageBoxes() const override { return boxes_; }
    void whileMessageBoxShown(std::function<void(const MessageBoxShown&)> f) override {
        whileShown_ = std::move(f);
    }
    const std::vector<std::u16string>& sentKeys() const override { return sentKeys_; }
    const std::vector<ShellRequestMade>& shellRequests() const override { return shell_; }
    void setShellResult(std::int32_t r) override { shellResult_ = r; }
    void closeForm() override;

    // The error of any input to a closed form.
    static Error formClosedError();
    // The text of a line's quoted string ("\"a\\tb\"" is a, Tab, b).
    static std::u16string unquote(std::string_view quoted);

protected:
    // A line the host wrote; a "sendkeys" line's keys are kept as sent keys too.
    void noteLine(std::string line);
    // A message box is up, with a handler of some control on the stack below it: it is kept,
    // and the test acts as the user would while it is up.
    void messageBoxUp(MessageBoxShown);
    // The sink that stands for the form's `handler` of a control's events: it hands each event
    // on, then records it with the arguments the handler left. One a control, kept until the
    // form closes.
    EventSink* recordingSink(std::u16string_view control, EventSink* handler);
    // Tears the form down (the sinks go afterwards, once nothing raises events into them).
    virtual void closeNow() = 0;
    // Closes now, if a close was asked for while input was running.
    void closeIfAsked() {
        if (depth_ == 0 && closing_) finishClose();
    }
    // Runs one input with the depth counted; a close asked for meanwhile waits for it.
    template <typename T, typename F> ErrorOr<T> guarded(F f) {
        if (formClosed()) return formClosedError();
        ++depth_;
        ErrorOr<T> r = f();
        --depth_;
        closeIfAsked();
        return r;
    }

    int depth_ = 0;
    bool closing_ = false;
    std::vector<std::string> lines_;
    std::vector<RaisedEvent> events_;
    std::vector<MessageBoxShown> boxes_;
    std::vector<std::u16string> sentKeys_;
    std::function<void(const MessageBoxShown&)> whileShown_;
    std::vector<ShellRequestMade> shell_;
    std::int32_t shellResult_ = 42;

private:
    class RecordingSink;
    void finishClose();
    std::unordered_map<std::u16string, std::unique_ptr<EventSink>> sinks_;
};

// A recording driver over a form that finds its controls' containers and its windows by name
// (null for a name it does not hold), each with find(partName) answering with a `Part`, and
// whose containers have width(), height() and hWnd(). It reads what every such host reads alike;
// the driver supplies the look-ups and the states of its own constituents' kinds.
template <typename Site, typename Window, typename Part> class SiteDriver : public RecordingDriver {
public:
    // The constituent as the control's code sees it, through its interface.
    TextBox* textBox(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<TextBox*>(find(c, p));
    }
    Label* label(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<Label*>(find(c, p));
    }
    PictureBox* pictureBox(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<PictureBox*>(find(c, p));
    }
    Image* image(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<Image*>(find(c, p));
    }
    Twips width(std::u16string_view c) const override {
        auto* s = site(c);
        return s ? s->width() : 0;
    }
    Twips height(std::u16string_view c) const override {
        auto* s = site(c);
        return s ? s->height() : 0;
    }
    std::int32_t windowHandle(std::u16string_view c) const override {
        auto* s = site(c);
        if (!s) return 0;
        auto h = s->hWnd();
        return h.isError() ? 0 : h.value();
    }

protected:
    // The container of the control of that name, and the window of that name, or null (also
    // once the form is closed).
    virtual Site* site(std::u16string_view control) const = 0;
    virtual Window* windowNamed(std::u16string_view name) const = 0;

    // A control's constituent, or a window's, by name.
    Part* find(std::u16string_view c, std::u16string_view p) const {
        if (auto* s = site(c)) return s->find(p);
        if (auto* w = windowNamed(c)) return w->find(p);
        return nullptr;
    }

    // A label's look as the host's label keeps it: its colours (the back colour where the host
    // keeps one apart), boldness, font, alignment and back style.
    template <typename HostLabel> static void readLabelLook(const HostLabel& l, PartState& s) {
        s.foreColor = l.foreColor();
        if constexpr (requires { l.backColor(); }) s.backColor = l.backColor();
        s.bold = l.bold();
        s.font = l.font();
        s.alignment = l.alignment();
        s.backStyle = l.backStyle();
    }

    // What is read of a constituent the same way on every host, through its interface: its place
    // and tab index, and the kinds that show nothing of their own (a timer; a picture box's back
    // colour; an image's picture). The driver fills in the other kinds.
    static PartState commonState(const Part& k) {
        PartState s;
        s.bounds = k.bounds();
        s.tabIndex = k.tabIndex();
        auto* part = const_cast<Part*>(&k);
        if (dynamic_cast<Timer*>(part)) {
            s.kind = "Timer";
        } else if (auto* pb = dynamic_cast<PictureBox*>(part)) {
            s.kind = "PictureBox";
            auto back = pb->BackColor();
            if (!back.isError()) s.backColor = back.value();
        } else if (auto* i = dynamic_cast<Image*>(part)) {
            s.kind = "Image";
            auto pic = i->Picture();
            if (!pic.isError()) s.picture = pic.value();
        }
        return s;
    }
};

// A host a suite can be instantiated over.
struct HostKind {
    const char* name;
    std::function<std::unique_ptr<HostDriver>(const HostOptions&)> make;
};

// Every host this build tests, the headless one first.
const std::vector<const HostKind*>& hostsUnderTest();

// A view of one constituent that reads its state afresh at every call:
// `text1->bounds().width`, `button->enabled()`.
class Part {
public:
    Part() = default;
    Part(const HostDriver* d, std::u16string control, std::u16string name)
        : d_(d), control_(std::move(control)), name_(std::move(name)) {}
    const Part* operator->() const { return this; }
    bool exists() const { return d_ && d_->part(control_, name_).has_value(); }
    friend bool operator==(const Part& p, std::nullptr_t) { return !p.exists(); }
    PartState state() const;

    Bounds bounds() const { return state().bounds; }
    std::u16string text() const { return state().text; }
    std::u16string caption() const { return state().text; }
    bool enabled() const { return state().enabled; }
    std::int32_t selStart() const { return state().selStart; }
    std::int32_t selLength() const { return state().selLength; }
    std::int32_t maxLength() const { return state().maxLength; }
    std::int16_t tabIndex() const { return state().tabIndex; }
    std::int16_t value() const { return state().value; }
    Colour foreColor() const { return state().foreColor; }
    Colour backColor() const { return state().backColor; }
    bool bold() const { return state().bold; }
    std::int16_t alignment() const { return state().alignment; }
    std::int16_t backStyle() const { return state().backStyle; }
    FontRef font() const { return state().font; }
    PictureRef picture() const { return state().picture; }

private:
    const HostDriver* d_ = nullptr;
    std::u16string control_, name_;
};

inline std::u16string u(std::string_view s) {
    return fromUtf8(s);
}

std::string hostParamName(const ::testing::TestParamInfo<const HostKind*>&);

// A suite over one host at a time.
class HostTest : public ::testing::TestWithParam<const HostKind*> {
protected:
    std::unique_ptr<HostDriver> makeHost(const HostOptions& o = {}) const {
        return GetParam()->make(o);
    }
};

// A suite over every host and every row of a table of data.
template <typename Row>
class HostRowTest : public ::testing::TestWithParam<std::tuple<const HostKind*, Row>> {
protected:
    std::unique_ptr<HostDriver> makeHost(const HostOptions& o = {}) const {
        return std::get<0>(this->GetParam())->make(o);
    }
    const Row& row() const { return std::get<1>(this->GetParam()); }
};

// A form holding one control under `name`, placed, its events going to `sink`; derived
// fixtures add what else they need in SetUp and then clear the lines.
template <typename C, typename Base = HostTest> class PlacedControl : public Base {
protected:
    explicit PlacedControl(std::u16string controlName, const HostOptions& options = {})
        : host_(this->makeHost(options)), form(*host_), name(std::move(controlName)) {}

    void SetUp() override {
        ErrorOr<Control*> c = create();
        ASSERT_FALSE(c.isError()) << toUtf8(c.error().description);
        box = static_cast<C*>(c.value());
        auto placed = form.place(name);
        ASSERT_FALSE(placed.isError()) << toUtf8(placed.error().description);
        form.setHandler(name, &sink);
        text1 = Part(&form, name, u"Text1");
    }
    ErrorOr<Control*> create() {
        if constexpr (requires { C::Class; })
            return static_cast<Control*>(TRY(form.template add<C>(name)));
        else
            return form.addByClass(name, className);
    }
    Part part(std::u16string_view p) const { return Part(&form, name, std::u16string(p)); }
    std::u16string text() const { return text1->text(); }

    std::unique_ptr<HostDriver> host_;
    HostDriver& form;
    std::u16string name;
    // The class to create by name when C is a base that several classes share.
    std::string className;
    C* box = nullptr;
    Part text1;
    HandlerSink sink;
};

// Fails the test with the host's error text when a call fails.
#define ASSERT_OK(expr)                                                                            \
    do {                                                                                           \
        auto&& _r = (expr);                                                                        \
        ASSERT_FALSE(_r.isError())                                                                 \
            << #expr << ": " << _r.error().code << " " << toUtf8(_r.error().description);          \
    } while (0)

// Skips the rest of a test on a host that cannot make its calls fail.
#define FAIL_NEXT_OR_SKIP(host, ...)                                                               \
    do {                                                                                           \
        if (!(host).failNext(__VA_ARGS__)) GTEST_SKIP() << "this host cannot inject failures";     \
    } while (0)

#define TESSIVRA_HOST_SUITE(Suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(Hosts, Suite,                                                         \
                             ::testing::ValuesIn(::tessivra::testing::hostsUnderTest()),           \
                             ::tessivra::testing::hostParamName)

std::string hostRowParamName(const std::string& host, const std::string& row);

// Over every host and every row of `rows` (each row having a `name`).
#define TESSIVRA_HOST_ROW_SUITE(Suite, rows)                                                       \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Hosts, Suite,                                                                              \
        ::testing::Combine(::testing::ValuesIn(::tessivra::testing::hostsUnderTest()),             \
                           ::testing::ValuesIn(rows)),                                             \
        [](const auto& rowInfo) {                                                                  \
            return ::tessivra::testing::hostRowParamName(std::get<0>(rowInfo.param)->name,         \
                                                         std::get<1>(rowInfo.param).name);         \
        })

} // namespace tessivra::testing
