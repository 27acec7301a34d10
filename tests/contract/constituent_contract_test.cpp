// The rules a control relies on from its host's constituents and services, checked on every
// host through a probe control that records what its constituents tell it.

#include "controls/display/HoraAtual/HoraAtual.h"
#include "controls/text/MailText/MailText.h"
#include "controls/text/UrlText/UrlText.h"

#include "tests/driver/host_driver.h"

#include <algorithm>

namespace tessivra::testing {
namespace {

// A control with a text box (Text1), a scroll bar beside it (VScroll1) and a timer, which
// writes down every event its constituents deliver and lets a test act inside each handler.
class Probe final : public Control {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<Probe>> create(Site site) { return createControl<Probe>(site); }
    explicit Probe(Site site) : Control(site, Class) {}

    PartHandle<TextBox> text1;
    PartHandle<VScrollBar> bar;
    std::vector<std::string> heard;
    std::function<void(std::int16_t& keyCode)> onKeyDown;
    std::function<void(std::int16_t& keyAscii)> onKeyPress;
    std::function<void()> onLostFocus, onTimer;
    Runtime& services() const { return runtime(); }

protected:
    ErrorOr<void> createConstituents() override {
        text1 = TRY(container().addTextBox(
            {.name = u"Text1", .bounds = {0, 0, 1000, 300}, .tabIndex = 0}, &boxEvents_));
        bar = TRY(container().addVScrollBar({.name = u"VScroll1",
                                             .bounds = {1000, 0, 255, 300},
                                             .tabIndex = 1,
                                             .min = -5,
                                             .max = 5,
                                             .value = 0},
                                            &barEvents_));
        TRY(container().addTimer({.name = u"Timer1", .interval = 100}, &timerEvents_));
        return {};
    }

private:
    struct BoxEvents final : TextBoxEvents {
        Probe& p;
        explicit BoxEvents(Probe& probe) : p(probe) {}
        ErrorOr<void> Change() override { return p.note("Change"); }
        ErrorOr<void> GotFocus() override { return p.note("GotFocus"); }
        ErrorOr<void> LostFocus() override {
            TRY(p.note("LostFocus"));
            if (p.onLostFocus) p.onLostFocus();
            return {};
        }
        ErrorOr<void> KeyDown(std::int16_t& code, std::int16_t& shift) override {
            TRY(p.note("KeyDown " + std::to_string(code) + " " + std::to_string(shift)));
            if (p.onKeyDown) p.onKeyDown(code);
            return {};
        }
        ErrorOr<void> KeyPress(std::int16_t& ascii) override {
            TRY(p.note("KeyPress " + std::to_string(ascii)));
            if (p.onKeyPress) p.onKeyPress(ascii);
            return {};
        }
        ErrorOr<void> KeyUp(std::int16_t& code, std::int16_t& shift) override {
            return p.note("KeyUp " + std::to_string(code) + " " + std::to_string(shift));
        }
    };
    struct BarEvents final : VScrollBarEvents {
        Probe& p;
        explicit BarEvents(Probe& probe) : p(probe) {}
        ErrorOr<void> Change() override { return p.note("bar Change"); }
    };
    struct TimerSink final : TimerEvents {
        Probe& p;
        explicit TimerSink(Probe& probe) : p(probe) {}
        ErrorOr<void> Timer() override {
            TRY(p.note("Timer"));
            if (p.onTimer) p.onTimer();
            return {};
        }
    };
    ErrorOr<void> note(std::string what) {
        heard.push_back(std::move(what));
        return {};
    }

    BoxEvents boxEvents_{*this};
    BarEvents barEvents_{*this};
    TimerSink timerEvents_{*this};
};
const ControlClass Probe::Class{u"Probe", {}, {}, {}, 1255, 300};

class ContractTest : public HostTest {
protected:
    void SetUp() override {
        p1 = form.add<Probe>(u"p1").value();
        p2 = form.add<Probe>(u"p2").value();
        ASSERT_NE(p1, nullptr);
        ASSERT_NE(p2, nullptr);
    }
    std::u16string text(Probe* p) const { return p->text1->Text().value(); }

