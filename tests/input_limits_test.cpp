// Input from outside at and past its limits: sizes and positions, the virtual clock, bag files
// and the values they keep, the runner's numbers, names and printed text, unreadable paths and
// registry files nested too deep. Nothing may crash, hang, wrap around or be lost.

#include "controls/display/HoraAtual/HoraAtual.h"
#include "controls/display/Sobre/Sobre.h"
#include "controls/text/MailText/MailText.h"
#include "controls/text/ScrollText/ScrollText.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/UrlText/UrlText.h"
#include "hosts/headless/registry.h"
#include "tests/script_player.h"
#include "tests/support.h"
#include "tools/tessivra-run/script.h"

#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>

namespace tessivra::testing {
namespace {

using namespace std::string_view_literals;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// ---- sizes, positions and fonts ------------------------------------------------------------

template <typename C> void refusesBadSizes() {
    HeadlessForm form;
    ASSERT_TRUE(form.add<C>(u"a"));
    ASSERT_OK(form.place(u"a"));
    auto* site = form.container(u"a");
    const Twips w = site->width(), h = site->height();
    for (float bad : {kNaN, kInf, -kInf, -1.0f, 4.3e9f, 3e38f}) {
        for (auto r : {form.resize(u"a", bad, 600), form.resize(u"a", 600, bad),
                       site->setWidth(bad), site->setHeight(bad)}) {
            ASSERT_TRUE(r.isError()) << bad;
            EXPECT_EQ(r.error().code, errc::InvalidPropertyValue);
        }
        EXPECT_EQ(site->width(), w);
        EXPECT_EQ(site->height(), h);
    }
    ASSERT_OK(form.resize(u"a", 6000, 900)); // a finite size is still taken
}

TEST(InputLimits, ASizeThatIsNotAFiniteNumberOfTwipsWithinTheFormIsRefusedBeforeAnyResize) {
    refusesBadSizes<UrlText>();
    refusesBadSizes<MailText>();
    refusesBadSizes<Sobre>();
}

TEST(InputLimits, MousePositionsAndFontSizesMustBeFiniteNumbers) {
    HeadlessForm form;
    ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"t"));
    for (float bad : {kNaN, kInf, 1e10f}) {
        auto r = form.mouse(u"t", u"", 0, 1, 0, bad, 0);
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, errc::InvalidPropertyValue);
        EXPECT_TRUE(form.mouse(u"t", u"", 1, 1, 0, 0, bad).isError());
    }
    ASSERT_OK(form.mouse(u"t", u"", 1, 0, 0, -120, 45.5f));
    auto* text1 = form.container(u"t")->find<HeadlessTextBox>(u"Text1");
    for (float bad : {kNaN, kInf, 0.0f, -8.0f}) {
        auto r = text1->setFont(std::make_shared<Font>(u"Arial", bad));
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, errc::InvalidPropertyValue);
    }
    EXPECT_EQ(text1->Font().value()->size, 8.25f);
    ASSERT_TRUE(form.add<HoraAtual>(u"h"));
    auto* label = form.container(u"h")->find<headless::HeadlessLabel>(u"Label1");
    EXPECT_TRUE(label->setFont(std::make_shared<Font>(u"Arial", kNaN)).isError());
    EXPECT_TRUE(label->setWidth(kNaN).isError());
    auto lines = play("font f \"Arial\" nan\nfont g \"Arial\" 0\nfont h \"Arial\" 1e39\n"
                      "new t TextoEmMaiusculo\nsize t nan 100\nsize t 100 1e39\n"
                      "mouse t Text1 down 1 0 inf 0\nshow t\n");
    EXPECT_EQ(lines[0], "error font: 13 Type mismatch");
    EXPECT_EQ(lines[1], "error font: 380 Invalid property value");
    EXPECT_EQ(lines[2], "error font: 6 Overflow");
    EXPECT_EQ(lines[3], "error size: 13 Type mismatch");
    EXPECT_EQ(lines[4], "error size: 6 Overflow");
    EXPECT_EQ(lines[5], "error mouse: 6 Overflow");
}

// ---- the virtual clock ----------------------------------------------------------------------

struct CountingTimer final : TimerEvents {
    HeadlessForm* form = nullptr;
    std::vector<std::int64_t> firedAt;
    ErrorOr<void> Timer() override {
        firedAt.push_back(form->runtime().clockMs);
        return {};
    }
};

