// The spectrum against a DFT computed here, the window tables, the averaging modes through
// restarts, the logarithmic axis, the zoom, the peak-frequency estimate and the range labels.

#include "analysis/Spectrum.h"
#include "Signals.h"
#include "scope/Timebase.h"

#include <gtest/gtest.h>

#include <complex>
#include <vector>

using namespace tarvik;
using namespace tarvik::test;

namespace {

// A whole record with `x` as channel 1 (points 4096..8191); channel 2 stays at 0.
std::vector<std::int32_t> rawWithCh1(const Points& x) {
    std::vector<std::int32_t> raw(kRecordPoints, 0);
    std::copy(x.begin(), x.end(), raw.begin() + kCh1Base);
    return raw;
}

// The windowed input of a record as the spectrum builds it without averaging.
std::vector<double> windowed(const Points& x, SpectrumWindow window, double gain) {
    double mean = 0;
    for (const std::int32_t v : x) mean += v;
    mean /= kChannelPoints;
    std::vector<double> in(kChannelPoints);
    for (int n = 0; n < kChannelPoints; ++n) in[n] = (x[n] - mean) * gain * windowCoefficient(window, n);
    return in;
}

// |X[k]| of the plain DFT, sum of x[n]·e^(−2πi·kn/N), from a table of the N roots of unity.
double dftMagnitude(const std::vector<double>& in, int k) {
    static const std::vector<std::complex<double>> roots = [] {
        std::vector<std::complex<double>> r(kChannelPoints);
        for (int m = 0; m < kChannelPoints; ++m)
            r[m] = std::polar(1.0, -2 * std::numbers::pi * m / kChannelPoints);
        return r;
    }();
    std::complex<double> sum = 0;
    for (int n = 0; n < kChannelPoints; ++n) sum += in[n] * roots[(k * n) % kChannelPoints];
    return std::abs(sum);
}

// The level scale as defined: 64 levels per decade of magnitude, 0 at magnitude 0.01.
int level(double magnitude) {
    return static_cast<int>(roundHalfEven(64 * (std::log10(magnitude + 0.0001) + 2)));
}

// Two tones, one between bins, and a little pseudo-random noise; levels 20..235.
Points testSignal() {
    Points x{};
    std::uint32_t seed = 12345;
    for (int n = 0; n < kChannelPoints; ++n) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 28) - 7.5;
        x[n] = static_cast<std::int32_t>(
            roundHalfEven(128 + 70 * std::sin(2 * std::numbers::pi * 37 * n / 4096) +
                          20 * std::sin(2 * std::numbers::pi * 311.4 * n / 4096) + noise));
    }
    return x;
}

// A sine on an exact bin.
Points tone(double amplitude, double bin, double centre = 128) {
    return sine(amplitude, 4096 / bin, 0, centre);
}

} // namespace

TEST(SpectrumWindows, TablesGainsAndCorrections) {
    const struct {
        SpectrumWindow window;
        const char* caption;
        double gain, correction;
        double w0, w1024, w2048, w4095;
    } rows[] = {
        {SpectrumWindow::Rectangle, "&Rectangle", 1.0, 0, 1, 1, 1, 1},
        {SpectrumWindow::Bartlett, "B&artlett", 2.0, 1.0, 0, 0.5, 2047 / 2048.0, 0},
        {SpectrumWindow::Hamming, "Ha&mming", 1.852, 1.0, 0.08, 0.54, 1.0,
         0.08 + 0.46 * (1 - std::cos(2 * std::numbers::pi / 4096))},
        {SpectrumWindow::Hanning, "&Hanning", 2.0, 1.3, 0, 0.5, 1.0,
         0.5 - 0.5 * std::cos(2 * std::numbers::pi * 4095 / 4096)},
        {SpectrumWindow::Blackman, "&Blackman", 2.381, 1.75, 0.0068, 0.426 - 0.0768, 0.9988,
         0.426 - 0.496 * std::cos(2 * std::numbers::pi * 4095 / 4096) +
             0.0768 * std::cos(4 * std::numbers::pi * 4095 / 4096)},
        {SpectrumWindow::FlatTop, "&Flat Top", 1 / 0.2810639, 3.65, 0.2810639 - 0.5208972 + 0.1980399,
         0.2810639 - 0.1980399, 0.2810639 + 0.5208972 + 0.1980399,
         0.2810639 - 0.5208972 * std::cos(2 * std::numbers::pi * 4095 / 4096) +
             0.1980399 * std::cos(4 * std::numbers::pi * 4095 / 4096)},
    };
    Spectrum spectrum;
    EXPECT_EQ(spectrum.window(), SpectrumWindow::Hamming); // the start-up window
    for (const auto& r : rows) {
        const SpectrumWindowInfo& info = spectrumWindowTable()[static_cast<int>(r.window)];
        EXPECT_EQ(info.menuCaption, r.caption);
        spectrum.selectWindow(r.window);
        EXPECT_DOUBLE_EQ(spectrum.gain(), r.gain) << r.caption;
        EXPECT_DOUBLE_EQ(spectrum.densityCorrection(), r.correction) << r.caption;
        const std::vector<double>& w = spectrum.windowTable();
        EXPECT_NEAR(w[0], r.w0, 1e-12) << r.caption;
        EXPECT_NEAR(w[1024], r.w1024, 1e-12) << r.caption;
        EXPECT_NEAR(w[2048], r.w2048, 1e-12) << r.caption;
        EXPECT_NEAR(w[4095], r.w4095, 1e-12) << r.caption;
    }
}

