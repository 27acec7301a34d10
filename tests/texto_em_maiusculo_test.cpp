#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"

#include "tests/support.h"

namespace tessivra::testing {
namespace {

class TextoEmMaiusculoTest : public PlacedTextControl<TextoEmMaiusculo> {
protected:
    TextoEmMaiusculoTest() : PlacedTextControl(u"t1") {}
    void SetUp() override {
        PlacedTextControl::SetUp();
        if (HasFatalFailure()) return;
        form.journal().clear();
    }
};

TEST_F(TextoEmMaiusculoTest, TypedLettersArriveInUpperCaseWhileAssignedAndPastedTextKeepsItsCase) {
    ASSERT_OK(form.type(u"t1", u"abc1 ç"));
    EXPECT_EQ(text(), u"ABC1 Ç");
    ASSERT_OK(box->setText(u"MiXeD"));
    EXPECT_EQ(text(), u"MiXeD");
    ASSERT_OK(form.paste(u"t1", u"pasted"));
    EXPECT_EQ(text(), u"pastedMiXeD"); // the caret was at the start after the assignment
}

// A typed character becomes exactly one character of the code page or stays as typed: no
// letter is lost to a two-letter capital and none becomes "?".
TEST_F(TextoEmMaiusculoTest, ACharacterWithoutACapitalInTheCodePageIsKeptAsTyped) {
    ASSERT_OK(form.type(u"t1", u"straße µ ÿ"));
    EXPECT_EQ(text(), u"STRAßE µ Ÿ"); // ÿ's capital is in windows-1252, at 0x9F
    // Assigned text keeps whatever it is given.
    ASSERT_OK(box->setText(u"straße"));
    EXPECT_EQ(text(), u"straße");

    struct Row {
        const char* locale;
        const char* codePage;
        std::u16string_view typed, expected;
    };
    for (const Row& r : {
             Row{"tr-TR", "windows-1254", u"iıçşğ ß", u"İIÇŞĞ ß"},
             Row{"en-US", "windows-1254", u"iı", u"II"},
             Row{"pl-PL", "windows-1250", u"łżść ß µ", u"ŁŻŚĆ ß µ"},
             Row{"el-GR", "windows-1253", u"µ", u"\u039C"}, // here the Greek capital Mu is
         }) {
        HeadlessForm other({.locale = r.locale, .codePage = r.codePage});
        ASSERT_TRUE(other.add<TextoEmMaiusculo>(u"t"));
        ASSERT_OK(other.type(u"t", r.typed));
        EXPECT_EQ(other.container(u"t")->find<HeadlessTextBox>(u"Text1")->text(), r.expected)
            << r.locale << " " << r.codePage;
    }
}

TEST_F(TextoEmMaiusculoTest, TheFormSeesTheKeyAsTypedAndCanCancelOrReplaceIt) {
    std::vector<std::int16_t> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        if (id != 5) return;
        seen.push_back(args[0].i2());
        if (args[0].i2() == 'x')
            args[0].i2() = 0;
        else if (args[0].i2() == 'q')
            args[0].i2() = 'z';
    };
    ASSERT_OK(form.type(u"t1", u"axqb"));
    EXPECT_EQ(text(), u"AZB");
    EXPECT_EQ(seen, (std::vector<std::int16_t>{'a', 'x', 'q', 'b'}));
}

TEST_F(TextoEmMaiusculoTest, EnterRaisesKeyDownThenSendsExactlyOneTabUnlessTheFormClearsTheKey) {
    ASSERT_OK(form.key(u"t1", 13));
    auto& lines = form.journal().lines;
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "event t1 KeyDown KeyCode=13 Shift=0");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "sendkeys \"{tab}\""), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "event t1 KeyPress KeyAscii=13"), lines.end());

    form.journal().clear();
    sink.handler = [](DispId id, EventArgs args) {
        if (id == 4 && args[0].i2() == 13) args[0].i2() = 0;
        if (id == 4 && args[0].i2() == 'A')
            args[0].i2() = 13; // another key turned into Enter moves on too
    };
    ASSERT_OK(form.key(u"t1", 13));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "sendkeys \"{tab}\""), 0);
    ASSERT_OK(form.type(u"t1", u"a"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "sendkeys \"{tab}\""), 1);
}

