// The runtime's number layout as the currency box uses it: reading a text in the locale, rounding
// to the pattern's decimals, writing the locale's symbols, and leaving non-numbers alone.

#include "runtime/icu/number_format.h"

#include <gtest/gtest.h>

#include <unicode/decimfmt.h>
#include <unicode/numberformatter.h>
#include <unicode/uchar.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>

namespace tessivra::icuruntime {
namespace {

constexpr std::u16string_view kEditing = u"###########0.00";
constexpr std::u16string_view kDisplay = u"###,###,###,##0.00";

// Results as UTF-8 so that a failure prints readably; an error prints as its code.
std::string layOut(NumberFormat& format, const Value& value, std::u16string_view pattern) {
    auto result = format.format(value, pattern);
    if (result.isError()) return "<error " + std::to_string(result.error().code) + ">";
    return toUtf8(result.value());
}

std::string edited(NumberFormat& format, std::u16string_view text) {
    return layOut(format, Value(text), kEditing);
}

std::string displayed(NumberFormat& format, std::u16string_view text) {
    return layOut(format, Value(text), kDisplay);
}

std::int32_t errorCode(NumberFormat& format, const Value& value, std::u16string_view pattern) {
    auto result = format.format(value, pattern);
    return result.isError() ? result.error().code : 0;
}

class EnglishLayouts : public ::testing::Test {
protected:
    NumberFormat format{"en-US"};
};

TEST_F(EnglishLayouts, AmountGetsExactlyTwoDecimalsInBothLayouts) {
    EXPECT_EQ(edited(format, u"1234.5"), "1234.50");
    EXPECT_EQ(displayed(format, u"1234.5"), "1,234.50");
    EXPECT_EQ(edited(format, u"0"), "0.00");
    EXPECT_EQ(displayed(format, u"0"), "0.00");
    EXPECT_EQ(edited(format, u"42"), "42.00");
    EXPECT_EQ(displayed(format, u"999"), "999.00");
    EXPECT_EQ(displayed(format, u"1000"), "1,000.00");
}

TEST_F(EnglishLayouts, RequiredPlaceGivesAnIntegerDigitBelowOne) {
    EXPECT_EQ(edited(format, u".5"), "0.50");
    EXPECT_EQ(displayed(format, u".5"), "0.50");
    EXPECT_EQ(edited(format, u"-.25"), "-0.25");
    EXPECT_EQ(edited(format, u"5."), "5.00");
}

TEST_F(EnglishLayouts, NegativeAmountKeepsALeadingMinus) {
    EXPECT_EQ(displayed(format, u"-1234.567"), "-1,234.57");
    EXPECT_EQ(edited(format, u"-1234.567"), "-1234.57");
    EXPECT_EQ(displayed(format, u"-1,234.567"), "-1,234.57");
}

TEST_F(EnglishLayouts, TwelveIntegerDigitsFillEachLayoutsLimitExactly) {
    EXPECT_EQ(displayed(format, u"999999999999.99"), "999,999,999,999.99");
    EXPECT_EQ(displayed(format, u"999999999999.99").size(), 18u);
    EXPECT_EQ(edited(format, u"999999999999.99"), "999999999999.99");
    EXPECT_EQ(edited(format, u"999999999999.99").size(), 15u);
    // The limits are the box's business: a negative twelve-digit amount is one longer.
    EXPECT_EQ(displayed(format, u"-999999999999.99"), "-999,999,999,999.99");
}

TEST_F(EnglishLayouts, IntegerPlacesSetNoUpperLimit) {
    EXPECT_EQ(displayed(format, u"1234567890123"), "1,234,567,890,123.00");
    EXPECT_EQ(displayed(format, u"12345678901234567890.125"), "12,345,678,901,234,567,890.13");
    EXPECT_EQ(edited(format, u"12345678901234567890.125"), "12345678901234567890.13");
    EXPECT_EQ(edited(format, u"-98765432109876543210.994"), "-98765432109876543210.99");
    // Far beyond any binary floating-point precision, every digit survives.
    const std::u16string sixty(60, u'7');
    EXPECT_EQ(edited(format, sixty + u".5"), std::string(60, '7') + ".50");
}

TEST_F(EnglishLayouts, DisplayLayoutReadsBackIntoEditingLayout) {
    EXPECT_EQ(edited(format, u"1,234.50"), "1234.50");
    EXPECT_EQ(edited(format, u"-1,234,567.89"), "-1234567.89");
    EXPECT_EQ(edited(format, u"999,999,999,999.99"), "999999999999.99");
    for (std::u16string_view amount : {u"0", u"1234.5", u"-1234.567", u".5", u"1000000",
                                       u"12345678901234567890.125", u"-0.015"}) {
        const std::string editing = edited(format, amount);
        const std::string display = displayed(format, amount);
        EXPECT_EQ(edited(format, fromUtf8(display)), editing) << toUtf8(amount);
        EXPECT_EQ(displayed(format, fromUtf8(editing)), display) << toUtf8(amount);
        EXPECT_EQ(edited(format, fromUtf8(editing)), editing) << toUtf8(amount);
    }
}

TEST_F(EnglishLayouts, BlanksAroundTheAmountAreIgnored) {
    EXPECT_EQ(edited(format, u"  1234.5"), "1234.50");
    EXPECT_EQ(edited(format, u"1234.5 \t"), "1234.50");
    EXPECT_EQ(displayed(format, u"\u00a0-7\u00a0"), "-7.00");
    // Inside the amount a blank is no grouping separator of this locale's own, yet ICU reads it
    // as an equivalent one.
    EXPECT_EQ(edited(format, u"1 234.5"), "1234.50");
}

TEST(Rounding, HalfCentGoesAwayFromZero) {
    NumberFormat format("en-US");
    EXPECT_EQ(edited(format, u"1.005"), "1.01"); // 1.00499999999999989... as a double
    EXPECT_EQ(edited(format, u"2.675"), "2.68"); // 2.67499999999999982... as a double
    EXPECT_EQ(edited(format, u"0.125"), "0.13");
    EXPECT_EQ(edited(format, u"-0.005"), "-0.01");
    EXPECT_EQ(edited(format, u"-2.675"), "-2.68");
    EXPECT_EQ(edited(format, u"1.00499999"), "1.00");
    EXPECT_EQ(edited(format, u"-1.00499999"), "-1.00");
}

TEST(Rounding, CarryRunsIntoNewIntegerDigitsAndGroups) {
    NumberFormat format("en-US");
    EXPECT_EQ(edited(format, u"0.995"), "1.00");
    EXPECT_EQ(displayed(format, u"999.995"), "1,000.00");
    EXPECT_EQ(displayed(format, u"999999999999.995"), "1,000,000,000,000.00");
    EXPECT_EQ(displayed(format, u"-999.995"), "-1,000.00");
}

TEST(Rounding, NegativeAmountThatRoundsToZeroHasNoSign) {
    NumberFormat format("en-US");
    EXPECT_EQ(edited(format, u"-0.004"), "0.00");
    EXPECT_EQ(edited(format, u"-0"), "0.00");
    EXPECT_EQ(displayed(format, u"-0.00"), "0.00");
    EXPECT_EQ(layOut(format, Value(u"-0.4"), u"0"), "0");
    EXPECT_EQ(layOut(format, Value(u"-0.5"), u"0"), "-1");
}

TEST(NonNumbers, ComeBackUnchanged) {
    NumberFormat format("en-US");
    for (std::u16string_view text :
         {u"",    u"abc",  u"12abc", u"abc12", u"12/03/2024", u"-",   u".",       u"-.",
          u"--5", u"5-",   u"(5)",   u"$5",    u"5%",         u"NaN", u"\u221e",  u"-\u221e",
          u"1E5", u"1e-5", u"0x10",  u"1.2.3", u"1 2 3",      u"   ", u"  abc  ", u"12:30"}) {
        EXPECT_EQ(edited(format, text), toUtf8(text)) << toUtf8(text);
        EXPECT_EQ(displayed(format, text), toUtf8(text)) << toUtf8(text);
    }
}

TEST(NonNumbers, MisplacedSeparatorsDoNotRead) {
    NumberFormat format("en-US");
    // Another locale's layout, and grouping separators not between groups of three.
    for (std::u16string_view text :
         {u"1.234,50", u"1,23.4", u"1,2,3", u"12,34,567", u"1,,234", u",123", u"1234,",
          u"1,234.5,6", u"1,.5", u"1234,567", u"12,3456", u"-,123"}) {
        EXPECT_EQ(edited(format, text), toUtf8(text)) << toUtf8(text);
    }
    EXPECT_EQ(edited(format, u"0,123"), "123.00"); // a well-formed group after a zero
}

TEST(Portuguese, CommaIsTheDecimalSymbolAndPointGroups) {
    NumberFormat format("pt-BR");
    EXPECT_EQ(displayed(format, u"1234,5"), "1.234,50");
    EXPECT_EQ(edited(format, u"1234,5"), "1234,50");
    EXPECT_EQ(edited(format, u"1.234,50"), "1234,50");
    EXPECT_EQ(displayed(format, u"-1234,567"), "-1.234,57");
    EXPECT_EQ(displayed(format, u"999999999999,99"), "999.999.999.999,99");
    EXPECT_EQ(edited(format, u",5"), "0,50");
    EXPECT_EQ(edited(format, u"1,005"), "1,01");
}

TEST(Portuguese, EnglishLayoutIsNotANumber) {
    NumberFormat format("pt-BR");
    // Read with a point as the grouping separator, neither is grouped by threes.
    EXPECT_EQ(edited(format, u"1234.5"), "1234.5");
    EXPECT_EQ(edited(format, u"1,234.50"), "1,234.50");
    EXPECT_EQ(edited(format, u"12.34"), "12.34");
}

TEST(OtherLocales, MinusIsAsciiWhereTheLocalePrefersAnother) {
    // Swedish and Finnish write U+2212; the box still gets a hyphen-minus, and reads either.
    for (const char* locale : {"sv-SE", "fi-FI"}) {
        NumberFormat format(locale);
        const std::string result = displayed(format, u"-1234,5");
        EXPECT_EQ(result, "-1\u00a0234,50") << locale;
        EXPECT_EQ(edited(format, u"\u22121234,5"), "-1234,50") << locale;
    }
    NumberFormat arabic("ar-EG");
    EXPECT_EQ(displayed(arabic, u"-1234\u066b5"),
              "-\u0661\u066c\u0662\u0663\u0664\u066b\u0665\u0660");
}

TEST(OtherLocales, GroupsOfThreeWhateverTheLocalesOwnGrouping) {
    NumberFormat indian("hi-IN");
    EXPECT_EQ(displayed(indian, u"1234567.5"), "1,234,567.50");
    EXPECT_EQ(edited(indian, u"12,34,567.5"), "1234567.50"); // the locale's own layout reads
    NumberFormat spanish("es-ES");                           // groups only five digits or more
    EXPECT_EQ(displayed(spanish, u"1234,5"), "1.234,50");
    NumberFormat swiss("de-CH");
    EXPECT_EQ(displayed(swiss, u"1234567.5"), "1\u2019234\u2019567.50");
    EXPECT_EQ(edited(swiss, u"1\u2019234.5"), "1234.50");
}

TEST(OtherLocales, EquivalentSymbolsAndDigitsRead) {
    NumberFormat french("fr-FR");
    EXPECT_EQ(displayed(french, u"1234,5"), "1\u202f234,50");
    EXPECT_EQ(edited(french, u"1 234,5"), "1234,50");      // a plain space for U+202F
    EXPECT_EQ(edited(french, u"1\u00a0234,5"), "1234,50"); // a no-break space
    NumberFormat english("en-US");
    EXPECT_EQ(edited(english, u"\u0663\u0664.5"), "34.50"); // Arabic-Indic digits
    NumberFormat arabic("ar-EG");
    EXPECT_EQ(edited(arabic, u"\u0661\u0662\u066b\u0665"), "\u0661\u0662\u066b\u0665\u0660");
}

TEST(OtherLocales, LocaleNameMaySelectDigitsOrUseIcuSpelling) {
    NumberFormat latinDigits("ar-EG-u-nu-latn");
    EXPECT_EQ(edited(latinDigits, u"12.5"), "12.50");
    NumberFormat underscore("pt_BR");
    EXPECT_EQ(displayed(underscore, u"1234,5"), "1.234,50");
}

// The plain reader and ICU's general one must read every text alike, or a text's layout would
// depend on which of them answered. ICU's reader and formatter, driven directly, are the
// reference for every short text over an alphabet of digits, separators, minus and blanks.
// Where the locale groups otherwise than by threes, a text grouped by threes, which the display
// layout writes, reads too: `threes` names a locale with the same symbols that groups by threes,
// whose ICU reader is the reference where the locale's own refuses.
void expectIcuReading(const char* locale, std::u16string_view alphabet,
                      const char* threes = nullptr) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale = icu::Locale::forLanguageTag(locale, status);
    std::unique_ptr<icu::NumberFormat> reader(
        icu::NumberFormat::createInstance(icuLocale, UNUM_DECIMAL, status));
    ASSERT_TRUE(U_SUCCESS(status));
    static_cast<icu::DecimalFormat*>(reader.get())->setParseNoExponent(true);
    std::unique_ptr<icu::NumberFormat> threesReader;
    if (threes) {
        threesReader.reset(icu::NumberFormat::createInstance(
            icu::Locale::forLanguageTag(threes, status), UNUM_DECIMAL, status));
        ASSERT_TRUE(U_SUCCESS(status));
        static_cast<icu::DecimalFormat*>(threesReader.get())->setParseNoExponent(true);
    }
    const auto writer = icu::number::NumberFormatter::withLocale(icuLocale)
                            .precision(icu::number::Precision::fixedFraction(2))
                            .roundingMode(UNUM_ROUND_HALFUP)
                            .grouping(UNUM_GROUPING_THOUSANDS)
                            .sign(UNUM_SIGN_NEGATIVE);
    auto reference = [&](const std::u16string& text) -> std::u16string {
        std::size_t first = 0;
        std::size_t end = text.size();
        while (first < end && u_isUWhiteSpace(text[first]))
            ++first;
        while (end > first && u_isUWhiteSpace(text[end - 1]))
            --end;
        if (first == end) return text;
        const icu::UnicodeString trimmed(text.data() + first,
                                         static_cast<std::int32_t>(end - first));
        icu::Formattable number;
        icu::ParsePosition position(0);
        reader->parse(trimmed, number, position);
        if (position.getIndex() != trimmed.length() && threesReader) {
            position = icu::ParsePosition(0);
            threesReader->parse(trimmed, number, position);
        }
        if (position.getIndex() != trimmed.length()) return text;
        UErrorCode error = U_ZERO_ERROR;
        const icu::UnicodeString out =
            writer.formatDecimal(number.getDecimalNumber(error), error).toString(error);
        return std::u16string(out.getBuffer(), static_cast<std::size_t>(out.length()));
    };

