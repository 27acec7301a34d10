// The Win32 host's test driver: the suites' form is a shown top-level window holding each
// control's surface window, their input the messages a user's keyboard and mouse make
// (WM_KEYDOWN, WM_CHAR, WM_KEYUP, button messages, SetFocus, the scroll bar's arrows), sent to
// the constituents' own windows and followed by a pump of the thread's queue. Message boxes are
// real ones, answered by the test once they are up. The clock is the test's: the pump drops the
// surfaces' real-time WM_TIMER messages and the driver sends them at the virtual moments.

// Only a Windows build has windows to drive; elsewhere this file is empty.
#ifdef _WIN32

#include "tests/driver/win32_driver.h"

#include "framework/dispatch.h"
#include "framework/host/value_text.h"
#include "hosts/win32/container/import_patch.h"
#include "hosts/win32/runtime/text_services.h"
#include "hosts/win32/server/com_values.h"
#include "hosts/win32/server/stream_format.h"
#include "hosts/win32/server/win32_host.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>

namespace tessivra::testing {

using namespace tessivra::win32;

namespace {

constexpr wchar_t kFormClass[] = L"TessivraTestForm";
constexpr std::int64_t kMaxRepeat = 65536;

HMODULE thisModule() {
    return GetModuleHandleW(nullptr);
}

class Win32Driver;
// The drivers alive, the latest last. Input, a message box and the shell's stand-in report to
// the driver whose input is running (else the latest); a focus move to the driver whose form
// holds the window (else the one whose form held the focus last).
std::vector<Win32Driver*> g_drivers;
Win32Driver* g_driver = nullptr;
Win32Driver* g_focusOwner = nullptr;
Win32Driver* g_boxOwner = nullptr;

InputObserver& router();

// Makes a driver the current one while its input runs.
class Current {
public:
    Current(Win32Driver*& slot, Win32Driver* d) : slot_(slot), saved_(slot) { slot_ = d; }
    ~Current() { slot_ = saved_; }
    Current(const Current&) = delete;
    Current& operator=(const Current&) = delete;

private:
    Win32Driver*& slot_;
    Win32Driver* saved_;
};

HINSTANCE WINAPI recordShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// Points this program's import of ShellExecuteA at the recorder, so that the host's own call is
// what the test sees, and nothing is opened.
void patchShellExecute() {
    testhost::patchImport(thisModule(), "SHELL32.dll", "ShellExecuteA",
                          reinterpret_cast<void*>(&recordShellExecuteA));
}

// The form's window keeps its focus while another window is active (a message box) and gives it
// back when it is active again, as a dialog does; the desktop's default would leave the focus on
// the form itself.
LRESULT CALLBACK formProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    static HWND saved = nullptr;
    if (msg == WM_ACTIVATE) {
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND f = GetFocus();
            saved = f && IsChild(h, f) ? f : nullptr;
        } else if (saved && IsWindow(saved) && IsChild(h, saved) && IsWindowEnabled(saved)) {
            ::SetFocus(saved);
            return 0;
        }
    }
    if (msg == WM_SETFOCUS && saved && IsWindow(saved) && IsChild(h, saved) &&
        IsWindowEnabled(saved)) {
        ::SetFocus(saved);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void startDesktop() {
    static const bool started = [] {
        if (FAILED(OleInitialize(nullptr))) throw std::runtime_error("OleInitialize failed");
        Win32Container::registerClasses(thisModule());
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &formProc;
        wc.hInstance = thisModule();
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        RegisterClassExW(&wc);
        patchShellExecute();
        return true;
    }();
    (void)started;
}

// A property bag as a container keeps it; reloaded through the server's stream layout.
class Win32DriverBag final : public DriverBag {
public:
    Win32DriverBag() = default;
    explicit Win32DriverBag(std::vector<std::pair<std::u16string, Value>> e)
        : entries_(std::move(e)) {}
    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& def) override {
        if (const Value* v = find(key)) return *v;
        return def;
    }
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                const Value&) override {
        if (value.type() == ValueType::Object)
            return Error{330, u"Illegal parameter. Can't write object because it does not support "
                              u"persistence"};
        put(key, value);
        return {};
    }
    void put(std::u16string_view key, Value value) override {
        for (auto& [k, v] : entries_)
            if (k == key) {
                v = std::move(value);
                return;
            }
        entries_.emplace_back(std::u16string(key), std::move(value));
    }
    const Value* find(std::u16string_view key) const override {
        for (const auto& [k, v] : entries_)
            if (k == key) return &v;
        return nullptr;
    }
    std::vector<std::u16string> keys() const override {
        std::vector<std::u16string> out;
        for (const auto& [k, v] : entries_)
            out.push_back(k);
        return out;
    }
    ErrorOr<std::unique_ptr<DriverBag>> reloaded() const override {
        const std::vector<std::uint8_t> bytes = encodeStream(entries_);
        auto copy = TRY(decodeStream(bytes));
        return std::unique_ptr<DriverBag>(std::make_unique<Win32DriverBag>(std::move(copy)));
    }

private:
    std::vector<std::pair<std::u16string, Value>> entries_;
};

