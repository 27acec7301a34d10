#pragma once
// What the tests of the headless host itself share; the handler sink, `u` and ASSERT_OK come
// from the host driver's header, as the suites that run on every host use them.

#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"
#include "tests/driver/host_driver.h"

namespace tessivra::testing {

using headless::HeadlessForm;
using headless::HeadlessPropertyBag;
using headless::HeadlessTextBox;

} // namespace tessivra::testing
