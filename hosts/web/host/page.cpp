#include "framework/dispatch.h"
#include "hosts/web/host/lines.h"
#include "hosts/web/host/web_page.h"

#include <emscripten.h>
#include <emscripten/bind.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tessivra::web {

// ---- the route from the DOM to the parts ----------------------------------------------------

namespace {

// Every part on every page by the number its elements carry, so that one listener serves all.
std::unordered_map<int, DomPart*>& parts() {
    static std::unordered_map<int, DomPart*> all;
    return all;
}
int nextPartId = 1;

// The one listener every part's elements share: it hands the event to the part its element
// belongs to.
const val& sharedListener() {
    static const val listener = [] {
        EM_ASM({
            Module["tessivraListener"] = function(e) {
                Module["tessivraRoute"](this["tessivraPart"], e.type, e);
            };
        });
        return val::module_property("tessivraListener");
    }();
    return listener;
}

void routeDomEvent(int partId, const std::string& type, const val& event) {
    auto it = parts().find(partId);
    if (it == parts().end()) return; // the part went while the browser held its event
    it->second->owner().page().route(partId, type, event);
}

} // namespace

EMSCRIPTEN_BINDINGS(tessivra_web_host) {
    emscripten::function("tessivraRoute", &routeDomEvent);
}

val jsString(std::u16string_view s) {
    return val(std::u16string(s));
}

std::u16string fromJs(const val& v) {
    if (!v.isString()) return {};
    return v.as<std::u16string>();
}

