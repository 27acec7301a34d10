#include "controls/text/ScrollText/ScrollText.h"

#include "tests/driver/host_driver.h"

namespace tessivra::testing {
namespace {

class ScrollTextTest : public PlacedControl<ScrollText> {
protected:
    ScrollTextTest() : PlacedControl(u"s") {}
    void SetUp() override {
        PlacedControl::SetUp();
        if (HasFatalFailure()) return;
        bar = part(u"VScroll1");
        form.clearLines();
    }
    std::vector<std::u16string> notices() { return form.notices(u"s"); }
    ErrorOr<void> down(int n = 1) { return form.scroll(u"s", true, n); }
    ErrorOr<void> up(int n = 1) { return form.scroll(u"s", false, n); }
    ErrorOr<void> resize(Twips w, Twips h) { return form.resize(u"s", w, h); }
    std::ptrdiff_t changes() {
        const auto& lines = form.lines();
        return std::count(lines.begin(), lines.end(), "event s Change");
    }

    Part bar;
};

TEST_P(ScrollTextTest, ANewBoxShowsZeroAndTheBottomArrowCountsUpTheTopArrowDown) {
    EXPECT_EQ(text(), u"0");
    EXPECT_EQ(form.textBox(u"s", u"Text1")->Alignment().value(), 2);
    EXPECT_EQ(box->Min().value(), 0);
    EXPECT_EQ(box->Max().value(), 32767);
    EXPECT_EQ(box->Value().value(), 0);
    ASSERT_OK(down());
    EXPECT_EQ(text(), u"1");
    EXPECT_EQ(changes(), 1);
    ASSERT_OK(up());
    EXPECT_EQ(text(), u"0");
    // At the top the arrow has nowhere to go: no change is reported, nothing is rewritten.
    ASSERT_OK(up());
    EXPECT_EQ(changes(), 2);
    EXPECT_TRUE(notices().empty());
}

TEST_P(ScrollTextTest, ValueShowsItsDecimalTextBeforeTheNotice) {
    ASSERT_OK(box->setMin(-10));
    ASSERT_OK(box->setValue(-5));
    EXPECT_EQ(text(), u"-5");
    ASSERT_OK(box->setValue(32767));
    EXPECT_EQ(text(), u"32767");
    EXPECT_EQ(notices(), (std::vector<std::u16string>{u"Min", u"Value", u"Value"}));
    auto& lines = form.lines();
    auto change = std::find(lines.begin(), lines.end(), "event s Change");
    auto notice = std::find(lines.begin(), lines.end(), "changed s Value");
    EXPECT_LT(change, notice);
}

TEST_P(ScrollTextTest, AValueOutsideTheRangeIsRefusedWithoutNotice) {
    ASSERT_OK(box->setMax(30));
    auto r = box->setValue(31);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 380);
    EXPECT_EQ(box->Value().value(), 0);
    EXPECT_EQ(text(), u"0");
    EXPECT_EQ(notices(), std::vector<std::u16string>{u"Max"});
}

TEST_P(ScrollTextTest, MovingMinOrMaxPastThePositionDragsItAlongAndRewritesTheText) {
    ASSERT_OK(box->setMin(5));
    EXPECT_EQ(box->Value().value(), 5);
    EXPECT_EQ(text(), u"5");
    ASSERT_OK(box->setValue(20));
    ASSERT_OK(box->setMax(12));
    EXPECT_EQ(text(), u"12");
    // A reversed range: the bottom arrow still steps towards Max.
    ASSERT_OK(box->setMin(15));
    ASSERT_OK(box->setMax(10));
    EXPECT_EQ(text(), u"12");
    ASSERT_OK(down());
    EXPECT_EQ(text(), u"11");
    ASSERT_OK(down(5));
    EXPECT_EQ(text(), u"10");
    ASSERT_OK(up(9));
    EXPECT_EQ(text(), u"15");
}

TEST_P(ScrollTextTest, TypingLeavesTheBarWhereItIsAndTheNextClickOverwritesTheText) {
    ASSERT_OK(box->setValue(5));
    ASSERT_OK(form.focus(u"s", u"Text1"));
    ASSERT_OK(box->setSelLength(1));
    ASSERT_OK(form.type(u"s", u"12"));
    EXPECT_EQ(text(), u"12");
    EXPECT_EQ(box->Value().value(), 5);
    ASSERT_OK(down());
    EXPECT_EQ(text(), u"6");
    // Letters are not held back either.
    ASSERT_OK(form.type(u"s", u"x"));
    EXPECT_EQ(box->Text().value(), u"x6");
}

TEST_P(ScrollTextTest, ADisabledOrLockedBoxStillFollowsTheBar) {
    ASSERT_OK(box->setEnabled(VFalse));
    ASSERT_OK(box->setLocked(VTrue));
    EXPECT_FALSE(text1->enabled());
    ASSERT_OK(down(3));
    EXPECT_EQ(text(), u"3");
    EXPECT_EQ(box->Enabled().value(), VFalse);
}

TEST_P(ScrollTextTest, EnterInTheBoxMovesTheFocusToTheBar) {
    ASSERT_OK(form.focus(u"s", u"Text1"));
    ASSERT_OK(form.key(u"s", 13));
    EXPECT_EQ(form.focusName(), "s.VScroll1");
}

TEST_P(ScrollTextTest, TheFirstPlacementRemovesTheOverlap) {
    EXPECT_EQ(text1->bounds().width, 480);
    EXPECT_EQ(bar->bounds().left, 480);
    EXPECT_EQ(bar->bounds().width, 255);
    EXPECT_EQ(bar->bounds().height, 300);
}

TEST_P(ScrollTextTest, TheBarTakesItsWidthFromTheRightAndTheFullHeight) {
    ASSERT_OK(resize(1000, 400));
    EXPECT_EQ(text1->bounds().width, 745);
    EXPECT_EQ(text1->bounds().height, 400);
    EXPECT_EQ(bar->bounds().left, 745);
    EXPECT_EQ(bar->bounds().top, 0);
    EXPECT_EQ(bar->bounds().height, 400);
    EXPECT_EQ(bar->bounds().width, 255);
}

TEST_P(ScrollTextTest, AWidthOf700OrLessBecomes735AndOneAbove700Stays) {
    ASSERT_OK(resize(720, 300));
    EXPECT_EQ(form.width(u"s"), 720);
    EXPECT_EQ(text1->bounds().width, 465);
    ASSERT_OK(resize(700.5f, 300));
    EXPECT_EQ(form.width(u"s"), 700.5f);
    ASSERT_OK(resize(700, 300));
    EXPECT_EQ(form.width(u"s"), 735);
    EXPECT_EQ(text1->bounds().width, 480);
    EXPECT_EQ(bar->bounds().left, 480);
}

TEST_P(ScrollTextTest, AHeightUnder300Becomes300AndTheBarFollows) {
    ASSERT_OK(resize(1000, 200));
    EXPECT_EQ(form.height(u"s"), 300);
    EXPECT_EQ(text1->bounds().height, 300);
    EXPECT_EQ(bar->bounds().height, 300);
    ASSERT_OK(resize(1000, 300));
    EXPECT_EQ(form.height(u"s"), 300);
}

TEST_P(ScrollTextTest, ABoxNarrowerThanTheBarNeverGivesText1ANegativeWidth) {
    // The host refuses a negative width, so a negative one would fail the resize.
    for (Twips w : {0.f, 100.f, 254.f, 255.f}) {
        ASSERT_OK(resize(w, 100));
        EXPECT_EQ(form.width(u"s"), 735) << w;
        EXPECT_EQ(form.height(u"s"), 300) << w;
        EXPECT_EQ(text1->bounds().width, 480) << w;
        EXPECT_EQ(bar->bounds().left, 480) << w;
    }
}

TEST_P(ScrollTextTest, MaskPictureIsKeptByTheSurfaceAndHandedBackUnchanged) {
    auto mask = std::make_shared<Picture>(u"mask", 1, 16, 16);
    ASSERT_OK(box->setMaskPicture(mask));
    EXPECT_EQ(box->MaskPicture().value(), mask);
    EXPECT_EQ(notices(), std::vector<std::u16string>{u"MaskPicture"});
    FAIL_NEXT_OR_SKIP(form, "s.UserControl.MaskPicture=");
    EXPECT_TRUE(box->setMaskPicture(nullptr).isError());
    EXPECT_EQ(notices().size(), 1u);
}

TEST_P(ScrollTextTest, SavingWritesNineteenKeysAndLoadingShowsTheValueOverTheSavedText) {
    ASSERT_OK(box->setMax(100));
    ASSERT_OK(box->setValue(15));
    ASSERT_OK(box->setText(u"typed over"));
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"s", *bag));
    std::vector<std::u16string> keys = bag->keys();
    EXPECT_EQ(keys, (std::vector<std::u16string>{
                        u"BackColor", u"BorderStyle", u"DataSource", u"Enabled", u"Font",
                        u"ForeColor", u"Locked", u"MaskPicture", u"Max", u"MaxLength", u"Min",
                        u"MouseIcon", u"MousePointer", u"SelLength", u"SelStart", u"SelText",
                        u"Text", u"ToolTipText", u"Value"}));
    EXPECT_EQ(*bag->find(u"Max"), Value(std::int16_t{100}));
    EXPECT_EQ(*bag->find(u"Value"), Value(std::int16_t{15}));
    EXPECT_TRUE(bag->find(u"DataSource")->isEmpty());

    auto file = bag->reloaded();
    ASSERT_FALSE(file.isError());
    auto* copy = form.add<ScrollText>(u"s2").value();
    ASSERT_OK(form.load(u"s2", *file.value()));
    EXPECT_EQ(copy->Text().value(), u"15");
    EXPECT_EQ(copy->Min().value(), 0);
    EXPECT_EQ(copy->Max().value(), 100);
    EXPECT_EQ(copy->Value().value(), 15);
    EXPECT_EQ(form.notices(u"s2"), (std::vector<std::u16string>{u"MaskPicture", u"MouseIcon"}));
}

