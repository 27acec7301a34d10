#pragma once
// The checks every host makes where a size, a position, a font or a clock's advance enters it,
// so that each host refuses the same values with the same errors.

#include "framework/host/error.h"
#include "framework/host/objects.h"
#include "framework/host/types.h"

#include <cstdint>
#include <string_view>

namespace tessivra {

// The largest size or distance from the origin, in twips, that a host holds: what a 32-bit
// coordinate can carry. A size or position that is not a finite number within it is refused
// with 380 where it enters, before anything is laid out with it.
inline constexpr float kMaxTwips = 2147483648.0f;
ErrorOr<void> checkSize(Twips);
ErrorOr<void> checkPosition(Twips);
// A font a constituent is given: a finite, positive size in points (or none).
ErrorOr<void> checkFont(const FontRef&);

// A new font as a host makes it for a control: a name, a finite positive size and a weight from
// 0 to the heaviest, or 380.
ErrorOr<FontRef> newCheckedFont(const FontDescription&);

// The moment a virtual clock reaches when advanced by `milliseconds` from `now`. A negative
// advance is refused, and so is one past the clock's range, which keeps room above the end for
// a timer's next due moment, one 32-bit interval on.
ErrorOr<std::int64_t> clockAdvancedTo(std::int64_t now, std::int64_t milliseconds);

// A form asked for a control (or a constituent) by a name it does not hold.
Error noSuchNamed(std::u16string_view what, std::u16string_view name);

} // namespace tessivra
