#include "controls/display/HoraAtual/HoraAtual.h"

#include "tests/driver/host_driver.h"

namespace tessivra::testing {
namespace {

// 13:05:08.250, so that the first tick, one second after creation, lands on 13:05:09.
constexpr std::int64_t kStartMs = (13 * 3600 + 5 * 60 + 8) * 1000 + 250;

class HoraAtualTest : public HostTest {
protected:
    void SetUp() override {
        form.setClock(kStartMs);
        auto c = form.add<HoraAtual>(u"h1");
        ASSERT_FALSE(c.isError());
        clock = c.value();
        ASSERT_OK(form.place(u"h1"));
        form.setHandler(u"h1", &sink);
        label1 = Part(&form, u"h1", u"Label1");
        ASSERT_NE(label1, nullptr);
        form.clearLines();
    }
    std::vector<std::u16string> notices() const { return form.notices(u"h1"); }
    std::vector<std::string> events() {
        std::vector<std::string> out;
        for (const auto& l : form.lines())
            if (l.starts_with("event ")) out.push_back(l);
        return out;
    }

    // A locale whose time format is "HH:mm:ss", like the placeholder.
    std::unique_ptr<HostDriver> host_ = makeHost(HostOptions{.locale = "en-GB"});
    HostDriver& form = *host_;
    HoraAtual* clock = nullptr;
    Part label1;
    HandlerSink sink;
};

TEST_P(HoraAtualTest, ANewClockShowsThePlaceholderCentredInArialUntilTheFirstTickThenTheTime) {
    EXPECT_EQ(label1->caption(), u"00:00:00");
    EXPECT_EQ(label1->alignment(), 2);
    EXPECT_EQ(label1->backStyle(), 0);
    EXPECT_EQ(label1->font()->name, u"Arial");
    EXPECT_EQ(label1->font()->size, 9.75f);
    EXPECT_EQ(label1->font()->weight, 400);
    EXPECT_FALSE(label1->bold());
    EXPECT_EQ(clock->BackColor().value(), syscolour::ButtonFace);
    EXPECT_EQ(clock->ForeColor().value(), syscolour::ButtonText);
    EXPECT_EQ(clock->MousePointer().value(), 0);
    EXPECT_EQ(clock->ToolTipText().value(), u"");
    EXPECT_EQ(clock->Timer1().Interval().value(), 1000);
    EXPECT_EQ(clock->Timer1().Enabled().value(), VTrue);

    ASSERT_OK(form.tick(999));
    EXPECT_EQ(label1->caption(), u"00:00:00");
    ASSERT_OK(form.tick(1));
    EXPECT_EQ(label1->caption(), u"13:05:09");
    ASSERT_OK(form.tick(2000));
    EXPECT_EQ(label1->caption(), u"13:05:11");
    // The clock only shows the time: it tells the container nothing.
    EXPECT_TRUE(notices().empty());
    EXPECT_TRUE(events().empty());
}

// The system's time format separates "PM" with a plain space; ICU's no-break spaces would
// make the caption differ from it and fall outside the code page.
TEST_P(HoraAtualTest, TheTimeTextFollowsTheLocaleOfTheSystemWithPlainSpaces) {
    for (auto [locale, expected] :
         {std::pair<const char*, std::u16string_view>{"pt-BR", u"13:05:09"},
          {"en-GB", u"13:05:09"},
          {"en-US", u"1:05:09 PM"}}) {
        auto other = makeHost(HostOptions{.locale = locale});
        other->setClock(kStartMs);
        ASSERT_TRUE(other->add<HoraAtual>(u"h"));
        ASSERT_OK(other->tick(1000));
        auto caption = Part(other.get(), u"h", u"Label1").caption();
        EXPECT_EQ(caption, expected) << locale;
    }
}

TEST_P(HoraAtualTest, ATickStopsAtAFailingTimeCallAndLeavesTheCaptionAsItWas) {
    FAIL_NEXT_OR_SKIP(form, "Runtime.Time");
    auto r = form.tick(1000);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, form.injectedFailureCode());
    EXPECT_EQ(label1->caption(), u"00:00:00");
    FAIL_NEXT_OR_SKIP(form, "Runtime.TimeText");
    EXPECT_TRUE(form.tick(1000).isError());
    EXPECT_EQ(label1->caption(), u"00:00:00");
    ASSERT_OK(form.tick(1000));
    EXPECT_EQ(label1->caption(), u"13:05:11");
}

TEST_P(HoraAtualTest, SizesBelowTheMinimumAreRaisedToItAndTheLabelCoversTheResult) {
    ASSERT_OK(form.resize(u"h1", 500, 100));
    EXPECT_EQ(form.width(u"h1"), 1095);
    EXPECT_EQ(form.height(u"h1"), 240);
    EXPECT_EQ(label1->bounds().width, 1095);
    EXPECT_EQ(label1->bounds().height, 240);
    EXPECT_EQ(label1->bounds().left, 0);
    EXPECT_EQ(label1->bounds().top, 0);

    // Only the dimension that is too small is raised.
    ASSERT_OK(form.resize(u"h1", 500, 1000));
    EXPECT_EQ(form.width(u"h1"), 1095);
    EXPECT_EQ(form.height(u"h1"), 1000);
    EXPECT_EQ(label1->bounds().height, 1000);
    ASSERT_OK(form.resize(u"h1", 3000, 10));
    EXPECT_EQ(form.width(u"h1"), 3000);
    EXPECT_EQ(form.height(u"h1"), 240);
    EXPECT_EQ(label1->bounds().width, 3000);
    EXPECT_EQ(label1->bounds().height, 240);
}

TEST_P(HoraAtualTest, ExactlyTheMinimumAndAnythingAboveItStayAsAsked) {
    ASSERT_OK(form.resize(u"h1", 2000, 240));
    EXPECT_EQ(form.width(u"h1"), 2000);
    EXPECT_EQ(form.height(u"h1"), 240);
    EXPECT_EQ(label1->bounds().width, 2000);
    ASSERT_OK(form.resize(u"h1", 1095, 240));
    EXPECT_EQ(form.width(u"h1"), 1095);
    EXPECT_EQ(form.height(u"h1"), 240);
    EXPECT_EQ(label1->bounds().width, 1095);
    EXPECT_EQ(label1->bounds().height, 240);
    // At exactly the minimum the control's size is not even assigned: an assignment would fail.
    ASSERT_OK(form.resize(u"h1", 3000, 3000));
    FAIL_NEXT_OR_SKIP(form, "h1.UserControl.Width=");
    FAIL_NEXT_OR_SKIP(form, "h1.UserControl.Height=");
    ASSERT_OK(form.resize(u"h1", 1095, 240));
    EXPECT_TRUE(form.failuresPending());
    form.clearFailures();
    // Just below by a fraction is still below.
    ASSERT_OK(form.resize(u"h1", 1094.5f, 239.5f));
    EXPECT_EQ(form.width(u"h1"), 1095);
    EXPECT_EQ(form.height(u"h1"), 240);
}

TEST_P(HoraAtualTest, TheLabelIsSizedBeforeTheMinimumIsEnforced) {
    // Enlarging fails: the label already took the size that was asked for.
    FAIL_NEXT_OR_SKIP(form, "h1.UserControl.Width=");
    EXPECT_TRUE(form.resize(u"h1", 500, 100).isError());
    EXPECT_EQ(label1->bounds().width, 500);
    EXPECT_EQ(label1->bounds().height, 100);
    // A failing label width stops the handler before the height is copied.
    FAIL_NEXT_OR_SKIP(form, "Label1.Width=");
    EXPECT_TRUE(form.resize(u"h1", 4000, 4000).isError());
    EXPECT_EQ(label1->bounds().width, 500);
    EXPECT_EQ(label1->bounds().height, 100);
}

TEST_P(HoraAtualTest, ADoubleClickRaisesDblClickAndNoClick) {
    std::vector<DispId> ids;
    sink.handler = [&](DispId id, EventArgs) { ids.push_back(id); };
    ASSERT_OK(form.click(u"h1", u"Label1"));
    EXPECT_EQ(ids, (std::vector<DispId>{2, 4})); // MouseDown, MouseUp; a click is no event
    ids.clear();
    ASSERT_OK(form.dblClick(u"h1", u"Label1"));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 1), 1);
    for (DispId id : ids)
        EXPECT_TRUE(id == 1 || id == 2 || id == 4) << id;
    EXPECT_NE(std::find(form.lines().begin(), form.lines().end(), "event h1 DblClick"),
              form.lines().end());
}

