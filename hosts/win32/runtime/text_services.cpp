#include "hosts/win32/runtime/text_services.h"

#include "framework/host/number_pattern.h"

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <oleauto.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace tessivra::win32runtime {

namespace {

const wchar_t* wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::string narrow(std::u16string_view s) {
    return toUtf8(s);
}

// A locale's symbol (LOCALE_SDECIMAL, LOCALE_STHOUSAND) as a string GetNumberFormatEx takes.
std::wstring localeSymbol(const std::u16string& locale, LCTYPE type) {
    wchar_t buffer[16] = {};
    const int n = GetLocaleInfoEx(wide(locale), type, buffer, 16);
    return n > 1 ? std::wstring(buffer, static_cast<std::size_t>(n - 1)) : std::wstring();
}

// What the automation parser accepts as an amount: white space around it, a leading sign, the
// locale's grouping separators and its decimal symbol. No exponent, currency symbol,
// parentheses or hexadecimal: "1e5", "$5" and "&H10" are not amounts here.
constexpr ULONG kAmountShape = NUMPRS_LEADING_WHITE | NUMPRS_TRAILING_WHITE | NUMPRS_LEADING_PLUS |
                               NUMPRS_LEADING_MINUS | NUMPRS_THOUSANDS | NUMPRS_DECIMAL;

enum class Read { Amount, NotANumber, TooLarge };

// Grouping separators stand between groups of integer digits as a layout writes them: the last
// group before the point has `first` digits, each one before it `others`, and the leading one
// at most that many. "1,234,567" is an amount by threes, "1,23,456" by India's 3 then 2, "1,2,3"
// is neither, though the automation parser would take it as 123.
bool groupedAs(std::wstring_view text, std::wstring_view decimalSymbol,
               std::wstring_view groupSymbol, std::size_t first, std::size_t others) {
    if (groupSymbol.empty()) return true;
    const std::size_t point = decimalSymbol.empty() ? text.npos : text.find(decimalSymbol);
    const std::wstring_view integer = text.substr(0, point);
    if (integer.find(groupSymbol) == integer.npos) return true;
    // The digit runs between separators, left to right.
    std::vector<std::size_t> runs{0};
    for (std::size_t i = 0; i < integer.size();) {
        if (integer.substr(i, groupSymbol.size()) == groupSymbol) {
            runs.push_back(0);
            i += groupSymbol.size();
        } else {
            if (integer[i] >= L'0' && integer[i] <= L'9') ++runs.back();
            ++i;
        }
    }
    if (runs.back() != first) return false;
    for (std::size_t k = 1; k + 1 < runs.size(); ++k)
        if (runs[k] != others) return false;
    return runs.front() > 0 && runs.front() <= others;
}

// The locale's digit grouping (LOCALE_SGROUPING, "3;0" or "3;2;0") as the size of the last group
// and of the ones before it.
std::pair<std::size_t, std::size_t> localeGrouping(const std::u16string& locale) {
    wchar_t buffer[16] = {};
    const int n = GetLocaleInfoEx(reinterpret_cast<const wchar_t*>(locale.c_str()),
                                  LOCALE_SGROUPING, buffer, 16);
    std::size_t first = 3, others = 3;
    if (n > 1 && buffer[0] >= L'1' && buffer[0] <= L'9') {
        first = others = static_cast<std::size_t>(buffer[0] - L'0');
        if (buffer[1] == L';' && buffer[2] >= L'1' && buffer[2] <= L'9')
            others = static_cast<std::size_t>(buffer[2] - L'0');
    }
    return {first, others};
}

// The whole text read as an amount in the locale, or why not. Decimal digits of any script
// count as their values (FoldString), as a user may type them.
Read readAmount(std::u16string_view text, LCID lcid, std::wstring_view decimalSymbol,
                std::wstring_view groupSymbol, std::pair<std::size_t, std::size_t> grouping,
                DECIMAL& amount) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT32_MAX) / 2)
        return Read::NotANumber;
    std::wstring source(text.begin(), text.end()); // the parser wants a terminated string
    const auto length = static_cast<int>(source.size());
    if (source.find_first_not_of(L" \t0123456789+-.,") != std::wstring::npos) {
        // Folding digits keeps the length: one code unit for one.
        std::wstring folded(source.size(), L'\0');
        if (FoldStringW(MAP_FOLDDIGITS, source.c_str(), length, folded.data(), length) == length)
            source = std::move(folded);
    }
    // By threes, as the display layout writes amounts, or in the locale's own layout.
    if (!groupedAs(source, decimalSymbol, groupSymbol, 3, 3) &&
        !groupedAs(source, decimalSymbol, groupSymbol, grouping.first, grouping.second))
        return Read::NotANumber;
    std::vector<BYTE> digits(text.size() + 1);
    NUMPARSE parse{};
    parse.cDig = static_cast<INT>(digits.size());
    parse.dwInFlags = kAmountShape;
    if (FAILED(VarParseNumFromStr(source.data(), lcid, 0, &parse, digits.data())))
        return Read::NotANumber;
    // Only a prefix read ("12abc", "12/03/2024"): not an amount.
    if (parse.cchUsed != length) return Read::NotANumber;
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = VarNumFromParseNum(&parse, digits.data(), VTBIT_DECIMAL, &value);
    if (hr == DISP_E_OVERFLOW) return Read::TooLarge;
    if (FAILED(hr) || V_VT(&value) != VT_DECIMAL) return Read::NotANumber;
    amount = V_DECIMAL(&value);
    return Read::Amount;
}

