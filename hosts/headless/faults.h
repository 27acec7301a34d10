#pragma once
// Fault injection: a test or script names a host call, and that call fails once, so that it can
// be shown that a routine stops there and hands the failure on.
//
// Calls are named "<part>.<Member>" for reads and calls and "<part>.<Member>=" for assignments;
// <part> is a constituent's name (Text1, Command1, VScroll1, Label1...), "UserControl" for the
// control's container, "PropBag" for the property bag, "Runtime" or "Shell". A name may be
// qualified with the control's name on the form: "t1.Text1.Text=".

#include "framework/host/error.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessivra::headless {

inline constexpr std::int32_t InjectedFailureCode = 1000;

class FaultPlan {
public:
    // The call fails when it is made for the (skip+1)-th time from now.
    void failNext(std::string call, int skip = 0) { armed_.push_back({std::move(call), skip}); }
    bool armed() const { return !armed_.empty(); }
    void clear() { armed_.clear(); }

    ErrorOr<void> check(std::u16string_view control, std::u16string_view part,
                        std::string_view member);

private:
    struct Entry {
        std::string call;
        int skip;
    };
    std::vector<Entry> armed_;
};

// The one check every headless call makes first; free when nothing is armed.
#define TESSIVRA_FAULT(plan, control, part, member)                                                \
    do {                                                                                           \
        if ((plan).armed()) [[unlikely]]                                                           \
            TRY((plan).check(control, part, member));                                              \
    } while (0)

} // namespace tessivra::headless
