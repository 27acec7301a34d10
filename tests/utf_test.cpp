// The core's own UTF-8 and UTF-16 conversions. The core has no text library, so these are checked
// against ICU's, which the hosts use and which the conversions replaced: well-formed text in
// every length of sequence, and ill-formed text replaced the way ICU replaces it.

#include "framework/host/value.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

#include <random>

namespace tessivra {
namespace {

std::string icuToUtf8(std::u16string_view s) {
    std::string out;
    icu::UnicodeString(false, s.data(), static_cast<int32_t>(s.size())).toUTF8String(out);
    return out;
}

std::u16string icuFromUtf8(std::string_view s) {
    auto u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
    return std::u16string(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

TEST(Utf, WellFormedTextOfEveryLengthOfSequenceGoesBothWays) {
    const struct {
        std::u16string_view utf16;
        std::string_view utf8;
    } cases[] = {
        {u"", ""},
        {u"plain", "plain"},
        {std::u16string_view(u"a\0b", 3), std::string_view("a\0b", 3)},  // a NUL is a character
        {u"\u00E7\u00E3o", "\xC3\xA7\xC3\xA3o"},                         // two bytes
        {u"\u0800\u20AC\uFFFF", "\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF"}, // three
        {u"\U00010000\U0001F600\U0010FFFF",
         "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"}, // four, from a surrogate pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toUtf8(c.utf16), c.utf8);
        EXPECT_EQ(fromUtf8(c.utf8), c.utf16);
    }
}

TEST(Utf, LoneSurrogatesBecomeOneReplacementEach) {
    EXPECT_EQ(toUtf8(u"a\xD800"), "a\xEF\xBF\xBD");                 // high at the end
    EXPECT_EQ(toUtf8(u"\xDC00z"), "\xEF\xBF\xBDz");                 // low alone
    EXPECT_EQ(toUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // a pair the wrong way
    EXPECT_EQ(toUtf8(u"\xD800\xD800\xDC00"), "\xEF\xBF\xBD\xF0\x90\x80\x80");
}

TEST(Utf, EachMaximalPartOfAnIllFormedSequenceIsOneReplacement) {
    const struct {
        std::string_view utf8;
        std::u16string_view utf16;
    } cases[] = {
        {"\x80", u"\uFFFD"},                               // a continuation byte alone
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong lead: never a sequence
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},                     // bytes that never occur
        {"\xE2\x82", u"\uFFFD"},                           // cut short at the end
        {"\xE2\x82"
         "A",
         u"\uFFFDA"},                              // cut short by a new character
        {"\xF0\x9F\x98\xC3\xA7", u"\uFFFD\u00E7"}, // cut short by a new sequence
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromUtf8(c.utf8), c.utf16) << ::testing::PrintToString(c.utf8);
}

TEST(Utf, AgreesWithIcuOnRandomBytesAndCodeUnits) {
    std::mt19937 random(20261208);
    // Bytes weighted towards the lead and continuation ranges, where the decisions are.
    std::uniform_int_distribution<int> byte(0, 255), length(0, 12);
    const std::array<int, 12> interesting{0x80, 0xBF, 0xC2, 0xDF, 0xE0, 0xED,
                                          0xEF, 0xF0, 0xF4, 0x9F, 0xA0, 0x8F};
    for (int i = 0; i < 20000; ++i) {
        std::string bytes;
        for (int n = length(random); n > 0; --n)
            bytes += static_cast<char>(
                byte(random) < 128
                    ? interesting[static_cast<std::size_t>(byte(random)) % interesting.size()]
                    : byte(random));
        ASSERT_EQ(fromUtf8(bytes), icuFromUtf8(bytes)) << ::testing::PrintToString(bytes);
    }
    std::uniform_int_distribution<int> unit(0, 7);
    const std::array<char16_t, 8> units{u'a',   0x00E9, 0x20AC, 0xD83D,
                                        0xDE00, 0xDBFF, 0xDC00, 0xFFFF};
    for (int i = 0; i < 20000; ++i) {
        std::u16string text;
        for (int n = length(random); n > 0; --n)
            text += units[static_cast<std::size_t>(unit(random))];
        ASSERT_EQ(toUtf8(text), icuToUtf8(text));
    }
}

} // namespace
} // namespace tessivra
