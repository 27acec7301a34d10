#include "runtime/icu/number_format.h"

#include "framework/host/number_pattern.h"

#include <unicode/decimfmt.h>
#include <unicode/formattedvalue.h>
#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/numfmt.h>
#include <unicode/uchar.h>
#include <unicode/unumberformatter.h>
#include <unicode/utf16.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tessivra::icuruntime {

namespace {

// Patterns a caller has used, each compiled once. Callers use a handful; the bound only keeps a
// caller that builds patterns on the fly from growing the list without end.
constexpr std::size_t kMaxLayouts = 16;

constexpr auto kMaxIcuLength = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

// One compiled pattern. The settings go through a skeleton into ICU's C formatter because only
// that one writes into a result object the caller can reuse; the C++ formatter allocates a new
// result on every call.
struct Layout {
    std::u16string pattern;
    icu::LocalUNumberFormatterPointer formatter;
};

ErrorOr<std::unique_ptr<Layout>> compile(const icu::Locale& locale, std::u16string_view pattern) {
    const DigitPlaces places = TRY(readDigitPlaces(pattern));
    namespace number = icu::number;
    UErrorCode status = U_ZERO_ERROR;
    // The amount arrives without its sign (see format), so the rounding mode only has to round
    // halves up; the minus sign is ours to write.
    const icu::UnicodeString skeleton =
        number::NumberFormatter::withLocale(locale)
            .precision(number::Precision::minMaxFraction(places.minFraction, places.maxFraction))
            .integerWidth(number::IntegerWidth::zeroFillTo(places.minInteger))
            .grouping(places.grouped ? UNUM_GROUPING_THOUSANDS : UNUM_GROUPING_OFF)
            .decimal(places.pointAlways ? UNUM_DECIMAL_SEPARATOR_ALWAYS
                                        : UNUM_DECIMAL_SEPARATOR_AUTO)
            .roundingMode(UNUM_ROUND_HALFUP)
            .toSkeleton(status);
    if (U_FAILURE(status)) // more places than ICU supports
        return Error::invalidProcedureCall();
    auto layout = std::make_unique<Layout>();
    layout->pattern = pattern;
    layout->formatter.adoptInstead(unumf_openForSkeletonAndLocale(
        skeleton.getBuffer(), skeleton.length(), locale.getName(), &status));
    if (U_FAILURE(status)) return Error::invalidProcedureCall();
    return layout;
}

std::u16string_view trimWhiteSpace(std::u16string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        UChar32 c;
        U16_NEXT(text.data(), next, text.size(), c);
        if (!u_isUWhiteSpace(c)) break;
        begin = next;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t previous = end;
        UChar32 c;
        U16_PREV(text.data(), begin, previous, c);
        if (!u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return text.substr(begin, end - begin);
}

bool hasNonZeroDigit(const char16_t* text, std::int32_t length) {
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(text, i, length, c);
        if (u_charDigitValue(c) > 0) return true;
    }
    return false;
}

// The value of a decimal digit of any script in the basic plane, or -1. ASCII digits, the
// common case, are answered without asking ICU.
int decimalDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c < 0x80 || U16_IS_SURROGATE(c)) return -1;
    return u_charType(c) == U_DECIMAL_DIGIT_NUMBER ? u_charDigitValue(c) : -1;
}

// A symbol the plain reader may compare one code unit against, or 0 when it cannot.
char16_t singleUnitSymbol(const icu::UnicodeString& symbol) {
    if (symbol.length() != 1) return 0;
    const char16_t c = symbol.charAt(0);
    if (U16_IS_SURROGATE(c) || u_isdigit(c) || c == u'-' || c == u'+') return 0;
    return c;
}

} // namespace

struct NumberFormat::Impl {
    icu::Locale locale;
    // Set when ICU could not build the reader or the result; every call then fails.
    bool broken = false;

    // ICU's general reader, for texts the plain reader leaves: other digits (Arabic-Indic...),
    // other minus signs, separators the locale treats as equivalent to its own.
    std::unique_ptr<icu::DecimalFormat> reader;
    char16_t decimalSymbol = 0;
    char16_t groupingSymbol = 0; // 0 unless the locale groups by threes

    std::vector<std::unique_ptr<Layout>> layouts;
    icu::LocalUFormattedNumberPointer result;

    // The amount being laid out, as a decimal number without its sign ("1234.50"). Kept across
    // calls so that reading an amount does not allocate once it has grown to size.
    std::string digits;

