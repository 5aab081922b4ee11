// The spectrum analyzer mode on the oscilloscope: entering and leaving keep the waveforms,
// the channel switches and the horizontal control; frames become spectra; the screen draws
// no further than the spectrum reaches.

#include "analysis/SpectrumAnalyzer.h"
#include "device/sim/SimulatedTransport.h"
#include "display/ScopeScreen.h"
#include "support/ScopeRig.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

class SpectrumMode : public ::testing::Test, protected test::ScopeRig {
protected:
    SpectrumMode() {
        EXPECT_EQ(link.OpenDeviceW(), 0);
        scope.setView(&screen);
        scope.selectDefaults();
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) clock.advance(ScopeController::kLoopMs);
    }

    SpectrumAnalyzer analyzer{scope, prompts};
    ScopeScreen screen{scope};
};

} // namespace

TEST_F(SpectrumMode, EnteringAndLeavingKeepTheOscilloscopeAsItWas) {
    scope.SpeedButtonSingleClick(true);
    frames(1);
    const std::vector<std::int32_t> waveform = scope.records().display;
    scope.setHorizontalPosition(50);
    const TimebaseState before = scope.state().timebase;

    scope.fft1Click();
    const ScopeState& s = scope.state();
    EXPECT_TRUE(s.spectrumOn);
    EXPECT_FALSE(s.channel[1].on); // one channel at a time: channel 1 while it is on
    EXPECT_EQ(s.timebase.positionRange.minimum, 0);
    EXPECT_EQ(s.timebase.positionRange.maximum, 2);
    EXPECT_NE(scope.records().display, waveform); // the spectrum of the stored frame
    scope.setHorizontalPosition(1);
    EXPECT_EQ(s.timebase.startIndex, 32); // steps of 32 points

    scope.SpeedButton22Click();
    EXPECT_FALSE(s.spectrumOn);
    EXPECT_TRUE(s.channel[1].on);
    EXPECT_EQ(scope.records().display, waveform);
    EXPECT_EQ(s.timebase.position, before.position);
    EXPECT_EQ(s.timebase.positionRange.maximum, before.positionRange.maximum);
    EXPECT_EQ(s.timebase.startIndex, before.startIndex);

    scope.fft1Click(); // the spectrum keeps its own place between visits
    EXPECT_EQ(s.timebase.position, 1);
}

TEST_F(SpectrumMode, EachFrameIsASpectrumOfTheShownChannel) {
    scope.fft1Click();
    scope.SpeedButtonRunClick(true);
    frames(3);
    // Channel 1's 1 kHz sine at 25 kS/s: 4096 / 4 samples... its line stands far above the floor.
    const auto& d = scope.records().display;
    int peak = 0, peakPoint = 0;
    for (int k = kCh1Base + 4; k < kCh1Base + kChannelPoints; ++k)
        if (d[k] > peak) peak = d[k], peakPoint = k - kCh1Base;
    EXPECT_GT(peak, 100);
    // 1 kHz at 100 kpoints/s over 4096 points: bin 41, shown on points 82 and 83.
    EXPECT_NEAR(peakPoint / 2, 41, 1);
    scope.setChannelOn(0, false); // channel 2 takes over
    EXPECT_EQ(scope.spectrumChannel(), 1);
}

TEST_F(SpectrumMode, TheLogarithmicAxisIsDrawnOnlyAsFarAsItReaches) {
    scope.fft1Click();
    scope.SpeedButtonSingleClick(true);
    frames(1);
    analyzer.zoomButton(1); // "x1": the widest zoom, so the walk would reach the record's end
    analyzer.Log();
    EXPECT_EQ(scope.state().spectrumPoints, 2560);
    // Points beyond the logarithmic axis still hold the linear spectrum; make them stand out.
    auto& d = scope.records().display;
    std::fill(d.begin() + kCh1Base + 2560, d.begin() + kCh1Base + kChannelPoints, 255);
    const std::vector<QPoint> points = screen.tracePoints(0);
    ASSERT_FALSE(points.empty());
    for (const QPoint& p : points) EXPECT_GT(p.y(), screen.geometry().top) << "a stale point is drawn";
}
