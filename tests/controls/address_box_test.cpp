// The two address boxes, MailText and UrlText, on shared tables where their rules are the same
// (typed capitals turn lower case, a missing part of the address shows the one warning and
// keeps the text), then what each does alone: the mail box checks when the focus leaves it, the
// address box when its launch button is clicked.

#include "controls/text/MailText/MailText.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/UrlText/UrlText.h"

#include "tests/driver/host_driver.h"

#include <algorithm>

namespace tessivra::testing {
namespace {

// The warning exactly as the user must see it: lone carriage returns, two apostrophes in a row,
// naming the part that is missing.
std::u16string warning(std::u16string_view missing) {
    return u"O endere\u00e7o est\u00e1 incorreto!\r\rProv\u00e1veis problemas:\rEst\u00e1 "
           u"faltando ''" +
           std::u16string(missing) + u"'' e/ou ''.''";
}

bool isMail(std::string_view box) {
    return box == "MailText";
}

// An address box "x1" of the row's class, beside a box "next" the user can leave it for.
template <typename Row>
class AddressBoxFixture : public PlacedControl<WrappedText, HostRowTest<Row>> {
protected:
    using Base = PlacedControl<WrappedText, HostRowTest<Row>>;
    AddressBoxFixture() : Base(u"x1") { this->className = this->row().box; }
    void SetUp() override {
        Base::SetUp();
        if (this->HasFatalFailure()) return;
        ASSERT_TRUE(this->form.template add<TextoEmMaiusculo>(u"next"));
        this->form.clearLines();
    }
    bool mail() const { return isMail(this->row().box); }
    const std::vector<MessageBoxShown>& messages() const { return this->form.messageBoxes(); }
    // The address is put to the test the box's own way: the mail box when the user leaves it,
    // the address box when the user clicks its button after a key released in the box (End)
    // enabled it.
    void check(std::u16string_view address) {
        auto& f = this->form;
        if (mail()) {
            ASSERT_OK(this->box->setText(address));
            ASSERT_OK(f.focus(u"x1"));
            ASSERT_OK(f.focus(u"next"));
        } else {
            ASSERT_OK(this->box->setText(u""));
            ASSERT_OK(f.paste(u"x1", address));
            ASSERT_OK(f.key(u"x1", 35));
            ASSERT_TRUE(this->part(u"Command1")->enabled());
            ASSERT_OK(f.click(u"x1", u"Command1"));
        }
    }
};

struct AddressCheck {
    std::string name;
    std::string box;
    std::u16string address;
    bool passes;
};

const std::vector<AddressCheck> kAddressChecks{
    // Both characters anywhere and in any order.
    {"MailAtDot", "MailText", u"@.", true},
    {"MailDotAt", "MailText", u".@", true},
    {"MailDotBeforeAt", "MailText", u"x.y@z", true},
    {"MailPlain", "MailText", u"a@b.c", true},
    {"MailRepeated", "MailText", u"@@..@", true},
    {"MailNoDot", "MailText", u"a@b", false},
    {"MailNoAt", "MailText", u"a.b", false},
    {"MailNeither", "MailText", u"ab", false},
    {"MailBlanks", "MailText", u"   ", false},
    {"MailCapitals", "MailText", u"FULANO@EXEMPLO", false},
    // Look-alike characters do not count: full-width "@" and ".", ideographic full stop.
    {"MailFullWidth", "MailText", u"fulano\uff20exemplo\uff0ecom", false},
    {"MailIdeographicStop", "MailText", u"fulano@exemplo\u3002com", false},
    {"UrlPlain", "UrlText", u"http://Example.COM/Caminho?Q=1", true},
    {"UrlAnywhere", "UrlText", u"see x.y at http://z", true},
    {"UrlNoPrefix", "UrlText", u"www.exemplo.com", false},
    {"UrlNoDot", "UrlText", u"http://localhost", false},
    {"UrlNeither", "UrlText", u"exemplo", false},
    {"UrlPrefixInCapitals", "UrlText", u"HTTP://X.COM", false},
    {"UrlBrokenPrefix", "UrlText", u"http:/x.com", false},
    // A secure address passes as a plain one does; the prefix must still be exact and the "."
    // present.
    {"UrlSecure", "UrlText", u"https://Exemplo.com.br/A", true},
    {"UrlSecureAnywhere", "UrlText", u"veja https://x.org", true},
    {"UrlSecureNoDot", "UrlText", u"https://localhost", false},
    {"UrlSecurePrefixInCapitals", "UrlText", u"HTTPS://X.COM", false},
    {"UrlSecureBrokenPrefix", "UrlText", u"https:/x.com", false},
};

using AddressCheckTest = AddressBoxFixture<AddressCheck>;

TEST_P(AddressCheckTest, AMissingPartShowsTheOneWarningAndTheTextStaysAsTyped) {
    const auto& address = row().address;
    check(address);
    if (HasFatalFailure()) return;
    EXPECT_EQ(text(), address);
    if (row().passes) {
        EXPECT_TRUE(messages().empty());
        // The mail box lets the user go; the address box keeps the focus after the launch.
        EXPECT_EQ(form.focusName(), mail() ? "next.Text1" : "x1.Text1");
        if (!mail()) {
            ASSERT_EQ(form.shellRequests().size(), 1u);
            // The shell gets it in lower case.
            std::string lower;
            for (char16_t c : address)
                lower.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c));
            EXPECT_EQ(form.shellRequests()[0].file, lower);
            EXPECT_TRUE(part(u"Command1")->enabled());
        }
        return;
    }
    ASSERT_EQ(messages().size(), 1u);
    const auto& m = messages().back();
    EXPECT_EQ(m.prompt, warning(mail() ? u"@" : u"http://"));
    EXPECT_EQ(std::count(m.prompt.begin(), m.prompt.end(), u'\r'), 3);
    EXPECT_EQ(m.prompt.find(u'\n'), std::u16string::npos);
    EXPECT_EQ(m.style, 64);
    EXPECT_EQ(m.title, u"Aviso!");
    // The focus comes back to the box.
    EXPECT_EQ(form.focusName(), "x1.Text1");
    EXPECT_TRUE(form.shellRequests().empty());
    if (!mail()) {
        // Disabled until a key is released again in a box that still holds text.
        EXPECT_FALSE(part(u"Command1")->enabled());
        ASSERT_OK(form.key(u"x1", 36));
        EXPECT_TRUE(part(u"Command1")->enabled());
    }
}

