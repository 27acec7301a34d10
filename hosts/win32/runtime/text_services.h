#pragma once
// The runtime's text services on Win32: case conversion by the locale's rules (LCMapStringEx),
// the system's single-byte code page (MultiByteToWideChar, WideCharToMultiByte), Format through
// the automation decimal type and the locale's number layout (VarParseNumFromStr, VarDecRound,
// GetNumberFormatEx), and the locale's time format (GetTimeFormatEx). They answer as the ICU
// runtime does wherever Windows' locale data agrees with ICU's.

#include "framework/host/runtime.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessivra::win32runtime {

struct TextSettings {
    // A Windows locale name ("en-US", "tr-TR").
    std::u16string locale = u"en-US";
    // The system's single-byte code page by number (1252 for Windows-1252).
    std::uint32_t codePage = 1252;
};

// The number of a code page given as "windows-1252", "cp1252" or "1252"; nothing for any other
// text or a number outside a code page's range.
std::optional<std::uint32_t> codePageNumber(std::string_view name);

class Win32TextServices final : public TextServices {
public:
    // A locale Windows does not know, or a code page that is not installed or not single-byte,
    // throws std::runtime_error naming it.
    explicit Win32TextServices(TextSettings settings);

    // A typed key is one character, converted on every keystroke: its case forms are kept once
    // asked for, and its code page byte comes from a table.
    ErrorOr<std::u16string> UCase(std::u16string_view s) override { return convertCase(s, true); }
    ErrorOr<std::u16string> LCase(std::u16string_view s) override { return convertCase(s, false); }
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
    ErrorOr<std::u16string> convertCase(std::u16string_view, bool upper);
    ErrorOr<std::u16string> mapCase(std::u16string_view, bool upper) const;

    TextSettings settings_;
    std::uint32_t lcid_ = 0; // for the automation parser, which takes no locale name
    // The locale's decimal symbol and grouping separator, as the number layout takes them.
    std::wstring decimalSymbol_, groupSymbol_;
    // The sizes of the last integer group and of the ones before it, as the locale groups.
    std::pair<std::size_t, std::size_t> grouping_{3, 3};
    std::array<char16_t, 256> byteToChar_{};
    std::array<bool, 256> byteDefined_{};
    static constexpr std::uint16_t NoByte = 0xFFFF;
    std::vector<std::uint16_t> charToByte_;
    // One character's case forms, 0 until asked for.
    std::vector<char16_t> upperOne_, lowerOne_;
};

} // namespace tessivra::win32runtime
