// Reads arbitrary text as a saved property bag. A text the reader accepts must write back to a
// text that reads to the same bag, and loading it into a control must end in success or a
// reported failure, never a crash. The same bytes also make a bag of arbitrary values: every
// value it accepts must write to a file that reads back and writes the same file again.

#include "controls/shipped_classes.h"
#include "framework/registry/class_table.h"
#include "fuzz/input.h"
#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

#include <cstdlib>
#include <string_view>

namespace {

void writeReadWrite(const std::uint8_t* data, std::size_t size) {
    using namespace tessivra;
    fuzz::Input in(data, size);
    headless::HeadlessPropertyBag bag;
    for (int i = 0; i < 8 && !in.empty(); ++i)
        (void)bag.WriteProperty(in.text(8), in.value(), Value());
    const std::string written = bag.toJson();
    auto back = headless::HeadlessPropertyBag::fromJson(written);
    if (back.isError() || back.value().entries().size() != bag.entries().size() ||
        back.value().toJson() != written)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessivra;
    writeReadWrite(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto bag = headless::HeadlessPropertyBag::fromJson(text);
    if (bag.isError()) return 0;

    const std::string written = bag.value().toJson();
    auto again = headless::HeadlessPropertyBag::fromJson(written);
    if (again.isError() || again.value().toJson() != written) std::abort();

    // Every built class reads the bag; values of the wrong type must be refused, not trusted.
    for (const ControlClassInfo& info : shippedClasses()) {
        if (!info.Class) continue;
        headless::HeadlessForm form;
        using Made = headless::ControlFactory::result_type;
        auto create = info.create;
        auto made = form.add(
            u"c", [create](Site s) -> Made { return TRY(create(s)); }, info.Class->designWidth,
            info.Class->designHeight);
        if (made.isError()) continue;
        headless::HeadlessPropertyBag copy = bag.value();
        (void)form.load(u"c", copy);
        headless::HeadlessPropertyBag saved;
        (void)form.save(u"c", saved);
        (void)saved.toJson();
    }
    return 0;
}
