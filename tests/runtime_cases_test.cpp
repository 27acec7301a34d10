// Every runtime's text services against one table of cases (runtime_cases.tsv): case conversion,
// code pages, Format, CStr, InStr, StrConv and the time text. A runtime joins by adding a line to
// the instantiation at the end: a name and a way to make it for a locale and a code page.

#include "hosts/headless/journal.h"
#include "hosts/headless/runtime.h"
#include "runtime/icu/text_services.h"
#include "tests/runtime_case_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace tessivra {
namespace {

using runtimecases::answer;
using runtimecases::Case;

std::vector<Case> readCases() {
    return runtimecases::readCases(TESSIVRA_SOURCE_DIR "/tests/runtime_cases.tsv");
}

// A runtime under test: made afresh for each locale and code page of the table.
struct RuntimeMaker {
    std::string name;
    std::function<std::shared_ptr<TextServices>(const std::string& locale,
                                                const std::string& codePage)>
        make;
};

class RuntimeCases : public ::testing::TestWithParam<RuntimeMaker> {};

TEST_P(RuntimeCases, AnswerEveryCaseOfTheTable) {
    const std::vector<Case> cases = readCases();
    std::map<std::pair<std::string, std::string>, std::shared_ptr<TextServices>> runtimes;
    for (const Case& c : cases) {
        auto& runtime = runtimes[{c.locale, c.codePage}];
        if (!runtime) runtime = GetParam().make(c.locale, c.codePage);
        EXPECT_EQ(toUtf8(answer(*runtime, c)), toUtf8(c.result))
            << "runtime_cases.tsv:" << c.line << ": " << c.operation << " in " << c.locale << ", "
            << c.codePage << " of \"" << toUtf8(c.argument) << "\"";
    }
}

TEST(RuntimeCaseTable, CoversEveryServiceInSeveralLocalesAndCodePages) {
    const std::vector<Case> cases = readCases();
    std::map<std::string, std::set<std::string>> locales, codePages;
    for (const Case& c : cases) {
        locales[c.operation].insert(c.locale);
        codePages[c.operation].insert(c.codePage);
    }
    for (const char* op : {"UCase", "LCase", "Chr", "Asc", "CodePage", "Format", "CStr", "InStr",
                           "StrConv", "TimeText"})
        EXPECT_TRUE(locales.contains(op)) << op;
    for (const char* op : {"UCase", "LCase", "Format", "TimeText"})
        EXPECT_GE(locales[op].size(), 3u) << op;
    for (const char* op : {"CodePage", "StrConv"})
        EXPECT_GE(codePages[op].size(), 4u) << op;
}

// The shared ICU runtime, and the headless host's, which puts its fault checks in front of it.
struct HeadlessRuntimeHolder {
    headless::FaultPlan faults;
    headless::Journal journal;
    headless::HeadlessRuntime runtime;
    HeadlessRuntimeHolder(const std::string& locale, const std::string& codePage)
        : runtime(headless::RuntimeSettings{.locale = locale, .codePage = codePage}, faults,
                  journal) {}
};

INSTANTIATE_TEST_SUITE_P(
    Runtimes, RuntimeCases,
    ::testing::Values(
        RuntimeMaker{"Icu",
                     [](const std::string& locale, const std::string& codePage) {
                         return std::make_shared<icuruntime::IcuTextServices>(
                             icuruntime::TextSettings{.locale = locale, .codePage = codePage});
                     }},
        RuntimeMaker{"Headless",
                     [](const std::string& locale, const std::string& codePage) {
                         auto holder = std::make_shared<HeadlessRuntimeHolder>(locale, codePage);
                         return std::shared_ptr<TextServices>(holder, &holder->runtime);
                     }}),
    [](const ::testing::TestParamInfo<RuntimeMaker>& param) { return param.param.name; });

} // namespace
} // namespace tessivra
