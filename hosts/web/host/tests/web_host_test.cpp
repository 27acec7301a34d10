// The web host on a real DOM: a probe control places one constituent of each kind and records
// what its sinks hear, and the tests act through DOM events as a user's browser delivers them.

#include "framework/registry/resources.h"
#include "hosts/web/host/tests/test_text_services.h"
#include "hosts/web/host/web_bag.h"
#include "hosts/web/host/web_page.h"

#include <gtest/gtest.h>

namespace tessivra::web {
namespace {

const ControlClass kProbeClass{u"Probe", {}, {}, {}, 2400, 1200};

class Probe final : public Control,
                    public TextBoxEvents,
                    public VScrollBarEvents,
                    public TimerEvents {
public:
    static ErrorOr<std::unique_ptr<Probe>> create(Site s) { return createControl<Probe>(s); }
    explicit Probe(Site s) : Control(s, kProbeClass) {}

    std::vector<std::string> heard;
    PartHandle<TextBox> text;
    PartHandle<VScrollBar> bar;
    PartHandle<tessivra::Timer> timer;
    // What the next KeyPress handler does with KeyAscii, and whether it sends keys.
    std::optional<std::int16_t> replaceKeyAscii;
    std::u16string sendOnKeyPress;

    ErrorOr<void> KeyDown(std::int16_t& code, std::int16_t& shift) override {
        heard.push_back("KeyDown " + std::to_string(code) + " " + std::to_string(shift));
        return {};
    }
    ErrorOr<void> KeyPress(std::int16_t& ascii) override {
        heard.push_back("KeyPress " + std::to_string(ascii));
        if (replaceKeyAscii) ascii = *replaceKeyAscii;
        if (!sendOnKeyPress.empty()) TRY(runtime().SendKeys(sendOnKeyPress));
        return {};
    }
    ErrorOr<void> KeyUp(std::int16_t& code, std::int16_t&) override {
        heard.push_back("KeyUp " + std::to_string(code));
        return {};
    }
    ErrorOr<void> GotFocus() override {
        heard.push_back("GotFocus");
        return {};
    }
    ErrorOr<void> LostFocus() override {
        heard.push_back("LostFocus");
        return {};
    }
    // The text box's Change and the scroll bar's share the name; both are heard.
    ErrorOr<void> Change() override {
        heard.push_back("Change");
        return {};
    }
    ErrorOr<void> Timer() override {
        heard.push_back("Timer " + std::to_string(TRY(runtime().Time()).seconds));
        return {};
    }

protected:
    ErrorOr<void> createConstituents() override {
        text = TRY(container().addTextBox({.name = u"Text1", .bounds = {0, 0, 1440, 300}},
                                          static_cast<TextBoxEvents*>(this)));
        bar = TRY(container().addVScrollBar({.name = u"VScroll1",
                                             .bounds = {1500, 0, 255, 1200},
                                             .tabIndex = 1,
                                             .min = 0,
                                             .max = 3},
                                            static_cast<VScrollBarEvents*>(this)));
        timer = TRY(container().addTimer({.name = u"Timer1", .interval = 1000},
                                         static_cast<TimerEvents*>(this)));
        return {};
    }
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);
};

class WebHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = val::global("document").call<val>("createElement", val("div"));
        val::global("document")["body"].call<void>("appendChild", root);
        page = std::make_unique<WebPage>(root, text, PageSettings{.virtualClock = true});
        auto made = page->add(
            u"p1",
            [](Site s) -> ErrorOr<std::shared_ptr<Control>> {
                return std::shared_ptr<Control>(TRY(Probe::create(s)));
            },
            kProbeClass.designWidth, kProbeClass.designHeight);
        ASSERT_FALSE(made.isError());
        probe = static_cast<Probe*>(made.value());
        box = static_cast<WebTextBox*>(probe->text);
        scroll = static_cast<WebVScrollBar*>(probe->bar);
        ASSERT_FALSE(page->moveFocus(box).isError());
        probe->heard.clear();
    }
    void TearDown() override {
        page.reset();
        root.call<void>("remove");
    }

    // A key as the browser delivers it: down on the focused element, up on the one focused then.
    void press(int keyCode, std::u16string_view key, bool shift = false) {
        for (const char* type : {"keydown", "keyup"}) {
            val init = val::object();
            init.set("key", jsString(key));
            init.set("keyCode", keyCode);
            init.set("shiftKey", shift);
            init.set("bubbles", true);
            init.set("cancelable", true);
            page->focused()->focusElement().call<bool>(
                "dispatchEvent", val::global("KeyboardEvent").new_(val(type), init));
        }
    }
    void pasteText(std::u16string_view s) {
        val data = val::global("DataTransfer").new_();
        data.call<void>("setData", val("text/plain"), jsString(s));
        val init = val::object();
        init.set("clipboardData", data);
        init.set("cancelable", true);
        box->element().call<bool>("dispatchEvent",
                                  val::global("ClipboardEvent").new_(val("paste"), init));
    }
    std::u16string shown() const { return fromJs(box->element()["value"]); }

    testing::TestTextServices text;
    val root = val::undefined();
    std::unique_ptr<WebPage> page;
    Probe* probe = nullptr;
    WebTextBox* box = nullptr;
    WebVScrollBar* scroll = nullptr;
};