    NumberFormat format(locale);
    std::u16string text;
    int mismatches = 0;
    auto visit = [&](auto& self, std::size_t depth) -> void {
        auto ours = format.format(Value(text), kDisplay);
        ASSERT_FALSE(ours.isError());
        if (ours.value() != reference(text) && ++mismatches <= 10)
            ADD_FAILURE() << locale << " reads \"" << toUtf8(text) << "\" as "
                          << toUtf8(ours.value()) << ", ICU as " << toUtf8(reference(text));
        if (depth == 6) return;
        for (const char16_t c : alphabet) {
            text.push_back(c);
            self(self, depth + 1);
            text.pop_back();
        }
    };
    visit(visit, 0);
    EXPECT_EQ(mismatches, 0);
}

TEST(Reading, PlainReaderAgreesWithIcuEnglish) {
    expectIcuReading("en-US", u"015,.- ");
}
TEST(Reading, PlainReaderAgreesWithIcuPortuguese) {
    expectIcuReading("pt-BR", u"015,.- ");
}
TEST(Reading, PlainReaderAgreesWithIcuIndianGrouping) {
    expectIcuReading("hi-IN", u"015,.- ", "en-US");
}
// French groups with a narrow no-break space, itself white space, so the blanks trimmed at
// either end and the separators read inside meet.
TEST(Reading, PlainReaderAgreesWithIcuFrench) {
    expectIcuReading("fr-FR", u"05\u202f\u00a0,.-");
}

// Whatever either layout writes reads back, in the same locale, as the same amount, so that
// leaving and entering the currency box never strands its text in the display layout. Amounts
// of 1 to 20 integer digits, positive and negative, each with a half cent to round, over
// locales grouping by threes, India's way, with a decimal comma, an apostrophe, a narrow
// no-break space and their own digits. A leading plus reads as a sign.
TEST(Reading, EveryLayoutReadsBackAsTheSameAmountInEveryLocale) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> digit(0, 9);
    for (const char* locale : {"en-US", "en-IN", "hi-IN", "ta-IN", "bn-IN", "mr-IN", "pt-BR",
                               "de-DE", "de-CH", "fr-FR", "sv-SE", "es-ES", "ar-EG", "fa-IR"}) {
        NumberFormat format(locale);
        // The decimal symbol as the layouts write it, to build amounts in the locale.
        const std::u16string half = format.format(Value(0.5f), u"0.0").value();
        ASSERT_EQ(half.size(), 3u) << locale;
        const char16_t point = half[1];
        std::vector<std::u16string> amounts{u"0", u"-0" + std::u16string(1, point) + u"004",
                                            std::u16string(1, point) + u"005"};
        for (int length = 1; length <= 20; ++length)
            for (const bool negative : {false, true}) {
                std::u16string amount = negative ? u"-" : u"";
                amount += static_cast<char16_t>(u'1' + digit(random) % 9);
                for (int i = 1; i < length; ++i)
                    amount += static_cast<char16_t>(u'0' + digit(random));
                amount += point;
                amount += static_cast<char16_t>(u'0' + digit(random));
                amount += static_cast<char16_t>(u'0' + digit(random));
                amount += u'5';
                amounts.push_back(amount);
            }
        for (const std::u16string& amount : amounts) {
            const std::u16string editing = format.format(Value(amount), kEditing).value();
            const std::u16string display = format.format(Value(amount), kDisplay).value();
            const std::string where = std::string(locale) + " " + toUtf8(amount);
            ASSERT_NE(editing, amount) << where; // the amount itself was read
            for (const std::u16string& written : {editing, display}) {
                EXPECT_EQ(format.format(Value(written), kEditing).value(), editing)
                    << where << " from " << toUtf8(written);
                EXPECT_EQ(format.format(Value(written), kDisplay).value(), display)
                    << where << " from " << toUtf8(written);
                if (written.front() != u'-') {
                    EXPECT_EQ(format.format(Value(u"+" + written), kEditing).value(), editing)
                        << where << " from +" << toUtf8(written);
                }
            }
        }
    }
}

