// The web host's test driver: the suites' form is a WebPage on the test page's document, their
// input DOM events dispatched on the constituents' elements, and what they observe the page's
// lines and records.

// Only the WebAssembly build has a DOM to drive; elsewhere this file is empty.
#ifdef __EMSCRIPTEN__

#include "tests/driver/web_driver.h"

#include "hosts/web/host/web_bag.h"
#include "hosts/web/host/web_page.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessivra::testing {

using namespace web;

namespace {

TextServicesMaker& textServicesMaker() {
    static TextServicesMaker maker;
    return maker;
}

using WebDriverBag = JsonDriverBag<WebPropertyBag>;

val document() {
    return val::global("document");
}

// The name the browser gives a key without a character of its own.
const char* keyName(std::int16_t keyCode) {
    switch (keyCode) {
    case 8:
        return "Backspace";
    case 9:
        return "Tab";
    case 13:
        return "Enter";
    case 27:
        return "Escape";
    case 35:
        return "End";
    case 36:
        return "Home";
    case 37:
        return "ArrowLeft";
    case 38:
        return "ArrowUp";
    case 39:
        return "ArrowRight";
    case 40:
        return "ArrowDown";
    case 46:
        return "Delete";
    default:
        return "Unidentified";
    }
}

class WebDriver final : public SiteDriver<WebContainer, WebWindow, DomPart> {
public:
    explicit WebDriver(const HostOptions& o) {
        auto& maker = textServicesMaker();
        text_ = maker ? maker(o) : nullptr;
        if (!text_) {
            // A test program that forgot to name its runtime cannot run a single case.
            std::fputs("web driver: no text services; call setWebTextServices first\n", stderr);
            std::abort();
        }
        root_ = document().call<val>("createElement", val("div"));
        root_.set("className", "tessivra-test-form");
        document()["body"].call<void>("appendChild", root_);
        page_ = std::make_unique<WebPage>(root_, *text_,
                                          PageSettings{.appPath = o.appPath, .virtualClock = true});
        page_->onLine = [this](const std::string& l) { noteLine(l); };
        page_->runtime().answerMessageBox = [this](std::u16string_view prompt, std::int32_t style,
                                                   std::u16string_view title) {
            messageBoxUp({std::u16string(prompt), style, std::u16string(title)});
            return msgbox::OK;
        };
        page_->shell().receive = [this](std::int32_t hwnd, std::string_view op,
                                        std::string_view file, std::string_view params,
                                        std::string_view dir, std::int32_t show) {
            shell_.push_back({hwnd, std::string(op), std::string(file), std::string(params),
                              std::string(dir), show});
            return shellResult_;
        };
    }
    ~WebDriver() override {
        page_.reset();
        root_.call<void>("remove");
    }

    std::string hostName() const override { return "web"; }

    ErrorOr<Control*> add(std::u16string_view name, const ControlMaker& m) override {
        return guarded<Control*>([&]() -> ErrorOr<Control*> {
            return page_->add(name, m.create, m.designWidth, m.designHeight);
        });
    }
    Control* control(std::u16string_view name) const override {
        return page_ ? page_->control(name) : nullptr;
    }
    ErrorOr<void> place(std::u16string_view name) override {
        return run([&] { return page_->place(name); });
    }
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h) override {
        return run([&] { return page_->resize(name, w, h); });
    }
    ErrorOr<void> load(std::u16string_view name, PropertyBag& bag) override {
        return run([&] { return page_->load(name, bag); });
    }
    ErrorOr<void> save(std::u16string_view name, PropertyBag& bag) override {
        return run([&] { return page_->save(name, bag); });
    }
    std::unique_ptr<DriverBag> newBag() override {
        return std::make_unique<WebDriverBag>(WebPropertyBag());
    }
    void setHandler(std::u16string_view name, EventSink* handler) override {
        if (auto* site = page_ ? page_->container(name) : nullptr)
            site->sink = recordingSink(name, handler);
    }
    ErrorOr<Form*> openWindow(std::u16string_view name) override {
        if (!page_) return formClosedError();
        return static_cast<Form*>(&page_->openWindow(name));
    }
    std::optional<WindowState> window(std::u16string_view name) const override {
        auto* w = page_ ? page_->window(name) : nullptr;
        if (!w) return std::nullopt;
        return WindowState{w->caption, w->icon, w->visible};
    }
    bool formClosed() const override { return !page_; }

