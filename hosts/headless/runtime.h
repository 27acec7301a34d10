#pragma once
// The headless runtime: the text services of the ICU runtime, with the locale and the system code
// page as settings; message boxes, send keys, pop-up menus and shell requests are recorded and
// reported to the form instead of shown, and the clock is virtual.

#include "framework/host/runtime.h"
#include "hosts/headless/faults.h"
#include "runtime/icu/text_services.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessivra::headless {

class Journal;

struct RuntimeSettings {
    std::string locale = "en-US";
    std::string codePage = "windows-1252";
    std::u16string appPath = u"/usr/lib/tessivra";
};

struct MessageBoxRecord {
    std::u16string prompt;
    std::int32_t style;
    std::u16string title;
};

class HeadlessRuntime final : public Runtime {
public:
    HeadlessRuntime(RuntimeSettings, FaultPlan&, Journal&);

    ErrorOr<std::u16string> UCase(std::u16string_view) override;
    ErrorOr<std::u16string> LCase(std::u16string_view) override;
    ErrorOr<std::u16string> Chr(std::int32_t code) override;
    ErrorOr<std::int16_t> Asc(std::u16string_view) override;
    ErrorOr<std::u16string> Format(const Value& expression, std::u16string_view pattern,
                                   std::int32_t firstDayOfWeek,
                                   std::int32_t firstWeekOfYear) override;
    ErrorOr<std::u16string> CStr(std::int16_t) override;
    ErrorOr<std::int32_t> InStr(std::u16string_view text, std::u16string_view find) override;
    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override;
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override;
    ErrorOr<TimeOfDay> Time() override;
    ErrorOr<std::u16string> TimeText(TimeOfDay) override;
    ErrorOr<std::u16string> AppPath() override;
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) override;

    const RuntimeSettings& settings() const { return settings_; }
    // The character a code-page byte stands for, or nothing when the code page leaves it
    // undefined.
    std::optional<char16_t> fromCodePage(std::uint8_t b) const { return text_.fromCodePage(b); }
    // The code-page byte of a character; '?' for one the code page cannot represent.
    std::uint8_t toCodePage(char16_t c) const { return text_.toCodePage(c); }

    // The virtual clock: milliseconds since midnight, moved by the form.
    std::int64_t clockMs = 12 * 3600 * 1000;
    std::vector<MessageBoxRecord> messageBoxes;
    // Runs while a message box is "shown", before it is answered; lets a test act as the user.
    std::function<void(const MessageBoxRecord&)> whileMessageBoxShown;
    // Send-keys requests not yet delivered; the form drains them after the current handler.
    std::vector<std::u16string> pendingKeys;

private:
    // Checks the fault plan for `member`, then makes the call.
    template <typename Call> auto checked(std::string_view member, Call call) -> decltype(call());

    RuntimeSettings settings_;
    FaultPlan& faults_;
    Journal& journal_;
    icuruntime::IcuTextServices text_;
};

struct ShellRequest {
    std::int32_t hwnd;
    std::string operation, file, parameters, directory;
    std::int32_t showCommand;
};

// A shell that records what it is asked to open and opens nothing.
class RecordingShell final : public Shell {
public:
    RecordingShell(FaultPlan& faults, Journal& journal) : faults_(faults), journal_(journal) {}
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                        std::string_view file, std::string_view parameters,
                                        std::string_view directory,
                                        std::int32_t showCommand) override;
    std::vector<ShellRequest> requests;
    // What the shell answers; above 32 means it opened the file.
    std::int32_t result = 42;

private:
    FaultPlan& faults_;
    Journal& journal_;
};

} // namespace tessivra::headless