TEST(Reading, APlusSignReadsAndTheIndianLayoutsBothRead) {
    NumberFormat english("en-US");
    EXPECT_EQ(edited(english, u"+1,234.5"), "1234.50");
    EXPECT_EQ(edited(english, u" +7 "), "7.00");
    for (std::u16string_view text : {u"+", u"++5", u"+-5", u"-+5", u"5+", u"+ 5"})
        EXPECT_EQ(edited(english, text), toUtf8(text)) << toUtf8(text);
    NumberFormat indian("en-IN");
    EXPECT_EQ(edited(indian, u"123,456.50"), "123456.50");
    EXPECT_EQ(edited(indian, u"1,23,456.50"), "123456.50");
    EXPECT_EQ(displayed(indian, u"1,23,456.5"), "123,456.50");
    EXPECT_EQ(edited(indian, u"12,3456.50"), "12,3456.50"); // neither layout
}

TEST(NumberValues, ConvertAsAutomationDoes) {
    NumberFormat format("en-US");
    EXPECT_EQ(layOut(format, Value(std::int16_t{1234}), kDisplay), "1,234.00");
    EXPECT_EQ(layOut(format, Value(std::int16_t{-32768}), kDisplay), "-32,768.00");
    EXPECT_EQ(layOut(format, Value(std::int32_t{-2147483647 - 1}), kDisplay), "-2,147,483,648.00");
    EXPECT_EQ(layOut(format, Value::boolean(true), kEditing), "-1.00");
    EXPECT_EQ(layOut(format, Value::boolean(false), kEditing), "0.00");
    EXPECT_EQ(layOut(format, Value(), kDisplay), "");
}

