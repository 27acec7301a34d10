#pragma once
// The headless host as the suites see it.

#include "tests/driver/host_driver.h"

namespace tessivra::testing {

extern const HostKind HeadlessHost;

} // namespace tessivra::testing
