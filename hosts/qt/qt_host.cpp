// The host, the container of one control and the library's windows on Qt Widgets.

#include "controls/shipped_classes.h"
#include "framework/registry/class_table.h"
#include "hosts/qt/qt_parts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tessivra::qt {

// ---- twips and pixels -----------------------------------------------------------------------

namespace {
double logicalDpi() {
    if (auto* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInch();
    return 96.0;
}
} // namespace

int QtHost::toPixels(Twips t) {
    const double px = std::round(static_cast<double>(t) * logicalDpi() / 1440.0);
    // Qt's coordinates are ints; a size beyond them is clamped, never wrapped.
    return static_cast<int>(std::clamp(px, -1e9, 1e9));
}

Twips QtHost::toTwips(double pixels) {
    return static_cast<Twips>(pixels * 1440.0 / logicalDpi());
}

// ---- the host -------------------------------------------------------------------------------

namespace {
icuruntime::TextSettings textSettings(const HostSettings& s) {
    icuruntime::TextSettings t;
    t.locale = s.locale.empty() ? QLocale::system().bcp47Name().toStdString() : s.locale;
    if (t.locale.empty() || t.locale == "C") t.locale = "en-US";
    t.codePage = s.codePage.empty() ? ansiCodePageFor(t.locale) : s.codePage;
    return t;
}
HostSettings completed(HostSettings s) {
    auto t = textSettings(s);
    s.locale = t.locale;
    s.codePage = t.codePage;
    if (s.appPath.empty())
        s.appPath = fromQ(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    return s;
}
} // namespace

QtHostImpl::QtHostImpl(HostSettings s)
    : settings(completed(std::move(s))),
      runtime(*this, {.locale = settings.locale, .codePage = settings.codePage}) {
    const QFont app = QApplication::font();
    ambientFont = std::make_shared<Font>(
        fromQ(app.family()), static_cast<float>(app.pointSizeF() > 0 ? app.pointSizeF() : 8.25),
        static_cast<std::int16_t>(app.bold() ? 700 : 400));
}

QtHostImpl::~QtHostImpl() {
    doomed_.clear();
    windows.clear();
}

void QtHostImpl::destroyLater(std::unique_ptr<QtContainer> c) {
    if (!c) return;
    if (depth_ > 0) {
        // Hidden at once, so that the user sees it go; freed once no handler is on the stack.
        if (auto* w = c->widget()) w->hide();
        doomed_.push_back(std::move(c));
        return;
    }
    c.reset();
}

void QtHostImpl::focusLeaving(QtConstituent& from) {
    auto* next = QtConstituent::of(QApplication::focusWidget());
    if (!next || next == &from || next == announced_) return;
    announced_ = next;
    if (observer) observer->focusMoved(*next);
}

void QtHostImpl::focusArriving(QtConstituent& to) {
    const bool told = announced_ == &to;
    announced_ = nullptr;
    if (!told && observer) observer->focusMoved(to);
}

void QtHostImpl::destroyDoomed() {
    auto doomed = std::move(doomed_);
    doomed.clear();
}

QtHost::QtHost(HostSettings s) : impl_(std::make_unique<QtHostImpl>(std::move(s))) {}
QtHost::~QtHost() = default;

Runtime& QtHost::runtime() {
    return impl_->runtime;
}
Shell& QtHost::shell() {
    return impl_->shell;
}
HostObjects& QtHost::objects() {
    return impl_->objects;
}
const HostSettings& QtHost::settings() const {
    return impl_->settings;
}
void QtHost::setObserver(HostObserver* o) {
    impl_->observer = o;
}
FontRef QtHost::ambientFont() const {
    return impl_->ambientFont;
}
bool QtHost::inHandler() const {
    return impl_->inHandler();
}
void QtHost::destroyLater(std::unique_ptr<QtContainer> c) {
    impl_->destroyLater(std::move(c));
}

void QtHost::setClock(std::int64_t ms) {
    impl_->clockMs = ms;
}
std::int64_t QtHost::clock() const {
    return impl_->clockMs;
}

ErrorOr<void> QtHost::advance(std::int64_t milliseconds) {
    auto& h = *impl_;
    const std::int64_t end = TRY(clockAdvancedTo(h.clockMs, milliseconds));
    // Each timer due by the end fires once, at its last due moment; a handler may make new
    // timers, which are looked for again afterwards.
    for (;;) {
        std::vector<std::tuple<std::int64_t, std::uint64_t, QtTimerPart*>> due;
        for (auto* t : h.timers)
            if (t->running() && t->due <= end) due.emplace_back(t->lastDueBy(end), t->order, t);
        if (due.empty()) break;
        std::sort(due.begin(), due.end());
        for (const auto& [moment, order, timer] : due) {
            // A handler before it may have destroyed it.
            if (std::find(h.timers.begin(), h.timers.end(), timer) == h.timers.end()) continue;
            h.clockMs = moment;
            timer->due = moment + std::max<std::int64_t>(1, timer->Interval().value());
            TRY(timer->fire());
        }
    }
    h.clockMs = end;
    return {};
}

ErrorOr<std::unique_ptr<QtContainer>> QtHost::create(std::string_view cls, std::u16string_view name,
                                                     QWidget* parent) {
    const ControlClassInfo* info = findByProgId(shippedClasses(), cls);
    if (!info) info = findByProgId(shippedClasses(), "Tessivra." + std::string(cls));
    if (!info && cls.starts_with("{")) {
        if (auto id = Guid::tryParse(cls)) info = findByClsid(shippedClasses(), *id);
    }
    if (!info || !info->isAvailable())
        return Error{errc::ClassNotAvailable,
                     u"ActiveX component can't create object: " + fromUtf8(cls)};
    auto make = info->create;
    return create(
        [make](Site s) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(make(s)));
        },
        info->Class->designWidth, info->Class->designHeight, name, parent);
}

