// The keystroke path: a key typed into TextoEmMaiusculo on the headless host against the same
// key typed into a bare headless text box, in one run. Each iteration types a letter and takes
// it back with Backspace, so the text stays short and the run is in its steady state.

#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "hosts/headless/form.h"

#include <benchmark/benchmark.h>

// Counting allocations replaces the global operator new; the matching delete frees with free().
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> allocations{0};
} // namespace

void* operator new(std::size_t n) {
    ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace tessivra;
using namespace tessivra::headless;

namespace {

// The form's handlers: for the control's events, raised by number, and for the bare box's own
// events, delivered by the host. Both count what they hear, so the two paths end in the same
// handler work and a run shows that each key reached the form with the same events.
class FormHandlers final : public EventSink, public TextBoxEvents {
public:
    long long heard = 0;

    ErrorOr<void> Invoke(DispId, EventArgs) override { return hear(); }
    ErrorOr<void> Change() override { return hear(); }
    ErrorOr<void> Click() override { return hear(); }
    ErrorOr<void> DblClick() override { return hear(); }
    ErrorOr<void> GotFocus() override { return hear(); }
    ErrorOr<void> LostFocus() override { return hear(); }
    ErrorOr<void> KeyDown(std::int16_t&, std::int16_t&) override { return hear(); }
    ErrorOr<void> KeyPress(std::int16_t&) override { return hear(); }
    ErrorOr<void> KeyUp(std::int16_t&, std::int16_t&) override { return hear(); }
    ErrorOr<void> MouseDown(std::int16_t&, std::int16_t&, float&, float&) override {
        return hear();
    }
    ErrorOr<void> MouseMove(std::int16_t&, std::int16_t&, float&, float&) override {
        return hear();
    }
    ErrorOr<void> MouseUp(std::int16_t&, std::int16_t&, float&, float&) override { return hear(); }

private:
    ErrorOr<void> hear() {
        ++heard;
        return {};
    }
};

struct Bench {
    HeadlessForm form;
    FormHandlers handlers;
    HeadlessTextBox* control = nullptr;
    HeadlessTextBox* bare = nullptr;

    Bench() {
        (void)form.add<TextoEmMaiusculo>(u"t1");
        auto* site = form.container(u"t1");
        site->sink = &handlers;
        control = site->find<HeadlessTextBox>(u"Text1");
        // A plain text box of the host, its events going straight to the form.
        TextBoxDesign design{.name = u"Bare", .bounds = {0, 0, 3975, 300}, .tabIndex = 5};
        bare = static_cast<HeadlessTextBox*>(site->addTextBox(design, &handlers).value());
    }
};

void typeAndTakeBack(benchmark::State& state, bool throughControl) {
    Bench b;
    HeadlessTextBox* box = throughControl ? b.control : b.bare;
    (void)b.form.moveFocus(box);
    for (int i = 0; i < 1000; ++i) { // warm up
        (void)box->typeCharacter(u'a');
        (void)box->pressKey(8, 0);
    }
    long long before = allocations.load();
    long long heardBefore = b.handlers.heard;
    for (auto _ : state) {
        auto typed = box->typeCharacter(u'a');
        auto erased = box->pressKey(8, 0);
        benchmark::DoNotOptimize(typed);
        benchmark::DoNotOptimize(erased);
    }
    double keys = 2.0 * static_cast<double>(state.iterations());
    state.counters["keys_per_second"] = benchmark::Counter(keys, benchmark::Counter::kIsRate);
    state.counters["allocations_per_key"] = static_cast<double>(allocations.load() - before) / keys;
    state.counters["form_events_per_key"] =
        static_cast<double>(b.handlers.heard - heardBefore) / keys;
}

void BM_BareTextBox(benchmark::State& state) {
    typeAndTakeBack(state, false);
}
void BM_TextoEmMaiusculo(benchmark::State& state) {
    typeAndTakeBack(state, true);
}
BENCHMARK(BM_BareTextBox);
BENCHMARK(BM_TextoEmMaiusculo);

// Both paths timed back to back in one run, reported as the control's cost over the bare box.
void BM_KeystrokeRatio(benchmark::State& state) {
    Bench b;
    auto timeKeys = [&](HeadlessTextBox* box, int n) {
        (void)b.form.moveFocus(box);
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) {
            (void)box->typeCharacter(u'a');
            (void)box->pressKey(8, 0);
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double bare = 0, control = 0;
    long long controlAllocations = 0, bareAllocations = 0;
    for (auto _ : state) {
        long long a0 = allocations.load();
        bare += timeKeys(b.bare, 20000);
        long long a1 = allocations.load();
        control += timeKeys(b.control, 20000);
        bareAllocations += a1 - a0;
        controlAllocations += allocations.load() - a1;
    }
    state.counters["control_over_bare"] = control / bare;
    state.counters["extra_allocations_per_key"] =
        static_cast<double>(controlAllocations - bareAllocations) /
        (40000.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_KeystrokeRatio)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
