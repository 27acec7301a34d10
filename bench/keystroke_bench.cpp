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

struct Bench {
    HeadlessForm form;
    HeadlessTextBox* control = nullptr;
    HeadlessTextBox* bare = nullptr;

    Bench() {
        (void)form.add<TextoEmMaiusculo>(u"t1");
        auto* site = form.container(u"t1");
        control = site->find<HeadlessTextBox>(u"Text1");
        TextBoxDesign design{.name = u"Bare", .bounds = {0, 0, 3975, 300}, .tabIndex = 5};
        bare = static_cast<HeadlessTextBox*>(site->addTextBox(design, nullptr).value());
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
    for (auto _ : state) {
        auto typed = box->typeCharacter(u'a');
        auto erased = box->pressKey(8, 0);
        benchmark::DoNotOptimize(typed);
        benchmark::DoNotOptimize(erased);
    }
    double keys = 2.0 * static_cast<double>(state.iterations());
    state.counters["keys_per_second"] = benchmark::Counter(keys, benchmark::Counter::kIsRate);
    state.counters["allocations_per_key"] = static_cast<double>(allocations.load() - before) / keys;
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
