#pragma once
// The web host as the suites see it: the form is a page of DOM elements, the input real DOM
// events dispatched on them, so that the suites run over the same paths a user's keys take.

#include "tests/driver/host_driver.h"

#include <functional>
#include <memory>

namespace tessivra::testing {

extern const HostKind WebHost;

// Where the web host's text services come from: the runtime the page is built with. A test
// program sets it before the suites run.
using TextServicesMaker = std::function<std::unique_ptr<TextServices>(const HostOptions&)>;
void setWebTextServices(TextServicesMaker);

} // namespace tessivra::testing