TEST_F(WebHostTest, TypedKeyRunsDownPressInsertChangeUpAndTheElementShowsIt) {
    press(65, u"a");
    EXPECT_EQ(probe->heard,
              (std::vector<std::string>{"KeyDown 65 0", "KeyPress 97", "Change", "KeyUp 65"}));
    EXPECT_EQ(shown(), u"a");
    EXPECT_EQ(box->selStart(), 1);
}

TEST_F(WebHostTest, KeyAsciiDecidesWhatIsInsertedAndZeroInsertsNothing) {
    probe->replaceKeyAscii = 0;
    press(65, u"a");
    EXPECT_EQ(shown(), u"");
    EXPECT_EQ(std::count(probe->heard.begin(), probe->heard.end(), "Change"), 0);
    probe->replaceKeyAscii = 66; // B
    press(65, u"a");
    // A code of the code page, not of Unicode: 0xC9 is É in Windows-1252.
    probe->replaceKeyAscii = 0xC9;
    press(69, u"e");
    EXPECT_EQ(shown(), u"B\u00C9");
}

TEST_F(WebHostTest, MaxLengthHoldsTypingAndPastingButNeverAssignment) {
    ASSERT_FALSE(box->setMaxLength(3).isError());
    press(65, u"a");
    pasteText(u"bcdef"); // only what fits
    EXPECT_EQ(shown(), u"abc");
    press(71, u"g"); // refused whole
    EXPECT_EQ(shown(), u"abc");
    ASSERT_FALSE(box->setText(u"longer than three").isError());
    EXPECT_EQ(shown(), u"longer than three");
    EXPECT_EQ(box->Text().value(), u"longer than three");
    // Deleting is never held back, even above the limit.
    ASSERT_FALSE(box->setSelStart(17).isError());
    press(8, u"Backspace");
    EXPECT_EQ(shown(), u"longer than thre");
}

TEST_F(WebHostTest, ChangeOnEveryChangeOnlyAndPastingRaisesNoKeys) {
    ASSERT_FALSE(box->setText(u"same").isError());
    probe->heard.clear();
    ASSERT_FALSE(box->setText(u"same").isError());
    EXPECT_TRUE(probe->heard.empty());
    ASSERT_FALSE(box->setSelStart(4).isError());
    pasteText(u"!");
    EXPECT_EQ(probe->heard, std::vector<std::string>{"Change"});
    EXPECT_EQ(shown(), u"same!");
}

TEST_F(WebHostTest, EditingKeysActOnTheSelectionTheElementHolds) {
    ASSERT_FALSE(box->setText(u"abcd").isError());
    // The user selects "bc" with the mouse: the box takes the element's selection.
    box->element().call<void>("setSelectionRange", 1, 3);
    press(46, u"Delete");
    EXPECT_EQ(shown(), u"ad");
    press(36, u"Home");
    press(88, u"X", true);
    EXPECT_EQ(shown(), u"Xad");
}

TEST_F(WebHostTest, SentTabMovesTheFocusOnlyAfterTheHandlerReturns) {
    probe->sendOnKeyPress = u"{tab}";
    press(65, u"a");
    // The key was inserted into the box that had the focus; the move came after the handler,
    // so the release reached the scroll bar, which has no key events.
    EXPECT_EQ(shown(), u"a");
    EXPECT_EQ(page->focusName(), "p1.VScroll1");
    EXPECT_EQ(probe->heard,
              (std::vector<std::string>{"KeyDown 65 0", "KeyPress 97", "Change", "LostFocus"}));
    EXPECT_TRUE(
        page->focused()->focusElement().strictlyEquals(val::global("document")["activeElement"]));
}