// A form that clears Enter's KeyCode stops the Tab, but the Enter character still reaches
// KeyPress, and KeyUp reports the key that was released.
TEST_F(TextoEmMaiusculoTest, ClearingEntersKeyCodeSendsNoTabButKeepsKeyPressAndKeyUp) {
    sink.handler = [](DispId id, EventArgs args) {
        if (id == 4) args[0].i2() = 0;
    };
    ASSERT_OK(form.key(u"t1", 13));
    ASSERT_OK(form.type(u"t1", u"\r"));
    const std::vector<std::string> once{"event t1 KeyDown KeyCode=13 Shift=0",
                                        "event t1 KeyPress KeyAscii=13",
                                        "event t1 KeyUp KeyCode=13 Shift=0"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    auto lines = form.journal().lines;
    std::erase_if(lines, [](const std::string& l) { return l.starts_with("focus "); });
    EXPECT_EQ(lines, twice);
}

TEST_F(TextoEmMaiusculoTest, TheTabSentByEnterMovesTheFocusToTheNextControl) {
    ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"t2"));
    ASSERT_OK(form.focus(u"t1"));
    ASSERT_OK(form.key(u"t1", 13));
    EXPECT_EQ(form.focusName(), "t2.Text1");
}

TEST_F(TextoEmMaiusculoTest, SettersNotifyAfterAssigningAndStaySilentWhenTheBoxRefuses) {
    ASSERT_OK(box->setAlignment(2));
    auto refused = box->setAlignment(7);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, 380);
    EXPECT_EQ(box->Alignment().value(), 2);
    EXPECT_EQ(form.container(u"t1")->notices, std::vector<std::u16string>{u"Alignment"});
    EXPECT_TRUE(box->setPasswordChar(u"**").isError());
    EXPECT_TRUE(box->setMaxLength(-1).isError());
    EXPECT_EQ(form.container(u"t1")->notices.size(), 1u);
}

TEST_F(TextoEmMaiusculoTest, FontAndMouseIconKeepTheObjectsTheyAreGiven) {
    auto font = std::make_shared<Font>(u"Arial", 12.f);
    auto icon = std::make_shared<Picture>(u"hand", 3, 32, 32);
    ASSERT_OK(box->setFont(font));
    ASSERT_OK(box->setMouseIcon(icon));
    EXPECT_EQ(box->Font().value(), font);
    EXPECT_EQ(box->MouseIcon().value(), icon);
    EXPECT_EQ(box->MultiLine().value(), VFalse);
    EXPECT_EQ(box->ScrollBars().value(), 0);
}

TEST_F(TextoEmMaiusculoTest, LoadingAnEmptyBagGivesTheDefaultsAndOneNoticeForMouseIcon) {
    HeadlessPropertyBag empty;
    ASSERT_OK(form.load(u"t1", empty));
    EXPECT_EQ(form.container(u"t1")->notices, std::vector<std::u16string>{u"MouseIcon"});
    EXPECT_EQ(box->Alignment().value(), 0);
    EXPECT_EQ(box->BackColor().value(), 0x80000005u);
    EXPECT_EQ(box->BorderStyle().value(), 1);
    EXPECT_EQ(box->Enabled().value(), VTrue);
    EXPECT_EQ(box->Font().value(), form.ambientFont);
    EXPECT_EQ(box->ForeColor().value(), 0x80000008u);
    EXPECT_EQ(box->Locked().value(), VFalse);
    EXPECT_EQ(box->MaxLength().value(), 0);
    EXPECT_EQ(box->MouseIcon().value(), nullptr);
    EXPECT_EQ(box->MousePointer().value(), 0);
    EXPECT_EQ(box->PasswordChar().value(), u"");
    EXPECT_EQ(box->SelLength().value(), 0);
    EXPECT_EQ(box->SelStart().value(), 0);
    EXPECT_EQ(box->Text().value(), u"");
    EXPECT_EQ(box->ToolTipText().value(), u"");
}

TEST_F(TextoEmMaiusculoTest, SavingWritesTheSeventeenKeysInOrderAndLoadingRestoresThem) {
    auto font = std::make_shared<Font>(u"Courier New", 10.f, 700);
    ASSERT_OK(box->setText(u"Hello World"));
    ASSERT_OK(box->setSelStart(6));
    ASSERT_OK(box->setSelLength(5));
    ASSERT_OK(box->setAlignment(1));
    ASSERT_OK(box->setBackColor(0xFF0000));
    ASSERT_OK(box->setFont(font));
    ASSERT_OK(box->setLocked(VTrue));
    ASSERT_OK(box->setMaxLength(40));
    ASSERT_OK(box->setPasswordChar(u"*"));
    ASSERT_OK(box->setToolTipText(u"tip"));
    HeadlessPropertyBag bag;
    ASSERT_OK(form.save(u"t1", bag));
    std::vector<std::u16string> keys;
    for (const auto& [k, v] : bag.entries())
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::u16string>{
                        u"Alignment", u"BackColor", u"BorderStyle", u"DataSource", u"Enabled",
                        u"Font", u"ForeColor", u"Locked", u"MaxLength", u"MouseIcon",
                        u"MousePointer", u"PasswordChar", u"SelLength", u"SelStart", u"SelText",
                        u"Text", u"ToolTipText"}));
    EXPECT_TRUE(bag.find(u"DataSource")->isEmpty());
    EXPECT_EQ(bag.find(u"BackColor")->type(), ValueType::I4);
    EXPECT_EQ(*bag.find(u"SelText"), Value(u"World"));

    auto file = HeadlessPropertyBag::fromJson(bag.toJson());
    ASSERT_FALSE(file.isError());
    auto* copy = form.add<TextoEmMaiusculo>(u"t2").value();
    ASSERT_OK(form.load(u"t2", file.value()));
    // "Text" is applied after the selection keys, so it wins over what "SelText" inserted.
    EXPECT_EQ(copy->Text().value(), u"Hello World");
    EXPECT_EQ(copy->Alignment().value(), 1);
    EXPECT_EQ(copy->BackColor().value(), 0xFF0000u);
    EXPECT_EQ(copy->Font().value()->name, u"Courier New");
    EXPECT_TRUE(copy->Font().value()->bold());
    EXPECT_EQ(copy->Locked().value(), VTrue);
    EXPECT_EQ(copy->MaxLength().value(), 40);
    EXPECT_EQ(copy->PasswordChar().value(), u"*");
    EXPECT_EQ(copy->ToolTipText().value(), u"tip");
}

