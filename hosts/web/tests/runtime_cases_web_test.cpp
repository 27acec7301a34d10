// The runtime case table over the runtime on the browser's Intl. Rows whose answer comes from
// locale data that the browser's own copy of the Unicode locale data gives differently are
// listed below with the reason; they are run and their answers printed, but not held to the
// table.

#include "hosts/web/runtime/text_services.h"
#include "tests/runtime_case_table.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace tessivra {
namespace {

using namespace runtimecases;

// The table, as the build embeds it into the module's file system.
const std::string kTable = "/tests/runtime_cases.tsv";

// "Operation locale argument" of each row the browser's locale data answer differently.
const std::map<std::string, std::string>& browserLocaleDifferences() {
    static const std::map<std::string, std::string> rows{
        {"Format de-CH String:1234567.891",
         "the browsers' and Node's newer Unicode locale data group Swiss German with an ASCII "
         "apostrophe (1'234'567.89) where ICU 72 writes U+2019; this runtime reads both "
         "back as the same amount"},
    };
    return rows;
}

std::string key(const Case& c) {
    return c.operation + " " + c.locale + " " + toUtf8(c.argument);
}

TEST(WebRuntimeCases, AnswerEveryCaseOfTheTable) {
    const std::vector<Case> cases = readCases(kTable);
    ASSERT_GT(cases.size(), 100u);
    std::map<std::pair<std::string, std::string>, std::unique_ptr<TextServices>> runtimes;
    for (const Case& c : cases) {
        auto& runtime = runtimes[{c.locale, c.codePage}];
        if (!runtime) {
            auto made = webruntime::WebTextServices::create({c.locale, c.codePage});
            ASSERT_FALSE(made.isError())
                << c.locale << " " << c.codePage << ": " << toUtf8(made.error().description);
            runtime = made.releaseValue();
        }
        const std::string got = toUtf8(answer(*runtime, c));
        if (auto listed = browserLocaleDifferences().find(key(c));
            listed != browserLocaleDifferences().end()) {
            std::printf("runtime_cases.tsv:%d: not held to the table (%s): answered \"%s\"\n",
                        c.line, listed->second.c_str(), got.c_str());
            continue;
        }
        EXPECT_EQ(got, toUtf8(c.result))
            << "runtime_cases.tsv:" << c.line << ": " << c.operation << " in " << c.locale << ", "
            << c.codePage << " of \"" << toUtf8(c.argument) << "\"";
    }
}

// A listing that names no row would silently excuse nothing while the row it meant is failing
// or gone.
TEST(WebRuntimeCases, EveryListedDifferenceNamesARowOfTheTable) {
    const std::vector<Case> cases = readCases(kTable);
    for (const auto& [listed, reason] : browserLocaleDifferences()) {
        bool found = false;
        for (const Case& c : cases)
            found = found || key(c) == listed;
        EXPECT_TRUE(found) << listed << " (" << reason << ")";
    }
}

} // namespace
} // namespace tessivra