TEST_F(WebHostTest, NothingChangesTheTextBehindTheEditPath) {
    ASSERT_FALSE(box->setText(u"fixed").isError());
    // Input the browser would carry out on its own (a drop, its menu's insertion) is refused.
    val init = val::object();
    init.set("inputType", "insertText");
    init.set("data", "zz");
    init.set("cancelable", true);
    const bool carriedOut = box->element().call<bool>(
        "dispatchEvent", val::global("InputEvent").new_(val("beforeinput"), init));
    EXPECT_FALSE(carriedOut);
    // A locked box refuses the user's keys and pastes, never code's assignment.
    ASSERT_FALSE(box->setLocked(VTrue).isError());
    press(65, u"a");
    pasteText(u"pasted");
    EXPECT_EQ(shown(), u"fixed");
    ASSERT_FALSE(box->setSelText(u"code ").isError());
    EXPECT_EQ(shown(), u"code fixed");
}

TEST_F(WebHostTest, FocusRequestsFollowTheHostsRules) {
    ASSERT_FALSE(box->setEnabled(VFalse).isError());
    // The disabled box gave the focus on, as Tab would, and refuses it with the named code.
    EXPECT_EQ(page->focusName(), "p1.VScroll1");
    auto refused = box->SetFocus();
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, errc::CannotTakeFocus);
    EXPECT_TRUE(box->element()["disabled"].as<bool>());
    // A user's click into the enabled box moves the page's focus with the browser's.
    ASSERT_FALSE(box->setEnabled(VTrue).isError());
    box->element().call<void>("focus");
    EXPECT_EQ(page->focusName(), "p1.Text1");
}

TEST_F(WebHostTest, WindowsAreModalDialogsShownAndHidden) {
    WebWindow& w = page->openWindow(u"frmAbout");
    const val dialog = w.element()["parentElement"];
    EXPECT_EQ(dialog["localName"].as<std::string>(), "dialog");
    EXPECT_FALSE(dialog["open"].as<bool>());
    ASSERT_FALSE(w.Show().isError());
    EXPECT_TRUE(dialog["open"].as<bool>());
    EXPECT_TRUE(dialog.call<bool>("matches", val(":modal")));
    ASSERT_FALSE(w.Hide().isError());
    EXPECT_FALSE(dialog["open"].as<bool>());
    EXPECT_EQ(page->window(u"frmAbout"), &w); // hidden, still loaded
}

TEST_F(WebHostTest, ScrollBarStepsBetweenItsEndsWithMinAtTheTop) {
    val down = scroll->arrow(true), up = scroll->arrow(false);
    auto clickOn = [](val target) { target.call<void>("click"); };
    clickOn(up); // already at Min: nothing moves, nothing is raised
    EXPECT_EQ(std::count(probe->heard.begin(), probe->heard.end(), "Change"), 0);
    for (int i = 0; i < 5; ++i)
        clickOn(down);
    EXPECT_EQ(scroll->value(), 3); // stopped at Max
    EXPECT_EQ(std::count(probe->heard.begin(), probe->heard.end(), "Change"), 3);
    EXPECT_EQ(page->focusName(), "p1.VScroll1"); // the arrow gave the bar the focus
    // The up arrow is above the down arrow on the page.
    EXPECT_LT(up.call<val>("getBoundingClientRect")["top"].as<double>(),
              down.call<val>("getBoundingClientRect")["top"].as<double>());
    auto refused = scroll->setValue(4);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, errc::InvalidPropertyValue);
    ASSERT_FALSE(scroll->setMax(-32768).isError()); // drags the position along, 16-bit
    EXPECT_EQ(scroll->value(), -32768);
}

TEST_F(WebHostTest, TwipsAreCssPixelsAtNinetySixToTheInch) {
    const val rect = box->element().call<val>("getBoundingClientRect");
    EXPECT_DOUBLE_EQ(rect["width"].as<double>(), 96.0); // 1440 twips
    EXPECT_DOUBLE_EQ(rect["height"].as<double>(), 20.0);
    ASSERT_FALSE(box->setWidth(720).isError());
    EXPECT_DOUBLE_EQ(box->element().call<val>("getBoundingClientRect")["width"].as<double>(), 48.0);
    EXPECT_TRUE(box->setWidth(std::numeric_limits<float>::infinity()).isError());
    EXPECT_TRUE(box->setWidth(-1).isError());
}