std::string cssColour(Colour c) {
    if (c & SystemColourBit) {
        switch (c & 0xFF) {
        case 5:
            return "Canvas";
        case 8:
            return "CanvasText";
        case 0xF:
            return "ButtonFace";
        case 0x12:
            return "ButtonText";
        case 0xA:
            return "#b4b4b4";
        default:
            return "inherit";
        }
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

// ---- parts ----------------------------------------------------------------------------------

DomPart::DomPart(WebSurface& owner, std::u16string_view name, Bounds b, std::int16_t tabIndex,
                 val element)
    : owner_(owner), name_(name), bounds_(b), tabIndex_(tabIndex), element_(std::move(element)),
      id_(nextPartId++) {
    parts().emplace(id_, this);
    element_.set("tessivraPart", id_);
    element_["dataset"].set("part", jsString(name_));
    element_["style"].set("position", "absolute");
    element_["style"].set("boxSizing", "border-box");
    layout();
    owner_.element().call<void>("appendChild", element_);
}

DomPart::~DomPart() {
    parts().erase(id_);
    element_.call<void>("remove");
}

WebPage& DomPart::page() const {
    return owner_.page();
}

void DomPart::layout() {
    auto style = element_["style"];
    style.set("left", std::to_string(toPixels(bounds_.left)) + "px");
    style.set("top", std::to_string(toPixels(bounds_.top)) + "px");
    style.set("width", std::to_string(toPixels(bounds_.width)) + "px");
    style.set("height", std::to_string(toPixels(bounds_.height)) + "px");
}

void DomPart::listen(val target, const char* type) {
    target.set("tessivraPart", id_);
    target.call<void>("addEventListener", val(type), sharedListener());
}

ErrorOr<void> DomPart::onDomEvent(const std::string&, const val&) {
    return {};
}

ErrorOr<void> DomPart::setFocusHere() {
    if (!takesFocus()) return Error::cannotTakeFocus();
    return page().moveFocus(this);
}

// ---- surfaces -------------------------------------------------------------------------------

WebSurface::WebSurface(WebPage& page, std::u16string name, val element)
    : page_(page), name_(std::move(name)), element_(std::move(element)) {}

WebSurface::~WebSurface() {
    destroyConstituents();
}

DomPart* WebSurface::find(std::u16string_view name) const {
    for (const auto& p : parts_)
        if (p->name() == name) return p.get();
    return nullptr;
}

void WebSurface::destroyConstituents() {
    // Last made first, so that labels go before the picture box that holds them.
    while (!parts_.empty())
        parts_.pop_back();
}

WebContainer::WebContainer(WebPage& page, std::u16string name, val element)
    : PlacingSurface(page, std::move(name), std::move(element)), hwnd_(page.nextHwnd()),
      runtime_(std::make_unique<SiteRuntime>(*this, page.runtime())) {
    element_["style"].set("position", "relative");
    element_["style"].set("display", "inline-block");
}

ErrorOr<Twips> WebContainer::Width() {
    return width_;
}
ErrorOr<void> WebContainer::setWidth(Twips w) {
    TRY(checkSize(w));
    return resizeTo(w, height_);
}
ErrorOr<Twips> WebContainer::Height() {
    return height_;
}
ErrorOr<void> WebContainer::setHeight(Twips h) {
    TRY(checkSize(h));
    return resizeTo(width_, h);
}

ErrorOr<void> WebContainer::resizeTo(Twips w, Twips h) {
    if (w == width_ && h == height_) return {};
    width_ = w;
    height_ = h;
    element_["style"].set("width", std::to_string(toPixels(w)) + "px");
    element_["style"].set("height", std::to_string(toPixels(h)) + "px");
    if (!control_) return {};
    return control_->UserControl_Resize();
}

ErrorOr<void> WebContainer::PropertyChanged(std::u16string_view property) {
    notices.emplace_back(property);
    page_.note("changed " + toUtf8(name_) + " " + toUtf8(property));
    if (onPropertyChanged) onPropertyChanged(property);
    return {};
}

ErrorOr<void> WebContainer::RaiseEvent(DispId id, EventArgs args) {
    if (page_.onLine) [[unlikely]]
        page_.note(eventLine(name_, control_ ? &control_->controlClass() : nullptr, id, args));
    if (sink) return sink->Invoke(id, args);
    return {};
}

ErrorOr<FontRef> WebContainer::AmbientFont() {
    return page_.ambientFont;
}
ErrorOr<PictureRef> WebContainer::MaskPicture() {
    return maskPicture_;
}
ErrorOr<void> WebContainer::setMaskPicture(PictureRef p) {
    maskPicture_ = std::move(p);
    return {};
}
ErrorOr<std::int32_t> WebContainer::hWnd() {
    return hwnd_;
}
ErrorOr<void> WebContainer::PopupMenu(const Value& menu, const Value& flags, const Value& x,
                                      const Value& y, const Value& defaultMenu) {
    // A page has no pop-up menu of a container's own; the request is reported as asked.
    if (!menu.isObject()) return Error::typeMismatch();
    page_.popups.push_back({menu, flags, x, y, defaultMenu});
    page_.note("popup " + toUtf8(name_) + " " + formatValue(menu) + " " + formatValue(flags) + " " +
               formatValue(x) + " " + formatValue(y) + " " + formatValue(defaultMenu));
    return {};
}

WebWindow::WebWindow(WebPage& page, std::u16string name)
    : PlacingSurface(page, std::move(name),
                     val::global("document").call<val>("createElement", val("div"))),
      body_(val::global("document").call<val>("createElement", val("dialog"))) {
    body_.set("className", "tessivra-window");
    body_["dataset"].set("window", jsString(name_));
    element_["style"].set("position", "relative");
    body_.call<void>("appendChild", element_);
    page.root().call<void>("appendChild", body_);
}

ErrorOr<void> WebWindow::setCaption(std::u16string_view c) {
    caption = c;
    body_.set("title", jsString(c));
    return {};
}
ErrorOr<void> WebWindow::setIcon(PictureRef p) {
    icon = std::move(p);
    return {};
}
ErrorOr<void> WebWindow::Show() {
    visible = true;
    page_.note("window " + toUtf8(name_) + " shown");
    if (!body_["open"].as<bool>()) body_.call<void>("showModal");
    return {};
}
ErrorOr<void> WebWindow::Hide() {
    visible = false;
    page_.note("window " + toUtf8(name_) + " hidden");
    body_.call<void>("close");
    return {};
}
HostObjects& WebWindow::objects() {
    return page_.objects();
}

// ---- the page's services --------------------------------------------------------------------

ErrorOr<std::int32_t> WebRuntime::MsgBox(std::u16string_view prompt, std::int32_t style,
                                         std::u16string_view title) {
    page_.note("msgbox " + std::to_string(style) + " " + quote(title) + " " + quote(prompt));
    if (answerMessageBox) return answerMessageBox(prompt, style, title);
    // The browser's own modal box is the one way a handler can wait for the user without
    // unwinding its stack; it shows the title above the prompt.
    std::u16string text(title);
    text += u"\n\n";
    text += prompt;
    val::global("window").call<void>("alert", jsString(text));
    return msgbox::OK;
}

ErrorOr<void> WebRuntime::SendKeys(std::u16string_view keys, const Value&) {
    page_.note("sendkeys " + quote(keys));
    pendingKeys.emplace_back(keys);
    return {};
}

ErrorOr<TimeOfDay> WebRuntime::Time() {
    return TimeOfDay{static_cast<std::int32_t>((page_.nowMs() / 1000) % 86400)};
}

ErrorOr<std::int32_t> WebShell::ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                              std::string_view file, std::string_view parameters,
                                              std::string_view directory,
                                              std::int32_t showCommand) {
    page_.note("shell " + std::to_string(hwnd) + " " + quoteBytes(operation) + " " +
               quoteBytes(file) + " " + quoteBytes(parameters) + " " + quoteBytes(directory) + " " +
               std::to_string(showCommand));
    if (receive) return receive(hwnd, operation, file, parameters, directory, showCommand);
    // The address arrives in the code page; the browser takes it as text.
    std::u16string address;
    for (char c : file) {
        auto ch = page_.runtime().text().Chr(static_cast<unsigned char>(c));
        address += ch.isError() ? std::u16string(u"?") : ch.value();
    }
    // Only addresses of the web and of mail open: a script address would run in the page.
    std::u16string scheme;
    for (char16_t c : address) {
        if (c == u':') break;
        scheme += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    }
    constexpr std::int32_t kAccessDenied = 5, kOpened = 42;
    if (scheme != u"http" && scheme != u"https" && scheme != u"mailto" && scheme != u"ftp")
        return kAccessDenied;
    if (operation != "open" && !operation.empty()) return kAccessDenied;
    if (open) return open(toUtf8(address));
    // With noopener the browser answers null whether or not it opened the address.
    val::global("window").call<val>("open", jsString(address), val("_blank"), val("noopener"));
    return kOpened;
}

// ---- the page -------------------------------------------------------------------------------

WebPage::WebPage(val root, TextServices& text, PageSettings settings)
    : root_(std::move(root)), settings_(std::move(settings)),
      runtime_(*this, text, settings_.appPath), shell_(*this) {}

WebPage::~WebPage() {
    for (auto& s : sites_)
        if (s->control_) s->control_->containerClosing(*s);
    forgetFocus();
    for (auto& s : sites_)
        s->control_.reset();
    timers_.clear();
    for (auto& [timer, handle] : intervals_)
        val::global("window").call<void>("clearInterval", handle);
    intervals_.clear();
    for (auto& s : sites_)
        if (s->ownsElement) s->element().call<void>("remove");
}

ErrorOr<Control*> WebPage::add(std::u16string_view name, const ControlFactory& factory,
                               Twips designWidth, Twips designHeight, val element) {
    if (container(name))
        return Error{errc::InvalidProcedureCall,
                     u"A control named " + std::u16string(name) + u" is already on the form"};
    TRY(checkSize(designWidth));
    TRY(checkSize(designHeight));
    const bool made = element.isUndefined();
    if (made) {
        element = val::global("document").call<val>("createElement", val("div"));
        root_.call<void>("appendChild", element);
    }
    element.set("className", val("tessivra-control"));
    element["dataset"].set("control", jsString(name));
    auto site = std::make_unique<WebContainer>(*this, std::u16string(name), element);
    site->ownsElement = made;
    TRY(site->resizeTo(designWidth, designHeight));
    auto control = factory(Site{*site, site->runtime(), shell_, objects_});
    if (control.isError()) return control.releaseError();
    site->control_ = control.releaseValue();
    WebContainer& placed = *site;
    named_.add(placed);
    sites_.push_back(std::move(site));
    TRY(placed.control_->UserControl_Initialize());
    return placed.control_.get();
}

void WebPage::remove(std::u16string_view name) {
    auto* site = container(name);
    if (!site) return;
    if (site->control_) site->control_->containerClosing(*site);
    forgetPartsOf(*site);
    site->destroyConstituents();
    site->control_.reset();
    named_.remove(name);
    // An element the page made goes with the control; one it was given stays its owner's.
    if (site->ownsElement) site->element().call<void>("remove");
    std::erase_if(sites_, [&](const auto& s) { return s.get() == site; });
}

WebContainer* WebPage::container(std::u16string_view name) const {
    return named_.find(name);
}

Control* WebPage::control(std::u16string_view name) const {
    return named_.control(name);
}

ErrorOr<void> WebPage::load(std::u16string_view name, PropertyBag& bag) {
    return named_.load(name, bag);
}

ErrorOr<void> WebPage::save(std::u16string_view name, PropertyBag& bag) {
    return named_.save(name, bag);
}

ErrorOr<void> WebPage::place(std::u16string_view name) {
    TRY(named_.place(name));
    return deliverSentKeys();
}

ErrorOr<void> WebPage::resize(std::u16string_view name, Twips w, Twips h) {
    auto* site = TRY(named_.toResize(name, w, h));
    TRY(site->resizeTo(w, h));
    return deliverSentKeys();
}

WebWindow& WebPage::openWindow(std::u16string_view name) {
    windows_.push_back(std::make_unique<WebWindow>(*this, std::u16string(name)));
    return *windows_.back();
}

WebWindow* WebPage::window(std::u16string_view name) const {
    for (const auto& w : windows_)
        if (w->name() == name) return w.get();
    return nullptr;
}

DomPart* WebPage::constituent(std::u16string_view control, std::u16string_view part) const {
    auto* site = container(control);
    if (!site) {
        auto* w = window(control);
        return w && !part.empty() ? w->find(part) : nullptr;
    }
    if (!part.empty()) return site->find(part);
    return firstPartOf(*site);
}

// ---- focus ----------------------------------------------------------------------------------

std::vector<DomPart*> WebPage::tabOrder(const DomPart* alsoHere) const {
    return tabOrderOf(sites_, alsoHere);
}

void WebPage::focusChanged() {
    note("focus " + focusName());
    if (!focused()) return;
    // The browser's focus follows; its focus event is the page's own doing, not the user's.
    showingFocus_ = true;
    focused()->focusElement().call<void>("focus");
    showingFocus_ = false;
}

// ---- events from the DOM --------------------------------------------------------------------

void WebPage::route(int partId, const std::string& type, const val& event) {
    auto it = parts().find(partId);
    if (it == parts().end()) return;
    ++depth_;
    auto r = it->second->onDomEvent(type, event);
    --depth_;
    // The keys a handler sent are delivered once the outermost handler has returned.
    if (!r.isError() && depth_ == 0) r = deliverSentKeys();
    if (r.isError() && !inputError_) inputError_ = r.releaseError();
}

std::optional<Error> WebPage::takeInputError() {
    auto e = std::move(inputError_);
    inputError_.reset();
    return e;
}

ErrorOr<void> WebPage::deliverSentKeys() {
    return deliverKeys<WebTextBox>(
        runtime_.pendingKeys,
        [](WebTextBox& box) -> ErrorOr<void> {
            TRY(box.keyDown(13, 0, u"Enter"));
            return box.keyUp(13, 0);
        },
        [](WebTextBox& box, char16_t c) -> ErrorOr<void> {
            TRY(box.keyDown(0, 0, std::u16string_view(&c, 1)));
            return box.keyUp(0, 0);
        });
}

// ---- the clock and the timers ---------------------------------------------------------------

std::int64_t WebPage::nowMs() const {
    if (settings_.virtualClock) return clockMs;
    val now = val::global("Date").new_();
    const auto h = now.call<int>("getHours"), m = now.call<int>("getMinutes"),
               s = now.call<int>("getSeconds"), ms = now.call<int>("getMilliseconds");
    return ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

void WebPage::startTimer(WebTimer& t) {
    if (!t.running()) return;
    if (settings_.virtualClock) {
        timers_[&t] = Due{clockMs + t.interval(), timersStarted_++};
        return;
    }
    // The page's clock: the browser calls the shared listener with the timer's own number.
    val callback = val::global("Function")
                       .new_(val("listener"), val("part"),
                             val("return function() { listener.call({tessivraPart: part}, "
                                 "{type: 'timer'}); };"));
    val tick = callback(sharedListener(), t.element()["tessivraPart"]);
    intervals_[&t] = val::global("window").call<int>("setInterval", tick, t.interval());
}

void WebPage::stopTimer(WebTimer& t) {
    timers_.erase(&t);
    if (auto it = intervals_.find(&t); it != intervals_.end()) {
        val::global("window").call<void>("clearInterval", it->second);
        intervals_.erase(it);
    }
}

ErrorOr<void> WebPage::tick(std::int64_t milliseconds) {
    const std::int64_t end = TRY(clockAdvancedTo(clockMs, milliseconds));
    // Each timer due by the end fires once, at its last due moment, as a desktop coalesces the
    // ticks it could not deliver; timers fire in the order of those moments.
    for (;;) {
        std::vector<std::tuple<std::int64_t, std::uint64_t, WebTimer*>> due;
        for (auto& [timer, d] : timers_)
            if (d.at <= end) {
                const std::int64_t last =
                    d.at + (end - d.at) / timer->interval() * timer->interval();
                due.emplace_back(last, d.order, timer);
            }
        if (due.empty()) break;
        std::sort(due.begin(), due.end());
        for (const auto& [moment, order, timer] : due) {
            auto it = timers_.find(timer);
            if (it == timers_.end()) continue; // stopped by an earlier handler
            it->second.at = moment + timer->interval();
            clockMs = moment;
            TRY(timer->fire());
            TRY(deliverSentKeys());
        }
    }
    clockMs = end;
    return {};
}

} // namespace tessivra::web