    ErrorOr<void> focus(std::u16string_view c, std::u16string_view p) override {
        return run([&] { return focusPart(c, p); });
    }
    ErrorOr<void> type(std::u16string_view c, std::u16string_view t) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusPart(c, {}));
            for (char16_t ch : t) {
                if (!page_) break;
                if (ch == u'\r')
                    TRY(pressKey(13, 0, "Enter"));
                else if (ch == u'\b')
                    TRY(pressKey(8, 0, "Backspace"));
                else
                    TRY(typeCharacter(ch));
            }
            return {};
        });
    }
    ErrorOr<void> key(std::u16string_view c, std::int16_t k, std::int16_t s) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusPart(c, {}));
            if (!dynamic_cast<WebTextBox*>(page_->focused())) {
                if (k == 9) TRY(page_->focusNext());
                return page_->deliverSentKeys();
            }
            return pressKey(k, s, keyName(k));
        });
    }
    ErrorOr<void> paste(std::u16string_view c, std::u16string_view t) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusPart(c, {}));
            auto* box = dynamic_cast<WebTextBox*>(page_->focused());
            if (!box) return Error::invalidProcedureCall();
            val data = val::global("DataTransfer").new_();
            data.call<void>("setData", val("text/plain"), jsString(t));
            val init = val::object();
            init.set("clipboardData", data);
            init.set("bubbles", true);
            init.set("cancelable", true);
            return dispatch(box->element(), val::global("ClipboardEvent").new_(val("paste"), init));
        });
    }
    ErrorOr<void> click(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            auto* k = page_->constituent(c, p);
            if (!k) return noSuch(c);
            if (auto* t = dynamic_cast<WebTextBox*>(k)) {
                if (!t->enabled()) return {};
                TRY(dispatch(t->element(), mouseEvent("pointerdown", t->element(), 1, 0, 0, 0)));
                // The browser focuses the box between the press and the release.
                if (page_->focused() != t) TRY(page_->moveFocus(t));
                TRY(dispatch(t->element(), mouseEvent("pointerup", t->element(), 1, 0, 0, 0)));
                return dispatch(t->element(), mouseEvent("click", t->element(), 1, 0, 0, 0));
            }
            if (dynamic_cast<WebLabel*>(k)) {
                TRY(dispatch(k->element(), mouseEvent("pointerdown", k->element(), 1, 0, 0, 0)));
                TRY(dispatch(k->element(), mouseEvent("pointerup", k->element(), 1, 0, 0, 0)));
                return dispatch(k->element(), mouseEvent("click", k->element(), 1, 0, 0, 0));
            }
            if (dynamic_cast<WebCommandButton*>(k))
                return dispatch(k->element(), mouseEvent("click", k->element(), 1, 0, 0, 0));
            return Error::invalidProcedureCall();
        });
    }
    ErrorOr<void> dblClick(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            auto* k = page_->constituent(c, p);
            if (!k) return noSuch(c);
            auto* t = dynamic_cast<WebTextBox*>(k);
            if (!t && !dynamic_cast<WebLabel*>(k)) return Error::invalidProcedureCall();
            if (t && !t->enabled()) return {};
            TRY(click(c, p));
            TRY(dispatch(k->element(), mouseEvent("dblclick", k->element(), 1, 0, 0, 0)));
            return dispatch(k->element(), mouseEvent("pointerup", k->element(), 1, 0, 0, 0));
        });
    }
    ErrorOr<void> mouse(std::u16string_view c, std::u16string_view p, int action,
                        std::int16_t button, std::int16_t shift, float x, float y) override {
        return run([&]() -> ErrorOr<void> {
            auto* k = page_->constituent(c, p);
            if (!k) return noSuch(p.empty() ? c : p);
            TRY(checkPosition(x));
            TRY(checkPosition(y));
            static const char* types[] = {"pointerdown", "pointermove", "pointerup"};
            return dispatch(k->element(), mouseEvent(types[std::clamp(action, 0, 2)], k->element(),
                                                     button, shift, x, y));
        });
    }
    ErrorOr<void> scroll(std::u16string_view c, bool down, int count) override {
        return run([&]() -> ErrorOr<void> {
            if (count < 0 || count > 65536)
                return Error{errc::InvalidProcedureCall, u"A scroll count must be 0 to 65536"};
            auto* site = page_->container(c);
            if (!site) return noSuch(c);
            WebVScrollBar* bar = nullptr;
            for (const auto& p : site->constituents())
                if (!bar) bar = dynamic_cast<WebVScrollBar*>(p.get());
            if (!bar) return Error::invalidProcedureCall();
            for (int i = 0; i < count; ++i)
                TRY(dispatch(bar->arrow(down), mouseEvent("click", bar->arrow(down), 1, 0, 0, 0)));
            return {};
        });
    }
    ErrorOr<void> tick(std::int64_t ms) override {
        return run([&] { return page_->tick(ms); });
    }
    void setClock(std::int64_t ms) override {
        if (page_) page_->clockMs = ms;
    }

    std::vector<std::u16string> notices(std::u16string_view c) const override {
        auto* site = page_ ? page_->container(c) : nullptr;
        return site ? site->notices : std::vector<std::u16string>{};
    }
    void clearNotices(std::u16string_view c) override {
        if (auto* site = page_ ? page_->container(c) : nullptr) site->notices.clear();
    }
    const std::vector<PopupRequest>& popups() const override {
        popups_.clear();
        if (page_)
            for (const auto& p : page_->popups)
                popups_.push_back({p.menu, p.flags, p.x, p.y, p.defaultMenu});
        return popups_;
    }
    std::string focusName() const override { return page_ ? page_->focusName() : "(none)"; }

    std::optional<PartState> part(std::u16string_view c, std::u16string_view p) const override {
        auto* k = find(c, p);
        if (!k) return std::nullopt;
        PartState s = commonState(*k);
        if (auto* t = dynamic_cast<WebTextBox*>(k)) {
            s.kind = "TextBox";
            // What the user sees: the element's own value, read back from the DOM.
            s.text = fromJs(t->element()["value"]);
            s.enabled = !t->element()["disabled"].as<bool>();
            s.selStart = t->selStart();
            s.selLength = t->selLength();
            s.maxLength = t->maxLength();
        } else if (auto* b = dynamic_cast<WebCommandButton*>(k)) {
            s.kind = "CommandButton";
            s.text = b->caption();
            s.enabled = !b->element()["disabled"].as<bool>();
            s.picture = b->picture();
        } else if (auto* v = dynamic_cast<WebVScrollBar*>(k)) {
            s.kind = "VScrollBar";
            s.value = v->value();
        } else if (auto* l = dynamic_cast<WebLabel*>(k)) {
            s.kind = "Label";
            s.text = fromJs(l->element()["textContent"]);
            readLabelLook(*l, s);
        }
        return s;
    }
    FontRef ambientFont() const override { return page_ ? page_->ambientFont : nullptr; }

    // The page makes no host call fail on purpose: the suites skip those cases here.
    bool failNext(std::string, int) override { return false; }
    bool failuresPending() const override { return false; }
    void clearFailures() override {}
    std::int32_t injectedFailureCode() const override { return 0; }