TEST(InputLimits, AnAdvanceOfTheClockIsRefusedWhenNegativeOrPastItsRangeAndTimersCoalesce) {
    HeadlessForm form;
    form.runtime().clockMs = 0;
    auto& window = form.openWindow(u"w");
    CountingTimer fast, slow;
    fast.form = slow.form = &form;
    ASSERT_TRUE(window.addTimer({.name = u"Fast", .interval = 300}, &fast));
    ASSERT_TRUE(window.addTimer({.name = u"Slow", .interval = 1000}, &slow));

    auto back = form.tick(-1);
    ASSERT_TRUE(back.isError());
    EXPECT_EQ(back.error().code, errc::InvalidProcedureCall);
    auto past = form.tick(std::numeric_limits<std::int64_t>::max());
    ASSERT_TRUE(past.isError());
    EXPECT_EQ(past.error().code, errc::Overflow);
    EXPECT_EQ(form.runtime().clockMs, 0);

    // Each fires once, at its last due moment, and in the order of those moments.
    ASSERT_OK(form.tick(1000));
    EXPECT_EQ(fast.firedAt, (std::vector<std::int64_t>{900}));
    EXPECT_EQ(slow.firedAt, (std::vector<std::int64_t>{1000}));
    ASSERT_OK(form.tick(200));
    EXPECT_EQ(fast.firedAt, (std::vector<std::int64_t>{900, 1200}));
    // A long advance costs one firing, not one per interval missed.
    ASSERT_OK(form.tick(100'000'000'000));
    EXPECT_EQ(fast.firedAt.size(), 3u);
    EXPECT_EQ(slow.firedAt.back(), 100'000'001'000);
    EXPECT_EQ(form.runtime().clockMs, 100'000'001'200);
    ASSERT_OK(form.tick(1000));
    EXPECT_EQ(slow.firedAt.size(), 3u);
    EXPECT_EQ(slow.firedAt.back(), 100'000'002'000);
}

TEST(InputLimits, TheClockLabelKeepsUpdatingAfterALongOrRefusedAdvance) {
    auto lines = play("new h HoraAtual\ntick 100000000000\ntick 9223372036854775807\n"
                      "tick -5\nscroll h down 3\n");
    EXPECT_EQ(lines[0], "error tick: 6 Overflow");
    EXPECT_TRUE(lines[1].starts_with("error tick: 5 The clock cannot go back")) << lines[1];
    HeadlessForm form;
    ASSERT_TRUE(form.add<HoraAtual>(u"h"));
    auto* label = form.container(u"h")->find<headless::HeadlessLabel>(u"Label1");
    EXPECT_TRUE(form.tick(std::numeric_limits<std::int64_t>::max() - 5).isError());
    ASSERT_OK(form.tick(100'000'000'000));
    EXPECT_NE(label->caption(), u"00:00:00");
    ASSERT_OK(label->setCaption(u"-"));
    ASSERT_OK(form.tick(1000));
    EXPECT_NE(label->caption(), u"-");
}

TEST(InputLimits, ARepeatCountHasABoundAndTheRunnerNarrowsNoNumberSilently) {
    HeadlessForm form;
    ASSERT_TRUE(form.add<ScrollText>(u"s"));
    for (int bad : {-1, HeadlessForm::kMaxRepeat + 1}) {
        auto r = form.scroll(u"s", true, bad);
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, errc::InvalidProcedureCall);
    }
    auto lines = play(R"(new s ScrollText
scroll s down 4294967297
scroll s down 70000
new t TextoEmMaiusculo
let t MaxLength 99999999999&
let t MaxLength 4294967295
key t 70000
key t 65 99999
mouse t Text1 down 70000 0 0 0
fail Runtime.Time 4294967296
let t MaxLength 0x7FFFFFFF&
get t MaxLength
let t Text 0xFFFFFFFF
get t Text
)");
    EXPECT_EQ(lines[0], "error scroll: 6 Overflow");
    EXPECT_EQ(lines[1], "error scroll: 5 A scroll count must be 0 to 65536");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "error let: 6 Overflow"), 2);
    EXPECT_TRUE(has(lines, "error key: 6 Overflow"));
    EXPECT_TRUE(has(lines, "error mouse: 6 Overflow"));
    EXPECT_TRUE(has(lines, "error fail: 6 Overflow"));
    EXPECT_TRUE(has(lines, "t.MaxLength = 2147483647"));
    EXPECT_TRUE(has(lines, "t.Text = \"-1\"")); // hexadecimal gives the bits, as &HFFFFFFFF
    EXPECT_FALSE(has(lines, "t.MaxLength = 1215752191"));
}

// ---- bags keep what they accept -------------------------------------------------------------

bool sameValue(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case ValueType::R4:
        return (std::isnan(a.r4()) && std::isnan(b.r4())) ||
               std::bit_cast<std::uint32_t>(a.r4()) == std::bit_cast<std::uint32_t>(b.r4());
    case ValueType::Font: {
        const Font &f = *a.font(), &g = *b.font();
        return f.name == g.name &&
               std::bit_cast<std::uint32_t>(f.size) == std::bit_cast<std::uint32_t>(g.size) &&
               f.weight == g.weight && f.charset == g.charset && f.italic == g.italic &&
               f.underline == g.underline && f.strikethrough == g.strikethrough;
    }
    case ValueType::Picture: {
        const Picture &p = *a.picture(), &q = *b.picture();
        return p.name == q.name && p.type == q.type && p.widthPixels == q.widthPixels &&
               p.heightPixels == q.heightPixels;
    }
    default:
        return a == b;
    }
}

class RandomValues {
public:
    explicit RandomValues(unsigned seed) : rng_(seed) {}
    template <typename T> T any() {
        return static_cast<T>(std::uniform_int_distribution<long long>(
            std::numeric_limits<T>::min(), std::numeric_limits<T>::max())(rng_));
    }
    float single() {
        switch (pick(6)) {
        case 0:
            return kNaN;
        case 1:
            return pick(2) ? kInf : -kInf;
        case 2:
            return pick(2) ? std::numeric_limits<float>::max() : -0.0f;
        default: {
            float f = std::bit_cast<float>(any<std::uint32_t>()); // denormals included
            return std::isnan(f) ? 1.5f : f;
        }
        }
    }
    std::u16string text() {
        std::u16string s;
        for (int n = pick(12); n > 0; --n)
            switch (pick(4)) {
            case 0:
                s += static_cast<char16_t>(pick(0x20)); // controls, NUL included
                break;
            case 1:
                s += static_cast<char16_t>(0xD800 + pick(0x800)); // surrogates, often alone
                break;
            case 2:
                s += u"\"\\ç€😀";
                break;
            default:
                s += any<char16_t>();
            }
        return s;
    }
    Value value() {
        switch (pick(10)) {
        case 0:
            return Value();
        case 1:
            return pick(2) ? Value::missing() : Value::nothing();
        case 2:
            return Value(any<std::int16_t>());
        case 3:
            return Value(any<std::int32_t>());
        case 4:
            return Value::boolean(pick(2) == 1);
        case 5:
        case 6:
            return Value(single());
        case 7:
            return Value(text());
        case 8: {
            float size = std::fabs(single());
            auto f = std::make_shared<Font>(text(), std::isfinite(size) && size > 0 ? size : 9.0f,
                                            any<std::int16_t>());
            f->charset = any<std::int16_t>();
            f->italic = pick(2);
            f->underline = pick(2);
            f->strikethrough = pick(2);
            return Value(f);
        }
        default:
            return Value(std::make_shared<Picture>(text(), any<std::int16_t>(), any<std::int32_t>(),
                                                   any<std::int32_t>()));
        }
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

private:
    std::mt19937 rng_;
};

TEST(InputLimits, EveryValueABagHoldsSurvivesWritingAndReadingUnchanged) {
    RandomValues random(20261208);
    for (int round = 0; round < 2000; ++round) {
        HeadlessPropertyBag bag;
        for (int n = random.pick(6); n >= 0; --n)
            ASSERT_OK(bag.WriteProperty(random.text(), random.value(), Value()));
        const std::string written = bag.toJson();
        auto back = HeadlessPropertyBag::fromJson(written);
        ASSERT_OK(back);
        ASSERT_EQ(back.value().entries().size(), bag.entries().size()) << written;
        for (std::size_t i = 0; i < bag.entries().size(); ++i) {
            EXPECT_EQ(back.value().entries()[i].first, bag.entries()[i].first) << written;
            EXPECT_TRUE(sameValue(back.value().entries()[i].second, bag.entries()[i].second))
                << written;
        }
        ASSERT_EQ(back.value().toJson(), written);
    }
}

TEST(InputLimits, ABagRefusesAFontItCouldNotWriteAndNumbersThatDoNotFitTheirType) {
    HeadlessPropertyBag bag;
    for (float bad : {kNaN, kInf, 0.0f}) {
        auto r = bag.WriteProperty(u"Font", Value(std::make_shared<Font>(u"Arial", bad)), Value());
        ASSERT_TRUE(r.isError());
        EXPECT_EQ(r.error().code, errc::InvalidPropertyValue);
    }
    // A plain object has nothing a file could keep.
    EXPECT_EQ(bag.WriteProperty(u"Menu", Value(std::make_shared<Object>()), Value()).error().code,
              330);
    EXPECT_TRUE(bag.entries().empty());
    auto entry = [](const std::string& type, const std::string& value) {
        return HeadlessPropertyBag::fromJson(R"({"entries":[{"key":"A","type":")" + type +
                                             R"(","value":)" + value + "}]}");
    };
    const std::string font = R"({"name":"Arial","size":9,"charset":0,"italic":false,)"
                             R"("underline":false,"strikethrough":false,"weight":)";
    for (auto [type, value] : std::vector<std::pair<std::string, std::string>>{
             {"Integer", "18446744073709551615"},
             {"Integer", "32768"},
             {"Long", "18446744073709551615"},
             {"Long", "-9223372036854775808"},
             {"Long", "2147483648"},
             {"Single", "1e39"},
             {"Single", "-1e300"},
             {"Font", font + "99999}"},
             {"Picture", R"({"name":"p","pictureType":1,"width":4294967296,"height":1})"}}) {
        auto r = entry(type, value);
        ASSERT_TRUE(r.isError()) << type << " " << value;
        EXPECT_EQ(r.error().code, errc::Overflow) << type << " " << value;
    }
    EXPECT_EQ(entry("Long", "-2147483648").value().entries()[0].second,
              Value(std::int32_t{-2147483647 - 1}));
    EXPECT_TRUE(std::isnan(entry("Single", "\"NaN\"").value().entries()[0].second.r4()));
    EXPECT_EQ(entry("Single", "\"-Infinity\"").value().entries()[0].second.r4(), -kInf);
    for (const char* size : {"\"NaN\"", "0", "-3", "\"Infinity\""}) {
        auto bad = entry("Font", R"({"name":"Arial","weight":400,"charset":0,"italic":false,)"
                                 R"("underline":false,"strikethrough":false,"size":)" +
                                     std::string(size) + "}");
        ASSERT_TRUE(bad.isError()) << size;
        EXPECT_EQ(bad.error().code, errc::InvalidPropertyValue);
    }
}

