// The control suites and the contract suite over the web host, with the runtime on the browser's
// Intl as its text services: the controls in a page as a user's browser runs them.

#include "hosts/web/runtime/text_services.h"
#include "tests/driver/web_driver.h"

#include <cstdio>
#include <cstdlib>

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    // Asked for when the suites are instantiated, before any host is made.
    static const std::vector<const HostKind*> hosts = [] {
        setWebTextServices([](const HostOptions& o) -> std::unique_ptr<TextServices> {
            auto made = webruntime::WebTextServices::create({o.locale, o.codePage});
            if (made.isError()) {
                std::fprintf(stderr, "web runtime: %s\n", toUtf8(made.error().description).c_str());
                std::abort();
            }
            return made.releaseValue();
        });
        return std::vector<const HostKind*>{&WebHost};
    }();
    return hosts;
}

} // namespace tessivra::testing
