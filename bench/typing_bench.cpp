// Typing into a box that already holds a long text: a key must cost what it changes, not what
// the box holds. Keys are typed at the end of TextoEmMaiusculo holding 1k and then 100k
// characters, in one run; the reported ratio is the time per key at 100k over that at 1k.

#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "hosts/headless/form.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <stdexcept>

using namespace tessivra;
using namespace tessivra::headless;

namespace {

// Processor time of this thread: what the work costs, whatever else the machine runs.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Seconds per key, typing a letter and taking it back with Backspace so that the length holds.
double secondsPerKey(std::size_t length, int keys) {
    HeadlessForm form;
    auto* control = form.add<TextoEmMaiusculo>(u"t1").value();
    auto* box = form.container(u"t1")->find<HeadlessTextBox>(u"Text1");
    if (control->setText(std::u16string(length, u'X')).isError() ||
        box->setSelStart(static_cast<std::int32_t>(length)).isError() ||
        form.moveFocus(box).isError())
        throw std::runtime_error("set-up failed");
    double start = cpuSeconds();
    for (int i = 0; i < keys / 2; ++i) {
        if (box->typeCharacter(u'a').isError() || box->pressKey(8, 0).isError())
            throw std::runtime_error("typing failed");
    }
    if (box->text().size() != length) throw std::runtime_error("the text did not hold");
    return (cpuSeconds() - start) / keys;
}

void BM_TypingAtLength(benchmark::State& state) {
    double total = 0;
    for (auto _ : state)
        total += secondsPerKey(static_cast<std::size_t>(state.range(0)), 2000);
    state.counters["us_per_key"] = total / static_cast<double>(state.iterations()) * 1e6;
}
BENCHMARK(BM_TypingAtLength)->Arg(1000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_TypingLengthRatio(benchmark::State& state) {
    double shortText = 0, longText = 0;
    for (auto _ : state) {
        shortText += secondsPerKey(1000, 20000);
        longText += secondsPerKey(100000, 20000);
    }
    state.counters["per_key_100k_over_1k"] = longText / shortText;
}
BENCHMARK(BM_TypingLengthRatio)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
