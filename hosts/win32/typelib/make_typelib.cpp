// Writes the library's type library with the system's type-library writer, from the class
// tables; run under Wine by the build.
//
//   tessivra-typelib OUTPUT.tlb
//   tessivra-typelib --idl OUTPUT.idl    the interface description, for widl to compare with

#include "controls/shipped_classes.h"
#include "hosts/win32/typelib/type_library.h"

#include <cstdio>
#include <cstring>
#include <fstream>

int main(int argc, char** argv) {
    using namespace tessivra;
    if (argc == 3 && std::strcmp(argv[1], "--idl") == 0) {
        std::ofstream out(argv[2], std::ios::binary);
        out << generateIdl(shippedClasses());
        if (!out.flush()) {
            std::fprintf(stderr, "tessivra-typelib: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessivra-typelib OUTPUT.tlb | --idl OUTPUT.idl\n");
        return 2;
    }
    const std::wstring path = typelib::pathArgument(argv[1]);
    if (path.empty()) {
        std::fprintf(stderr, "tessivra-typelib: no output file given\n");
        return 2;
    }
    // An older library goes first, so that a failed run leaves no file the build could take
    // for this one.
    DeleteFileW(path.c_str());
    if (FAILED(CoInitialize(nullptr))) return 1;
    std::string failed;
    const HRESULT hr = typelib::writeTypeLibrary(path, shippedClasses(), failed);
    CoUninitialize();
    if (FAILED(hr)) {
        DeleteFileW(path.c_str());
        std::fprintf(stderr, "tessivra-typelib: %s failed with 0x%08lx\n", failed.c_str(),
                     static_cast<unsigned long>(hr));
        return 1;
    }
    return 0;
}