    std::unique_ptr<HostDriver> host_ = makeHost();
    HostDriver& form = *host_;
    Probe* p1 = nullptr;
    Probe* p2 = nullptr;
};

// ---- text: MaxLength, keys and the code page ------------------------------------------------

TEST_P(ContractTest, MaxLengthLimitsTypingAndPastingButNeverAnAssignedText) {
    ASSERT_OK(p1->text1->setMaxLength(4));
    ASSERT_OK(form.type(u"p1", u"abcdef"));
    EXPECT_EQ(text(p1), u"abcd");
    ASSERT_OK(p1->text1->setText(u""));
    ASSERT_OK(form.paste(u"p1", u"123456"));
    EXPECT_EQ(text(p1).size(), 4u);
    EXPECT_TRUE(std::u16string(u"123456").starts_with(text(p1))) << toUtf8(text(p1));
    // Code may put in more than the limit, and the text stays whole.
    ASSERT_OK(p1->text1->setText(u"assigned, far longer"));
    EXPECT_EQ(text(p1), u"assigned, far longer");
    ASSERT_OK(p1->text1->setSelStart(0));
    ASSERT_OK(p1->text1->setSelText(u"and selected "));
    EXPECT_EQ(text(p1), u"and selected assigned, far longer");
    // A full box takes no more typing, but deleting still works.
    ASSERT_OK(form.key(u"p1", 35));
    ASSERT_OK(form.type(u"p1", u"x\b"));
    EXPECT_EQ(text(p1), u"and selected assigned, far longe");
}

TEST_P(ContractTest, ATypedKeyRaisesKeyDownKeyPressChangeKeyUpInThatOrder) {
    ASSERT_OK(form.type(u"p1", u"a"));
    EXPECT_EQ(p1->heard, (std::vector<std::string>{"GotFocus", "KeyDown 65 0", "KeyPress 97",
                                                   "Change", "KeyUp 65 0"}));
    EXPECT_EQ(text(p1), u"a");
}

TEST_P(ContractTest, WhatKeyAsciiHoldsAfterKeyPressIsInsertedAndZeroInsertsNothing) {
    p1->onKeyPress = [](std::int16_t& k) {
        if (k == 'x') k = 0;
        if (k == 'y') k = 'Y';
        if (k == 'z') k = 0x80; // the euro sign in Windows-1252
    };
    ASSERT_OK(form.type(u"p1", u"axyz"));
    EXPECT_EQ(text(p1), u"aY\u20ac");
    // Nothing inserted, nothing changed: one Change for each of the three insertions.
    EXPECT_EQ(std::count(p1->heard.begin(), p1->heard.end(), "Change"), 3);
}

TEST_P(ContractTest, KeyPressCarriesTheSingleByteCodeOfTheCharacter) {
    ASSERT_OK(form.type(u"p1", u"\u00e9\u20ac"));
    EXPECT_NE(std::find(p1->heard.begin(), p1->heard.end(), "KeyPress 233"), p1->heard.end());
    EXPECT_NE(std::find(p1->heard.begin(), p1->heard.end(), "KeyPress 128"), p1->heard.end());
    EXPECT_EQ(text(p1), u"\u00e9\u20ac");
}

TEST_P(ContractTest, AZeroedKeyCodeInKeyDownDoesNotCancelTheCharacter) {
    p1->onKeyDown = [](std::int16_t& code) { code = 0; };
    ASSERT_OK(form.type(u"p1", u"a"));
    EXPECT_EQ(text(p1), u"a");
    EXPECT_EQ(p1->heard, (std::vector<std::string>{"GotFocus", "KeyDown 65 0", "KeyPress 97",
                                                   "Change", "KeyUp 65 0"}));
}

TEST_P(ContractTest, AZeroedKeyCodeStillLetsKeyPressThrough) {
    p1->onKeyDown = [](std::int16_t& code) { code = 0; };
    ASSERT_OK(form.type(u"p1", u"a"));
    EXPECT_EQ(text(p1), u"a");
    EXPECT_NE(std::find(p1->heard.begin(), p1->heard.end(), "KeyPress 97"), p1->heard.end());
}

// ---- focus ----------------------------------------------------------------------------------

TEST_P(ContractTest, SetFocusOnABoxThatCannotTakeItFailsWithTheNamedCode) {
    ASSERT_OK(form.focus(u"p2"));
    ASSERT_OK(p1->text1->setEnabled(VFalse));
    auto r = p1->text1->SetFocus();
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::CannotTakeFocus);
    EXPECT_EQ(form.focusName(), "p2.Text1");
    ASSERT_OK(p1->text1->setEnabled(VTrue));
    ASSERT_OK(p1->text1->SetFocus());
    EXPECT_EQ(form.focusName(), "p1.Text1");
}

TEST_P(ContractTest, AFocusRequestMadeWhileTheFocusMovesIsCarriedOutAfterTheMove) {
    ASSERT_OK(form.focus(u"p1"));
    p1->heard.clear();
    std::string focusWhenCalled;
    p1->onLostFocus = [&] {
        p1->onLostFocus = nullptr;
        auto r = p1->text1->SetFocus();
        EXPECT_FALSE(r.isError());
        focusWhenCalled = form.focusName();
        p1->heard.push_back("SetFocus returned");
    };
    ASSERT_OK(form.focus(u"p2"));
    // The call returns at once; p2 gets the focus first, then loses it again to p1.
    EXPECT_EQ(p1->heard, (std::vector<std::string>{"LostFocus", "SetFocus returned", "GotFocus"}));
    EXPECT_EQ(std::count(p2->heard.begin(), p2->heard.end(), "GotFocus"), 1);
    EXPECT_EQ(p2->heard.back(), "LostFocus");
    EXPECT_EQ(form.focusName(), "p1.Text1");
    EXPECT_NE(focusWhenCalled, "p1.Text1");
}

TEST_P(ContractTest, TheTabSentByEnterMovesToTheNextTabStopOnceTheHandlerHasReturned) {
    std::string focusInHandler;
    p1->onKeyDown = [&](std::int16_t& code) {
        if (code != 13) return;
        ASSERT_OK(p1->services().SendKeys(u"{tab}"));
        focusInHandler = form.focusName();
        p1->heard.push_back("handler returns");
    };
    ASSERT_OK(form.type(u"p1", u"ab"));
    ASSERT_OK(form.key(u"p1", 13));
    EXPECT_EQ(focusInHandler, "p1.Text1");
    // The next tab stop is the probe's own scroll bar; the text is untouched.
    EXPECT_EQ(form.focusName(), "p1.VScroll1");
    EXPECT_EQ(text(p1), u"ab");
    auto returned = std::find(p1->heard.begin(), p1->heard.end(), "handler returns");
    auto lost = std::find(p1->heard.begin(), p1->heard.end(), "LostFocus");
    EXPECT_LT(returned, lost);
    EXPECT_EQ(form.sentKeys(), std::vector<std::u16string>{u"{tab}"});
}

// ---- the scroll bar -------------------------------------------------------------------------

TEST_P(ContractTest, AScrollBarRefusesValuesOutsideItsRangeAndReportsEveryMove) {
    VScrollBar& bar = *p1->bar;
    EXPECT_EQ(bar.Min().value(), -5);
    EXPECT_EQ(bar.Max().value(), 5);
    auto refused = bar.setValue(6);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, errc::InvalidPropertyValue);
    EXPECT_TRUE(bar.setValue(-6).isError());
    ASSERT_OK(bar.setValue(0)); // staying put is no move
    EXPECT_TRUE(p1->heard.empty());
    ASSERT_OK(bar.setValue(5));
    ASSERT_OK(form.scroll(u"p1", true)); // at the bottom already
    ASSERT_OK(form.scroll(u"p1", false, 2));
    EXPECT_EQ(bar.Value().value(), 3);
    EXPECT_EQ(std::count(p1->heard.begin(), p1->heard.end(), "bar Change"), 3);
    // Moving an end past the position drags it along, and that is a move too.
    ASSERT_OK(bar.setMin(4));
    EXPECT_EQ(bar.Value().value(), 4);
    EXPECT_EQ(std::count(p1->heard.begin(), p1->heard.end(), "bar Change"), 4);
    // The whole 16-bit range.
    ASSERT_OK(bar.setMin(-32768));
    ASSERT_OK(bar.setMax(32767));
    ASSERT_OK(bar.setValue(-32768));
    EXPECT_EQ(bar.Value().value(), -32768);
    ASSERT_OK(bar.setValue(32767));
    EXPECT_EQ(bar.Value().value(), 32767);
}

