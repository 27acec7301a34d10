#include "win32_host.h"

#include "framework/dispatch.h"

#include <dispex.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <utility>
#include <vector>

namespace tessivra::win32 {

namespace {

constexpr wchar_t kControlClass[] = L"TessivraUserControl";
constexpr wchar_t kParkingClass[] = L"TessivraParking";
constexpr wchar_t kFormClass[] = L"TessivraForm";
constexpr wchar_t kPartProperty[] = L"Tessivra.Part";

HWND g_parking = nullptr;
// IDispatchEx, which mingw's uuid library lacks.
constexpr IID kIIDDispatchEx = {
    0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};
// Above zero while a focus change is being reported: a focus request then waits for it to end,
// as the desktop queues it.
int g_focusMoving = 0;
InputObserver* g_observer = nullptr;
// The constituent that holds the focus as each form (top-level window) sees it. The focus
// leaving for another top-level window (a message box, another program) and coming back is no
// move between the form's controls: it stays there meanwhile, and no focus events are raised.
std::vector<std::pair<HWND, HWND>> g_formFocus;

HWND& formFocus(HWND part) {
    HWND root = GetAncestor(part, GA_ROOT);
    for (auto& [form, focus] : g_formFocus)
        if (form == root) return focus;
    // Forms that have gone are dropped as new ones come.
    std::erase_if(g_formFocus, [](const auto& f) { return !IsWindow(f.first); });
    return g_formFocus.emplace_back(root, nullptr).second;
}

bool inAnotherWindow(HWND other, HWND self) {
    return !other || GetAncestor(other, GA_ROOT) != GetAncestor(self, GA_ROOT);
}

COLORREF colorOf(Colour c) {
    if (c & SystemColourBit) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0xFFFFFF);
}

std::int16_t shiftState() {
    std::int16_t s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= 1;
    if (GetKeyState(VK_CONTROL) < 0) s |= 2;
    if (GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

// The button a press or release message is about.
std::int16_t buttonOf(UINT msg) {
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return 2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 4;
    default:
        return 1;
    }
}

std::int16_t buttonsOf(WPARAM wp) {
    std::int16_t b = 0;
    if (wp & MK_LBUTTON) b |= 1;
    if (wp & MK_RBUTTON) b |= 2;
    if (wp & MK_MBUTTON) b |= 4;
    return b;
}

std::u16string windowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, buf.data(), n + 1);
    return fromWide(buf.data(), static_cast<std::size_t>(std::max(n, 0)));
}

// The font a constituent shows until it is given one: the desktop's dialog font, an object of
// its own, as each new control on a form gets.
FontRef defaultFont() {
    auto f = newFont({u"MS Sans Serif", 8.25f});
    return f.isError() ? nullptr : f.releaseValue();
}

Error gone() {
    return {errc::ObjectDisconnected, u"Object disconnected"};
}

} // namespace

void setInputObserver(InputObserver* o) {
    g_observer = o;
}

// What every constituent window shares: its window, its place in twips and the colours and font
// it is drawn with.
class Win32Constituent {
public:
    Win32Constituent(Win32Container& owner, HWND hwnd, const Bounds& b)
        : owner_(owner), hwnd_(hwnd), bounds_(b) {
        SetPropW(hwnd_, kPartProperty, this);
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    }
    virtual ~Win32Constituent() {
        if (brush_) DeleteObject(brush_);
        for (auto& [form, focus] : g_formFocus)
            if (focus == hwnd_) focus = nullptr;
        if (hwnd_ && IsWindow(hwnd_)) {
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
            RemovePropW(hwnd_, kPartProperty);
            DestroyWindow(hwnd_);
        }
    }
    Win32Constituent(const Win32Constituent&) = delete;
    Win32Constituent& operator=(const Win32Constituent&) = delete;

    HWND hwnd() const { return hwnd_; }
    bool valid() const { return hwnd_ && IsWindow(hwnd_); }
    // Its name on the surface, its kind and its place in the tab order, as designed.
    void describe(std::u16string_view name, const char* kind, std::int16_t tabIndex) {
        name_ = std::u16string(name);
        kind_ = kind;
        tabIndex_ = tabIndex;
    }
    PartView view() const {
        PartView v;
        v.name = name_;
        v.kind = kind_;
        v.hwnd = hwnd_;
        v.bounds = bounds_;
        v.tabIndex = tabIndex_;
        v.text = windowText(hwnd_);
        v.enabled = IsWindowEnabled(hwnd_) != FALSE;
        v.foreColor = fore_;
        v.backColor = back_;
        fill(v);
        return v;
    }

    // Notifications the container window receives for its children.
    virtual void command(WORD /*code*/) {}
    virtual void vscroll(WORD /*code*/) {}
    virtual void timer() {}
    virtual bool isTimer(UINT_PTR) const { return false; }
    virtual LRESULT colour(HDC dc) {
        SetTextColor(dc, colorOf(fore_));
        SetBkColor(dc, colorOf(back_));
        if (!brush_) brush_ = CreateSolidBrush(colorOf(back_));
        return reinterpret_cast<LRESULT>(brush_);
    }
    virtual std::u16string faceText() const { return {}; }

protected:
    // What only this kind shows.
    virtual void fill(PartView&) const {}
    // A message to the constituent's own window; return true when handled.
    virtual bool message(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }
    LRESULT callOriginal(UINT msg, WPARAM wp, LPARAM lp) {
        return CallWindowProcW(original_, hwnd_, msg, wp, lp);
    }
    void move() {
        MoveWindow(hwnd_, toPixels(bounds_.left), toPixels(bounds_.top), toPixels(bounds_.width),
                   toPixels(bounds_.height), TRUE);
    }
    void setColours(Colour back, Colour fore) {
        back_ = back;
        fore_ = fore;
        if (brush_) DeleteObject(brush_);
        brush_ = nullptr;
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    void applyFont(const FontRef& f) {
        if (auto* w = dynamic_cast<Win32Font*>(f.get()))
            SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(w->hFont()), TRUE);
    }
    float xTwips(LPARAM lp) const { return toTwips(static_cast<short>(LOWORD(lp))); }
    float yTwips(LPARAM lp) const { return toTwips(static_cast<short>(HIWORD(lp))); }