TEST(Spectrum, LevelScale) {
    EXPECT_EQ(spectrumLevel(0), -128);
    EXPECT_EQ(spectrumLevel(0.01 - 0.0001), 0);
    EXPECT_EQ(spectrumLevel(1e300), level(1e300));
    // Every magnitude a record can produce, on a fine logarithmic sweep.
    for (double m = 1e-7; m < 1e14; m *= 1.0001) ASSERT_EQ(spectrumLevel(m), level(m)) << m;
}

TEST(Spectrum, LevelsMatchAPlainDftForEveryWindow) {
    const Points x = testSignal();
    const std::vector<std::int32_t> raw = rawWithCh1(x);
    std::vector<std::int32_t> display(kRecordPoints, 0);
    for (const SpectrumWindowInfo& info : spectrumWindowTable()) {
        Spectrum spectrum;
        spectrum.selectWindow(info.window);
        spectrum.FFT(0, raw, display);
        const std::vector<double> in = windowed(x, info.window, info.gain);
        const auto levels = spectrum.levels(0);
        int worst = 0;
        for (int k = 0; k < kSpectrumBins; ++k) {
            const int expected = level(dftMagnitude(in, k));
            worst =
                std::max({worst, std::abs(levels[2 * k] - expected), std::abs(levels[2 * k + 1] - expected)});
            EXPECT_EQ(display[kCh1Base + 2 * k], std::clamp(levels[2 * k] - kSpectrumDisplayOffset, 0, 255));
        }
        EXPECT_LE(worst, 1) << info.menuCaption;
        // Channel 2's half of the display record is left alone.
        EXPECT_EQ(display[100], 0);
    }
}

TEST(Spectrum, ZeroRecordAndAFullScaleTone) {
    Spectrum spectrum;
    spectrum.selectWindow(SpectrumWindow::Rectangle);
    std::vector<std::int32_t> display(kRecordPoints, 7);
    spectrum.FFT(1, std::vector<std::int32_t>(kRecordPoints, 0), display);
    for (int i = 0; i < kChannelPoints; ++i) {
        ASSERT_EQ(spectrum.levels(1)[i], -128);
        ASSERT_EQ(display[i], 0);
    }
    EXPECT_EQ(display[kCh1Base], 7); // the other channel is untouched

    const std::vector<std::int32_t> raw = rawWithCh1(tone(127.5, 100, 127.5));
    spectrum.FFT(0, raw, display);
    const auto rect = spectrum.levels(0);
    const int peak = rect[200];
    EXPECT_EQ(rect[201], peak);
    EXPECT_EQ(display[kCh1Base + 200], 255);
    EXPECT_EQ(display[kCh1Base + 201], 255);
    for (int i : {190, 196, 198, 203, 206, 210}) EXPECT_LT(rect[i], peak - 150) << i;
    // The flat top spreads the line over its neighbours at the same height.
    spectrum.selectWindow(SpectrumWindow::FlatTop);
    spectrum.FFT(0, raw, display);
    const auto flatTop = spectrum.levels(0);
    EXPECT_NEAR(flatTop[200], peak, 1);
    EXPECT_GT(flatTop[198], peak - 5);
    EXPECT_GT(flatTop[202], peak - 5);
    EXPECT_GT(flatTop[196], peak - 40);
}

