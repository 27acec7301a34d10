// Many instances on one headless form: for each class, the bytes one instance takes and the time
// to create, save and load a thousand and ten thousand of them, so that growth can be checked to
// be linear (the ten-thousand figure within 1.3 times ten times the thousand figure).

#include "controls/shipped_classes.h"
#include "framework/registry/class_table.h"
#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <malloc.h>
#include <string>

using namespace tessivra;
using namespace tessivra::headless;

namespace {

struct Figures {
    double seconds = 0;
    double bytesPerInstance = 0;
};

// Creates n instances of the class, saves each and loads each again, on a new form.
Figures createSaveLoad(const ControlClassInfo& info, int n) {
    auto form = std::make_unique<HeadlessForm>();
    ControlClassTable table{shippedClasses()};
    std::vector<std::u16string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(u"c" + fromUtf8(std::to_string(i)));
    auto factory = [&](Site site) -> ErrorOr<std::shared_ptr<Control>> {
        return std::shared_ptr<Control>(TRY(table.create(info, site)));
    };
    std::size_t before = mallinfo2().uordblks;
    // Processor time of this thread: what the work costs, whatever else the machine runs.
    auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    double start = cpu();
    for (const auto& name : names)
        if (form->add(name, factory, info.Class->designWidth, info.Class->designHeight).isError())
            throw std::runtime_error("create failed");
    std::size_t afterCreate = mallinfo2().uordblks;
    HeadlessPropertyBag bag;
    for (const auto& name : names) {
        bag.clear();
        if (form->save(name, bag).isError() || form->load(name, bag).isError())
            throw std::runtime_error("save or load failed");
    }
    double seconds = cpu() - start;
    return {seconds, static_cast<double>(afterCreate - before) / n};
}

void BM_Instances(benchmark::State& state) {
    const ControlClassInfo& info = shippedClasses()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(std::string(info.Name));
    // The best of three runs of each size, so that a busy machine does not pass for growth.
    Figures thousand{1e9, 0}, tenThousand{1e9, 0};
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            auto a = createSaveLoad(info, 1000);
            auto b = createSaveLoad(info, 10000);
            if (a.seconds < thousand.seconds) thousand = a;
            if (b.seconds < tenThousand.seconds) tenThousand = b;
        }
    }
    state.counters["bytes_per_instance"] = tenThousand.bytesPerInstance;
    state.counters["ms_1000"] = thousand.seconds * 1e3;
    state.counters["ms_10000"] = tenThousand.seconds * 1e3;
    // 1.0 is perfectly linear; the target is at most 1.3.
    state.counters["growth_vs_linear"] = tenThousand.seconds / (10 * thousand.seconds);
}
BENCHMARK(BM_Instances)->DenseRange(0, 7)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Keep freed memory in the process: otherwise every large run pays the kernel again for
    // fresh pages, and the bigger figure would measure page faults rather than the controls.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
