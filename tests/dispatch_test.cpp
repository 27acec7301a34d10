#include "framework/dispatch.h"

#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "framework/wrapped_text_tables.h"
#include "tests/support.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace tessivra::testing {
namespace {

constexpr DispId TextId = 0x68030001;
constexpr DispId AlignmentId = 0x68030010;
constexpr DispId BackColorId = 0x6803000F;
constexpr DispId MousePointerId = 0x68030008;
constexpr DispId MultiLineId = 0x68030007;
constexpr DispId MouseIconId = 0x68030009;
constexpr DispId PopupMenuId = 0x6003001C;

// --- A class of its own for the shapes the upper-case box lacks -----------------------------

// Calls of the probe's method, as it received them.
std::vector<std::vector<Value>> probeCalls;

ErrorOr<void> recordJoin(Control&, std::span<const Value> args) {
    probeCalls.emplace_back(args.begin(), args.end());
    return {};
}

constexpr ParamInfo kJoinParams[] = {
    {u"Count", MemberType::I4},
    {u"Label", MemberType::BSTR},
    {u"Extra", MemberType::Variant, true},
};

constexpr auto kProbeMembers = interfaceMembers({
    textrows::EnabledLetOnly,
    textrows::Text,
    textrows::Font,
    {u"Join",
     0x60030000,
     access::Call,
     MemberType::Void,
     {},
     nullptr,
     nullptr,
     &recordJoin,
     kJoinParams},
    textrows::ToolTipText,
});

const TextFamily kProbeFamily{.text1 = {.name = u"Text1", .bounds = {0, 0, 3975, 300}}};

// A text control whose Enabled can be assigned but not read, and with a method of two required
// parameters and one optional one.
class Probe final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<Probe>> create(Site site) { return createControl<Probe>(site); }
    explicit Probe(Site site) : WrappedText(site, Class, kProbeFamily) {}
};
const ControlClass Probe::Class{u"Probe", kProbeMembers, textevents::WithoutDblClick, {}};

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto c = form.add<TextoEmMaiusculo>(u"t1");
        ASSERT_FALSE(c.isError());
        box = c.value();
        ASSERT_OK(form.place(u"t1"));
        text1 = form.container(u"t1")->find<HeadlessTextBox>(u"Text1");
        dispatcher.emplace(*box);
        probeCalls.clear();
    }
    std::vector<std::u16string>& notices() { return form.container(u"t1")->notices; }

    HeadlessForm form;
    TextoEmMaiusculo* box = nullptr;
    HeadlessTextBox* text1 = nullptr;
    std::optional<Dispatcher> dispatcher;
};

// --- Names ---------------------------------------------------------------------------------

TEST_F(DispatchTest, NamesResolveInAnyAsciiCaseToMembersAndEvents) {
    const std::pair<std::u16string_view, DispId> cases[] = {
        {u"Text", TextId},
        {u"text", TextId},
        {u"TEXT", TextId},
        {u"tExT", TextId},
        {u"font", -512},
        {u"POPUPMENU", PopupMenuId},
        {u"ToolTipText", 0x68030000},
        {u"alignment", AlignmentId},
        {u"keypress", 5},
        {u"DblClick", 3},
        {u"mouseup", 9},
        {u"Change", 1},
    };
    for (const auto& [name, id] : cases) {
        auto r = dispatcher->idOfName(name);
        ASSERT_FALSE(r.isError()) << toUtf8(name);
        EXPECT_EQ(r.value(), id) << toUtf8(name);
    }
}

TEST_F(DispatchTest, NamesTheClassLacksAreUnknown) {
    // Near misses on each side of a real name, the empty name, and members of other classes.
    for (std::u16string_view name :
         {u"", u"Tex", u"Texts", u"Txet", u"Text ", u" Text", u"Value", u"Min", u"MaskPicture",
          u"KeyPres", u"Text1", u"TextoEmMaiusculo"}) {
        auto r = dispatcher->idOfName(name);
        ASSERT_TRUE(r.isError()) << toUtf8(name);
        EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x80020006u));
        EXPECT_EQ(r.error().description, u"Unknown name");
    }
}

