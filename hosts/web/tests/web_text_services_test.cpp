// The runtime on the browser's Intl beyond the shared case table: what it refuses when it is
// made, the amount reader's rules, the rounding used where Intl cannot round decimal strings,
// the pattern's places that Intl has no option for, and texts longer than the buffer a typed
// key's conversion uses.

#include "hosts/web/runtime/text_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace tessivra::webruntime {
namespace {

std::unique_ptr<WebTextServices> make(const std::string& locale,
                                      const std::string& codePage = "windows-1252") {
    auto made = WebTextServices::create({locale, codePage});
    if (made.isError()) ADD_FAILURE() << toUtf8(made.error().description);
    return made.isError() ? nullptr : made.releaseValue();
}

// The answer as UTF-8, or "<error N>".
std::string layOut(WebTextServices& runtime, const Value& value, std::u16string_view pattern) {
    auto result = runtime.Format(value, pattern, 1, 1);
    if (result.isError()) return "<error " + std::to_string(result.error().code) + ">";
    return toUtf8(result.value());
}

TEST(WebRuntimeSettings, UnknownLocaleOrCodePageIsRefusedByName) {
    auto badPage = WebTextServices::create({"en-US", "windows-9999"});
    ASSERT_TRUE(badPage.isError());
    EXPECT_NE(toUtf8(badPage.error().description).find("windows-9999"), std::string::npos);
    // TextDecoder knows these, but they are not single-byte code pages.
    for (const char* multiByte : {"utf-8", "shift_jis", "utf-16le", "gbk"}) {
        auto made = WebTextServices::create({"en-US", multiByte});
        EXPECT_TRUE(made.isError()) << multiByte;
    }
    auto badLocale = WebTextServices::create({"not a locale!", "windows-1252"});
    ASSERT_TRUE(badLocale.isError());
    EXPECT_NE(toUtf8(badLocale.error().description).find("not a locale!"), std::string::npos);
    // A label TextDecoder takes as another name of a single-byte code page is fine.
    auto latin1 = make("en-US", "latin1");
    ASSERT_TRUE(latin1);
    EXPECT_EQ(toUtf8(latin1->Chr(128).value()), "€");
    // Windows-1252's bytes 0x80 to 0x9F stand for printable characters, not the C1 controls a
    // Latin-1 shortcut would give.
    auto windows = make("en-US", "windows-1252");
    ASSERT_TRUE(windows);
    EXPECT_EQ(toUtf8(windows->Chr(0x92).value()), "’");
    EXPECT_EQ(toUtf8(windows->Chr(0x9F).value()), "Ÿ");
    EXPECT_EQ(windows->Asc(u"™").value(), 0x99);
    // An ICU-style locale name is taken as the tag it stands for.
    auto underscore = make("pt_BR");
    ASSERT_TRUE(underscore);
    EXPECT_EQ(toUtf8(underscore->numberSymbols().decimal), ",");
}

TEST(WebRuntimeSettings, LocaleSymbolsComeFromIntl) {
    auto pt = make("pt-BR");
    auto fr = make("fr-FR");
    ASSERT_TRUE(pt && fr);
    EXPECT_EQ(toUtf8(pt->numberSymbols().decimal), ",");
    EXPECT_EQ(toUtf8(pt->numberSymbols().group), ".");
    EXPECT_EQ(toUtf8(fr->numberSymbols().decimal), ",");
    EXPECT_EQ(fr->numberSymbols().group, u"\u202F");
}

TEST(AmountReader, GroupsOfThreeBetweenDigitsOnly) {
    const NumberSymbols en;
    std::string digits;
    bool negative = false;
    for (std::u16string_view good : {u"1,234", u"12,345,678", u"1234", u"999,999.5", u"+1,000"}) {
        EXPECT_TRUE(readAmount(good, en, digits, negative)) << toUtf8(good);
        EXPECT_FALSE(negative);
    }
    for (std::u16string_view bad : {u"1,23", u"1,2345", u"12,34,567", u",123", u"1,234,", u"1,,234",
                                    u"1234,567", u"1.234,5", u"1,234.5,6"})
        EXPECT_FALSE(readAmount(bad, en, digits, negative)) << toUtf8(bad);
    ASSERT_TRUE(readAmount(u"12,345,678.9", en, digits, negative));
    EXPECT_EQ(digits, "12345678.9");
}

TEST(AmountReader, SignsPointsAndNonNumbers) {
    const NumberSymbols en;
    std::string digits;
    bool negative = false;
    ASSERT_TRUE(readAmount(u" \u00A0-.25\t", en, digits, negative));
    EXPECT_EQ(digits, "0.25");
    EXPECT_TRUE(negative);
    ASSERT_TRUE(readAmount(u"\u22127", en, digits, negative)); // the minus sign U+2212
    EXPECT_EQ(digits, "7");
    EXPECT_TRUE(negative);
    ASSERT_TRUE(readAmount(u"5.", en, digits, negative));
    EXPECT_EQ(digits, "5");
    for (std::u16string_view text : {u"", u"   ", u"-", u".", u"-.", u"--5", u"5-", u"(5)", u"$5",
                                     u"5%", u"NaN", u"1E5", u"0x10", u"1.2.3", u"12abc", u"+-5"})
        EXPECT_FALSE(readAmount(text, en, digits, negative)) << toUtf8(text);
}

TEST(AmountReader, OtherScriptsAndEquivalentSeparators) {
    std::string digits;
    bool negative = false;
    // Arabic-Indic digits with the Arabic decimal and grouping marks, as ar-EG writes them.
    const NumberSymbols arabic{u"\u066B", u"\u066C"};
    ASSERT_TRUE(
        readAmount(u"\u0661\u066C\u0662\u0663\u0664\u066B\u0665", arabic, digits, negative));
    EXPECT_EQ(digits, "1234.5");
    // Fullwidth and Devanagari digits, mixed with ASCII ones.
    ASSERT_TRUE(readAmount(u"\uFF11\u0968"
                           u"3",
                           NumberSymbols{}, digits, negative));
    EXPECT_EQ(digits, "123");
    EXPECT_EQ(decimalDigit(u'\u0669'), 9);
    EXPECT_EQ(decimalDigit(u'\u066A'), -1); // the Arabic percent sign follows the digits
    EXPECT_EQ(decimalDigit(u'\u00B2'), -1); // a superscript two is no decimal digit
    // A space-grouping locale takes any of the spaces Intl writes; an apostrophe one both
    // apostrophes.
    const NumberSymbols french{u",", u"\u202F"};
    for (std::u16string_view text : {u"1 234 567,5", u"1\u00A0234\u202F567,5"}) {
        ASSERT_TRUE(readAmount(text, french, digits, negative)) << toUtf8(text);
        EXPECT_EQ(digits, "1234567.5");
    }
    const NumberSymbols swiss{u".", u"\u2019"};
    ASSERT_TRUE(readAmount(u"1'234\u2019567.5", swiss, digits, negative));
    EXPECT_EQ(digits, "1234567.5");
    // A point is neither French symbol.
    EXPECT_FALSE(readAmount(u"1.234", french, digits, negative));
}

TEST(DecimalRounding, HalvesGoUpAndCarryIntoNewDigits) {
    EXPECT_EQ(roundHalfUp("1.005", 2), "1.01");
    EXPECT_EQ(roundHalfUp("1.00499999", 2), "1.00");
    EXPECT_EQ(roundHalfUp("0.995", 2), "1.00");
    EXPECT_EQ(roundHalfUp("999999999999.995", 2), "1000000000000.00");
    EXPECT_EQ(roundHalfUp("2.5", 0), "3");
    EXPECT_EQ(roundHalfUp("9.5", 0), "10");
    EXPECT_EQ(roundHalfUp("2.4999", 0), "2");
    EXPECT_EQ(roundHalfUp("12345678901234567890.125", 2), "12345678901234567890.13");
    // Nothing to round.
    EXPECT_EQ(roundHalfUp("1234", 2), "1234");
    EXPECT_EQ(roundHalfUp("1.5", 2), "1.5");
}

TEST(DecimalRounding, SinglesAreTakenAtTheirShortestDecimal) {
    EXPECT_EQ(shortestDecimal(1.005f), "1.005");
    EXPECT_EQ(shortestDecimal(-2.5f), "2.5");
    EXPECT_EQ(shortestDecimal(0.1f), "0.1");
    EXPECT_EQ(shortestDecimal(1e10f), "10000000000");
    EXPECT_EQ(shortestDecimal(1.25e-7f), "0.000000125");
    EXPECT_EQ(shortestDecimal(16777216.f), "16777216");
    EXPECT_EQ(shortestDecimal(0.f), "0");
    const float largest = std::numeric_limits<float>::max();
    EXPECT_EQ(std::strtof(shortestDecimal(largest).c_str(), nullptr), largest);
}

TEST(Grouping, ByThreesInTheLeadingDigits) {
    std::u16string text = u"1234567,89";
    groupByThrees(text, u".");
    EXPECT_EQ(toUtf8(text), "1.234.567,89");
    text = u"123.45";
    groupByThrees(text, u",");
    EXPECT_EQ(toUtf8(text), "123.45");
    text = u"1000";
    groupByThrees(text, u"\u202F");
    EXPECT_EQ(text, u"1\u202F000");
    text = u"\u0661\u0662\u0663\u0664";
    groupByThrees(text, u"\u066C");
    EXPECT_EQ(text, u"\u0661\u066C\u0662\u0663\u0664");
}

class WebFormat : public ::testing::Test {
protected:
    std::unique_ptr<WebTextServices> en = make("en-US");
};

TEST_F(WebFormat, PlacesIntlHasNoOptionFor) {
    ASSERT_TRUE(en);
    EXPECT_EQ(layOut(*en, Value(u".5"), u"#.00"), ".50");
    EXPECT_EQ(layOut(*en, Value(u"5"), u"0."), "5.");
    EXPECT_EQ(layOut(*en, Value(u"5"), u"#0#.00"), "05.00");
    EXPECT_EQ(layOut(*en, Value(u"1234"), u"000"), "1234");
    // More required integer places than Intl fills, and a grouped amount with them.
    EXPECT_EQ(layOut(*en, Value(u"7"), std::u16string(25, u'0')), std::string(24, '0') + "7");
    EXPECT_EQ(layOut(*en, Value(u"1234567"), u"#,#0"), "1,234,567");
    EXPECT_EQ(layOut(*en, Value(u"123"), u"#,##0"), "123");
}

TEST_F(WebFormat, SignIsAPlainMinusAndGoesWhenTheAmountRoundsToZero) {
    ASSERT_TRUE(en);
    EXPECT_EQ(layOut(*en, Value(u"-0.004"), u"0.00"), "0.00");
    EXPECT_EQ(layOut(*en, Value(u"-0.5"), u"0"), "-1");
    EXPECT_EQ(layOut(*en, Value(static_cast<std::int16_t>(-32768)), u"#,##0"), "-32,768");
    EXPECT_EQ(layOut(*en, Value(std::numeric_limits<std::int32_t>::min()), u"0"), "-2147483648");
    EXPECT_EQ(layOut(*en, Value(-2.675f), u"0.00"), "-2.68");
    auto sv = make("sv-SE");
    ASSERT_TRUE(sv);
    EXPECT_EQ(layOut(*sv, Value(u"-1234,5"), u"###,##0.00"), "-1\u00A0234,50");
}

TEST_F(WebFormat, RefusalsAndValuesThatAreNoNumbers) {
    ASSERT_TRUE(en);
    for (std::u16string_view pattern : {u"", u".", u",##0", u"#,##0,", u"0.0,0", u"$0.00", u"0%"})
        EXPECT_EQ(layOut(*en, Value(u"abc"), pattern), "<error 5>") << toUtf8(pattern);
    EXPECT_EQ(layOut(*en, Value::missing(), u"0.00"), "<error 13>");
    EXPECT_EQ(layOut(*en, Value(std::numeric_limits<float>::infinity()), u"0.00"), "<error 6>");
    EXPECT_EQ(layOut(*en, Value(std::nanf("")), u"0.00"), "<error 6>");
    EXPECT_EQ(layOut(*en, Value(u"  abc  "), u"0.00"), "  abc  ");
}

TEST_F(WebFormat, LongAmountsKeepEveryDigit) {
    ASSERT_TRUE(en);
    // Longer than the buffer a short answer lands in.
    const std::u16string sixty(60, u'7');
    EXPECT_EQ(layOut(*en, Value(sixty + u".5"), u"0.00"), std::string(60, '7') + ".50");
    EXPECT_EQ(layOut(*en, Value(sixty), u"#,##0"), [] {
        std::string grouped;
        for (int i = 0; i < 60; ++i)
            grouped += (i != 0 && i % 3 == 0) ? ",7" : "7";
        return grouped;
    }());
}

TEST(WebCase, OneCharacterStaysWithinTheCodePageLongTextsDoNot) {
    auto de = make("de-DE");
    ASSERT_TRUE(de);
    // Asked twice: the second answer comes from the remembered one.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(toUtf8(de->UCase(u"ß").value()), "ß");
        EXPECT_EQ(toUtf8(de->UCase(u"µ").value()), "µ");
        EXPECT_EQ(toUtf8(de->UCase(u"ä").value()), "Ä");
        EXPECT_EQ(toUtf8(de->LCase(u"Ä").value()), "ä");
    }
    EXPECT_EQ(toUtf8(de->UCase(u"straße").value()), "STRASSE");
    // A lone surrogate crosses to the page and back unchanged.
    EXPECT_EQ(de->UCase(u"a\xD800"
                        u"b")
                  .value(),
              u"A\xD800"
              u"B");
    // Longer than the buffer a typed key's answer lands in.
    std::u16string lower, upper;
    for (int i = 0; i < 50; ++i) {
        lower += u"ação ";
        upper += u"AÇÃO ";
    }
    EXPECT_EQ(de->UCase(lower).value(), upper);
    EXPECT_EQ(de->LCase(upper).value(), lower);
}

TEST(WebTime, ClockTextHasPlainSpaces) {
    auto en = make("en-US");
    ASSERT_TRUE(en);
    EXPECT_EQ(toUtf8(en->TimeText(TimeOfDay{43201}).value()), "12:00:01 PM");
    EXPECT_EQ(toUtf8(en->TimeText(TimeOfDay{0}).value()), "12:00:00 AM");
}

} // namespace
} // namespace tessivra::webruntime