// ---- while a message box is up --------------------------------------------------------------

// A mail box "m" holding a bad address, a clock "h" and an address box "u": leaving "m" shows
// its warning, during which the test acts as the user would in the box's nested loop.
class ModalContractTest : public HostTest {
protected:
    void SetUp() override {
        form.setClock(12 * 3600 * 1000);
        mail = form.add<MailText>(u"m").value();
        ASSERT_NE(mail, nullptr);
        ASSERT_TRUE(form.add<HoraAtual>(u"h"));
        ASSERT_TRUE(form.add<UrlText>(u"u"));
        ASSERT_OK(mail->setText(u"sem-arroba"));
        ASSERT_OK(form.focus(u"m"));
    }
    // Acts once, in the first message box only.
    void whileShown(std::function<void()> act) {
        form.whileMessageBoxShown([this, act = std::move(act)](const MessageBoxShown&) {
            if (acted_) return;
            acted_ = true;
            act();
        });
    }

    std::unique_ptr<HostDriver> host_ = makeHost();
    HostDriver& form = *host_;
    MailText* mail = nullptr;
    bool acted_ = false;
};

TEST_P(ModalContractTest, AFocusChangeDuringTheWarningLeavesOneFocusAndNoLoop) {
    // The user clicks the address box again while the warning is up.
    whileShown([&] { ASSERT_OK(form.focus(u"u")); });
    ASSERT_OK(form.focus(u"u"));
    // However the host orders the two moves, the focus ends in one box, and the warning was
    // not shown over and over.
    EXPECT_LE(form.messageBoxes().size(), 2u);
    std::string f = form.focusName();
    EXPECT_TRUE(f == "m.Text1" || f == "u.Text1") << f;
    EXPECT_EQ(Part(&form, u"m", u"Text1").text(), u"sem-arroba");
}

