// The pieces every host shares for a form's focus, its sent keys and the checks where values
// enter, on a form of plain parts, without a host around them.

#include "framework/host/checks.h"
#include "framework/host/edit_rules.h"
#include "framework/host/form_focus.h"
#include "framework/host/kept_values.h"
#include "framework/host/picture_files.h"
#include "framework/host/runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace tessivra {
namespace {

class Surface;

// A part that logs what it hears and can act from its handlers, as a control's code does.
class FakePart {
public:
    FakePart(Surface& owner, std::u16string name, std::int16_t tabIndex, bool focusable)
        : focusable_(focusable), owner_(owner), name_(std::move(name)), tabIndex_(tabIndex) {}
    virtual ~FakePart() = default;
    Surface& owner() const { return owner_; }
    const std::u16string& name() const { return name_; }
    std::int16_t tabIndex() const { return tabIndex_; }
    bool takesFocus() const { return focusable_; }
    ErrorOr<void> gotFocus();
    ErrorOr<void> lostFocus();

    bool focusable_;
    std::function<ErrorOr<void>()> onGot, onLost;
    std::vector<std::string>* log = nullptr;

private:
    Surface& owner_;
    std::u16string name_;
    std::int16_t tabIndex_;
};

// A part that takes typed keys.
class FakeBox final : public FakePart {
public:
    using FakePart::FakePart;
    std::u16string typed;
};

class Surface {
public:
    explicit Surface(std::u16string name) : name_(std::move(name)) {}
    const std::u16string& name() const { return name_; }
    const std::vector<std::unique_ptr<FakePart>>& constituents() const { return parts_; }
    template <typename P = FakePart>
    P* add(std::u16string name, std::int16_t tabIndex, bool focusable = true) {
        parts_.push_back(std::make_unique<P>(*this, std::move(name), tabIndex, focusable));
        return static_cast<P*>(parts_.back().get());
    }

private:
    std::u16string name_;
    std::vector<std::unique_ptr<FakePart>> parts_;
};

ErrorOr<void> FakePart::gotFocus() {
    if (log) log->push_back(toUtf8(name_) + " GotFocus");
    return onGot ? onGot() : ErrorOr<void>();
}
ErrorOr<void> FakePart::lostFocus() {
    if (log) log->push_back(toUtf8(name_) + " LostFocus");
    return onLost ? onLost() : ErrorOr<void>();
}

class FakeForm final : public FormFocus<FakePart> {
public:
    std::vector<std::unique_ptr<Surface>> surfaces;
    std::vector<std::string> log;

    Surface& surface(std::u16string name) {
        surfaces.push_back(std::make_unique<Surface>(std::move(name)));
        return *surfaces.back();
    }
    std::vector<std::string> order() const {
        std::vector<std::string> names;
        for (auto* p : tabOrder())
            names.push_back(toUtf8(p->name()));
        return names;
    }
    FakePart* first(const Surface& s) const { return firstPartOf(s); }
    void forget(const Surface& s) { forgetPartsOf(s); }

    std::vector<FakePart*> tabOrder(const FakePart* alsoHere = nullptr) const override {
        return tabOrderOf(surfaces, alsoHere);
    }
    void focusChanged() override { log.push_back("focus " + focusName()); }
};

class FormFocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        Surface& one = form.surface(u"one");
        // Made out of tab order, with two at the same index and one that takes no focus.
        c = one.add(u"C", 2);
        a = one.add(u"A", 0);
        label = one.add(u"Label", 1, false);
        d = one.add(u"D", 2);
        Surface& two = form.surface(u"two");
        e = two.add<FakeBox>(u"E", 0);
        for (auto* p : {a, c, d, label, static_cast<FakePart*>(e)})
            p->log = &form.log;
    }
    FakeForm form;
    FakePart *a = nullptr, *c = nullptr, *d = nullptr, *label = nullptr;
    FakeBox* e = nullptr;
};

