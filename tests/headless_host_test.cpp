// The headless host's own behaviour: editing, focus, send keys, the bag and the runtime. The
// controls' tests rely on it behaving like a desktop host.

#include "tests/support.h"

namespace tessivra::testing {
namespace {

// A form with two bare text boxes on one surface, whose events are recorded.
class Recorder final : public TextBoxEvents {
public:
    std::vector<std::string>& log;
    std::string name;
    Recorder(std::vector<std::string>& l, std::string n) : log(l), name(std::move(n)) {}
    ErrorOr<void> Change() override { return note("Change"); }
    ErrorOr<void> GotFocus() override { return note("GotFocus"); }
    ErrorOr<void> LostFocus() override {
        TRY(note("LostFocus"));
        return onLostFocus ? onLostFocus() : ErrorOr<void>();
    }
    std::function<ErrorOr<void>()> onLostFocus;
    ErrorOr<void> KeyDown(std::int16_t& k, std::int16_t& shift) override {
        TRY(note("KeyDown " + std::to_string(k)));
        if (clearKeyDown) k = shift = 0;
        return {};
    }
    bool clearKeyDown = false; // a form's handler that sets KeyCode and Shift to 0
    ErrorOr<void> KeyPress(std::int16_t& k) override {
        return note("KeyPress " + std::to_string(k));
    }
    ErrorOr<void> KeyUp(std::int16_t& k, std::int16_t& shift) override {
        return note("KeyUp " + std::to_string(k) + (shift != 0 ? " shifted" : ""));
    }

private:
    ErrorOr<void> note(std::string what) {
        log.push_back(name + " " + what);
        return {};
    }
};

// A control with two text boxes and nothing else, to drive the host directly.
class TwoBoxes final : public Control {
public:
    static const ControlClass Class;
    std::vector<std::string> log;
    Recorder first{log, "A"}, second{log, "B"};
    HeadlessTextBox* a = nullptr;
    HeadlessTextBox* b = nullptr;
    static ErrorOr<std::unique_ptr<TwoBoxes>> create(Site s) { return createControl<TwoBoxes>(s); }

private:
    template <typename C> friend ErrorOr<std::unique_ptr<C>> tessivra::createControl(Site);
    explicit TwoBoxes(Site s) : Control(s, Class) {}
    ErrorOr<void> createConstituents() override {
        a = static_cast<HeadlessTextBox*>(
            TRY(container().addTextBox({.name = u"A", .bounds = {0, 0, 1000, 300}}, &first)));
        b = static_cast<HeadlessTextBox*>(TRY(container().addTextBox(
            {.name = u"B", .bounds = {0, 300, 1000, 300}, .tabIndex = 1}, &second)));
        return {};
    }
};
const ControlClass TwoBoxes::Class{u"TwoBoxes", {}, {}, {}, 1000, 600};

class HeadlessHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        boxes = form.add<TwoBoxes>(u"f").value();
        a = boxes->a;
        b = boxes->b;
    }
    HeadlessForm form;
    TwoBoxes* boxes = nullptr;
    HeadlessTextBox* a = nullptr;
    HeadlessTextBox* b = nullptr;
};

TEST_F(HeadlessHostTest, ANameTheFormDoesNotHoldIsRefusedByEveryCallThatNamesAControl) {
    HeadlessPropertyBag bag;
    for (auto r : {form.load(u"g", bag), form.save(u"g", bag), form.place(u"g"),
                   form.resize(u"g", 10, 10)}) {
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, errc::InvalidProcedureCall);
        EXPECT_EQ(r.error().description, u"No control named g");
    }
    EXPECT_EQ(form.control(u"g"), nullptr);
    EXPECT_EQ(form.control(u"f"), boxes);
    EXPECT_EQ(form.container(u"F"), nullptr); // names are exact
    // A second control under a name already held is refused and leaves the first in place.
    EXPECT_TRUE(form.add<TwoBoxes>(u"f").isError());
    EXPECT_EQ(form.control(u"f"), boxes);
}

TEST_F(HeadlessHostTest, ATypedKeyRunsKeyDownKeyPressInsertionChangeAndKeyUpInThatOrder) {
    ASSERT_OK(form.type(u"f", u"x"));
    EXPECT_EQ(boxes->log, (std::vector<std::string>{"A GotFocus", "A KeyDown 88", "A KeyPress 120",
                                                    "A Change", "A KeyUp 88"}));
    EXPECT_EQ(a->text(), u"x");
}