TEST_F(DispatchTest, TheLookUpWithoutAnErrorReportAgreesWithIdOfName) {
    for (std::u16string_view name : {u"text", u"FONT", u"KeyUp", u"Value", u"", u"PopupMenus"}) {
        auto reported = dispatcher->idOfName(name);
        auto found = dispatcher->findIdOfName(name);
        ASSERT_EQ(found.has_value(), !reported.isError()) << toUtf8(name);
        if (found) {
            EXPECT_EQ(*found, reported.value());
        }
    }
}

TEST(NameFolding, OnlyAsciiLettersFoldAndTheHashAgreesWithTheMatch) {
    EXPECT_TRUE(namesMatch(u"SelStart", u"sELsTART"));
    // Pairs that differ by the case bit but are not letters must stay apart.
    EXPECT_FALSE(namesMatch(u"@", u"`"));
    EXPECT_FALSE(namesMatch(u"[", u"{"));
    EXPECT_FALSE(namesMatch(u"^", u"~"));
    // Letters outside ASCII are compared as they are.
    EXPECT_FALSE(namesMatch(u"\u00C9", u"\u00E9"));
    EXPECT_FALSE(namesMatch(u"Text", u"Tex"));
    EXPECT_EQ(foldedNameHash(u"MouseIcon"), foldedNameHash(u"MOUSEICON"));
    EXPECT_NE(foldedNameHash(u"MouseIcon"), foldedNameHash(u"MouseIco"));
    EXPECT_NE(foldedNameHash(u"@"), foldedNameHash(u"`"));
}

// --- Reading -------------------------------------------------------------------------------

TEST_F(DispatchTest, GetReturnsTheMembersValueInItsType) {
    ASSERT_OK(box->setText(u"Hello"));
    auto text = dispatcher->invoke(TextId, InvokeKind::Get);
    ASSERT_FALSE(text.isError());
    EXPECT_EQ(text.value(), Value(u"Hello"));

    auto colour = dispatcher->invoke(BackColorId, InvokeKind::Get);
    ASSERT_FALSE(colour.isError());
    EXPECT_EQ(colour.value(), Value(static_cast<std::int32_t>(syscolour::WindowBackground)));

    auto multiLine = dispatcher->invoke(MultiLineId, InvokeKind::Get);
    ASSERT_FALSE(multiLine.isError());
    EXPECT_EQ(multiLine.value(), Value::boolean(false));

    auto font = std::make_shared<Font>(u"Arial", 10.0f);
    ASSERT_OK(box->setFont(font));
    auto got = dispatcher->invoke(-512, InvokeKind::Get);
    ASSERT_FALSE(got.isError());
    EXPECT_EQ(got.value().anyObject(), font); // the very object, not a copy
}

TEST_F(DispatchTest, GetTakesNoArguments) {
    const Value one[] = {Value(std::int16_t{1})};
    auto r = dispatcher->invoke(TextId, InvokeKind::Get, one);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, dispstatus::BadParamCount);
    EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x8002000Eu));
}

// --- Identifiers and access kinds ----------------------------------------------------------

TEST_F(DispatchTest, IdentifiersTheClassLacksAreMemberNotFound) {
    // One past the highest property, an event's number, zero and the next method number.
    // The extremes of the range, far from any property, must not upset the property index.
    for (DispId id : {0x68030011, 5, 0, 0x6003001D, -513, -819892635, INT32_MIN, INT32_MAX,
                      0x68030000 + 63, 0x68030000 + 64, 0x68030000 - 1}) {
        auto r = dispatcher->invoke(id, InvokeKind::Get);
        ASSERT_TRUE(r.isError()) << id;
        EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x80020003u)) << id;
    }
}

TEST_F(DispatchTest, ARowFoundOnceServesTheCallAndARowOfAnotherClassIsRefused) {
    const DispatchMember* text = dispatcher->member(0x68030001);
    ASSERT_NE(text, nullptr);
    ASSERT_OK(text1->setText(u"ABC"));
    auto r = dispatcher->invoke(*text, InvokeKind::Get);
    ASSERT_OK(r);
    EXPECT_EQ(r.value(), Value(u"ABC"));
    // The probe's table has a Text row too: it is not this control's.
    const auto rows = Probe::Class.members;
    const auto foreign = std::find_if(rows.begin(), rows.end(),
                                      [](const DispatchMember& m) { return m.name == u"Text"; });
    ASSERT_NE(foreign, rows.end());
    const Value assigned(u"XYZ");
    auto refused = dispatcher->invoke(*foreign, InvokeKind::Let, std::span(&assigned, 1));
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, static_cast<std::int32_t>(0x80020003u));
    EXPECT_EQ(text1->Text().value(), u"ABC");
}