TEST_F(FormFocusTest, TabOrderIsByTabIndexWithinEachSurfaceAndSkipsPartsThatTakeNoFocus) {
    EXPECT_EQ(form.order(), (std::vector<std::string>{"A", "C", "D", "E"}));
    EXPECT_EQ(form.first(*form.surfaces[1]), e);
    // A surface whose parts all refuse the focus answers with its first part made.
    Surface& labels = form.surface(u"labels");
    FakePart* only = labels.add(u"L1", 0, false);
    EXPECT_EQ(form.first(labels), only);
    EXPECT_EQ(form.first(form.surface(u"empty")), nullptr);
}

TEST_F(FormFocusTest, TabGoesRoundAndPassesOverPartsThatCannotTakeTheFocus) {
    ASSERT_FALSE(form.focusNext().isError()); // nothing focused: the first stop
    EXPECT_EQ(form.focusName(), "one.A");
    c->focusable_ = false;
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(form.focusNext().isError());
        seen.push_back(form.focusName());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"one.D", "two.E", "one.A"}));
}

TEST_F(FormFocusTest, AMoveTellsTheOldPartBeforeTheNewWithTheFocusAlreadyMoved) {
    ASSERT_FALSE(form.moveFocus(a).isError());
    form.log.clear();
    std::string seenInLostFocus;
    a->onLost = [&]() -> ErrorOr<void> {
        seenInLostFocus = form.focusName();
        return {};
    };
    ASSERT_FALSE(form.moveFocus(e).isError());
    EXPECT_EQ(seenInLostFocus, "two.E");
    EXPECT_EQ(form.log, (std::vector<std::string>{"focus two.E", "A LostFocus", "E GotFocus"}));
    // Moving to the part that has the focus does nothing.
    form.log.clear();
    ASSERT_FALSE(form.moveFocus(e).isError());
    EXPECT_TRUE(form.log.empty());
}

TEST_F(FormFocusTest, AFailingHandlerDoesNotStopTheMoveAndItsFailureIsReturned) {
    ASSERT_FALSE(form.moveFocus(a).isError());
    a->onLost = [] { return ErrorOr<void>(Error{7, u"first"}); };
    c->onGot = [] { return ErrorOr<void>(Error{8, u"second"}); };
    auto r = form.moveFocus(c);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 7);
    EXPECT_EQ(form.focused(), c);
}

TEST_F(FormFocusTest, AMoveAskedForDuringAMoveIsCarriedOutAfterItAndEndlessPingPongStops) {
    ASSERT_FALSE(form.moveFocus(a).isError());
    // A takes the focus back when it loses it, as a checking box does.
    a->onLost = [&] { return form.moveFocus(a); };
    form.log.clear();
    ASSERT_FALSE(form.moveFocus(c).isError());
    EXPECT_EQ(form.focused(), a);
    EXPECT_EQ(form.log, (std::vector<std::string>{"focus one.C", "A LostFocus", "C GotFocus",
                                                  "focus one.A", "C LostFocus", "A GotFocus"}));
    // Two parts that each take the focus back forever: the moves stop at the cap.
    c->onLost = [&] { return form.moveFocus(c); };
    form.log.clear();
    ASSERT_FALSE(form.moveFocus(c).isError());
    int moves = 0;
    for (const auto& l : form.log)
        moves += l.starts_with("focus ");
    EXPECT_EQ(moves, FormFocus<FakePart>::kMaxChainedMoves);
}

TEST_F(FormFocusTest, AQueuedMoveToAPartThatCannotTakeTheFocusIsDropped) {
    ASSERT_FALSE(form.moveFocus(a).isError());
    c->onGot = [&] {
        d->focusable_ = false;
        return form.moveFocus(d);
    };
    ASSERT_FALSE(form.moveFocus(c).isError());
    EXPECT_EQ(form.focused(), c);
}

TEST_F(FormFocusTest, APartLeavingHandsTheFocusOnOrLeavesTheFormWithout) {
    ASSERT_FALSE(form.moveFocus(d).isError());
    // Another part leaving changes nothing.
    ASSERT_FALSE(form.focusLeaving(a).isError());
    EXPECT_EQ(form.focused(), d);
    d->focusable_ = false;
    ASSERT_FALSE(form.focusLeaving(d).isError());
    EXPECT_EQ(form.focusName(), "two.E");
    // The last part that could take the focus goes: none has it, and the part hears it left.
    for (auto* p : {a, c})
        p->focusable_ = false;
    e->focusable_ = false;
    form.log.clear();
    ASSERT_FALSE(form.focusLeaving(e).isError());
    EXPECT_EQ(form.focused(), nullptr);
    EXPECT_EQ(form.log, (std::vector<std::string>{"focus (none)", "E LostFocus"}));
}

