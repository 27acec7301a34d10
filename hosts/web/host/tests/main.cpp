// Runs the tests in the page and writes the closing line where a headless browser's dump of the
// page shows it: "N passed, M failed".

#include <emscripten/val.h>
#include <gtest/gtest.h>

#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    const auto& unit = *::testing::UnitTest::GetInstance();
    const std::string line = std::to_string(unit.successful_test_count()) + " passed, " +
                             std::to_string(unit.failed_test_count()) + " failed";
    auto document = emscripten::val::global("document");
    auto result = document.call<emscripten::val>("createElement", emscripten::val("pre"));
    result.set("id", "result");
    result.set("textContent", line);
    document["body"].call<void>("appendChild", result);
    std::printf("%s\n", line.c_str());
    return status;
}