Error noSuch(std::u16string_view what, std::u16string_view name) {
    return {errc::InvalidProcedureCall,
            u"No " + std::u16string(what) + u" named " + std::u16string(name)};
}

// A pointer position must be a pixel a window message can carry.
ErrorOr<int> pixelsOf(float twips) {
    if (!(twips >= -32768.0f * 15 && twips <= 32767.0f * 15)) return Error::invalidPropertyValue();
    return toPixels(static_cast<Twips>(twips));
}

LPARAM pointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

// The keyboard's modifier keys as GetKeyState reports them to the host.
void holdModifiers(std::int16_t shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    constexpr BYTE down = 0x80, up = 0;
    keys[VK_SHIFT] = (shift & 1) ? down : up;
    keys[VK_CONTROL] = (shift & 2) ? down : up;
    keys[VK_MENU] = (shift & 4) ? down : up;
    SetKeyboardState(keys);
}

// The mouse buttons as the flags of a mouse message.
WPARAM mouseFlags(std::int16_t buttons, std::int16_t shift) {
    WPARAM f = 0;
    if (buttons & 1) f |= MK_LBUTTON;
    if (buttons & 2) f |= MK_RBUTTON;
    if (buttons & 4) f |= MK_MBUTTON;
    if (shift & 1) f |= MK_SHIFT;
    if (shift & 2) f |= MK_CONTROL;
    return f;
}

// The runtime a control sees: the host's own, with what a form observes of it noted on the way,
// and the test's clock and application folder.
class ObservedRuntime final : public TextRuntime<Win32Runtime&> {
public:
    ObservedRuntime(Win32Driver& d, Win32Runtime& inner) : TextRuntime(inner), d_(d) {}
    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override;
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override;
    ErrorOr<TimeOfDay> Time() override;
    ErrorOr<std::u16string> AppPath() override;

private:
    Win32Driver& d_;
};

// One control on the form: its surface window, its runtime and the form's handler.
class Placed final : public SurfaceOwner {
public:
    Placed(Win32Driver& d, std::u16string name, TextServices& text);
    ~Placed() override {
        control.reset();
        container.reset();
    }
    ErrorOr<void> propertyChanged(std::u16string_view p) override;
    ErrorOr<void> raiseEvent(DispId id, EventArgs args) override;
    ErrorOr<FontRef> ambientFont() override;
    ErrorOr<void> resized() override {
        return control ? control->UserControl_Resize() : ErrorOr<void>();
    }
    void activatedByUser() override {}
    ErrorOr<void> popupMenu(const Value& menu, const Value& flags, const Value& x, const Value& y,
                            const Value& defaultMenu) override;

    Win32Driver& driver;
    std::u16string name;
    std::unique_ptr<Win32Container> container;
    Win32Runtime hostRuntime;
    ObservedRuntime runtime;
    Win32Shell shell;
    Win32Objects objects;
    std::shared_ptr<Control> control;
    EventSink* sink = nullptr;
    std::vector<std::u16string> notices;
};