// On a desktop the character comes from the key before the key-down handler runs, and the
// release is its own message: clearing KeyCode in KeyDown neither cancels the character nor
// reaches KeyUp, whether the key was typed or pressed by code. Only the editing keys, which
// have no character, do what the handler left of them.
TEST_F(HeadlessHostTest, ClearingKeyCodeInKeyDownKeepsTheCharacterAndTheReleasedKeysCode) {
    boxes->first.clearKeyDown = true;
    ASSERT_OK(form.type(u"f", u"xY"));
    ASSERT_OK(form.key(u"f", 13));
    ASSERT_OK(form.key(u"f", 8));
    ASSERT_OK(form.key(u"f", 36)); // Home, cleared: the caret stays at the end
    ASSERT_OK(form.key(u"f", 46)); // Delete, cleared: nothing to delete at the end anyway
    EXPECT_EQ(boxes->log,
              (std::vector<std::string>{
                  "A GotFocus",         "A KeyDown 88", "A KeyPress 120", "A Change",
                  "A KeyUp 88",         "A KeyDown 89", "A KeyPress 89",  "A Change",
                  "A KeyUp 89 shifted", "A KeyDown 13", "A KeyPress 13",  "A KeyUp 13",
                  "A KeyDown 8",        "A KeyPress 8", "A Change",       "A KeyUp 8",
                  "A KeyDown 36",       "A KeyUp 36",   "A KeyDown 46",   "A KeyUp 46"}));
    EXPECT_EQ(a->text(), u"x");
    EXPECT_EQ(a->SelStart().value(), 1);
}

// Typing and pasting run through the same editing path: the same rows give the same text,
// except where the path differs by design (a paste inserts what fits).
TEST_F(HeadlessHostTest, TypedAndPastedTextMeetTheSameLimitAndLock) {
    struct Row {
        std::u16string start;
        std::int32_t selStart, selLength, maxLength;
        bool locked;
        std::u16string input, typed, pasted;
    };
    const Row rows[] = {
        {u"", 0, 0, 0, false, u"abc", u"abc", u"abc"},
        {u"hello", 5, 0, 0, false, u"!", u"hello!", u"hello!"},
        {u"hello", 1, 3, 0, false, u"EY", u"hEYo", u"hEYo"}, // replaces the selection
        {u"abcd", 4, 0, 5, false, u"xyz", u"abcdx", u"abcdx"},
        {u"abcd", 0, 4, 2, false, u"wxyz", u"wx", u"wx"},
        {u"keep", 2, 0, 0, true, u"zz", u"keep", u"keep"},
    };
    for (const auto& r : rows) {
        for (bool typing : {true, false}) {
            ASSERT_OK(a->setText(r.start));
            ASSERT_OK(a->setMaxLength(r.maxLength));
            ASSERT_OK(a->setLocked(toVBool(r.locked)));
            ASSERT_OK(a->setSelStart(r.selStart));
            ASSERT_OK(a->setSelLength(r.selLength));
            if (typing)
                ASSERT_OK(form.type(u"f", r.input));
            else
                ASSERT_OK(form.paste(u"f", r.input));
            EXPECT_EQ(a->text(), typing ? r.typed : r.pasted)
                << toUtf8(r.start) << " + " << toUtf8(r.input) << (typing ? " typed" : " pasted");
        }
    }
}

TEST_F(HeadlessHostTest, CodeAssignsPastTheLimitAndTheCaretFollowsTheUsualRules) {
    ASSERT_OK(a->setMaxLength(3));
    ASSERT_OK(a->setText(u"longer than three"));
    EXPECT_EQ(a->text(), u"longer than three");
    EXPECT_EQ(a->selStart(), 0);
    ASSERT_OK(a->setSelStart(999));
    EXPECT_EQ(a->selStart(), 17);
    ASSERT_OK(a->setSelStart(0));
    ASSERT_OK(a->setSelLength(999));
    EXPECT_EQ(a->selLength(), 17);
    ASSERT_OK(a->setSelStart(7));
    ASSERT_OK(a->setSelLength(4));
    EXPECT_EQ(a->SelText().value(), u"than");
    ASSERT_OK(a->setSelText(u"or"));
    EXPECT_EQ(a->text(), u"longer or three");
    EXPECT_EQ(a->selStart(), 9);
    EXPECT_EQ(a->selLength(), 0);
}

