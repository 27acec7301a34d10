#pragma once
// The parts of the number layout that the browser's Intl.NumberFormat does not do the way the
// controls need: reading an amount typed in the locale's symbols into a plain decimal string,
// the pattern of digit places, grouping by threes, and rounding a decimal string for an engine
// whose Intl rounds through binary floating point. Plain C++, so the rules are tested apart from
// any browser.

#include "framework/host/error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessivra::webruntime {

// The locale's decimal symbol and grouping separator, as Intl writes them.
struct NumberSymbols {
    std::u16string decimal = u".";
    std::u16string group = u",";
};

// What a pattern such as "###,###,###,##0.00" asks for: `#` an optional digit, `0` a required
// one, at most one `.` and `,` between integer places. Anything else is an invalid procedure
// call, as is a comma that does not stand between two places (it would scale, not group).
struct Places {
    std::int32_t minInteger = 0;
    std::int32_t minFraction = 0;
    std::int32_t maxFraction = 0;
    bool grouped = false;
    bool pointAlways = false; // "0." shows the decimal symbol with no decimals after it
};
ErrorOr<Places> readPattern(std::u16string_view pattern);

// The value of a decimal digit of any script in the basic plane, or -1.
int decimalDigit(char16_t c);

// Reads `text` as an amount: white space trimmed at both ends, an optional "-", "+" or U+2212
// minus, decimal digits of any script with the locale's grouping separator between groups of
// three, and the locale's decimal symbol followed by digits (".5" and "5." read). Where the
// locale groups with a space, any of the spaces Intl uses for it reads as one; where it groups
// with an apostrophe, both apostrophes do. On success `digits` holds the amount without its sign
// as ASCII ("1234.5", "0.5").
bool readAmount(std::u16string_view text, const NumberSymbols& symbols, std::string& digits,
                bool& negative);

// Rounds an unsigned decimal string ("1234.565") to `places` decimals, halves up, keeping every
// integer digit: "0.995" to 2 places is "1.00".
std::string roundHalfUp(std::string_view digits, std::int32_t places);

// The shortest decimal that reads back as the same Single, without sign or exponent: 1.005f is
// "1.005" (as the user typed it) rather than the 1.00499999523 the binary value holds, 1e10f is
// "10000000000". The value must be finite.
std::string shortestDecimal(float value);

// Puts `group` between every three integer digits of `text`, the integer digits being the run
// of decimal digits it starts with.
void groupByThrees(std::u16string& text, std::u16string_view group);

// True when the text holds a decimal digit other than zero.
bool hasNonZeroDigit(std::u16string_view text);

} // namespace tessivra::webruntime