TEST_P(HoraAtualTest, MouseEventsPassTheLabelsArgumentsUnderTheirOwnNumbers) {
    if (form.hostName() == "win32")
        GTEST_SKIP() << "a Win32 mouse message carries whole pixels of 15 twips, not 150.5 twips";
    std::vector<std::pair<DispId, std::vector<Value>>> seen;
    sink.handler = [&](DispId id, EventArgs args) {
        std::vector<Value> values;
        for (const auto& a : args)
            values.push_back(a.get());
        seen.emplace_back(id, values);
    };
    ASSERT_OK(form.mouse(u"h1", u"Label1", 0, 1, 2, 150.5f, 60));
    ASSERT_OK(form.mouse(u"h1", u"Label1", 1, 0, 1, 151, 61));
    ASSERT_OK(form.mouse(u"h1", u"Label1", 2, 2, 0, 152, 62));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, 2);
    EXPECT_EQ(seen[0].second, (std::vector<Value>{Value(std::int16_t{1}), Value(std::int16_t{2}),
                                                  Value(150.5f), Value(60.f)}));
    EXPECT_EQ(seen[1].first, 3);
    EXPECT_EQ(seen[1].second[2], Value(151.f));
    EXPECT_EQ(seen[2].first, 4);
    EXPECT_EQ(seen[2].second[0], Value(std::int16_t{2}));
    EXPECT_EQ(events().front(), "event h1 MouseDown Button=1 Shift=2 X=150.5 Y=60");
}

