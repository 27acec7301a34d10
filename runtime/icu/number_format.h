#pragma once
// The runtime's number layout: reads a value as a number of one locale and writes it again after
// a pattern of digit places such as "###,###,###,##0.00". The amount is carried as decimal digits
// from the text to the result, never through a binary floating-point number, so 1.005 rounds to
// 1.01 and a twenty-digit amount keeps every digit.

#include "framework/host/error.h"
#include "framework/host/value.h"

#include <memory>
#include <string>
#include <string_view>

namespace tessivra::icuruntime {

class NumberFormat {
public:
    // `locale` is an ICU locale name or language tag ("en-US", "pt-BR", "ar-EG-u-nu-latn"); it
    // supplies the decimal symbol, the grouping separator and the digits, both for reading and
    // for writing.
    explicit NumberFormat(std::string_view locale);
    ~NumberFormat();
    NumberFormat(NumberFormat&&) noexcept;
    NumberFormat& operator=(NumberFormat&&) noexcept;
    NumberFormat(const NumberFormat&) = delete;
    NumberFormat& operator=(const NumberFormat&) = delete;

    // Lays out `expression` after `pattern`.
    //
    // The expression is usually a string. It reads as a number when, after trimming white space
    // at both ends, it is an optional minus or plus sign and digits with the locale's decimal
    // symbol and grouping separators between groups of three ("1,234.50" in en-US, "1.234,50"
    // in pt-BR, ".5", "-7", "+7"), in any locale and in ASCII or another script's decimal
    // digits, or a form ICU reads as the same in the locale (the locale's own grouping such as
    // India's "12,34,567", U+2212 for the minus, a plain space for French U+202F). So every text
    // this function writes reads back as the same amount. A string that does not read as a
    // number (empty, letters, "12abc", a date, a lone "-", an exponent, "NaN") comes back
    // unchanged, untrimmed. Integers and Booleans (True is -1) are numbers; a Single is taken
    // at its shortest decimal form (1.005 stays 1.005); Empty is the empty string; any other
    // type is a type mismatch.
    //
    // The pattern holds `#` (optional digit), `0` (required digit), at most one `.` (the locale's
    // decimal symbol) and `,` between integer places (the locale's grouping separator every three
    // integer digits; where the commas stand does not matter). Required places fill with zeros:
    // "0.00" writes .5 as 0.50. The places before the decimal symbol set no upper limit. The
    // amount is rounded to the pattern's decimal places with halves away from zero. A negative
    // amount is written with a leading ASCII "-", whatever minus sign the locale prefers; an
    // amount that rounds to zero has no sign. Any other pattern is an invalid procedure call;
    // an amount ICU cannot write (a Single that is not finite) is an overflow.
    //
    // Each pattern is compiled on first use and kept (the sixteen most recent). Not safe for use
    // from several threads at once; a moved-from object may only be assigned to or destroyed.
    ErrorOr<std::u16string> format(const Value& expression, std::u16string_view pattern);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tessivra::icuruntime