TEST_F(DispatchTest, AnAccessKindTheMemberLacksIsMemberNotFoundAndChangesNothing) {
    struct Case {
        DispId id;
        InvokeKind kind;
    };
    const Value arg[] = {Value(u"x")};
    // Assigning a read-only property, assigning an object property by value or a value property
    // by reference, reading or assigning a method, calling a property.
    for (auto [id, kind] : {Case{MultiLineId, InvokeKind::Let}, Case{MultiLineId, InvokeKind::Set},
                            Case{-512, InvokeKind::Let}, Case{MouseIconId, InvokeKind::Let},
                            Case{TextId, InvokeKind::Set}, Case{PopupMenuId, InvokeKind::Get},
                            Case{PopupMenuId, InvokeKind::Let}, Case{TextId, InvokeKind::Call}}) {
        auto r = dispatcher->invoke(id, kind,
                                    kind == InvokeKind::Get ? std::span<const Value>{}
                                                            : std::span<const Value>(arg));
        ASSERT_TRUE(r.isError()) << id << " " << toUtf8(invokeKindName(kind));
        EXPECT_EQ(r.error().code, dispstatus::MemberNotFound);
    }
    EXPECT_EQ(text1->text(), u"");
    EXPECT_TRUE(notices().empty());
}

TEST_F(DispatchTest, ALetOnlyPropertyCanBeAssignedButNotRead) {
    auto made = form.add<Probe>(u"p1");
    ASSERT_FALSE(made.isError());
    Dispatcher probe(*made.value());
    const DispId enabled = probe.idOfName(u"enabled").value();
    EXPECT_EQ(enabled, 0x68030002);

    auto read = probe.invoke(enabled, InvokeKind::Get);
    ASSERT_TRUE(read.isError());
    EXPECT_EQ(read.error().code, dispstatus::MemberNotFound);

    const Value no[] = {Value::boolean(false)};
    ASSERT_FALSE(probe.invoke(enabled, InvokeKind::Let, no).isError());
    auto* probeText1 = form.container(u"p1")->find<HeadlessTextBox>(u"Text1");
    EXPECT_FALSE(probeText1->enabled());
    EXPECT_EQ(form.container(u"p1")->notices, std::vector<std::u16string>{u"Enabled"});
}

// --- Assigning -----------------------------------------------------------------------------

TEST_F(DispatchTest, LetConvertsTheArgumentAsAutomationDoes) {
    const Value seven[] = {Value(u"7")};
    ASSERT_FALSE(dispatcher->invoke(MousePointerId, InvokeKind::Let, seven).isError());
    EXPECT_EQ(box->MousePointer().value(), 7);

    const Value number[] = {Value(std::int32_t{42})};
    ASSERT_FALSE(dispatcher->invoke(TextId, InvokeKind::Let, number).isError());
    EXPECT_EQ(text1->text(), u"42");

    const Value hexColour[] = {Value(u"&HFF0000")};
    ASSERT_FALSE(dispatcher->invoke(BackColorId, InvokeKind::Let, hexColour).isError());
    EXPECT_EQ(box->BackColor().value(), 0xFF0000u);
    EXPECT_EQ(notices(), (std::vector<std::u16string>{u"MousePointer", u"Text", u"BackColor"}));
}

TEST_F(DispatchTest, AnArgumentThatDoesNotConvertIsATypeMismatchAndChangesNothing) {
    const Value word[] = {Value(u"seven")};
    auto r = dispatcher->invoke(MousePointerId, InvokeKind::Let, word);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x80020005u));
    EXPECT_EQ(r.error().argument, 0);

    // An object where a number is wanted, and a number where an object is wanted.
    const Value font[] = {Value(std::make_shared<Font>())};
    EXPECT_EQ(dispatcher->invoke(BackColorId, InvokeKind::Let, font).error().code,
              dispstatus::TypeMismatch);
    const Value number[] = {Value(std::int16_t{3})};
    EXPECT_EQ(dispatcher->invoke(-512, InvokeKind::Set, number).error().code,
              dispstatus::TypeMismatch);

    EXPECT_EQ(box->MousePointer().value(), 0);
    EXPECT_EQ(box->BackColor().value(), syscolour::WindowBackground);
    EXPECT_TRUE(notices().empty());
}

