#include "runtime/icu/text_services.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <stdexcept>

namespace tessivra::icuruntime {

struct IcuTextServices::TimeFormatter {
    std::unique_ptr<icu::DateFormat> format;
};

IcuTextServices::IcuTextServices(TextSettings settings)
    : settings_(std::move(settings)), numberFormat_(settings_.locale) {
    // The code page is read once into tables, so that converting a typed key costs no lookup
    // in ICU and no allocation.
    UErrorCode status = U_ZERO_ERROR;
    charToByte_.assign(0x10000, NoByte);
    UConverter* cnv = ucnv_open(settings_.codePage.c_str(), &status);
    if (U_FAILURE(status)) throw std::runtime_error("unknown code page " + settings_.codePage);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        UChar out[4];
        UErrorCode s = U_ZERO_ERROR;
        ucnv_reset(cnv);
        int32_t n = ucnv_toUChars(cnv, out, 4, &in, 1, &s);
        if (U_SUCCESS(s) && n == 1) {
            byteToChar_[b] = out[0];
            byteDefined_[b] = true;
            // The first byte to give a character is the one that character is written as.
            if (charToByte_[out[0]] == NoByte) charToByte_[out[0]] = static_cast<std::uint16_t>(b);
        }
    }
    ucnv_close(cnv);

    timeFormatter_ = std::make_unique<TimeFormatter>();
    timeFormatter_->format.reset(icu::DateFormat::createTimeInstance(
        icu::DateFormat::kMedium, icu::Locale::forLanguageTag(settings_.locale, status)));
    timeFormatter_->format->adoptTimeZone(icu::TimeZone::createTimeZone("UTC"));
}

IcuTextServices::~IcuTextServices() = default;

ErrorOr<std::u16string> IcuTextServices::convertCase(std::u16string_view s, bool upper) {
    auto& cache = upper ? upperOne_ : lowerOne_;
    // A typed key is one character: the stack buffer covers it and anything short, so the
    // keystroke path does not allocate.
    UChar buffer[32];
    UErrorCode status = U_ZERO_ERROR;
    const char* locale = settings_.locale.c_str();
    auto src = reinterpret_cast<const UChar*>(s.data());
    auto len = static_cast<int32_t>(s.size());
    int32_t n = upper ? u_strToUpper(buffer, 32, src, len, locale, &status)
                      : u_strToLower(buffer, 32, src, len, locale, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        std::u16string out(static_cast<std::size_t>(n), u'\0');
        status = U_ZERO_ERROR;
        auto dst = reinterpret_cast<UChar*>(out.data());
        upper ? u_strToUpper(dst, n, src, len, locale, &status)
              : u_strToLower(dst, n, src, len, locale, &status);
        return out;
    }
    if (U_FAILURE(status)) return Error::invalidProcedureCall();
    if (s.size() == 1) {
        // One character turns into one character. A case form that is not exactly one
        // character of the code page (ß's "SS", µ's Greek capital in windows-1252) is no case
        // form within the system's character set, so the character stays as it is rather than
        // losing a letter or becoming "?".
        const char16_t one = n == 1 && charToByte_[buffer[0]] != NoByte ? buffer[0] : s[0];
        if (cache.empty()) cache.assign(0x10000, 0);
        cache[s[0]] = one;
        return std::u16string(1, one);
    }
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(n));
}

// The week settings play no part in the numeric patterns the controls use.
ErrorOr<std::u16string> IcuTextServices::Format(const Value& expression,
                                                std::u16string_view pattern, std::int32_t,
                                                std::int32_t) {
    return numberFormat_.format(expression, pattern);
}

ErrorOr<std::u16string> IcuTextServices::CStr(std::int16_t v) {
    char buf[8];
    int n = std::snprintf(buf, sizeof buf, "%d", v);
    return std::u16string(buf, buf + n);
}

ErrorOr<std::int32_t> IcuTextServices::InStr(std::u16string_view text, std::u16string_view find) {
    auto pos = text.find(find);
    return pos == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(pos) + 1;
}

ErrorOr<std::u16string> IcuTextServices::TimeText(TimeOfDay t) {
    icu::UnicodeString out;
    timeFormatter_->format->format(static_cast<UDate>(t.seconds) * 1000.0, out);
    std::u16string text(out.getBuffer(), static_cast<std::size_t>(out.length()));
    // ICU puts no-break spaces where the system's time format has plain ones ("12:00:01 PM"),
    // and the code page has no narrow no-break space at all; a caption compared with or saved
    // as the system's text must match it.
    for (char16_t& c : text)
        if (c == u'\u202F' || c == u'\u00A0') c = u' ';
    return text;
}

ErrorOr<std::string> IcuTextServices::StrConvFromUnicode(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out.push_back(static_cast<char>(toCodePage(c)));
    return out;
}

} // namespace tessivra::icuruntime