// ---- a failed load names its key ------------------------------------------------------------

TEST(InputLimits, AFailedLoadNamesTheKeyItStoppedAt) {
    HeadlessForm form;
    ASSERT_TRUE(form.add<TextoEmMaiusculo>(u"t"));
    HeadlessPropertyBag bag;
    bag.put(u"MousePointer", Value(u"hand"));
    auto r = form.load(u"t", bag);
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::TypeMismatch);
    EXPECT_EQ(r.error().description, u"Type mismatch in \"MousePointer\"");
    bag.put(u"MousePointer", Value(std::int32_t{40000}));
    EXPECT_EQ(form.load(u"t", bag).error().description, u"Overflow in \"MousePointer\"");
    bag.put(u"MousePointer", Value(std::int16_t{50}));
    r = form.load(u"t", bag);
    EXPECT_EQ(r.error().code, errc::InvalidPropertyValue);
    EXPECT_EQ(r.error().description, u"Invalid property value in \"MousePointer\"");
    auto lines = play("bag b MousePointer \"hand\"\nnew t TextoEmMaiusculo b\n");
    EXPECT_TRUE(has(lines, "error new: 13 Type mismatch in \"MousePointer\""));
}

// ---- what the runner prints -----------------------------------------------------------------

TEST(InputLimits, PrintedTextEscapesEveryControlCharacterAndQuotedNamesAreOneName) {
    EXPECT_EQ(headless::quote(u"a\x1B[2J\u0085\u2028\0b"sv),
              "\"a\\u001B[2J\\u0085\\u2028\\u0000b\"");
    EXPECT_EQ(headless::quote(std::u16string(1, char16_t{0xD800}) + u"x😀"), "\"\\uD800x😀\"");
    EXPECT_EQ(headless::quote(u"\r\n\t\"\\"), R"("\r\n\t\"\\")");
    EXPECT_EQ(headless::printableLine("ok \x1b[31m\xc2\x9b\xff\x7f é"),
              "ok \\x1B[31m\\u009B\\xFF\\x7F é");
    auto lines = play("new t TextoEmMaiusculo\nlet t Text \"1\x1b[0m\xc2\x9b\"\nget t Text\n"
                      "get x\x1b Text\nnew \"q\" TextoEmMaiusculo\nlet q Text \"v\"\n"
                      "get \"q\" Text\nget q Text\n");
    EXPECT_TRUE(has(lines, "t.Text = \"1\\u001B[0m\\u009B\""));
    EXPECT_TRUE(has(lines, "error get: 5 no control named x\\x1B"));
    EXPECT_TRUE(has(lines, "q.Text = \"v\""));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "q.Text = \"v\""), 2);
}

