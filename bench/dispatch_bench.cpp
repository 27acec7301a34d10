// What reaching a control through its dispatch interface costs next to calling it directly:
// name look-ups (which must not allocate) and invoke of a read and of an assignment, each
// measured with the direct C++ call in the same run and reported as a ratio.

#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "framework/dispatch.h"
#include "hosts/headless/form.h"

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>

// Every allocation of this program is counted, so a benchmark can say how many its loop made.
namespace {
std::atomic<std::size_t> allocations{0};
}

[[gnu::noinline]] void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Kept out of line: inlined into a caller, the pairing of this new with free() below looks
// mismatched to the compiler's checks although both sides are replaced together.
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tessivra {
namespace {

// The calling thread's processor time: on a shared machine the wall clock also counts the time
// other processes ran, which would blur the comparison of two paths measured one after the other.
struct ThreadClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ThreadClock>;
    static time_point now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return time_point(
            duration(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec));
    }
};
using Clock = ThreadClock;

constexpr DispId TextId = 0x68030001;
constexpr DispId BackColorId = 0x6803000F;

// One upper-case box on a headless form, with its dispatcher.
struct Fixture {
    headless::HeadlessForm form;
    TextoEmMaiusculo* box = nullptr;
    std::optional<Dispatcher> dispatcher;

    Fixture() {
        auto made = form.add<TextoEmMaiusculo>(u"t1");
        if (made.isError()) std::abort();
        box = made.value();
        if (form.place(u"t1").isError()) std::abort();
        dispatcher.emplace(*box);
    }
    // The container keeps every property-change notice; keep the list from growing for ever.
    void forgetNotices() { form.container(u"t1")->notices.clear(); }
};

double nanoseconds(Clock::duration d, std::int64_t calls) {
    return std::chrono::duration<double, std::nano>(d).count() / static_cast<double>(calls);
}

// Cycles through the names with `find` and reports the allocations per call; `mayAllocate` is
// false where the look-up promises none.
template <std::size_t N, typename Find>
void lookUp(benchmark::State& state, const std::array<std::u16string_view, N>& names,
            bool expectFound, bool mayAllocate, Find find) {
    Fixture f;
    const Dispatcher& d = *f.dispatcher;
    std::size_t i = 0;
    const std::size_t before = allocations.load();
    for (auto _ : state) {
        const bool found = find(d, names[i]);
        if (found != expectFound) {
            state.SkipWithError("look-up gave the wrong answer");
            break;
        }
        i = (i + 1) % N;
    }
    const std::size_t made = allocations.load() - before;
    state.counters["allocs_per_call"] =
        static_cast<double>(made) /
        static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
    if (made != 0 && !mayAllocate) state.SkipWithError("the name look-up allocated");
}

constexpr std::array<std::u16string_view, 8> kHits{u"text",     u"BACKCOLOR",   u"SelStart",
                                                   u"keypress", u"ToolTipText", u"popupMenu",
                                                   u"MouseUP",  u"font"};
// Misses of every kind: unknown, one letter off, a member of another class, too long.
constexpr std::array<std::u16string_view, 6> kMisses{u"Nope",        u"Txet",      u"VALUE",
                                                     u"MaskPicture", u"SelStartX", u"KeyPres"};

bool byIdOfName(const Dispatcher& d, std::u16string_view name) {
    auto id = d.idOfName(name);
    benchmark::DoNotOptimize(id);
    return !id.isError();
}
bool byFindIdOfName(const Dispatcher& d, std::u16string_view name) {
    auto id = d.findIdOfName(name);
    benchmark::DoNotOptimize(id);
    return id.has_value();
}

void BM_IdOfNameHit(benchmark::State& state) {
    lookUp(state, kHits, true, false, byIdOfName);
}
BENCHMARK(BM_IdOfNameHit);

void BM_FindIdOfNameMiss(benchmark::State& state) {
    lookUp(state, kMisses, false, false, byFindIdOfName);
}
BENCHMARK(BM_FindIdOfNameMiss);

// The error report of a miss carries its words, which is the one allocation of this path.
void BM_IdOfNameMissWithError(benchmark::State& state) {
    lookUp(state, kMisses, false, true, byIdOfName);
}
BENCHMARK(BM_IdOfNameMissWithError);

// Runs `viaDispatch` in the benchmark loop and then `direct` as often, and reports both
// per-call times, their ratio and the dispatch path's allocations.
template <typename Dispatch, typename Direct>
void compare(benchmark::State& state, Fixture& f, Dispatch viaDispatch, Direct direct) {
    std::int64_t n = 0;
    const std::size_t before = allocations.load();
    const auto start = Clock::now();
    for (auto _ : state) {
        if (!viaDispatch()) {
            state.SkipWithError("invoke failed");
            return;
        }
        if ((++n & 4095) == 0) f.forgetNotices();
    }
    const auto dispatchTime = Clock::now() - start;
    const std::size_t dispatchAllocations = allocations.load() - before;

    const auto directStart = Clock::now();
    for (std::int64_t i = 0; i < n; ++i) {
        if (!direct()) {
            state.SkipWithError("direct call failed");
            return;
        }
        if (((i + 1) & 4095) == 0) f.forgetNotices();
    }
    const auto directTime = Clock::now() - directStart;
    const std::size_t directAllocations = allocations.load() - before - dispatchAllocations;

    const double viaNs = nanoseconds(dispatchTime, std::max<std::int64_t>(1, n));
    const double directNs = nanoseconds(directTime, std::max<std::int64_t>(1, n));
    state.counters["invoke_ns"] = viaNs;
    state.counters["direct_ns"] = directNs;
    state.counters["ratio"] = directNs > 0 ? viaNs / directNs : 0;
    const double calls = static_cast<double>(std::max<std::int64_t>(1, n));
    state.counters["invoke_allocs_per_call"] = static_cast<double>(dispatchAllocations) / calls;
    state.counters["direct_allocs_per_call"] = static_cast<double>(directAllocations) / calls;
}

// Argument 0: a word short enough to live inside the string object, so that both paths copy it
// without allocating and the dispatch path's extra moves weigh most; 1: an address of ordinary
// length, which each read copies to the heap.
void BM_InvokeGetTextVersusDirect(benchmark::State& state) {
    Fixture f;
    const std::u16string_view text = state.range(0) == 0 ? u"Hello" : u"someone@example.com.br";
    if (f.box->setText(text).isError()) std::abort();
    Dispatcher& d = *f.dispatcher;
    compare(
        state, f,
        [&] {
            auto r = d.invoke(TextId, InvokeKind::Get);
            benchmark::DoNotOptimize(r);
            return !r.isError();
        },
        [&] {
            auto r = f.box->Text();
            benchmark::DoNotOptimize(r);
            return !r.isError();
        });
}
BENCHMARK(BM_InvokeGetTextVersusDirect)->Arg(0)->Arg(1);

void BM_InvokeLetBackColorVersusDirect(benchmark::State& state) {
    Fixture f;
    Dispatcher& d = *f.dispatcher;
    const Value blue[] = {Value(std::int32_t{0xFF0000})};
    compare(
        state, f,
        [&] {
            auto r = d.invoke(BackColorId, InvokeKind::Let, blue);
            benchmark::DoNotOptimize(r);
            return !r.isError();
        },
        [&] {
            auto r = f.box->setBackColor(0xFF0000u);
            benchmark::DoNotOptimize(r);
            return !r.isError();
        });
}
BENCHMARK(BM_InvokeLetBackColorVersusDirect);

} // namespace
} // namespace tessivra

BENCHMARK_MAIN();
