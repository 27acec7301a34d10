// The hosts this build instantiates the suites over. A host joins by adding its kind here.

#include "tests/driver/headless_driver.h"
#ifdef TESSIVRA_WITH_QT
#include "tests/driver/qt_driver.h"
#endif

namespace tessivra::testing {

const std::vector<const HostKind*>& hostsUnderTest() {
    static const std::vector<const HostKind*> hosts{&HeadlessHost
#ifdef TESSIVRA_WITH_QT
                                                    ,
                                                    &QtHostKind
#endif
    };
    return hosts;
}

} // namespace tessivra::testing
