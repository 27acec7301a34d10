// Drives every built control class through its dispatcher with arbitrary identifiers, access
// kinds and arguments, and its event side with arbitrary arguments. Whatever the input, a call
// either succeeds or is refused with a status; it never crashes, and a refusal before the member
// runs changes nothing the control reports.

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "fuzz/input.h"
#include "hosts/headless/form.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace tessivra::fuzz {
namespace {

// A client that changes the arguments it is handed, as a form's handler may.
class MeddlingSink final : public EventSink {
public:
    explicit MeddlingSink(Input& in) : in_(in) {}
    ErrorOr<void> Invoke(DispId, EventArgs args) override {
        for (const EventArg& a : args)
            if (in_.byte() & 1) (void)a.set(in_.value());
        if (in_.byte() == 0xFF) return Error::invalidPropertyValue();
        return {};
    }

private:
    Input& in_;
};

// Identifiers worth trying: every member's and event's, their neighbours, and the odd one out.
DispId pickId(Input& in, const ControlClass& cls) {
    const std::uint8_t how = in.byte() % 4;
    if (how == 0 && !cls.members.empty()) return cls.members[in.byte() % cls.members.size()].id;
    if (how == 1) return 0x68030000 + static_cast<DispId>(in.byte() % 40) - 4;
    if (how == 2) return static_cast<DispId>(in.byte() % 12);
    return in.number<DispId>();
}

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace
} // namespace tessivra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessivra;
    fuzz::Input in(data, size);

    std::vector<const ControlClassInfo*> built;
    for (const ControlClassInfo& info : shippedClasses())
        if (info.Class) built.push_back(&info);
    const ControlClassInfo& info = *built[in.byte() % built.size()];

    headless::HeadlessForm form;
    using Made = headless::ControlFactory::result_type;
    auto create = info.create;
    auto made = form.add(
        u"c", [create](Site s) -> Made { return TRY(create(s)); }, info.Class->designWidth,
        info.Class->designHeight);
    if (made.isError()) return 0;
    (void)form.place(u"c");
    Dispatcher d(*made.value());
    fuzz::MeddlingSink sink(in);
    d.advise(&sink);
    form.container(u"c")->sink = &sink;

    while (!in.empty()) {
        switch (in.byte() % 8) {
        case 0: {
            // Any name: found or not, never more than a status, and both look-ups agree.
            const std::u16string name = in.text(16);
            auto id = d.idOfName(name);
            auto found = d.findIdOfName(name);
            fuzz::check(found.has_value() != id.isError());
            if (found) fuzz::check(*found == id.value());
            break;
        }
        case 1:
        case 2: {
            const DispId id = fuzz::pickId(in, d.controlClass());
            const auto kind = static_cast<InvokeKind>(in.byte() % 4);
            std::vector<Value> args(in.byte() % 7);
            for (Value& v : args)
                v = in.value();
            const std::size_t noticesBefore = form.container(u"c")->notices.size();
            auto r = d.invoke(id, kind, args);
            if (r.isError()) {
                fuzz::check(r.error().code < 0);
                // Refused before the member ran: the container heard of no change.
                if (!r.error().isException())
                    fuzz::check(form.container(u"c")->notices.size() == noticesBefore);
            }
            break;
        }
        case 3: {
            // The event side, with any identifier and arguments of either type.
            std::int16_t i2[4]{};
            float r4[4]{};
            std::vector<EventArg> args;
            const std::size_t n = in.byte() % 5;
            for (std::size_t i = 0; i < n; ++i) {
                if (in.byte() & 1) {
                    i2[i] = in.number<std::int16_t>();
                    args.emplace_back(i2[i]);
                } else {
                    r4[i] = in.number<float>();
                    args.emplace_back(r4[i]);
                }
            }
            (void)d.raiseEvent(static_cast<DispId>(in.byte() % 12), args);
            break;
        }
        case 4:
            // Typing, so that the control raises its own events to the meddling client.
            (void)form.type(u"c", in.text(4));
            break;
        case 5: {
            // Any size, not-a-number and infinities included: taken whole or refused whole.
            const Twips w = in.number<float>(), h = in.number<float>();
            const auto* site = form.container(u"c");
            const Twips oldW = site->width(), oldH = site->height();
            auto r = form.resize(u"c", w, h);
            // A size that is not a finite number is refused before anything changes.
            if (!std::isfinite(w) || !std::isfinite(h))
                fuzz::check(r.isError() && site->width() == oldW && site->height() == oldH);
            break;
        }
        case 6: {
            const auto what = in.byte() % 3;
            (void)form.mouse(u"c", u"", what, in.number<std::int16_t>(), in.number<std::int16_t>(),
                             in.number<float>(), in.number<float>());
            break;
        }
        case 7: {
            // Any advance of the clock ends, and the clock never runs back.
            const std::int64_t before = form.runtime().clockMs;
            const auto advance = in.number<std::int64_t>();
            if (!form.tick(advance).isError())
                fuzz::check(form.runtime().clockMs == before + advance);
            fuzz::check(form.runtime().clockMs >= before);
            break;
        }
        }
    }
    return 0;
}
