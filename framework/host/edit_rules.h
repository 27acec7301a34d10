#pragma once
// The one rule every host's text box edits by: typing, pasting and code's assignment all replace
// the selection; only the user's typing and pasting are held to Locked and MaxLength.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessivra {

enum class EditSource { Typed, Pasted, Assigned };

// The key codes a text box acts on itself (the desktop's virtual-key codes).
namespace keycodes {
inline constexpr std::int16_t KeyBackspace = 8, KeyTab = 9, KeyEnter = 13, KeyEscape = 27,
                              KeyEnd = 35, KeyHome = 36, KeyLeft = 37, KeyUp = 38, KeyRight = 39,
                              KeyDown = 40, KeyDelete = 46;
} // namespace keycodes

// Where a caret key (Left, Right, Home, End) puts the caret of a text `length` long, the
// selection collapsing there: Left one back from the selection's start, Right one past its end,
// each stopping at the ends. Any other key leaves it at `selStart`.
std::int32_t caretAfterKey(std::int16_t keyCode, std::int32_t selStart, std::int32_t selLength,
                           std::int32_t length);

// What of `insert` goes in place of the selection (`selLength` characters of a text
// `textLength` long), or nothing when the edit does not happen. An assignment always goes in.
// Typing and pasting change nothing in a locked box; with a MaxLength above 0 a typed key that
// does not fit is refused whole and a paste inserts what fits; and inserting nothing over no
// selection does nothing.
std::optional<std::u16string_view> admittedEdit(std::u16string_view insert, EditSource source,
                                                bool locked, std::int32_t maxLength,
                                                std::int32_t textLength, std::int32_t selLength);

// Selects what Backspace or Delete removes when nothing is selected: the character before
// (Backspace) or after (Delete) the caret. False when there is nothing to remove: no selection
// and the caret at that end of a text `length` long.
bool selectForDeletion(std::int16_t keyCode, std::int32_t& selStart, std::int32_t& selLength,
                       std::int32_t length);

} // namespace tessivra
