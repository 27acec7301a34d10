#include "hosts/headless/form.h"

#include "framework/dispatch.h"

#include <algorithm>
#include <tuple>

namespace tessivra::headless {

// ---- surfaces -------------------------------------------------------------------------------

Constituent* HeadlessSurface::find(std::u16string_view name) const {
    for (const auto& p : parts_)
        if (p->name() == name) return p.get();
    return nullptr;
}

FaultPlan& HeadlessSurface::faults() const {
    return form_.faults();
}
std::int64_t HeadlessSurface::now() const {
    return form_.runtime().clockMs;
}

// ---- the container of one control -----------------------------------------------------------

HeadlessContainer::HeadlessContainer(HeadlessForm& form, std::u16string name)
    : PlacingSurface(form, std::move(name)), hwnd_(form.nextWindowHandle()) {}

#define FAULT(member) TESSIVRA_FAULT(form_.faults(), name_, u"UserControl", member)

ErrorOr<Twips> HeadlessContainer::Width() {
    FAULT("Width");
    return width_;
}
ErrorOr<void> HeadlessContainer::setWidth(Twips w) {
    FAULT("Width=");
    TRY(checkSize(w));
    return resizeTo(w, height_);
}
ErrorOr<Twips> HeadlessContainer::Height() {
    FAULT("Height");
    return height_;
}
ErrorOr<void> HeadlessContainer::setHeight(Twips h) {
    FAULT("Height=");
    TRY(checkSize(h));
    return resizeTo(width_, h);
}

ErrorOr<void> HeadlessContainer::resizeTo(Twips w, Twips h) {
    if (w == width_ && h == height_) return {};
    width_ = w;
    height_ = h;
    if (!control_) return {};
    return control_->UserControl_Resize();
}

ErrorOr<void> HeadlessContainer::PropertyChanged(std::u16string_view property) {
    FAULT("PropertyChanged");
    notices.emplace_back(property);
    form_.journal().add("changed " + toUtf8(name_) + " " + toUtf8(property));
    return {};
}

// Every typed key raises several events. With no fault armed and no journal read, raising is
// only the hand-over to the form; the checks and the journal's line are a call of their own,
// so that the common case keeps nothing aside for them.
ErrorOr<void> HeadlessContainer::RaiseEvent(DispId id, EventArgs args) {
    if (form_.faults().armed() || form_.journal().enabled) [[unlikely]]
        return raiseWatched(id, args);
    if (sink) return sink->Invoke(id, args);
    return {};
}

ErrorOr<void> HeadlessContainer::raiseWatched(DispId id, EventArgs args) {
    FAULT("RaiseEvent");
    if (form_.journal().enabled) journalEvent(id, args);
    if (sink) return sink->Invoke(id, args);
    return {};
}

void HeadlessContainer::journalEvent(DispId id, EventArgs args) {
    form_.journal().add(eventLine(name_, control_ ? &control_->controlClass() : nullptr, id, args));
}

ErrorOr<FontRef> HeadlessContainer::AmbientFont() {
    FAULT("AmbientFont");
    return form_.ambientFont;
}
ErrorOr<PictureRef> HeadlessContainer::MaskPicture() {
    FAULT("MaskPicture");
    return maskPicture_;
}
ErrorOr<void> HeadlessContainer::setMaskPicture(PictureRef p) {
    FAULT("MaskPicture=");
    maskPicture_ = std::move(p);
    return {};
}
ErrorOr<std::int32_t> HeadlessContainer::hWnd() {
    FAULT("hWnd");
    return hwnd_;
}
ErrorOr<void> HeadlessContainer::PopupMenu(const Value& menu, const Value& flags, const Value& x,
                                           const Value& y, const Value& defaultMenu) {
    FAULT("PopupMenu");
    // Only a menu object can be shown.
    if (!menu.isObject()) return Error::typeMismatch();
    form_.popups.push_back({menu, flags, x, y, defaultMenu});
    form_.journal().add("popup " + toUtf8(name_) + " " + formatValue(menu) + " " +
                        formatValue(flags) + " " + formatValue(x) + " " + formatValue(y) + " " +
                        formatValue(defaultMenu));
    return {};
}

#undef FAULT

// ---- windows of the library -----------------------------------------------------------------

HeadlessWindow::HeadlessWindow(HeadlessForm& form, std::u16string name)
    : PlacingSurface(form, std::move(name)) {}

ErrorOr<void> HeadlessWindow::setCaption(std::u16string_view c) {
    TESSIVRA_FAULT(form_.faults(), name_, u"Form", "Caption=");
    caption = c;
    return {};
}
ErrorOr<void> HeadlessWindow::setIcon(PictureRef p) {
    TESSIVRA_FAULT(form_.faults(), name_, u"Form", "Icon=");
    icon = std::move(p);
    return {};
}
ErrorOr<void> HeadlessWindow::Show() {
    TESSIVRA_FAULT(form_.faults(), name_, u"Form", "Show");
    visible = true;
    form_.journal().add("window " + toUtf8(name_) + " shown");
    return {};
}
ErrorOr<void> HeadlessWindow::Hide() {
    TESSIVRA_FAULT(form_.faults(), name_, u"Form", "Hide");
    visible = false;
    form_.journal().add("window " + toUtf8(name_) + " hidden");
    return {};
}

HostObjects& HeadlessWindow::objects() {
    return form_.objects();
}

// ---- the form -------------------------------------------------------------------------------

HeadlessForm::HeadlessForm(RuntimeSettings settings)
    : runtime_(std::move(settings), faults_, journal_), recordingShell_(faults_, journal_),
      objects_(faults_) {}

HeadlessForm::~HeadlessForm() {
    // Every control hears that its container is going away while its site still answers; then
    // the controls and their constituents go, in either order: neither side points at the other
    // except through a handle or a sink reference that lets go.
    for (auto& s : sites_)
        if (s->control_) s->control_->containerClosing(*s);
    forgetFocus();
    for (auto& s : sites_)
        s->control_.reset();
}

ErrorOr<Control*> HeadlessForm::site(std::u16string_view name, std::shared_ptr<Control> control,
                                     Twips width, Twips height) {
    if (container(name))
        return Error{errc::InvalidProcedureCall,
                     u"A control named " + std::u16string(name) + u" is already on the form"};
    if (!control) return Error::objectRequired();
    TRY(checkSize(width));
    TRY(checkSize(height));
    auto site = std::make_unique<HeadlessContainer>(*this, std::u16string(name));
    site->width_ = width;
    site->height_ = height;
    TRY(control->setSite(Site{*site, runtime_, shellForControls(), objects_}));
    site->control_ = std::move(control);
    HeadlessContainer& placed = *site;
    named_.add(placed);
    sites_.push_back(std::move(site));
    TRY(placed.control_->UserControl_Initialize());
    return placed.control_.get();
}

void HeadlessForm::dropControl(std::u16string_view name) {
    if (auto* site = container(name)) site->control_.reset();
}

void HeadlessForm::destroyConstituents(std::u16string_view name) {
    auto* site = container(name);
    if (!site) return;
    forgetPartsOf(*site);
    site->destroyConstituents();
}

void HeadlessForm::close(std::u16string_view name) {
    auto* site = container(name);
    if (!site) return;
    if (site->control_) site->control_->containerClosing(*site);
    destroyConstituents(name);
}

ErrorOr<Control*> HeadlessForm::add(std::u16string_view name, const ControlFactory& factory,
                                    Twips designWidth, Twips designHeight) {
    if (container(name))
        return Error{errc::InvalidProcedureCall,
                     u"A control named " + std::u16string(name) + u" is already on the form"};
    auto site = std::make_unique<HeadlessContainer>(*this, std::u16string(name));
    site->width_ = designWidth;
    site->height_ = designHeight;
    auto control = factory(Site{*site, runtime_, shellForControls(), objects_});
    if (control.isError()) return control.releaseError();
    site->control_ = control.releaseValue();
    HeadlessContainer& placed = *site;
    named_.add(placed);
    sites_.push_back(std::move(site));
    TRY(placed.control_->UserControl_Initialize());
    return placed.control_.get();
}

HeadlessContainer* HeadlessForm::container(std::u16string_view name) const {
    return named_.find(name);
}

Control* HeadlessForm::control(std::u16string_view name) const {
    return named_.control(name);
}

ErrorOr<void> HeadlessForm::load(std::u16string_view name, PropertyBag& bag) {
    return named_.load(name, bag);
}

ErrorOr<void> HeadlessForm::save(std::u16string_view name, PropertyBag& bag) {
    return named_.save(name, bag);
}

ErrorOr<void> HeadlessForm::place(std::u16string_view name) {
    TRY(named_.place(name));
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::resize(std::u16string_view name, Twips w, Twips h) {
    auto* site = TRY(named_.toResize(name, w, h));
    TRY(site->resizeTo(w, h));
    return deliverSentKeys();
}

HeadlessWindow& HeadlessForm::openWindow(std::u16string_view name) {
    windows_.push_back(std::make_unique<HeadlessWindow>(*this, std::u16string(name)));
    return *windows_.back();
}

HeadlessWindow* HeadlessForm::window(std::u16string_view name) const {
    for (const auto& w : windows_)
        if (w->name() == name) return w.get();
    return nullptr;
}

// ---- focus ----------------------------------------------------------------------------------

std::vector<Constituent*> HeadlessForm::tabOrder(const Constituent* alsoHere) const {
    return tabOrderOf(sites_, alsoHere);
}

void HeadlessForm::focusChanged() {
    journal_.add("focus " + focusName());
}

// ---- input ----------------------------------------------------------------------------------

Constituent* HeadlessForm::constituent(std::u16string_view control,
                                       std::u16string_view part) const {
    auto* site = container(control);
    if (!site) {
        // A window of the library answers by its constituents' names only.
        auto* w = window(control);
        return w && !part.empty() ? w->find(part) : nullptr;
    }
    if (!part.empty()) return site->find(part);
    // Without a name, the control's first constituent that takes the focus, else its first.
    return firstPartOf(*site);
}

ErrorOr<void> HeadlessForm::focus(std::u16string_view control, std::u16string_view part) {
    auto* c = constituent(control, part);
    if (!c) return noSuchNamed(u"control", control);
    if (!c->takesFocus()) return Error::invalidProcedureCall();
    TRY(moveFocus(c));
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::type(std::u16string_view control, std::u16string_view text) {
    TRY(focus(control));
    for (char16_t ch : text) {
        auto* box = dynamic_cast<HeadlessTextBox*>(focused());
        if (!box) continue; // keys reach whatever has the focus; only a text box takes characters
        if (ch == u'\r')
            TRY(box->pressKey(13, 0));
        else if (ch == u'\b')
            TRY(box->pressKey(8, 0));
        else
            TRY(box->typeCharacter(ch));
    }
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::key(std::u16string_view control, std::int16_t keyCode,
                                std::int16_t shift) {
    TRY(focus(control));
    if (auto* box = dynamic_cast<HeadlessTextBox*>(focused()))
        TRY(box->pressKey(keyCode, shift));
    else if (keyCode == 9)
        TRY(focusNext());
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::paste(std::u16string_view control, std::u16string_view text) {
    TRY(focus(control));
    auto* box = dynamic_cast<HeadlessTextBox*>(focused());
    if (!box) return Error::invalidProcedureCall();
    TRY(box->paste(text));
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::click(std::u16string_view control, std::u16string_view part) {
    auto* c = constituent(control, part);
    if (!c) return noSuchNamed(u"control", control);
    if (auto* t = dynamic_cast<HeadlessTextBox*>(c))
        TRY(t->click(0, 0));
    else if (auto* b = dynamic_cast<HeadlessCommandButton*>(c))
        TRY(b->click());
    else if (auto* l = dynamic_cast<HeadlessLabel*>(c))
        TRY(l->click());
    else
        return Error::invalidProcedureCall();
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::dblClick(std::u16string_view control, std::u16string_view part) {
    auto* c = constituent(control, part);
    if (!c) return noSuchNamed(u"control", control);
    if (auto* t = dynamic_cast<HeadlessTextBox*>(c))
        TRY(t->dblClick(0, 0));
    else if (auto* l = dynamic_cast<HeadlessLabel*>(c))
        TRY(l->dblClick());
    else
        return Error::invalidProcedureCall();
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::mouse(std::u16string_view control, std::u16string_view part, int what,
                                  std::int16_t button, std::int16_t shift, float x, float y) {
    auto* c = constituent(control, part);
    if (!c) return noSuchNamed(u"constituent", part.empty() ? control : part);
    TRY(checkPosition(x));
    TRY(checkPosition(y));
    if (auto* t = dynamic_cast<HeadlessTextBox*>(c))
        TRY(t->mouse(what, button, shift, x, y));
    else if (auto* l = dynamic_cast<HeadlessLabel*>(c))
        TRY(l->mouse(what, button, shift, x, y));
    else if (auto* p = dynamic_cast<HeadlessPictureBox*>(c)) {
        if (what == 1) TRY(p->mouseMove(button, shift, x, y));
    }
    // Other constituents (an image, a scroll bar, a button) take the mouse for themselves.
    return deliverSentKeys();
}

ErrorOr<void> HeadlessForm::scroll(std::u16string_view control, bool down, int count) {
    if (count < 0 || count > kMaxRepeat)
        return Error{errc::InvalidProcedureCall,
                     u"A scroll count must be 0 to " + fromUtf8(std::to_string(kMaxRepeat))};
    auto* site = container(control);
    if (!site) return noSuchNamed(u"control", control);
    HeadlessVScrollBar* bar = nullptr;
    for (const auto& p : site->constituents())
        if (!bar) bar = dynamic_cast<HeadlessVScrollBar*>(p.get());
    if (!bar) return Error::invalidProcedureCall();
    // Clicking an arrow gives the bar the focus, as a desktop's does.
    if (focused() != bar) TRY(moveFocus(bar));
    for (int i = 0; i < count; ++i)
        TRY(bar->clickArrow(down));
    return deliverSentKeys();
}

void HeadlessForm::fileTimer(HeadlessTimer& t) {
    if (t.nextDue() != std::numeric_limits<std::int64_t>::max())
        timers_.emplace(std::pair{t.nextDue(), t.order()}, &t);
}
void HeadlessForm::unfileTimer(HeadlessTimer& t) {
    timers_.erase(std::pair{t.nextDue(), t.order()});
}

ErrorOr<void> HeadlessForm::tick(std::int64_t milliseconds) {
    const std::int64_t end = TRY(clockAdvancedTo(runtime_.clockMs, milliseconds));
    // Each timer due by the end fires once, at its last due moment, with the clock showing that
    // moment; timers fire in the order of those moments. A handler may make new timers, which
    // are looked for again afterwards.
    for (;;) {
        std::vector<std::tuple<std::int64_t, std::uint64_t, HeadlessTimer*>> due;
        for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= end; ++it)
            due.emplace_back(it->second->lastDueBy(end), it->first.second, it->second);
        if (due.empty()) break;
        std::sort(due.begin(), due.end());
        for (const auto& [moment, order, timer] : due) {
            runtime_.clockMs = moment;
            TRY(timer->fire(end));
            TRY(deliverSentKeys());
        }
    }
    runtime_.clockMs = end;
    return {};
}

ErrorOr<void> HeadlessForm::deliverSentKeys() {
    return deliverKeys<HeadlessTextBox>(
        runtime_.pendingKeys, [](HeadlessTextBox& box) { return box.pressKey(13, 0); },
        [](HeadlessTextBox& box, char16_t c) { return box.typeCharacter(c); });
}

} // namespace tessivra::headless
