#pragma once
// The Qt host as the suites see it: real widgets on the offscreen platform.

#include "tests/driver/host_driver.h"

class QApplication;

namespace tessivra::testing {

extern const HostKind QtHostKind;

// The one application object of the test process, made on first use on the offscreen platform
// (unless QT_QPA_PLATFORM names another).
QApplication& qtApplication();
// Runs the queued work of the event loop: posted events, queued calls, sent keys.
void processQtEvents();

} // namespace tessivra::testing