TEST_F(DispatchTest, AValueOutOfTheMembersRangeIsAnOverflowAndChangesNothing) {
    const Value big[] = {Value(std::int32_t{32768})};
    auto r = dispatcher->invoke(MousePointerId, InvokeKind::Let, big);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x8002000Au));
    // The last value that fits goes through to the member, which judges it itself.
    const Value edge[] = {Value(std::int32_t{32767})};
    EXPECT_EQ(dispatcher->invoke(MousePointerId, InvokeKind::Let, edge).error().code,
              dispstatus::Exception);
    EXPECT_EQ(box->MousePointer().value(), 0);
}

// Found by the invoke fuzzer: a single-precision NaN handed to an integer property reached a
// float-to-integer cast with no representable result.
TEST_F(DispatchTest, ANotANumberForAnIntegerPropertyIsAnOverflowAndChangesNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (auto converted :
         {Value(nan).convertTo(ValueType::I2), Value(nan).convertTo(ValueType::I4)}) {
        ASSERT_TRUE(converted.isError());
        EXPECT_EQ(converted.error().code, errc::Overflow);
    }
    const Value args[] = {Value(nan)};
    for (DispId id : {MousePointerId, AlignmentId, BackColorId}) {
        auto r = dispatcher->invoke(id, InvokeKind::Let, args);
        ASSERT_TRUE(r.isError()) << id;
        EXPECT_EQ(r.error().code, dispstatus::Overflow) << id;
    }
    EXPECT_EQ(box->MousePointer().value(), 0);
    EXPECT_EQ(box->BackColor().value(), syscolour::WindowBackground);
    EXPECT_TRUE(notices().empty());
}

TEST_F(DispatchTest, AssignmentsTakeExactlyOneArgument) {
    const Value two[] = {Value(u"a"), Value(u"b")};
    EXPECT_EQ(dispatcher->invoke(TextId, InvokeKind::Let, {}).error().code,
              dispstatus::BadParamCount);
    EXPECT_EQ(dispatcher->invoke(TextId, InvokeKind::Let, two).error().code,
              dispstatus::BadParamCount);
    EXPECT_EQ(dispatcher->invoke(-512, InvokeKind::Set, {}).error().code,
              dispstatus::BadParamCount);
    EXPECT_EQ(text1->text(), u"");
}

TEST_F(DispatchTest, SetAssignsTheObjectByReference) {
    auto icon = std::make_shared<Picture>(u"hand.ico", 3, 32, 32);
    const Value arg[] = {Value(icon)};
    ASSERT_FALSE(dispatcher->invoke(MouseIconId, InvokeKind::Set, arg).isError());
    EXPECT_EQ(box->MouseIcon().value(), icon);
    auto back = dispatcher->invoke(MouseIconId, InvokeKind::Get);
    ASSERT_FALSE(back.isError());
    EXPECT_EQ(back.value().anyObject(), icon);

    // A plain object reference that holds a picture converts too; Nothing clears.
    auto other = std::make_shared<Picture>(u"arrow.cur", 3, 32, 32);
    const Value asObject[] = {Value(ObjectRef(other))};
    ASSERT_FALSE(dispatcher->invoke(MouseIconId, InvokeKind::Set, asObject).isError());
    EXPECT_EQ(box->MouseIcon().value(), other);
    const Value nothing[] = {Value::nothing()};
    ASSERT_FALSE(dispatcher->invoke(MouseIconId, InvokeKind::Set, nothing).isError());
    EXPECT_EQ(box->MouseIcon().value(), nullptr);
}

// --- The member's own failures -------------------------------------------------------------

TEST_F(DispatchTest, AMembersFailureIsAnExceptionThatCarriesTheMembersOwnError) {
    const Value three[] = {Value(std::int16_t{3})};
    auto r = dispatcher->invoke(AlignmentId, InvokeKind::Let, three);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, static_cast<std::int32_t>(0x80020009u));
    EXPECT_TRUE(r.error().isException());
    EXPECT_EQ(r.error().exception.code, 380);
    EXPECT_EQ(r.error().exception.description, u"Invalid property value");
    EXPECT_EQ(r.error().description, u"Invalid property value");
    EXPECT_TRUE(notices().empty());

    form.faults().failNext("Text1.Text");
    auto read = dispatcher->invoke(TextId, InvokeKind::Get);
    ASSERT_TRUE(read.isError());
    EXPECT_EQ(read.error().code, dispstatus::Exception);
    EXPECT_EQ(read.error().exception.code, headless::InjectedFailureCode);
    // The fault was spent on that read: the next one succeeds.
    EXPECT_FALSE(dispatcher->invoke(TextId, InvokeKind::Get).isError());
}