class Win32Driver final : public RecordingDriver {
public:
    explicit Win32Driver(const HostOptions& o) : options_(o) {
        startDesktop();
        auto cp = win32runtime::codePageNumber(o.codePage);
        if (!cp) throw std::runtime_error("no code page " + o.codePage);
        text_ = std::make_unique<win32runtime::Win32TextServices>(
            win32runtime::TextSettings{fromUtf8(o.locale), *cp});
        form_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, L"Form1",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 700, nullptr,
                                nullptr, thisModule(), nullptr);
        ShowWindow(form_, SW_SHOW);
        SetForegroundWindow(form_);
        SetActiveWindow(form_);
        ambient_ = newFont({u"MS Sans Serif", 8.25f}).value();
        g_drivers.push_back(this);
        g_driver = this;
        setInputObserver(&router());
        pump();
    }
    ~Win32Driver() override {
        closeNow();
        std::erase(g_drivers, this);
        Win32Driver* latest = g_drivers.empty() ? nullptr : g_drivers.back();
        if (g_driver == this) g_driver = latest;
        if (g_focusOwner == this) g_focusOwner = nullptr;
        if (g_drivers.empty()) setInputObserver(nullptr);
    }

    std::string hostName() const override { return "win32"; }

    // ---- the form --------------------------------------------------------------------------

    ErrorOr<Control*> add(std::u16string_view name, const ControlMaker& m) override {
        if (!open()) return formClosedError();
        if (placed(name))
            return Error{errc::InvalidProcedureCall,
                         u"A control named " + std::u16string(name) + u" is already on the form"};
        auto p = std::make_unique<Placed>(*this, std::u16string(name), *text_);
        p->container->setCodePage(text_->settings().codePage);
        p->container->reparent(form_);
        RECT r{0, nextTop_, toPixels(m.designWidth), nextTop_ + toPixels(m.designHeight)};
        // The form's tab order is the order its controls were added in: each new one goes
        // last among the form's windows.
        SetWindowPos(p->container->window(), HWND_BOTTOM, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, SWP_NOACTIVATE);
        nextTop_ = r.bottom + 8;
        Placed& site = *p;
        placed_.push_back(std::move(p));
        Current current(g_driver, this);
        // The design size is the surface's before the control is made (no control hears this);
        // its first resize comes with its placement.
        (void)site.container->setWidth(m.designWidth);
        (void)site.container->setHeight(m.designHeight);
        ++depth_;
        auto made = m.create(Site{*site.container, site.runtime, site.shell, site.objects});
        if (made.isError()) {
            --depth_;
            placed_.pop_back();
            return made.releaseError();
        }
        site.control = made.releaseValue();
        auto init = site.control->UserControl_Initialize();
        --depth_;
        fileTimers();
        if (init.isError()) return init.releaseError();
        TRY(afterInput());
        return site.control.get();
    }
    Control* control(std::u16string_view name) const override {
        auto* p = placed(name);
        return p ? p->control.get() : nullptr;
    }
    ErrorOr<void> place(std::u16string_view name) override {
        return run([&]() -> ErrorOr<void> {
            auto* p = placed(name);
            if (!p) return noSuch(u"control", name);
            return p->control->UserControl_Resize();
        });
    }
    ErrorOr<void> resize(std::u16string_view name, Twips w, Twips h) override {
        return run([&]() -> ErrorOr<void> {
            auto* p = placed(name);
            if (!p) return noSuch(u"control", name);
            if (w < 0 || h < 0 || w > 32767 * 15 || h > 32767 * 15)
                return Error::invalidPropertyValue();
            // The form resizes the surface's window; the host runs the resize handler.
            TRY(p->container->setWidth(w));
            return p->container->setHeight(h);
        });
    }
    ErrorOr<void> load(std::u16string_view name, PropertyBag& bag) override {
        return run([&]() -> ErrorOr<void> {
            auto* p = placed(name);
            if (!p) return noSuch(u"control", name);
            return p->control->UserControl_ReadProperties(bag);
        });
    }
    ErrorOr<void> save(std::u16string_view name, PropertyBag& bag) override {
        return run([&]() -> ErrorOr<void> {
            auto* p = placed(name);
            if (!p) return noSuch(u"control", name);
            return p->control->UserControl_WriteProperties(bag);
        });
    }
    std::unique_ptr<DriverBag> newBag() override { return std::make_unique<Win32DriverBag>(); }
    void setHandler(std::u16string_view name, EventSink* handler) override {
        auto* p = placed(name);
        if (!p) return;
        p->sink = recordingSink(name, handler);
    }
    ErrorOr<Form*> openWindow(std::u16string_view name) override {
        if (!open()) return formClosedError();
        auto w = std::make_unique<Win32Form>(thisModule(), std::u16string(name));
        w->surface().setCodePage(text_->settings().codePage);
        w->onShown = [this, n = toUtf8(name)](bool shown) {
            noteLine("window " + n + (shown ? " shown" : " hidden"));
        };
        windows_.push_back(std::move(w));
        return static_cast<Form*>(windows_.back().get());
    }
    std::optional<WindowState> window(std::u16string_view name) const override {
        auto* w = formWindow(name);
        if (!w) return std::nullopt;
        return WindowState{w->caption(), w->icon(), w->visible()};
    }
    bool formClosed() const override { return !open(); }

    // ---- input -----------------------------------------------------------------------------

    ErrorOr<void> focus(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            HWND w = TRY(focusable(c, p));
            return focusWindow(w);
        });
    }
    ErrorOr<void> type(std::u16string_view c, std::u16string_view text) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusWindow(TRY(focusable(c, {}))));
            for (char16_t ch : text) {
                if (!open()) break;
                // Keys reach whatever has the focus; only a text box takes characters.
                HWND target = GetFocus();
                if (!isTextBox(target)) continue;
                if (ch == u'\r') {
                    pressKey(target, VK_RETURN, 0, u'\r');
                } else if (ch == u'\b') {
                    pressKey(target, VK_BACK, 0, u'\b');
                } else {
                    const std::int16_t shift = (ch >= u'A' && ch <= u'Z') ? 1 : 0;
                    std::int16_t vk = 0;
                    if (ch >= u'a' && ch <= u'z') vk = static_cast<std::int16_t>(ch - 32);
                    if (ch >= u'A' && ch <= u'Z') vk = static_cast<std::int16_t>(ch);
                    if (vk == 0) {
                        const SHORT scan = VkKeyScanW(static_cast<wchar_t>(ch));
                        vk = scan == -1 ? 0 : static_cast<std::int16_t>(scan & 0xFF);
                    }
                    pressKey(target, static_cast<WORD>(vk), shift, ch);
                }
            }
            return {};
        });
    }
    ErrorOr<void> key(std::u16string_view c, std::int16_t keyCode, std::int16_t shift) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusWindow(TRY(focusable(c, {}))));
            HWND target = GetFocus();
            if (!target) return {};
            if (!isTextBox(target)) {
                // Tab moves the focus on from a window that takes no keys of its own.
                if (keyCode == VK_TAB) {
                    HWND next = GetNextDlgTabItem(form_, target, (shift & 1) != 0);
                    if (next) ::SetFocus(next);
                }
                return {};
            }
            char16_t ch = 0;
            if (keyCode == VK_BACK || keyCode == VK_TAB || keyCode == VK_RETURN ||
                keyCode == VK_ESCAPE)
                ch = static_cast<char16_t>(keyCode);
            pressKey(target, static_cast<WORD>(keyCode), shift, ch);
            return {};
        });
    }
    ErrorOr<void> paste(std::u16string_view c, std::u16string_view text) override {
        return run([&]() -> ErrorOr<void> {
            TRY(focusWindow(TRY(focusable(c, {}))));
            HWND target = GetFocus();
            if (!isTextBox(target)) return Error::invalidProcedureCall();
            // As a paste from the box's menu: the text on the clipboard, then WM_PASTE.
            if (!OpenClipboard(form_)) return Error{errc::InvalidProcedureCall, u"No clipboard"};
            EmptyClipboard();
            const std::wstring w = toWide(text);
            HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t));
            if (mem) {
                std::memcpy(GlobalLock(mem), w.c_str(), (w.size() + 1) * sizeof(wchar_t));
                GlobalUnlock(mem);
                if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
            }
            CloseClipboard();
            SendMessageW(target, WM_PASTE, 0, 0);
            return {};
        });
    }
    ErrorOr<void> click(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            const PartView v = TRY(partOrFirst(c, p));
            if (v.kind != "TextBox" && v.kind != "CommandButton" && v.kind != "Label")
                return Error::invalidProcedureCall();
            if (!v.enabled) return {};
            button(v.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
            if (!open()) return {};
            button(v.hwnd, WM_LBUTTONUP, 0, 1, 1);
            return {};
        });
    }
    ErrorOr<void> dblClick(std::u16string_view c, std::u16string_view p) override {
        return run([&]() -> ErrorOr<void> {
            const PartView v = TRY(partOrFirst(c, p));
            if (v.kind != "TextBox" && v.kind != "Label") return Error::invalidProcedureCall();
            if (!v.enabled) return {};
            // The desktop's order: down, up, the double click in place of the second down, up.
            button(v.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
            if (open()) button(v.hwnd, WM_LBUTTONUP, 0, 1, 1);
            if (open()) button(v.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, 1, 1);
            if (open()) button(v.hwnd, WM_LBUTTONUP, 0, 1, 1);
            return {};
        });
    }
    ErrorOr<void> mouse(std::u16string_view c, std::u16string_view p, int action,
                        std::int16_t buttons, std::int16_t shift, float x, float y) override {
        return run([&]() -> ErrorOr<void> {
            const PartView v = TRY(partOrFirst(c, p));
            const int px = TRY(pixelsOf(x));
            const int py = TRY(pixelsOf(y));
            UINT msg = WM_MOUSEMOVE;
            WPARAM flags = mouseFlags(buttons, shift);
            if (action == Down)
                msg = (buttons & 1)   ? WM_LBUTTONDOWN
                      : (buttons & 2) ? WM_RBUTTONDOWN
                                      : WM_MBUTTONDOWN;
            else if (action == Up) {
                msg = (buttons & 1) ? WM_LBUTTONUP : (buttons & 2) ? WM_RBUTTONUP : WM_MBUTTONUP;
                // After a release the button is no longer held.
                flags = mouseFlags(0, shift);
            }
            holdModifiers(shift);
            SendMessageW(v.hwnd, msg, flags, pointParam(px, py));
            holdModifiers(0);
            return {};
        });
    }
    ErrorOr<void> scroll(std::u16string_view c, bool down, int count) override {
        return run([&]() -> ErrorOr<void> {
            if (count < 0 || count > kMaxRepeat)
                return Error{errc::InvalidProcedureCall, u"A scroll count must be 0 to 65536"};
            auto* p = placed(c);
            if (!p) return noSuch(u"control", c);
            HWND bar = nullptr;
            for (const PartView& v : p->container->parts())
                if (!bar && v.kind == "VScrollBar") bar = v.hwnd;
            if (!bar) return Error::invalidProcedureCall();
            // Clicking an arrow gives the bar the focus; the bar then tells its parent.
            if (GetFocus() != bar) TRY(focusWindow(bar));
            for (int i = 0; i < count && open(); ++i) {
                SendMessageW(p->container->window(), WM_VSCROLL, down ? SB_LINEDOWN : SB_LINEUP,
                             reinterpret_cast<LPARAM>(bar));
                SendMessageW(p->container->window(), WM_VSCROLL, SB_ENDSCROLL,
                             reinterpret_cast<LPARAM>(bar));
                pump();
            }
            return {};
        });
    }
    ErrorOr<void> tick(std::int64_t ms) override {
        return run([&]() -> ErrorOr<void> {
            constexpr std::int64_t kLatest =
                std::numeric_limits<std::int64_t>::max() - std::numeric_limits<std::int32_t>::max();
            if (ms < 0)
                return Error{errc::InvalidProcedureCall,
                             u"The clock cannot go back: an advance of " +
                                 fromUtf8(std::to_string(ms))};
            if (ms > kLatest - clockMs_) return Error::overflow();
            const std::int64_t end = clockMs_ + ms;
            // Each timer due by the end fires once, at its last due moment, with the clock
            // showing that moment, in the order of those moments; WM_TIMER is not queued twice.
            for (;;) {
                fileTimers();
                struct Due {
                    std::int64_t moment;
                    std::uint64_t order;
                    HWND window;
                    UINT_PTR id;
                };
                std::vector<Due> due;
                for (auto& [key, t] : timers_) {
                    if (!t.live || t.nextDue > end) continue;
                    const std::int64_t moment =
                        t.nextDue + (end - t.nextDue) / t.interval * t.interval;
                    due.push_back({moment, t.order, key.first, key.second});
                }
                if (due.empty()) break;
                std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
                    return a.moment != b.moment ? a.moment < b.moment : a.order < b.order;
                });
                for (const Due& d : due) {
                    auto it = timers_.find({d.window, d.id});
                    if (it == timers_.end() || !it->second.live) continue;
                    it->second.nextDue = d.moment + it->second.interval;
                    clockMs_ = d.moment;
                    SendMessageW(d.window, WM_TIMER, d.id, 0);
                    pump();
                    if (!open()) return {};
                }
            }
            clockMs_ = end;
            return {};
        });
    }
    void setClock(std::int64_t ms) override { clockMs_ = ms; }

    // ---- observations ----------------------------------------------------------------------

    std::vector<std::u16string> notices(std::u16string_view c) const override {
        auto* p = placed(c);
        return p ? p->notices : std::vector<std::u16string>{};
    }
    void clearNotices(std::u16string_view c) override {
        if (auto* p = placed(c)) p->notices.clear();
    }
    const std::vector<PopupRequest>& popups() const override { return popups_; }
    std::string focusName() const override { return nameOf(GetFocus()); }

    std::optional<PartState> part(std::u16string_view c, std::u16string_view p) const override {
        auto v = find(c, p);
        if (!v) return std::nullopt;
        PartState s;
        s.kind = v->kind;
        s.bounds = v->bounds;
        s.tabIndex = v->tabIndex;
        s.enabled = v->enabled;
        s.foreColor = v->foreColor;
        s.backColor = v->backColor;
        if (v->textBox) {
            s.text = v->text;
            s.selStart = v->textBox->SelStart().value();
            s.selLength = v->textBox->SelLength().value();
            s.maxLength = v->textBox->MaxLength().value();
        } else if (v->kind == "CommandButton") {
            s.text = v->text;
            s.picture = v->picture;
        } else if (v->scrollBar) {
            s.value = v->value;
        } else if (v->label) {
            s.text = v->text;
            s.bold = v->label->FontBold().value() != 0;
            s.font = v->label->Font().value();
            s.alignment = v->alignment;
            s.backStyle = v->backStyle;
        } else if (v->image) {
            s.picture = v->picture;
        }
        return s;
    }
    TextBox* textBox(std::u16string_view c, std::u16string_view p) const override {
        auto v = find(c, p);
        return v ? v->textBox : nullptr;
    }
    Label* label(std::u16string_view c, std::u16string_view p) const override {
        auto v = find(c, p);
        return v ? v->label : nullptr;
    }
    PictureBox* pictureBox(std::u16string_view c, std::u16string_view p) const override {
        auto v = find(c, p);
        return v ? v->pictureBox : nullptr;
    }
    Image* image(std::u16string_view c, std::u16string_view p) const override {
        auto v = find(c, p);
        return v ? v->image : nullptr;
    }
    Twips width(std::u16string_view c) const override {
        auto* p = placed(c);
        return p ? p->container->Width().value() : 0;
    }
    Twips height(std::u16string_view c) const override {
        auto* p = placed(c);
        return p ? p->container->Height().value() : 0;
    }
    std::int32_t windowHandle(std::u16string_view c) const override {
        auto* p = placed(c);
        if (!p) return 0;
        auto h = p->container->hWnd();
        return h.isError() ? 0 : h.value();
    }
    FontRef ambientFont() const override { return open() ? ambient_ : nullptr; }

    // Calls to the desktop fail only for real reasons here: the suites skip those cases.
    bool failNext(std::string, int) override { return false; }
    bool failuresPending() const override { return false; }
    void clearFailures() override {}
    std::int32_t injectedFailureCode() const override { return 0; }

    // ---- what the host reports -------------------------------------------------------------

    void focusMoved(HWND to) { noteLine("focus " + nameOf(to)); }
    void handlerFailed(const Error& e) {
        if (!failure_) failure_ = e;
    }
    // Whether the window is one of this form's or of its windows'.
    bool owns(HWND h) const {
        if (!h || !form_) return false;
        if (IsChild(form_, h)) return true;
        for (const auto& w : windows_)
            if (IsChild(w->window(), h)) return true;
        return false;
    }

    void popupShown(std::u16string_view control, const Value& menu, const Value& flags,
                    const Value& x, const Value& y, const Value& def) {
        popups_.push_back({menu, flags, x, y, def});
        noteLine("popup " + toUtf8(control) + " " + formatValue(menu) + " " + formatValue(flags) +
                 " " + formatValue(x) + " " + formatValue(y) + " " + formatValue(def));
    }
    std::int32_t shellRequest(HWND hwnd, LPCSTR op, LPCSTR file, LPCSTR params, LPCSTR dir,
                              INT show) {
        ShellRequestMade r{static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd)),
                           op ? op : "",
                           file ? file : "",
                           params ? params : "",
                           dir ? dir : "",
                           show};
        noteLine("shell " + std::to_string(r.hwnd) + " " + quoteBytes(r.operation) + " " +
                 quoteBytes(r.file) + " " + quoteBytes(r.parameters) + " " +
                 quoteBytes(r.directory) + " " + std::to_string(r.showCommand));
        shell_.push_back(std::move(r));
        return shellResult_;
    }
    ErrorOr<std::int32_t> messageBox(Win32Runtime& inner, std::u16string_view prompt,
                                     std::int32_t style, std::u16string_view title) {
        noteLine("msgbox " + std::to_string(style) + " " + quote(title) + " " + quote(prompt));
        boxes_.push_back({std::u16string(prompt), style, std::u16string(title)});
        pendingBox_ = boxes_.back();
        // The test's turn comes once the box is up, from the box's own message loop.
        Current owner(g_boxOwner, this);
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, &Win32Driver::answerBox);
        ++depth_;
        auto answer = inner.MsgBox(prompt, style, title);
        --depth_;
        KillTimer(nullptr, timer);
        pendingBox_.reset();
        return answer;
    }
    void keysSent(std::u16string_view keys) {
        lines_.push_back("sendkeys " + quote(keys));
        sentKeys_.emplace_back(keys);
    }
    std::int64_t clockMs() const { return clockMs_; }
    const HostOptions& options() const { return options_; }
    FontRef ambient() const { return ambient_; }
    // A line the form observes of one of its controls.
    void addLine(std::string line) { noteLine(std::move(line)); }