TESSIVRA_HOST_ROW_SUITE(AddressCheckTest, kAddressChecks);

// ---- typed and pasted input on the same rows ------------------------------------------------

enum class Input { Typed, Pasted };

struct AddressInput {
    std::string name;
    std::string box;
    std::u16string input;
    std::u16string typed; // what typing it gives; pasting gives the input itself
    Input how;
};

std::vector<AddressInput> addressInputs() {
    struct Data {
        const char* name;
        std::u16string input, typed;
    };
    const Data data[] = {
        {"Mail", u"Fulano.DA.Silva@EXEMPLO.COM.BR 1", u"fulano.da.silva@exemplo.com.br 1"},
        {"Url", u"HTTP://WWW.Exemplo.COM.BR/A_B", u"http://www.exemplo.com.br/a_b"},
        {"Accented", u"ZÉ", u"zé"},
    };
    std::vector<AddressInput> rows;
    for (const char* box : {"MailText", "UrlText"})
        for (const auto& d : data)
            for (Input how : {Input::Typed, Input::Pasted})
                rows.push_back(
                    {std::string(box) + d.name + (how == Input::Typed ? "Typed" : "Pasted"), box,
                     d.input, d.typed, how});
    return rows;
}

using AddressInputTest = AddressBoxFixture<AddressInput>;

TEST_P(AddressInputTest, CapitalsTurnLowerCaseOnlyWhenTypedAndNothingIsCheckedMeanwhile) {
    ASSERT_OK(box->setText(u"Ana@Exemplo.Com"));
    EXPECT_EQ(text(), u"Ana@Exemplo.Com");
    // The caret is at the start after the assignment.
    if (row().how == Input::Typed)
        ASSERT_OK(form.type(u"x1", row().input));
    else
        ASSERT_OK(form.paste(u"x1", row().input));
    EXPECT_EQ(text(), (row().how == Input::Typed ? row().typed : row().input) + u"Ana@Exemplo.Com");
    EXPECT_TRUE(messages().empty());
}

TESSIVRA_HOST_ROW_SUITE(AddressInputTest, addressInputs());

// ---- the rest the two share -----------------------------------------------------------------

struct AddressBox {
    std::string name;
    std::string box;
    DispId keyPress;
    std::vector<std::u16string> savedKeys;
};

const std::vector<AddressBox> kAddressBoxes{
    {"MailText",
     "MailText",
     5,
     {u"Alignment", u"BackColor", u"BorderStyle", u"DataSource", u"Font", u"Enabled", u"ForeColor",
      u"Locked", u"MaxLength", u"MouseIcon", u"MousePointer", u"SelLength", u"SelStart", u"SelText",
      u"Text", u"ToolTipText"}},
    // No DblClick event, so KeyPress comes one number earlier; Enabled before Font.
    {"UrlText",
     "UrlText",
     4,
     {u"Alignment", u"BackColor", u"BorderStyle", u"DataSource", u"Enabled", u"Font", u"ForeColor",
      u"Locked", u"MaxLength", u"MouseIcon", u"MousePointer", u"SelLength", u"SelStart", u"SelText",
      u"Text", u"ToolTipText"}},
};

