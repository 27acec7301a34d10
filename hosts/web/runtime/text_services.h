#pragma once
// The runtime's text services on the browser's own locale support: case conversion by
// toLocaleUpperCase/toLocaleLowerCase, the single-byte code page by TextDecoder, number layout by
// Intl.NumberFormat and the time text by Intl.DateTimeFormat. They answer as the services on ICU
// do (the same table of cases), so a control behaves the same in a page as on the desktop; where
// the browser's locale data differ from the desktop's, the browser's win.

#include "framework/host/runtime.h"
#include "hosts/web/runtime/number_text.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessivra::webruntime {

struct TextSettings {
    // A BCP 47 language tag ("en-US", "tr-TR").
    std::string locale = "en-US";
    // The system's single-byte code page, by a label TextDecoder knows ("windows-1252").
    std::string codePage = "windows-1252";
};

class WebTextServices final : public TextServices {
public:
    // Fails with a description naming the locale or the code page when the browser does not
    // know it, or when the code page is not a single-byte one.
    static ErrorOr<std::unique_ptr<WebTextServices>> create(TextSettings settings);

    // The four services a typed key asks for are answered from tables, so that a key costs no
    // call into the page's script once its character has been seen: a key's character from its
    // code, its case form, and its code back.
    ErrorOr<std::u16string> UCase(std::u16string_view s) override {
        if (char16_t one = knownCase(upperOne_, s)) return std::u16string(1, one);
        return convertCase(s, true);
    }
    ErrorOr<std::u16string> LCase(std::u16string_view s) override {
        if (char16_t one = knownCase(lowerOne_, s)) return std::u16string(1, one);
        return convertCase(s, false);
    }
    ErrorOr<std::u16string> Chr(std::int32_t code) override {
        if (code < 0 || code > 255 || !byteDefined_[static_cast<std::size_t>(code)])
            return Error::invalidProcedureCall();
        return std::u16string(1, byteToChar_[static_cast<std::size_t>(code)]);
    }
    ErrorOr<std::int16_t> Asc(std::u16string_view s) override {
        if (s.empty()) return Error::invalidProcedureCall();
        return static_cast<std::int16_t>(toCodePage(s[0]));
    }
    ErrorOr<std::u16string> Format(const Value& expression, std::u16string_view pattern,
                                   std::int32_t firstDayOfWeek,
                                   std::int32_t firstWeekOfYear) override;
    ErrorOr<std::u16string> CStr(std::int16_t) override;
    ErrorOr<std::int32_t> InStr(std::u16string_view text, std::u16string_view find) override;
    ErrorOr<std::u16string> TimeText(TimeOfDay) override;
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) override;

    const TextSettings& settings() const { return settings_; }
    const NumberSymbols& numberSymbols() const { return symbols_; }
    // True when the engine's Intl.NumberFormat rounds decimal strings itself (roundingMode);
    // otherwise the amount is rounded here before Intl sees it.
    bool intlRounds() const { return intlRounds_; }
    // The code-page byte of a character; '?' for one the code page cannot represent.
    std::uint8_t toCodePage(char16_t c) const {
        const std::uint16_t b = charToByte_[c];
        return b == NoByte ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(b);
    }

private:
    explicit WebTextServices(TextSettings settings) : settings_(std::move(settings)) {}
    static char16_t knownCase(const std::vector<char16_t>& cache, std::u16string_view s) {
        return s.size() == 1 && !cache.empty() ? cache[s[0]] : u'\0';
    }
    ErrorOr<std::u16string> convertCase(std::u16string_view, bool upper);

    TextSettings settings_;
    std::array<char16_t, 256> byteToChar_{};
    std::array<bool, 256> byteDefined_{};
    static constexpr std::uint16_t NoByte = 0xFFFF;
    std::vector<std::uint16_t> charToByte_;
    NumberSymbols symbols_;
    bool intlRounds_ = false;
    // The amount being laid out, kept so that reading one does not allocate once grown.
    std::string digits_;
    std::vector<char16_t> upperOne_, lowerOne_;
};

} // namespace tessivra::webruntime
