#include "text_services.h"

namespace tessivra::win32 {

namespace {

// Stands in until the Win32 runtime is part of the build: every service refuses, so a control
// stops at its first text call and says why, rather than answering wrongly.
class Unavailable final : public TextServices {
public:
    ErrorOr<std::u16string> UCase(std::u16string_view) override { return refused(); }
    ErrorOr<std::u16string> LCase(std::u16string_view) override { return refused(); }
    ErrorOr<std::u16string> Chr(std::int32_t) override { return refused(); }
    ErrorOr<std::int16_t> Asc(std::u16string_view) override { return refused(); }
    ErrorOr<std::u16string> Format(const Value&, std::u16string_view, std::int32_t,
                                   std::int32_t) override {
        return refused();
    }
    ErrorOr<std::u16string> CStr(std::int16_t) override { return refused(); }
    ErrorOr<std::int32_t> InStr(std::u16string_view, std::u16string_view) override {
        return refused();
    }
    ErrorOr<std::u16string> TimeText(TimeOfDay) override { return refused(); }
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) override { return refused(); }

private:
    static Error refused() {
        return {errc::NotSupported, u"Object doesn't support this property or method"};
    }
};

} // namespace

TextServices& textServices() {
    static Unavailable services;
    return services;
}

} // namespace tessivra::win32
