#include "hosts/headless/faults.h"

#include "framework/host/value.h"

namespace tessivra::headless {

ErrorOr<void> FaultPlan::check(std::u16string_view control, std::u16string_view part,
                               std::string_view member) {
    std::string plain = toUtf8(part) + "." + std::string(member);
    std::string qualified = toUtf8(control) + "." + plain;
    for (auto it = armed_.begin(); it != armed_.end(); ++it) {
        if (it->call != plain && it->call != qualified) continue;
        if (it->skip-- > 0) return {};
        std::string call = it->call;
        armed_.erase(it);
        return Error{InjectedFailureCode, u"Injected failure at " + fromUtf8(call)};
    }
    return {};
}

} // namespace tessivra::headless