private:
    struct TimerState {
        std::int64_t nextDue = 0, interval = 0;
        std::uint64_t order = 0;
        bool live = false;
    };

    bool open() const { return form_ != nullptr; }
    Placed* placed(std::u16string_view name) const {
        for (const auto& p : placed_)
            if (p->name == name) return p.get();
        return nullptr;
    }
    Win32Form* formWindow(std::u16string_view name) const {
        for (const auto& w : windows_)
            if (w->name() == name) return w.get();
        return nullptr;
    }
    std::optional<PartView> find(std::u16string_view c, std::u16string_view p) const {
        std::vector<PartView> views;
        if (auto* site = placed(c))
            views = site->container->parts();
        else if (auto* w = formWindow(c))
            views = w->surface().parts();
        for (auto& v : views)
            if (v.name == p) return std::move(v);
        return std::nullopt;
    }
    // The named constituent, or the control's first in the tab order that takes the focus.
    ErrorOr<PartView> partOrFirst(std::u16string_view c, std::u16string_view p) const {
        if (!p.empty()) {
            auto v = find(c, p);
            if (!v) return noSuch(u"constituent", p);
            return *v;
        }
        auto* site = placed(c);
        if (!site) return noSuch(u"control", c);
        std::optional<PartView> first;
        for (auto& v : site->container->parts()) {
            const bool stop = (GetWindowLongPtrW(v.hwnd, GWL_STYLE) & WS_TABSTOP) && v.enabled;
            if (stop && (!first || v.tabIndex < first->tabIndex)) first = v;
        }
        if (!first) return noSuch(u"control", c);
        return *first;
    }
    ErrorOr<HWND> focusable(std::u16string_view c, std::u16string_view p) const {
        const PartView v = TRY(partOrFirst(c, p));
        if (v.kind == "Timer" || v.kind == "Image") return Error::invalidProcedureCall();
        if (!v.enabled || !IsWindowVisible(v.hwnd)) return Error::invalidProcedureCall();
        return v.hwnd;
    }
    ErrorOr<void> focusWindow(HWND w) {
        if (GetFocus() != w) {
            ::SetFocus(w);
            pump();
        }
        return {};
    }
    bool isTextBox(HWND h) const {
        if (!h) return false;
        for (const auto& p : placed_)
            for (const PartView& v : p->container->parts())
                if (v.hwnd == h) return v.textBox != nullptr;
        for (const auto& w : windows_)
            for (const PartView& v : w->surface().parts())
                if (v.hwnd == h) return v.textBox != nullptr;
        return false;
    }
    std::string nameOf(HWND h) const {
        if (!h || !open()) return "(none)";
        for (const auto& p : placed_)
            for (const PartView& v : p->container->parts())
                if (v.hwnd == h) return toUtf8(p->name) + "." + toUtf8(v.name);
        for (const auto& w : windows_)
            for (const PartView& v : w->surface().parts())
                if (v.hwnd == h) return toUtf8(w->name()) + "." + toUtf8(v.name);
        return "(none)";
    }

    // A key as a keyboard makes it: the press and the character it makes to the window with
    // the focus, the queued work of their handlers, then the release to whatever has the focus
    // by then.
    void pressKey(HWND target, WORD vk, std::int16_t shift, char16_t ch) {
        const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
        const auto down = static_cast<LPARAM>(1u | (scan << 16));
        const auto up = static_cast<LPARAM>(0xC0000001u | (scan << 16));
        holdModifiers(shift);
        SendMessageW(target, WM_KEYDOWN, vk, down);
        if (ch && open() && IsWindow(target)) SendMessageW(target, WM_CHAR, ch, down);
        pump();
        if (open())
            if (HWND now = GetFocus()) SendMessageW(now, WM_KEYUP, vk, up);
        holdModifiers(0);
        pump();
    }
    void button(HWND w, UINT msg, WPARAM flags, int x, int y) {
        SendMessageW(w, msg, flags, pointParam(x, y));
        pump();
    }

    // Runs the thread's queue dry. The surfaces' own timers run on the desktop's clock; the
    // test's clock sends their messages instead (tick).
    void pump() {
        MSG m;
        for (int rounds = 0; rounds < 10000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
             ++rounds) {
            if (m.message == WM_TIMER && m.hwnd && isSurface(m.hwnd)) continue;
            DispatchMessageW(&m);
        }
    }
    bool isSurface(HWND h) const {
        for (const auto& p : placed_)
            if (p->container->window() == h) return true;
        for (const auto& w : windows_)
            if (w->surface().window() == h) return true;
        return false;
    }

    // Learns of timers made since the last look; each first falls due one interval after the
    // moment it was seen.
    void fileTimers() {
        for (auto& [key, t] : timers_)
            t.live = false;
        auto look = [&](Win32Container& c) {
            for (const PartView& v : c.parts()) {
                if (!v.timer) continue;
                const std::int32_t interval = v.timer->Interval().value();
                const bool enabled = v.timer->Enabled().value() != 0;
                auto& t = timers_[{c.window(), v.timerId}];
                if (t.interval == 0 && interval > 0) {
                    // The test's clock stands in for the desktop's: the host's own timer stops,
                    // and its messages come at the virtual moments.
                    KillTimer(c.window(), v.timerId);
                    t.interval = interval;
                    t.nextDue = clockMs_ + interval;
                    t.order = nextOrder_++;
                }
                t.live = enabled && interval > 0;
            }
        };
        for (const auto& p : placed_)
            look(*p->container);
        for (const auto& w : windows_)
            look(w->surface());
    }

    static BOOL CALLBACK findBox(HWND h, LPARAM out) {
        wchar_t cls[16] = {};
        GetClassNameW(h, cls, 16);
        if (std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(h)) return TRUE;
        *reinterpret_cast<HWND*>(out) = h;
        return FALSE;
    }
    static void CALLBACK answerBox(HWND, UINT, UINT_PTR, DWORD) {
        if (!g_boxOwner || !g_boxOwner->pendingBox_) return;
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &findBox, reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        Win32Driver& d = *g_boxOwner;
        const MessageBoxShown shown = *d.pendingBox_;
        d.pendingBox_.reset();
        if (d.whileShown_) d.whileShown_(shown);
        // The box's default button answers it.
        const LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
        const WORD id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        PostMessageW(box, WM_COMMAND, id, 0);
    }

    template <typename F> ErrorOr<void> run(F f) {
        if (!open()) return formClosedError();
        Current current(g_driver, this);
        ++depth_;
        ErrorOr<void> r = f();
        if (open()) pump();
        --depth_;
        fileTimers();
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
        if (!form_) return;
        // The controls first, in the reverse of their making, then the windows and the form.
        while (!placed_.empty())
            placed_.pop_back();
        windows_.clear();
        timers_.clear();
        DestroyWindow(form_);
        form_ = nullptr;
        pump();
    }

    HostOptions options_;
    std::unique_ptr<win32runtime::Win32TextServices> text_;
    HWND form_ = nullptr;
    FontRef ambient_;
    std::vector<std::unique_ptr<Placed>> placed_;
    std::vector<std::unique_ptr<Win32Form>> windows_;
    std::map<std::pair<HWND, UINT_PTR>, TimerState> timers_;
    std::uint64_t nextOrder_ = 0;
    std::int64_t clockMs_ = 0;
    int nextTop_ = 0;
    std::optional<Error> failure_;
    std::optional<MessageBoxShown> pendingBox_;
    std::vector<PopupRequest> popups_;
};

