#pragma once
// The Win32 host's test driver (hosts/win32/server/win32_host.h), for a test program built for
// Windows and run on Windows or under Wine.

#include "tests/driver/host_driver.h"

namespace tessivra::testing {

#ifdef _WIN32
extern const HostKind Win32HostKind;
#endif

} // namespace tessivra::testing