ErrorOr<std::unique_ptr<QtContainer>> QtHost::create(const ControlFactory& factory, Twips width,
                                                     Twips height, std::u16string_view name,
                                                     QWidget* parent, bool place) {
    TRY(checkSize(width));
    TRY(checkSize(height));
    auto state = std::make_unique<QtContainer::State>(*impl_, std::u16string(name), parent);
    state->width = width;
    state->height = height;
    state->surface->resize(toPixels(width), toPixels(height));
    auto container = std::make_unique<QtContainer>(std::move(state));
    auto& st = container->state();
    // Shown from the start on a shown parent, so that its constituents can take the focus
    // from the creation handler on.
    if (parent && parent->isVisible()) st.surface->show();
    {
        QtHostImpl::HandlerScope scope(*impl_);
        st.control = TRY(factory(Site{*container, impl_->runtime, impl_->shell, impl_->objects}));
        TRY(st.control->UserControl_Initialize());
    }
    if (place) TRY(container->place());
    return container;
}

QtWindow& QtHost::openWindow(std::u16string_view name) {
    impl_->windows.push_back(std::make_unique<QtWindow>(*impl_, std::u16string(name)));
    return *impl_->windows.back();
}

QtWindow* QtHost::window(std::u16string_view name) const {
    for (const auto& w : impl_->windows)
        if (w->name() == name) return w.get();
    return nullptr;
}

// ---- the container of one control -----------------------------------------------------------

QtContainer::State::State(QtHostImpl& h, std::u16string n, QWidget* parent)
    : host(h), surface(new QWidget(parent)), placer(h, std::move(n), surface),
      hwnd(h.nextHwnd += 4) {
    surface->setObjectName(toQ(placer.name));
    // A parent that deletes the surface takes the constituents' widgets with it; their
    // handles must then fail cleanly.
    QObject::connect(surface, &QObject::destroyed, surface, [this] { placer.destroyParts(); });
}

QtContainer::QtContainer(std::unique_ptr<State> s) : state_(std::move(s)) {}

QtContainer::~QtContainer() {
    auto& s = *state_;
    // The control hears that its container is going away while its site still answers; then
    // its constituents go, then the control, in an order neither side depends on.
    if (s.control) s.control->containerClosing(*this);
    s.placer.destroyParts();
    s.control.reset();
    delete s.surface.data();
}