TEST_F(FormFocusTest, ASurfaceThatGoesTakesItsFocusAndAnyMoveQueuedToItWithIt) {
    ASSERT_FALSE(form.moveFocus(a).isError());
    form.forget(*form.surfaces[1]);
    EXPECT_EQ(form.focused(), a); // another surface's focus stays
    a->onLost = [&]() -> ErrorOr<void> {
        TRY(form.moveFocus(e));
        form.forget(*form.surfaces[1]);
        return {};
    };
    ASSERT_FALSE(form.moveFocus(c).isError());
    EXPECT_EQ(form.focused(), c); // the move to E went with E's surface
    form.forget(*form.surfaces[0]);
    EXPECT_EQ(form.focused(), nullptr);
    EXPECT_EQ(form.focusName(), "(none)");
}

TEST(SentKeys, EachKeyIsReadWithTheLengthItTakes) {
    auto kinds = [](std::u16string_view keys) {
        std::string out;
        for (std::size_t i = 0; i < keys.size();) {
            const SentKey k = readSentKey(keys.substr(i));
            out += k.kind == SentKey::Tab     ? 'T'
                   : k.kind == SentKey::Enter ? 'E'
                                              : char(k.character);
            i += k.length;
        }
        return out;
    };
    EXPECT_EQ(kinds(u"a{tab}b{TAB}~{enter}"), "aTbTEE");
    // Only the lower and upper case forms are Tab; a brace that opens nothing is typed.
    EXPECT_EQ(kinds(u"{Tab}"), "{Tab}");
    EXPECT_EQ(kinds(u"{ta"), "{ta");
    EXPECT_EQ(kinds(u"{ENTER}"), "{ENTER}");
}

TEST_F(FormFocusTest, SentKeysGoToTheFocusedBoxAsTheyArriveAndTabMovesOn) {
    ASSERT_FALSE(form.moveFocus(d).isError());
    std::vector<std::u16string> pending{u"x{tab}ab~", u"{tab}c"};
    int enters = 0;
    auto r = form.deliverKeys<FakeBox>(
        pending,
        [&](FakeBox&) -> ErrorOr<void> {
            ++enters;
            return {};
        },
        [&](FakeBox& box, char16_t ch) -> ErrorOr<void> {
            box.typed += ch;
            if (ch == u'b') pending.push_back(u"!"); // sent from a handler: delivered too
            return {};
        });
    ASSERT_FALSE(r.isError());
    EXPECT_TRUE(pending.empty());
    // "x" reached D, which takes no keys; then E had the focus for "ab", Enter; Tab went round to
    // A, which takes no keys either.
    EXPECT_EQ(e->typed, u"ab");
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(form.focusName(), "one.A");
}

TEST_F(FormFocusTest, AFailingKeyStopsTheDeliveryWithTheRestStillQueued) {
    ASSERT_FALSE(form.moveFocus(e).isError());
    std::vector<std::u16string> pending{u"ab", u"cd"};
    auto r = form.deliverKeys<FakeBox>(
        pending, [](FakeBox&) { return ErrorOr<void>(); },
        [](FakeBox& box, char16_t ch) -> ErrorOr<void> {
            if (ch == u'b') return Error{11, u"refused"};
            box.typed += ch;
            return {};
        });
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, 11);
    EXPECT_EQ(e->typed, u"a");
    EXPECT_EQ(pending, std::vector<std::u16string>{u"cd"});
}

