#pragma once
// One code point appended to UTF-8 text: the piece a host needs when it writes text out one
// character at a time (escaping some, passing others through).

#include <string>

namespace tessivra {

// `c` must be a Unicode scalar value (no surrogate).
void appendUtf8(std::string& out, char32_t c);

} // namespace tessivra
