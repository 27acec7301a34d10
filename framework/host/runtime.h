#pragma once
// The runtime and shell services the controls call.

#include "framework/host/value.h"

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tessivra {

namespace msgbox {
inline constexpr std::int32_t Information = 64;
inline constexpr std::int32_t OK = 1; // the answer of an OK button
} // namespace msgbox

// A time of day in whole seconds since midnight.
struct TimeOfDay {
    std::int32_t seconds = 0;
};

// The runtime's text services: the locale's case rules and time format, the system's single-byte
// code page, number layout and plain text helpers. They need only the platform's locale support,
// so the hosts on one platform library share one implementation (runtime/icu/), and every
// implementation answers the same table of cases (tests/runtime_cases.tsv).
class TextServices {
public:
    virtual ~TextServices() = default;
    // Locale-aware case conversion; characters without a case form come back unchanged.
    virtual ErrorOr<std::u16string> UCase(std::u16string_view) = 0;
    virtual ErrorOr<std::u16string> LCase(std::u16string_view) = 0;
    // The character of a code of the system's single-byte code page; a code it cannot represent
    // is refused.
    virtual ErrorOr<std::u16string> Chr(std::int32_t code) = 0;
    // The code of the first character in the system's code page.
    virtual ErrorOr<std::int16_t> Asc(std::u16string_view) = 0;
    virtual ErrorOr<std::u16string> Format(const Value& expression, std::u16string_view pattern,
                                           std::int32_t firstDayOfWeek = 1,
                                           std::int32_t firstWeekOfYear = 1) = 0;
    // Decimal text of a 16-bit integer: digits, a leading "-" when negative.
    virtual ErrorOr<std::u16string> CStr(std::int16_t) = 0;
    // 1-based position of the first exact occurrence of `find`, or 0.
    virtual ErrorOr<std::int32_t> InStr(std::u16string_view text, std::u16string_view find) = 0;
    // A time in the system's time format.
    virtual ErrorOr<std::u16string> TimeText(TimeOfDay) = 0;
    // Text in the system's single-byte code page, as a declared API receives it.
    virtual ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) = 0;
};

// The whole runtime a control calls: the text services and what is the host's own.
class Runtime : public TextServices {
public:
    // Modal: returns when the user closes it. A carriage return in the prompt breaks the line.
    // While it is up the host's message loop runs: events and timer ticks reach the controls,
    // the caller's own handlers included, and its form may be closed (see constituents.h for
    // what a control must tolerate then).
    virtual ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                         std::u16string_view title) = 0;
    // Queues keystrokes and returns without waiting for them; they are delivered after the
    // handler in progress returns. "{tab}" means "move the focus to the next tab stop": a host
    // maps it to its own focus traversal, never to input injected into the whole desktop.
    virtual ErrorOr<void> SendKeys(std::u16string_view keys,
                                   const Value& wait = Value::missing()) = 0;
    virtual ErrorOr<TimeOfDay> Time() = 0;
    // The folder that holds the library's file.
    virtual ErrorOr<std::u16string> AppPath() = 0;
};

// A runtime whose text services are those of `Text`: a text services class held by value, or a
// reference to services that live longer (`TextServices&`). A host derives from it and adds what
// is its own: the message box, send keys, the clock and the application path. Naming the
// services' own class lets each call go to it without a second virtual call.
template <typename Text> class TextRuntime : public Runtime {
public:
    template <typename... Args>
    explicit TextRuntime(Args&&... args) : text_(std::forward<Args>(args)...) {}

    ErrorOr<std::u16string> UCase(std::u16string_view s) override { return text_.UCase(s); }
    ErrorOr<std::u16string> LCase(std::u16string_view s) override { return text_.LCase(s); }
    ErrorOr<std::u16string> Chr(std::int32_t code) override { return text_.Chr(code); }
    ErrorOr<std::int16_t> Asc(std::u16string_view s) override { return text_.Asc(s); }
    ErrorOr<std::u16string> Format(const Value& expression, std::u16string_view pattern,
                                   std::int32_t firstDayOfWeek,
                                   std::int32_t firstWeekOfYear) override {
        return text_.Format(expression, pattern, firstDayOfWeek, firstWeekOfYear);
    }
    ErrorOr<std::u16string> CStr(std::int16_t v) override { return text_.CStr(v); }
    ErrorOr<std::int32_t> InStr(std::u16string_view t, std::u16string_view f) override {
        return text_.InStr(t, f);
    }
    ErrorOr<std::u16string> TimeText(TimeOfDay t) override { return text_.TimeText(t); }
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view s) override {
        return text_.StrConvFromUnicode(s);
    }

    std::remove_reference_t<Text>& text() { return text_; }

private:
    Text text_;
};

class Shell {
public:
    virtual ~Shell() = default;
    // The texts arrive in the system's single-byte code page, as the declared API takes them;
    // a host converts them to what its opener wants (UTF-8 for a Linux desktop's opener, the
    // ANSI code page on Windows). Returns the shell's own result code; callers may ignore it.
    virtual ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                                std::string_view file, std::string_view parameters,
                                                std::string_view directory,
                                                std::int32_t showCommand) = 0;
};

} // namespace tessivra
