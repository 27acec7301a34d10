// The headless host's test driver: the suites' form is a HeadlessForm, their input its input
// paths, and what they observe its journal and records.

#include "tests/driver/headless_driver.h"

#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

namespace tessivra::testing {

using namespace headless;

namespace {

using HeadlessDriverBag = JsonDriverBag<HeadlessPropertyBag>;

class HeadlessDriver final : public SiteDriver<HeadlessContainer, HeadlessWindow, Constituent> {
public:
    explicit HeadlessDriver(const HostOptions& o)
        : form_(std::make_unique<HeadlessForm>(
              RuntimeSettings{.locale = o.locale, .codePage = o.codePage, .appPath = o.appPath})) {
        form_->journal().enabled = true;
        form_->journal().onLine = [this](const std::string& l) { noteLine(l); };
        form_->runtime().whileMessageBoxShown = [this](const MessageBoxRecord& m) {
            messageBoxUp({m.prompt, m.style, m.title});
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
        return std::make_unique<HeadlessDriverBag>(
            HeadlessPropertyBag(form_ ? &form_->faults() : nullptr));
    }
    void setHandler(std::u16string_view name, EventSink* handler) override {
        if (auto* site = form_ ? form_->container(name) : nullptr)
            site->sink = recordingSink(name, handler);
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

    void clearLines() override {
        RecordingDriver::clearLines();
        if (form_) form_->journal().clear();
    }
    std::vector<std::u16string> notices(std::u16string_view c) const override {
        auto* site = form_ ? form_->container(c) : nullptr;
        return site ? site->notices : std::vector<std::u16string>{};
    }
    void clearNotices(std::u16string_view c) override {
        if (auto* site = form_ ? form_->container(c) : nullptr) site->notices.clear();
    }
    const std::vector<ShellRequestMade>& shellRequests() const override {
        shellRequests_.clear();
        if (form_)
            for (const auto& r : form_->shell().requests)
                shellRequests_.push_back(
                    {r.hwnd, r.operation, r.file, r.parameters, r.directory, r.showCommand});
        return shellRequests_;
    }
    void setShellResult(std::int32_t r) override {
        if (form_) form_->shell().result = r;
    }
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
        PartState s = commonState(*k);
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
            readLabelLook(*l, s);
        }
        return s;
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
    HeadlessContainer* site(std::u16string_view c) const override {
        return form_ ? form_->container(c) : nullptr;
    }
    HeadlessWindow* windowNamed(std::u16string_view name) const override {
        return form_ ? form_->window(name) : nullptr;
    }
    template <typename F> ErrorOr<void> run(F f) { return guarded<void>(f); }
    void closeNow() override { form_.reset(); }

    std::unique_ptr<HeadlessForm> form_;
    // The form's records in the shape the suites read, made afresh when asked for.
    mutable std::vector<ShellRequestMade> shellRequests_;
    mutable std::vector<PopupRequest> popups_;
};

} // namespace

const HostKind HeadlessHost{"Headless", [](const HostOptions& o) -> std::unique_ptr<HostDriver> {
                                return std::make_unique<HeadlessDriver>(o);
                            }};

} // namespace tessivra::testing