TEST(SpectrumAveraging, RmsAverageStartsFromTheRawSpectrumAfterARestart) {
    Spectrum spectrum;
    spectrum.selectWindow(SpectrumWindow::Rectangle);
    spectrum.setAveraging(SpectrumAveraging::RmsAverage);
    const Points small = tone(30, 64), big = tone(90, 64);
    const double ma = dftMagnitude(windowed(small, SpectrumWindow::Rectangle, 1), 64);
    const double mb = dftMagnitude(windowed(big, SpectrumWindow::Rectangle, 1), 64);
    std::vector<std::int32_t> display(kRecordPoints, 0);
    const auto level = [&] { return spectrum.levels(0)[128]; };
    spectrum.FFT(0, rawWithCh1(small), display); // restart pending: the frame as it is
    EXPECT_EQ(level(), spectrumLevel(ma));
    EXPECT_EQ(spectrum.historyResetCount(), 1);
    spectrum.FFT(0, rawWithCh1(small), display); // history still refilled
    EXPECT_EQ(level(), spectrumLevel(ma));
    spectrum.FFT(0, rawWithCh1(big), display); // one slot of eight holds the big tone
    EXPECT_EQ(level(), spectrumLevel(std::sqrt((7 * ma * ma + mb * mb) / 8)));
    for (int i = 0; i < 7; ++i) spectrum.FFT(0, rawWithCh1(big), display);
    EXPECT_EQ(level(), spectrumLevel(mb));
    EXPECT_EQ(spectrum.heldLevels()[kCh1Base + 128], display[kCh1Base + 128]);
    // A range change: the next frame is raw again, the history refilled with it.
    spectrum.restart();
    spectrum.FFT(0, rawWithCh1(small), display);
    EXPECT_EQ(level(), spectrumLevel(ma));
    spectrum.FFT(0, rawWithCh1(big), display);
    EXPECT_EQ(level(), spectrumLevel(mb));
    spectrum.FFT(0, rawWithCh1(small), display);
    EXPECT_EQ(level(), spectrumLevel(std::sqrt((7 * mb * mb + ma * ma) / 8)));
}

TEST(SpectrumAveraging, MaximumHoldsUntilARestart) {
    Spectrum spectrum;
    spectrum.selectWindow(SpectrumWindow::Rectangle);
    spectrum.setAveraging(SpectrumAveraging::Maximum);
    const Points small = tone(3, 64), big = tone(40, 64), other = tone(3, 300);
    std::vector<std::int32_t> display(kRecordPoints, 0);
    // The frame that carries the restart is not held: the hold starts with the next one.
    spectrum.FFT(0, rawWithCh1(big), display);
    EXPECT_EQ(spectrum.heldLevels()[kCh1Base + 128], 0);
    spectrum.FFT(0, rawWithCh1(big), display);
    const std::int32_t bigPeak = display[kCh1Base + 128];
    spectrum.FFT(0, rawWithCh1(small), display);
    spectrum.FFT(0, rawWithCh1(other), display);
    EXPECT_EQ(display[kCh1Base + 128], bigPeak);
    EXPECT_GT(display[kCh1Base + 600], 0); // the new line shows as well
    // A Single frame is shown without the hold.
    spectrum.FFT(0, rawWithCh1(small), display, false);
    EXPECT_LT(display[kCh1Base + 128], bigPeak);
    EXPECT_EQ(display[kCh1Base + 600], 0);
    // After a restart the held levels start from nothing.
    spectrum.FFT(0, rawWithCh1(big), display);
    spectrum.restart();
    spectrum.FFT(0, rawWithCh1(small), display);
    EXPECT_EQ(spectrum.heldLevels()[kCh1Base + 128], 0);
    const std::int32_t smallPeak = display[kCh1Base + 128];
    EXPECT_LT(smallPeak, bigPeak);
    spectrum.FFT(0, rawWithCh1(small), display);
    EXPECT_EQ(display[kCh1Base + 128], smallPeak);
}

