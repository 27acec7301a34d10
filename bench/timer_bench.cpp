// Timers on a form of many clocks: a second of virtual time fires every clock's timer once, and
// each firing must reach its own timer without looking at the others. The reported ratio is
// the tick's cost per control with 40k clocks over that with 1k, in one run.

#include "controls/display/HoraAtual/HoraAtual.h"
#include "hosts/headless/form.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <stdexcept>
#include <string>

using namespace tessivra;
using namespace tessivra::headless;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Seconds per control for `tick 1000` on a form of n clocks.
double tickPerControl(int n) {
    auto form = std::make_unique<HeadlessForm>();
    for (int i = 0; i < n; ++i)
        if (form->add<HoraAtual>(u"h" + fromUtf8(std::to_string(i))).isError())
            throw std::runtime_error("create failed");
    double start = cpuSeconds();
    if (form->tick(1000).isError()) throw std::runtime_error("tick failed");
    return (cpuSeconds() - start) / n;
}

void BM_TickPerControl(benchmark::State& state) {
    double total = 0;
    for (auto _ : state)
        total += tickPerControl(static_cast<int>(state.range(0)));
    state.counters["us_per_control"] = total / static_cast<double>(state.iterations()) * 1e6;
}
BENCHMARK(BM_TickPerControl)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TickControlsRatio(benchmark::State& state) {
    double few = 0, many = 0;
    for (auto _ : state) {
        few += tickPerControl(1000);
        many += tickPerControl(40000);
    }
    state.counters["per_control_40k_over_1k"] = many / few;
}
BENCHMARK(BM_TickControlsRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