using AddressBoxTest = AddressBoxFixture<AddressBox>;

TEST_P(AddressBoxTest, TheFormSeesTheKeyAsTypedAndCanCancelOrReplaceIt) {
    ASSERT_OK(box->setText(u"HTTP://X"));
    std::vector<std::int16_t> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        if (id != row().keyPress) return;
        seen.push_back(args[0].i2());
        if (args[0].i2() == 'X')
            args[0].i2() = 0;
        else if (args[0].i2() == '#')
            args[0].i2() = 'Q'; // the replacement is lower-cased too
    };
    ASSERT_OK(form.type(u"x1", u"AX#b@"));
    EXPECT_EQ(text(), u"aqb@HTTP://X");
    EXPECT_EQ(seen, (std::vector<std::int16_t>{'A', 'X', '#', 'b', '@'}));
}

TEST_P(AddressBoxTest, SavingWritesSixteenKeysAndLoadingRestoresThem) {
    auto font = std::make_shared<Font>(u"Courier New", 10.f, 700);
    ASSERT_OK(form.type(u"x1", u"x"));
    ASSERT_OK(box->setText(u"http://Fulano@Exemplo.com"));
    ASSERT_OK(box->setFont(font));
    ASSERT_OK(box->setEnabled(VFalse));
    ASSERT_OK(box->setMaxLength(60));
    ASSERT_OK(box->setToolTipText(u"e-mail"));
    ASSERT_OK(box->setAlignment(2));
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"x1", *bag));
    EXPECT_EQ(bag->keys(), row().savedKeys);
    EXPECT_TRUE(bag->find(u"DataSource")->isEmpty());
    // The address box takes Enabled from its text box.
    EXPECT_EQ(*bag->find(u"Enabled"), Value::boolean(false));

    auto file = bag->reloaded();
    ASSERT_FALSE(file.isError());
    auto* copy = static_cast<WrappedText*>(form.addByClass(u"x2", row().box).value());
    ASSERT_OK(form.load(u"x2", *file.value()));
    EXPECT_EQ(copy->Text().value(), u"http://Fulano@Exemplo.com");
    EXPECT_EQ(copy->Font().value()->name, u"Courier New");
    EXPECT_FALSE(Part(&form, u"x2", u"Text1")->enabled());
    EXPECT_EQ(copy->MaxLength().value(), 60);
    EXPECT_EQ(copy->ToolTipText().value(), u"e-mail");
    EXPECT_EQ(copy->Alignment().value(), 2);
    EXPECT_EQ(form.notices(u"x2"), std::vector<std::u16string>{u"MouseIcon"});
    // The launch button's state is neither saved nor loaded.
    if (!mail()) {
        EXPECT_FALSE(Part(&form, u"x2", u"Command1")->enabled());
    }
}

TESSIVRA_HOST_ROW_SUITE(AddressBoxTest, kAddressBoxes);

TEST(AddressBoxClasses, TheMembersRunInTheirInterfaceOrderWithTheirIdentifiers) {
    constexpr DispId b = 0x68030000;
    using Members = std::vector<std::pair<std::u16string_view, DispId>>;
    const Members common{
        {u"Alignment", b + 0xD},  {u"BackColor", b + 0xC}, {u"BorderStyle", b + 0xB},
        {u"Enabled", b + 0xA},    {u"Font", -512},         {u"ForeColor", b + 9},
        {u"Locked", b + 8},       {u"MaxLength", b + 7},   {u"MouseIcon", b + 6},
        {u"MousePointer", b + 5}, {u"SelLength", b + 4},   {u"SelStart", b + 3},
        {u"SelText", b + 2},      {u"Text", b + 1},        {u"ToolTipText", b + 0}};
    Members mailOrder = common; // the mail box has Font before Enabled
    std::swap(mailOrder[3], mailOrder[4]);
    for (auto [cls, expected] :
         {std::pair{&MailText::Class, mailOrder}, {&UrlText::Class, common}}) {
        SCOPED_TRACE(toUtf8(cls->name));
        Members got;
        for (const auto& m : cls->members)
            got.emplace_back(m.name, m.id);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(cls->designWidth, 3975);
        EXPECT_EQ(cls->designHeight, 300);
    }
    for (const auto& m : MailText::Class.members) {
        bool object = m.name == u"Font" || m.name == u"MouseIcon";
        EXPECT_EQ(m.access, access::Get | (object ? access::Set : access::Let)) << toUtf8(m.name);
    }
    ASSERT_EQ(MailText::Class.events.size(), 9u);
    EXPECT_EQ(MailText::Class.events[2].name, u"DblClick");
    EXPECT_EQ(MailText::Class.events[2].id, 3);
}