TEST(SpectrumAveraging, VectorAverageWeightAndResetCounts) {
    Spectrum spectrum;
    EXPECT_DOUBLE_EQ(spectrum.vectorWeight(), 0.05); // start-up
    EXPECT_EQ(spectrum.windowResetCount(), 3);
    EXPECT_EQ(spectrum.historyResetCount(), 3);
    spectrum.selectWindow(SpectrumWindow::Rectangle);
    spectrum.setAveraging(SpectrumAveraging::VectorAverage);
    const Points signal = tone(60, 64), quiet = flat(128);
    std::vector<std::int32_t> display(kRecordPoints, 0);
    // A restart bypasses the averaging for three frames and restarts the weight at 0.5.
    for (int expected : {2, 1, 0}) {
        spectrum.FFT(0, rawWithCh1(signal), display);
        EXPECT_EQ(spectrum.windowResetCount(), expected);
        EXPECT_DOUBLE_EQ(spectrum.vectorWeight(), 0.5);
    }
    const int full = spectrum.levels(0)[128];
    // Then each frame weighs a / 1.1 against the average: a silent frame keeps 1 − a of it.
    spectrum.FFT(0, rawWithCh1(quiet), display);
    const double a = 0.5 / 1.1;
    EXPECT_DOUBLE_EQ(spectrum.vectorWeight(), a);
    EXPECT_NEAR(spectrum.levels(0)[128], full + 64 * std::log10(1 - a), 1);
    for (int i = 0; i < 60; ++i) spectrum.FFT(0, rawWithCh1(quiet), display);
    EXPECT_LE(spectrum.vectorWeight(), 0.02);
    EXPECT_GT(spectrum.vectorWeight(), 0.02 / 1.1);
    // Without vector averaging every frame stands alone.
    spectrum.setAveraging(SpectrumAveraging::Off);
    spectrum.FFT(0, rawWithCh1(signal), display);
    spectrum.FFT(0, rawWithCh1(signal), display);
    EXPECT_EQ(spectrum.windowResetCount(), 0);
    EXPECT_DOUBLE_EQ(spectrum.vectorWeight(), 0.5);
    EXPECT_EQ(spectrum.levels(0)[128], full);
}

TEST(SpectrumAxis, LinToLogMapsBin10ToBin2044) {
    Spectrum spectrum;
    // Tag every bin in two passes (low byte, then bin / 8) to read back which bin each
    // display point of the logarithmic axis shows.
    std::vector<std::int32_t> low(kRecordPoints, 0), high(kRecordPoints, 0);
    for (int k = 0; k < kSpectrumBins; ++k)
        for (int i : {2 * k, 2 * k + 1}) {
            low[kCh1Base + i] = k % 256;
            high[kCh1Base + i] = k / 8;
        }
    spectrum.LinToLog(0, low);
    spectrum.LinToLog(0, high);
    int previous = 0;
    for (int p = 0; p < kLogAxisPoints; ++p) {
        const int h = high[kCh1Base + p];
        const int bin = h * 8 + ((low[kCh1Base + p] - h * 8) % 256 + 256) % 256;
        ASSERT_GE(bin, previous) << p;
        ASSERT_NEAR(bin, logPointToRecordPoint(p) / 2, 1) << p;
        previous = bin;
        if (p == 0) {
            EXPECT_EQ(bin, 10);
        }
        if (p == kLogAxisPoints - 1) {
            EXPECT_EQ(bin, 2044);
        }
    }
    EXPECT_EQ(logPointToRecordPoint(0), 20);
    EXPECT_EQ(logPointToRecordPoint(2559), 4088);
}

TEST(SpectrumAxis, LogButtonActsOnceAndConvertsTheZoom) {
    Spectrum spectrum;
    EXPECT_EQ(spectrum.zoom(), 3);
    EXPECT_EQ(spectrum.pointsDrawn(), 4096);
    spectrum.zoomButton(1);
    EXPECT_EQ(spectrum.zoom(), 16);
    std::vector<std::int32_t> display(kRecordPoints, 0);
    EXPECT_TRUE(spectrum.Log(0, display));
    EXPECT_TRUE(spectrum.logAxis());
    EXPECT_TRUE(spectrum.restartPending());
    EXPECT_EQ(spectrum.zoom(), 10);
    EXPECT_EQ(spectrum.pointsDrawn(), 2560);
    EXPECT_FALSE(spectrum.Log(0, display));
    EXPECT_EQ(spectrum.zoom(), 10);
    // The zoom buttons on the logarithmic axis; "x2" does nothing.
    const std::pair<int, int> buttons[] = {{4, 3}, {2, 3}, {8, 2}, {1, 10}};
    for (const auto& [factor, zoom] : buttons) {
        spectrum.zoomButton(factor);
        EXPECT_EQ(spectrum.zoom(), zoom) << factor;
    }
    EXPECT_EQ(logAxisZoom(16), 10);
    EXPECT_EQ(logAxisZoom(8), 5);
    EXPECT_EQ(logAxisZoom(4), 3);
    EXPECT_EQ(logAxisZoom(2), 2);
    EXPECT_EQ(logAxisZoom(3), 3);
}