    Win32Container& owner_;
    HWND hwnd_;
    Bounds bounds_;
    Colour back_ = syscolour::WindowBackground;
    Colour fore_ = syscolour::WindowText;
    HBRUSH brush_ = nullptr;
    std::u16string name_;
    const char* kind_ = "";
    std::int16_t tabIndex_ = 0;

private:
    static LRESULT CALLBACK subclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<Win32Constituent*>(GetPropW(h, kPartProperty));
        if (!self) return DefWindowProcW(h, msg, wp, lp);
        // A move between two constituents is told once, when the one losing the focus hears of
        // it; a move from elsewhere when the one gaining it does.
        if (msg == WM_KILLFOCUS) {
            auto to = reinterpret_cast<HWND>(wp);
            if (inAnotherWindow(to, h)) return self->callOriginal(msg, wp, lp);
            formFocus(h) = to && GetPropW(to, kPartProperty) ? to : nullptr;
            if (g_observer) g_observer->focusMoved(to);
        } else if (msg == WM_SETFOCUS) {
            // Back from another window (or from the form's own window, which a desktop gives
            // the focus first on reactivating it) to where the form's focus stayed: no move.
            auto from = reinterpret_cast<HWND>(wp);
            const bool fromPart = !inAnotherWindow(from, h) && GetPropW(from, kPartProperty);
            HWND& held = formFocus(h);
            if (!fromPart && held == h) return self->callOriginal(msg, wp, lp);
            held = h;
            if (g_observer && !fromPart) g_observer->focusMoved(h);
        }
        LRESULT result = 0;
        if (self->message(msg, wp, lp, result)) return result;
        return self->callOriginal(msg, wp, lp);
    }
    WNDPROC original_ = nullptr;
};

namespace {

// A handler's failure has nowhere to go once the desktop delivered the event: the control has
// stopped at the failing call, and the message loop goes on.
// A form that hosts the controls directly may hear of it. True when the handler succeeded, so
// that the events one message raises stop at the first that fails.
bool delivered(const ErrorOr<void>& r) {
    if (r.isError() && g_observer) g_observer->handlerFailed(r.error());
    return !r.isError();
}

// ---- text box -------------------------------------------------------------------------------

class Win32TextBox final : public TextBox, public Win32Constituent {
public:
    Win32TextBox(Win32Container& owner, HWND h, const TextBoxDesign& d, TextBoxEvents* e)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), events_(e), alignment_(d.alignment),
          maxLength_(d.maxLength) {
        // The box itself takes any length; MaxLength is applied to typing and pasting here.
        SendMessageW(hwnd_, EM_LIMITTEXT, 0x7FFFFFFE, 0);
        font_ = defaultFont();
        applyFont(font_);
    }
    PartHandle<TextBox> handle() const { return anchor_.handle(); }

    ErrorOr<std::int16_t> Alignment() override { return alignment_; }
    ErrorOr<void> setAlignment(std::int16_t v) override {
        if (v < 0 || v > 2) return Error::invalidPropertyValue();
        // The window's style is the system's to change, at a cost; an unchanged value leaves it.
        if (v == alignment_) return {};
        alignment_ = v;
        LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~LONG_PTR(ES_RIGHT | ES_CENTER);
        style |= v == 1 ? ES_RIGHT : v == 2 ? ES_CENTER : ES_LEFT;
        SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return {};
    }
    ErrorOr<Colour> BackColor() override { return back_; }
    ErrorOr<void> setBackColor(Colour c) override {
        setColours(c, fore_);
        return {};
    }
    ErrorOr<std::int16_t> BorderStyle() override { return borderStyle_; }
    ErrorOr<void> setBorderStyle(std::int16_t v) override {
        if (v < 0 || v > 1) return Error::invalidPropertyValue();
        borderStyle_ = v;
        LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CLIENTEDGE);
        if (v == 1) ex |= WS_EX_CLIENTEDGE;
        SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        return {};
    }
    ErrorOr<VBool> Enabled() override { return toVBool(IsWindowEnabled(hwnd_) && !disabling_); }
    ErrorOr<void> setEnabled(VBool v) override {
        // A box disabled while it has the focus hands it on to the next tab stop, as a form
        // does (the desktop would leave the focus nowhere). It counts as disabled already while
        // the focus moves, so that its handlers cannot take the focus back.
        if (v == 0 && GetFocus() == hwnd_) {
            HWND next = GetNextDlgTabItem(GetAncestor(hwnd_, GA_ROOT), hwnd_, FALSE);
            disabling_ = true;
            if (next && next != hwnd_) ::SetFocus(next);
            disabling_ = false;
        }
        EnableWindow(hwnd_, v != 0);
        return {};
    }
    ErrorOr<FontRef> Font() override { return font_; }
    ErrorOr<void> setFont(FontRef f) override {
        font_ = std::move(f);
        applyFont(font_);
        return {};
    }
    ErrorOr<Colour> ForeColor() override { return fore_; }
    ErrorOr<void> setForeColor(Colour c) override {
        setColours(back_, c);
        return {};
    }
    ErrorOr<VBool> Locked() override {
        return toVBool(GetWindowLongPtrW(hwnd_, GWL_STYLE) & ES_READONLY);
    }
    ErrorOr<void> setLocked(VBool v) override {
        SendMessageW(hwnd_, EM_SETREADONLY, v != 0, 0);
        return {};
    }
    ErrorOr<std::int32_t> MaxLength() override { return maxLength_; }
    ErrorOr<void> setMaxLength(std::int32_t v) override {
        if (v < 0) return Error::invalidPropertyValue();
        maxLength_ = v;
        return {};
    }
    ErrorOr<PictureRef> MouseIcon() override { return mouseIcon_; }
    ErrorOr<void> setMouseIcon(PictureRef p) override {
        mouseIcon_ = std::move(p);
        return {};
    }
    ErrorOr<std::int16_t> MousePointer() override { return mousePointer_; }
    ErrorOr<void> setMousePointer(std::int16_t v) override {
        if (v < 0 || (v > 15 && v != 99)) return Error::invalidPropertyValue();
        mousePointer_ = v;
        return {};
    }
    ErrorOr<VBool> MultiLine() override { return VFalse; }
    ErrorOr<std::u16string> PasswordChar() override { return passwordChar_; }
    ErrorOr<void> setPasswordChar(std::u16string_view v) override {
        if (v.size() > 1) return Error::invalidPropertyValue();
        passwordChar_ = std::u16string(v);
        SendMessageW(hwnd_, EM_SETPASSWORDCHAR, v.empty() ? 0 : static_cast<WPARAM>(v[0]), 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return {};
    }
    ErrorOr<std::int16_t> ScrollBars() override { return 0; }
    ErrorOr<std::int32_t> SelLength() override {
        DWORD s = 0, e = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return static_cast<std::int32_t>(e - s);
    }
    ErrorOr<void> setSelLength(std::int32_t v) override {
        if (v < 0) return Error::invalidPropertyValue();
        const std::int32_t start = TRY(SelStart());
        const auto len = static_cast<std::int32_t>(GetWindowTextLengthW(hwnd_));
        SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start),
                     static_cast<LPARAM>(std::min<std::int64_t>(std::int64_t(start) + v, len)));
        return {};
    }
    ErrorOr<std::int32_t> SelStart() override {
        DWORD s = 0, e = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return static_cast<std::int32_t>(s);
    }
    ErrorOr<void> setSelStart(std::int32_t v) override {
        if (v < 0) return Error::invalidPropertyValue();
        const auto len = static_cast<std::int32_t>(GetWindowTextLengthW(hwnd_));
        const std::int32_t at = std::min(v, len);
        SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
        return {};
    }
    ErrorOr<std::u16string> SelText() override {
        DWORD s = 0, e = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return windowText(hwnd_).substr(s, e - s);
    }
    ErrorOr<void> setSelText(std::u16string_view v) override {
        std::wstring w = toWide(v);
        SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
        return {};
    }
    ErrorOr<std::u16string> Text() override { return windowText(hwnd_); }
    ErrorOr<void> setText(std::u16string_view v) override {
        if (windowText(hwnd_) == v) return {};
        std::wstring w = toWide(v);
        SetWindowTextW(hwnd_, w.c_str());
        return {};
    }
    ErrorOr<std::u16string> ToolTipText() override { return toolTip_; }
    ErrorOr<void> setToolTipText(std::u16string_view v) override {
        toolTip_ = std::u16string(v);
        return {};
    }
    ErrorOr<Twips> Width() override { return bounds_.width; }
    ErrorOr<void> setWidth(Twips v) override {
        if (v < 0) return Error::invalidPropertyValue();
        bounds_.width = v;
        move();
        return {};
    }
    ErrorOr<Twips> Height() override { return bounds_.height; }
    ErrorOr<void> setHeight(Twips v) override {
        if (v < 0) return Error::invalidPropertyValue();
        bounds_.height = v;
        move();
        return {};
    }
    ErrorOr<void> SetFocus() override {
        if (!valid()) return gone();
        if (!IsWindowEnabled(hwnd_) || disabling_ || !IsWindowVisible(hwnd_))
            return Error::cannotTakeFocus();
        if (g_focusMoving > 0) {
            PostMessageW(owner_.window(), Win32Container::MsgFocus, 0,
                         reinterpret_cast<LPARAM>(hwnd_));
            return {};
        }
        ::SetFocus(hwnd_);
        return {};
    }

    void command(WORD code) override {
        if (code == EN_CHANGE && events_) delivered(events_->Change());
    }
    std::u16string faceText() const override { return windowText(hwnd_); }