// ---- the mail box ---------------------------------------------------------------------------

class MailTextTest : public PlacedControl<MailText> {
protected:
    MailTextTest() : PlacedControl(u"m1") {}
    void SetUp() override {
        PlacedControl::SetUp();
        if (HasFatalFailure()) return;
        // Somewhere to go when the user leaves the box.
        ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"next"));
        form.clearLines();
    }
    const std::vector<MessageBoxShown>& messages() { return form.messageBoxes(); }
    // The user puts the caret in the box and then goes to the next control.
    void leave(std::u16string_view address) {
        ASSERT_OK(box->setText(address));
        ASSERT_OK(form.focus(u"m1"));
        ASSERT_OK(form.focus(u"next"));
    }
};

TEST_P(MailTextTest, LeavingAnEmptyBoxShowsNothingAndTheFocusGoesWhereTheUserSentIt) {
    leave(u"");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(form.focusName(), "next.Text1");
}

TEST_P(MailTextTest, TheCaretAndSelectionStayAsTheUserLeftThem) {
    ASSERT_OK(form.type(u"m1", u"fulano@exemplo"));
    ASSERT_OK(box->setSelStart(2));
    ASSERT_OK(box->setSelLength(4));
    ASSERT_OK(form.focus(u"next"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(form.focusName(), "m1.Text1");
    EXPECT_EQ(text1->selStart(), 2);
    EXPECT_EQ(text1->selLength(), 4);
    // The message comes while the focus is away; the focus comes back after it.
    const auto& lines = form.lines();
    auto msg = std::find_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("msgbox 64"); });
    ASSERT_NE(msg, lines.end());
    EXPECT_EQ(*(msg - 1), "focus next.Text1");
    EXPECT_EQ(*(msg + 1), "focus m1.Text1");
}

TEST_P(MailTextTest, SelectedAndLoadedTextKeepsItsCapitalsUntilTheNextLossOfFocus) {
    ASSERT_OK(box->setText(u"Ana@Exemplo.Com"));
    ASSERT_OK(box->setSelText(u"X"));
    EXPECT_EQ(text(), u"XAna@Exemplo.Com");
    auto bag = form.newBag();
    bag->put(u"Text", Value(u"BEATRIZ@SITE"));
    ASSERT_OK(form.load(u"m1", *bag));
    EXPECT_EQ(text(), u"BEATRIZ@SITE");
    // Tested unchanged at the next loss of focus, and left unchanged.
    EXPECT_TRUE(messages().empty());
    ASSERT_OK(form.focus(u"m1"));
    ASSERT_OK(form.focus(u"next"));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(text(), u"BEATRIZ@SITE");
}

TEST_P(MailTextTest, EventsAreRaisedUnderTheirNumbersAndLosingTheFocusRaisesNone) {
    std::vector<DispId> ids;
    sink.handler = [&](DispId id, EventArgs) { ids.push_back(id); };
    ASSERT_OK(form.dblClick(u"m1"));
    ASSERT_OK(form.type(u"m1", u"a"));
    ASSERT_OK(form.focus(u"next"));
    // MouseDown, MouseUp, Click, DblClick, MouseUp; KeyDown, KeyPress, Change, KeyUp.
    EXPECT_EQ(ids, (std::vector<DispId>{7, 9, 2, 3, 9, 4, 5, 1, 6}));
}

TEST_P(MailTextTest, EnterSendsATabAndAFailingAddressTakesTheFocusBackAfterTheMessage) {
    ASSERT_OK(form.type(u"m1", u"fulano"));
    ASSERT_OK(form.key(u"m1", 13));
    EXPECT_EQ(std::count(form.lines().begin(), form.lines().end(), "sendkeys \"{tab}\""), 1);
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(form.focusName(), "m1.Text1");
    // With a good address the Tab simply moves on.
    ASSERT_OK(form.type(u"m1", u"@x.com"));
    ASSERT_OK(form.key(u"m1", 13));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(form.focusName(), "next.Text1");
}

TEST_P(MailTextTest, WhateverHeightTheContainerAsksForTheControlEndsThreeHundredTwipsHigh) {
    EXPECT_EQ(form.width(u"m1"), 3975);
    EXPECT_EQ(form.height(u"m1"), 300);
    for (auto [w, h] : {std::pair{5000.f, 900.f}, {1234.5f, 100.f}, {0.f, 0.f}, {3975.f, 300.f}}) {
        ASSERT_OK(form.resize(u"m1", w, h));
        EXPECT_EQ(form.width(u"m1"), w);
        EXPECT_EQ(form.height(u"m1"), 300);
        EXPECT_EQ(text1->bounds().width, w);
        EXPECT_EQ(text1->bounds().height, 300);
        EXPECT_EQ(text1->bounds().left, 0);
        EXPECT_EQ(text1->bounds().top, 0);
    }
    // The nested resize stops at a failing height: Text1 is not touched.
    FAIL_NEXT_OR_SKIP(form, "m1.UserControl.Height=");
    EXPECT_TRUE(form.resize(u"m1", 2000, 700).isError());
    EXPECT_EQ(text1->bounds().width, 3975);
}

