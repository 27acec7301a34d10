// What only the Win32 host does, tested on its windows directly: the view of its constituents,
// the form's focus while another window holds the desktop's, the code page of a typed key, and
// the layout the runtime reads amounts in.

#include "hosts/win32/runtime/text_services.h"
#include "hosts/win32/server/win32_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessivra::win32 {
namespace {

// The control's side of the surface, with nothing to do.
class QuietOwner final : public SurfaceOwner {
public:
    ErrorOr<void> propertyChanged(std::u16string_view) override { return {}; }
    ErrorOr<void> raiseEvent(DispId, EventArgs) override { return {}; }
    ErrorOr<FontRef> ambientFont() override { return FontRef(); }
    ErrorOr<void> resized() override { return {}; }
    void activatedByUser() override {}
};

// What each constituent heard, in one list for all of them.
struct Heard {
    std::vector<std::string> lines;
};

class BoxEvents final : public TextBoxEvents {
public:
    BoxEvents(Heard& h, std::string name) : h_(h), name_(std::move(name)) {}
    ErrorOr<void> GotFocus() override { return note("GotFocus"); }
    ErrorOr<void> LostFocus() override {
        if (onLostFocus) onLostFocus();
        return note("LostFocus");
    }
    ErrorOr<void> KeyPress(std::int16_t& keyAscii) override {
        return note("KeyPress " + std::to_string(keyAscii));
    }
    std::function<void()> onLostFocus;

private:
    ErrorOr<void> note(const std::string& what) {
        h_.lines.push_back(name_ + " " + what);
        return {};
    }
    Heard& h_;
    std::string name_;
};

class LabelHeard final : public LabelEvents {
public:
    explicit LabelHeard(Heard& h) : h_(h) {}
    ErrorOr<void> Click() override { return note("Click"); }
    ErrorOr<void> DblClick() override { return note("DblClick"); }
    ErrorOr<void> MouseDown(std::int16_t& b, std::int16_t&, float&, float&) override {
        return note("MouseDown " + std::to_string(b));
    }
    ErrorOr<void> MouseUp(std::int16_t& b, std::int16_t&, float&, float&) override {
        return note("MouseUp " + std::to_string(b));
    }

private:
    ErrorOr<void> note(const std::string& what) {
        h_.lines.push_back(what);
        return {};
    }
    Heard& h_;
};

class ButtonHeard final : public CommandButtonEvents {
public:
    explicit ButtonHeard(Heard& h) : h_(h) {}
    ErrorOr<void> Click() override {
        h_.lines.push_back("button Click");
        return {};
    }

private:
    Heard& h_;
};

class FocusLog final : public InputObserver {
public:
    explicit FocusLog(Heard& h) : h_(h) {}
    void focusMoved(HWND to) override { h_.lines.push_back("focus " + std::to_string(names(to))); }
    std::function<int(HWND)> names = [](HWND) { return 0; };

private:
    Heard& h_;
};

// A form's frame: activating it leaves the focus to whoever sets it, as a form that gives the
// focus back to its active control does, rather than taking it itself as the desktop's default.
LRESULT CALLBACK frameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ACTIVATE) return 0;
    return DefWindowProcW(h, msg, wp, lp);
}
constexpr wchar_t kFrameClass[] = L"TessivraTestFrame";

HWND newFrame(const wchar_t* title) {
    return CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, title,
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&m);
}

// A shown top-level window holding one surface.
class SurfaceTest : public ::testing::Test {
protected:
    SurfaceTest() {
        static const bool started = [] {
            (void)OleInitialize(nullptr);
            Win32Container::registerClasses(GetModuleHandleW(nullptr));
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &frameProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kFrameClass;
            RegisterClassExW(&wc);
            return true;
        }();
        (void)started;
        frame_ = newFrame(L"Form");
        surface = std::make_unique<Win32Container>(owner_, GetModuleHandleW(nullptr));
        surface->reparent(frame_);
        surface->place(RECT{0, 0, 500, 300});
        SetActiveWindow(frame_);
        setInputObserver(&focus);
        pump();
    }
    ~SurfaceTest() override {
        setInputObserver(nullptr);
        surface.reset();
        DestroyWindow(frame_);
        pump();
    }
    HWND windowOf(std::u16string_view name) const {
        for (const PartView& v : surface->parts())
            if (v.name == name) return v.hwnd;
        return nullptr;
    }
    TextBox& addBox(std::u16string_view name, std::int16_t tabIndex, BoxEvents* e) {
        auto h = surface->addTextBox({.name = name,
                                      .bounds = {0, static_cast<Twips>(tabIndex * 400), 1500, 300},
                                      .tabIndex = tabIndex},
                                     e);
        EXPECT_FALSE(h.isError());
        return *h.value();
    }

    QuietOwner owner_;
    HWND frame_ = nullptr;
    Heard heard;
    FocusLog focus{heard};
    std::unique_ptr<Win32Container> surface;
};

