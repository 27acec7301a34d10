// Reads the type library back through the automation library (LoadTypeLibEx, ITypeInfo) and
// compares every field with the class tables, with no allowance, and with the library widl makes
// of the generated interface description, for everything widl can express. Run under Wine by
// scripts/check-win32-runtime.sh.
//
//   tessivra-typelib-check TESSIVRA.TLB WIDL.TLB
//
// Prints each difference and a summary; exits 1 on any difference, 2 on a library it cannot
// load.

#include "controls/shipped_classes.h"
#include "hosts/win32/typelib/type_library.h"

#include <cstdio>
#include <map>
#include <set>

namespace {

using namespace tessivra;

// The number in front of a line's first field: "type 12 ..." gives 12, anything else nothing.
int typeIndex(const std::string& line) {
    if (line.rfind("type ", 0) != 0) return -1;
    return std::atoi(line.c_str() + 5);
}

std::string field(const std::string& line, const std::string& name) {
    const auto at = line.find(" " + name + "=");
    if (at == std::string::npos) return {};
    const auto start = at + name.size() + 2;
    return line.substr(start, line.find(' ', start) - start);
}

bool replaceAll(std::string& s, const std::string& from, const std::string& to) {
    bool any = false;
    for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
        any = true;
    }
    return any;
}

// The text after "type N func I" of a function line, or nothing for any other line.
std::string functionBody(const std::string& line, int index, int& function) {
    const std::string prefix = "type " + std::to_string(index) + " func ";
    if (line.rfind(prefix, 0) != 0) return {};
    function = std::atoi(line.c_str() + prefix.size());
    return line.substr(line.find(' ', prefix.size()));
}

// The automation library's writer lists IDispatch's seven methods, restricted, ahead of every
// dispinterface's own (widl does not). They are checked against the seven the automation
// library shows for the first dual interface's dispatch half, then taken out, so that what
// remains is the event interface the tables describe. Returns how many interfaces had them.
int withoutInheritedMethods(std::vector<std::string>& lines, int& mismatched) {
    constexpr int kInherited = 7;
    std::map<int, std::string> names;
    int dual = -1;
    for (const std::string& line : lines) {
        const int index = typeIndex(line);
        if (index < 0) continue;
        if (!names.contains(index)) names[index] = field(line, "name");
        if (dual < 0 && line.find(" interface name=") != std::string::npos) dual = index;
    }
    std::vector<std::string> reference(kInherited);
    for (const std::string& line : lines) {
        int function = -1;
        const std::string body = functionBody(line, dual, function);
        if (!body.empty() && function < kInherited) reference[function] = body;
    }
    int stripped = 0;
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const int index = typeIndex(line);
        if (index < 0 || names[index].rfind("__", 0) != 0) {
            out.push_back(line);
            continue;
        }
        const std::string prefix = "type " + std::to_string(index);
        int function = -1;
        const std::string body = functionBody(line, index, function);
        if (body.empty()) {
            std::string type = line;
            const std::string funcs = field(line, "funcs");
            if (!funcs.empty() && line.find(" name=") != std::string::npos) {
                replaceAll(type, " funcs=" + funcs + " ",
                           " funcs=" + std::to_string(std::atoi(funcs.c_str()) - kInherited) + " ");
                ++stripped;
            }
            out.push_back(type);
        } else if (function < kInherited) {
            if (body != reference[function]) {
                std::printf("DIFFERS: %s is not IDispatch's method %d\n", line.c_str(), function);
                ++mismatched;
            }
        } else {
            out.push_back(prefix + " func " + std::to_string(function - kInherited) + body);
        }
    }
    lines = std::move(out);
    return stripped;
}

// The dispatch half of a dual interface is derived by the automation library from the
// interface half; against the tables only its name, kind and identifier count.
std::vector<std::string> withoutDerivedDispatchHalves(const std::vector<std::string>& lines) {
    std::set<int> dual;
    for (const std::string& line : lines)
        if (typeIndex(line) >= 0 && line.find(" interface name=") != std::string::npos)
            dual.insert(typeIndex(line));
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const int index = typeIndex(line);
        const std::string prefix = "type " + std::to_string(index);
        if (!dual.contains(index) || line.rfind(prefix + " interface", 0) == 0) {
            out.push_back(line);
        } else if (line.find(" name=") != std::string::npos &&
                   line.find(" func ") == std::string::npos) {
            out.push_back(prefix + " dispatch name=" + field(line, "name") +
                          " kind=" + field(line, "kind") + " guid=" + field(line, "guid"));
        }
    }
    return out;
}

std::vector<std::string> withDispatchHalves(const std::vector<std::string>& expected) {
    std::vector<std::string> out;
    for (const std::string& line : expected) {
        const int index = typeIndex(line);
        const std::string prefix = "type " + std::to_string(index) + " interface";
        if (index >= 0 && line.rfind(prefix + " name=", 0) == 0)
            out.push_back(
                "type " + std::to_string(index) + " dispatch name=" + field(line, "name") +
                " kind=" + std::to_string(TKIND_DISPATCH) + " guid=" + field(line, "guid"));
        out.push_back(line);
    }
    return out;
}

