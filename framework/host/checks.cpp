#include "framework/host/checks.h"

#include "framework/host/value.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace tessivra {

ErrorOr<void> checkSize(Twips v) {
    // NaN fails every comparison, so the test is written to let only good values through.
    if (!(v >= 0 && v <= kMaxTwips)) return Error::invalidPropertyValue();
    return {};
}

ErrorOr<void> checkPosition(Twips v) {
    if (!(v >= -kMaxTwips && v <= kMaxTwips)) return Error::invalidPropertyValue();
    return {};
}

ErrorOr<void> checkFont(const FontRef& f) {
    if (f && !(std::isfinite(f->size) && f->size > 0)) return Error::invalidPropertyValue();
    return {};
}

ErrorOr<FontRef> newCheckedFont(const FontDescription& d) {
    if (d.name.empty() || !(std::isfinite(d.size) && d.size > 0) || d.weight < 0 ||
        d.weight > fontweight::Heaviest)
        return Error::invalidPropertyValue();
    auto font = std::make_shared<Font>(std::u16string(d.name), d.size, d.weight);
    font->charset = d.charset;
    font->italic = d.italic;
    font->underline = d.underline;
    font->strikethrough = d.strikethrough;
    return font;
}

ErrorOr<std::int64_t> clockAdvancedTo(std::int64_t now, std::int64_t milliseconds) {
    constexpr std::int64_t kLatest =
        std::numeric_limits<std::int64_t>::max() - std::numeric_limits<std::int32_t>::max();
    if (milliseconds < 0)
        return Error{errc::InvalidProcedureCall, u"The clock cannot go back: an advance of " +
                                                     fromUtf8(std::to_string(milliseconds))};
    if (milliseconds > kLatest - now) return Error::overflow();
    return now + milliseconds;
}

Error noSuchNamed(std::u16string_view what, std::u16string_view name) {
    return {errc::InvalidProcedureCall,
            u"No " + std::u16string(what) + u" named " + std::u16string(name)};
}

} // namespace tessivra