// A decimal of `units` at `scale` places (5 at scale 3 is 0.005).
DECIMAL smallDecimal(ULONG units, int scale) {
    DECIMAL d{};
    d.scale = static_cast<BYTE>(scale);
    d.Lo32 = units;
    return d;
}

constexpr int kMaxScale = 28; // the decimal type's places

// Rounds a non-negative amount to `places` decimals, halves up. VarDecRound rounds halves to
// even; where that went down on an exact half, one unit of the last place is added back.
HRESULT roundHalfUp(const DECIMAL& amount, int places, DECIMAL& rounded) {
    if (places >= kMaxScale || amount.scale <= places) {
        rounded = amount; // nothing beyond the places to round away
        return S_OK;
    }
    DECIMAL in = amount;
    HRESULT hr = VarDecRound(&in, places, &rounded);
    if (FAILED(hr)) return hr;
    DECIMAL dropped;
    hr = VarDecSub(&in, &rounded, &dropped);
    if (FAILED(hr)) return hr;
    DECIMAL half = smallDecimal(5, places + 1);
    if (VarDecCmp(&dropped, &half) != VARCMP_EQ) return S_OK;
    DECIMAL unit = smallDecimal(1, places);
    DECIMAL down = rounded;
    return VarDecAdd(&down, &unit, &rounded);
}

// The plain digits of a non-negative decimal, "1234.50" ("." always, no grouping).
std::wstring plainDigits(const DECIMAL& amount) {
    DECIMAL in = amount;
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDec(&in, LOCALE_INVARIANT, 0, &text)) || !text) return {};
    std::wstring out(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

} // namespace

std::optional<std::uint32_t> codePageNumber(std::string_view name) {
    for (std::string_view prefix : {"windows-", "cp"})
        if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix) {
            name.remove_prefix(prefix.size());
            break;
        }
    std::uint32_t n = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), n);
    if (name.empty() || ec != std::errc() || end != name.data() + name.size() || n == 0 ||
        n > 65535)
        return std::nullopt;
    return n;
}

Win32TextServices::Win32TextServices(TextSettings settings) : settings_(std::move(settings)) {
    if (!IsValidLocaleName(wide(settings_.locale)))
        throw std::runtime_error("unknown locale " + narrow(settings_.locale));
    lcid_ = LocaleNameToLCID(wide(settings_.locale), 0);
    if (lcid_ == 0)
        throw std::runtime_error("no locale identifier for " + narrow(settings_.locale));
    decimalSymbol_ = localeSymbol(settings_.locale, LOCALE_SDECIMAL);
    groupSymbol_ = localeSymbol(settings_.locale, LOCALE_STHOUSAND);
    grouping_ = localeGrouping(settings_.locale);
    if (decimalSymbol_.empty()) decimalSymbol_ = L".";
    CPINFO info{};
    if (!GetCPInfo(settings_.codePage, &info) || info.MaxCharSize != 1)
        throw std::runtime_error("not a single-byte code page: " +
                                 std::to_string(settings_.codePage));

    // The code page is read once into tables, so that converting a typed key costs one look-up
    // and no call.
    charToByte_.assign(0x10000, NoByte);
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        wchar_t out[2];
        const int n = MultiByteToWideChar(settings_.codePage, MB_ERR_INVALID_CHARS, &in, 1, out, 2);
        // A byte the code page leaves undefined comes back as a private-use character in some
        // of Windows' tables rather than as an error; it stands for nothing either way.
        if (n != 1 || (out[0] >= 0xE000 && out[0] <= 0xF8FF)) continue;
        const auto c = static_cast<char16_t>(out[0]);
        byteToChar_[b] = c;
        byteDefined_[b] = true;
        // The first byte to give a character is the one that character is written as.
        if (charToByte_[c] == NoByte) charToByte_[c] = static_cast<std::uint16_t>(b);
    }
}