private:
    static Error noSuch(std::u16string_view name) { return noSuchNamed(u"control", name); }

    WebContainer* site(std::u16string_view c) const override {
        return page_ ? page_->container(c) : nullptr;
    }
    WebWindow* windowNamed(std::u16string_view name) const override {
        return page_ ? page_->window(name) : nullptr;
    }

    ErrorOr<void> focusPart(std::u16string_view c, std::u16string_view p) {
        auto* k = page_->constituent(c, p);
        if (!k) return noSuch(c);
        if (!k->takesFocus()) return Error::invalidProcedureCall();
        TRY(page_->moveFocus(k));
        return page_->deliverSentKeys();
    }

    // Hands one event to an element as the browser would, and the failure of the handler it
    // reached back to the test.
    ErrorOr<void> dispatch(val target, val event) {
        target.call<bool>("dispatchEvent", event);
        if (!page_) return {};
        if (auto e = page_->takeInputError()) return *e;
        return {};
    }

    val keyEvent(const char* type, std::int16_t keyCode, std::int16_t shift,
                 std::u16string_view key) {
        val init = val::object();
        init.set("key", jsString(key));
        init.set("keyCode", static_cast<int>(keyCode));
        init.set("which", static_cast<int>(keyCode));
        init.set("shiftKey", (shift & 1) != 0);
        init.set("ctrlKey", (shift & 2) != 0);
        init.set("altKey", (shift & 4) != 0);
        init.set("bubbles", true);
        init.set("cancelable", true);
        return val::global("KeyboardEvent").new_(val(type), init);
    }

    val mouseEvent(const char* type, const val& target, std::int16_t button, std::int16_t shift,
                   float x, float y) {
        const val rect = target.call<val>("getBoundingClientRect");
        val init = val::object();
        init.set("bubbles", true);
        init.set("cancelable", true);
        init.set("clientX", rect["left"].as<double>() + toPixels(x));
        init.set("clientY", rect["top"].as<double>() + toPixels(y));
        init.set("button", button == 2 ? 2 : button == 4 ? 1 : 0);
        init.set("buttons", static_cast<int>(button));
        init.set("shiftKey", (shift & 1) != 0);
        init.set("ctrlKey", (shift & 2) != 0);
        init.set("altKey", (shift & 4) != 0);
        init.set("detail", std::string_view(type) == "dblclick" ? 2 : 1);
        // Presses, moves and releases are pointer events, which keep fractions of a pixel.
        const bool pointer = std::string_view(type).starts_with("pointer");
        if (pointer) init.set("pointerType", "mouse");
        return val::global(pointer ? "PointerEvent" : "MouseEvent").new_(val(type), init);
    }

    // A key goes down on the focused element and comes up on whatever holds the focus then.
    ErrorOr<void> pressKey(std::int16_t keyCode, std::int16_t shift, std::u16string_view key) {
        auto* holder = page_->focused();
        if (!holder) return {};
        TRY(dispatch(holder->focusElement(), keyEvent("keydown", keyCode, shift, key)));
        if (!page_) return {};
        if (auto* now = page_->focused())
            TRY(dispatch(now->focusElement(), keyEvent("keyup", keyCode, shift, key)));
        return {};
    }
    ErrorOr<void> pressKey(std::int16_t keyCode, std::int16_t shift, const char* key) {
        return pressKey(keyCode, shift, fromUtf8(key));
    }

    // A character typed as a user's keyboard makes it: letters by their capital's key code with
    // Shift for capitals; the host finds any other character's code in the code page.
    ErrorOr<void> typeCharacter(char16_t ch) {
        if (!dynamic_cast<WebTextBox*>(page_->focused())) return {};
        const std::int16_t shift = (ch >= u'A' && ch <= u'Z') ? 1 : 0;
        std::int16_t keyCode = 0;
        if (ch >= u'a' && ch <= u'z') keyCode = static_cast<std::int16_t>(ch - 32);
        if (ch >= u'A' && ch <= u'Z') keyCode = static_cast<std::int16_t>(ch);
        if (keyCode == 0) keyCode = TRY(page_->runtime().Asc(std::u16string_view(&ch, 1)));
        return pressKey(keyCode, shift, std::u16string_view(&ch, 1));
    }

    template <typename F> ErrorOr<void> run(F f) {
        return guarded<void>([&]() -> ErrorOr<void> {
            TRY(f());
            // Input through the DOM delivers sent keys after its outermost event; input made
            // by the page directly (a focus move, a tick) delivers them here.
            return page_ ? page_->deliverSentKeys() : ErrorOr<void>();
        });
    }
    void closeNow() override { page_.reset(); }

    std::unique_ptr<TextServices> text_;
    val root_ = val::undefined();
    std::unique_ptr<WebPage> page_;
    mutable std::vector<PopupRequest> popups_;
};

} // namespace

void setWebTextServices(TextServicesMaker maker) {
    textServicesMaker() = std::move(maker);
}

const HostKind WebHost{"Web", [](const HostOptions& o) -> std::unique_ptr<HostDriver> {
                           return std::make_unique<WebDriver>(o);
                       }};

} // namespace tessivra::testing

#endif // __EMSCRIPTEN__
