#include "framework/host/number_pattern.h"

namespace tessivra {

namespace {
bool isPlace(char16_t c) {
    return c == u'#' || c == u'0';
}
} // namespace

ErrorOr<DigitPlaces> readDigitPlaces(std::u16string_view pattern) {
    const auto point = pattern.find(u'.');
    const auto integer = pattern.substr(0, point);
    const auto fraction =
        point == std::u16string_view::npos ? std::u16string_view() : pattern.substr(point + 1);
    DigitPlaces places;
    bool anyPlace = false;
    bool required = false;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        const char16_t c = integer[i];
        if (c == u',') {
            // A comma that does not stand between two places (leading, trailing, doubled)
            // divides the amount by a thousand in the format strings this syntax follows;
            // refusing it beats grouping where the caller meant scaling.
            if (i == 0 || i + 1 == integer.size() || !isPlace(integer[i - 1]) ||
                !isPlace(integer[i + 1]))
                return Error::invalidProcedureCall();
            places.grouped = true;
        } else if (isPlace(c)) {
            anyPlace = true;
            // Every place from the first required one to the decimal symbol is filled, so
            // "#0#" asks for two digits at least.
            required = required || c == u'0';
            if (required) ++places.minInteger;
        } else {
            return Error::invalidProcedureCall();
        }
    }
    for (const char16_t c : fraction) {
        if (!isPlace(c)) // a second decimal symbol, a comma or any literal
            return Error::invalidProcedureCall();
        anyPlace = true;
        ++places.maxFraction;
        if (c == u'0') places.minFraction = places.maxFraction;
    }
    if (!anyPlace) return Error::invalidProcedureCall();
    places.pointAlways = point != std::u16string_view::npos && places.maxFraction == 0;
    return places;
}

} // namespace tessivra