TEST(SpectrumAxis, ZoomFromOutsideIsValidated) {
    Spectrum spectrum;
    for (int bad : {0, -3, 1, 7, 12, 1000}) {
        EXPECT_FALSE(spectrum.setZoom(bad)) << bad;
        EXPECT_EQ(spectrum.zoom(), 3);
    }
    for (int good : {2, 3, 4, 5, 8, 10, 16}) {
        EXPECT_TRUE(spectrum.setZoom(good)) << good;
        EXPECT_EQ(spectrum.zoom(), good);
    }
}

TEST(SpectrumAxis, MarkerBinOnTheLogarithmicAxis) {
    const std::pair<int, int> cases[] = {{0, 0},   {1, 0},       {2, 0},     {20, 0},
                                         {21, 23}, {4096, 2560}, {200, 1107}};
    for (const auto& [bin, point] : cases) EXPECT_EQ(logAxisMarkerBin(bin), point) << bin;
}

TEST(PeakFrequency, OnABinAndBetweenBins) {
    FftTransform fft;
    for (int k : {1, 100, 1000, 2046}) {
        const Points x = tone(60, k);
        EXPECT_DOUBLE_EQ(FFT_freq(fft, record(x)), k) << k;
    }
    for (double f : {100.2, 100.4, 100.6, 100.8, 517.3}) {
        const Points x = tone(60, f);
        const double got = FFT_freq(fft, record(x));
        const int nearest = static_cast<int>(std::lround(f)); // the strongest bin
        EXPECT_GT(got, nearest - 0.5) << f;
        EXPECT_LE(got, nearest + 0.5) << f;
        EXPECT_NEAR(got, f, 0.5) << f;
    }
}

TEST(FrequencyScale, FullScaleAndRangeLabels) {
    const struct {
        int value;
        double fullScale;
        bool megahertz;
    } scales[] = {{100000, 50, false},
                  {50000000, 0.1, false},
                  {30001, 6250000.0 / 30001 / 1.25, false},
                  {30000, 6250.0 / 30000 / 1.25, true},
                  {1000, 5, true},
                  {500, 10, true}};
    for (const auto& s : scales) {
        const FrequencyScale f = frequencyScale(s.value);
        EXPECT_DOUBLE_EQ(f.fullScale, s.fullScale) << s.value;
        EXPECT_EQ(f.megahertz, s.megahertz) << s.value;
    }
    EXPECT_DOUBLE_EQ(frequencyScale(100000).frequency(2048), 25);
    // Labels of the frequency-range rows, by the time/div of each row.
    const std::pair<const char*, const char*> labels[] = {
        {"500ms", "120Hz"}, {"200ms", "300Hz"},  {"100ms", "125Hz"},   {"50ms", "250Hz"},
        {"20ms", "625Hz"},  {"10ms", "1.25kHz"}, {"5ms", "2.5kHz"},    {"2ms", "6.25kHz"},
        {"1ms", "12.5kHz"}, {"0.5ms", "25kHz"},  {"0.2ms", "62.5kHz"}, {"0.1ms", "125kHz"},
        {"50us", "1.2MHz"}, {"20us", "3MHz"},    {"10us", "6MHz"},     {"5us", "12.5MHz"},
    };
    for (const auto& [caption, label] : labels) {
        const int row = timebaseRowIndex(caption);
        ASSERT_GE(row, 0) << caption;
        EXPECT_EQ(f_alue(timebaseTable()[row].value), QString::fromLatin1(label)) << caption;
    }
    EXPECT_EQ(f_alue(250), QStringLiteral("25MHz"));
    EXPECT_EQ(f_alue(12345), QString());
    EXPECT_EQ(f_alue(0), QString());
}
