#pragma once
// Values and text as the hosts print them in the lines a form observes, so that every host
// writes the same line for the same effect and one suite reads them all.

#include "framework/host/value.h"

#include <string>
#include <string_view>

namespace tessivra {

// Text in double quotes with \" \\ \r \n \t escaped, as scripts write it, and every other
// control character (C0, DEL, C1, the line and paragraph separators) and every lone surrogate
// as \uXXXX, so that printed text can neither move the cursor nor start a line of its own.
std::string quote(std::u16string_view);
// The same for single-byte text; other control bytes are written \xHH.
std::string quoteBytes(std::string_view);
// A line to print, whatever it holds: valid UTF-8 is kept, control characters and bytes that
// are not UTF-8 are escaped as \xHH (\uXXXX for C1 and the separators).
std::string printableLine(std::string_view);
// A value as the lines print it: 5, True, "text", Font("Arial" 9.75 bold)...
std::string formatValue(const Value&);
std::string formatNumber(double);

} // namespace tessivra
