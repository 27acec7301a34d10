#include "controls/text/Moeda/Moeda.h"
#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"

#include "tests/driver/host_driver.h"

namespace tessivra::testing {
namespace {

// A Moeda "m" beside another box "next" that takes the focus when it leaves.
class MoedaTest : public PlacedControl<Moeda> {
protected:
    explicit MoedaTest(HostOptions settings = {}) : PlacedControl(u"m", std::move(settings)) {}
    void SetUp() override {
        PlacedControl::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(form.add<TextoEmMinusculo>(u"next"));
        form.clearLines();
    }
    ErrorOr<void> enter() { return form.focus(u"m"); }
    ErrorOr<void> leave() { return form.focus(u"next"); }
    std::ptrdiff_t changes() {
        const auto& lines = form.lines();
        return std::count(lines.begin(), lines.end(), "event m Change");
    }
};

TEST_P(MoedaTest, EnteringShowsTwoDecimalsAndLeavingAddsTheThousandsSeparators) {
    ASSERT_OK(box->setText(u"1234.5"));
    EXPECT_EQ(text(), u"1234.5"); // an assigned text waits for the next change of focus
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"1234.50");
    EXPECT_EQ(text1->maxLength(), 15);
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"1,234.50");
    EXPECT_EQ(text1->maxLength(), 18);
    EXPECT_EQ(box->Text().value(), u"1,234.50");
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"1234.50");
}

TEST_P(MoedaTest, AmountsBelowOneKeepALeadingZero) {
    ASSERT_OK(box->setText(u"0"));
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"0.00");
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"0.00");
    ASSERT_OK(box->setText(u".5"));
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"0.50");
}

TEST_P(MoedaTest, ANegativeAmountIsRoundedToCentsAndKeepsItsSignInBothLayouts) {
    ASSERT_OK(box->setText(u"-1234.567"));
    ASSERT_OK(enter());
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"-1,234.57");
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"-1234.57");
    // A half cent goes away from zero, decimally: 2.675 is not a binary 2.67499...
    ASSERT_OK(box->setText(u"2.675"));
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"2.68");
}

TEST_P(MoedaTest, TwelveIntegerDigitsFillEachLayoutsLimitExactly) {
    ASSERT_OK(box->setText(u"999999999999.99"));
    ASSERT_OK(enter());
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"999,999,999,999.99");
    EXPECT_EQ(text().size(), 18u);
    EXPECT_EQ(text1->maxLength(), 18);
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"999999999999.99");
    EXPECT_EQ(text().size(), 15u);
    EXPECT_EQ(text1->maxLength(), 15);
}

TEST_P(MoedaTest, ANegativeTwelveDigitAmountLongerThanTheLimitSurvivesEveryFocusChange) {
    // 19 characters displayed under a limit of 18, 16 edited under 15: the limit holds back
    // typing only, so the amount is never cut into another one.
    ASSERT_OK(box->setText(u"-999999999999.99"));
    ASSERT_OK(enter());
    for (int round = 0; round < 2; ++round) {
        ASSERT_OK(leave());
        EXPECT_EQ(text(), u"-999,999,999,999.99");
        EXPECT_EQ(text1->maxLength(), 18);
        ASSERT_OK(enter());
        EXPECT_EQ(text(), u"-999999999999.99");
        EXPECT_EQ(text1->maxLength(), 15);
    }
}

TEST_P(MoedaTest, TypingStopsAtFifteenCharactersWhateverTheyAre) {
    ASSERT_OK(enter());
    ASSERT_OK(form.type(u"m", u"12345678901234567890"));
    EXPECT_EQ(text(), u"123456789012345");
    ASSERT_OK(box->setText(u""));
    ASSERT_OK(form.type(u"m", u"abc"));
    EXPECT_EQ(text(), u"abc");
    // What does not read as a number is laid out as the format function leaves it.
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"abc");
}

TEST_P(MoedaTest, AFocusChangeRaisesChangeOnlyWhenTheLayoutAltersTheText) {
    ASSERT_OK(box->setText(u"1234.50"));
    form.clearLines();
    ASSERT_OK(enter());
    EXPECT_EQ(changes(), 0);
    ASSERT_OK(leave());
    EXPECT_EQ(changes(), 1);
    ASSERT_OK(enter());
    EXPECT_EQ(changes(), 2);
    auto& lines = form.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("event m Key"); }),
              0);
}

TEST_P(MoedaTest, ALoadedTextIsShownAsStoredWithNoLimitUntilTheFirstFocusChange) {
    auto bag = form.newBag();
    bag->put(u"Text", Value(u"1234.5"));
    bag->put(u"MaxLength", Value(std::int32_t{4})); // not a key of this box: never read
    ASSERT_OK(form.load(u"m", *bag));
    EXPECT_EQ(text(), u"1234.5");
    EXPECT_EQ(text1->maxLength(), 0);
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"1234.50");
    EXPECT_EQ(text1->maxLength(), 15);
}