TEST_P(MailTextTest, ALoadStopsAtEnabledWhenFontCannotBeConvertedSinceFontComesFirst) {
    auto bag = form.newBag();
    bag->put(u"Font", Value(u"not a font"));
    bag->put(u"Enabled", Value::boolean(false));
    auto r = form.load(u"m1", *bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(box->Enabled().value(), VTrue);
}

TESSIVRA_HOST_SUITE(MailTextTest);

// ---- two boxes, disabled boxes and failures --------------------------------------------------

class TwoMailTextsTest : public HostTest {
protected:
    void SetUp() override {
        a = form.add<MailText>(u"a").value();
        b = form.add<MailText>(u"b").value();
        ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"c"));
        ASSERT_OK(a->setText(u"fulano@exemplo"));
        ASSERT_OK(b->setText(u"beltrano.com"));
        ASSERT_OK(form.focus(u"a"));
        form.clearLines();
    }
    std::size_t shown() { return form.messageBoxes().size(); }
    std::vector<std::string> focusLines() {
        std::vector<std::string> out;
        for (const auto& l : form.lines())
            if (l.starts_with("focus"))
                out.push_back(l);
            else if (l.starts_with("msgbox"))
                out.push_back("msgbox");
        return out;
    }

    std::unique_ptr<HostDriver> host_ = makeHost();
    HostDriver& form = *host_;
    MailText* a = nullptr;
    MailText* b = nullptr;
};

TEST_P(TwoMailTextsTest, LeavingOneFailingBoxForAnotherShowsOneMessageAndTheFocusReturns) {
    ASSERT_OK(form.focus(u"b"));
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "a.Text1");
    // The focus visits b and comes back without b's own check taking it again.
    EXPECT_EQ(focusLines(), (std::vector<std::string>{"focus b.Text1", "msgbox", "focus a.Text1"}));

    // Nothing stays held: every later departure is checked again.
    ASSERT_OK(form.focus(u"b"));
    EXPECT_EQ(shown(), 2u);
    EXPECT_EQ(form.focusName(), "a.Text1");
    ASSERT_OK(a->setText(u""));
    ASSERT_OK(form.focus(u"b"));
    EXPECT_EQ(shown(), 2u);
    ASSERT_OK(form.focus(u"a"));
    EXPECT_EQ(shown(), 3u);
    EXPECT_EQ(form.focusName(), "b.Text1");
}

TEST_P(TwoMailTextsTest, EnterInAFailingBoxBeforeAnotherFailingBoxShowsOneMessage) {
    ASSERT_OK(form.key(u"a", 13));
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "a.Text1");
}

TEST_P(TwoMailTextsTest, DisablingAFocusedFailingBoxNeitherFailsNorStrandsTheFocus) {
    // The form disables the box while it has the focus: the host moves the focus on, the check
    // runs and shows its message, and the box cannot take the focus back.
    form.clearNotices(u"a");
    ASSERT_OK(a->setEnabled(VFalse));
    EXPECT_EQ(form.notices(u"a"), std::vector<std::u16string>{u"Enabled"});
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "b.Text1");
    // The focus can leave from there, and b's own check is not held back.
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(shown(), 2u);
    EXPECT_EQ(form.focusName(), "b.Text1");
    ASSERT_OK(b->setText(u"beltrano@exemplo.com"));
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(form.focusName(), "c.Text1");
    EXPECT_EQ(shown(), 2u);
}

TEST_P(TwoMailTextsTest, ABoxDisabledWhileItsMessageIsShownLeavesTheFocusWhereTheUserWent) {
    auto* boxA = form.textBox(u"a", u"Text1");
    form.whileMessageBoxShown([&](const MessageBoxShown&) { ASSERT_OK(boxA->setEnabled(VFalse)); });
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "c.Text1");
    form.whileMessageBoxShown(nullptr);
    // b's check still runs when the user leaves it.
    ASSERT_OK(form.focus(u"b"));
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(shown(), 2u);
    EXPECT_EQ(form.focusName(), "b.Text1");
}

