#pragma once
// Text services for the host's own tests: Latin-1 case and code page, enough to drive keys
// through the host without a locale. The controls run on the runtime itself.

#include "framework/host/runtime.h"

namespace tessivra::testing {

class TestTextServices final : public TextServices {
public:
    ErrorOr<std::u16string> UCase(std::u16string_view s) override {
        std::u16string out(s);
        for (auto& c : out)
            if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
        return out;
    }
    ErrorOr<std::u16string> LCase(std::u16string_view s) override {
        std::u16string out(s);
        for (auto& c : out)
            if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
        return out;
    }
    ErrorOr<std::u16string> Chr(std::int32_t code) override {
        if (code < 0 || code > 255 || (code >= 0x80 && code < 0xA0))
            return Error::invalidProcedureCall();
        return std::u16string(1, static_cast<char16_t>(code));
    }
    ErrorOr<std::int16_t> Asc(std::u16string_view s) override {
        if (s.empty()) return Error::invalidProcedureCall();
        return static_cast<std::int16_t>(s[0] < 0x100 ? s[0] : u'?');
    }
    ErrorOr<std::u16string> Format(const Value&, std::u16string_view, std::int32_t,
                                   std::int32_t) override {
        return Error::invalidProcedureCall();
    }
    ErrorOr<std::u16string> CStr(std::int16_t v) override { return fromUtf8(std::to_string(v)); }
    ErrorOr<std::int32_t> InStr(std::u16string_view t, std::u16string_view f) override {
        auto at = t.find(f);
        return at == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(at) + 1;
    }
    ErrorOr<std::u16string> TimeText(TimeOfDay t) override {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.seconds / 3600, t.seconds / 60 % 60,
                      t.seconds % 60);
        return fromUtf8(buf);
    }
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view s) override {
        std::string out;
        for (char16_t c : s)
            out += c < 0x100 ? static_cast<char>(c) : '?';
        return out;
    }
};

} // namespace tessivra::testing