TEST_F(HeadlessHostTest, BackspaceAndDeleteRemoveOneCharacterOrTheSelection) {
    ASSERT_OK(a->setText(u"abcdef"));
    ASSERT_OK(a->setSelStart(3));
    ASSERT_OK(form.key(u"f", 8));
    EXPECT_EQ(a->text(), u"abdef");
    ASSERT_OK(form.key(u"f", 46));
    EXPECT_EQ(a->text(), u"abef");
    ASSERT_OK(a->setSelStart(0));
    ASSERT_OK(a->setSelLength(2));
    ASSERT_OK(form.key(u"f", 8));
    EXPECT_EQ(a->text(), u"ef");
    ASSERT_OK(form.key(u"f", 8)); // at the start: nothing to delete, no Change
    EXPECT_EQ(a->text(), u"ef");
}

TEST_F(HeadlessHostTest, ValuesARealTextBoxRefusesAreRefused) {
    EXPECT_EQ(a->setAlignment(3).error().code, 380);
    EXPECT_EQ(a->setBorderStyle(2).error().code, 380);
    EXPECT_EQ(a->setPasswordChar(u"ab").error().code, 380);
    EXPECT_EQ(a->setMaxLength(-1).error().code, 380);
    EXPECT_EQ(a->setSelStart(-1).error().code, 380);
    EXPECT_EQ(a->setWidth(-1).error().code, 380);
    EXPECT_EQ(a->setMousePointer(42).error().code, 380);
    ASSERT_OK(a->setMousePointer(99));
}

TEST_F(HeadlessHostTest, FocusMovesWithLostFocusBeforeGotFocusAndSkipsDisabledBoxes) {
    ASSERT_OK(form.focus(u"f", u"A"));
    boxes->log.clear();
    ASSERT_OK(form.focusNext());
    EXPECT_EQ(boxes->log, (std::vector<std::string>{"A LostFocus", "B GotFocus"}));
    ASSERT_OK(a->setEnabled(VFalse));
    EXPECT_EQ(a->SetFocus().error().code, 5);
    ASSERT_OK(form.focusNext()); // only B is left to take the focus
    EXPECT_EQ(form.focusName(), "f.B");
    // Disabling the holder moves the focus on.
    ASSERT_OK(a->setEnabled(VTrue));
    ASSERT_OK(b->setEnabled(VFalse));
    EXPECT_EQ(form.focusName(), "f.A");
}

TEST_F(HeadlessHostTest, AFocusRequestDuringAFocusChangeWaitsUntilTheChangeIsDone) {
    ASSERT_OK(form.focus(u"f", u"A"));
    boxes->log.clear();
    // A's LostFocus handler takes the focus back, as a checking box does.
    boxes->first.onLostFocus = [&] { return a->SetFocus(); };
    ASSERT_OK(form.moveFocus(b));
    boxes->first.onLostFocus = nullptr;
    EXPECT_EQ(form.focusName(), "f.A");
    EXPECT_EQ(boxes->log,
              (std::vector<std::string>{"A LostFocus", "B GotFocus", "B LostFocus", "A GotFocus"}));
}

TEST_F(HeadlessHostTest, SentKeysArriveAfterTheHandlerReturns) {
    form.journal().enabled = true;
    ASSERT_OK(form.focus(u"f", u"A"));
    ASSERT_OK(form.runtime().SendKeys(u"{tab}", Value::missing()));
    EXPECT_EQ(form.focusName(), "f.A"); // not yet
    ASSERT_OK(form.deliverSentKeys());
    EXPECT_EQ(form.focusName(), "f.B");
    ASSERT_OK(form.runtime().SendKeys(u"hi", Value::missing()));
    ASSERT_OK(form.deliverSentKeys());
    EXPECT_EQ(b->text(), u"hi");
}

