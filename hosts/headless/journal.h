#pragma once
// One line for every effect a form or user could observe, in the order they happen. Off unless
// someone reads it, so that the keystroke path pays nothing for it.

#include "framework/host/value_text.h"

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

// The lines' text, shared by every host.
using tessivra::formatNumber;
using tessivra::formatValue;
using tessivra::printableLine;
using tessivra::quote;
using tessivra::quoteBytes;

} // namespace tessivra::headless
