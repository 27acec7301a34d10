#pragma once
// One line for every effect a form or user could observe, in the order they happen. Off unless
// someone reads it, so that the keystroke path pays nothing for it.

#include "framework/host/value.h"

#include <functional>
#include <string>
#include <vector>

namespace tessivra::headless {

class Journal {
public:
    bool enabled = false;
    std::vector<std::string> lines;
    std::function<void(const std::string&)> onLine;

    void add(std::string line) {
        if (!enabled) return;
        lines.push_back(std::move(line));
        if (onLine) onLine(lines.back());
    }
    void clear() { lines.clear(); }
};

// Text in double quotes with \" \\ \r \n \t escaped, as scripts write it, and every other
// control character (C0, DEL, C1, the line and paragraph separators) and every lone surrogate
// as \uXXXX, so that printed text can neither move the cursor nor start a line of its own.
std::string quote(std::u16string_view);
// The same for single-byte text; other control bytes are written \xHH.
std::string quoteBytes(std::string_view);
// A line to print, whatever it holds: valid UTF-8 is kept, control characters and bytes that
// are not UTF-8 are escaped as \xHH (\uXXXX for C1 and the separators).
std::string printableLine(std::string_view);
// A value as the journal and the command-line container print it.
std::string formatValue(const Value&);
std::string formatNumber(double);

} // namespace tessivra::headless
