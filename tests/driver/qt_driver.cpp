// The Qt host's test driver: the suites' form is a shown, active top-level QWidget on the
// offscreen platform, their input real QKeyEvents and mouse events sent to the widget that has
// the focus (or the one clicked), and what they observe comes from the host's observer hooks.
// Timers run on the host's manual clock, so that the suites' ticks are exact.

#include "tests/driver/qt_driver.h"

#include "framework/dispatch.h"
#include "hosts/headless/journal.h"
#include "hosts/headless/property_bag.h"
#include "hosts/qt/qt_parts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <map>

namespace tessivra::testing {

using namespace tessivra::qt;

QApplication& qtApplication() {
    static int argc = 1;
    static char name[] = "tessivra_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // No display is needed: the widgets draw into memory.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

void processQtEvents() {
    // Twice: a queued request (a focus move, sent keys) may queue another.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {

// The Qt host keeps bags in the same typed JSON as the command-line container.
using QtDriverBag = JsonDriverBag<headless::HeadlessPropertyBag>;

Error noSuch(std::u16string_view what, std::u16string_view name) {
    return noSuchNamed(what, name);
}

// The Qt key of a Windows virtual-key code.
int qtKeyOf(std::int16_t vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
    switch (vk) {
    case 8:
        return Qt::Key_Backspace;
    case 9:
        return Qt::Key_Tab;
    case 13:
        return Qt::Key_Return;
    case 27:
        return Qt::Key_Escape;
    case 32:
        return Qt::Key_Space;
    case 33:
        return Qt::Key_PageUp;
    case 34:
        return Qt::Key_PageDown;
    case 35:
        return Qt::Key_End;
    case 36:
        return Qt::Key_Home;
    case 37:
        return Qt::Key_Left;
    case 38:
        return Qt::Key_Up;
    case 39:
        return Qt::Key_Right;
    case 40:
        return Qt::Key_Down;
    case 45:
        return Qt::Key_Insert;
    case 46:
        return Qt::Key_Delete;
    default:
        if (vk >= 112 && vk < 136) return Qt::Key_F1 + (vk - 112);
        return Qt::Key_unknown;
    }
}

Qt::KeyboardModifiers modifiersOf(std::int16_t shift) {
    Qt::KeyboardModifiers m;
    if (shift & 1) m |= Qt::ShiftModifier;
    if (shift & 2) m |= Qt::ControlModifier;
    if (shift & 4) m |= Qt::AltModifier;
    return m;
}

Qt::MouseButton buttonOf(std::int16_t b) {
    if (b & 1) return Qt::LeftButton;
    if (b & 2) return Qt::RightButton;
    if (b & 4) return Qt::MiddleButton;
    return Qt::NoButton;
}

class QtDriver final : public SiteDriver<QtContainer, QtWindow, QtConstituent>,
                       public HostObserver {
public:
    explicit QtDriver(const HostOptions& o) {
        qtApplication();
        host_ = std::make_unique<QtHost>(HostSettings{
            .locale = o.locale, .codePage = o.codePage, .appPath = o.appPath, .manualTime = true});
        host_->setObserver(this);
        window_ = std::make_unique<QWidget>();
        window_->setWindowTitle(QStringLiteral("Form1"));
        window_->resize(900, 700);
        window_->show();
        // Activation is asynchronous: the focus only moves in an active window.
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_.get()))
            ADD_FAILURE() << "the form's window did not become active";
    }
    ~QtDriver() override { closeNow(); }

    std::string hostName() const override { return "qt"; }

    ErrorOr<Control*> add(std::u16string_view name, const ControlMaker& m) override {
        if (!host_) return formClosedError();
        if (containers_.count(std::u16string(name)))
            return Error{errc::InvalidProcedureCall,
                         u"A control named " + std::u16string(name) + u" is already on the form"};
        ++depth_;
        auto made =
            host_->create(m.create, m.designWidth, m.designHeight, name, window_.get(), false);
        --depth_;
        if (made.isError()) return made.releaseError();
        auto c = made.releaseValue();
        c->widget()->move(0, nextTop_);
        nextTop_ += QtHost::toPixels(m.designHeight) + 8;
        Control* control = c->control();
        order_.push_back(std::u16string(name));
        containers_[std::u16string(name)] = std::move(c);
        TRY(afterInput());
        return control;
    }
    Control* control(std::u16string_view name) const override {
        auto* c = container(name);
        return c ? c->control() : nullptr;
    }
    ErrorOr<void> place(std::u16string_view name) override {
        return run([&]() -> ErrorOr<void> {
            auto* c = container(name);
            if (!c) return noSuch(u"control", name);
            return c->place();
        });
    }
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h) override {
        return run([&]() -> ErrorOr<void> {
            auto* c = container(name);
            if (!c) return noSuch(u"control", name);
            return c->resize(w, h);
        });
    }
    ErrorOr<void> load(std::u16string_view name, PropertyBag& bag) override {
        return run([&]() -> ErrorOr<void> {
            auto* c = container(name);
            if (!c) return noSuch(u"control", name);
            return c->load(bag);
        });
    }
    ErrorOr<void> save(std::u16string_view name, PropertyBag& bag) override {
        return run([&]() -> ErrorOr<void> {
            auto* c = container(name);
            if (!c) return noSuch(u"control", name);
            return c->save(bag);
        });
    }
    std::unique_ptr<DriverBag> newBag() override {
        return std::make_unique<QtDriverBag>(headless::HeadlessPropertyBag());
    }
    void setHandler(std::u16string_view name, EventSink* handler) override {
        if (auto* c = container(name)) c->setSink(recordingSink(name, handler));
    }
    ErrorOr<Form*> openWindow(std::u16string_view name) override {
        if (!host_) return formClosedError();
        return static_cast<Form*>(&host_->openWindow(name));
    }
    std::optional<WindowState> window(std::u16string_view name) const override {
        auto* w = host_ ? host_->window(name) : nullptr;
        if (!w) return std::nullopt;
        return WindowState{w->caption(), w->icon(), w->visible()};
    }
    bool formClosed() const override { return !host_; }

