#include "controls/text/MailText/MailText.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/UrlText/UrlText.h"

#include "tests/support.h"

#include <algorithm>

namespace tessivra::testing {
namespace {

using headless::HeadlessCommandButton;

const std::u16string kPrompt = u"O endere\u00e7o est\u00e1 incorreto!\r\rProv\u00e1veis "
                               u"problemas:\rEst\u00e1 faltando ''http://'' e/ou ''.''";

class UrlTextTest : public PlacedTextControl<UrlText> {
protected:
    UrlTextTest() : PlacedTextControl(u"u1") {}
    void SetUp() override {
        PlacedTextControl::SetUp();
        if (HasFatalFailure()) return;
        button = site()->find<HeadlessCommandButton>(u"Command1");
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"next"));
        form.journal().clear();
    }
    const std::vector<headless::MessageBoxRecord>& messages() {
        return form.runtime().messageBoxes;
    }
    const std::vector<headless::ShellRequest>& launches() { return form.shell().requests; }
    // The address arrives without key events; then a key released in the box (End) enables
    // the button, and the user clicks it.
    void launch(std::u16string_view address) {
        ASSERT_OK(box->setText(u""));
        ASSERT_OK(form.paste(u"u1", address));
        ASSERT_OK(form.key(u"u1", 35));
        ASSERT_TRUE(button->enabled());
        ASSERT_OK(form.click(u"u1", u"Command1"));
    }

    HeadlessCommandButton* button = nullptr;
};

TEST_F(UrlTextTest, TheBoxAndTheButtonSitSideBySideAndTheHeightEndsAtThreeHundredTwips) {
    EXPECT_EQ(text1->bounds().width, 3480);
    EXPECT_EQ(text1->bounds().height, 300);
    EXPECT_EQ(button->bounds().left, 3480);
    EXPECT_EQ(button->bounds().width, 495);
    for (auto [w, h] : {std::pair{6000.f, 800.f}, {1000.5f, 120.f}, {495.f, 300.f}}) {
        ASSERT_OK(form.resize(u"u1", w, h));
        EXPECT_EQ(form.container(u"u1")->height(), 300);
        EXPECT_EQ(text1->bounds().width, w - 495);
        EXPECT_EQ(text1->bounds().height, 300);
        EXPECT_EQ(text1->bounds().left, 0);
        EXPECT_EQ(button->bounds().left, w - 495);
        EXPECT_EQ(button->bounds().top, 0);
        EXPECT_EQ(button->bounds().width, 495);
        EXPECT_EQ(button->bounds().height, 300);
    }
}

TEST_F(UrlTextTest, AControlNarrowerThanTheButtonPassesTheNegativeWidthToTheBoxWhichRefusesIt) {
    auto r = form.resize(u"u1", 300, 900);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 380);
    EXPECT_EQ(form.container(u"u1")->height(), 300);
    // The layout stopped at the refused width; the button was not moved.
    EXPECT_EQ(text1->bounds().width, 3480);
    EXPECT_EQ(button->bounds().left, 3480);
}

TEST_F(UrlTextTest, TheLaunchButtonStartsDisabledWithItsPictureEvenWhenATextIsLoaded) {
    EXPECT_FALSE(button->enabled());
    EXPECT_EQ(button->tabIndex(), 1);
    ASSERT_NE(button->picture(), nullptr);
    EXPECT_EQ(button->picture()->name, u"launch-button");
    EXPECT_EQ(button->picture()->widthPixels, 32);
    EXPECT_EQ(button->picture()->heightPixels, 32);
    EXPECT_NE(button->describe().find("caption=\"\""), std::string::npos);

    HeadlessPropertyBag bag;
    bag.put(u"Text", Value(u"http://example.com"));
    auto* loaded = form.add<UrlText>(u"u2").value();
    ASSERT_OK(form.load(u"u2", bag));
    EXPECT_EQ(loaded->Text().value(), u"http://example.com");
    EXPECT_FALSE(form.container(u"u2")->find<HeadlessCommandButton>(u"Command1")->enabled());
}

