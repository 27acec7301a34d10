// Registry files: the time to read a .reg file and write the registry back, per byte read.
// A file holding one key many levels deep must not cost more per byte than a shallow one (the
// reader refuses depths the real registry does not allow rather than expanding them), and a
// file of many keys costs the same per key at 1k and at 40k keys; sections naming keys 512 levels
// deep with 255-character names cost the same per byte read, and per byte written, as sections one
// level deep. Ratios are from one run.

#include "hosts/headless/registry.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

using namespace tessivra;
using namespace tessivra::headless;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string deepKeyFile(int levels) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER";
    for (int i = 0; i < levels; ++i)
        text += "\\a";
    text += "]\r\n\"v\"=\"x\"\r\n";
    return text;
}

std::string manyKeysFile(int keys) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < keys; ++i) {
        text += "[HKEY_CURRENT_USER\\Software\\Tessivra\\k" + std::to_string(i) + "\\sub]\r\n";
        text += "\"v\"=\"" + std::to_string(i) + "\"\r\n";
    }
    return text;
}

// `sections` keys, each `levels` deep with names of the longest length the registry allows; the
// first name differs from section to section so every section adds keys of its own.
std::string longNamesFile(int levels, int sections) {
    std::string text = "REGEDIT4\r\n\r\n";
    const std::string name(255, 'n');
    for (int s = 0; s < sections; ++s) {
        std::string first = std::to_string(s);
        first += std::string(255 - first.size(), 'n');
        text += "[HKEY_CURRENT_USER\\" + first;
        for (int i = 1; i < levels; ++i)
            text += "\\" + name;
        text += "]\r\n\"v\"=\"" + std::to_string(s) + "\"\r\n\r\n";
    }
    return text;
}

struct Run {
    double secondsPerByte = 0;
    std::size_t written = 0;
};

// Reads the text and, when the reader takes it, writes the registry back.
Run readAndWrite(const std::string& text) {
    double start = cpuSeconds();
    auto registry = HeadlessRegistry::fromRegFile(text);
    std::size_t written = registry.isError() ? 0 : registry.value().toRegFile().size();
    benchmark::DoNotOptimize(written);
    return {(cpuSeconds() - start) / static_cast<double>(text.size()), written};
}

void BM_DeepKey(benchmark::State& state) {
    std::string text = deepKeyFile(static_cast<int>(state.range(0)));
    Run r;
    for (auto _ : state)
        r = readAndWrite(text);
    state.counters["ns_per_byte_read"] = r.secondsPerByte * 1e9;
    state.counters["bytes_written"] = static_cast<double>(r.written);
}
BENCHMARK(BM_DeepKey)->Arg(50)->Arg(500)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RegFileRatios(benchmark::State& state) {
    const std::string shallow = deepKeyFile(50), deep = deepKeyFile(20000);
    const std::string few = manyKeysFile(1000), many = manyKeysFile(40000);
    double depthRatio = 0, keysRatio = 0;
    for (auto _ : state) {
        depthRatio = readAndWrite(deep).secondsPerByte / readAndWrite(shallow).secondsPerByte;
        keysRatio = readAndWrite(many).secondsPerByte / readAndWrite(few).secondsPerByte;
    }
    state.counters["per_byte_deep_over_shallow"] = depthRatio;
    state.counters["per_byte_40k_keys_over_1k"] = keysRatio;
}
BENCHMARK(BM_RegFileRatios)->Iterations(1)->Unit(benchmark::kMillisecond);

// Reading per byte read and writing per byte written, at one level and at 512.
void BM_LongNamesDepthRatios(benchmark::State& state) {
    const std::string shallow = longNamesFile(1, 4000), deep = longNamesFile(512, 2);
    const auto perByte = [](const std::string& text, double& read, double& write) {
        double start = cpuSeconds();
        auto registry = HeadlessRegistry::fromRegFile(text);
        read = (cpuSeconds() - start) / static_cast<double>(text.size());
        start = cpuSeconds();
        const std::string written = registry.value().toRegFile();
        write = (cpuSeconds() - start) / static_cast<double>(written.size());
    };
    double shallowRead = 0, shallowWrite = 0, deepRead = 0, deepWrite = 0;
    for (auto _ : state) {
        perByte(shallow, shallowRead, shallowWrite);
        perByte(deep, deepRead, deepWrite);
    }
    state.counters["read_ns_per_byte_1_level"] = shallowRead * 1e9;
    state.counters["read_ns_per_byte_512_levels"] = deepRead * 1e9;
    state.counters["read_per_byte_deep_over_shallow"] = deepRead / shallowRead;
    state.counters["write_per_byte_deep_over_shallow"] = deepWrite / shallowWrite;
}
BENCHMARK(BM_LongNamesDepthRatios)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
