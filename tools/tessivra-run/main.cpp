// tessivra-run: plays a script of form actions against the library's controls on a headless
// form. Reads the file named on the command line, or standard input; --help lists the commands.

#include "tools/tessivra-run/script.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tessivra::run::commandLine(args, std::cin, std::cout, std::cerr);
}
