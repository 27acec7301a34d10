#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"

#include "tests/support.h"

namespace tessivra::testing {
namespace {

class TextoEmMinusculoTest : public PlacedTextControl<TextoEmMinusculo> {
protected:
    TextoEmMinusculoTest() : PlacedTextControl(u"t1") {}
    void SetUp() override {
        PlacedTextControl::SetUp();
        if (HasFatalFailure()) return;
        form.journal().clear();
    }
};

TEST_F(TextoEmMinusculoTest, TypedCapitalsArriveInLowerCaseWhileAssignedAndPastedTextKeepsItsCase) {
    ASSERT_OK(form.type(u"t1", u"ABC1 Ç"));
    EXPECT_EQ(text(), u"abc1 ç");
    ASSERT_OK(box->setText(u"MiXeD"));
    EXPECT_EQ(text(), u"MiXeD");
    ASSERT_OK(form.paste(u"t1", u"PaStEd"));
    EXPECT_EQ(text(), u"PaStEdMiXeD");
}

// The same one-for-one rule downwards: the dotted capital I has a one-letter small form only
// in Turkish; elsewhere its small form is two characters and it stays as typed.
TEST_F(TextoEmMinusculoTest, ACharacterWithoutASmallFormInTheCodePageIsKeptAsTyped) {
    for (auto [locale, expected] :
         {std::pair<const char*, std::u16string_view>{"tr-TR", u"iıçş"}, {"en-US", u"İiçş"}}) {
        HeadlessForm other({.locale = locale, .codePage = "windows-1254"});
        ASSERT_TRUE(other.add<TextoEmMinusculo>(u"t"));
        ASSERT_OK(other.type(u"t", u"İIÇŞ"));
        EXPECT_EQ(other.container(u"t")->find<HeadlessTextBox>(u"Text1")->text(), expected)
            << locale;
    }
}

TEST_F(TextoEmMinusculoTest, TheFormSeesTheKeyAsTypedAndCanCancelOrReplaceIt) {
    std::vector<std::int16_t> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        if (id != 5) return;
        seen.push_back(args[0].i2());
        if (args[0].i2() == 'X')
            args[0].i2() = 0;
        else if (args[0].i2() == 'Q')
            args[0].i2() = 'Z';
    };
    ASSERT_OK(form.type(u"t1", u"AXQB\r"));
    EXPECT_EQ(text(), u"azb");
    EXPECT_EQ(seen, (std::vector<std::int16_t>{'A', 'X', 'Q', 'B', 13}));
    auto& lines = form.journal().lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "sendkeys \"{tab}\""), 1);
}

TEST_F(TextoEmMinusculoTest, ItHasTheCommonMembersWithoutPopupMenuAndTheCreationHeight) {
    std::vector<std::pair<std::u16string_view, DispId>> mine, upper;
    for (const auto& m : TextoEmMinusculo::Class.members)
        mine.emplace_back(m.name, m.id);
    for (const auto& m : TextoEmMaiusculo::Class.members)
        if (m.name != u"PopupMenu") upper.emplace_back(m.name, m.id);
    EXPECT_EQ(mine, upper);
    EXPECT_EQ(mine.size(), 18u);
    EXPECT_EQ(mine.front(), (std::pair<std::u16string_view, DispId>{u"Alignment", 0x68030010}));
    EXPECT_EQ(TextoEmMinusculo::Class.events.size(), 9u);
    EXPECT_EQ(form.container(u"t1")->width(), 3975);
    EXPECT_EQ(form.container(u"t1")->height(), 300);
    ASSERT_OK(form.resize(u"t1", 500, 123));
    EXPECT_EQ(text1->bounds().width, 500);
    EXPECT_EQ(text1->bounds().height, 123);
}

TEST_F(TextoEmMinusculoTest, SavingWritesTheSeventeenKeysAndLoadingKeepsMixedCase) {
    ASSERT_OK(box->setText(u"Hello World"));
    ASSERT_OK(box->setPasswordChar(u"*"));
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
    auto* copy = form.add<TextoEmMinusculo>(u"t2").value();
    ASSERT_OK(form.load(u"t2", bag));
    EXPECT_EQ(copy->Text().value(), u"Hello World");
    EXPECT_EQ(copy->PasswordChar().value(), u"*");
    EXPECT_EQ(form.container(u"t2")->notices, std::vector<std::u16string>{u"MouseIcon"});
}

TEST_F(TextoEmMinusculoTest, AFailingLowerCaseConversionLeavesTheKeyAsTheFormLeftIt) {
    form.faults().failNext("Runtime.LCase");
    auto r = form.type(u"t1", u"A");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, headless::InjectedFailureCode);
    EXPECT_EQ(text(), u"");
}

} // namespace
} // namespace tessivra::testing
