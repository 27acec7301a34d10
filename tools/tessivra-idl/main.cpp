// Writes the library's interface description (IDL) to a file or to standard output, for an
// IDL compiler to turn into the type library.
//
//   tessivra-idl [-o FILE]
//   tessivra-idl --types [-o FILE]
//
// --types lists instead what the compiled type library must hold, one line per type of the
// classes in the build, for a checker to compare with the compiler's output:
//   library NAME {LIBID} MAJOR.MINOR FLAGS
//   type INDEX NAME KIND {GUID} FLAGS MAJOR.MINOR FUNCTIONS

#include "controls/shipped_classes.h"
#include "framework/idl.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage = "usage: tessivra-idl [--types] [-o FILE]\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::string hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

// A property contributes one function per access kind, a method or an event one.
std::size_t functionCount(const tessivra::TypeDescription& t) {
    using namespace tessivra;
    std::size_t n = 0;
    switch (t.kind) {
    case TypeKind::DualInterface:
        for (const DispatchMember& m : t.cls->Class->members)
            for (std::uint8_t bit : {access::Get, access::Let, access::Set, access::Call})
                n += (m.access & bit) ? 1 : 0;
        return n;
    case TypeKind::EventInterface:
        return t.cls->Class->events.size();
    case TypeKind::Coclass:
        return 0;
    }
    return 0;
}

std::string typeListing() {
    using namespace tessivra;
    const char* kinds[] = {"dispatch", "coclass", "dispatch"};
    std::string out = "library " + std::string(Library.name) + " " + Library.libid.toString() +
                      " " + versionText(Library) + " " + hex(Library.libraryFlags) + "\n";
    int index = 0;
    for (const TypeDescription& t : typeDescriptions(shippedClasses())) {
        if (!t.cls->Class) continue;
        out += "type " + std::to_string(index++) + " " + std::string(t.name) + " " +
               kinds[static_cast<int>(t.kind)] + " " + t.guid.toString() + " " + hex(t.flags) +
               " " + std::to_string(t.majorVersion) + "." + std::to_string(t.minorVersion) + " " +
               std::to_string(functionCount(t)) + "\n";
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::string outputPath;
    bool types = false;
    for (int i = 1; i < argc; ++i) {
        if ((std::strcmp(argv[i], "-o") == 0 || std::strcmp(argv[i], "--output") == 0) &&
            i + 1 < argc)
            outputPath = argv[++i];
        else if (std::strcmp(argv[i], "--types") == 0)
            types = true;
        else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else
            return usage();
    }

    const std::string idl =
        types ? typeListing() : tessivra::generateIdl(tessivra::shippedClasses());
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