    // ---- input -----------------------------------------------------------------------------

    ErrorOr<void> focus(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            QWidget* w = TRY(focusable(c, p));
            if (!w->isEnabled()) return Error::invalidProcedureCall();
            if (QApplication::focusWidget() != w) {
                w->setFocus(Qt::OtherFocusReason);
                processQtEvents();
            }
            return {};
        });
    }
    ErrorOr<void> type(std::u16string_view c, std::u16string_view text) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusNow(c));
            for (char16_t ch : text) {
                // Keys reach whatever has the focus; only a text box takes characters.
                QWidget* target = QApplication::focusWidget();
                if (!dynamic_cast<EditWidget*>(target)) continue;
                if (ch == u'\r')
                    sendKey(target, Qt::Key_Return, {}, QStringLiteral("\r"));
                else if (ch == u'\b')
                    sendKey(target, Qt::Key_Backspace, {}, QStringLiteral("\b"));
                else {
                    const QChar q(ch);
                    const bool upper = ch >= u'A' && ch <= u'Z';
                    int key = Qt::Key_unknown;
                    if (ch < 128)
                        key = QChar(ch).toUpper().unicode();
                    else if (q.isLetter())
                        key = q.toUpper().unicode();
                    sendKey(target, key, upper ? Qt::ShiftModifier : Qt::NoModifier, QString(q));
                }
                if (!host_) break;
            }
            return {};
        });
    }
    ErrorOr<void> key(std::u16string_view c, std::int16_t keyCode, std::int16_t shift) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusNow(c));
            QWidget* target = QApplication::focusWidget();
            if (!target) return {};
            const int k = qtKeyOf(keyCode);
            QString text;
            if (keyCode == 8) text = QStringLiteral("\b");
            if (keyCode == 13) text = QStringLiteral("\r");
            if (keyCode == 27) text = QString(QChar(27));
            if (keyCode == 9) text = QStringLiteral("\t");
            sendKey(target, k, modifiersOf(shift), text);
            return {};
        });
    }
    ErrorOr<void> paste(std::u16string_view c, std::u16string_view text) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusNow(c));
            auto* edit = dynamic_cast<EditWidget*>(QApplication::focusWidget());
            auto* box = edit ? dynamic_cast<QtTextBox*>(QtConstituent::of(edit)) : nullptr;
            if (!box) return Error::invalidProcedureCall();
            // As a paste from the box's menu: no key events.
            QtHostImpl::HandlerScope scope(host_->impl());
            TRY(box->paste(text));
            return {};
        });
    }
    ErrorOr<void> click(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            QWidget* w = TRY(widgetOf(c, p));
            auto* part = QtConstituent::of(w);
            if (!part || (std::string_view(part->kind()) != "TextBox" &&
                          std::string_view(part->kind()) != "CommandButton" &&
                          std::string_view(part->kind()) != "Label"))
                return Error::invalidProcedureCall();
            sendMouse(w, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, {});
            sendMouse(w, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, {});
            return {};
        });
    }
    ErrorOr<void> dblClick(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            QWidget* w = TRY(widgetOf(c, p));
            auto* part = QtConstituent::of(w);
            if (!part || (std::string_view(part->kind()) != "TextBox" &&
                          std::string_view(part->kind()) != "Label"))
                return Error::invalidProcedureCall();
            sendMouse(w, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, {});
            sendMouse(w, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, {});
            sendMouse(w, QEvent::MouseButtonDblClick, {0, 0}, Qt::LeftButton, {});
            sendMouse(w, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, {});
            return {};
        });
    }
    ErrorOr<void> mouse(std::u16string_view c, std::u16string_view p, int action,
                        std::int16_t button, std::int16_t shift, float x, float y) override {
        return run([&]() -> ErrorOr<void> {
            QWidget* w = TRY(widgetOf(c, p));
            TRY(checkPosition(x));
            TRY(checkPosition(y));
            // A pointer's position comes in fractions of a pixel.
            const double perTwip = QtHost::toPixels(1440) / 1440.0;
            const QPointF at(x * perTwip, y * perTwip);
            const auto type = action == Down ? QEvent::MouseButtonPress
                              : action == Up ? QEvent::MouseButtonRelease
                                             : QEvent::MouseMove;
            // A move's button is the state of the buttons held; a press or release names its
            // own button.
            sendMouse(w, type, at, action == Move ? Qt::NoButton : buttonOf(button),
                      modifiersOf(shift), buttonOf(button));
            return {};
        });
    }
    ErrorOr<void> scroll(std::u16string_view c, bool down, int count) override {
        return run([&]() -> ErrorOr<void> {
            if (count < 0 || count > 65536)
                return Error{errc::InvalidProcedureCall, u"A scroll count must be 0 to 65536"};
            auto* site = container(c);
            if (!site) return noSuch(u"control", c);
            QtVScrollBar* bar = nullptr;
            for (const auto& part : site->constituents())
                if (!bar) bar = dynamic_cast<QtVScrollBar*>(part.get());
            if (!bar) return Error::invalidProcedureCall();
            QWidget* w = bar->widget();
            // The arrows are at the ends of the bar.
            const QPointF at(w->width() / 2, down ? w->height() - 3 : 2);
            for (int i = 0; i < count && host_; ++i) {
                sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, {});
                sendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
            }
            return {};
        });
    }
    ErrorOr<void> tick(std::int64_t ms) override {
        return run([&]() -> ErrorOr<void> { return host_->advance(ms); });
    }
    void setClock(std::int64_t ms) override {
        if (host_) host_->setClock(ms);
    }

    // ---- observations ----------------------------------------------------------------------

    std::vector<std::u16string> notices(std::u16string_view c) const override {
        auto it = notices_.find(std::u16string(c));
        return it == notices_.end() ? std::vector<std::u16string>{} : it->second;
    }
    void clearNotices(std::u16string_view c) override { notices_.erase(std::u16string(c)); }
    const std::vector<PopupRequest>& popups() const override { return popups_; }
    std::string focusName() const override {
        auto* part = QtConstituent::of(QApplication::focusWidget());
        if (!host_ || !part) return "(none)";
        return toUtf8(part->owner().name) + "." + toUtf8(part->name());
    }

    std::optional<PartState> part(std::u16string_view c, std::u16string_view p) const override {
        auto* k = find(c, p);
        if (!k) return std::nullopt;
        PartState s = commonState(*k);
        s.kind = k->kind();
        if (auto* t = dynamic_cast<QtTextBox*>(k)) {
            s.text = t->Text().value();
            s.enabled = t->edit()->isEnabled();
            s.selStart = t->SelStart().value();
            s.selLength = t->SelLength().value();
            s.maxLength = t->maxLength();
            s.foreColor = t->foreColor();
            s.backColor = t->backColor();
        } else if (auto* b = dynamic_cast<QtCommandButton*>(k)) {
            s.text = fromQ(b->button()->text());
            s.enabled = b->button()->isEnabled();
            s.picture = b->picture();
        } else if (auto* v = dynamic_cast<QtVScrollBar*>(k)) {
            s.value = v->value();
        } else if (auto* l = dynamic_cast<QtLabel*>(k)) {
            s.text = l->caption();
            readLabelLook(*l, s);
        }
        return s;
    }
    FontRef ambientFont() const override { return host_ ? host_->ambientFont() : nullptr; }

    // The Qt host has no failure injection: its calls fail only for real reasons.
    bool failNext(std::string, int) override { return false; }
    bool failuresPending() const override { return false; }
    void clearFailures() override {}
    std::int32_t injectedFailureCode() const override { return 1000; }

    // ---- the host's hooks -------------------------------------------------------------------

    void eventRaised(QtContainer& c, DispId id, EventArgs args) override {
        lines_.push_back(
            eventLine(c.name(), c.control() ? &c.control()->controlClass() : nullptr, id, args));
    }
    void propertyChanged(QtContainer& c, std::u16string_view p) override {
        notices_[c.name()].emplace_back(p);
        lines_.push_back("changed " + toUtf8(c.name()) + " " + toUtf8(p));
    }
    void focusMoved(QtConstituent& part) override {
        lines_.push_back("focus " + toUtf8(part.owner().name) + "." + toUtf8(part.name()));
    }
    void messageBoxShown(QWidget& box, std::u16string_view prompt, std::int32_t style,
                         std::u16string_view title) override {
        lines_.push_back("msgbox " + std::to_string(style) + " " + headless::quote(title) + " " +
                         headless::quote(prompt));
        boxes_.push_back({std::u16string(prompt), style, std::u16string(title)});
        // The user's turn comes once the box is up and modal; then it is answered.
        auto* closer = new QTimer(&box);
        const MessageBoxShown shown = boxes_.back();
        QPointer<QWidget> target(&box);
        closer->setInterval(5);
        QObject::connect(closer, &QTimer::timeout, closer, [this, closer, target, shown] {
            if (!target || QApplication::activeModalWidget() != target.data()) return;
            closer->stop();
            ++depth_;
            if (whileShown_) whileShown_(shown);
            --depth_;
            if (auto* mb = qobject_cast<QMessageBox*>(target.data())) mb->accept();
        });
        closer->start();
    }
    void keysSent(std::u16string_view keys) override {
        lines_.push_back("sendkeys " + headless::quote(keys));
        sentKeys_.emplace_back(keys);
    }
    bool shellRequest(std::int32_t hwnd, std::string_view op, std::string_view file,
                      std::string_view params, std::string_view dir, std::int32_t show,
                      std::int32_t& result) override {
        shell_.push_back({hwnd, std::string(op), std::string(file), std::string(params),
                          std::string(dir), show});
        lines_.push_back("shell " + std::to_string(hwnd) + " " + headless::quoteBytes(op) + " " +
                         headless::quoteBytes(file) + " " + headless::quoteBytes(params) + " " +
                         headless::quoteBytes(dir) + " " + std::to_string(show));
        result = shellResult_;
        return true;
    }
    void popupMenu(QtContainer& c, const Value& menu, const Value& flags, const Value& x,
                   const Value& y, const Value& def) override {
        popups_.push_back({menu, flags, x, y, def});
        lines_.push_back("popup " + toUtf8(c.name()) + " " + headless::formatValue(menu) + " " +
                         headless::formatValue(flags) + " " + headless::formatValue(x) + " " +
                         headless::formatValue(y) + " " + headless::formatValue(def));
    }
    void windowShown(QtWindow& w, bool shown) override {
        lines_.push_back("window " + toUtf8(w.name()) + (shown ? " shown" : " hidden"));
    }
    void handlerFailed(const Error& e) override {
        if (!failure_) failure_ = e;
    }