TEST(HostChecks, SizesAndPositionsOutsideA32BitCoordinateAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(checkSize(0).isError());
    EXPECT_FALSE(checkSize(kMaxTwips).isError());
    for (float bad : {-1.0f, nan, inf, kMaxTwips * 2})
        EXPECT_EQ(checkSize(bad).error().code, errc::InvalidPropertyValue) << bad;
    EXPECT_FALSE(checkPosition(-kMaxTwips).isError());
    for (float bad : {nan, -inf, -kMaxTwips * 2})
        EXPECT_EQ(checkPosition(bad).error().code, errc::InvalidPropertyValue) << bad;
    EXPECT_FALSE(checkFont(nullptr).isError());
    EXPECT_EQ(checkFont(std::make_shared<Font>(u"Arial", nan)).error().code, 380);
    EXPECT_EQ(checkFont(std::make_shared<Font>(u"Arial", 0.0f)).error().code, 380);
}

TEST(HostChecks, AClockMovesOnlyForwardAndKeepsRoomForATimersNextInterval) {
    EXPECT_EQ(clockAdvancedTo(1000, 0).value(), 1000);
    EXPECT_EQ(clockAdvancedTo(1000, 250).value(), 1250);
    auto back = clockAdvancedTo(1000, -1);
    ASSERT_TRUE(back.isError());
    EXPECT_EQ(back.error().description, u"The clock cannot go back: an advance of -1");
    const std::int64_t latest =
        std::numeric_limits<std::int64_t>::max() - std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(clockAdvancedTo(0, latest).value(), latest);
    EXPECT_EQ(clockAdvancedTo(1, latest).error().code, errc::Overflow);
    EXPECT_EQ(clockAdvancedTo(0, std::numeric_limits<std::int64_t>::max()).error().code,
              errc::Overflow);
}

TEST(HostChecks, ANewFontNeedsANameAShowableSizeAndAWeightInRange) {
    FontDescription d;
    d.name = u"Arial";
    d.size = 9.5f;
    d.weight = 700;
    d.italic = true;
    auto f = newCheckedFont(d);
    ASSERT_FALSE(f.isError());
    EXPECT_EQ(f.value()->name, u"Arial");
    EXPECT_TRUE(f.value()->italic);
    EXPECT_FALSE(f.value()->underline);
    for (auto change : std::vector<std::function<void(FontDescription&)>>{
             [](FontDescription& x) { x.name = {}; },
             [](FontDescription& x) { x.size = std::numeric_limits<float>::infinity(); },
             [](FontDescription& x) { x.size = -1; }, [](FontDescription& x) { x.weight = -1; },
             [](FontDescription& x) { x.weight = fontweight::Heaviest + 1; }}) {
        FontDescription bad = d;
        change(bad);
        EXPECT_EQ(newCheckedFont(bad).error().code, 380);
    }
}

TEST(KeptValues, KeysKeepTheirFirstPlaceAndOnlyWhatTextCanHoldIsKept) {
    KeptValues kept;
    kept.put(u"B", Value(std::int16_t{1}));
    kept.put(u"A", Value(std::int16_t{2}));
    kept.put(u"B", Value(std::int16_t{3}));
    ASSERT_EQ(kept.entries().size(), 2u);
    EXPECT_EQ(kept.entries()[0].first, u"B");
    EXPECT_EQ(kept.find(u"B")->i2(), 3);
    EXPECT_EQ(kept.find(u"b"), nullptr); // keys are exact
    kept.clear();
    EXPECT_TRUE(kept.entries().empty());
    EXPECT_FALSE(KeptValues::checkKeepable(Value(std::u16string(u"x"))).isError());
    EXPECT_FALSE(
        KeptValues::checkKeepable(Value(std::make_shared<Font>(u"Arial", 8.0f))).isError());
    EXPECT_EQ(
        KeptValues::checkKeepable(Value(std::make_shared<Font>(u"Arial", -8.0f))).error().code,
        380);
}

