// The headless host's test driver: the suites' form is a HeadlessForm, their input its input
// paths, and what they observe its journal and records.

#include "tests/driver/headless_driver.h"

#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

#include <unordered_map>

namespace tessivra::testing {

using namespace headless;

namespace {

class HeadlessDriverBag final : public DriverBag {
public:
    explicit HeadlessDriverBag(FaultPlan* faults) : bag_(faults) {}
    explicit HeadlessDriverBag(HeadlessPropertyBag b) : bag_(std::move(b)) {}

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
    // Through the JSON file tessivra-run keeps bags in.
    ErrorOr<std::unique_ptr<DriverBag>> reloaded() const override {
        auto copy = TRY(HeadlessPropertyBag::fromJson(bag_.toJson()));
        return std::unique_ptr<DriverBag>(std::make_unique<HeadlessDriverBag>(std::move(copy)));
    }

private:
    HeadlessPropertyBag bag_;
};

Error formClosedError() {
    return {errc::InvalidProcedureCall, u"The form is closed"};
}

class HeadlessDriver final : public HostDriver {
public:
    explicit HeadlessDriver(const HostOptions& o)
        : form_(std::make_unique<HeadlessForm>(
              RuntimeSettings{.locale = o.locale, .codePage = o.codePage, .appPath = o.appPath})) {
        form_->journal().enabled = true;
        form_->journal().onLine = [this](const std::string& l) {
            lines_.push_back(l);
            if (l.starts_with("sendkeys ")) sentKeys_.push_back(unquote(l.substr(9)));
        };
        form_->runtime().whileMessageBoxShown = [this](const MessageBoxRecord& m) {
            // A message box is up: some control's handler is on the stack below it.
            ++depth_;
            MessageBoxShown shown{m.prompt, m.style, m.title};
            boxes_.push_back(shown);
            if (whileShown_) whileShown_(shown);
            --depth_;
        };
    }
    ~HeadlessDriver() override { form_.reset(); }

    std::string hostName() const override { return "headless"; }

    ErrorOr<Control*> add(std::u16string_view name, const ControlMaker& m) override {
        return guarded<Control*>([&]() -> ErrorOr<Control*> {
            return form_->add(name, m.create, m.designWidth, m.designHeight);
        });
    }
    Control* control(std::u16string_view name) const override {
        return form_ ? form_->control(name) : nullptr;
    }
    ErrorOr<void> place(std::u16string_view name) override {
        return run([&] { return form_->place(name); });
    }
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h) override {
        return run([&] { return form_->resize(name, w, h); });
    }
    ErrorOr<void> load(std::u16string_view name, PropertyBag& bag) override {
        return run([&] { return form_->load(name, bag); });
    }
    ErrorOr<void> save(std::u16string_view name, PropertyBag& bag) override {
        return run([&] { return form_->save(name, bag); });
    }
    std::unique_ptr<DriverBag> newBag() override {
        return std::make_unique<HeadlessDriverBag>(form_ ? &form_->faults() : nullptr);
    }
    void setHandler(std::u16string_view name, EventSink* handler) override {
        auto* site = form_ ? form_->container(name) : nullptr;
        if (!site) return;
        auto& rec = sinks_[std::u16string(name)];
        if (!rec) rec = std::make_unique<RecordingSink>(events_, std::u16string(name));
        rec->forward = handler;
        site->sink = rec.get();
    }
    ErrorOr<Form*> openWindow(std::u16string_view name) override {
        if (!form_) return formClosedError();
        return static_cast<Form*>(&form_->openWindow(name));
    }
    std::optional<WindowState> window(std::u16string_view name) const override {
        auto* w = form_ ? form_->window(name) : nullptr;
        if (!w) return std::nullopt;
        return WindowState{w->caption, w->icon, w->visible};
    }
    void closeForm() override {
        closing_ = true;
        if (depth_ == 0) close();
    }
    bool formClosed() const override { return !form_; }