QWidget* QtContainer::widget() const {
    return state_->surface;
}
Control* QtContainer::control() const {
    return state_->control.get();
}
std::shared_ptr<Control> QtContainer::controlRef() const {
    return state_->control;
}
const std::u16string& QtContainer::name() const {
    return state_->placer.name;
}
void QtContainer::setSink(EventSink* sink) {
    state_->sink = sink;
}
EventSink* QtContainer::sink() const {
    return state_->sink;
}
Twips QtContainer::width() const {
    return state_->width;
}
Twips QtContainer::height() const {
    return state_->height;
}
const std::vector<std::unique_ptr<QtConstituent>>& QtContainer::constituents() const {
    return state_->placer.parts;
}
QtConstituent* QtContainer::find(std::u16string_view n) const {
    return state_->placer.find(n);
}

ErrorOr<void> QtContainer::place() {
    QtHostImpl::HandlerScope scope(state_->host);
    if (!state_->control) return Error::objectRequired();
    return state_->control->UserControl_Resize();
}

namespace {
ErrorOr<void> resizeTo(QtContainer::State& s, Twips w, Twips h) {
    if (w == s.width && h == s.height) return {};
    s.width = w;
    s.height = h;
    if (s.surface) s.surface->resize(QtHost::toPixels(w), QtHost::toPixels(h));
    if (!s.control) return {};
    QtHostImpl::HandlerScope scope(s.host);
    return s.control->UserControl_Resize();
}
} // namespace

ErrorOr<void> QtContainer::resize(Twips w, Twips h) {
    TRY(checkSize(w));
    TRY(checkSize(h));
    return resizeTo(*state_, w, h);
}

ErrorOr<void> QtContainer::load(PropertyBag& bag) {
    QtHostImpl::HandlerScope scope(state_->host);
    if (!state_->control) return Error::objectRequired();
    return state_->control->UserControl_ReadProperties(bag);
}

ErrorOr<void> QtContainer::save(PropertyBag& bag) {
    QtHostImpl::HandlerScope scope(state_->host);
    if (!state_->control) return Error::objectRequired();
    return state_->control->UserControl_WriteProperties(bag);
}

ErrorOr<PartHandle<TextBox>> QtContainer::addTextBox(const TextBoxDesign& d, TextBoxEvents* e) {
    return state_->placer.addTextBox(d, e);
}
ErrorOr<PartHandle<CommandButton>> QtContainer::addCommandButton(const CommandButtonDesign& d,
                                                                 CommandButtonEvents* e) {
    return state_->placer.addCommandButton(d, e);
}
ErrorOr<PartHandle<VScrollBar>> QtContainer::addVScrollBar(const VScrollBarDesign& d,
                                                           VScrollBarEvents* e) {
    return state_->placer.addVScrollBar(d, e);
}
ErrorOr<PartHandle<Label>> QtContainer::addLabel(const LabelDesign& d, LabelEvents* e) {
    return state_->placer.addLabel(d, e);
}
ErrorOr<PartHandle<Timer>> QtContainer::addTimer(const TimerDesign& d, TimerEvents* e) {
    return state_->placer.addTimer(d, e);
}
ErrorOr<PartHandle<PictureBox>> QtContainer::addPictureBox(const PictureBoxDesign& d,
                                                           PictureBoxEvents* e) {
    return state_->placer.addPictureBox(d, e);
}
ErrorOr<PartHandle<Image>> QtContainer::addImage(const ImageDesign& d) {
    return state_->placer.addImage(d);
}

ErrorOr<Twips> QtContainer::Width() {
    return state_->width;
}
ErrorOr<void> QtContainer::setWidth(Twips w) {
    TRY(checkSize(w));
    return resizeTo(*state_, w, state_->height);
}
ErrorOr<Twips> QtContainer::Height() {
    return state_->height;
}
ErrorOr<void> QtContainer::setHeight(Twips h) {
    TRY(checkSize(h));
    return resizeTo(*state_, state_->width, h);
}
ErrorOr<void> QtContainer::PropertyChanged(std::u16string_view property) {
    if (auto* o = state_->host.observer) o->propertyChanged(*this, property);
    return {};
}