TEST_P(TwoMailTextsTest, AFailingHostCallStopsTheCheckThereAndNothingStaysHeld) {
    // The text cannot be read: no message, the failure comes back, the focus went on.
    FAIL_NEXT_OR_SKIP(form, "a.Text1.Text");
    auto r = form.focus(u"c");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, form.injectedFailureCode());
    EXPECT_EQ(shown(), 0u);
    EXPECT_EQ(form.focusName(), "c.Text1");

    // The second search fails: both are made before deciding.
    ASSERT_OK(form.focus(u"a"));
    FAIL_NEXT_OR_SKIP(form, "Runtime.InStr", 1);
    EXPECT_TRUE(form.focus(u"c").isError());
    EXPECT_EQ(shown(), 0u);

    // The message box fails: the focus is not taken back.
    ASSERT_OK(form.focus(u"a"));
    FAIL_NEXT_OR_SKIP(form, "Runtime.MsgBox");
    EXPECT_TRUE(form.focus(u"b").isError());
    EXPECT_EQ(form.focusName(), "b.Text1");

    // None of these left a check held: b's departure is checked.
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "b.Text1");

    // A focus call failing for another reason than the box refusing goes back after the
    // message, and does not hold later checks either.
    FAIL_NEXT_OR_SKIP(form, "b.Text1.SetFocus");
    r = form.focus(u"c");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, form.injectedFailureCode());
    EXPECT_EQ(shown(), 2u);
    EXPECT_EQ(form.focusName(), "c.Text1");
    ASSERT_OK(form.focus(u"a"));
    ASSERT_OK(form.focus(u"c"));
    EXPECT_EQ(shown(), 3u);
    EXPECT_EQ(form.focusName(), "a.Text1");
}

// A text box whose Text1 lets the test act when it gets the focus, as a form's own code might.
class FocusProbe final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<FocusProbe>> create(Site site) {
        return createControl<FocusProbe>(site);
    }
    explicit FocusProbe(Site site) : WrappedText(site, Class, kFamily) {}
    std::function<void()> onGotFocus;

protected:
    ErrorOr<void> Text1_GotFocus() override {
        if (onGotFocus) onGotFocus();
        return {};
    }

private:
    static inline const TextFamily kFamily{.text1 = {.bounds = {0, 0, 1000, 300}}};
};
const ControlClass FocusProbe::Class{u"FocusProbe", {}, {}, {}, 1000, 300};

TEST_P(TwoMailTextsTest, AFocusReturnTheHostDropsSilencesAtMostOneLaterCheck) {
    auto* probe = form.add<FocusProbe>(u"p").value();
    // The box the check wants to give the focus back to is disabled before the host gets to
    // it, so the queued request is dropped.
    probe->onGotFocus = [&] { ASSERT_OK(a->setEnabled(VFalse)); };
    ASSERT_OK(form.focus(u"p"));
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(form.focusName(), "p.Text1");
    probe->onGotFocus = nullptr;

    // Some departure soon after may still be taken for part of that move, but one at most.
    int silenced = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t before = shown();
        ASSERT_OK(form.focus(u"b"));
        ASSERT_OK(form.focus(u"c"));
        if (shown() == before) ++silenced;
        EXPECT_EQ(form.focusName(), shown() == before ? "c.Text1" : "b.Text1");
    }
    EXPECT_LE(silenced, 1);
    EXPECT_EQ(shown(), 1u + 3u - static_cast<std::size_t>(silenced));
}

TESSIVRA_HOST_SUITE(TwoMailTextsTest);

// ---- the address box with its launch button ----------------------------------------------

class UrlTextTest : public PlacedControl<UrlText> {
protected:
    UrlTextTest() : PlacedControl(u"u1") {}
    void SetUp() override {
        PlacedControl::SetUp();
        if (HasFatalFailure()) return;
        button = part(u"Command1");
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"next"));
        form.clearLines();
    }
    const std::vector<MessageBoxShown>& messages() { return form.messageBoxes(); }
    const std::vector<ShellRequestMade>& launches() { return form.shellRequests(); }
    // The address arrives without key events; then a key released in the box (End) enables
    // the button, and the user clicks it.
    void launch(std::u16string_view address) {
        ASSERT_OK(box->setText(u""));
        ASSERT_OK(form.paste(u"u1", address));
        ASSERT_OK(form.key(u"u1", 35));
        ASSERT_TRUE(button->enabled());
        ASSERT_OK(form.click(u"u1", u"Command1"));
    }

    Part button;
};

TEST_P(UrlTextTest, TheBoxAndTheButtonSitSideBySideAndTheHeightEndsAtThreeHundredTwips) {
    EXPECT_EQ(text1->bounds().width, 3480);
    EXPECT_EQ(text1->bounds().height, 300);
    EXPECT_EQ(button->bounds().left, 3480);
    EXPECT_EQ(button->bounds().width, 495);
    for (auto [w, h] : {std::pair{6000.f, 800.f}, {1000.5f, 120.f}, {495.f, 300.f}}) {
        ASSERT_OK(form.resize(u"u1", w, h));
        EXPECT_EQ(form.height(u"u1"), 300);
        EXPECT_EQ(text1->bounds().width, w - 495);
        EXPECT_EQ(text1->bounds().height, 300);
        EXPECT_EQ(text1->bounds().left, 0);
        EXPECT_EQ(button->bounds().left, w - 495);
        EXPECT_EQ(button->bounds().top, 0);
        EXPECT_EQ(button->bounds().width, 495);
        EXPECT_EQ(button->bounds().height, 300);
    }
}

