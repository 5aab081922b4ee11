// The measurements of one frame: the phase correlation at its worst (no period found, so all
// 20001 lags are computed), at a typical period, and one channel's other parameters.

#include "analysis/FftTransform.h"
#include "analysis/Measurements.h"
#include "analysis/Phase.h"
#include "base/Numbers.h"
#include "support/AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>

using namespace tarvik;

namespace {

using Points = std::array<std::int32_t, kChannelPoints>;

Points sine(double period, double delay) {
    Points x{};
    for (int n = 0; n < kChannelPoints; ++n)
        x[n] = static_cast<std::int32_t>(
            roundHalfEven(128 + 60 * std::sin(2 * std::numbers::pi * (n - delay) / period)));
    return x;
}

Points square(int period) {
    Points x{};
    for (int n = 0; n < kChannelPoints; ++n) x[n] = n % period < period / 2 ? 160 : 96;
    return x;
}

ChannelRecord record(const Points& x) {
    return ChannelRecord(x.data(), kChannelPoints);
}

void phase(benchmark::State& state, double period) {
    const Points ch1 = sine(period, 0), ch2 = sine(period, period / 8);
    PhaseMeter meter;
    meter.calculate_phase(record(ch1), record(ch2));
    const long before = bench::allocations.load();
    for (auto _ : state) benchmark::DoNotOptimize(meter.calculate_phase(record(ch1), record(ch2)));
    state.counters["lags"] = meter.lastLag() + 1;
    state.counters["allocs/iter"] = benchmark::Counter(
        static_cast<double>(bench::allocations.load() - before), benchmark::Counter::kAvgIterations);
}

// A period of 2000 points: at most one correlation peak in range, every lag is computed.
void BM_calculate_phase_worst(benchmark::State& state) {
    phase(state, 2000);
}
BENCHMARK(BM_calculate_phase_worst)->Unit(benchmark::kMillisecond);

void BM_calculate_phase_period200(benchmark::State& state) {
    phase(state, 200);
}
BENCHMARK(BM_calculate_phase_period200)->Unit(benchmark::kMicrosecond);

void BM_measureChannel_square(benchmark::State& state) {
    const Points x = square(100);
    FftTransform fft;
    const ChannelInput in{record(x), 128, channelScale(2)};
    const MeasurementRate rate = measurementRate(100000);
    const long before = bench::allocations.load();
    for (auto _ : state) benchmark::DoNotOptimize(measureChannel(in, rate, 100000, fft));
    state.counters["allocs/iter"] = benchmark::Counter(
        static_cast<double>(bench::allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_measureChannel_square)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