TEST(EditRules, TheUsersEditsAreHeldToLockedAndMaxLengthAndCodesAreNot) {
    auto edit = [](std::u16string_view insert, EditSource source, bool locked, int maxLength,
                   int length, int selected) -> std::string {
        auto r = admittedEdit(insert, source, locked, maxLength, length, selected);
        return r ? toUtf8(*r) : "(refused)";
    };
    EXPECT_EQ(edit(u"abc", EditSource::Assigned, true, 2, 5, 0), "abc");
    EXPECT_EQ(edit(u"a", EditSource::Typed, true, 0, 0, 0), "(refused)");
    EXPECT_EQ(edit(u"a", EditSource::Pasted, true, 0, 0, 0), "(refused)");
    // Four of six kept with two selected, at most eight: room for four.
    EXPECT_EQ(edit(u"wxyz", EditSource::Typed, false, 8, 6, 2), "wxyz");
    EXPECT_EQ(edit(u"vwxyz", EditSource::Typed, false, 8, 6, 2), "(refused)");
    EXPECT_EQ(edit(u"vwxyz", EditSource::Pasted, false, 8, 6, 2), "vwxy");
    // A text already past MaxLength (set by code) has no room at all.
    EXPECT_EQ(edit(u"a", EditSource::Pasted, false, 3, 8, 0), "(refused)");
    EXPECT_EQ(edit(u"a", EditSource::Pasted, false, 3, 8, 1), "");
    // Deleting a selection is an empty insert that goes in; an empty insert over none does not.
    EXPECT_EQ(edit(u"", EditSource::Typed, false, 0, 4, 2), "");
    EXPECT_EQ(edit(u"", EditSource::Typed, false, 0, 4, 0), "(refused)");
}

TEST(EditRules, CaretKeysCollapseTheSelectionAndStopAtTheEnds) {
    using namespace keycodes;
    // "abcdef" with "cd" selected (start 2, length 2).
    EXPECT_EQ(caretAfterKey(KeyLeft, 2, 2, 6), 1);
    EXPECT_EQ(caretAfterKey(KeyRight, 2, 2, 6), 5);
    EXPECT_EQ(caretAfterKey(KeyHome, 2, 2, 6), 0);
    EXPECT_EQ(caretAfterKey(KeyEnd, 2, 2, 6), 6);
    EXPECT_EQ(caretAfterKey(KeyLeft, 0, 0, 6), 0);
    EXPECT_EQ(caretAfterKey(KeyRight, 4, 2, 6), 6);
    EXPECT_EQ(caretAfterKey(KeyDelete, 3, 1, 6), 3);
}

TEST(EditRules, BackspaceAndDeleteTakeTheSelectionOrTheCharacterBesideTheCaret) {
    using namespace keycodes;
    auto select = [](std::int16_t key, std::int32_t start, std::int32_t length) {
        std::int32_t s = start, l = length;
        const bool any = selectForDeletion(key, s, l, 4);
        return any ? std::to_string(s) + "+" + std::to_string(l) : std::string("none");
    };
    EXPECT_EQ(select(KeyBackspace, 1, 2), "1+2"); // a selection is taken as it is
    EXPECT_EQ(select(KeyDelete, 1, 2), "1+2");
    EXPECT_EQ(select(KeyBackspace, 2, 0), "1+1");
    EXPECT_EQ(select(KeyDelete, 2, 0), "2+1");
    EXPECT_EQ(select(KeyBackspace, 0, 0), "none");
    EXPECT_EQ(select(KeyDelete, 4, 0), "none");
    EXPECT_EQ(select(KeyDelete, 0, 0), "0+1");
    EXPECT_EQ(select(KeyBackspace, 4, 0), "3+1");
}

TEST(KeptValues, TextWithALoneSurrogateIsNotWholeUtf16) {
    EXPECT_TRUE(isWholeUtf16(u""));
    EXPECT_TRUE(isWholeUtf16(u"a\U0001F600b"));
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
    const char16_t loneLow[] = {0xDE00, 0};
    const char16_t reversed[] = {0xDE00, 0xD83D, 0};
    const char16_t highAtEnd[] = {u'a', 0xD83D, 0};
    for (const char16_t* bad : {loneHigh, loneLow, reversed, highAtEnd})
        EXPECT_FALSE(isWholeUtf16(bad));
}

