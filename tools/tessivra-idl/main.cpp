// Writes the library's interface description (IDL) to a file or to standard output, for an
// IDL compiler to turn into the type library.
//
//   tessivra-idl [-o FILE]

#include "framework/idl.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage() {
    std::fputs("usage: tessivra-idl [-o FILE]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string outputPath;
    for (int i = 1; i < argc; ++i) {
        if ((std::strcmp(argv[i], "-o") == 0 || std::strcmp(argv[i], "--output") == 0) &&
            i + 1 < argc)
            outputPath = argv[++i];
        else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs("usage: tessivra-idl [-o FILE]\n", stdout);
            return 0;
        } else
            return usage();
    }

    const std::string idl = tessivra::generateIdl();
    if (outputPath.empty() || outputPath == "-") {
        std::cout << idl;
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
    out << idl;
    out.close();
    if (!out) {
        std::fprintf(stderr, "tessivra-idl: cannot write %s\n", outputPath.c_str());
        return 1;
    }
    return 0;
}