// A routine of a container that reads a property through TRY and hands failures on.
ErrorOr<std::u16string> readText(Dispatcher& d, DispId id) {
    Value v = TRY(d.invoke(id, InvokeKind::Get));
    return TRY(v.toString());
}

TEST_F(DispatchTest, TryHandsTheStatusOnInsideRoutinesThatReturnErrorOr) {
    ASSERT_OK(box->setText(u"abc"));
    auto ok = readText(*dispatcher, TextId);
    ASSERT_FALSE(ok.isError());
    EXPECT_EQ(ok.value(), u"abc");
    auto bad = readText(*dispatcher, 0x68030042);
    ASSERT_TRUE(bad.isError());
    EXPECT_EQ(bad.error().code, dispstatus::MemberNotFound);
    EXPECT_EQ(bad.error().description, u"Member not found");
}

// --- Methods -------------------------------------------------------------------------------

TEST_F(DispatchTest, PopupMenuWithOnlyTheMenuPassesTheRestAsMissing) {
    auto menu = std::make_shared<Object>();
    const Value args[] = {Value(menu)};
    auto r = dispatcher->invoke(PopupMenuId, InvokeKind::Call, args);
    ASSERT_FALSE(r.isError()) << toUtf8(r.error().description);
    EXPECT_TRUE(r.value().isEmpty());
    ASSERT_EQ(form.popups.size(), 1u);
    EXPECT_EQ(form.popups[0].menu.anyObject(), menu);
    EXPECT_TRUE(form.popups[0].flags.isMissing());
    EXPECT_TRUE(form.popups[0].x.isMissing());
    EXPECT_TRUE(form.popups[0].y.isMissing());
    EXPECT_TRUE(form.popups[0].defaultMenu.isMissing());

    // All five: the optional ones are values of any type and arrive as given.
    const Value all[] = {Value(menu), Value(std::int16_t{2}), Value(u"120"), Value(1.5f),
                         Value::nothing()};
    ASSERT_FALSE(dispatcher->invoke(PopupMenuId, InvokeKind::Call, all).isError());
    ASSERT_EQ(form.popups.size(), 2u);
    EXPECT_EQ(form.popups[1].flags, Value(std::int16_t{2}));
    EXPECT_EQ(form.popups[1].x, Value(u"120"));
    EXPECT_EQ(form.popups[1].y, Value(1.5f));
    EXPECT_TRUE(form.popups[1].defaultMenu.isNothing());
}

TEST_F(DispatchTest, PopupMenuRefusesArgumentCountsOutsideOneToFiveAndANonObjectMenu) {
    auto menu = std::make_shared<Object>();
    std::vector<Value> six(6, Value(std::int16_t{0}));
    six[0] = Value(menu);
    EXPECT_EQ(dispatcher->invoke(PopupMenuId, InvokeKind::Call, {}).error().code,
              dispstatus::BadParamCount);
    EXPECT_EQ(dispatcher->invoke(PopupMenuId, InvokeKind::Call, six).error().code,
              dispstatus::BadParamCount);
    const Value number[] = {Value(std::int16_t{5})};
    auto r = dispatcher->invoke(PopupMenuId, InvokeKind::Call, number);
    EXPECT_EQ(r.error().code, dispstatus::TypeMismatch);
    EXPECT_EQ(r.error().argument, 0);
    const Value missingMenu[] = {Value::missing()};
    EXPECT_EQ(dispatcher->invoke(PopupMenuId, InvokeKind::Call, missingMenu).error().code,
              dispstatus::ParamNotOptional);
    EXPECT_TRUE(form.popups.empty());
}

TEST_F(DispatchTest, AFailingContainerMakesPopupMenuAnException) {
    form.faults().failNext("UserControl.PopupMenu");
    const Value args[] = {Value(std::make_shared<Object>())};
    auto r = dispatcher->invoke(PopupMenuId, InvokeKind::Call, args);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, dispstatus::Exception);
    EXPECT_EQ(r.error().exception.code, headless::InjectedFailureCode);
    EXPECT_TRUE(form.popups.empty());
}

