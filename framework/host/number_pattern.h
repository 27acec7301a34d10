#pragma once
// The patterns of digit places a runtime's Format takes ("###,###,###,##0.00"), read into what
// they ask for. Every runtime reads them alike, whatever library lays out the digits.

#include "framework/host/error.h"

#include <cstdint>
#include <string_view>

namespace tessivra {

struct DigitPlaces {
    std::int32_t minInteger = 0;  // integer digits always written, zero-filled
    std::int32_t minFraction = 0; // decimals always written
    std::int32_t maxFraction = 0; // decimals at most: the amount is rounded to these
    bool grouped = false;         // the locale's grouping separator every three integer digits
    bool pointAlways = false;     // "0." shows the decimal symbol with no decimals after it
};

// `#` is an optional digit, `0` a required one, at most one `.` the decimal symbol, and `,`
// between two integer places asks for grouping. Anything else (a literal, a leading, trailing or
// doubled comma, a comma among the decimals, no place at all) is an invalid procedure call.
ErrorOr<DigitPlaces> readDigitPlaces(std::u16string_view pattern);

} // namespace tessivra
