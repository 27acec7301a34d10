// The two case boxes, TextoEmMaiusculo and TextoEmMinusculo, on one table: they differ only in
// the case a typed key is turned into and in the pop-up menu method of the first.

#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"

#include "tests/driver/host_driver.h"

#include <algorithm>

namespace tessivra::testing {
namespace {

// One case box: its class, the conversion it asks the runtime for, and a key the form cancels
// and one it replaces, in the case a user would type them.
struct CaseBox {
    std::string name;
    const char* conversion;
    std::u16string typed; // the form cancels typed[1] and replaces typed[2] by `replacement`
    char16_t replacement;
    std::u16string result;
};

const std::vector<CaseBox> kBoxes{
    {"TextoEmMaiusculo", "Runtime.UCase", u"axqb", u'z', u"AZB"},
    {"TextoEmMinusculo", "Runtime.LCase", u"AXQB", u'Z', u"azb"},
};

// A case box "t1" on its own form.
class CaseBoxTest : public PlacedControl<WrappedText, HostRowTest<CaseBox>> {
protected:
    CaseBoxTest() : PlacedControl(u"t1") { className = row().name; }
    void SetUp() override {
        PlacedControl::SetUp();
        if (HasFatalFailure()) return;
        form.clearLines();
    }
    std::ptrdiff_t tabsSent() const {
        return std::count(form.lines().begin(), form.lines().end(), "sendkeys \"{tab}\"");
    }
};

TEST_P(CaseBoxTest, TheFormSeesTheKeyAsTypedAndCanCancelOrReplaceIt) {
    const std::u16string& keys = row().typed;
    std::vector<std::int16_t> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        if (id != 5) return;
        seen.push_back(args[0].i2());
        if (args[0].i2() == keys[1])
            args[0].i2() = 0;
        else if (args[0].i2() == keys[2])
            args[0].i2() = row().replacement;
    };
    ASSERT_OK(form.type(u"t1", keys + u"\r"));
    EXPECT_EQ(text(), row().result);
    std::vector<std::int16_t> expected(keys.begin(), keys.end());
    expected.push_back(13);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(tabsSent(), 1);
}

TEST_P(CaseBoxTest, EnterRaisesKeyDownThenSendsExactlyOneTabUnlessTheFormClearsTheKey) {
    ASSERT_OK(form.key(u"t1", 13));
    auto& lines = form.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "event t1 KeyDown KeyCode=13 Shift=0");
    EXPECT_EQ(tabsSent(), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "event t1 KeyPress KeyAscii=13"), lines.end());

    form.clearLines();
    sink.handler = [](DispId id, EventArgs args) {
        if (id == 4 && args[0].i2() == 13) args[0].i2() = 0;
        if (id == 4 && args[0].i2() == 'A')
            args[0].i2() = 13; // another key turned into Enter moves on too
    };
    ASSERT_OK(form.key(u"t1", 13));
    EXPECT_EQ(tabsSent(), 0);
    ASSERT_OK(form.type(u"t1", u"a"));
    EXPECT_EQ(tabsSent(), 1);
}

// A form that clears Enter's KeyCode stops the Tab, but the Enter character still reaches
// KeyPress, and KeyUp reports the key that was released.
TEST_P(CaseBoxTest, ClearingEntersKeyCodeSendsNoTabButKeepsKeyPressAndKeyUp) {
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
    auto lines = form.lines();
    std::erase_if(lines, [](const std::string& l) { return l.starts_with("focus "); });
    EXPECT_EQ(lines, twice);
}

TEST_P(CaseBoxTest, TheTabSentByEnterMovesTheFocusToTheNextControl) {
    ASSERT_TRUE(form.addByClass(u"t2", row().name));
    ASSERT_OK(form.focus(u"t1"));
    ASSERT_OK(form.key(u"t1", 13));
    EXPECT_EQ(form.focusName(), "t2.Text1");
}

TEST_P(CaseBoxTest, SettersNotifyAfterAssigningAndStaySilentWhenTheBoxRefuses) {
    ASSERT_OK(box->setAlignment(2));
    auto refused = box->setAlignment(7);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, 380);
    EXPECT_EQ(box->Alignment().value(), 2);
    EXPECT_EQ(form.notices(u"t1"), std::vector<std::u16string>{u"Alignment"});
    EXPECT_TRUE(box->setPasswordChar(u"**").isError());
    EXPECT_TRUE(box->setMaxLength(-1).isError());
    EXPECT_EQ(form.notices(u"t1").size(), 1u);
}