TEST_F(SurfaceTest, ItsViewShowsEachConstituentAsDesignedInTheOrderAdded) {
    ASSERT_FALSE(
        surface
            ->addTextBox(
                {.name = u"Text1", .bounds = {15, 30, 1500, 300}, .tabIndex = 2, .text = u"abc"},
                nullptr)
            .isError());
    ASSERT_FALSE(surface
                     ->addLabel({.name = u"Label1",
                                 .bounds = {0, 450, 900, 195},
                                 .tabIndex = 3,
                                 .caption = u"Hora",
                                 .alignment = 2,
                                 .backStyle = 0},
                                nullptr)
                     .isError());
    ASSERT_FALSE(
        surface->addVScrollBar({.name = u"VScroll1", .min = 0, .max = 10, .value = 3}, nullptr)
            .isError());
    ASSERT_FALSE(surface->addTimer({.name = u"Timer1", .interval = 250}, nullptr).isError());

    const std::vector<PartView> parts = surface->parts();
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0].kind, "TextBox");
    EXPECT_EQ(parts[0].name, u"Text1");
    EXPECT_EQ(parts[0].tabIndex, 2);
    EXPECT_EQ(parts[0].bounds.left, 15);
    EXPECT_EQ(parts[0].bounds.width, 1500);
    EXPECT_EQ(parts[0].text, u"abc");
    ASSERT_NE(parts[0].textBox, nullptr);
    EXPECT_EQ(parts[0].textBox->Text().value(), u"abc");
    EXPECT_EQ(parts[1].kind, "Label");
    EXPECT_EQ(parts[1].text, u"Hora");
    EXPECT_EQ(parts[1].alignment, 2);
    EXPECT_EQ(parts[1].backStyle, 0);
    EXPECT_EQ(parts[2].kind, "VScrollBar");
    EXPECT_EQ(parts[2].value, 3);
    EXPECT_EQ(parts[3].kind, "Timer");
    ASSERT_NE(parts[3].timer, nullptr);
    EXPECT_EQ(parts[3].timer->Interval().value(), 250);
    EXPECT_NE(parts[3].timerId, 0u);
}

TEST_F(SurfaceTest, TheFocusGoingToAnotherWindowAndBackIsNoMoveBetweenConstituents) {
    BoxEvents aEvents(heard, "a"), bEvents(heard, "b");
    addBox(u"a", 0, &aEvents);
    addBox(u"b", 1, &bEvents);
    HWND a = windowOf(u"a"), b = windowOf(u"b");
    focus.names = [&](HWND h) { return h == a ? 1 : h == b ? 2 : 0; };
    SetFocus(a);
    pump();
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"focus 1", "a GotFocus"}));

    // A window of its own, as a message box is: the form's focus stays with a.
    heard.lines.clear();
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    SetFocus(other);
    SetFocus(a);
    DestroyWindow(other);
    pump();
    EXPECT_EQ(heard.lines, std::vector<std::string>{});

    // A move between the two is told once, before the box losing the focus hears of it.
    SetFocus(b);
    pump();
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"focus 2", "a LostFocus", "b GotFocus"}));
}

TEST_F(SurfaceTest, EachFormKeepsItsOwnFocusWhileTheOtherIsActive) {
    BoxEvents aEvents(heard, "a"), otherEvents(heard, "o");
    addBox(u"a", 0, &aEvents);
    HWND a = windowOf(u"a");
    // A second form, as the about window is, with a box of its own.
    HWND frame2 = newFrame(L"Other");
    Win32Container other(owner_, GetModuleHandleW(nullptr));
    other.reparent(frame2);
    ASSERT_FALSE(
        other.addTextBox({.name = u"o", .bounds = {0, 0, 900, 300}}, &otherEvents).isError());
    HWND o = other.parts().front().hwnd;
    SetFocus(a);
    SetFocus(o);
    pump();
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{"focus 0", "a GotFocus", "focus 0", "o GotFocus"}));
    // Back in the first form, a still holds its focus: nothing moved there.
    heard.lines.clear();
    SetFocus(a);
    SetFocus(o);
    pump();
    EXPECT_EQ(heard.lines, std::vector<std::string>{});
    DestroyWindow(frame2);
}

TEST_F(SurfaceTest, ADisabledFocusedBoxHandsTheFocusOnAndCannotTakeItBackMeanwhile) {
    BoxEvents aEvents(heard, "a"), bEvents(heard, "b");
    TextBox& a = addBox(u"a", 0, &aEvents);
    addBox(u"b", 1, &bEvents);
    SetFocus(windowOf(u"a"));
    pump();
    std::optional<ErrorOr<void>> back;
    aEvents.onLostFocus = [&] { back = a.SetFocus(); };
    ASSERT_FALSE(a.setEnabled(VFalse).isError());
    pump();
    EXPECT_EQ(GetFocus(), windowOf(u"b"));
    ASSERT_TRUE(back.has_value());
    ASSERT_TRUE(back->isError());
    EXPECT_EQ(back->error().code, errc::CannotTakeFocus);
    EXPECT_EQ(a.Enabled().value(), VFalse);
    // Enabled again, it takes the focus as before.
    ASSERT_FALSE(a.setEnabled(VTrue).isError());
    aEvents.onLostFocus = nullptr;
    EXPECT_FALSE(a.SetFocus().isError());
    EXPECT_EQ(GetFocus(), windowOf(u"a"));
}

