// The control and contract suites over the web host alone, on the browser runtime when the build
// has it (else on the host's test text services, which know no locale: the suites that need one
// fail then).

#include "hosts/web/host/tests/test_text_services.h"
#include "tests/driver/web_driver.h"
#ifdef TESSIVRA_WEB_RUNTIME
#include "hosts/web/runtime/text_services.h"
#endif

#include <emscripten/val.h>

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    static const std::vector<const HostKind*> hosts{&WebHost};
    return hosts;
}

} // namespace tessivra::testing

int main(int argc, char** argv) {
    tessivra::testing::setWebTextServices([](const tessivra::testing::HostOptions& o) {
#ifdef TESSIVRA_WEB_RUNTIME
        auto made = tessivra::webruntime::WebTextServices::create(
            {.locale = o.locale, .codePage = o.codePage});
        if (!made.isError()) return std::unique_ptr<tessivra::TextServices>(made.releaseValue());
        std::fprintf(stderr, "no browser runtime for %s: %s\n", o.locale.c_str(),
                     tessivra::toUtf8(made.error().description).c_str());
#endif
        (void)o;
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