TEST_P(CaseBoxTest, FontAndMouseIconKeepTheObjectsTheyAreGiven) {
    auto font = std::make_shared<Font>(u"Arial", 12.f);
    auto icon = std::make_shared<Picture>(u"hand", 3, 32, 32);
    ASSERT_OK(box->setFont(font));
    ASSERT_OK(box->setMouseIcon(icon));
    EXPECT_EQ(box->Font().value(), font);
    EXPECT_EQ(box->MouseIcon().value(), icon);
    EXPECT_EQ(box->MultiLine().value(), VFalse);
    EXPECT_EQ(box->ScrollBars().value(), 0);
}

TEST_P(CaseBoxTest, LoadingAnEmptyBagGivesTheDefaultsAndOneNoticeForMouseIcon) {
    auto empty = form.newBag();
    ASSERT_OK(form.load(u"t1", *empty));
    EXPECT_EQ(form.notices(u"t1"), std::vector<std::u16string>{u"MouseIcon"});
    EXPECT_EQ(box->Alignment().value(), 0);
    EXPECT_EQ(box->BackColor().value(), 0x80000005u);
    EXPECT_EQ(box->BorderStyle().value(), 1);
    EXPECT_EQ(box->Enabled().value(), VTrue);
    EXPECT_EQ(box->Font().value(), form.ambientFont());
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

TEST_P(CaseBoxTest, SavingWritesTheSeventeenKeysInOrderAndLoadingRestoresThemInMixedCase) {
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
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"t1", *bag));
    EXPECT_EQ(bag->keys(), (std::vector<std::u16string>{
                               u"Alignment", u"BackColor", u"BorderStyle", u"DataSource",
                               u"Enabled", u"Font", u"ForeColor", u"Locked", u"MaxLength",
                               u"MouseIcon", u"MousePointer", u"PasswordChar", u"SelLength",
                               u"SelStart", u"SelText", u"Text", u"ToolTipText"}));
    EXPECT_TRUE(bag->find(u"DataSource")->isEmpty());
    EXPECT_EQ(bag->find(u"BackColor")->type(), ValueType::I4);
    EXPECT_EQ(*bag->find(u"SelText"), Value(u"World"));

    auto file = bag->reloaded();
    ASSERT_FALSE(file.isError());
    auto* copy = static_cast<WrappedText*>(form.addByClass(u"t2", row().name).value());
    ASSERT_OK(form.load(u"t2", *file.value()));
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
    EXPECT_EQ(form.notices(u"t2"), std::vector<std::u16string>{u"MouseIcon"});
}

TEST_P(CaseBoxTest, ALoadStopsAtTheFirstKeyThatCannotBeConverted) {
    auto bag = form.newBag();
    bag->put(u"Alignment", Value(std::int16_t{2}));
    bag->put(u"BackColor", Value(std::int32_t{0x00FF00}));
    bag->put(u"BorderStyle", Value(u"thick"));
    bag->put(u"Text", Value(u"never"));
    bag->put(u"DataSource", Value(u"anything"));
    auto r = form.load(u"t1", *bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 13);
    EXPECT_EQ(box->Alignment().value(), 2);
    EXPECT_EQ(box->BackColor().value(), 0x00FF00u);
    EXPECT_EQ(box->BorderStyle().value(), 1);
    EXPECT_EQ(text(), u"");
    EXPECT_TRUE(form.notices(u"t1").empty());
}

TEST_P(CaseBoxTest, CreationSetsTheHeightAndEveryResizeCopiesTheSizeToText1) {
    EXPECT_EQ(form.width(u"t1"), 3975);
    EXPECT_EQ(form.height(u"t1"), 300);
    ASSERT_OK(form.resize(u"t1", 1234.5f, 777));
    EXPECT_EQ(text1->bounds().width, 1234.5f);
    EXPECT_EQ(text1->bounds().height, 777);
    EXPECT_EQ(text1->bounds().left, 0);
    EXPECT_EQ(text1->bounds().top, 0);
    ASSERT_OK(form.resize(u"t1", 500, 123));
    EXPECT_EQ(text1->bounds().width, 500);
    EXPECT_EQ(text1->bounds().height, 123);
}