TEST_F(HeadlessHostTest, TheCodePageDecidesWhichCodesHaveACharacter) {
    auto& rt = form.runtime();
    EXPECT_EQ(rt.Chr(0xE7).value(), u"ç");
    EXPECT_EQ(rt.Chr(0x80).value(), u"€");
    EXPECT_EQ(rt.Chr(256).error().code, 5);
    EXPECT_EQ(rt.Chr(-1).error().code, 5);
    // A lead byte of a double-byte code page is no character on its own.
    HeadlessForm japanese({.locale = "ja-JP", .codePage = "Shift_JIS"});
    EXPECT_EQ(japanese.runtime().Chr(0x81).error().code, 5);
    EXPECT_EQ(japanese.runtime().Chr(0x41).value(), u"A");
    EXPECT_EQ(rt.Asc(u"Ç").value(), 0xC7);
    EXPECT_EQ(rt.Asc(u"€").value(), 0x80);
    EXPECT_EQ(rt.Asc(u"").error().code, 5);
    EXPECT_EQ(rt.UCase(u"straße").value(), u"STRASSE");
    // One character converts to one character of the code page, or stays.
    EXPECT_EQ(rt.UCase(u"ß").value(), u"ß");
    EXPECT_EQ(rt.UCase(u"µ").value(), u"µ");
    EXPECT_EQ(rt.UCase(u"ÿ").value(), u"Ÿ");
    EXPECT_EQ(rt.UCase(u"ß").value(), u"ß"); // the remembered answer is the same
    EXPECT_EQ(rt.LCase(u"ÀÉÎ").value(), u"àéî");
    EXPECT_EQ(rt.InStr(u"a@b.c", u".").value(), 4);
    EXPECT_EQ(rt.InStr(u"a@b", u".").value(), 0);
    EXPECT_EQ(rt.InStr(u"a＠b", u"@").value(), 0); // a full-width look-alike is not the character
    EXPECT_EQ(rt.CStr(-32768).value(), u"-32768");

    HeadlessForm turkish({.locale = "tr-TR", .codePage = "windows-1254"});
    EXPECT_EQ(turkish.runtime().UCase(u"i").value(), u"İ");
}

TEST(HeadlessPropertyBagTest, ReadsGiveTheDefaultForAbsentKeysAndFilesKeepEveryType) {
    HeadlessPropertyBag bag;
    EXPECT_EQ(bag.ReadProperty(u"Missing", Value(std::int16_t{7})).value(), Value(std::int16_t{7}));
    auto font = std::make_shared<Font>(u"Arial", 9.75f, 700);
    bag.put(u"I2", Value(std::int16_t{-3}));
    bag.put(u"I4", Value(std::int32_t{0x80000005u - 0x100000000ll}));
    bag.put(u"B", Value::boolean(true));
    bag.put(u"S", Value(u"tab\there \"quoted\" ç"));
    bag.put(u"F", Value(font));
    bag.put(u"E", Value());
    bag.put(u"N", Value::nothing());
    auto copy = HeadlessPropertyBag::fromJson(bag.toJson());
    ASSERT_OK(copy);
    ASSERT_EQ(copy.value().entries().size(), bag.entries().size());
    for (std::size_t i = 0; i < bag.entries().size(); ++i) {
        const auto& [k, v] = bag.entries()[i];
        const auto& [k2, v2] = copy.value().entries()[i];
        EXPECT_EQ(k, k2);
        if (v.type() == ValueType::Font) {
            EXPECT_EQ(v2.font()->name, u"Arial");
            EXPECT_TRUE(v2.font()->bold());
        } else {
            EXPECT_EQ(v, v2) << toUtf8(k);
        }
    }
    EXPECT_TRUE(HeadlessPropertyBag::fromJson("{").isError());
    EXPECT_TRUE(
        HeadlessPropertyBag::fromJson(R"({"entries":[{"key":"A","type":"Integer","value":99999}]})")
            .isError());
    EXPECT_TRUE(
        HeadlessPropertyBag::fromJson(R"({"entries":[{"key":"A","type":"Blob"}]})").isError());
    // Text under a number's key cannot be read as that number.
    EXPECT_EQ(Value(u"left").toI2().error().code, 13);
    EXPECT_EQ(Value(u" 7 ").toI2().value(), 7);
    EXPECT_EQ(Value(std::int32_t{40000}).toI2().error().code, 6);
}

TEST_F(HeadlessHostTest, AnArmedFaultFailsThatCallOnceAndOnlyThatCall) {
    form.faults().failNext("A.Text=", 1);
    ASSERT_OK(a->setText(u"first"));
    auto r = a->setText(u"second");
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, headless::InjectedFailureCode);
    EXPECT_EQ(a->text(), u"first");
    ASSERT_OK(a->setText(u"third"));
    form.faults().failNext("other.A.Text=");
    ASSERT_OK(a->setText(u"fourth")); // qualified with another control's name
}

} // namespace
} // namespace tessivra::testing