protected:
    bool message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_KEYDOWN: {
            if (!events_) return false;
            auto code = static_cast<std::int16_t>(wp);
            std::int16_t shift = shiftState();
            delivered(events_->KeyDown(code, shift));
            // A zeroed code keeps the key from the box (Delete, the arrows); the character it
            // makes comes as WM_CHAR regardless.
            result = code == 0 ? 0 : callOriginal(msg, static_cast<WPARAM>(code), lp);
            return true;
        }
        case WM_CHAR:
            result = typed(static_cast<wchar_t>(wp), lp);
            return true;
        case WM_KEYUP: {
            if (!events_) return false;
            auto code = static_cast<std::int16_t>(wp);
            std::int16_t shift = shiftState();
            delivered(events_->KeyUp(code, shift));
            result = callOriginal(msg, wp, lp);
            return true;
        }
        case WM_PASTE:
            pasted();
            result = 0;
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            result = callOriginal(msg, wp, lp);
            if (events_) {
                ++g_focusMoving;
                delivered(msg == WM_SETFOCUS ? events_->GotFocus() : events_->LostFocus());
                --g_focusMoving;
            }
            return true;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            result = callOriginal(msg, wp, lp);
            mouse(msg, wp, lp);
            return true;
        case WM_LBUTTONDBLCLK:
            result = callOriginal(msg, wp, lp);
            doubleClicked_ = true;
            if (events_) delivered(events_->DblClick());
            return true;
        default:
            return false;
        }
    }

private:
    // KeyPress with the character's code in the system's code page; the box then inserts what
    // the handler left, unless that is 0, and only while MaxLength leaves room.
    LRESULT typed(wchar_t ch, LPARAM lp) {
        if (!events_) return callOriginal(WM_CHAR, ch, lp);
        char byte = 0;
        BOOL lossy = FALSE;
        const UINT cp = owner_.codePage();
        int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, &ch, 1, &byte, 1, nullptr, &lossy);
        auto keyAscii = static_cast<std::int16_t>(
            n == 1 && !lossy ? static_cast<unsigned char>(byte) : static_cast<unsigned>(ch));
        const bool mapped = n == 1 && !lossy;
        auto result = events_->KeyPress(keyAscii);
        if (result.isError() || keyAscii == 0) return 0;
        wchar_t out = static_cast<wchar_t>(keyAscii);
        if (mapped || keyAscii < 256) {
            char b = static_cast<char>(keyAscii & 0xFF);
            if (MultiByteToWideChar(cp, 0, &b, 1, &out, 1) != 1) return 0;
        }
        if (out >= 0x20 && maxLength_ > 0) {
            const std::int32_t len = GetWindowTextLengthW(hwnd_);
            const std::int32_t sel = SelLength().value();
            if (len - sel >= maxLength_) {
                MessageBeep(MB_OK);
                return 0;
            }
        }
        return callOriginal(WM_CHAR, out, lp);
    }

    void pasted() {
        if (!OpenClipboard(hwnd_)) return;
        std::u16string text;
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
                text = fromWide(p, wcslen(p));
                GlobalUnlock(h);
            }
        }
        CloseClipboard();
        if (maxLength_ > 0) {
            const std::int32_t room =
                maxLength_ - (GetWindowTextLengthW(hwnd_) - SelLength().value());
            text.resize(static_cast<std::size_t>(
                std::clamp<std::int32_t>(room, 0, static_cast<std::int32_t>(text.size()))));
        }
        if (!text.empty()) (void)setSelText(text);
    }

    void mouse(UINT msg, WPARAM wp, LPARAM lp) {
        if (!events_) return;
        float x = xTwips(lp), y = yTwips(lp);
        std::int16_t shift = shiftState();
        std::int16_t button = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP   ? 1
                              : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ? 2
                              : msg == WM_MOUSEMOVE                          ? buttonsOf(wp)
                                                                             : 4;
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            delivered(events_->MouseDown(button, shift, x, y));
            break;
        case WM_MOUSEMOVE:
            delivered(events_->MouseMove(button, shift, x, y));
            break;
        default: {
            // The release that ends a double click is no click of its own.
            const bool click = msg == WM_LBUTTONUP && !doubleClicked_;
            if (msg == WM_LBUTTONUP) doubleClicked_ = false;
            if (delivered(events_->MouseUp(button, shift, x, y)) && click)
                delivered(events_->Click());
        }
        }
    }

    void fill(PartView& v) const override { v.textBox = const_cast<Win32TextBox*>(this); }

    PartAnchor<TextBox> anchor_;
    SinkRef<TextBoxEvents> events_;
    std::int16_t alignment_;
    std::int16_t borderStyle_ = 1;
    std::int32_t maxLength_;
    bool doubleClicked_ = false;
    bool disabling_ = false;
    FontRef font_;
    PictureRef mouseIcon_;
    std::int16_t mousePointer_ = 0;
    std::u16string passwordChar_;
    std::u16string toolTip_;
};