// ---- paths that cannot be read, bags that were never filled ---------------------------------

TEST(InputLimits, AnUnreadablePathSaysWhyAndAnUnfilledBagIsNotTakenForAnEmptyOne) {
    const std::string dir = ::testing::TempDir();
    auto loaded = headless::HeadlessRegistry::load(dir);
    ASSERT_TRUE(loaded.isError());
    EXPECT_EQ(loaded.error().code, 75);
    EXPECT_NE(toUtf8(loaded.error().description).find("Is a directory"), std::string::npos);
    auto lines = play("read b " + dir + "\nregister " + dir +
                      "\nnew t TextoEmMaiusculo never\nwrite never " + dir + "/never.json\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].starts_with("error read: 75 Path/File access error: cannot read"));
    EXPECT_TRUE(lines[0].ends_with(": Is a directory")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("error register: 75")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(": Is a directory")) << lines[1];
    EXPECT_EQ(lines[2], "error new: 5 no bag named never: nothing was put in it");
    EXPECT_EQ(lines[3], "error write: 5 no bag named never: nothing was put in it");
    EXPECT_FALSE(std::filesystem::exists(dir + "/never.json"));
    auto missing = play("read b " + dir + "/not-there.json\n");
    EXPECT_TRUE(missing[0].starts_with("error read: 53 File not found: ")) << missing[0];
}

// ---- registry files -------------------------------------------------------------------------

TEST(InputLimits, ARegistryFileMayNestKeysAsDeepAsTheRealRegistryAndNoDeeper) {
    auto file = [](int levels) {
        std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER";
        for (int i = 0; i < levels; ++i)
            text += "\\k";
        return text + "]\r\n\"v\"=\"x\"\r\n";
    };
    auto deepest = headless::HeadlessRegistry::fromRegFile(file(512));
    ASSERT_OK(deepest);
    EXPECT_EQ(deepest.value().keys().size(), 512u);
    auto deeper = headless::HeadlessRegistry::fromRegFile(file(513));
    ASSERT_TRUE(deeper.isError());
    EXPECT_EQ(deeper.error().code, 321);
    EXPECT_NE(toUtf8(deeper.error().description).find("more than 512 levels deep"),
              std::string::npos);
    EXPECT_TRUE(headless::HeadlessRegistry::fromRegFile(file(20000)).isError());
}

TEST(InputLimits, ManySectionsOfTheDeepestKeyWithTheLongestNamesReadAsOneKey) {
    // Each section names the same key, 512 levels of 255-character names, in a spelling of its
    // own; a key's first spelling stays and every section's value lands in that one key.
    constexpr int kSections = 40;
    const auto path = [](bool upper) {
        std::string key = upper ? "HKEY_CURRENT_USER" : "hkey_current_user";
        for (int level = 0; level < 512; ++level)
            key += "\\" + std::string(254, upper ? 'K' : 'k') + static_cast<char>('a' + level % 26);
        return key;
    };
    std::string text = "REGEDIT4\r\n\r\n";
    for (int s = 0; s < kSections; ++s)
        text.append("[")
            .append(path(s % 2 == 1))
            .append("]\r\n\"v")
            .append(std::to_string(s))
            .append("\"=\"")
            .append(std::to_string(s))
            .append("\"\r\n\"Last\"=\"")
            .append(std::to_string(s))
            .append("\"\r\n\r\n");
    auto read = headless::HeadlessRegistry::fromRegFile(text);
    ASSERT_OK(read);
    const std::vector<std::string> keys = read.value().keys();
    ASSERT_EQ(keys.size(), 512u);
    // Hives are always written in their usual spelling; the names keep the first section's.
    std::string expected = path(false).replace(0, 17, "HKEY_CURRENT_USER");
    EXPECT_EQ(keys.back(), expected);
    const auto values = read.value().values(path(true));
    ASSERT_EQ(values.size(), static_cast<std::size_t>(kSections) + 1);
    EXPECT_EQ(values.front(), (std::pair<std::string, std::string>{"Last", "39"}));
    EXPECT_TRUE(read.value().values(keys[510]).empty());

    const std::string written = read.value().toRegFile();
    auto again = headless::HeadlessRegistry::fromRegFile(written);
    ASSERT_OK(again);
    EXPECT_TRUE(again.value() == read.value());
    EXPECT_EQ(again.value().toRegFile(), written);
}

} // namespace
} // namespace tessivra::testing