// Text services that answer with their own name, to see where each call went.
class NamedText final : public TextServices {
public:
    explicit NamedText(std::u16string n) : name(std::move(n)) {}
    std::u16string name;
    ErrorOr<std::u16string> UCase(std::u16string_view s) override {
        return name + u":" + std::u16string(s);
    }
    ErrorOr<std::u16string> LCase(std::u16string_view) override { return name; }
    ErrorOr<std::u16string> Chr(std::int32_t) override { return name; }
    ErrorOr<std::int16_t> Asc(std::u16string_view) override { return std::int16_t{65}; }
    ErrorOr<std::u16string> Format(const Value&, std::u16string_view p, std::int32_t,
                                   std::int32_t) override {
        return std::u16string(p);
    }
    ErrorOr<std::u16string> CStr(std::int16_t) override { return name; }
    ErrorOr<std::int32_t> InStr(std::u16string_view t, std::u16string_view f) override {
        return static_cast<std::int32_t>(t.find(f) + 1);
    }
    ErrorOr<std::u16string> TimeText(TimeOfDay) override { return name; }
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) override { return "bytes"; }
};

template <typename Text> class PlainRuntime final : public TextRuntime<Text> {
public:
    using TextRuntime<Text>::TextRuntime;
    ErrorOr<std::int32_t> MsgBox(std::u16string_view, std::int32_t, std::u16string_view) override {
        return msgbox::OK;
    }
    ErrorOr<void> SendKeys(std::u16string_view, const Value&) override { return {}; }
    ErrorOr<TimeOfDay> Time() override { return TimeOfDay{}; }
    ErrorOr<std::u16string> AppPath() override { return u"/"; }
};

TEST(TextRuntime, TextCallsGoToTheServicesHeldOrReferredTo) {
    NamedText shared(u"shared");
    PlainRuntime<TextServices&> referring(shared);
    PlainRuntime<NamedText> holding(u"own");
    Runtime& a = referring;
    Runtime& b = holding;
    EXPECT_EQ(a.UCase(u"x").value(), u"shared:x");
    EXPECT_EQ(b.UCase(u"x").value(), u"own:x");
    shared.name = u"renamed"; // a reference sees the services as they are now
    EXPECT_EQ(a.CStr(1).value(), u"renamed");
    EXPECT_EQ(&referring.text(), &shared);
    EXPECT_EQ(b.Format(Value(), u"0.00", 1, 1).value(), u"0.00");
    EXPECT_EQ(b.InStr(u"abc", u"c").value(), 3);
    EXPECT_EQ(b.StrConvFromUnicode(u"x").value(), "bytes");
}

TEST(PictureFiles, HeadersAreCheckedAgainstTheBytesThereAre) {
    // A 40-byte information header of a 3 x -2 (top-down) bitmap.
    std::vector<std::uint8_t> dib(40, 0);
    dib[0] = 40;
    dib[4] = 3;
    for (int i = 8; i < 12; ++i)
        dib[static_cast<std::size_t>(i)] = 0xFF; // -1
    dib[8] = 0xFE;
    auto h = readBitmapResource(dib);
    ASSERT_FALSE(h.isError());
    EXPECT_EQ(h.value().width, 3);
    EXPECT_EQ(h.value().height, 2);
    EXPECT_EQ(readBitmapResource(std::span(dib).first(39)).error().code, errc::InvalidPicture);
    std::vector<std::uint8_t> file{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.end(), dib.begin(), dib.end());
    EXPECT_EQ(readPictureFile(file).value().type, picturetype::Bitmap);
    // An icon directory of one image whose data lies past the end.
    std::vector<std::uint8_t> ico{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 0,
                                  0, 0, 0, 4, 0, 0, 0,  22, 0, 0, 0};
    auto bad = readPictureFile(ico);
    ASSERT_TRUE(bad.isError());
    EXPECT_EQ(bad.error().description, u"Invalid picture: an icon image lies outside the file");
    ico.insert(ico.end(), {1, 2, 3, 4});
    auto good = readPictureFile(ico);
    ASSERT_FALSE(good.isError());
    EXPECT_EQ(good.value().type, picturetype::Icon);
    EXPECT_EQ(good.value().width, 16);
    EXPECT_EQ(readIconFile(ico, ResourceKind::Cursor).error().description,
              u"Invalid picture: not a cursor");
    EXPECT_EQ(le32(std::vector<std::uint8_t>{1, 2, 3, 4}, 0), 0x04030201u);
}

} // namespace
} // namespace tessivra
