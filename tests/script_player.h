#pragma once
// Plays a tessivra-run script on a fresh headless form and hands back what it printed, a line
// each, for the tests of the runner and of the inputs it checks.

#include "tools/tessivra-run/script.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace tessivra::testing {

inline std::vector<std::string> play(const std::string& script) {
    std::ostringstream out;
    run::Script s(out);
    std::istringstream in(script);
    s.play(in);
    std::vector<std::string> lines;
    std::istringstream printed(out.str());
    for (std::string line; std::getline(printed, line);)
        lines.push_back(line);
    return lines;
}

inline bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace tessivra::testing
