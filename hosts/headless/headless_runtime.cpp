// The headless runtime of runtime.h: each text service is the ICU runtime's, behind the host's
// fault check; message boxes, send keys and shell requests are recorded, and the clock is the
// form's virtual one.

#include "hosts/headless/journal.h"
#include "hosts/headless/runtime.h"

namespace tessivra::headless {

namespace {
constexpr std::u16string_view kRuntime = u"Runtime";
} // namespace

HeadlessRuntime::HeadlessRuntime(RuntimeSettings settings, FaultPlan& faults, Journal& journal)
    : settings_(std::move(settings)), faults_(faults), journal_(journal),
      text_({.locale = settings_.locale, .codePage = settings_.codePage}) {}

// The four services of a typed key's case rule: with no fault armed, each is the text
// service's table look-up alone; the fault check is a call of its own, so that the common case
// keeps nothing aside for it.
template <typename Call>
[[gnu::noinline]] auto HeadlessRuntime::checked(std::string_view member, Call call)
    -> decltype(call()) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, member);
    return call();
}

ErrorOr<std::u16string> HeadlessRuntime::UCase(std::u16string_view s) {
    auto call = [this, s] { return text_.UCase(s); };
    if (faults_.armed()) [[unlikely]]
        return checked("UCase", call);
    return call();
}

ErrorOr<std::u16string> HeadlessRuntime::LCase(std::u16string_view s) {
    auto call = [this, s] { return text_.LCase(s); };
    if (faults_.armed()) [[unlikely]]
        return checked("LCase", call);
    return call();
}

ErrorOr<std::u16string> HeadlessRuntime::Chr(std::int32_t code) {
    auto call = [this, code] { return text_.Chr(code); };
    if (faults_.armed()) [[unlikely]]
        return checked("Chr", call);
    return call();
}

ErrorOr<std::int16_t> HeadlessRuntime::Asc(std::u16string_view s) {
    auto call = [this, s] { return text_.Asc(s); };
    if (faults_.armed()) [[unlikely]]
        return checked("Asc", call);
    return call();
}

ErrorOr<std::u16string> HeadlessRuntime::Format(const Value& expression,
                                                std::u16string_view pattern,
                                                std::int32_t firstDayOfWeek,
                                                std::int32_t firstWeekOfYear) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "Format");
    return text_.Format(expression, pattern, firstDayOfWeek, firstWeekOfYear);
}

ErrorOr<std::u16string> HeadlessRuntime::CStr(std::int16_t v) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "CStr");
    return text_.CStr(v);
}

ErrorOr<std::int32_t> HeadlessRuntime::InStr(std::u16string_view text, std::u16string_view find) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "InStr");
    return text_.InStr(text, find);
}

ErrorOr<std::u16string> HeadlessRuntime::TimeText(TimeOfDay t) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "TimeText");
    return text_.TimeText(t);
}

ErrorOr<std::string> HeadlessRuntime::StrConvFromUnicode(std::u16string_view s) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "StrConv");
    return text_.StrConvFromUnicode(s);
}

ErrorOr<std::int32_t> HeadlessRuntime::MsgBox(std::u16string_view prompt, std::int32_t style,
                                              std::u16string_view title) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "MsgBox");
    messageBoxes.push_back({std::u16string(prompt), style, std::u16string(title)});
    journal_.add("msgbox " + std::to_string(style) + " " + quote(title) + " " + quote(prompt));
    if (whileMessageBoxShown) whileMessageBoxShown(messageBoxes.back());
    return msgbox::OK;
}

ErrorOr<void> HeadlessRuntime::SendKeys(std::u16string_view keys, const Value&) {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "SendKeys");
    journal_.add("sendkeys " + quote(keys));
    pendingKeys.emplace_back(keys);
    return {};
}

ErrorOr<TimeOfDay> HeadlessRuntime::Time() {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "Time");
    return TimeOfDay{static_cast<std::int32_t>((clockMs / 1000) % 86400)};
}

ErrorOr<std::u16string> HeadlessRuntime::AppPath() {
    TESSIVRA_FAULT(faults_, u"", kRuntime, "AppPath");
    return settings_.appPath;
}

ErrorOr<std::int32_t> RecordingShell::ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                                    std::string_view file,
                                                    std::string_view parameters,
                                                    std::string_view directory,
                                                    std::int32_t showCommand) {
    TESSIVRA_FAULT(faults_, u"", u"Shell", "ShellExecuteA");
    requests.push_back({hwnd, std::string(operation), std::string(file), std::string(parameters),
                        std::string(directory), showCommand});
    journal_.add("shell " + std::to_string(hwnd) + " " + quoteBytes(operation) + " " +
                 quoteBytes(file) + " " + quoteBytes(parameters) + " " + quoteBytes(directory) +
                 " " + std::to_string(showCommand));
    return result;
}

} // namespace tessivra::headless