// The keystroke path raises several events a key: with no observer it is the hand-over alone.
ErrorOr<void> QtContainer::RaiseEvent(DispId id, EventArgs args) {
    auto& s = *state_;
    if (s.host.observer) [[unlikely]] {
        s.host.observer->eventRaised(*this, id, args);
        ErrorOr<void> r = s.sink ? s.sink->Invoke(id, args) : ErrorOr<void>();
        s.host.observer->eventHandled(*this, id, args);
        return r;
    }
    if (s.sink) return s.sink->Invoke(id, args);
    return {};
}

ErrorOr<FontRef> QtContainer::AmbientFont() {
    return state_->host.ambientFont;
}
ErrorOr<PictureRef> QtContainer::MaskPicture() {
    return state_->maskPicture;
}
ErrorOr<void> QtContainer::setMaskPicture(PictureRef p) {
    state_->maskPicture = std::move(p);
    return {};
}
ErrorOr<std::int32_t> QtContainer::hWnd() {
    // There is no window handle on this desktop: the container's number, unique on the host.
    return state_->hwnd;
}
ErrorOr<void> QtContainer::PopupMenu(const Value& menu, const Value& flags, const Value& x,
                                     const Value& y, const Value& defaultMenu) {
    // Only a menu object can be shown; the form that made it shows it when it hears of it.
    if (!menu.isObject()) return Error::typeMismatch();
    if (auto* o = state_->host.observer) o->popupMenu(*this, menu, flags, x, y, defaultMenu);
    return {};
}

// ---- windows of the library -----------------------------------------------------------------

QtWindow::QtWindow(QtHostImpl& host, std::u16string name)
    : host_(host), name_(std::move(name)), widget_(std::make_unique<QWidget>()) {
    widget_->setObjectName(toQ(name_));
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    parts_ = std::make_unique<Parts>(host_, name_, widget_.get());
}

QtWindow::~QtWindow() {
    parts_->placer.destroyParts();
}

QWidget* QtWindow::widget() const {
    return widget_.get();
}
std::u16string QtWindow::caption() const {
    return fromQ(widget_->windowTitle());
}
bool QtWindow::visible() const {
    return widget_->isVisible();
}
QtConstituent* QtWindow::find(std::u16string_view n) const {
    return parts_->placer.find(n);
}
const std::vector<std::unique_ptr<QtConstituent>>& QtWindow::constituents() const {
    return parts_->placer.parts;
}

ErrorOr<PartHandle<TextBox>> QtWindow::addTextBox(const TextBoxDesign& d, TextBoxEvents* e) {
    return parts_->placer.addTextBox(d, e);
}
ErrorOr<PartHandle<CommandButton>> QtWindow::addCommandButton(const CommandButtonDesign& d,
                                                              CommandButtonEvents* e) {
    return parts_->placer.addCommandButton(d, e);
}
ErrorOr<PartHandle<VScrollBar>> QtWindow::addVScrollBar(const VScrollBarDesign& d,
                                                        VScrollBarEvents* e) {
    return parts_->placer.addVScrollBar(d, e);
}
ErrorOr<PartHandle<Label>> QtWindow::addLabel(const LabelDesign& d, LabelEvents* e) {
    return parts_->placer.addLabel(d, e);
}
ErrorOr<PartHandle<Timer>> QtWindow::addTimer(const TimerDesign& d, TimerEvents* e) {
    return parts_->placer.addTimer(d, e);
}
ErrorOr<PartHandle<PictureBox>> QtWindow::addPictureBox(const PictureBoxDesign& d,
                                                        PictureBoxEvents* e) {
    return parts_->placer.addPictureBox(d, e);
}
ErrorOr<PartHandle<Image>> QtWindow::addImage(const ImageDesign& d) {
    return parts_->placer.addImage(d);
}