// ---- command button -------------------------------------------------------------------------

class Win32CommandButton final : public CommandButton, public Win32Constituent {
public:
    Win32CommandButton(Win32Container& owner, HWND h, const CommandButtonDesign& d,
                       CommandButtonEvents* e)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), events_(e), picture_(d.picture) {
        if (auto* p = dynamic_cast<Win32Picture*>(picture_.get())) {
            const bool icon = p->type == picturetype::Icon;
            LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) | (icon ? BS_ICON : BS_BITMAP);
            SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
            SendMessageW(hwnd_, BM_SETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(p->handle()));
        }
    }
    PartHandle<CommandButton> handle() const { return anchor_.handle(); }

    ErrorOr<VBool> Enabled() override { return toVBool(IsWindowEnabled(hwnd_)); }
    ErrorOr<void> setEnabled(VBool v) override {
        EnableWindow(hwnd_, v != 0);
        return {};
    }
    ErrorOr<Twips> Width() override { return bounds_.width; }
    ErrorOr<Twips> Left() override { return bounds_.left; }
    ErrorOr<void> setLeft(Twips v) override {
        bounds_.left = v;
        move();
        return {};
    }
    void command(WORD code) override {
        if (code == BN_CLICKED && events_ && !pressBroken_) delivered(events_->Click());
    }

protected:
    // A press that loses the focus before its release (a handler elsewhere took the focus back
    // meanwhile) is broken: its release clicks nothing.
    bool message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_LBUTTONDOWN:
            pressing_ = true;
            pressBroken_ = false;
            result = callOriginal(msg, wp, lp);
            if (GetFocus() != hwnd_) pressBroken_ = true;
            return true;
        case WM_KILLFOCUS:
            if (pressing_) pressBroken_ = true;
            return false;
        case WM_LBUTTONUP:
            result = callOriginal(msg, wp, lp);
            pressing_ = false;
            pressBroken_ = false;
            return true;
        default:
            return false;
        }
    }

private:
    void fill(PartView& v) const override { v.picture = picture_; }

    PartAnchor<CommandButton> anchor_;
    SinkRef<CommandButtonEvents> events_;
    PictureRef picture_;
    bool pressing_ = false, pressBroken_ = false;
};

// ---- vertical scroll bar --------------------------------------------------------------------

class Win32VScrollBar final : public VScrollBar, public Win32Constituent {
public:
    Win32VScrollBar(Win32Container& owner, HWND h, const VScrollBarDesign& d, VScrollBarEvents* e)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), events_(e), min_(d.min),
          max_(d.max), value_(d.value), small_(d.smallChange), large_(d.largeChange) {
        show();
    }
    PartHandle<VScrollBar> handle() const { return anchor_.handle(); }

    ErrorOr<std::int16_t> Min() override { return min_; }
    ErrorOr<void> setMin(std::int16_t v) override {
        min_ = v;
        return dragAlong();
    }
    ErrorOr<std::int16_t> Max() override { return max_; }
    ErrorOr<void> setMax(std::int16_t v) override {
        max_ = v;
        return dragAlong();
    }
    ErrorOr<std::int16_t> Value() override { return value_; }
    ErrorOr<void> setValue(std::int16_t v) override {
        if (v < std::min(min_, max_) || v > std::max(min_, max_))
            return Error::invalidPropertyValue();
        return moveTo(v);
    }
    ErrorOr<Twips> Width() override { return bounds_.width; }
    ErrorOr<void> setLeft(Twips v) override {
        bounds_.left = v;
        move();
        return {};
    }
    ErrorOr<void> setHeight(Twips v) override {
        if (v < 0) return Error::invalidPropertyValue();
        bounds_.height = v;
        move();
        return {};
    }

    // Min stands at the top, Max at the bottom, whichever is larger.
    void vscroll(WORD code) override {
        const int dir = min_ <= max_ ? 1 : -1;
        int target = value_;
        switch (code) {
        case SB_LINEUP:
            target = value_ - dir * small_;
            break;
        case SB_LINEDOWN:
            target = value_ + dir * small_;
            break;
        case SB_PAGEUP:
            target = value_ - dir * large_;
            break;
        case SB_PAGEDOWN:
            target = value_ + dir * large_;
            break;
        case SB_TOP:
            target = min_;
            break;
        case SB_BOTTOM:
            target = max_;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            GetScrollInfo(hwnd_, SB_CTL, &si);
            target = dir > 0 ? si.nTrackPos : min_ + max_ - si.nTrackPos;
            if (code == SB_THUMBTRACK) {
                value_ = static_cast<std::int16_t>(
                    std::clamp(target, int(std::min(min_, max_)), int(std::max(min_, max_))));
                show();
                if (events_) delivered(events_->Scroll());
                return;
            }
            break;
        }
        default:
            return;
        }
        target = std::clamp(target, int(std::min(min_, max_)), int(std::max(min_, max_)));
        delivered(moveTo(static_cast<std::int16_t>(target)));
    }

private:
    ErrorOr<void> moveTo(std::int16_t v) {
        if (v == value_) return {};
        value_ = v;
        show();
        if (events_) TRY(events_->Change());
        return {};
    }
    ErrorOr<void> dragAlong() {
        const std::int16_t lo = std::min(min_, max_), hi = std::max(min_, max_);
        show();
        return moveTo(std::clamp(value_, lo, hi));
    }
    void show() {
        const int lo = std::min(min_, max_), hi = std::max(min_, max_);
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS,
                      lo,        hi,
                      0,         min_ <= max_ ? int(value_) : lo + hi - value_,
                      0};
        SetScrollInfo(hwnd_, SB_CTL, &si, TRUE);
    }

    void fill(PartView& v) const override {
        v.scrollBar = const_cast<Win32VScrollBar*>(this);
        v.value = value_;
    }

    PartAnchor<VScrollBar> anchor_;
    SinkRef<VScrollBarEvents> events_;
    std::int16_t min_, max_, value_, small_, large_;
};

// ---- label ----------------------------------------------------------------------------------