int compareLines(const std::vector<std::string>& want, const std::vector<std::string>& got,
                 const char* what) {
    int differences = 0;
    for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(nothing)";
        const std::string g = i < got.size() ? got[i] : "(nothing)";
        if (w == g) continue;
        if (++differences <= 20)
            std::printf("DIFFERS from %s:\n  expected %s\n  found    %s\n", what, w.c_str(),
                        g.c_str());
    }
    return differences;
}

// Lines grouped by the type they describe, keyed by its name rather than its place, since widl
// places each event interface right after its coclass.
std::map<std::string, std::vector<std::string>> byTypeName(const std::vector<std::string>& lines) {
    std::map<int, std::string> names;
    for (const std::string& line : lines)
        if (typeIndex(line) >= 0 && names.find(typeIndex(line)) == names.end())
            names[typeIndex(line)] = field(line, "name");
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& line : lines) {
        const int index = typeIndex(line);
        if (index < 0) {
            if (line.find("types=") == std::string::npos) out["(library)"].push_back(line);
            continue;
        }
        std::string keyed = line;
        keyed.replace(0, 5 + std::to_string(index).size(), "type " + names[index]);
        out[names[index]].push_back(keyed);
    }
    return out;
}

// What widl cannot say, made equal on both sides; each allowance used is counted.
struct Allowances {
    int colour = 0, names = 0, events = 0;
};

void normalise(std::map<std::string, std::vector<std::string>>& ours,
               std::map<std::string, std::vector<std::string>>& widl, Allowances& used) {
    // widl writes OLE_COLOR as the 32-bit unsigned integer it stands for.
    const std::string colour = "user(OLE_COLOR {66504301-BE0F-101A-8BBB-00AA00300CAB})";
    for (auto& [name, lines] : ours)
        for (std::string& line : lines)
            used.colour += replaceAll(line, colour, "vt" + std::to_string(VT_UI4)) ? 1 : 0;
    for (auto& [name, lines] : widl)
        for (std::string& line : lines) {
            // widl names every parameter, the property's value too, which the library leaves
            // unnamed.
            if (line.find(" func ") != std::string::npos &&
                line.find(" invoke=1 ") == std::string::npos) {
                const auto at = line.find(" names=");
                const auto comma = line.find(',', at);
                const auto end = line.find(' ', at + 1);
                if (at != std::string::npos && comma < end) {
                    line.erase(comma, end - comma);
                    ++used.names;
                }
            }
            // widl takes neither a version nor nonextensible on a dispinterface.
            if (name.rfind("__", 0) == 0 && line.find(" func ") == std::string::npos &&
                line.find(" name=") != std::string::npos &&
                replaceAll(line, "flags=0x1010 version=0.0", "flags=0x1090 version=1.0"))
                ++used.events;
        }
}

std::vector<std::string> describeFile(const char* path, bool& loaded) {
    const std::wstring wide = typelib::pathArgument(path);
    ITypeLib* library = nullptr;
    const HRESULT hr = LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tessivra-typelib-check: cannot load %s (0x%08lx)\n", path,
                     static_cast<unsigned long>(hr));
        loaded = false;
        return {};
    }
    std::vector<std::string> lines = typelib::describeTypeLibrary(library);
    library->Release();
    loaded = true;
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessivra-typelib-check TESSIVRA.TLB WIDL.TLB\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 2;
    bool oursLoaded = false, widlLoaded = false;
    std::vector<std::string> ours = describeFile(argv[1], oursLoaded);
    const std::vector<std::string> widl = describeFile(argv[2], widlLoaded);
    CoUninitialize();
    if (!oursLoaded || !widlLoaded) return 2;

    int mismatched = 0;
    const int inherited = withoutInheritedMethods(ours, mismatched);
    const std::vector<std::string> expected =
        withDispatchHalves(typelib::expectedDescription(shippedClasses()));
    const std::vector<std::string> checked = withoutDerivedDispatchHalves(ours);
    const int differences = mismatched + compareLines(expected, checked, "the class tables");
    std::printf("check-typelib: %zu facts compared with the class tables, %d differ (IDispatch's "
                "methods listed ahead of the events in %d event interfaces)\n",
                expected.size(), differences, inherited);

    auto oursByType = byTypeName(ours);
    auto widlByType = byTypeName(widl);
    Allowances used;
    normalise(oursByType, widlByType, used);
    std::size_t compared = 0;
    int widlDifferences = 0;
    for (const auto& [name, lines] : oursByType) {
        const auto other = widlByType.find(name);
        if (other == widlByType.end()) {
            std::printf("DIFFERS from widl's library: it has no type %s\n", name.c_str());
            ++widlDifferences;
            continue;
        }
        compared += lines.size();
        widlDifferences += compareLines(other->second, lines, "widl's library");
    }
    for (const auto& [name, lines] : widlByType)
        if (!oursByType.contains(name)) {
            std::printf("DIFFERS from widl's library: it has a type %s the tables lack\n",
                        name.c_str());
            ++widlDifferences;
        }
    std::printf("check-typelib: %zu facts compared with widl's library, %d differ (allowed: "
                "OLE_COLOR as its integer %d times, named property values %d times, event "
                "interface version and flags %d times)\n",
                compared, widlDifferences, used.colour, used.names, used.events);
    return differences == 0 && widlDifferences == 0 ? 0 : 1;
}