TEST_F(UrlTextTest,
       AKeyReleasedInABoxWithTextEnablesTheButtonAndDeletingTheLastCharacterDisablesIt) {
    ASSERT_OK(form.type(u"u1", u"h"));
    EXPECT_TRUE(button->enabled());
    ASSERT_OK(form.key(u"u1", 8)); // Backspace
    EXPECT_EQ(text(), u"");
    EXPECT_FALSE(button->enabled());
    // Text that arrives without a key release leaves the button as it was.
    ASSERT_OK(box->setText(u"http://a.b"));
    EXPECT_FALSE(button->enabled());
    ASSERT_OK(form.paste(u"u1", u"x"));
    EXPECT_FALSE(button->enabled());
    ASSERT_OK(form.key(u"u1", 37)); // an arrow key is released too
    EXPECT_TRUE(button->enabled());
    ASSERT_OK(box->setText(u""));
    EXPECT_TRUE(button->enabled());
    ASSERT_OK(form.key(u"u1", 39));
    EXPECT_FALSE(button->enabled());
}

TEST_F(UrlTextTest, TheButtonRuleRunsAfterTheFormsKeyUpHandler) {
    sink.handler = [&](DispId id, EventArgs) {
        if (id == 5) ASSERT_OK(box->setText(u"")); // the form empties the box on KeyUp
    };
    ASSERT_OK(form.type(u"u1", u"a"));
    EXPECT_FALSE(button->enabled());
}

TEST_F(UrlTextTest, TypedCapitalsArriveInLowerCaseWhileAssignedAndPastedTextKeepsThem) {
    ASSERT_OK(form.type(u"u1", u"HTTP://WWW.Exemplo.COM.BR/A_B"));
    EXPECT_EQ(text(), u"http://www.exemplo.com.br/a_b");
    ASSERT_OK(box->setText(u"HTTP://X"));
    EXPECT_EQ(box->Text().value(), u"HTTP://X");
    std::vector<std::int16_t> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        if (id == 4) seen.push_back(args[0].i2());
        if (id == 4 && args[0].i2() == 'Z') args[0].i2() = 0;
    };
    ASSERT_OK(form.type(u"u1", u"YZ"));
    EXPECT_EQ(seen, (std::vector<std::int16_t>{'Y', 'Z'}));
    EXPECT_EQ(text(), u"yHTTP://X");
}

TEST_F(UrlTextTest, ClickingWithAnEmptyBoxDoesNothing) {
    ASSERT_OK(form.type(u"u1", u"a"));
    ASSERT_OK(box->setText(u""));
    ASSERT_TRUE(button->enabled());
    form.journal().clear();
    ASSERT_OK(form.click(u"u1", u"Command1"));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(launches().empty());
    EXPECT_TRUE(button->enabled());
    // Only the host moved the focus, to the button that was clicked.
    EXPECT_EQ(form.focusName(), "u1.Command1");
    EXPECT_EQ(form.journal().lines, std::vector<std::string>{"focus u1.Command1"});
}

TEST_F(UrlTextTest,
       AnAddressWithoutThePrefixOrTheDotShowsTheMessageDisablesTheButtonAndKeepsTheText) {
    std::size_t shown = 0;
    for (std::u16string_view address :
         {u"www.exemplo.com", u"http://localhost", u"exemplo", u"HTTP://X.COM", u"http:/x.com"}) {
        launch(address);
        ASSERT_EQ(messages().size(), ++shown) << toUtf8(address);
        EXPECT_EQ(messages().back().prompt, kPrompt);
        EXPECT_EQ(std::count(kPrompt.begin(), kPrompt.end(), u'\r'), 3);
        EXPECT_EQ(messages().back().style, 64);
        EXPECT_EQ(messages().back().title, u"Aviso!");
        EXPECT_FALSE(button->enabled());
        EXPECT_EQ(form.focusName(), "u1.Text1");
        EXPECT_EQ(text(), address);
    }
    EXPECT_TRUE(launches().empty());
    // Disabled until a key is released again in a box that still holds text.
    ASSERT_OK(form.key(u"u1", 36));
    EXPECT_TRUE(button->enabled());
}

