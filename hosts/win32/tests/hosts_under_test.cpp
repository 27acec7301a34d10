// The control suites and the contract suite over the Win32 host: the controls on real child
// windows, driven by window messages as a user's keyboard and mouse make them.

#include "tests/driver/win32_driver.h"

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    static const std::vector<const HostKind*> hosts{&Win32HostKind};
    return hosts;
}

} // namespace tessivra::testing