TEST_P(CaseBoxTest, AFailingHostCallStopsTheRoutineThereAndTravelsBackUnchanged) {
    // The case conversion fails: the form's KeyPress already ran, the key keeps its value.
    FAIL_NEXT_OR_SKIP(form, row().conversion);
    auto r = form.type(u"t1", row().typed.substr(0, 1));
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, form.injectedFailureCode());
    std::string keyPress =
        "event t1 KeyPress KeyAscii=" + std::to_string(static_cast<int>(row().typed[0]));
    EXPECT_NE(std::find(form.lines().begin(), form.lines().end(), keyPress), form.lines().end());
    EXPECT_EQ(text(), u"");
    // The notice fails after the assignment: the value stays, the failure comes back.
    FAIL_NEXT_OR_SKIP(form, "t1.UserControl.PropertyChanged");
    EXPECT_TRUE(box->setToolTipText(u"x").isError());
    EXPECT_EQ(box->ToolTipText().value(), u"x");
    // A resize stops at Text1's width: the height is never copied.
    FAIL_NEXT_OR_SKIP(form, "Text1.Width=");
    EXPECT_TRUE(form.resize(u"t1", 100, 100).isError());
    EXPECT_EQ(text1->bounds().height, 300);
}

TESSIVRA_HOST_ROW_SUITE(CaseBoxTest, kBoxes);

// ---- typed and pasted input on the same rows ------------------------------------------------

enum class Input { Typed, Pasted };

// Typed characters take the box's case; the same text pasted, or assigned, keeps its own.
struct CaseInput {
    std::string name;
    std::string box;
    std::u16string input;
    std::u16string typed; // what typing it gives; pasting gives the input itself
    Input how;
};

std::vector<CaseInput> caseInputs() {
    struct Data {
        const char* name;
        const char* box;
        std::u16string input, typed;
    };
    const Data data[] = {
        {"UpperLetters", "TextoEmMaiusculo", u"abc1 ç", u"ABC1 Ç"},
        {"UpperMixed", "TextoEmMaiusculo", u"MiXeD", u"MIXED"},
        {"UpperNoCase", "TextoEmMaiusculo", u"12 -!", u"12 -!"},
        {"LowerLetters", "TextoEmMinusculo", u"ABC1 Ç", u"abc1 ç"},
        {"LowerMixed", "TextoEmMinusculo", u"PaStEd", u"pasted"},
        {"LowerNoCase", "TextoEmMinusculo", u"12 -!", u"12 -!"},
    };
    std::vector<CaseInput> rows;
    for (const auto& d : data)
        for (Input how : {Input::Typed, Input::Pasted})
            rows.push_back({std::string(d.name) + (how == Input::Typed ? "Typed" : "Pasted"), d.box,
                            d.input, d.typed, how});
    return rows;
}

class CaseBoxInputTest : public HostRowTest<CaseInput> {
protected:
    void SetUp() override {
        host_ = makeHost();
        auto c = host_->addByClass(u"t1", row().box);
        ASSERT_FALSE(c.isError());
        box = static_cast<WrappedText*>(c.value());
        ASSERT_OK(host_->place(u"t1"));
    }
    ErrorOr<void> enter(std::u16string_view s) {
        return row().how == Input::Typed ? host_->type(u"t1", s) : host_->paste(u"t1", s);
    }
    std::u16string expected() const {
        return row().how == Input::Typed ? row().typed : row().input;
    }
    std::u16string text() const { return Part(host_.get(), u"t1", u"Text1").text(); }

    std::unique_ptr<HostDriver> host_;
    WrappedText* box = nullptr;
};

TEST_P(CaseBoxInputTest, ArrivesInTheBoxsCaseOnlyWhenTyped) {
    ASSERT_OK(enter(row().input));
    EXPECT_EQ(text(), expected());
    EXPECT_EQ(box->Text().value(), expected());
}

TEST_P(CaseBoxInputTest, GoesInAtTheCaretAfterAnAssignmentWhichKeepsItsCase) {
    ASSERT_OK(box->setText(u"MiXeD"));
    EXPECT_EQ(text(), u"MiXeD");
    // The caret is at the start after the assignment.
    ASSERT_OK(enter(row().input));
    EXPECT_EQ(text(), expected() + u"MiXeD");
}

TEST_P(CaseBoxInputTest, IsCutAtMaxLengthWhileAnAssignmentIsNot) {
    ASSERT_OK(box->setMaxLength(3));
    ASSERT_OK(enter(row().input));
    EXPECT_EQ(text(), expected().substr(0, 3));
    ASSERT_OK(box->setText(row().input));
    EXPECT_EQ(text(), row().input);
}

TESSIVRA_HOST_ROW_SUITE(CaseBoxInputTest, caseInputs());

// ---- one character for one, in the system's locale and code page ---------------------------

// A typed character becomes exactly one character of the code page or stays as typed: no
// letter is lost to a two-letter case form and none becomes "?".
struct CodePageCase {
    std::string name;
    std::string box;
    const char* locale;
    const char* codePage;
    std::u16string typed, expected;
};

