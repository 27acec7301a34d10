// Layouts per second of the currency box's two patterns through NumberFormat, against ICU's own
// formatter doing the same layout from a ready decimal string. NumberFormat does more (it reads
// the text in the locale and writes the sign itself), so the ratio says what that costs.

#include "runtime/icu/number_format.h"

#include <benchmark/benchmark.h>

#include <unicode/numberformatter.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tessivra::Value;
using tessivra::icuruntime::NumberFormat;

constexpr std::u16string_view kEditing = u"###########0.00";
constexpr std::u16string_view kDisplay = u"###,###,###,##0.00";

// What a currency box typically holds, and the decimal number each text stands for.
struct Sample {
    std::u16string_view text;
    std::string_view decimal;
};
constexpr Sample kSamples[] = {
    {u"1234.5", "1234.5"},
    {u"-1234.567", "-1234.567"},
    {u"999999999999.99", "999999999999.99"},
    {u"0", "0"},
    {u"1,234.50", "1234.50"},
    {u".5", ".5"},
    {u"42", "42"},
    {u"12345678.905", "12345678.905"},
};

std::u16string_view patternOf(const benchmark::State& state) {
    return state.range(0) == 0 ? kEditing : kDisplay;
}

// ICU alone: a formatter built once with the same places, rounding and grouping.
icu::number::LocalizedNumberFormatter directFormatter(bool grouped) {
    return icu::number::NumberFormatter::withLocale(icu::Locale("en-US"))
        .precision(icu::number::Precision::fixedFraction(2))
        .roundingMode(UNUM_ROUND_HALFUP)
        .grouping(grouped ? UNUM_GROUPING_THOUSANDS : UNUM_GROUPING_OFF)
        .sign(UNUM_SIGN_NEGATIVE);
}

std::u16string formatDirect(const icu::number::LocalizedNumberFormatter& formatter,
                            std::string_view decimal) {
    UErrorCode status = U_ZERO_ERROR;
    const auto formatted = formatter.formatDecimal(
        icu::StringPiece(decimal.data(), static_cast<std::int32_t>(decimal.size())), status);
    const icu::UnicodeString text = formatted.toTempString(status);
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

std::vector<Value> sampleValues() {
    std::vector<Value> values;
    for (const Sample& sample : kSamples)
        values.emplace_back(sample.text);
    return values;
}

void BM_NumberFormat(benchmark::State& state) {
    NumberFormat format("en-US");
    const auto values = sampleValues();
    const auto pattern = patternOf(state);
    for (auto _ : state)
        for (const Value& value : values)
            benchmark::DoNotOptimize(format.format(value, pattern));
    state.counters["formats"] = benchmark::Counter(
        static_cast<double>(state.iterations() * values.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NumberFormat)->ArgName("display")->Arg(0)->Arg(1);

void BM_IcuDirect(benchmark::State& state) {
    const auto formatter = directFormatter(state.range(0) != 0);
    for (auto _ : state)
        for (const Sample& sample : kSamples)
            benchmark::DoNotOptimize(formatDirect(formatter, sample.decimal));
    state.counters["formats"] = benchmark::Counter(
        static_cast<double>(state.iterations() * std::size(kSamples)), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IcuDirect)->ArgName("display")->Arg(0)->Arg(1);

// Both in turn within each iteration, so that whatever else the machine does slows both alike.
// "ratio" is NumberFormat's time over ICU's for the same layouts, the median over iterations:
// on a machine shared with other work, an iteration in which either side lost its core is an
// outlier the median ignores.
void BM_Ratio(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kPasses = 4; // over the samples per side and iteration, a few microseconds
    NumberFormat format("en-US");
    const auto values = sampleValues();
    const auto pattern = patternOf(state);
    const auto formatter = directFormatter(state.range(0) != 0);
    Clock::duration ours{};
    Clock::duration icu{};
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int pass = 0; pass < kPasses; ++pass)
            for (const Value& value : values)
                benchmark::DoNotOptimize(format.format(value, pattern));
        const auto middle = Clock::now();
        for (int pass = 0; pass < kPasses; ++pass)
            for (const Sample& sample : kSamples)
                benchmark::DoNotOptimize(formatDirect(formatter, sample.decimal));
        const auto end = Clock::now();
        ours += middle - start;
        icu += end - middle;
        ratios.push_back(std::chrono::duration<double>(middle - start) /
                         std::chrono::duration<double>(end - middle));
    }
    const double layouts = static_cast<double>(state.iterations() * values.size() * kPasses);
    const double oursSeconds = std::chrono::duration<double>(ours).count();
    const double icuSeconds = std::chrono::duration<double>(icu).count();
    auto median = ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2);
    std::nth_element(ratios.begin(), median, ratios.end());
    state.counters["ours_per_s"] = layouts / oursSeconds;
    state.counters["icu_per_s"] = layouts / icuSeconds;
    state.counters["ratio"] = ratios.empty() ? 0.0 : *median;
}
BENCHMARK(BM_Ratio)->ArgName("display")->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