TEST_P(HoraAtualTest, SettersAssignTheLabelThenNotifyAndStaySilentWhenTheLabelRefuses) {
    auto font = std::make_shared<Font>(u"Courier New", 12.f, 700);
    auto icon = std::make_shared<Picture>(u"hand", 3, 32, 32);
    ASSERT_OK(clock->setForeColor(0x0000FF));
    ASSERT_OK(clock->setFont(font));
    ASSERT_OK(clock->setMouseIcon(icon));
    ASSERT_OK(clock->setMousePointer(99));
    ASSERT_OK(clock->setToolTipText(u"Hora"));
    EXPECT_EQ(label1->foreColor(), 0x0000FFu);
    EXPECT_EQ(label1->font(), font); // the very object, not a copy
    EXPECT_EQ(clock->MouseIcon().value(), icon);
    EXPECT_EQ(clock->MousePointer().value(), 99);
    EXPECT_EQ(clock->ToolTipText().value(), u"Hora");
    EXPECT_EQ(notices(), (std::vector<std::u16string>{u"ForeColor", u"Font", u"MouseIcon",
                                                      u"MousePointer", u"ToolTipText"}));

    auto refused = clock->setMousePointer(50);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, errc::InvalidPropertyValue);
    EXPECT_EQ(clock->MousePointer().value(), 99);
    FAIL_NEXT_OR_SKIP(form, "Label1.ToolTipText=");
    EXPECT_TRUE(clock->setToolTipText(u"never").isError());
    EXPECT_EQ(notices().size(), 5u);
    // The notice fails after the assignment: the value stays.
    FAIL_NEXT_OR_SKIP(form, "h1.UserControl.PropertyChanged");
    EXPECT_TRUE(clock->setToolTipText(u"kept").isError());
    EXPECT_EQ(clock->ToolTipText().value(), u"kept");
    EXPECT_EQ(notices().size(), 5u);
}

TEST_P(HoraAtualTest, BackColorIsKeptInTheLabelAndSavedWhileTheSurfaceShowsBehindIt) {
    ASSERT_OK(clock->setBackColor(0x00FFFF));
    EXPECT_EQ(clock->BackColor().value(), 0x00FFFFu);
    EXPECT_EQ(notices(), std::vector<std::u16string>{u"BackColor"});
    // The label stays transparent, so the digits sit on the control's own surface colour.
    EXPECT_EQ(label1->backStyle(), 0);
    EXPECT_EQ(HoraAtual::SurfaceBackColor, syscolour::ActiveBorder);
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"h1", *bag));
    ASSERT_NE(bag->find(u"BackColor"), nullptr);
    EXPECT_EQ(*bag->find(u"BackColor"), Value(std::int32_t{0x00FFFF}));
}

TEST_P(HoraAtualTest, LoadingABagWithoutFontGivesTheAmbientFontAndOneMouseIconNotice) {
    auto bag = form.newBag();
    bag->put(u"ForeColor", Value(std::int32_t{0x123456}));
    ASSERT_OK(form.load(u"h1", *bag));
    EXPECT_EQ(clock->Font().value(), form.ambientFont());
    EXPECT_NE(clock->Font().value()->name, u"Arial");
    EXPECT_EQ(clock->ForeColor().value(), 0x123456u);
    EXPECT_EQ(clock->BackColor().value(), syscolour::ButtonFace);
    EXPECT_EQ(clock->MouseIcon().value(), nullptr);
    EXPECT_EQ(clock->MousePointer().value(), 0);
    EXPECT_EQ(clock->ToolTipText().value(), u"");
    EXPECT_EQ(notices(), std::vector<std::u16string>{u"MouseIcon"});
}