ErrorOr<std::u16string> Win32TextServices::mapCase(std::u16string_view s, bool upper) const {
    if (s.empty()) return std::u16string(); // the mapping refuses an empty source
    const DWORD flags = (upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE) | LCMAP_LINGUISTIC_CASING;
    const auto* src = reinterpret_cast<const wchar_t*>(s.data());
    const auto length = static_cast<int>(s.size());
    if (s.size() > static_cast<std::size_t>(INT32_MAX)) return Error::invalidProcedureCall();
    // A typed key is one character: the stack buffer covers it and anything short.
    wchar_t buffer[32];
    int n =
        LCMapStringEx(wide(settings_.locale), flags, src, length, buffer, 32, nullptr, nullptr, 0);
    if (n > 0) return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
    n = LCMapStringEx(wide(settings_.locale), flags, src, length, nullptr, 0, nullptr, nullptr, 0);
    if (n <= 0) return Error::invalidProcedureCall();
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    n = LCMapStringEx(wide(settings_.locale), flags, src, length,
                      reinterpret_cast<wchar_t*>(out.data()), n, nullptr, nullptr, 0);
    if (n <= 0) return Error::invalidProcedureCall();
    out.resize(static_cast<std::size_t>(n));
    return out;
}

ErrorOr<std::u16string> Win32TextServices::convertCase(std::u16string_view s, bool upper) {
    if (s.size() != 1) return mapCase(s, upper);
    auto& cache = upper ? upperOne_ : lowerOne_;
    if (!cache.empty() && cache[s[0]] != 0) return std::u16string(1, cache[s[0]]);
    const std::u16string mapped = TRY(mapCase(s, upper));
    // One character turns into one character. A case form that is not exactly one character of
    // the code page is no case form within the system's character set, so the character stays
    // as it is rather than losing a letter or becoming "?".
    const char16_t one = mapped.size() == 1 && charToByte_[mapped[0]] != NoByte ? mapped[0] : s[0];
    if (cache.empty()) cache.assign(0x10000, 0);
    cache[s[0]] = one;
    return std::u16string(1, one);
}

// The week settings play no part in the numeric patterns the controls use.
ErrorOr<std::u16string> Win32TextServices::Format(const Value& expression,
                                                  std::u16string_view pattern, std::int32_t,
                                                  std::int32_t) {
    // The pattern first: a pattern that cannot be laid out is the caller's mistake whatever the
    // value.
    const DigitPlaces places = TRY(readDigitPlaces(pattern));

    DECIMAL amount{};
    switch (expression.type()) {
    case ValueType::String:
        switch (readAmount(expression.string(), lcid_, decimalSymbol_, groupSymbol_, grouping_,
                           amount)) {
        case Read::Amount:
            break;
        case Read::NotANumber:
            return expression.string(); // the caller assigns whatever comes back
        case Read::TooLarge:
            return Error::overflow();
        }
        break;
    case ValueType::Empty:
        return std::u16string();
    case ValueType::I2:
    case ValueType::I4:
    case ValueType::Bool: {
        const LONG integer = expression.type() == ValueType::I2   ? expression.i2()
                             : expression.type() == ValueType::I4 ? expression.i4()
                             : expression.boolean()               ? -1
                                                                  : 0;
        if (FAILED(VarDecFromI4(integer, &amount))) return Error::overflow();
        break;
    }
    case ValueType::R4: {
        const float single = expression.r4();
        if (!std::isfinite(single)) return Error::overflow();
        // The shortest decimal that reads back as the same Single: 1.005 stays 1.005 rather
        // than becoming the 1.00499999523 the binary value holds, as the user typed it.
        char buffer[64];
        const auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed);
        if (error != std::errc()) return Error::overflow();
        const std::u16string text(buffer, end);
        if (readAmount(text, LOCALE_INVARIANT, L".", L",", {3, 3}, amount) != Read::Amount)
            return Error::overflow();
        break;
    }
    default:
        return Error::typeMismatch();
    }

    // Laid out without its sign: the minus is written here, and only on an amount that does
    // not round to zero.
    const bool negative = (amount.sign & DECIMAL_NEG) != 0;
    amount.sign = 0;
    DECIMAL rounded{};
    if (FAILED(roundHalfUp(amount, places.maxFraction, rounded))) return Error::overflow();
    std::wstring digits = plainDigits(rounded);
    if (digits.empty()) return Error::overflow();

    // Required integer places: the digits go in behind a leading 1, so that the layout keeps
    // their zeros and groups them; the 1 (and the separator after it) is taken off afterwards.
    const std::size_t point = digits.find(L'.');
    const std::size_t integerDigits = point == std::wstring::npos ? digits.size() : point;
    const bool padded =
        integerDigits < static_cast<std::size_t>(places.minInteger) && places.minInteger > 1;
    if (padded) digits.insert(0, L"1" + std::wstring(places.minInteger - integerDigits, L'0'));

    std::wstring& decimalSymbol = decimalSymbol_;
    std::wstring& groupSymbol = groupSymbol_;
    NUMBERFMTW layout{};
    layout.NumDigits = static_cast<UINT>(places.maxFraction);
    layout.LeadingZero = places.minInteger > 0 ? 1 : 0;
    layout.Grouping = places.grouped ? 3 : 0;
    layout.lpDecimalSep = decimalSymbol.data();
    layout.lpThousandSep = groupSymbol.data();
    layout.NegativeOrder = 1;
    // Room for any amount the decimal type holds, grouped, with up to 28 decimals; a longer
    // layout (many zero-filled places) asks for its size first.
    std::wstring text(96, L'\0');
    int n = GetNumberFormatEx(wide(settings_.locale), 0, digits.c_str(), &layout, text.data(),
                              static_cast<int>(text.size()));
    if (n <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        n = GetNumberFormatEx(wide(settings_.locale), 0, digits.c_str(), &layout, nullptr, 0);
        if (n > 0) {
            text.assign(static_cast<std::size_t>(n), L'\0');
            n = GetNumberFormatEx(wide(settings_.locale), 0, digits.c_str(), &layout, text.data(),
                                  n);
        }
    }
    if (n <= 0) return Error::invalidProcedureCall();
    text.resize(static_cast<std::size_t>(n - 1));

    if (padded) {
        text.erase(0, 1);
        if (places.grouped && places.minInteger % 3 == 0 && text.starts_with(groupSymbol))
            text.erase(0, groupSymbol.size());
    }
    // Optional decimal places ('#') drop their trailing zeros; the symbol goes with the last one
    // unless the pattern ends in it ("0.").
    if (places.maxFraction > places.minFraction) {
        std::size_t keep = text.size();
        int optional = places.maxFraction - places.minFraction;
        while (optional-- > 0 && keep > 0 && text[keep - 1] == L'0')
            --keep;
        text.resize(keep);
        if (places.minFraction == 0 && text.ends_with(decimalSymbol))
            text.resize(text.size() - decimalSymbol.size());
    }
    if (places.pointAlways) text += decimalSymbol;
    // An amount that rounds to zero with no required place still shows its zero.
    if (text.find_first_of(L"0123456789") == std::wstring::npos) text.insert(0, L"0");

    std::u16string out;
    const bool nonZero = text.find_first_of(L"123456789") != std::wstring::npos;
    if (negative && nonZero) out += u'-';
    out.append(text.begin(), text.end());
    return out;
}

