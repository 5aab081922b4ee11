// One spectrum frame of the shown channel, as the acquisition runs it: averaging, window,
// transform, levels, then the selected option (none, "RMS &Average", "&Maximum") and the
// logarithmic axis; and the peak-frequency estimate the measurements use.

#include "analysis/Spectrum.h"
#include "base/Numbers.h"
#include "support/AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace tarvik;

namespace {

std::vector<std::int32_t> rawRecord() {
    std::vector<std::int32_t> raw(kRecordPoints, 0);
    std::uint32_t seed = 1;
    for (int i = 0; i < 1024; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const auto v = static_cast<std::int32_t>(
            roundHalfEven(128 + 90 * std::sin(2 * std::numbers::pi * i / 37.3) + (seed >> 29)));
        for (int j = 0; j < 4; ++j) raw[kCh1Base + 4 * i + j] = raw[4 * i + j] = v; // four points per sample
    }
    return raw;
}

void frame(benchmark::State& state, SpectrumAveraging mode, bool log) {
    const std::vector<std::int32_t> raw = rawRecord();
    std::vector<std::int32_t> display(kRecordPoints, 0);
    Spectrum spectrum;
    spectrum.setAveraging(mode);
    if (log) spectrum.Log(0, display);
    spectrum.FFT(0, raw, display);
    const long before = bench::allocations.load();
    for (auto _ : state) {
        spectrum.FFT(0, raw, display);
        benchmark::DoNotOptimize(display.data());
    }
    state.counters["allocs/iter"] = benchmark::Counter(
        static_cast<double>(bench::allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_spectrum_frame(benchmark::State& state) {
    frame(state, SpectrumAveraging::Off, false);
}
BENCHMARK(BM_spectrum_frame)->Unit(benchmark::kMicrosecond);

void BM_spectrum_frame_vector_average(benchmark::State& state) {
    frame(state, SpectrumAveraging::VectorAverage, false);
}
BENCHMARK(BM_spectrum_frame_vector_average)->Unit(benchmark::kMicrosecond);

void BM_spectrum_frame_rms_average(benchmark::State& state) {
    frame(state, SpectrumAveraging::RmsAverage, false);
}
BENCHMARK(BM_spectrum_frame_rms_average)->Unit(benchmark::kMicrosecond);

void BM_spectrum_frame_maximum_log(benchmark::State& state) {
    frame(state, SpectrumAveraging::Maximum, true);
}
BENCHMARK(BM_spectrum_frame_maximum_log)->Unit(benchmark::kMicrosecond);

void BM_FFT_freq(benchmark::State& state) {
    const std::vector<std::int32_t> raw = rawRecord();
    FftTransform fft;
    const ChannelRecord x(raw.data() + kCh1Base, kChannelPoints);
    for (auto _ : state) benchmark::DoNotOptimize(FFT_freq(fft, x));
}
BENCHMARK(BM_FFT_freq)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