class Win32Label final : public Label, public Win32Constituent {
public:
    Win32Label(Win32Container& owner, HWND h, const LabelDesign& d, LabelEvents* e)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), events_(e), autoSize_(d.autoSize),
          alignment_(d.alignment), backStyle_(d.backStyle), font_(d.font), mouseIcon_(d.mouseIcon),
          mousePointer_(d.mousePointer) {
        setColours(d.backColor, d.foreColor);
        if (!font_) font_ = defaultFont();
        applyFont(font_);
        fit();
    }
    PartHandle<Label> handle() const { return anchor_.handle(); }

    ErrorOr<std::u16string> Caption() override { return windowText(hwnd_); }
    ErrorOr<void> setCaption(std::u16string_view v) override {
        std::wstring w = toWide(v);
        SetWindowTextW(hwnd_, w.c_str());
        fit();
        return {};
    }
    ErrorOr<Twips> Width() override { return bounds_.width; }
    ErrorOr<void> setWidth(Twips v) override {
        if (v < 0) return Error::invalidPropertyValue();
        bounds_.width = v;
        move();
        return {};
    }
    ErrorOr<Twips> Height() override { return bounds_.height; }
    ErrorOr<void> setHeight(Twips v) override {
        if (v < 0) return Error::invalidPropertyValue();
        bounds_.height = v;
        move();
        return {};
    }
    ErrorOr<Colour> BackColor() override { return back_; }
    ErrorOr<void> setBackColor(Colour c) override {
        setColours(c, fore_);
        return {};
    }
    ErrorOr<Colour> ForeColor() override { return fore_; }
    ErrorOr<void> setForeColor(Colour c) override {
        setColours(back_, c);
        return {};
    }
    ErrorOr<FontRef> Font() override { return font_; }
    ErrorOr<void> setFont(FontRef f) override {
        font_ = std::move(f);
        applyFont(font_);
        fit();
        return {};
    }
    ErrorOr<VBool> FontBold() override { return toVBool(font_ && font_->bold()); }
    ErrorOr<void> setFontBold(VBool v) override {
        if (auto* w = dynamic_cast<Win32Font*>(font_.get())) {
            w->font()->put_Bold(v != 0);
            w->refresh();
        } else if (font_) {
            font_->weight = v ? fontweight::Bold : fontweight::Normal;
        }
        applyFont(font_);
        fit();
        return {};
    }
    ErrorOr<PictureRef> MouseIcon() override { return mouseIcon_; }
    ErrorOr<void> setMouseIcon(PictureRef p) override {
        mouseIcon_ = std::move(p);
        return {};
    }
    ErrorOr<std::int16_t> MousePointer() override { return mousePointer_; }
    ErrorOr<void> setMousePointer(std::int16_t v) override {
        if (v < 0 || (v > 15 && v != 99)) return Error::invalidPropertyValue();
        mousePointer_ = v;
        return {};
    }
    ErrorOr<std::u16string> ToolTipText() override { return toolTip_; }
    ErrorOr<void> setToolTipText(std::u16string_view v) override {
        toolTip_ = std::u16string(v);
        return {};
    }
    std::u16string faceText() const override { return windowText(hwnd_); }
    // A transparent label lets what is behind it show through its background.
    LRESULT colour(HDC dc) override {
        if (backStyle_ != 0) return Win32Constituent::colour(dc);
        SetTextColor(dc, colorOf(fore_));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }

protected:
    bool message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_NCHITTEST) {
            result = HTCLIENT;
            return true;
        }
        if (msg == WM_SETCURSOR && mousePointer_ == 99) {
            if (auto* p = dynamic_cast<Win32Picture*>(mouseIcon_.get())) {
                SetCursor(static_cast<HCURSOR>(p->handle()));
                result = TRUE;
                return true;
            }
        }
        if (!events_) return false;
        float x = xTwips(lp), y = yTwips(lp);
        std::int16_t shift = shiftState();
        std::int16_t button = buttonOf(msg);
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            delivered(events_->MouseDown(button, shift, x, y));
            break;
        case WM_MOUSEMOVE:
            button = buttonsOf(wp);
            delivered(events_->MouseMove(button, shift, x, y));
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            // The release that ends a double click is no click of its own.
            const bool click = msg == WM_LBUTTONUP && !doubleClicked_;
            doubleClicked_ = false;
            if (delivered(events_->MouseUp(button, shift, x, y)) && click)
                delivered(events_->Click());
            break;
        }
        case WM_LBUTTONDBLCLK:
            doubleClicked_ = true;
            delivered(events_->DblClick());
            break;
        default:
            return false;
        }
        result = 0;
        return true;
    }

private:
    // A label that sizes itself takes the size of its caption in its font.
    void fit() {
        if (!autoSize_) return;
        HDC dc = GetDC(hwnd_);
        HFONT f = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
        std::wstring text = toWide(windowText(hwnd_));
        SIZE sz{0, 0};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
        if (old) SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
        bounds_.width = toTwips(sz.cx);
        bounds_.height = toTwips(sz.cy);
        move();
    }

    void fill(PartView& v) const override {
        v.label = const_cast<Win32Label*>(this);
        v.alignment = alignment_;
        v.backStyle = backStyle_;
    }

    PartAnchor<Label> anchor_;
    SinkRef<LabelEvents> events_;
    bool autoSize_;
    std::int16_t alignment_, backStyle_;
    bool doubleClicked_ = false;
    FontRef font_;
    PictureRef mouseIcon_;
    std::int16_t mousePointer_;
    std::u16string toolTip_;
};

// ---- timer, picture box, image ----------------------------------------------------------------

class Win32Timer final : public Timer {
public:
    Win32Timer(HWND owner, UINT_PTR id, const TimerDesign& d, TimerEvents* e)
        : anchor_(*this), events_(e), owner_(owner), id_(id), interval_(d.interval),
          enabled_(d.enabled) {
        if (enabled_ && interval_ > 0) SetTimer(owner_, id_, static_cast<UINT>(interval_), nullptr);
    }
    ~Win32Timer() override { KillTimer(owner_, id_); }
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;
    PartHandle<Timer> handle() const { return anchor_.handle(); }
    UINT_PTR id() const { return id_; }
    void fire() {
        if (events_) delivered(events_->Timer());
    }

    ErrorOr<std::int32_t> Interval() override { return interval_; }
    ErrorOr<VBool> Enabled() override { return toVBool(enabled_); }

private:
    PartAnchor<Timer> anchor_;
    SinkRef<TimerEvents> events_;
    HWND owner_;
    UINT_PTR id_;
    std::int32_t interval_;
    bool enabled_;
};

