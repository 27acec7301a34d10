// The hosts this build instantiates the suites over. A host joins by adding its kind here.

#include "tests/driver/headless_driver.h"

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    static const std::vector<const HostKind*> hosts{&HeadlessHost};
    return hosts;
}

} // namespace tessivra::testing