TEST_F(UrlTextTest, APassingAddressReachesTheShellInLowerCaseWhileTheBoxKeepsItsCapitals) {
    launch(u"http://Example.COM/Caminho?Q=1");
    ASSERT_EQ(launches().size(), 1u);
    const auto& request = launches()[0];
    EXPECT_EQ(request.hwnd, form.container(u"u1")->hWnd().value());
    EXPECT_EQ(request.operation, "Open");
    EXPECT_EQ(request.file, "http://example.com/caminho?q=1");
    EXPECT_EQ(request.parameters, "");
    EXPECT_EQ(request.directory, "/usr/lib/tessivra");
    EXPECT_EQ(request.showCommand, 1);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(text(), u"http://Example.COM/Caminho?Q=1");
    EXPECT_EQ(form.focusName(), "u1.Text1");
    EXPECT_TRUE(button->enabled());

    // Anywhere, in either order.
    launch(u"see x.y at http://z");
    ASSERT_EQ(launches().size(), 2u);
    EXPECT_EQ(launches()[1].file, "see x.y at http://z");
}

// A secure address passes as a plain one does; the prefix must still be exact and the "."
// present, and the message and the button behave as for any failing address.
TEST_F(UrlTextTest, ASecureAddressLaunchesWhileItsCapitalisedOrDotlessFormsDoNot) {
    launch(u"https://Exemplo.com.br/A");
    launch(u"veja https://x.org");
    ASSERT_EQ(launches().size(), 2u);
    EXPECT_EQ(launches()[0].file, "https://exemplo.com.br/a");
    EXPECT_EQ(launches()[1].file, "veja https://x.org");
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(button->enabled());

    std::size_t shown = 0;
    for (std::u16string_view address : {u"https://localhost", u"HTTPS://X.COM", u"https:/x.com"}) {
        launch(address);
        ASSERT_EQ(messages().size(), ++shown) << toUtf8(address);
        EXPECT_EQ(messages().back().prompt, kPrompt);
        EXPECT_FALSE(button->enabled());
        EXPECT_EQ(text(), address);
    }
    EXPECT_EQ(launches().size(), 2u);
}

TEST_F(UrlTextTest, TheShellGetsTheTextsInTheSingleByteCodePage) {
    launch(u"http://exemplo.com/Ação");
    ASSERT_EQ(launches().size(), 1u);
    EXPECT_EQ(launches()[0].file, "http://exemplo.com/a\xe7\xe3o");
}

TEST_F(UrlTextTest, EnterMovesTheFocusToTheButtonOnlyWhileTheButtonIsEnabled) {
    ASSERT_OK(form.type(u"u1", u"http://a.b"));
    ASSERT_OK(form.key(u"u1", 13));
    EXPECT_EQ(form.focusName(), "u1.Command1");

    ASSERT_OK(form.type(u"u1", u"\b\b\b\b\b\b\b\b\b\b"));
    EXPECT_EQ(text(), u"");
    EXPECT_FALSE(button->enabled());
    ASSERT_OK(form.key(u"u1", 13));
    EXPECT_EQ(form.focusName(), "next.Text1");
}

TEST_F(UrlTextTest, EventsAreNumberedWithoutDblClickAndADoubleClickRaisesNone) {
    std::vector<DispId> ids;
    sink.handler = [&](DispId id, EventArgs) { ids.push_back(id); };
    ASSERT_OK(form.dblClick(u"u1", u"Text1"));
    // MouseDown, MouseUp, Click, then only the second MouseUp.
    EXPECT_EQ(ids, (std::vector<DispId>{6, 8, 2, 8}));
    ids.clear();
    ASSERT_OK(form.type(u"u1", u"a"));
    EXPECT_EQ(ids, (std::vector<DispId>{3, 4, 1, 5}));
    std::vector<std::u16string_view> names;
    for (const auto& e : UrlText::Class.events)
        names.push_back(e.name);
    EXPECT_EQ(names,
              (std::vector<std::u16string_view>{u"Change", u"Click", u"KeyDown", u"KeyPress",
                                                u"KeyUp", u"MouseDown", u"MouseMove", u"MouseUp"}));
}

