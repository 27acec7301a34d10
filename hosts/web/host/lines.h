#pragma once
// The page's lines of what a form observes, written as the other hosts write them, so that a
// suite reads the same line from every host.

#include "framework/host/value.h"

#include <string>
#include <string_view>

namespace tessivra::web {

// Text in double quotes with the escapes scripts read; other control characters as \uXXXX.
std::string quote(std::u16string_view);
// Bytes of the single-byte code page, quoted; control bytes as \xXX.
std::string quoteBytes(std::string_view);
// A value as the form's lines show it: 5, True, "text", Font("Arial" 9.75 bold)...
std::string formatValue(const Value&);

} // namespace tessivra::web