TEST(NumberValues, SingleIsTakenAtItsShortestDecimal) {
    NumberFormat format("en-US");
    EXPECT_EQ(layOut(format, Value(1.005f), kEditing), "1.01");
    EXPECT_EQ(layOut(format, Value(0.1f), kEditing), "0.10");
    EXPECT_EQ(layOut(format, Value(16777216.0f), kDisplay), "16,777,216.00");
    EXPECT_EQ(layOut(format, Value(0.015f), kEditing), "0.02"); // 0.01499999966... in binary
    EXPECT_EQ(layOut(format, Value(-0.015f), kEditing), "-0.02");
    EXPECT_EQ(layOut(format, Value(-0.004f), kEditing), "0.00");
    EXPECT_EQ(layOut(format, Value(-0.0f), kEditing), "0.00");
    EXPECT_EQ(layOut(format, Value(1e-40f), kEditing), "0.00");
    EXPECT_EQ(errorCode(format, Value(std::numeric_limits<float>::quiet_NaN()), kEditing),
              errc::Overflow);
    EXPECT_EQ(errorCode(format, Value(std::numeric_limits<float>::infinity()), kEditing),
              errc::Overflow);
}

TEST(NumberValues, NonNumericTypesAreATypeMismatch) {
    NumberFormat format("en-US");
    EXPECT_EQ(errorCode(format, Value::nothing(), kEditing), errc::TypeMismatch);
    EXPECT_EQ(errorCode(format, Value::missing(), kEditing), errc::TypeMismatch);
    EXPECT_EQ(errorCode(format, Value(std::make_shared<Font>()), kEditing), errc::TypeMismatch);
}