TEST_P(ModalContractTest, TimersKeepFiringWhileTheWarningIsUp) {
    std::u16string during;
    whileShown([&] {
        ASSERT_OK(form.tick(1000));
        during = Part(&form, u"h", u"Label1").caption();
    });
    ASSERT_OK(form.focus(u"u"));
    EXPECT_EQ(form.messageBoxes().size(), 1u);
    EXPECT_NE(during, u"00:00:00");
    EXPECT_EQ(form.focusName(), "m.Text1");
}

TEST_P(ModalContractTest, TheFormClosedDuringTheWarningGoesOnceTheHandlerHasReturned) {
    whileShown([&] {
        form.closeForm();
        // Still there while the mail box's handler is on the stack.
        EXPECT_FALSE(form.formClosed());
    });
    auto r = form.focus(u"u");
    (void)r; // the check may succeed or fail giving the focus back; it must not crash
    EXPECT_TRUE(form.formClosed());
    EXPECT_EQ(form.control(u"m"), nullptr);
    EXPECT_TRUE(form.focus(u"m").isError());
}

TEST_P(ModalContractTest, TheFormClosedDuringTheAddressBoxsWarningGoesAfterTheClick) {
    ASSERT_OK(mail->setText(u"fulano@exemplo.com"));
    ASSERT_OK(form.type(u"u", u"exemplo"));
    whileShown([&] { form.closeForm(); });
    auto r = form.click(u"u", u"Command1");
    (void)r;
    EXPECT_EQ(form.messageBoxes().size(), 1u);
    EXPECT_TRUE(form.formClosed());
}

TEST_P(ModalContractTest, AHandlerGoesOnSafelyAfterAMessageBoxDuringWhichTheFormClosed) {
    ASSERT_OK(mail->setText(u"fulano@exemplo.com"));
    auto* probe = form.add<Probe>(u"p").value();
    ASSERT_NE(probe, nullptr);
    std::u16string afterwards;
    whileShown([&] { form.closeForm(); });
    probe->onKeyPress = [&](std::int16_t&) {
        ASSERT_OK(probe->services().MsgBox(u"Sure?", msgbox::Information, u"Probe"));
        // The box has returned: the constituents are still there to be used.
        ASSERT_OK(probe->text1->setText(u"after the box"));
        afterwards = probe->text1->Text().value();
    };
    auto r = form.type(u"p", u"a");
    (void)r;
    EXPECT_EQ(afterwards, u"after the box");
    EXPECT_TRUE(form.formClosed());
}

TEST_P(ModalContractTest, ATimerTickDuringAProbesMessageBoxReEntersItsOwnTimer) {
    auto* probe = form.add<Probe>(u"p").value();
    ASSERT_NE(probe, nullptr);
    int depth = 0, deepest = 0;
    probe->onTimer = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (depth == 1) ASSERT_OK(probe->services().MsgBox(u"Tick", 0, u"Probe"));
        --depth;
    };
    // Two advances while the box is up, each past one due moment: a host may fold firings
    // missed within one advance into one, as a desktop's timer messages are.
    whileShown([&] {
        ASSERT_OK(form.tick(150));
        ASSERT_OK(form.tick(100));
    });
    ASSERT_OK(form.tick(100));
    // The handler was entered again from inside its own message box.
    EXPECT_EQ(deepest, 2);
    EXPECT_GE(std::count(probe->heard.begin(), probe->heard.end(), "Timer"), 3);
}

TESSIVRA_HOST_SUITE(ContractTest);
TESSIVRA_HOST_SUITE(ModalContractTest);

} // namespace
} // namespace tessivra::testing