// Hands what the host reports to the driver it concerns.
class Router final : public InputObserver {
public:
    void focusMoved(HWND to) override {
        Win32Driver* owner = nullptr;
        for (Win32Driver* d : g_drivers)
            if (d->owns(to)) owner = d;
        if (owner)
            g_focusOwner = owner;
        else
            owner = g_focusOwner ? g_focusOwner : g_driver;
        if (owner) owner->focusMoved(to);
    }
    void handlerFailed(const Error& e) override {
        if (g_driver) g_driver->handlerFailed(e);
    }
};

InputObserver& router() {
    static Router r;
    return r;
}

HINSTANCE WINAPI recordShellExecuteA(HWND hwnd, LPCSTR op, LPCSTR file, LPCSTR params, LPCSTR dir,
                                     INT show) {
    const std::int32_t r = g_driver ? g_driver->shellRequest(hwnd, op, file, params, dir, show) : 2;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(r));
}

Placed::Placed(Win32Driver& d, std::u16string n, TextServices& text)
    : driver(d), name(std::move(n)),
      container(std::make_unique<Win32Container>(*this, thisModule())),
      hostRuntime(text, thisModule()), runtime(d, hostRuntime) {
    hostRuntime.setWindow(container->window());
}

ErrorOr<void> Placed::propertyChanged(std::u16string_view p) {
    notices.emplace_back(p);
    driver.addLine("changed " + toUtf8(name) + " " + toUtf8(p));
    return {};
}

