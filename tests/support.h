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

// A form holding one text control under `name`, placed, its events going to `sink`; derived
// fixtures add what else they need in SetUp and then clear the journal.
template <typename C> class PlacedTextControl : public ::testing::Test {
protected:
    explicit PlacedTextControl(std::u16string controlName, headless::RuntimeSettings settings = {})
        : form(std::move(settings)), name(std::move(controlName)) {}

    void SetUp() override {
        form.journal().enabled = true;
        auto c = form.add<C>(name);
        ASSERT_FALSE(c.isError());
        box = c.value();
        auto placed = form.place(name);
        ASSERT_FALSE(placed.isError());
        site()->sink = &sink;
        text1 = site()->template find<HeadlessTextBox>(u"Text1");
    }
    headless::HeadlessContainer* site() const { return form.container(name); }
    std::u16string text() const { return text1->text(); }

    HeadlessForm form;
    std::u16string name;
    C* box = nullptr;
    HeadlessTextBox* text1 = nullptr;
    HandlerSink sink;
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