TEST_F(UrlTextTest, SettingEnabledFalseDisablesOnlyTheBoxAndEnabledCannotBeRead) {
    ASSERT_OK(form.type(u"u1", u"x"));
    ASSERT_TRUE(button->enabled());
    ASSERT_OK(box->setEnabled(VFalse));
    EXPECT_FALSE(text1->enabled());
    EXPECT_TRUE(button->enabled());
    EXPECT_EQ(form.container(u"u1")->notices, std::vector<std::u16string>{u"Enabled"});
    auto enabled = std::find_if(UrlText::Class.members.begin(), UrlText::Class.members.end(),
                                [](const DispatchMember& m) { return m.name == u"Enabled"; });
    ASSERT_NE(enabled, UrlText::Class.members.end());
    EXPECT_EQ(enabled->access, access::Let);
    EXPECT_EQ(enabled->get, nullptr);
    ASSERT_OK(enabled->put(*box, Value::boolean(true)));
    EXPECT_TRUE(text1->enabled());
}

TEST_F(UrlTextTest, TheMembersRunInTheirInterfaceOrderWithTheirIdentifiers) {
    std::vector<std::pair<std::u16string_view, DispId>> got;
    for (const auto& m : UrlText::Class.members)
        got.emplace_back(m.name, m.id);
    constexpr DispId b = 0x68030000;
    EXPECT_EQ(got, (std::vector<std::pair<std::u16string_view, DispId>>{{u"Alignment", b + 0xD},
                                                                        {u"BackColor", b + 0xC},
                                                                        {u"BorderStyle", b + 0xB},
                                                                        {u"Enabled", b + 0xA},
                                                                        {u"Font", -512},
                                                                        {u"ForeColor", b + 9},
                                                                        {u"Locked", b + 8},
                                                                        {u"MaxLength", b + 7},
                                                                        {u"MouseIcon", b + 6},
                                                                        {u"MousePointer", b + 5},
                                                                        {u"SelLength", b + 4},
                                                                        {u"SelStart", b + 3},
                                                                        {u"SelText", b + 2},
                                                                        {u"Text", b + 1},
                                                                        {u"ToolTipText", b + 0}}));
    EXPECT_EQ(UrlText::Class.designWidth, 3975);
    EXPECT_EQ(UrlText::Class.designHeight, 300);
}

TEST_F(UrlTextTest, SavingWritesSixteenKeysTakingEnabledFromTheBoxAndLoadingRestoresThem) {
    ASSERT_OK(form.type(u"u1", u"x"));
    ASSERT_OK(box->setText(u"http://Exemplo.com"));
    ASSERT_OK(box->setEnabled(VFalse));
    ASSERT_OK(box->setAlignment(2));
    HeadlessPropertyBag bag;
    ASSERT_OK(form.save(u"u1", bag));
    std::vector<std::u16string> keys;
    for (const auto& [k, v] : bag.entries())
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alignment", u"BackColor", u"BorderStyle",
                                                 u"DataSource", u"Enabled", u"Font", u"ForeColor",
                                                 u"Locked", u"MaxLength", u"MouseIcon",
                                                 u"MousePointer", u"SelLength", u"SelStart",
                                                 u"SelText", u"Text", u"ToolTipText"}));
    EXPECT_EQ(*bag.find(u"Enabled"), Value::boolean(false));

    auto* copy = form.add<UrlText>(u"u2").value();
    ASSERT_OK(form.load(u"u2", bag));
    auto* copyText1 = form.container(u"u2")->find<HeadlessTextBox>(u"Text1");
    EXPECT_EQ(copy->Text().value(), u"http://Exemplo.com");
    EXPECT_FALSE(copyText1->enabled());
    EXPECT_EQ(copy->Alignment().value(), 2);
    // The button's state is neither saved nor loaded.
    EXPECT_FALSE(form.container(u"u2")->find<HeadlessCommandButton>(u"Command1")->enabled());
    EXPECT_EQ(form.container(u"u2")->notices, std::vector<std::u16string>{u"MouseIcon"});
}