ErrorOr<void> Placed::raiseEvent(DispId id, EventArgs args) {
    driver.addLine(eventLine(name, control ? &control->controlClass() : nullptr, id, args));
    if (!control) return {};
    return tessivra::raiseEvent(control->controlClass(), sink, id, args);
}

ErrorOr<void> Placed::popupMenu(const Value& menu, const Value& flags, const Value& x,
                                const Value& y, const Value& defaultMenu) {
    driver.popupShown(name, menu, flags, x, y, defaultMenu);
    return {};
}

ErrorOr<FontRef> Placed::ambientFont() {
    return driver.ambient();
}

ErrorOr<std::int32_t> ObservedRuntime::MsgBox(std::u16string_view prompt, std::int32_t style,
                                              std::u16string_view title) {
    return d_.messageBox(text(), prompt, style, title);
}

ErrorOr<void> ObservedRuntime::SendKeys(std::u16string_view keys, const Value& wait) {
    d_.keysSent(keys);
    return text().SendKeys(keys, wait);
}

ErrorOr<TimeOfDay> ObservedRuntime::Time() {
    return TimeOfDay{static_cast<std::int32_t>((d_.clockMs() / 1000) % 86400)};
}

ErrorOr<std::u16string> ObservedRuntime::AppPath() {
    return d_.options().appPath;
}

} // namespace

const HostKind Win32HostKind{"Win32", [](const HostOptions& o) -> std::unique_ptr<HostDriver> {
                                 return std::make_unique<Win32Driver>(o);
                             }};

} // namespace tessivra::testing

#endif // _WIN32