TEST_F(DispatchTest, AMethodTakesItsRequiredParametersUpToAllAndConvertsEach) {
    auto made = form.add<Probe>(u"p1");
    ASSERT_FALSE(made.isError());
    Dispatcher probe(*made.value());
    const DispId join = probe.idOfName(u"JOIN").value();

    const Value one[] = {Value(std::int32_t{1})};
    EXPECT_EQ(probe.invoke(join, InvokeKind::Call, one).error().code, dispstatus::BadParamCount);
    const Value four[] = {Value(std::int32_t{1}), Value(u"a"), Value(u"b"), Value(u"c")};
    EXPECT_EQ(probe.invoke(join, InvokeKind::Call, four).error().code, dispstatus::BadParamCount);
    const Value missingSecond[] = {Value(std::int32_t{1}), Value::missing()};
    auto notOptional = probe.invoke(join, InvokeKind::Call, missingSecond);
    EXPECT_EQ(notOptional.error().code, dispstatus::ParamNotOptional);
    EXPECT_EQ(notOptional.error().argument, 1);
    const Value badFirst[] = {Value(u"x"), Value(u"a")};
    auto mismatch = probe.invoke(join, InvokeKind::Call, badFirst);
    EXPECT_EQ(mismatch.error().code, dispstatus::TypeMismatch);
    EXPECT_EQ(mismatch.error().argument, 0);
    EXPECT_TRUE(probeCalls.empty());

    const Value required[] = {Value(u" 12 "), Value(std::int16_t{5})};
    ASSERT_FALSE(probe.invoke(join, InvokeKind::Call, required).isError());
    const Value all[] = {Value(std::int16_t{3}), Value(u"b"), Value(2.5f)};
    ASSERT_FALSE(probe.invoke(join, InvokeKind::Call, all).isError());
    ASSERT_EQ(probeCalls.size(), 2u);
    EXPECT_EQ(probeCalls[0],
              (std::vector<Value>{Value(std::int32_t{12}), Value(u"5"), Value::missing()}));
    EXPECT_EQ(probeCalls[1],
              (std::vector<Value>{Value(std::int32_t{3}), Value(u"b"), Value(2.5f)}));
}

// --- Events --------------------------------------------------------------------------------

TEST(EventLookup, EventsAndMembersAreFoundByTheirOwnIdentifiers) {
    const ControlClass& c = TextoEmMaiusculo::Class;
    ASSERT_NE(eventById(c, 5), nullptr);
    EXPECT_EQ(eventById(c, 5)->name, u"KeyPress");
    EXPECT_EQ(eventById(c, 9)->name, u"MouseUp");
    EXPECT_EQ(eventById(c, 0), nullptr);
    EXPECT_EQ(eventById(c, 10), nullptr);
    ASSERT_NE(memberById(c, -512), nullptr);
    EXPECT_EQ(memberById(c, -512)->name, u"Font");
    EXPECT_EQ(memberById(c, 5), nullptr);
}

// A client handler that records what it heard and changes the key the form sees.
class KeyClient final : public EventSink {
public:
    std::vector<std::pair<DispId, std::vector<Value>>> heard;
    std::int16_t replaceKeyAsciiWith = -1;
    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        std::vector<Value> values;
        for (const EventArg& a : args)
            values.push_back(a.get());
        heard.emplace_back(id, std::move(values));
        if (id == 5 && replaceKeyAsciiWith >= 0) TRY(args[0].set(Value(replaceKeyAsciiWith)));
        return {};
    }
};

// The container's side: what it is handed by the control goes through the dispatcher.
class ContainerBridge final : public EventSink {
public:
    explicit ContainerBridge(Dispatcher& d) : d_(d) {}
    ErrorOr<void> Invoke(DispId id, EventArgs args) override { return d_.raiseEvent(id, args); }

private:
    Dispatcher& d_;
};