    ErrorOr<void> focus(std::u16string_view c, std::u16string_view p) override {
        return run([&] { return form_->focus(c, p); });
    }
    ErrorOr<void> type(std::u16string_view c, std::u16string_view t) override {
        return run([&] { return form_->type(c, t); });
    }
    ErrorOr<void> key(std::u16string_view c, std::int16_t k, std::int16_t s) override {
        return run([&] { return form_->key(c, k, s); });
    }
    ErrorOr<void> paste(std::u16string_view c, std::u16string_view t) override {
        return run([&] { return form_->paste(c, t); });
    }
    ErrorOr<void> click(std::u16string_view c, std::u16string_view p) override {
        return run([&] { return form_->click(c, p); });
    }
    ErrorOr<void> dblClick(std::u16string_view c, std::u16string_view p) override {
        return run([&] { return form_->dblClick(c, p); });
    }
    ErrorOr<void> mouse(std::u16string_view c, std::u16string_view p, int action,
                        std::int16_t button, std::int16_t shift, float x, float y) override {
        return run([&] { return form_->mouse(c, p, action, button, shift, x, y); });
    }
    ErrorOr<void> scroll(std::u16string_view c, bool down, int count) override {
        return run([&] { return form_->scroll(c, down, count); });
    }
    ErrorOr<void> tick(std::int64_t ms) override {
        return run([&] { return form_->tick(ms); });
    }
    void setClock(std::int64_t ms) override {
        if (form_) form_->runtime().clockMs = ms;
    }

    const std::vector<std::string>& lines() const override { return lines_; }
    void clearLines() override {
        lines_.clear();
        if (form_) form_->journal().clear();
    }
    const std::vector<RaisedEvent>& events() const override { return events_; }
    std::vector<std::u16string> notices(std::u16string_view c) const override {
        auto* site = form_ ? form_->container(c) : nullptr;
        return site ? site->notices : std::vector<std::u16string>{};
    }
    void clearNotices(std::u16string_view c) override {
        if (auto* site = form_ ? form_->container(c) : nullptr) site->notices.clear();
    }
    const std::vector<MessageBoxShown>& messageBoxes() const override { return boxes_; }
    void whileMessageBoxShown(std::function<void(const MessageBoxShown&)> f) override {
        whileShown_ = std::move(f);
    }
    const std::vector<ShellRequestMade>& shellRequests() const override {
        shell_.clear();
        if (form_)
            for (const auto& r : form_->shell().requests)
                shell_.push_back(
                    {r.hwnd, r.operation, r.file, r.parameters, r.directory, r.showCommand});
        return shell_;
    }
    void setShellResult(std::int32_t r) override {
        if (form_) form_->shell().result = r;
    }
    const std::vector<std::u16string>& sentKeys() const override { return sentKeys_; }
    const std::vector<PopupRequest>& popups() const override {
        popups_.clear();
        if (form_)
            for (const auto& p : form_->popups)
                popups_.push_back({p.menu, p.flags, p.x, p.y, p.defaultMenu});
        return popups_;
    }
    std::string focusName() const override { return form_ ? form_->focusName() : "(none)"; }