TEST_P(ScrollTextTest, ALoadedTextSurvivesWhenTheLoadedValueDoesNotMoveTheBar) {
    auto bag = form.newBag();
    bag->put(u"Text", Value(u"seven"));
    bag->put(u"Value", Value(std::int16_t{0}));
    ASSERT_OK(form.load(u"s", *bag));
    EXPECT_EQ(text(), u"seven");
}

TEST_P(ScrollTextTest, ALoadStopsAtAValueTheBarRefuses) {
    auto bag = form.newBag();
    bag->put(u"Max", Value(std::int16_t{10}));
    bag->put(u"Text", Value(u"loaded"));
    bag->put(u"Value", Value(std::int16_t{50}));
    auto r = form.load(u"s", *bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 380);
    EXPECT_EQ(box->Max().value(), 10);
    EXPECT_EQ(text(), u"loaded");

    auto tooBig = form.newBag();
    tooBig->put(u"Max", Value(std::int32_t{40000}));
    tooBig->put(u"Text", Value(u"never"));
    r = form.load(u"s", *tooBig);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 6);
    EXPECT_EQ(text(), u"loaded");
}

TEST_P(ScrollTextTest, TheInterfaceListsItsOwnMembersInOrderWithoutAlignment) {
    std::vector<std::pair<std::u16string_view, DispId>> members;
    for (const auto& m : ScrollText::Class.members)
        members.emplace_back(m.name, m.id);
    EXPECT_EQ(members, (std::vector<std::pair<std::u16string_view, DispId>>{
                           {u"BackColor", 0x68030010},
                           {u"BorderStyle", 0x6803000F},
                           {u"Enabled", 0x6803000E},
                           {u"Font", -512},
                           {u"ForeColor", 0x6803000D},
                           {u"Locked", 0x6803000C},
                           {u"MaskPicture", 0x6803000B},
                           {u"Max", 0x6803000A},
                           {u"MaxLength", 0x68030009},
                           {u"Min", 0x68030008},
                           {u"MouseIcon", 0x68030007},
                           {u"MousePointer", 0x68030006},
                           {u"SelLength", 0x68030005},
                           {u"SelStart", 0x68030004},
                           {u"SelText", 0x68030003},
                           {u"Text", 0x68030002},
                           {u"ToolTipText", 0x68030001},
                           {u"Value", 0x68030000},
                       }));
    EXPECT_EQ(ScrollText::Class.members[6].access, access::Get | access::Set);
    EXPECT_EQ(ScrollText::Class.members[7].access, access::Get | access::Let);
    EXPECT_EQ(ScrollText::Class.events.size(), 9u);
    EXPECT_EQ(ScrollText::Class.designWidth, 735);
    EXPECT_EQ(ScrollText::Class.designHeight, 300);
}

TEST_P(ScrollTextTest, AFailingHostCallStopsTheRoutineThere) {
    // The decimal text cannot be made: the bar has moved, the text stays.
    FAIL_NEXT_OR_SKIP(form, "Runtime.CStr");
    EXPECT_TRUE(down().isError());
    EXPECT_EQ(box->Value().value(), 1);
    EXPECT_EQ(text(), u"0");
    // The layout stops at the bar's left: its height and the minimum width are never reached.
    FAIL_NEXT_OR_SKIP(form, "VScroll1.Left=");
    EXPECT_TRUE(resize(600, 500).isError());
    EXPECT_EQ(text1->bounds().width, 345);
    EXPECT_EQ(bar->bounds().height, 300);
    EXPECT_EQ(form.width(u"s"), 600);
}

TESSIVRA_HOST_SUITE(ScrollTextTest);

} // namespace
} // namespace tessivra::testing