TEST(Patterns, RequiredAndOptionalPlaces) {
    NumberFormat format("en-US");
    EXPECT_EQ(layOut(format, Value(u"2.5"), u"0"), "3");
    EXPECT_EQ(layOut(format, Value(u"-2.5"), u"0"), "-3");
    EXPECT_EQ(layOut(format, Value(u"5"), u"000"), "005");
    EXPECT_EQ(layOut(format, Value(u"1234"), u"000"), "1234");
    EXPECT_EQ(layOut(format, Value(u"5"), u"#0#.00"), "05.00");
    EXPECT_EQ(layOut(format, Value(u".5"), u"#.00"), ".50");
    EXPECT_EQ(layOut(format, Value(u"1"), u"0.0#"), "1.0");
    EXPECT_EQ(layOut(format, Value(u"1.555"), u"0.0#"), "1.56");
    EXPECT_EQ(layOut(format, Value(u"1.5"), u"0.##"), "1.5");
    EXPECT_EQ(layOut(format, Value(u"0.0005"), u"0.000"), "0.001");
    EXPECT_EQ(layOut(format, Value(u"5"), u"0."), "5.");
}

TEST(Patterns, AnyCommaBetweenIntegerPlacesGroupsByThrees) {
    NumberFormat format("en-US");
    EXPECT_EQ(layOut(format, Value(u"1234567"), u"#,#0"), "1,234,567");
    EXPECT_EQ(layOut(format, Value(u"1234567"), u"0,0.0"), "1,234,567.0");
    EXPECT_EQ(layOut(format, Value(u"1234567"), u"#,##,###0"), "1,234,567");
    EXPECT_EQ(layOut(format, Value(u"123"), u"#,##0"), "123");
}