    std::optional<PartState> part(std::u16string_view c, std::u16string_view p) const override {
        auto* k = find(c, p);
        if (!k) return std::nullopt;
        PartState s;
        s.bounds = k->bounds();
        s.tabIndex = k->tabIndex();
        if (auto* t = dynamic_cast<HeadlessTextBox*>(k)) {
            s.kind = "TextBox";
            s.text = t->text();
            s.enabled = t->enabled();
            s.selStart = t->selStart();
            s.selLength = t->selLength();
            s.maxLength = t->maxLength();
        } else if (auto* b = dynamic_cast<HeadlessCommandButton*>(k)) {
            s.kind = "CommandButton";
            s.text = b->caption();
            s.enabled = b->enabled();
            s.picture = b->picture();
        } else if (auto* v = dynamic_cast<HeadlessVScrollBar*>(k)) {
            s.kind = "VScrollBar";
            s.value = v->value();
        } else if (auto* l = dynamic_cast<HeadlessLabel*>(k)) {
            s.kind = "Label";
            s.text = l->caption();
            s.foreColor = l->foreColor();
            s.bold = l->bold();
            s.font = l->font();
            s.alignment = l->alignment();
            s.backStyle = l->backStyle();
        } else if (dynamic_cast<HeadlessTimer*>(k)) {
            s.kind = "Timer";
        } else if (auto* pb = dynamic_cast<HeadlessPictureBox*>(k)) {
            s.kind = "PictureBox";
            auto back = pb->BackColor();
            if (!back.isError()) s.backColor = back.value();
        } else if (auto* i = dynamic_cast<HeadlessImage*>(k)) {
            s.kind = "Image";
            auto pic = i->Picture();
            if (!pic.isError()) s.picture = pic.value();
        }
        return s;
    }
    TextBox* textBox(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<HeadlessTextBox*>(find(c, p));
    }
    Label* label(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<HeadlessLabel*>(find(c, p));
    }
    PictureBox* pictureBox(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<HeadlessPictureBox*>(find(c, p));
    }
    Image* image(std::u16string_view c, std::u16string_view p) const override {
        return dynamic_cast<HeadlessImage*>(find(c, p));
    }
    Twips width(std::u16string_view c) const override {
        auto* site = form_ ? form_->container(c) : nullptr;
        return site ? site->width() : 0;
    }
    Twips height(std::u16string_view c) const override {
        auto* site = form_ ? form_->container(c) : nullptr;
        return site ? site->height() : 0;
    }
    std::int32_t windowHandle(std::u16string_view c) const override {
        auto* site = form_ ? form_->container(c) : nullptr;
        if (!site) return 0;
        auto h = site->hWnd();
        return h.isError() ? 0 : h.value();
    }
    FontRef ambientFont() const override { return form_ ? form_->ambientFont : nullptr; }

    bool failNext(std::string call, int skip) override {
        if (!form_) return false;
        form_->faults().failNext(std::move(call), skip);
        return true;
    }
    bool failuresPending() const override { return form_ && form_->faults().armed(); }
    void clearFailures() override {
        if (form_) form_->faults().clear();
    }
    std::int32_t injectedFailureCode() const override { return InjectedFailureCode; }

private:
    Constituent* find(std::u16string_view c, std::u16string_view p) const {
        if (!form_) return nullptr;
        if (auto* site = form_->container(c)) return site->find(p);
        if (auto* w = form_->window(c)) return w->find(p);
        return nullptr;
    }
    // The text of a journal's quoted string.
    static std::u16string unquote(std::string_view q) {
        std::string out;
        for (std::size_t i = 1; i + 1 < q.size(); ++i) {
            char c = q[i];
            if (c == '\\' && i + 2 < q.size()) {
                c = q[++i];
                c = c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            out.push_back(c);
        }
        return fromUtf8(out);
    }

    // Input runs with the depth counted, so that a close asked for meanwhile waits for it.
    template <typename T, typename F> ErrorOr<T> guarded(F f) {
        if (!form_) return formClosedError();
        ++depth_;
        ErrorOr<T> r = f();
        --depth_;
        if (depth_ == 0 && closing_) close();
        return r;
    }
    template <typename F> ErrorOr<void> run(F f) { return guarded<void>(f); }
    void close() {
        closing_ = false;
        form_.reset();
        sinks_.clear();
    }

    std::unique_ptr<HeadlessForm> form_;
    int depth_ = 0;
    bool closing_ = false;
    std::vector<std::string> lines_;
    std::vector<RaisedEvent> events_;
    std::vector<MessageBoxShown> boxes_;
    std::vector<std::u16string> sentKeys_;
    std::function<void(const MessageBoxShown&)> whileShown_;
    std::unordered_map<std::u16string, std::unique_ptr<RecordingSink>> sinks_;
    mutable std::vector<ShellRequestMade> shell_;
    mutable std::vector<PopupRequest> popups_;
};

} // namespace

const HostKind HeadlessHost{"Headless", [](const HostOptions& o) -> std::unique_ptr<HostDriver> {
                                return std::make_unique<HeadlessDriver>(o);
                            }};

} // namespace tessivra::testing