class TimerPart final : public Win32Constituent {
public:
    TimerPart(Win32Container& owner, HWND h, std::unique_ptr<Win32Timer> t)
        : Win32Constituent(owner, h, {}), timer_(std::move(t)) {}
    Win32Timer& timerObject() { return *timer_; }
    bool isTimer(UINT_PTR id) const override { return timer_->id() == id; }
    void timer() override { timer_->fire(); }

private:
    void fill(PartView& v) const override {
        v.timer = timer_.get();
        v.timerId = timer_->id();
    }

    std::unique_ptr<Win32Timer> timer_;
};

class Win32PictureBox final : public PictureBox, public Win32Constituent {
public:
    Win32PictureBox(Win32Container& owner, HWND h, const PictureBoxDesign& d, PictureBoxEvents* e)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), events_(e) {
        setColours(d.backColor, d.foreColor);
    }
    PartHandle<PictureBox> handle() const { return anchor_.handle(); }
    ErrorOr<Colour> BackColor() override { return back_; }

protected:
    bool message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_NCHITTEST) {
            result = HTCLIENT;
            return true;
        }
        // A child label's colours are asked of its parent, this box.
        if (msg == WM_CTLCOLORSTATIC) {
            auto* child =
                static_cast<Win32Constituent*>(GetPropW(reinterpret_cast<HWND>(lp), kPartProperty));
            if (child) {
                result = child->colour(reinterpret_cast<HDC>(wp));
                return true;
            }
            return false;
        }
        if (msg == WM_MOUSEMOVE && events_) {
            std::int16_t button = buttonsOf(wp), shift = shiftState();
            float x = xTwips(lp), y = yTwips(lp);
            delivered(events_->MouseMove(button, shift, x, y));
            result = 0;
            return true;
        }
        return false;
    }

private:
    void fill(PartView& v) const override { v.pictureBox = const_cast<Win32PictureBox*>(this); }

    PartAnchor<PictureBox> anchor_;
    SinkRef<PictureBoxEvents> events_;
};

class Win32Image final : public Image, public Win32Constituent {
public:
    Win32Image(Win32Container& owner, HWND h, const ImageDesign& d)
        : Win32Constituent(owner, h, d.bounds), anchor_(*this), picture_(d.picture) {
        if (auto* p = dynamic_cast<Win32Picture*>(picture_.get())) {
            const bool icon = p->type == picturetype::Icon;
            SendMessageW(hwnd_, STM_SETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(p->handle()));
        }
    }
    PartHandle<Image> handle() const { return anchor_.handle(); }
    ErrorOr<PictureRef> Picture() override { return picture_; }

private:
    void fill(PartView& v) const override {
        v.image = const_cast<Win32Image*>(this);
        v.picture = picture_;
    }

    PartAnchor<Image> anchor_;
    PictureRef picture_;
};

LRESULT CALLBACK parkingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(h, msg, wp, lp);
}

} // namespace

// ---- the container window -------------------------------------------------------------------

void Win32Container::registerClasses(HMODULE module) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Container::windowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kControlClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = &parkingProc;
    wc.lpszClassName = kParkingClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = &Win32Form::frameProc;
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
}

void Win32Container::unregisterClasses(HMODULE module) {
    destroyParkingWindow();
    UnregisterClassW(kControlClass, module);
    UnregisterClassW(kParkingClass, module);
    UnregisterClassW(kFormClass, module);
}

HWND parkingWindow(HMODULE module) {
    if (!g_parking || !IsWindow(g_parking))
        g_parking = CreateWindowExW(0, kParkingClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    module, nullptr);
    return g_parking;
}

void destroyParkingWindow() {
    if (g_parking && IsWindow(g_parking)) DestroyWindow(g_parking);
    g_parking = nullptr;
}

Win32Container::Win32Container(SurfaceOwner& owner, HMODULE module) : owner_(owner) {
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kControlClass, L"",
                            WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE, 0, 0, 0, 0,
                            parkingWindow(module), nullptr, module, this);
}

Win32Container::~Win32Container() {
    parts_.clear();
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Win32Container::reparent(HWND parent) {
    HWND to =
        parent ? parent
               : parkingWindow(reinterpret_cast<HMODULE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)));
    SetParent(hwnd_, to);
}

void Win32Container::place(const RECT& r) {
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    delivered(resize(toTwips(r.right - r.left), toTwips(r.bottom - r.top)));
}

void Win32Container::setVisible(bool visible) {
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Container::focusFirst() {
    for (const auto& p : parts_) {
        HWND h = p->hwnd();
        if (GetWindowLongPtrW(h, GWL_STYLE) & WS_TABSTOP && IsWindowEnabled(h) &&
            IsWindowVisible(h)) {
            ::SetFocus(h);
            return true;
        }
    }
    return false;
}

std::vector<PartView> Win32Container::parts() const {
    std::vector<PartView> out;
    out.reserve(parts_.size());
    for (const auto& p : parts_)
        out.push_back(p->view());
    return out;
}

void Win32Container::paintInto(HDC dc, const RECT& bounds) {
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &bounds, face);
    DeleteObject(face);
    for (const auto& p : parts_) {
        std::u16string text = p->faceText();
        if (text.empty()) continue;
        std::wstring w = toWide(text);
        RECT r = bounds;
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        break;
    }
}

ErrorOr<void> Win32Container::resize(Twips w, Twips h) {
    const bool changed = w != width_ || h != height_;
    width_ = w;
    height_ = h;
    if (!changed) return {};
    return owner_.resized();
}

ErrorOr<void> Win32Container::setWidth(Twips w) {
    if (w == width_) return {};
    RECT r{};
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, toPixels(w), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return resize(w, height_);
}

ErrorOr<void> Win32Container::setHeight(Twips h) {
    if (h == height_) return {};
    RECT r{};
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, toPixels(h),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return resize(width_, h);
}

ErrorOr<void> Win32Container::PropertyChanged(std::u16string_view name) {
    return owner_.propertyChanged(name);
}

ErrorOr<void> Win32Container::RaiseEvent(DispId number, EventArgs args) {
    return owner_.raiseEvent(number, args);
}

ErrorOr<FontRef> Win32Container::AmbientFont() {
    return owner_.ambientFont();
}

ErrorOr<void> Win32Container::setMaskPicture(PictureRef p) {
    maskPicture_ = std::move(p);
    return {};
}

ErrorOr<std::int32_t> Win32Container::hWnd() {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd_));
}

