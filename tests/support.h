#pragma once
// What the tests share: a headless form with its journal on, and a form-side event handler.

#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

#include <gtest/gtest.h>

#include <functional>

namespace tessivra::testing {

using headless::HeadlessForm;
using headless::HeadlessPropertyBag;
using headless::HeadlessTextBox;

// A form handler: runs the function for every event a control raises.
class HandlerSink final : public EventSink {
public:
    std::function<void(DispId, EventArgs)> handler;
    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        if (handler) handler(id, args);
        return {};
    }
};

inline std::u16string u(std::string_view s) {
    return fromUtf8(s);
}

// Fails the test with the host's error text when a call fails.
#define ASSERT_OK(expr)                                                                            \
    do {                                                                                           \
        auto&& _r = (expr);                                                                        \
        ASSERT_FALSE(_r.isError())                                                                 \
            << #expr << ": " << _r.error().code << " " << toUtf8(_r.error().description);          \
    } while (0)

} // namespace tessivra::testing