TEST_P(MoedaTest, SavingWritesFifteenKeysWithoutMaxLengthOrPasswordChar) {
    ASSERT_OK(box->setText(u"42"));
    ASSERT_OK(enter());
    ASSERT_OK(leave());
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"m", *bag));
    std::vector<std::u16string> keys = bag->keys();
    EXPECT_EQ(keys, (std::vector<std::u16string>{
                        u"Alignment", u"BackColor", u"BorderStyle", u"DataSource", u"Enabled",
                        u"Font", u"ForeColor", u"Locked", u"MouseIcon", u"MousePointer",
                        u"SelLength", u"SelStart", u"SelText", u"Text", u"ToolTipText"}));
    EXPECT_EQ(*bag->find(u"Text"), Value(u"42.00"));
}

TEST_P(MoedaTest, EnterMovesTheFocusOnAndTheDisplayLayoutFollows) {
    ASSERT_OK(form.type(u"m", u"1234.5\r"));
    EXPECT_EQ(form.focusName(), "next.Text1");
    EXPECT_EQ(text(), u"1,234.50");
}

TEST_P(MoedaTest, TheInterfaceHasNoMaxLengthAndTheBoxStartsAtItsDesignSize) {
    std::vector<std::pair<std::u16string_view, DispId>> members;
    for (const auto& m : Moeda::Class.members)
        members.emplace_back(m.name, m.id);
    EXPECT_EQ(members, (std::vector<std::pair<std::u16string_view, DispId>>{
                           {u"Alignment", 0x6803000C},
                           {u"BackColor", 0x6803000B},
                           {u"BorderStyle", 0x6803000A},
                           {u"Enabled", 0x68030009},
                           {u"Font", -512},
                           {u"ForeColor", 0x68030008},
                           {u"Locked", 0x68030007},
                           {u"MouseIcon", 0x68030006},
                           {u"MousePointer", 0x68030005},
                           {u"SelLength", 0x68030004},
                           {u"SelStart", 0x68030003},
                           {u"SelText", 0x68030002},
                           {u"Text", 0x68030001},
                           {u"ToolTipText", 0x68030000},
                       }));
    EXPECT_EQ(Moeda::Class.events.size(), 9u);
    // No creation handler: the box keeps its design height, and resizing has no minimum.
    EXPECT_EQ(form.width(u"m"), 1935);
    EXPECT_EQ(form.height(u"m"), 300);
    EXPECT_EQ(text1->bounds().width, 1935);
    ASSERT_OK(form.resize(u"m", 100, 50));
    EXPECT_EQ(text1->bounds().width, 100);
    EXPECT_EQ(text1->bounds().height, 50);
}

TEST_P(MoedaTest, AFailingFormatLeavesTheOldTextWithTheNewLimitInForce) {
    ASSERT_OK(box->setText(u"1234.5"));
    FAIL_NEXT_OR_SKIP(form, "Runtime.Format");
    auto r = enter();
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, form.injectedFailureCode());
    EXPECT_EQ(text(), u"1234.5");
    EXPECT_EQ(text1->maxLength(), 15);
    // A refused limit stops the layout before the text is read.
    FAIL_NEXT_OR_SKIP(form, "m.Text1.MaxLength=");
    EXPECT_TRUE(leave().isError());
    EXPECT_EQ(text1->maxLength(), 15);
    EXPECT_EQ(text(), u"1234.5");
}

class MoedaInPortugueseTest : public MoedaTest {
protected:
    MoedaInPortugueseTest() : MoedaTest(HostOptions{.locale = "pt-BR"}) {}
};

TESSIVRA_HOST_SUITE(MoedaTest);

TEST_P(MoedaInPortugueseTest, TheDecimalCommaIsReadAndThePointSeparatesThousands) {
    ASSERT_OK(box->setText(u"1234,5"));
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"1234,50");
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"1.234,50");
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"1234,50");
}

TESSIVRA_HOST_SUITE(MoedaInPortugueseTest);

// India groups its own way (1,23,456.50); the display layout groups by threes, and entering the
// box again must give the plain amount back rather than leave the separators to edit.
class MoedaInIndiaTest : public MoedaTest {
protected:
    MoedaInIndiaTest() : MoedaTest(HostOptions{.locale = "en-IN"}) {}
};

TEST_P(MoedaInIndiaTest, TheDisplayLayoutGroupedByThreesReadsBackOnEntering) {
    ASSERT_OK(box->setText(u"123456.5"));
    ASSERT_OK(enter());
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"123,456.50");
    ASSERT_OK(enter());
    EXPECT_EQ(text(), u"123456.50");
    ASSERT_OK(box->setText(u"+1,23,456.5")); // the locale's own layout, with a plus
    ASSERT_OK(leave());
    EXPECT_EQ(text(), u"123,456.50");
}

TESSIVRA_HOST_SUITE(MoedaInIndiaTest);

} // namespace
} // namespace tessivra::testing