// The container shows the menu: the menu object's own Popup method is called with the flags,
// the position and the default item, each passed on as it came (omitted ones as omitted).
ErrorOr<void> Win32Container::PopupMenu(const Value& menu, const Value& flags, const Value& x,
                                        const Value& y, const Value& defaultMenu) {
    if (!menu.isObject()) return Error::typeMismatch();
    auto* d = dynamic_cast<DispatchObject*>(menu.anyObject().get());
    if (!d || !d->dispatch()) return owner_.popupMenu(menu, flags, x, y, defaultMenu);
    wchar_t popup[] = L"Popup";
    ComPtr<IDispatchEx> ex;
    LPOLESTR name = popup;
    DISPID id = 0;
    if (FAILED(d->dispatch()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
        // A script engine's own objects may answer only through IDispatchEx (Wine's VBScript
        // classes do).
        BSTR n = SysAllocString(popup);
        const bool found = SUCCEEDED(d->dispatch()->QueryInterface(
                               kIIDDispatchEx, reinterpret_cast<void**>(ex.put()))) &&
                           SUCCEEDED(ex->GetDispID(n, fdexNameCaseInsensitive, &id));
        SysFreeString(n);
        if (!found)
            return Error{errc::NotSupported, u"Object doesn't support this property or method"};
    }
    VARIANT args[4];
    const Value* in[4] = {&defaultMenu, &y, &x, &flags};
    for (int i = 0; i < 4; ++i)
        if (FAILED(toVariant(*in[i], args[i]))) return Error::typeMismatch();
    DISPPARAMS dp{args, nullptr, 4, 0};
    EXCEPINFO ei{};
    HRESULT hr =
        ex ? ex->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &ei, nullptr)
           : d->dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr,
                                   &ei, nullptr);
    for (VARIANT& v : args)
        VariantClear(&v);
    if (hr == DISP_E_EXCEPTION) {
        Error e{ei.scode ? ei.scode : ei.wCode, fromBstr(ei.bstrDescription)};
        SysFreeString(ei.bstrDescription);
        SysFreeString(ei.bstrSource);
        SysFreeString(ei.bstrHelpFile);
        if ((static_cast<std::uint32_t>(e.code) & 0xFFFF0000u) == 0x800A0000u) e.code &= 0xFFFF;
        return e;
    }
    if (FAILED(hr)) return Error{hr, u"Automation error"};
    return {};
}

HWND Win32Container::parentFor(std::u16string_view parentName) const {
    if (!parentName.empty())
        for (const auto& [name, window] : names_)
            if (name == parentName) return window;
    return hwnd_;
}

Win32Constituent* Win32Container::constituentOf(HWND h) const {
    for (const auto& p : parts_)
        if (p->hwnd() == h) return p.get();
    return nullptr;
}

namespace {

HWND makeChild(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle, const Bounds& b,
               std::u16string_view text, std::int16_t tabIndex) {
    std::wstring t = toWide(text);
    HWND h = CreateWindowExW(
        exStyle, cls, t.c_str(), WS_CHILD | WS_VISIBLE | style, toPixels(b.left), toPixels(b.top),
        toPixels(b.width), toPixels(b.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(tabIndex + 100)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    return h;
}

Error cannotCreate() {
    return {7, u"Out of memory"};
}

} // namespace

template <class Part, class Design, class... Events>
auto Win32Container::adopt(HWND h, const Design& d, const char* kind, std::int16_t tabIndex,
                           Events*... e) {
    names_.emplace_back(std::u16string(d.name), h);
    auto part = std::make_unique<Part>(*this, h, d, e...);
    part->describe(d.name, kind, tabIndex);
    auto handle = part->handle();
    parts_.push_back(std::move(part));
    return handle;
}

ErrorOr<PartHandle<TextBox>> Win32Container::addTextBox(const TextBoxDesign& d, TextBoxEvents* e) {
    DWORD style = WS_TABSTOP | ES_AUTOHSCROLL |
                  (d.alignment == 1   ? ES_RIGHT
                   : d.alignment == 2 ? ES_CENTER
                                      : ES_LEFT);
    if (!d.enabled) style |= WS_DISABLED;
    HWND h = makeChild(hwnd_, L"EDIT", style, WS_EX_CLIENTEDGE, d.bounds, d.text, d.tabIndex);
    if (!h) return cannotCreate();
    return adopt<Win32TextBox>(h, d, "TextBox", d.tabIndex, e);
}

ErrorOr<PartHandle<CommandButton>> Win32Container::addCommandButton(const CommandButtonDesign& d,
                                                                    CommandButtonEvents* e) {
    DWORD style = BS_PUSHBUTTON | (d.tabStop ? WS_TABSTOP : 0) | (d.enabled ? 0 : WS_DISABLED);
    HWND h = makeChild(hwnd_, L"BUTTON", style, 0, d.bounds, d.caption, d.tabIndex);
    if (!h) return cannotCreate();
    return adopt<Win32CommandButton>(h, d, "CommandButton", d.tabIndex, e);
}

ErrorOr<PartHandle<VScrollBar>> Win32Container::addVScrollBar(const VScrollBarDesign& d,
                                                              VScrollBarEvents* e) {
    HWND h = makeChild(hwnd_, L"SCROLLBAR", SBS_VERT | WS_TABSTOP, 0, d.bounds, u"", d.tabIndex);
    if (!h) return cannotCreate();
    return adopt<Win32VScrollBar>(h, d, "VScrollBar", d.tabIndex, e);
}

ErrorOr<PartHandle<Label>> Win32Container::addLabel(const LabelDesign& d, LabelEvents* e) {
    DWORD style = SS_NOTIFY | SS_NOPREFIX |
                  (d.alignment == 1   ? SS_RIGHT
                   : d.alignment == 2 ? SS_CENTER
                                      : SS_LEFT);
    HWND h = makeChild(parentFor(d.parent), L"STATIC", style, 0, d.bounds, d.caption, d.tabIndex);
    if (!h) return cannotCreate();
    return adopt<Win32Label>(h, d, "Label", d.tabIndex, e);
}

ErrorOr<PartHandle<Timer>> Win32Container::addTimer(const TimerDesign& d, TimerEvents* e) {
    // A timer has no window of its own; its part stands on a hidden one for the bookkeeping.
    HWND h = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr,
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)),
                             nullptr);
    if (!h) return cannotCreate();
    auto timer = std::make_unique<Win32Timer>(hwnd_, nextTimer_++, d, e);
    auto handle = timer->handle();
    auto part = std::make_unique<TimerPart>(*this, h, std::move(timer));
    part->describe(d.name, "Timer", 0);
    parts_.push_back(std::move(part));
    return handle;
}

ErrorOr<PartHandle<PictureBox>> Win32Container::addPictureBox(const PictureBoxDesign& d,
                                                              PictureBoxEvents* e) {
    HWND h = makeChild(hwnd_, L"STATIC", SS_NOTIFY | WS_CLIPCHILDREN, 0, d.bounds, u"", d.tabIndex);
    if (!h) return cannotCreate();
    return adopt<Win32PictureBox>(h, d, "PictureBox", d.tabIndex, e);
}

