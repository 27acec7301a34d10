// The control and contract suites over the web host alone, with the host's test text services:
// a check of the host and its driver before the browser runtime takes their place.

#include "hosts/web/host/tests/test_text_services.h"
#include "tests/driver/web_driver.h"

#include <emscripten/val.h>

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    static const std::vector<const HostKind*> hosts{&WebHost};
    return hosts;
}

} // namespace tessivra::testing

int main(int argc, char** argv) {
    tessivra::testing::setWebTextServices([](const tessivra::testing::HostOptions&) {
        return std::unique_ptr<tessivra::TextServices>(
            std::make_unique<tessivra::testing::TestTextServices>());
    });
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