TEST_F(UrlTextTest, AFailingHostCallStopsTheLaunchThereAndTravelsBack) {
    std::size_t launched = 0;
    for (const char* call : {"u1.UserControl.hWnd", "Runtime.LCase", "Runtime.AppPath",
                             "Runtime.StrConv", "Shell.ShellExecuteA"}) {
        form.faults().failNext(call);
        ASSERT_OK(box->setText(u"http://a.b"));
        ASSERT_OK(form.key(u"u1", 35));
        auto r = form.click(u"u1", u"Command1");
        ASSERT_TRUE(r.isError()) << call;
        EXPECT_EQ(r.error().code, headless::InjectedFailureCode);
        EXPECT_EQ(launches().size(), launched) << call;
        // The focus is not given back after a failure.
        EXPECT_EQ(form.focusName(), "u1.Command1") << call;
    }
    // The shell's own answer is not looked at.
    form.shell().result = 2;
    ASSERT_OK(form.key(u"u1", 35));
    ASSERT_OK(form.click(u"u1", u"Command1"));
    EXPECT_EQ(launches().size(), ++launched);
    EXPECT_TRUE(messages().empty());
}

TEST_F(UrlTextTest, AFocusCallTheBoxRefusesGoesBackAfterTheLaunch) {
    ASSERT_OK(form.type(u"u1", u"http://a.b"));
    ASSERT_OK(box->setEnabled(VFalse));
    ASSERT_TRUE(button->enabled());
    auto r = form.click(u"u1", u"Command1");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::InvalidProcedureCall);
    EXPECT_EQ(launches().size(), 1u);
    EXPECT_EQ(form.focusName(), "u1.Command1");
}

TEST(UrlTextWithMailText, AFailedLaunchCheckTakingTheFocusBackDoesNotSetOffAMailCheck) {
    HeadlessForm form;
    auto* mail = form.add<MailText>(u"m").value();
    auto* url = form.add<UrlText>(u"u").value();
    ASSERT_OK(mail->setText(u"sem-arroba"));
    ASSERT_OK(form.type(u"u", u"exemplo"));
    // Disabling the focused button sends the focus to the first box on the form, the mail box;
    // giving the focus back to the address box then takes it from there.
    ASSERT_OK(form.click(u"u", u"Command1"));
    ASSERT_EQ(form.runtime().messageBoxes.size(), 1u);
    EXPECT_NE(form.runtime().messageBoxes[0].prompt.find(u"http://"), std::u16string::npos);
    EXPECT_EQ(form.focusName(), "u.Text1");
    EXPECT_EQ(url->Text().value(), u"exemplo");
    // Later departures from the mail box are checked as usual.
    ASSERT_OK(form.focus(u"m"));
    ASSERT_OK(form.focus(u"u"));
    EXPECT_EQ(form.runtime().messageBoxes.size(), 2u);
    EXPECT_EQ(form.focusName(), "m.Text1");
}

TEST(UrlTextWithMailText, APressInterruptedByAMailCheckLosesItsClick) {
    HeadlessForm form;
    ASSERT_TRUE(form.add<MailText>(u"m"));
    ASSERT_TRUE(form.add<UrlText>(u"u"));
    ASSERT_OK(form.type(u"u", u"http://x.org"));
    ASSERT_OK(form.type(u"m", u"sem-arroba"));
    // Pressing the launch button takes the focus from the failing mail box, whose check shows
    // its message and takes the focus back: the press is broken and nothing is launched.
    ASSERT_OK(form.click(u"u", u"Command1"));
    EXPECT_EQ(form.runtime().messageBoxes.size(), 1u);
    EXPECT_TRUE(form.shell().requests.empty());
    EXPECT_EQ(form.focusName(), "m.Text1");
}

} // namespace
} // namespace tessivra::testing