TEST_F(DispatchTest, AKeyPressHandlerThatClearsKeyAsciiHandsZeroBackToTheControl) {
    KeyClient client;
    client.replaceKeyAsciiWith = 0;
    ContainerBridge bridge(*dispatcher);
    form.container(u"t1")->sink = &bridge;
    dispatcher->advise(&client);

    ASSERT_OK(form.type(u"t1", u"a"));
    EXPECT_EQ(text1->text(), u""); // the control saw 0 and inserted nothing
    bool sawKeyPress = false;
    for (const auto& [id, values] : client.heard)
        if (id == 5) {
            sawKeyPress = true;
            EXPECT_EQ(values, std::vector<Value>{Value(std::int16_t{'a'})});
        }
    EXPECT_TRUE(sawKeyPress);

    // Replacing the key instead: the control upper-cases what the handler left.
    client.replaceKeyAsciiWith = 'q';
    ASSERT_OK(form.type(u"t1", u"a"));
    EXPECT_EQ(text1->text(), u"Q");

    // Once the client stops listening the keys go through as typed.
    dispatcher->advise(nullptr);
    ASSERT_OK(form.type(u"t1", u"b"));
    EXPECT_EQ(text1->text(), u"QB");
}

TEST(RaiseEvent, AnEventIsCheckedAgainstTheClassBeforeTheSinkHearsIt) {
    const ControlClass& c = TextoEmMaiusculo::Class;
    KeyClient client;
    std::int16_t key = 'a';
    float x = 1.0f;
    const EventArg keyArgs[] = {EventArg(key)};
    const EventArg floatArgs[] = {EventArg(x)};

    EXPECT_EQ(raiseEvent(c, &client, 10, keyArgs).error().code, dispstatus::MemberNotFound);
    EXPECT_EQ(raiseEvent(c, &client, 5, {}).error().code, dispstatus::BadParamCount);
    EXPECT_EQ(raiseEvent(c, &client, 1, keyArgs).error().code, dispstatus::BadParamCount);
    EXPECT_EQ(raiseEvent(c, &client, 5, floatArgs).error().code, dispstatus::TypeMismatch);
    EXPECT_TRUE(client.heard.empty());

    // No client: a valid event is accepted and goes nowhere.
    EXPECT_FALSE(raiseEvent(c, nullptr, 5, keyArgs).isError());

    client.replaceKeyAsciiWith = 0;
    ASSERT_FALSE(raiseEvent(c, &client, 5, keyArgs).isError());
    EXPECT_EQ(key, 0);
    ASSERT_EQ(client.heard.size(), 1u);
}

TEST(EventArgStoreTest, ArgumentsConvertIntoTheEventsTypesAndReadBackWhatTheHandlerLeft) {
    const EventInfo* mouseDown = eventById(TextoEmMaiusculo::Class, 7);
    ASSERT_NE(mouseDown, nullptr);
    auto made = EventArgStore::forEvent(*mouseDown);
    ASSERT_FALSE(made.isError());
    EventArgStore store = made.releaseValue();
    ASSERT_EQ(store.size(), 4u);
    EXPECT_EQ(store.get(2), Value(0.0f));

    const Value values[] = {Value(u"1"), Value(std::int32_t{2}), Value(u"10.5"), Value(20.0f)};
    ASSERT_OK(store.assign(values));
    EXPECT_EQ(store.args()[0].type(), ValueType::I2);
    EXPECT_EQ(store.args()[2].type(), ValueType::R4);
    EXPECT_EQ(store.get(0), Value(std::int16_t{1}));
    EXPECT_EQ(store.get(2), Value(10.5f));

    // A value that does not convert leaves every argument as it was.
    const Value bad[] = {Value(std::int16_t{7}), Value(std::int16_t{7}), Value(u"far"),
                         Value(1.0f)};
    auto refused = store.assign(bad);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, dispstatus::TypeMismatch);
    EXPECT_EQ(store.get(0), Value(std::int16_t{1}));
    const Value three[] = {Value(std::int16_t{1}), Value(std::int16_t{1}), Value(1.0f)};
    EXPECT_EQ(store.assign(three).error().code, dispstatus::BadParamCount);

    // A handler's change through the views is what the store reads back; a copy has views of
    // its own.
    EventArgStore copy = store;
    ASSERT_OK(copy.args()[3].set(Value(u"99")));
    EXPECT_EQ(copy.get(3), Value(99.0f));
    EXPECT_EQ(store.get(3), Value(20.0f));

    KeyClient client;
    ASSERT_OK(raiseEvent(TextoEmMaiusculo::Class, &client, 7, store.args()));
    ASSERT_EQ(client.heard.size(), 1u);
    EXPECT_EQ(client.heard[0].second[1], Value(std::int16_t{2}));
}

} // namespace
} // namespace tessivra::testing
