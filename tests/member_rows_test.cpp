// The helpers every class's tables are made with: identifiers given by place, event tables
// numbered and derived, values taken as converted on the way in, and the one constituent sink.
// Expected identifiers are written out by hand.

#include "framework/member_rows.h"
#include "framework/sink.h"
#include "framework/wrapped_text_tables.h"
#include "tests/support.h"

#include <string>
#include <vector>

namespace tessivra::testing {
namespace {

using MT = MemberType;

// Members of no class: only their names, types and access kinds matter here.
constexpr DispatchMember row(std::u16string_view name, MT type = MT::I2) {
    return {name, 0, access::Get, type};
}
constexpr DispatchMember method(std::u16string_view name, DispId id) {
    return {name, id, access::Call, MT::Void};
}

std::vector<std::pair<std::u16string_view, DispId>> ids(std::span<const DispatchMember> table) {
    std::vector<std::pair<std::u16string_view, DispId>> out;
    for (const DispatchMember& m : table)
        out.emplace_back(m.name, m.id);
    return out;
}

std::vector<std::pair<std::u16string_view, DispId>> ids(std::span<const EventInfo> table) {
    std::vector<std::pair<std::u16string_view, DispId>> out;
    for (const EventInfo& e : table)
        out.emplace_back(e.name, e.id);
    return out;
}

using Ids = std::vector<std::pair<std::u16string_view, DispId>>;

TEST(MemberRows, PropertiesCountDownFromTheLastPastTheFontAndMethodsWherever) {
    constexpr auto table = interfaceMembers({
        method(u"First", 0x60030001),
        row(u"A"),
        row(u"Font", MT::Font),
        row(u"B"),
        method(u"Middle", 0x6003001C),
        row(u"C", MT::Picture),
        row(u"D", MT::BSTR),
    });
    EXPECT_EQ(ids(table), (Ids{{u"First", 0x60030001},
                               {u"A", 0x68030003},
                               {u"Font", -512},
                               {u"B", 0x68030002},
                               {u"Middle", 0x6003001C},
                               {u"C", 0x68030001},
                               {u"D", 0x68030000}}));
    // Everything but the identifier is the row's own.
    EXPECT_EQ(table[5].type, MT::Picture);
    EXPECT_EQ(table[1].access, access::Get);

    constexpr auto fontOnly = interfaceMembers({row(u"Font", MT::Font)});
    EXPECT_EQ(fontOnly[0].id, -512);
    constexpr auto one = interfaceMembers({row(u"Only")});
    EXPECT_EQ(one[0].id, 0x68030000);
}

TEST(MemberRows, AnEventTableIsNumberedByPlaceAndAnEventLeftOutRenumbersThoseAfterIt) {
    EXPECT_EQ(ids(textevents::All), (Ids{{u"Change", 1},
                                         {u"Click", 2},
                                         {u"DblClick", 3},
                                         {u"KeyDown", 4},
                                         {u"KeyPress", 5},
                                         {u"KeyUp", 6},
                                         {u"MouseDown", 7},
                                         {u"MouseMove", 8},
                                         {u"MouseUp", 9}}));
    EXPECT_EQ(ids(textevents::WithoutDblClick), (Ids{{u"Change", 1},
                                                     {u"Click", 2},
                                                     {u"KeyDown", 3},
                                                     {u"KeyPress", 4},
                                                     {u"KeyUp", 5},
                                                     {u"MouseDown", 6},
                                                     {u"MouseMove", 7},
                                                     {u"MouseUp", 8}}));
    // The first and the last left out, with the parameters kept with their events.
    constexpr auto noChange = withoutEvent(textevents::All, u"Change");
    EXPECT_EQ(noChange.front().name, u"Click");
    EXPECT_EQ(noChange.front().id, 1);
    EXPECT_EQ(noChange[3].name, u"KeyPress");
    ASSERT_EQ(noChange[3].params.size(), 1u);
    EXPECT_EQ(noChange[3].params[0].name, u"KeyAscii");
    constexpr auto noMouseUp = withoutEvent(textevents::All, u"MouseUp");
    EXPECT_EQ(noMouseUp.back().name, u"MouseMove");
    EXPECT_EQ(noMouseUp.back().id, 8);
    EXPECT_EQ(noMouseUp.back().params.size(), 4u);

    EXPECT_EQ(eventNumber(textevents::WithoutDblClick, u"KeyUp"), 5);
    EXPECT_EQ(eventNumber(textevents::WithoutDblClick, u"DblClick"), 0);
    EXPECT_EQ(eventNumber({}, u"Change"), 0);
}

TEST(MemberRows, AValueOfTheMembersTypeIsTakenAsItHolds) {
    EXPECT_EQ(valueAs<MT::I2>(Value(std::int16_t{-7})), -7);
    EXPECT_EQ(valueAs<MT::I4>(Value(std::int32_t{1} << 20)), 1 << 20);
    // A system colour keeps its top bit.
    EXPECT_EQ(valueAs<MT::OleColor>(Value(static_cast<std::int32_t>(0x80000005u))),
              syscolour::WindowBackground);
    EXPECT_EQ(valueAs<MT::Bool>(Value::boolean(true)), VTrue);
    EXPECT_EQ(valueAs<MT::Bool>(Value::boolean(false)), VFalse);
    EXPECT_EQ(valueAs<MT::R4>(Value(2.5f)), 2.5f);

    // A text is seen where the value holds it, not copied.
    const Value text(u"abc");
    EXPECT_EQ(valueAs<MT::BSTR>(text).data(), text.string().data());

    auto font = std::make_shared<Font>(u"Arial", 10.0f);
    EXPECT_EQ(valueAs<MT::Font>(Value(font)), font);
    EXPECT_EQ(valueAs<MT::Font>(Value::nothing()), nullptr);
    EXPECT_EQ(valueAs<MT::Picture>(Value::nothing()), nullptr);
}

// An owner with a handler for a few events, one of them virtual.
class Owner {
public:
    virtual ~Owner() = default;
    std::vector<std::string> heard;