ErrorOr<void> QtWindow::setCaption(std::u16string_view c) {
    widget_->setWindowTitle(toQ(c));
    return {};
}
ErrorOr<void> QtWindow::setIcon(PictureRef p) {
    // A picture the host did not make has nothing to draw; it is kept all the same.
    auto* picture = dynamic_cast<QtPicture*>(p.get());
    widget_->setWindowIcon(picture ? QIcon(picture->pixmap) : QIcon());
    icon_ = std::move(p);
    return {};
}
ErrorOr<void> QtWindow::Show() {
    // The window is as large as what stands on it.
    QRect all;
    for (auto* child : widget_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        all |= child->geometry();
    if (!all.isEmpty()) widget_->setFixedSize(all.right() + 1, all.bottom() + 1);
    widget_->show();
    if (host_.observer) host_.observer->windowShown(*this, true);
    return {};
}
ErrorOr<void> QtWindow::Hide() {
    widget_->hide();
    if (host_.observer) host_.observer->windowShown(*this, false);
    return {};
}
HostObjects& QtWindow::objects() {
    return host_.objects;
}

// ---- placing constituents -------------------------------------------------------------------

Placer::~Placer() {
    destroyParts();
}

void Placer::destroyParts() {
    // Last made first: a label inside a picture box goes before the box.
    while (!parts.empty())
        parts.pop_back();
}

QtConstituent* Placer::find(std::u16string_view part) const {
    for (const auto& p : parts)
        if (p->name() == part) return p.get();
    return nullptr;
}

ErrorOr<QWidget*> Placer::parentFor(std::u16string_view parentName) const {
    if (!widget) return Error{errc::ObjectDisconnected, u"The surface has gone"};
    if (parentName.empty()) return widget.data();
    auto* p = dynamic_cast<QtPictureBox*>(find(parentName));
    if (!p || !p->widget())
        return Error{errc::InvalidPropertyValue,
                     u"No picture box named " + std::u16string(parentName)};
    return p->widget();
}

void Placer::orderTabs() {
    std::vector<QtConstituent*> order;
    for (const auto& p : parts)
        if (p->widget() && p->widget()->focusPolicy() != Qt::NoFocus) order.push_back(p.get());
    sortByTabIndex(order);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
}

ErrorOr<PartHandle<TextBox>> Placer::addTextBox(const TextBoxDesign& d, TextBoxEvents* e) {
    auto* parent = TRY(parentFor({}));
    auto part = std::make_unique<QtTextBox>(*this, d, e, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    orderTabs();
    return handle;
}
ErrorOr<PartHandle<CommandButton>> Placer::addCommandButton(const CommandButtonDesign& d,
                                                            CommandButtonEvents* e) {
    auto* parent = TRY(parentFor({}));
    auto part = std::make_unique<QtCommandButton>(*this, d, e, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    orderTabs();
    return handle;
}
ErrorOr<PartHandle<VScrollBar>> Placer::addVScrollBar(const VScrollBarDesign& d,
                                                      VScrollBarEvents* e) {
    auto* parent = TRY(parentFor({}));
    auto part = std::make_unique<QtVScrollBar>(*this, d, e, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    orderTabs();
    return handle;
}
ErrorOr<PartHandle<Label>> Placer::addLabel(const LabelDesign& d, LabelEvents* e) {
    TRY(checkFont(d.font));
    auto* parent = TRY(parentFor(d.parent));
    auto part = std::make_unique<QtLabel>(*this, d, e, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    return handle;
}
ErrorOr<PartHandle<Timer>> Placer::addTimer(const TimerDesign& d, TimerEvents* e) {
    if (d.interval < 0) return Error::invalidPropertyValue();
    auto part = std::make_unique<QtTimerPart>(*this, d, e);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    return handle;
}
ErrorOr<PartHandle<PictureBox>> Placer::addPictureBox(const PictureBoxDesign& d,
                                                      PictureBoxEvents* e) {
    auto* parent = TRY(parentFor({}));
    auto part = std::make_unique<QtPictureBox>(*this, d, e, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    return handle;
}
ErrorOr<PartHandle<Image>> Placer::addImage(const ImageDesign& d) {
    auto* parent = TRY(parentFor(d.parent));
    auto part = std::make_unique<QtImage>(*this, d, parent);
    auto handle = part->handle();
    parts.push_back(std::move(part));
    return handle;
}

} // namespace tessivra::qt