TEST_P(HoraAtualTest, SavingWritesTheSixKeysInOrderAndLoadingThemGivesTheSameAppearance) {
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"h1", *bag));
    std::vector<std::u16string> keys = bag->keys();
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"BackColor", u"Font", u"ForeColor", u"MouseIcon",
                                                 u"MousePointer", u"ToolTipText"}));
    EXPECT_EQ(*bag->find(u"BackColor"), Value(static_cast<std::int32_t>(syscolour::ButtonFace)));
    EXPECT_EQ(*bag->find(u"ForeColor"), Value(static_cast<std::int32_t>(syscolour::ButtonText)));
    EXPECT_EQ(bag->find(u"Font")->type(), ValueType::Font);
    EXPECT_TRUE(bag->find(u"MouseIcon")->isNothing());
    EXPECT_EQ(*bag->find(u"MousePointer"), Value(std::int16_t{0}));
    EXPECT_EQ(*bag->find(u"ToolTipText"), Value(u""));

    auto file = bag->reloaded();
    ASSERT_FALSE(file.isError());
    auto* copy = form.add<HoraAtual>(u"h2").value();
    ASSERT_OK(form.load(u"h2", *file.value()));
    EXPECT_EQ(copy->Font().value()->name, u"Arial");
    EXPECT_EQ(copy->Font().value()->size, 9.75f);
    EXPECT_EQ(copy->BackColor().value(), syscolour::ButtonFace);
    EXPECT_EQ(copy->ForeColor().value(), syscolour::ButtonText);
    EXPECT_EQ(copy->MouseIcon().value(), nullptr);
    EXPECT_EQ(copy->MousePointer().value(), 0);
    EXPECT_EQ(form.notices(u"h2"), std::vector<std::u16string>{u"MouseIcon"});
}

TEST_P(HoraAtualTest, ALoadStopsAtTheFirstKeyThatCannotBeConverted) {
    auto bag = form.newBag();
    bag->put(u"BackColor", Value(std::int32_t{0x00FF00}));
    bag->put(u"ForeColor", Value(u"red"));
    bag->put(u"ToolTipText", Value(u"never"));
    auto r = form.load(u"h1", *bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::TypeMismatch);
    EXPECT_EQ(clock->BackColor().value(), 0x00FF00u);
    EXPECT_EQ(clock->ToolTipText().value(), u"");
    EXPECT_TRUE(notices().empty()); // MouseIcon comes after the failing key
}

TEST_P(HoraAtualTest, TheClassDescribesSixPropertiesAndFourEventsInInterfaceOrder) {
    const auto& cls = HoraAtual::Class;
    std::vector<std::pair<std::u16string_view, DispId>> members;
    for (const auto& m : cls.members)
        members.emplace_back(m.name, m.id);
    EXPECT_EQ(members,
              (std::vector<std::pair<std::u16string_view, DispId>>{{u"BackColor", 0x68030004},
                                                                   {u"Font", -512},
                                                                   {u"ForeColor", 0x68030003},
                                                                   {u"MouseIcon", 0x68030002},
                                                                   {u"MousePointer", 0x68030001},
                                                                   {u"ToolTipText", 0x68030000}}));
    EXPECT_EQ(cls.members[1].access, access::Get | access::Set);
    EXPECT_EQ(cls.members[3].access, access::Get | access::Set);
    EXPECT_EQ(cls.members[0].access, access::Get | access::Let);
    ASSERT_EQ(cls.events.size(), 4u);
    EXPECT_EQ(cls.events[0].name, u"DblClick");
    EXPECT_EQ(cls.events[0].id, 1);
    EXPECT_TRUE(cls.events[0].params.empty());
    EXPECT_EQ(cls.events[3].name, u"MouseUp");
    EXPECT_EQ(cls.events[3].id, 4);
    ASSERT_EQ(cls.events[2].params.size(), 4u);
    EXPECT_EQ(cls.events[2].params[3].type, MemberType::R4);
    EXPECT_EQ(cls.designWidth, 1095);
    EXPECT_EQ(cls.designHeight, 240);

    // Through the table as a container would: read, assign, and the notice follows.
    Value v = cls.members[5].get(*clock).value();
    EXPECT_EQ(v, Value(u""));
    ASSERT_OK(cls.members[0].put(*clock, Value(std::int32_t{0xABCDEF})));
    EXPECT_EQ(clock->BackColor().value(), 0xABCDEFu);
    EXPECT_EQ(notices(), std::vector<std::u16string>{u"BackColor"});
}

TESSIVRA_HOST_SUITE(HoraAtualTest);

} // namespace
} // namespace tessivra::testing
