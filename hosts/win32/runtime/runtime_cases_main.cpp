// The Win32 runtime against the table of cases every runtime answers (tests/runtime_cases.tsv),
// plus what only this runtime has: its settings and the limits of the decimal type. Run under
// Wine by scripts/check-win32-runtime.sh, or on Windows:
//
//   tessivra_runtime_win32_cases PATH\TO\runtime_cases.tsv
//
// Prints each disagreement and "N passed, M failed"; exits 1 on any failure, 2 on an unreadable
// table. Rows where Windows' locale data (or Wine's copy of it) differs from ICU's are listed
// below with the reason: they are run and shown, and do not fail the run.

#include "hosts/win32/runtime/text_services.h"
#include "tests/runtime_case_table.h"

#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace tessivra;
using win32runtime::TextSettings;
using win32runtime::Win32TextServices;

struct KnownDifference {
    std::string_view operation, locale, argument, reason;
};

// Matched by operation, locale and argument (these arguments hold no escapes), so the list
// survives rows being added.
constexpr KnownDifference kKnownDifferences[] = {
    {"UCase", "de-DE", "straße",
     "Windows' case mapping is one character to one: ß has no single upper-case form and stays"},
    {"UCase", "el-GR", "αβγ δέλτα",
     "Windows keeps the tonos on upper-case Greek; ICU's Greek rule drops it"},
    {"LCase", "el-GR", "ΟΔΟΣ ΣΟΦΟΣ",
     "Windows lower-cases Σ to σ everywhere; ICU writes ς at the end of a word"},
    {"Format", "fr-FR", "String:1234567,891",
     "Wine's fr-FR groups with U+00A0, ICU (and Windows 10) with U+202F"},
};

const KnownDifference* knownDifference(const runtimecases::Case& c) {
    const std::string argument = toUtf8(c.argument);
    for (const KnownDifference& k : kKnownDifferences)
        if (k.operation == c.operation && k.locale == c.locale && k.argument == argument) return &k;
    return nullptr;
}

std::unique_ptr<Win32TextServices> make(const std::string& locale, const std::string& codePage) {
    const auto number = win32runtime::codePageNumber(codePage);
    if (!number) throw std::runtime_error("unknown code page " + codePage);
    return std::make_unique<Win32TextServices>(TextSettings{fromUtf8(locale), *number});
}

struct Tally {
    int passed = 0, failed = 0, known = 0;
    void check(bool ok, const std::string& what) {
        if (ok) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL %s\n", what.c_str());
        }
    }
};

template <typename T> std::string shownError(const ErrorOr<T>& r) {
    return r.isError() ? "error " + std::to_string(r.error().code) : "a value";
}

// What this runtime adds to the shared table: reading its settings, and amounts beyond the
// decimal type.
void checkOwnRules(Tally& tally) {
    using win32runtime::codePageNumber;
    tally.check(codePageNumber("windows-1254") == 1254u, "windows-1254 is code page 1254");
    tally.check(codePageNumber("cp1251") == 1251u && codePageNumber("1250") == 1250u,
                "cp1251 and 1250 name their code pages");
    for (const char* bad : {"", "windows-", "windows-12a", "utf-8", "-1252", "70000", "0"})
        tally.check(!codePageNumber(bad), std::string("\"") + bad + "\" names no code page");

    bool refused = false;
    try {
        Win32TextServices(TextSettings{u"xx-NOPE", 1252});
    } catch (const std::runtime_error&) {
        refused = true;
    }
    tally.check(refused, "an unknown locale is refused");
    refused = false;
    try {
        Win32TextServices(TextSettings{u"en-US", 65001}); // UTF-8 is not single-byte
    } catch (const std::runtime_error&) {
        refused = true;
    }
    tally.check(refused, "a multi-byte code page is refused");

    Win32TextServices en(TextSettings{u"en-US", 1252});
    // Beyond the decimal type's 29 digits an amount cannot be carried exactly: an overflow,
    // never a rounded-off amount.
    const auto huge = en.Format(Value(std::u16string(u"123456789012345678901234567890")),
                                u"###,###,###,##0.00", 1, 1);
    tally.check(huge.isError() && huge.error().code == 6,
                "a 30-digit amount is an overflow, got " + shownError(huge));
    const auto large = en.Format(Value(3.0e38f), u"0.00", 1, 1);
    tally.check(large.isError() && large.error().code == 6,
                "a Single beyond the decimal type is an overflow, got " + shownError(large));
    // The largest amount the type holds still rounds: up past its last digit it cannot go.
    const auto top =
        en.Format(Value(std::u16string(u"79228162514264337593543950335")), u"###########0", 1, 1);
    tally.check(!top.isError() && top.value() == u"79228162514264337593543950335",
                "the largest decimal is written whole");
    // A typed key keeps its answer once asked, asked again through the cache.
    for (int pass = 0; pass < 2; ++pass) {
        const auto up = en.UCase(u"ß");
        tally.check(!up.isError() && up.value() == u"ß", "ß typed stays one character");
        // Μ, µ's capital, is not in Windows-1252; in a longer text it is ("5 ΜM").
        const auto micro = en.UCase(u"µ");
        tally.check(!micro.isError() && micro.value() == u"µ", "µ typed stays µ");
        const auto y = en.UCase(u"ÿ"); // Ÿ is 0x9F in Windows-1252
        tally.check(!y.isError() && y.value() == u"Ÿ", "ÿ typed becomes Ÿ");
    }
    Win32TextServices greek(TextSettings{u"el-GR", 1253});
    const auto micro = greek.Asc(u"µ");
    tally.check(!micro.isError() && micro.value() == 181, "µ has its own code in Windows-1253");
    const auto pi = greek.LCase(u"Π");
    tally.check(!pi.isError() && pi.value() == u"π", "Π typed becomes π in Windows-1253");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RUNTIME_CASES.TSV\n", argv[0]);
        return 2;
    }
    std::vector<runtimecases::Case> cases;
    try {
        cases = runtimecases::readCases(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    Tally tally;
    try {
        std::map<std::pair<std::string, std::string>, std::unique_ptr<Win32TextServices>> runtimes;
        for (const runtimecases::Case& c : cases) {
            auto& runtime = runtimes[{c.locale, c.codePage}];
            if (!runtime) runtime = make(c.locale, c.codePage);
            const std::string got = toUtf8(runtimecases::answer(*runtime, c));
            const std::string want = toUtf8(c.result);
            const std::string where = "runtime_cases.tsv:" + std::to_string(c.line) + ": " +
                                      c.operation + " in " + c.locale + ", " + c.codePage +
                                      " of \"" + toUtf8(c.argument) + "\": got \"" + got +
                                      "\", expected \"" + want + "\"";
            if (const KnownDifference* k = knownDifference(c)) {
                ++tally.known;
                std::printf("%s %s (%s)\n", got == want ? "AGREES NOW" : "DIFFERS", where.c_str(),
                            std::string(k->reason).c_str());
                continue;
            }
            tally.check(got == want, where);
        }
        checkOwnRules(tally);
    } catch (const std::exception& e) {
        std::printf("FAIL %s\n", e.what());
        ++tally.failed;
    }
    std::printf("%d passed, %d failed (%d rows where Windows and ICU differ, not counted)\n",
                tally.passed, tally.failed, tally.known);
    return tally.failed == 0 ? 0 : 1;
}