private:
    QtContainer* container(std::u16string_view name) const {
        auto it = containers_.find(std::u16string(name));
        return it == containers_.end() ? nullptr : it->second.get();
    }
    QtContainer* site(std::u16string_view c) const override { return container(c); }
    QtWindow* windowNamed(std::u16string_view name) const override {
        return host_ ? host_->window(name) : nullptr;
    }
    // The named constituent's widget, or the control's first that takes the focus.
    ErrorOr<QWidget*> widgetOf(std::u16string_view c, std::u16string_view p) const {
        if (!p.empty()) {
            auto* part = find(c, p);
            if (!part || !part->widget()) return noSuch(u"constituent", p);
            return part->widget();
        }
        return focusable(c, {});
    }
    ErrorOr<QWidget*> focusable(std::u16string_view c, std::u16string_view p) const {
        if (!p.empty()) return widgetOf(c, p);
        auto* site = container(c);
        if (!site) {
            return noSuch(u"control", c);
        }
        QtConstituent* first = nullptr;
        for (const auto& part : site->constituents()) {
            QWidget* w = part->widget();
            if (!w || w->focusPolicy() == Qt::NoFocus || !w->isEnabled()) continue;
            if (!first || part->tabIndex() < first->tabIndex()) first = part.get();
        }
        if (!first)
            for (const auto& part : site->constituents())
                if (!first && part->widget()) first = part.get();
        if (!first) return noSuch(u"control", c);
        return first->widget();
    }
    ErrorOr<void> focusNow(std::u16string_view c) {
        QWidget* w = TRY(focusable(c, {}));
        if (!w->isEnabled()) return Error::invalidProcedureCall();
        if (QApplication::focusWidget() != w) {
            w->setFocus(Qt::OtherFocusReason);
            processQtEvents();
        }
        return {};
    }

    // A key as a keyboard makes it: the press to the widget with the focus, the handler's
    // queued work (sent keys, focus requests) before the release, and the release to whatever
    // has the focus by then.
    void sendKey(QWidget* target, int key, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(target, &press);
        processQtEvents();
        if (!host_) return;
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        if (QWidget* now = QApplication::focusWidget()) QApplication::sendEvent(now, &release);
        processQtEvents();
    }
    void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
                   Qt::KeyboardModifiers mods, Qt::MouseButton held = Qt::NoButton) {
        const QPointF local(at);
        const QPointF global(w->mapToGlobal(at));
        // A press gives the focus first, as the desktop does for a widget that takes it on
        // a click.
        if (type == QEvent::MouseButtonPress && w->isEnabled() &&
            (w->focusPolicy() & Qt::ClickFocus) && QApplication::focusWidget() != w) {
            w->setFocus(Qt::MouseFocusReason);
            processQtEvents();
            if (!host_) return;
        }
        Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                   : type == QEvent::MouseMove        ? Qt::MouseButtons(held)
                                                                      : Qt::MouseButtons(button);
        QMouseEvent e(type, local, local, global, button, buttons, mods);
        QApplication::sendEvent(w, &e);
        processQtEvents();
    }

    template <typename F> ErrorOr<void> run(F f) {
        if (!host_) return formClosedError();
        ++depth_;
        ErrorOr<void> r = f();
        if (host_) processQtEvents();
        --depth_;
        ErrorOr<void> after = afterInput();
        if (r.isError()) return r;
        return after;
    }
    // A handler's failure during the input, then a close asked for meanwhile.
    ErrorOr<void> afterInput() {
        std::optional<Error> failed = std::move(failure_);
        failure_.reset();
        closeIfAsked();
        if (failed) return *failed;
        return {};
    }
    void closeNow() override {
        // The containers first, in the reverse of their making, then the windows and the host.
        for (auto it = order_.rbegin(); it != order_.rend(); ++it)
            containers_.erase(*it);
        order_.clear();
        host_.reset();
        window_.reset();
        processQtEvents();
    }

    std::unique_ptr<QtHost> host_;
    std::unique_ptr<QWidget> window_;
    std::map<std::u16string, std::unique_ptr<QtContainer>> containers_;
    std::vector<std::u16string> order_;
    int nextTop_ = 0;
    std::optional<Error> failure_;
    std::map<std::u16string, std::vector<std::u16string>> notices_;
    std::vector<PopupRequest> popups_;
};

} // namespace

const HostKind QtHostKind{"Qt", [](const HostOptions& o) -> std::unique_ptr<HostDriver> {
                              return std::make_unique<QtDriver>(o);
                          }};

} // namespace tessivra::testing