TEST_P(UrlTextTest, AControlNarrowerThanTheButtonPassesTheNegativeWidthToTheBoxWhichRefusesIt) {
    auto r = form.resize(u"u1", 300, 900);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 380);
    EXPECT_EQ(form.height(u"u1"), 300);
    // The layout stopped at the refused width; the button was not moved.
    EXPECT_EQ(text1->bounds().width, 3480);
    EXPECT_EQ(button->bounds().left, 3480);
}

TEST_P(UrlTextTest, TheLaunchButtonStartsDisabledWithItsPictureEvenWhenATextIsLoaded) {
    EXPECT_FALSE(button->enabled());
    EXPECT_EQ(button->tabIndex(), 1);
    ASSERT_NE(button->picture(), nullptr);
    EXPECT_EQ(button->picture()->name, u"launch-button");
    EXPECT_EQ(button->picture()->widthPixels, 32);
    EXPECT_EQ(button->picture()->heightPixels, 32);
    EXPECT_EQ(button->caption(), u"");

    auto bag = form.newBag();
    bag->put(u"Text", Value(u"http://example.com"));
    auto* loaded = form.add<UrlText>(u"u2").value();
    ASSERT_OK(form.load(u"u2", *bag));
    EXPECT_EQ(loaded->Text().value(), u"http://example.com");
    EXPECT_FALSE(Part(&form, u"u2", u"Command1")->enabled());
}

