// One frame through the whole program path that runs for every frame: decoding (smoothing,
// averaging), the measurements of the "Waveform Parameters" window with every box checked and
// the RMS readout, the spectrum in spectrum mode, publishing into "ShareDSOData", and erasing
// and drawing both traces on the screen. The frame is a realistic one from the instrument
// model; the benchmark reports the time per frame and the heap allocations on the path.

#include "analysis/Measurements.h"
#include "analysis/SpectrumAnalyzer.h"
#include "analysis/WaveformParameters.h"
#include "device/SharedMemory.h"
#include "device/sim/SimulatedTransport.h"
#include "display/ScopeScreen.h"
#include "scope/ScopeRemoteControl.h"
#include "support/AllocationCounter.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <unistd.h>

using namespace tarvik;

namespace {

class QuietPrompts final : public Prompts {
public:
    void information(const QString&) override {}
    void warning(const QString&) override {}
    bool yesNo(const QString&) override { return true; }
    bool okCancel(const QString&) override { return true; }
    void noHardwareResponse() override {}
    bool chooseDemoMode(bool demoNow) override { return demoNow; }
    EtsNoticeAnswer etsNotice() override { return {}; }
};

// Everything a frame passes through, set up as the program sets it up.
struct Pipeline {
    Pipeline() : link(std::make_unique<sim::SimulatedTransport>(model)), commands(link) {
        model.captureTimeMs = 0;
        link.OpenDeviceW();
        scope.setView(&screen);
        scope.selectDefaults();
        const std::string prefix = "/tarvik-bench-" + std::to_string(::getpid());
        quorret.create(prefix + "-Q", 400, nullptr);
        dso.create(prefix + "-D", 40000, nullptr);
        remote = std::make_unique<ScopeRemoteControl>(scope, quorret, dso, clock);
        parameters.setActive(true);
        parameters.selectAll(true);
        // One real frame from the instrument model, captured once.
        model.receive(Payload{14, 5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}, 0);
        model.receive(Payload{11}, 0);
        model.next(0);
        model.receive(Payload{10}, 0);
        for (int r = 0; r < 34; ++r) {
            const Payload p = *model.next(0);
            std::copy(p.begin(), p.end(), frame.begin() + 64 * r);
        }
    }
    // What the acquisition does with a frame once it has arrived.
    void processFrame() {
        std::copy(frame.begin(), frame.end(), scope.records().receive.begin());
        screen.poisto();
        scope.LueData_500();
        const ScopeState& s = scope.state();
        if (!s.spectrumOn) {
            parameters.measure();
            benchmark::DoNotOptimize(
                rms_out(channelRecord(scope.records().display, 0), channelScale(s.channel[0].range)));
        } else if (scope.consumers.spectrum) {
            scope.consumers.spectrum(true);
        }
        if (scope.consumers.publish) scope.consumers.publish();
        screen.piirrot();
    }

    VirtualClock clock;
    QuietPrompts prompts;
    sim::InstrumentModel model;
    DeviceLink link;
    CommandSet commands;
    ScopeController scope{clock, prompts, commands};
    ScopeScreen screen{scope};
    SpectrumAnalyzer analyzer{scope, prompts};
    WaveformParameters parameters{scope};
    SharedMemoryBlock quorret, dso;
    std::unique_ptr<ScopeRemoteControl> remote;
    std::array<std::uint8_t, 34 * 64> frame{};
};

void run(benchmark::State& state, Pipeline& p) {
    p.processFrame(); // first frame: anything made once is made here
    const long before = bench::allocations.load();
    for (auto _ : state) p.processFrame();
    state.counters["allocs/frame"] = benchmark::Counter(
        static_cast<double>(bench::allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_frame_oscilloscope(benchmark::State& state) {
    Pipeline p;
    p.scope.SpeedButtonSingleClick(true); // a frame on the screen, as after the first capture
    p.clock.advance(ScopeController::kLoopMs);
    run(state, p);
}
BENCHMARK(BM_frame_oscilloscope)->Unit(benchmark::kMicrosecond);

void BM_frame_oscilloscope_average16(benchmark::State& state) {
    Pipeline p;
    p.scope.setAveraging(16);
    p.scope.SpeedButtonSingleClick(true);
    p.clock.advance(ScopeController::kLoopMs);
    run(state, p);
}
BENCHMARK(BM_frame_oscilloscope_average16)->Unit(benchmark::kMicrosecond);

void BM_frame_spectrum(benchmark::State& state) {
    Pipeline p;
    p.scope.fft1Click();
    p.analyzer.setAveraging(SpectrumAveraging::RmsAverage);
    run(state, p);
}
BENCHMARK(BM_frame_spectrum)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the screen's labels
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
