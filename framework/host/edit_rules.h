#pragma once
// The one rule every host's text box edits by: typing, pasting and code's assignment all replace
// the selection; only the user's typing and pasting are held to Locked and MaxLength.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessivra {

enum class EditSource { Typed, Pasted, Assigned };

// What of `insert` goes in place of the selection (`selLength` characters of a text
// `textLength` long), or nothing when the edit does not happen. An assignment always goes in.
// Typing and pasting change nothing in a locked box; with a MaxLength above 0 a typed key that
// does not fit is refused whole and a paste inserts what fits; and inserting nothing over no
// selection does nothing.
std::optional<std::u16string_view> admittedEdit(std::u16string_view insert, EditSource source,
                                                bool locked, std::int32_t maxLength,
                                                std::int32_t textLength, std::int32_t selLength);

} // namespace tessivra
