#pragma once
// The runtime's text services on ICU: case conversion, the system's single-byte code page, number
// layout and the time format, with the locale and the code page as settings. Every host that runs
// on ICU shares them; what is a host's by nature (message boxes, send keys, the clock, the
// application path, the shell) stays in the host.

#include "framework/host/runtime.h"
#include "runtime/icu/number_format.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessivra::icuruntime {

struct TextSettings {
    // An ICU locale name or language tag ("en-US", "tr-TR").
    std::string locale = "en-US";
    // The system's single-byte code page, by a converter name ICU knows ("windows-1252").
    std::string codePage = "windows-1252";
};

class IcuTextServices final : public TextServices {
public:
    // An unknown code page throws std::runtime_error.
    explicit IcuTextServices(TextSettings settings);
    ~IcuTextServices() override;

    // The four services a typed key asks for are answered here, from tables, so that a host
    // holding these services by value pays one call for each: a key's character from its code,
    // its case form, and its code back. Anything longer than one character goes to ICU.
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
    // The character a code-page byte stands for, or nothing when the code page leaves it
    // undefined.
    std::optional<char16_t> fromCodePage(std::uint8_t b) const {
        if (!byteDefined_[b]) return std::nullopt;
        return byteToChar_[b];
    }
    // The code-page byte of a character; '?' for one the code page cannot represent.
    std::uint8_t toCodePage(char16_t c) const {
        const std::uint16_t b = charToByte_[c];
        return b == NoByte ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(b);
    }

private:
    // The case form of a one-character string already asked for, or 0.
    static char16_t knownCase(const std::vector<char16_t>& cache, std::u16string_view s) {
        return s.size() == 1 && !cache.empty() ? cache[s[0]] : u'\0';
    }
    ErrorOr<std::u16string> convertCase(std::u16string_view, bool upper);

    TextSettings settings_;
    std::array<char16_t, 256> byteToChar_{};
    std::array<bool, 256> byteDefined_{};
    // Every character's byte, or NoByte: a direct table, since every typed key asks.
    static constexpr std::uint16_t NoByte = 0xFFFF;
    std::vector<std::uint16_t> charToByte_;
    struct TimeFormatter;
    std::unique_ptr<TimeFormatter> timeFormatter_;
    // Built once for the locale; it keeps each pattern's formatter after first use.
    NumberFormat numberFormat_;
    // One character's case forms, filled in as they are asked for: a typed key is converted on
    // every keystroke, and asking ICU each time would cost more than the rest of the key.
    std::vector<char16_t> upperOne_, lowerOne_;
};

} // namespace tessivra::icuruntime