TEST_P(UrlTextTest,
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

TEST_P(UrlTextTest, TheButtonRuleRunsAfterTheFormsKeyUpHandler) {
    sink.handler = [&](DispId id, EventArgs) {
        if (id == 5) ASSERT_OK(box->setText(u"")); // the form empties the box on KeyUp
    };
    ASSERT_OK(form.type(u"u1", u"a"));
    EXPECT_FALSE(button->enabled());
}

TEST_P(UrlTextTest, ClickingWithAnEmptyBoxDoesNothing) {
    ASSERT_OK(form.type(u"u1", u"a"));
    ASSERT_OK(box->setText(u""));
    ASSERT_TRUE(button->enabled());
    form.clearLines();
    ASSERT_OK(form.click(u"u1", u"Command1"));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(launches().empty());
    EXPECT_TRUE(button->enabled());
    // Only the host moved the focus, to the button that was clicked.
    EXPECT_EQ(form.focusName(), "u1.Command1");
    EXPECT_EQ(form.lines(), std::vector<std::string>{"focus u1.Command1"});
}

TEST_P(UrlTextTest, APassingAddressReachesTheShellInLowerCaseWhileTheBoxKeepsItsCapitals) {
    launch(u"http://Example.COM/Caminho?Q=1");
    ASSERT_EQ(launches().size(), 1u);
    const auto& request = launches()[0];
    EXPECT_EQ(request.hwnd, form.windowHandle(u"u1"));
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

TEST_P(UrlTextTest, TheShellGetsTheTextsInTheSingleByteCodePage) {
    launch(u"http://exemplo.com/Ação");
    ASSERT_EQ(launches().size(), 1u);
    EXPECT_EQ(launches()[0].file, "http://exemplo.com/a\xe7\xe3o");
}

TEST_P(UrlTextTest, EnterMovesTheFocusToTheButtonOnlyWhileTheButtonIsEnabled) {
    ASSERT_OK(form.type(u"u1", u"http://a.b"));
    ASSERT_OK(form.key(u"u1", 13));
    EXPECT_EQ(form.focusName(), "u1.Command1");

    ASSERT_OK(form.type(u"u1", u"\b\b\b\b\b\b\b\b\b\b"));
    EXPECT_EQ(text(), u"");
    EXPECT_FALSE(button->enabled());
    ASSERT_OK(form.key(u"u1", 13));
    EXPECT_EQ(form.focusName(), "next.Text1");
}

TEST_P(UrlTextTest, EventsAreNumberedWithoutDblClickAndADoubleClickRaisesNone) {
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

TEST_P(UrlTextTest, SettingEnabledFalseDisablesOnlyTheBoxAndEnabledCannotBeRead) {
    ASSERT_OK(form.type(u"u1", u"x"));
    ASSERT_TRUE(button->enabled());
    ASSERT_OK(box->setEnabled(VFalse));
    EXPECT_FALSE(text1->enabled());
    EXPECT_TRUE(button->enabled());
    EXPECT_EQ(form.notices(u"u1"), std::vector<std::u16string>{u"Enabled"});
    auto enabled = std::find_if(UrlText::Class.members.begin(), UrlText::Class.members.end(),
                                [](const DispatchMember& m) { return m.name == u"Enabled"; });
    ASSERT_NE(enabled, UrlText::Class.members.end());
    EXPECT_EQ(enabled->access, access::Let);
    EXPECT_EQ(enabled->get, nullptr);
    ASSERT_OK(enabled->put(*box, Value::boolean(true)));
    EXPECT_TRUE(text1->enabled());
}

TEST_P(UrlTextTest, AFailingHostCallStopsTheLaunchThereAndTravelsBack) {
    std::size_t launched = 0;
    for (const char* call : {"u1.UserControl.hWnd", "Runtime.LCase", "Runtime.AppPath",
                             "Runtime.StrConv", "Shell.ShellExecuteA"}) {
        FAIL_NEXT_OR_SKIP(form, call);
        ASSERT_OK(box->setText(u"http://a.b"));
        ASSERT_OK(form.key(u"u1", 35));
        auto r = form.click(u"u1", u"Command1");
        ASSERT_TRUE(r.isError()) << call;
        EXPECT_EQ(r.error().code, form.injectedFailureCode());
        EXPECT_EQ(launches().size(), launched) << call;
        // The focus is not given back after a failure.
        EXPECT_EQ(form.focusName(), "u1.Command1") << call;
    }
    // The shell's own answer is not looked at.
    form.setShellResult(2);
    ASSERT_OK(form.key(u"u1", 35));
    ASSERT_OK(form.click(u"u1", u"Command1"));
    EXPECT_EQ(launches().size(), ++launched);
    EXPECT_TRUE(messages().empty());
}

TEST_P(UrlTextTest, AFocusCallTheBoxRefusesGoesBackAfterTheLaunch) {
    ASSERT_OK(form.type(u"u1", u"http://a.b"));
    ASSERT_OK(box->setEnabled(VFalse));
    ASSERT_TRUE(button->enabled());
    auto r = form.click(u"u1", u"Command1");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::InvalidProcedureCall);
    EXPECT_EQ(launches().size(), 1u);
    EXPECT_EQ(form.focusName(), "u1.Command1");
}

TESSIVRA_HOST_SUITE(UrlTextTest);

using UrlTextWithMailText = HostTest;

TEST_P(UrlTextWithMailText, AFailedLaunchCheckTakingTheFocusBackDoesNotSetOffAMailCheck) {
    auto host = makeHost();
    auto& form = *host;
    auto* mail = form.add<MailText>(u"m").value();
    auto* url = form.add<UrlText>(u"u").value();
    ASSERT_OK(mail->setText(u"sem-arroba"));
    ASSERT_OK(form.type(u"u", u"exemplo"));
    // Disabling the focused button sends the focus to the first box on the form, the mail box;
    // giving the focus back to the address box then takes it from there.
    ASSERT_OK(form.click(u"u", u"Command1"));
    ASSERT_EQ(form.messageBoxes().size(), 1u);
    EXPECT_NE(form.messageBoxes()[0].prompt.find(u"http://"), std::u16string::npos);
    EXPECT_EQ(form.focusName(), "u.Text1");
    EXPECT_EQ(url->Text().value(), u"exemplo");
    // Later departures from the mail box are checked as usual.
    ASSERT_OK(form.focus(u"m"));
    ASSERT_OK(form.focus(u"u"));
    EXPECT_EQ(form.messageBoxes().size(), 2u);
    EXPECT_EQ(form.focusName(), "m.Text1");
}

TEST_P(UrlTextWithMailText, APressInterruptedByAMailCheckLosesItsClick) {
    auto host = makeHost();
    auto& form = *host;
    ASSERT_TRUE(form.add<MailText>(u"m"));
    ASSERT_TRUE(form.add<UrlText>(u"u"));
    ASSERT_OK(form.type(u"u", u"http://x.org"));
    ASSERT_OK(form.type(u"m", u"sem-arroba"));
    // Pressing the launch button takes the focus from the failing mail box, whose check shows
    // its message and takes the focus back: the press is broken and nothing is launched.
    ASSERT_OK(form.click(u"u", u"Command1"));
    EXPECT_EQ(form.messageBoxes().size(), 1u);
    EXPECT_TRUE(form.shellRequests().empty());
    EXPECT_EQ(form.focusName(), "m.Text1");
}

TESSIVRA_HOST_SUITE(UrlTextWithMailText);

} // namespace
} // namespace tessivra::testing