    explicit Impl(std::string_view localeName);
    bool read(std::u16string_view text, bool& negative);
    bool readPlain(std::u16string_view text, bool& negative);
    bool readWithIcu(std::u16string_view text, bool& negative);
    void takeDecimal(std::string_view decimal, bool& negative);
    ErrorOr<Layout*> layoutFor(std::u16string_view pattern);
};

NumberFormat::Impl::Impl(std::string_view localeName) {
    const std::string name(localeName);
    UErrorCode status = U_ZERO_ERROR;
    locale = icu::Locale::forLanguageTag(name, status);
    if (U_FAILURE(status) || locale.isBogus())
        locale = icu::Locale(name.c_str()); // an ICU locale id such as "pt_BR"

    status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> general(
        icu::NumberFormat::createInstance(locale, UNUM_DECIMAL, status));
    if (U_SUCCESS(status) && general &&
        general->getDynamicClassID() == icu::DecimalFormat::getStaticClassID())
        reader.reset(static_cast<icu::DecimalFormat*>(general.release()));
    result.adoptInstead(unumf_openResult(&status));
    if (U_FAILURE(status) || !reader || result.isNull()) {
        broken = true;
        return;
    }
    // An exponent would let a short text ask for millions of digits, and has no place in an
    // amount.
    reader->setParseNoExponent(true);

    const icu::DecimalFormatSymbols& symbols = *reader->getDecimalFormatSymbols();
    decimalSymbol = singleUnitSymbol(
        symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
    groupingSymbol = singleUnitSymbol(
        symbols.getConstSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
    // The plain reader takes groups of three in every locale, since that is what the display
    // layout writes even where the locale groups otherwise (India's 12,34,567); ICU's reader,
    // which checks groups against the locale's own sizes, takes the locale's own layout.
    if (groupingSymbol == decimalSymbol) groupingSymbol = 0;
}

bool NumberFormat::Impl::read(std::u16string_view text, bool& negative) {
    text = trimWhiteSpace(text);
    if (text.empty() || text.size() > kMaxIcuLength) return false;
    if (readPlain(text, negative)) return true;
    // ICU's reader takes no plus sign; the plain reader does, so one standing right before the
    // amount ("+12,34,567") is read the same way here.
    if (text.front() == u'+') {
        text.remove_prefix(1);
        if (text.empty() || (decimalDigit(text.front()) < 0 && text.front() != decimalSymbol))
            return false;
    }
    return readWithIcu(text, negative);
}

// The shape every text the layouts write has, read without ICU's general reader, which costs
// several times the layout itself: an optional ASCII minus or plus, decimal digits of any
// script (the locale's own, as the layouts write them, or ASCII) with the locale's grouping
// separator between groups of three, and the locale's decimal symbol followed by digits. Where
// ICU reads such a text it reads the same amount; anything else is left to ICU.
bool NumberFormat::Impl::readPlain(std::u16string_view text, bool& negative) {
    const char16_t* in = text.data();
    const char16_t* const end = in + text.size();
    negative = *in == u'-';
    if (negative || *in == u'+') ++in;
    // Written through a pointer into room made beforehand: one character per text unit at
    // most, plus the "0" that ".5" gains.
    digits.resize(text.size() + 1);
    char* const first = digits.data();
    char* out = first;
    std::size_t run = 0; // digits since the start or the last grouping separator
    bool grouped = false;
    for (; in != end; ++in) {
        const char16_t c = *in;
        if (const int digit = decimalDigit(c); digit >= 0) {
            *out++ = static_cast<char>('0' + digit);
            ++run;
        } else if (groupingSymbol != 0 && c == groupingSymbol) {
            if (run == 0 || run > 3 || (grouped && run != 3)) return false;
            grouped = true;
            run = 0;
        } else if (decimalSymbol != 0 && c == decimalSymbol) {
            break;
        } else {
            return false;
        }
    }
    if (grouped && run != 3) return false;
    const bool integerDigits = out != first;
    if (in != end) {
        if (!integerDigits) *out++ = '0';
        char* const point = out;
        *out++ = '.';
        for (++in; in != end; ++in) {
            const int digit = decimalDigit(*in);
            if (digit < 0) return false;
            *out++ = static_cast<char>('0' + digit);
        }
        if (out == point + 1) { // "5." reads as 5; a lone "." as nothing
            if (!integerDigits) return false;
            out = point;
        }
    } else if (!integerDigits) {
        return false;
    }
    digits.resize(static_cast<std::size_t>(out - first));
    return true;
}

bool NumberFormat::Impl::readWithIcu(std::u16string_view text, bool& negative) {
    // A read-only alias: the text is not copied.
    const icu::UnicodeString alias(false, text.data(), static_cast<std::int32_t>(text.size()));
    // A fresh result each time: a reused Formattable can hand back the decimal text cached for
    // the amount read before.
    icu::Formattable parsed;
    icu::ParsePosition position(0);
    reader->parse(alias, parsed, position);
    if (position.getIndex() != alias.length()) // "12abc", "12/03/2024": only a prefix reads
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::StringPiece decimal = parsed.getDecimalNumber(status);
    if (U_FAILURE(status)) return false;
    std::string_view number(decimal.data(), static_cast<std::size_t>(decimal.size()));
    negative = !number.empty() && number.front() == '-';
    if (negative) number.remove_prefix(1);
    // ICU also reads "NaN" and the infinity sign; neither is an amount.
    if (number.empty() ||
        !(number.front() == '.' || (number.front() >= '0' && number.front() <= '9')))
        return false;
    digits.assign(number);
    return true;
}

void NumberFormat::Impl::takeDecimal(std::string_view decimal, bool& negative) {
    negative = !decimal.empty() && decimal.front() == '-';
    if (negative) decimal.remove_prefix(1);
    digits.assign(decimal);
}

ErrorOr<Layout*> NumberFormat::Impl::layoutFor(std::u16string_view pattern) {
    for (const auto& layout : layouts)
        if (layout->pattern.size() == pattern.size() &&
            std::memcmp(layout->pattern.data(), pattern.data(),
                        pattern.size() * sizeof(char16_t)) == 0)
            return layout.get();
    auto layout = TRY(compile(locale, pattern));
    if (layouts.size() == kMaxLayouts) layouts.erase(layouts.begin());
    layouts.push_back(std::move(layout));
    return layouts.back().get();
}

NumberFormat::NumberFormat(std::string_view locale) : impl_(std::make_unique<Impl>(locale)) {}
NumberFormat::~NumberFormat() = default;
NumberFormat::NumberFormat(NumberFormat&&) noexcept = default;
NumberFormat& NumberFormat::operator=(NumberFormat&&) noexcept = default;

ErrorOr<std::u16string> NumberFormat::format(const Value& expression, std::u16string_view pattern) {
    Impl& d = *impl_;
    if (d.broken) return Error::invalidProcedureCall();
    // The pattern first: a pattern this function cannot lay out is the caller's mistake whatever
    // the value.
    Layout* layout = TRY(d.layoutFor(pattern));

    bool negative = false;
    char buffer[64];
    switch (expression.type()) {
    case ValueType::String:
        if (!d.read(expression.string(), negative))
            return expression.string(); // the caller assigns whatever comes back
        break;
    case ValueType::Empty:
        return std::u16string();
    case ValueType::I2:
    case ValueType::I4:
    case ValueType::Bool: {
        const std::int32_t integer = expression.type() == ValueType::I2   ? expression.i2()
                                     : expression.type() == ValueType::I4 ? expression.i4()
                                     : expression.boolean()               ? -1
                                                                          : 0;
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, integer).ptr;
        d.takeDecimal(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), negative);
        break;
    }
    case ValueType::R4: {
        const float single = expression.r4();
        if (!std::isfinite(single)) return Error::overflow();
        // The shortest decimal that reads back as the same Single: 1.005 stays 1.005 rather
        // than becoming the 1.00499999523 the binary value holds, as the user typed it.
        const auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed);
        if (error != std::errc()) return Error::overflow();
        d.takeDecimal(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), negative);
        break;
    }
    default:
        return Error::typeMismatch();
    }

    UErrorCode status = U_ZERO_ERROR;
    unumf_formatDecimal(layout->formatter.getAlias(), d.digits.data(),
                        static_cast<std::int32_t>(d.digits.size()), d.result.getAlias(), &status);
    std::int32_t length = 0;
    const char16_t* text =
        ufmtval_getString(unumf_resultAsValue(d.result.getAlias(), &status), &length, &status);
    if (U_FAILURE(status)) return Error::overflow();

    // The amount was laid out without its sign, so the locale's minus sign (U+2212 in Swedish,
    // with a direction mark in Arabic) never appears; a plain "-" goes in front instead, and not
    // at all when the amount rounded to zero.
    const bool minus = negative && hasNonZeroDigit(text, length);
    std::u16string out;
    out.reserve(static_cast<std::size_t>(length) + (minus ? 1 : 0));
    if (minus) out.push_back(u'-');
    out.append(text, static_cast<std::size_t>(length));
    return out;
}

} // namespace tessivra::icuruntime