const std::vector<CodePageCase> kCodePageCases{
    // ß's capital is two letters; ÿ's is in windows-1252, at 0x9F.
    {"UpperWestern", "TextoEmMaiusculo", "en-US", "windows-1252", u"straße µ ÿ", u"STRAßE µ Ÿ"},
    {"UpperTurkish", "TextoEmMaiusculo", "tr-TR", "windows-1254", u"iıçşğ ß", u"İIÇŞĞ ß"},
    {"UpperEnglishOnTurkishPage", "TextoEmMaiusculo", "en-US", "windows-1254", u"iı", u"II"},
    {"UpperPolish", "TextoEmMaiusculo", "pl-PL", "windows-1250", u"łżść ß µ", u"ŁŻŚĆ ß µ"},
    // Here the capital of the micro sign, the Greek capital Mu, is in the code page.
    {"UpperGreek", "TextoEmMaiusculo", "el-GR", "windows-1253", u"µ", u"\u039C"},
    // The dotted capital I has a one-letter small form only in Turkish; elsewhere its small
    // form is two characters and it stays as typed.
    {"LowerTurkish", "TextoEmMinusculo", "tr-TR", "windows-1254", u"İIÇŞ", u"iıçş"},
    {"LowerEnglishOnTurkishPage", "TextoEmMinusculo", "en-US", "windows-1254", u"İIÇŞ", u"İiçş"},
};

class CaseBoxCodePageTest : public HostRowTest<CodePageCase> {};

TEST_P(CaseBoxCodePageTest, ACharacterWithoutACaseFormInTheCodePageIsKeptAsTyped) {
    auto host = makeHost(HostOptions{.locale = row().locale, .codePage = row().codePage});
    if (host->hostName() == "win32" && row().name == "LowerEnglishOnTurkishPage")
        GTEST_SKIP() << "Windows lower-cases the dotted capital I to i in every locale";
    auto c = host->addByClass(u"t1", row().box);
    ASSERT_FALSE(c.isError());
    ASSERT_OK(host->type(u"t1", row().typed));
    Part text1(host.get(), u"t1", u"Text1");
    EXPECT_EQ(text1->text(), row().expected);
    // Assigned text keeps whatever it is given.
    ASSERT_OK(static_cast<WrappedText*>(c.value())->setText(row().typed));
    EXPECT_EQ(text1->text(), row().typed);
}

TESSIVRA_HOST_ROW_SUITE(CaseBoxCodePageTest, kCodePageCases);

// ---- what only one of them has --------------------------------------------------------------

class TextoEmMaiusculoTest : public PlacedControl<TextoEmMaiusculo> {
protected:
    TextoEmMaiusculoTest() : PlacedControl(u"t1") {}
};

TEST_P(TextoEmMaiusculoTest, PopupMenuPassesEveryArgumentOnAndMarksTheOmittedOnes) {
    auto menu = std::make_shared<Object>();
    ASSERT_OK(box->PopupMenu(Value(ObjectRef(menu))));
    ASSERT_EQ(form.popups().size(), 1u);
    EXPECT_EQ(form.popups()[0].menu.anyObject(), menu);
    EXPECT_TRUE(form.popups()[0].flags.isMissing());
    EXPECT_TRUE(form.popups()[0].x.isMissing());
    EXPECT_TRUE(form.popups()[0].y.isMissing());
    EXPECT_TRUE(form.popups()[0].defaultMenu.isMissing());
    ASSERT_OK(box->PopupMenu(Value(ObjectRef(menu)), Value(std::int16_t{2}), Value(100.f)));
    EXPECT_EQ(form.popups()[1].flags, Value(std::int16_t{2}));
    EXPECT_EQ(form.popups()[1].x, Value(100.f));
    EXPECT_TRUE(form.popups()[1].y.isMissing());
    EXPECT_TRUE(box->PopupMenu(Value(u"not a menu")).isError());
}

TESSIVRA_HOST_SUITE(TextoEmMaiusculoTest);

TEST(TextoEmMinusculoClass, ItHasTheCommonMembersWithoutPopupMenu) {
    std::vector<std::pair<std::u16string_view, DispId>> mine, upper;
    for (const auto& m : TextoEmMinusculo::Class.members)
        mine.emplace_back(m.name, m.id);
    for (const auto& m : TextoEmMaiusculo::Class.members)
        if (m.name != u"PopupMenu") upper.emplace_back(m.name, m.id);
    EXPECT_EQ(mine, upper);
    EXPECT_EQ(mine.size(), 18u);
    EXPECT_EQ(mine.front(), (std::pair<std::u16string_view, DispId>{u"Alignment", 0x68030010}));
    EXPECT_EQ(TextoEmMinusculo::Class.events.size(), 9u);
}

} // namespace
} // namespace tessivra::testing