    virtual ErrorOr<void> Part_Click() {
        heard.push_back("base click");
        return {};
    }
    ErrorOr<void> Part_KeyPress(std::int16_t& KeyAscii) {
        heard.push_back("key " + std::to_string(KeyAscii));
        KeyAscii = 0;
        return {};
    }
    ErrorOr<void> Part_MouseMove(std::int16_t& Button, std::int16_t&, float& X, float&) {
        heard.push_back("move " + std::to_string(Button));
        X = 99;
        return Error{5, u"refused"};
    }

    Sink<Owner, Handlers<Owner>{.Click = &Owner::Part_Click,
                                .KeyPress = &Owner::Part_KeyPress,
                                .MouseMove = &Owner::Part_MouseMove}>
        sink{*this};
};

class Derived final : public Owner {
public:
    ErrorOr<void> Part_Click() override {
        heard.push_back("derived click");
        return {};
    }
};

TEST(MemberRows, TheSinkHandsEachEventToItsHandlerAndTheRestToNone) {
    Derived owner;
    TextBoxEvents& asTextBox = owner.sink;
    LabelEvents& asLabel = owner.sink;
    TimerEvents& asTimer = owner.sink;

    ASSERT_OK(asTextBox.Click());
    std::int16_t key = 'a';
    ASSERT_OK(asTextBox.KeyPress(key));
    EXPECT_EQ(key, 0);
    std::int16_t button = 1, shift = 0;
    float x = 1, y = 2;
    auto failed = asLabel.MouseMove(button, shift, x, y);
    ASSERT_TRUE(failed.isError());
    EXPECT_EQ(failed.error().code, 5);
    EXPECT_EQ(x, 99);
    // Events without a handler do nothing and succeed.
    ASSERT_OK(asTextBox.Change());
    ASSERT_OK(asTextBox.KeyDown(key, shift));
    ASSERT_OK(asTimer.Timer());
    EXPECT_EQ(owner.heard, (std::vector<std::string>{"derived click", "key 97", "move 1"}));
}

} // namespace
} // namespace tessivra::testing