ErrorOr<PartHandle<Image>> Win32Container::addImage(const ImageDesign& d) {
    const auto* p = dynamic_cast<const Win32Picture*>(d.picture.get());
    DWORD style = p && p->type == picturetype::Icon ? SS_ICON : SS_BITMAP;
    HWND h = makeChild(parentFor(d.parent), L"STATIC", style, 0, d.bounds, u"", 0);
    if (!h) return cannotCreate();
    return adopt<Win32Image>(h, d, "Image", 0);
}

LRESULT CALLBACK Win32Container::windowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Container*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!self || self->hwnd_ != h) {
        return DefWindowProcW(h, msg, wp, lp);
    }
    return self->handle(msg, wp, lp);
}

LRESULT Win32Container::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (auto* p = constituentOf(reinterpret_cast<HWND>(lp))) p->command(HIWORD(wp));
        return 0;
    case WM_VSCROLL:
        if (auto* p = constituentOf(reinterpret_cast<HWND>(lp))) p->vscroll(LOWORD(wp));
        return 0;
    case WM_TIMER:
        for (const auto& p : parts_)
            if (p->isTimer(wp)) {
                p->timer();
                break;
            }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (auto* p = constituentOf(reinterpret_cast<HWND>(lp)))
            return p->colour(reinterpret_cast<HDC>(wp));
        break;
    case WM_MOUSEACTIVATE:
        owner_.activatedByUser();
        return MA_ACTIVATE;
    case MsgTabOn: {
        HWND root = GetAncestor(hwnd_, GA_ROOT);
        HWND next = GetNextDlgTabItem(root, GetFocus(), FALSE);
        if (next) ::SetFocus(next);
        return 0;
    }
    case MsgFocus: {
        HWND target = reinterpret_cast<HWND>(lp);
        if (constituentOf(target) && IsWindowEnabled(target) && IsWindowVisible(target))
            ::SetFocus(target);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---- top-level windows ----------------------------------------------------------------------

Win32Form::Win32Form(HMODULE module, std::u16string name) : name_(std::move(name)) {
    frame_ =
        CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, L"",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT,
                        CW_USEDEFAULT, 320, 320, nullptr, nullptr, module, nullptr);
    SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    surface_ = std::make_unique<Win32Container>(static_cast<SurfaceOwner&>(*this), module);
    surface_->reparent(frame_);
    RECT client{};
    GetClientRect(frame_, &client);
    surface_->place(client);
}

Win32Form::~Win32Form() {
    surface_.reset();
    if (frame_ && IsWindow(frame_)) {
        SetWindowLongPtrW(frame_, GWLP_USERDATA, 0);
        DestroyWindow(frame_);
    }
}

std::u16string Win32Form::caption() const {
    return windowText(frame_);
}

ErrorOr<void> Win32Form::setCaption(std::u16string_view v) {
    std::wstring w = toWide(v);
    if (!SetWindowTextW(frame_, w.c_str())) return gone();
    return {};
}

ErrorOr<void> Win32Form::setIcon(PictureRef p) {
    const auto* w = dynamic_cast<const Win32Picture*>(p.get());
    if (p && (!w || w->type != picturetype::Icon)) return Error::invalidPropertyValue();
    icon_ = std::move(p);
    SendMessageW(frame_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(w ? w->handle() : nullptr));
    return {};
}

ErrorOr<void> Win32Form::Show() {
    if (!IsWindow(frame_)) return gone();
    const bool was = visible();
    ShowWindow(frame_, SW_SHOW);
    if (!was) shown(true);
    return {};
}

ErrorOr<void> Win32Form::Hide() {
    if (!IsWindow(frame_)) return gone();
    const bool was = visible();
    ShowWindow(frame_, SW_HIDE);
    if (was) shown(false);
    return {};
}

void Win32Form::shown(bool on) {
    if (onShown) onShown(on);
}

LRESULT CALLBACK Win32Form::frameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && msg == WM_CLOSE) {
        // The window stays loaded: closing it hides it.
        delivered(self->Hide());
        return 0;
    }
    if (self && self->surface_ && msg == WM_SIZE) {
        RECT client{0, 0, LOWORD(lp), HIWORD(lp)};
        self->surface_->place(client);
    }
    return DefWindowProcW(h, msg, wp, lp);
}

// ---- runtime and shell ----------------------------------------------------------------------

ErrorOr<std::int32_t> Win32Runtime::MsgBox(std::u16string_view prompt, std::int32_t style,
                                           std::u16string_view title) {
    // A lone carriage return breaks the line, as it does in the message a form shows.
    std::wstring text;
    for (std::size_t i = 0; i < prompt.size(); ++i) {
        text += static_cast<wchar_t>(prompt[i]);
        if (prompt[i] == u'\r' && (i + 1 == prompt.size() || prompt[i + 1] != u'\n')) text += L'\n';
    }
    std::wstring caption = toWide(title);
    HWND owner = window_ && IsWindowVisible(window_) ? GetAncestor(window_, GA_ROOT) : nullptr;
    int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), static_cast<UINT>(style));
    if (answer == 0)
        return Error{errc::InvalidProcedureCall, u"Invalid procedure call or argument"};
    return answer;
}

ErrorOr<void> Win32Runtime::SendKeys(std::u16string_view keys, const Value&) {
    std::u16string lower(keys);
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    // Only the move to the next tab stop is ever sent; it is this window's focus traversal, not
    // input injected into the desktop.
    if (lower != u"{tab}") return Error::invalidProcedureCall();
    if (!window_ || !PostMessageW(window_, Win32Container::MsgTabOn, 0, 0))
        return Error::invalidProcedureCall();
    return {};
}

ErrorOr<TimeOfDay> Win32Runtime::Time() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return TimeOfDay{st.wHour * 3600 + st.wMinute * 60 + st.wSecond};
}

ErrorOr<std::u16string> Win32Runtime::AppPath() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(module_, path, static_cast<DWORD>(std::size(path)));
    if (n == 0 || n >= std::size(path)) return Error{53, u"File not found"};
    std::u16string p = fromWide(path, n);
    const std::size_t slash = p.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : p.substr(0, slash);
}

ErrorOr<std::int32_t> Win32Shell::ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                                std::string_view file, std::string_view parameters,
                                                std::string_view directory,
                                                std::int32_t showCommand) {
    const std::string op(operation), f(file), params(parameters), dir(directory);
    HINSTANCE r = ::ShellExecuteA(reinterpret_cast<HWND>(static_cast<std::intptr_t>(hwnd)),
                                  op.c_str(), f.c_str(), params.c_str(), dir.c_str(), showCommand);
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(r));
}

} // namespace tessivra::win32