TEST(Patterns, OthersAreAnInvalidProcedureCall) {
    NumberFormat format("en-US");
    for (std::u16string_view pattern :
         {u"", u".", u",", u"abc", u"0.0.0", u",##0", u"#,##0,", u"#,,##0", u"#,##0,.00", u"0.0,0",
          u"$0.00", u"0%", u"0.00;(0.00)", u"0 0", u"0.00E+00", u"\"x\"0"}) {
        auto result = format.format(Value(u"1234.5"), pattern);
        ASSERT_TRUE(result.isError()) << toUtf8(pattern);
        EXPECT_EQ(result.error(), Error::invalidProcedureCall()) << toUtf8(pattern);
        // The pattern is judged before the text, so a non-number does not hide the mistake.
        EXPECT_EQ(errorCode(format, Value(u"abc"), pattern), errc::InvalidProcedureCall);
    }
    // A refused pattern leaves the good ones working.
    EXPECT_EQ(displayed(format, u"1234.5"), "1,234.50");
}

TEST(Patterns, DecimalPlacesUpToIcusLimit) {
    NumberFormat format("en-US");
    const std::u16string most = u"0." + std::u16string(999, u'0');
    EXPECT_EQ(layOut(format, Value(u"1.5"), most), "1.5" + std::string(998, '0'));
    EXPECT_EQ(errorCode(format, Value(u"1.5"), most + u"0"), errc::InvalidProcedureCall);
}

TEST(Patterns, ManyPatternsInTurnEachKeepTheirOwnLayout) {
    // More distinct patterns than are kept compiled at once, each used repeatedly.
    NumberFormat format("en-US");
    for (int round = 0; round < 3; ++round) {
        for (std::size_t places = 0; places < 40; ++places) {
            const std::u16string pattern = u"#,##0." + std::u16string(places, u'0');
            const std::string expected =
                places == 0 ? "1,235." : "1,234.5" + std::string(places - 1, '0');
            EXPECT_EQ(layOut(format, Value(u"1234.5"), pattern), expected) << places;
        }
        EXPECT_EQ(displayed(format, u"1234.5"), "1,234.50");
        EXPECT_EQ(edited(format, u"1234.5"), "1234.50");
    }
}

} // namespace
} // namespace tessivra::icuruntime