TEST_F(SurfaceTest, KeyPressCarriesTheCharactersByteInTheRuntimesCodePage) {
    BoxEvents events(heard, "a");
    TextBox& box = addBox(u"a", 0, &events);
    HWND h = windowOf(u"a");
    SetFocus(h);
    heard.lines.clear();
    // ş is 0xFE in Windows-1254; in Windows-1252 it has no byte and keeps its own code.
    surface->setCodePage(1254);
    SendMessageW(h, WM_CHAR, 0x015F, 1);
    surface->setCodePage(1252);
    SendMessageW(h, WM_CHAR, 0x015F, 1);
    SendMessageW(h, WM_CHAR, 0x00E9, 1);
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{"a KeyPress 254", "a KeyPress 351", "a KeyPress 233"}));
    EXPECT_EQ(box.Text().value(), u"\u015F\u015F\u00E9");
}

TEST_F(SurfaceTest, NegativeSizesAreRefusedAndLeaveTheBoundsAsTheyWere) {
    TextBox& box = addBox(u"a", 0, nullptr);
    auto label = surface->addLabel({.name = u"Label1", .bounds = {0, 0, 600, 200}}, nullptr);
    ASSERT_FALSE(label.isError());
    for (auto r : {box.setWidth(-15), box.setHeight(-1), label.value()->setWidth(-1),
                   label.value()->setHeight(-30)}) {
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, 380);
    }
    EXPECT_EQ(box.Width().value(), 1500);
    EXPECT_EQ(label.value()->Height().value(), 200);
    EXPECT_FALSE(box.setWidth(0).isError());
}

TEST_F(SurfaceTest, ALabelHearsEveryButtonAndTheReleaseEndingADoubleClickIsNoClick) {
    LabelHeard events(heard);
    ASSERT_FALSE(
        surface->addLabel({.name = u"Label1", .bounds = {0, 0, 900, 300}}, &events).isError());
    HWND h = windowOf(u"Label1");
    SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    SendMessageW(h, WM_RBUTTONUP, 0, 0);
    SendMessageW(h, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    SendMessageW(h, WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{"MouseDown 2", "MouseUp 2", "MouseDown 4", "MouseUp 4"}));
    heard.lines.clear();
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
                     WM_LBUTTONUP})
        SendMessageW(h, msg, 0, 0);
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{"MouseDown 1", "MouseUp 1", "Click", "DblClick",
                                        "MouseUp 1", "MouseDown 1", "MouseUp 1", "Click"}));
}

TEST_F(SurfaceTest, APressThatLosesTheFocusBeforeItsReleaseClicksNothing) {
    ButtonHeard events(heard);
    addBox(u"a", 0, nullptr);
    ASSERT_FALSE(
        surface
            ->addCommandButton({.name = u"Command1", .bounds = {1500, 0, 495, 300}, .tabIndex = 1},
                               &events)
            .isError());
    HWND button = windowOf(u"Command1");
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SetFocus(windowOf(u"a"));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    pump();
    EXPECT_EQ(std::count(heard.lines.begin(), heard.lines.end(), "button Click"), 0);
    heard.lines.clear();
    // An unbroken press clicks.
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    pump();
    EXPECT_EQ(std::count(heard.lines.begin(), heard.lines.end(), "button Click"), 1);
}

// ---- the runtime's reading of amounts --------------------------------------------------------

std::u16string formatted(const char16_t* locale, std::u16string_view text) {
    win32runtime::Win32TextServices services({locale, 1252});
    auto r = services.Format(Value(std::u16string(text)), u"0.00", 1, 1);
    return r.isError() ? u"error" : r.value();
}

TEST(Win32RuntimeAmounts, AreReadByThreesOrInTheLocalesOwnGroupingAndNothingElse) {
    EXPECT_EQ(formatted(u"en-IN", u"1,23,456.5"), u"123456.50");
    EXPECT_EQ(formatted(u"en-IN", u"+12,34,56,789"), u"123456789.00");
    EXPECT_EQ(formatted(u"en-IN", u"123,456.5"), u"123456.50");
    // Neither layout: the text comes back as it is.
    EXPECT_EQ(formatted(u"en-IN", u"1,2,3"), u"1,2,3");
    EXPECT_EQ(formatted(u"en-IN", u"123,45,678"), u"123,45,678");
    // India's grouping is India's alone.
    EXPECT_EQ(formatted(u"en-US", u"1,23,456.5"), u"1,23,456.5");
    EXPECT_EQ(formatted(u"en-US", u"1,234,567"), u"1234567.00");
}

} // namespace
} // namespace tessivra::win32