TEST_F(TextoEmMaiusculoTest, ALoadStopsAtTheFirstKeyThatCannotBeConverted) {
    HeadlessPropertyBag bag;
    bag.put(u"Alignment", Value(std::int16_t{2}));
    bag.put(u"BackColor", Value(std::int32_t{0x00FF00}));
    bag.put(u"BorderStyle", Value(u"thick"));
    bag.put(u"Text", Value(u"never"));
    bag.put(u"DataSource", Value(u"anything"));
    auto r = form.load(u"t1", bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 13);
    EXPECT_EQ(box->Alignment().value(), 2);
    EXPECT_EQ(box->BackColor().value(), 0x00FF00u);
    EXPECT_EQ(box->BorderStyle().value(), 1);
    EXPECT_EQ(text(), u"");
    EXPECT_TRUE(form.container(u"t1")->notices.empty());
}

TEST_F(TextoEmMaiusculoTest, PopupMenuPassesEveryArgumentOnAndMarksTheOmittedOnes) {
    auto menu = std::make_shared<Object>();
    ASSERT_OK(box->PopupMenu(Value(ObjectRef(menu))));
    ASSERT_EQ(form.popups.size(), 1u);
    EXPECT_EQ(form.popups[0].menu.anyObject(), menu);
    EXPECT_TRUE(form.popups[0].flags.isMissing());
    EXPECT_TRUE(form.popups[0].x.isMissing());
    EXPECT_TRUE(form.popups[0].y.isMissing());
    EXPECT_TRUE(form.popups[0].defaultMenu.isMissing());
    ASSERT_OK(box->PopupMenu(Value(ObjectRef(menu)), Value(std::int16_t{2}), Value(100.f)));
    EXPECT_EQ(form.popups[1].flags, Value(std::int16_t{2}));
    EXPECT_EQ(form.popups[1].x, Value(100.f));
    EXPECT_TRUE(form.popups[1].y.isMissing());
    EXPECT_TRUE(box->PopupMenu(Value(u"not a menu")).isError());
}

TEST_F(TextoEmMaiusculoTest, CreationSetsTheHeightAndEveryResizeCopiesTheSizeToText1) {
    EXPECT_EQ(form.container(u"t1")->height(), 300);
    ASSERT_OK(form.resize(u"t1", 1234.5f, 777));
    EXPECT_EQ(text1->bounds().width, 1234.5f);
    EXPECT_EQ(text1->bounds().height, 777);
    EXPECT_EQ(text1->bounds().left, 0);
    EXPECT_EQ(text1->bounds().top, 0);
}

TEST_F(TextoEmMaiusculoTest, AFailingHostCallStopsTheRoutineThereAndTravelsBackUnchanged) {
    // The case conversion fails: the form's KeyPress already ran, the key keeps its value.
    form.faults().failNext("Runtime.UCase");
    auto r = form.type(u"t1", u"a");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, headless::InjectedFailureCode);
    EXPECT_NE(std::find(form.journal().lines.begin(), form.journal().lines.end(),
                        "event t1 KeyPress KeyAscii=97"),
              form.journal().lines.end());
    EXPECT_EQ(text(), u"");
    // The notice fails after the assignment: the value stays, the failure comes back.
    form.faults().failNext("t1.UserControl.PropertyChanged");
    EXPECT_TRUE(box->setToolTipText(u"x").isError());
    EXPECT_EQ(box->ToolTipText().value(), u"x");
    // A resize stops at Text1's width: the height is never copied.
    form.faults().failNext("Text1.Width=");
    EXPECT_TRUE(form.resize(u"t1", 100, 100).isError());
    EXPECT_EQ(text1->bounds().height, 300);
}

} // namespace
} // namespace tessivra::testing