TEST_F(WebHostTest, TimersFireOnceForMissedIntervalsAtTheirLastDueMoment) {
    page->clockMs = 0;
    page->stopTimer(*static_cast<WebTimer*>(probe->timer));
    page->startTimer(*static_cast<WebTimer*>(probe->timer));
    ASSERT_FALSE(page->tick(999).isError());
    EXPECT_TRUE(probe->heard.empty());
    ASSERT_FALSE(page->tick(2500).isError()); // due at 1 s, 2 s, 3 s: fires once, at 3 s
    EXPECT_EQ(probe->heard, std::vector<std::string>{"Timer 3"});
    EXPECT_TRUE(page->tick(-1).isError());
}

TEST_F(WebHostTest, HandlesFailCleanlyOnceTheConstituentsAreGone) {
    page->container(u"p1")->destroyConstituents();
    // The elements went with them.
    EXPECT_EQ(page->container(u"p1")->element()["childElementCount"].as<int>(), 0);
    auto r = probe->text->Text();
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::ObjectDisconnected);
}

TEST_F(WebHostTest, ShellOpensOnlyWebAndMailAddressesAsUtf8) {
    std::vector<std::string> opened;
    page->shell().open = [&](const std::string& a) {
        opened.push_back(a);
        return 42;
    };
    // The address arrives in the code page: 0xE9 is é.
    EXPECT_EQ(page->shell().ShellExecuteA(0, "open", "https://ex.com/caf\xE9", "", "", 1).value(),
              42);
    EXPECT_EQ(page->shell().ShellExecuteA(0, "open", "JavaScript:alert(1)", "", "", 1).value(), 5);
    EXPECT_EQ(page->shell().ShellExecuteA(0, "open", "mailto:a@b.c", "", "", 1).value(), 42);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://ex.com/caf\xC3\xA9", "mailto:a@b.c"}));
}

TEST(WebObjectsTest, PicturesAreDrawableAndBadBytesAreRefused) {
    WebObjects objects;
    auto logo = objects.LoadResPicture(resid::CreditsLogo, ResourceKind::Bitmap);
    ASSERT_FALSE(logo.isError());
    EXPECT_EQ(logo.value()->widthPixels, 200);
    auto* drawable = dynamic_cast<WebPicture*>(logo.value().get());
    ASSERT_NE(drawable, nullptr);
    EXPECT_TRUE(drawable->url.starts_with("data:image/bmp;base64,Qk")); // "BM" in front
    EXPECT_EQ(objects.LoadResPicture(resid::CreditsLogo, ResourceKind::Icon).error().code,
              errc::ResourceNotFound);
    const std::uint8_t cut[] = {'B', 'M', 0, 0};
    EXPECT_EQ(objects.LoadPicture(cut).error().code, errc::InvalidPicture);
    const std::uint8_t noImage[] = {0, 0, 1, 0, 0, 0};
    EXPECT_EQ(objects.LoadPicture(noImage).error().code, errc::InvalidPicture);
}

TEST(WebBagTest, JsonKeepsEveryTypeAndRefusesBadText) {
    WebPropertyBag bag;
    bag.put(u"lone", Value(std::u16string(u"a\xD800z")));
    bag.put(u"i2", Value(std::int16_t{-5}));
    bag.put(u"r4", Value(std::numeric_limits<float>::infinity()));
    auto font = std::make_shared<Font>(u"Arial", 9.75f, 700);
    bag.put(u"font", Value(font));
    auto back = WebPropertyBag::fromJson(bag.toJson());
    ASSERT_FALSE(back.isError()) << toUtf8(back.error().description);
    EXPECT_EQ(back.value().find(u"lone")->string(), u"a\xD800z");
    EXPECT_EQ(back.value().find(u"i2")->i2(), -5);
    EXPECT_TRUE(std::isinf(back.value().find(u"r4")->r4()));
    EXPECT_EQ(back.value().find(u"font")->font()->weight, 700);

    EXPECT_EQ(WebPropertyBag::fromJson("{").error().description,
              u"Bad property bag file: not JSON");
    auto overflow =
        WebPropertyBag::fromJson(R"({"entries":[{"key":"k","type":"Integer","value":40000}]})");
    EXPECT_EQ(overflow.error().code, errc::Overflow);
    auto fraction =
        WebPropertyBag::fromJson(R"({"entries":[{"key":"k","type":"Long","value":1.5}]})");
    EXPECT_EQ(fraction.error().code, errc::InvalidPropertyValue);
    EXPECT_TRUE(WebPropertyBag::fromJson(R"({"entries":[{"type":"Long","value":1}]})").isError());
}

} // namespace
} // namespace tessivra::web