ErrorOr<std::u16string> Win32TextServices::CStr(std::int16_t v) {
    char buf[8];
    const int n = std::snprintf(buf, sizeof buf, "%d", v);
    return std::u16string(buf, buf + n);
}

ErrorOr<std::int32_t> Win32TextServices::InStr(std::u16string_view text, std::u16string_view find) {
    const auto pos = text.find(find);
    return pos == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(pos) + 1;
}

ErrorOr<std::u16string> Win32TextServices::TimeText(TimeOfDay t) {
    // A time outside one day is the same time of another day.
    const std::int32_t seconds = ((t.seconds % 86400) + 86400) % 86400;
    SYSTEMTIME time{};
    time.wYear = 2000;
    time.wMonth = 1;
    time.wDay = 1;
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>(seconds / 60 % 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    wchar_t buffer[64];
    const int n = GetTimeFormatEx(wide(settings_.locale), 0, &time, nullptr, buffer, 64);
    if (n <= 0) return Error::invalidProcedureCall();
    std::u16string text(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(n - 1));
    // Newer locale data puts no-break spaces where the system's time format has always had plain
    // ones ("12:00:01 PM"), and the code page has no narrow no-break space at all; a caption
    // compared with or saved as the system's text must match it.
    for (char16_t& c : text)
        if (c == u'\u202F' || c == u'\u00A0') c = u' ';
    return text;
}

ErrorOr<std::string> Win32TextServices::StrConvFromUnicode(std::u16string_view s) {
    if (s.empty()) return std::string();
    if (s.size() > static_cast<std::size_t>(INT32_MAX / 2)) return Error::invalidProcedureCall();
    const auto* src = reinterpret_cast<const wchar_t*>(s.data());
    const auto length = static_cast<int>(s.size());
    // No best fit: a character the code page lacks is a question mark, not a look-alike
    // ("Ł" is not "L").
    const int n = WideCharToMultiByte(settings_.codePage, WC_NO_BEST_FIT_CHARS, src, length,
                                      nullptr, 0, "?", nullptr);
    if (n <= 0) return Error::invalidProcedureCall();
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(settings_.codePage, WC_NO_BEST_FIT_CHARS, src, length, out.data(), n,
                            "?", nullptr) != n)
        return Error::invalidProcedureCall();
    return out;
}

} // namespace tessivra::win32runtime
