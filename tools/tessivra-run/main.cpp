// tessivra-run: plays a script of form actions against the library's controls on a headless
// form. Reads the file named on the command line, or standard input.

#include "tools/tessivra-run/script.h"

#include <cstring>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    tessivra::headless::RuntimeSettings settings;
    const char* file = nullptr;
    bool strict = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--locale") == 0 && i + 1 < argc)
            settings.locale = argv[++i];
        else if (std::strcmp(argv[i], "--codepage") == 0 && i + 1 < argc)
            settings.codePage = argv[++i];
        else if (std::strcmp(argv[i], "--strict") == 0)
            strict = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::cerr
                << "usage: tessivra-run [--locale TAG] [--codepage NAME] [--strict] [SCRIPT]\n";
            return 2;
        } else
            file = argv[i];
    }
    tessivra::run::Script script(std::cout, settings);
    int failures;
    if (file && std::strcmp(file, "-") != 0) {
        std::ifstream in(file);
        if (!in) {
            std::cerr << "tessivra-run: cannot read " << file << "\n";
            return 2;
        }
        failures = script.play(in);
    } else {
        failures = script.play(std::cin);
    }
    // A failing command is part of what a script may show; --strict makes it the exit status.
    return strict && failures > 0 ? 1 : 0;
}
