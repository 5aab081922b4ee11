// The measurements of one channel on synthetic records with known answers: the cell texts of
// a square and a sine, clip markers, unmeasurable values, the number format, the rate and
// range tables and the RMS readout.

#include "analysis/Measurements.h"
#include "Signals.h"
#include "analysis/FftTransform.h"

#include <gtest/gtest.h>

using namespace tarvik;
using namespace tarvik::test;

namespace {

constexpr int k1ms = 100000, k2ms = 200000, k01ms = 10000; // time/div values
constexpr int k1V = 2;                                     // range index of "1V"

class Measure : public ::testing::Test {
protected:
    ChannelMeasurement measure(const Points& x, int timebase = k1ms, int range = k1V, int zero = 128) {
        scale = channelScale(range);
        rate = measurementRate(timebase);
        return measureChannel({record(x), zero, scale}, rate, timebase, fft);
    }
    QString cell(Parameter p, const ChannelMeasurement& m) const { return parameterCell(p, m, scale, rate); }

    FftTransform fft;
    ChannelScale scale;
    MeasurementRate rate;
};

} // namespace

TEST_F(Measure, SquareOfPeriod100At1msPerDivision) {
    const ChannelMeasurement m = measure(square(96, 160, 100));
    EXPECT_EQ(m.high, 160);
    EXPECT_EQ(m.low, 96);
    const std::pair<Parameter, const char*> cells[] = {
        {Parameter::DcMean, "0.00 V"},
        {Parameter::Max, "1.00 V"},
        {Parameter::Min, "-1.00 V"},
        {Parameter::PeakToPeak, "2.00 V"},
        {Parameter::High, "1.00 V"},
        {Parameter::Low, "-1.00 V"},
        {Parameter::Amplitude, "2.00 V"},
        {Parameter::AcRms, "1.00 V"},
        {Parameter::AcDbv, "0.000 dBV"},
        {Parameter::AcDbm, "2.22 dBm"},
        {Parameter::AcDcRms, "1.00 V"},
        {Parameter::AcDcDbv, "0.000 dBV"},
        {Parameter::DutyCycle, "50.0 %"},
        {Parameter::PositiveWidth, "0.500 ms"},
        {Parameter::NegativeWidth, "0.500 ms"},
        {Parameter::RiseTime, "0.000 ms"},
        {Parameter::Period, "1.00 ms"},
        {Parameter::Frequency, "1.00 kHz"},
    };
    for (const auto& [p, text] : cells)
        EXPECT_EQ(cell(p, m), QString::fromLatin1(text)) << static_cast<int>(p);
}

TEST_F(Measure, SineOfAmplitude64) {
    const ChannelMeasurement m = measure(sine(64, 100));
    EXPECT_EQ(m.max, 192);
    EXPECT_EQ(m.min, 64);
    EXPECT_EQ(m.high, 190);
    EXPECT_EQ(m.low, 66);
    EXPECT_NEAR(m.acRms, 1.4168, 0.00005);
    EXPECT_EQ(cell(Parameter::AcRms, m), QStringLiteral("1.42 V"));
    EXPECT_EQ(cell(Parameter::Frequency, m), QStringLiteral("1.00 kHz"));
    EXPECT_EQ(cell(Parameter::DutyCycle, m), QStringLiteral("50.0 %"));
    // 10 % to 90 % of a sine takes 0.295 of its period; the runs are counted in whole points.
    EXPECT_EQ(m.riseTime, 29);
    EXPECT_EQ(m.fallTime, 29);
}

TEST_F(Measure, TimesAndVoltagesFollowTheRangeAndTimeBase) {
    // At 2 ms/div the rate is 50000 Hz: 100 points are 2 ms, and the frequency reads in Hz.
    ChannelMeasurement m = measure(square(96, 160, 100), k2ms);
    EXPECT_EQ(cell(Parameter::Period, m), QStringLiteral("2.00 ms"));
    EXPECT_EQ(cell(Parameter::Frequency, m), QStringLiteral("500 Hz"));
    // "0.1V" reads in mV: 32 levels are 100 mV.
    m = measure(square(96, 160, 100), k1ms, 5);
    EXPECT_EQ(cell(Parameter::Max, m), QStringLiteral("100 mV"));
    EXPECT_EQ(cell(Parameter::AcDbv, m), QStringLiteral("-20.0 dBV"));
    // "5V": one decimal; the zero level shifts every absolute value.
    m = measure(square(96, 160, 100), k1ms, 0, 96);
    EXPECT_EQ(cell(Parameter::Min, m), QStringLiteral("0.0 V"));
    EXPECT_EQ(cell(Parameter::Max, m), QStringLiteral("10.0 V"));
}

TEST_F(Measure, FlatRecordHasNoTiming) {
    const ChannelMeasurement m = measure(flat(140));
    EXPECT_EQ(m.high, 140);
    EXPECT_EQ(m.low, 140);
    EXPECT_EQ(cell(Parameter::Amplitude, m), QStringLiteral("0.00 V"));
    for (Parameter p : {Parameter::DutyCycle, Parameter::PositiveWidth, Parameter::NegativeWidth,
                        Parameter::RiseTime, Parameter::FallTime, Parameter::Period, Parameter::Frequency})
        EXPECT_EQ(cell(p, m), QStringLiteral("???")) << static_cast<int>(p);
    // No AC part: the dB rows have no number.
    EXPECT_EQ(cell(Parameter::AcDbv, m), QStringLiteral("... dBV"));
    EXPECT_EQ(cell(Parameter::AcDbm, m), QStringLiteral("... dBm"));
}

TEST_F(Measure, ClipMarkersFollowTheClippedEnd) {
    const ChannelMeasurement m = measure(square(100, 255, 100));
    const Parameter marked[] = {Parameter::Max,        Parameter::High,          Parameter::DcMean,
                                Parameter::PeakToPeak, Parameter::Amplitude,     Parameter::AcRms,
                                Parameter::AcDbv,      Parameter::PositiveWidth, Parameter::DutyCycle};
    for (Parameter p : marked) EXPECT_TRUE(cell(p, m).endsWith(QStringLiteral(" ??"))) << static_cast<int>(p);
    for (Parameter p : {Parameter::Min, Parameter::Low, Parameter::Period, Parameter::Frequency})
        EXPECT_FALSE(cell(p, m).contains(QStringLiteral("??"))) << static_cast<int>(p);
    // Clipped at the bottom instead: Min and Low are marked, Max and High are not.
    const ChannelMeasurement low = measure(square(0, 150, 100));
    EXPECT_EQ(cell(Parameter::Min, low), QStringLiteral("-4.00 V ??"));
    EXPECT_EQ(cell(Parameter::Low, low), QStringLiteral("-4.00 V ??"));
    EXPECT_FALSE(cell(Parameter::Max, low).contains(QStringLiteral("??")));
    EXPECT_TRUE(cell(Parameter::AcDcDbm, low).endsWith(QStringLiteral(" dBm ??")));
}

TEST_F(Measure, TooFastForRunsTakesTheSpectrumPeakBelow1ms) {
    // Three points per period: no run of 3 or more points above or below the middle.
    const Points x = sine(60, 3.2);
    ChannelMeasurement m = measure(x, k01ms);
    EXPECT_TRUE(m.frequencyFromSpectrum);
    // 4096 / 3.2 = bin 1280 at 1000 kHz / 4096 per bin.
    EXPECT_NEAR(m.frequency, 312.5, 0.2);
    EXPECT_EQ(cell(Parameter::Frequency, m), QStringLiteral("312 kHz"));
    EXPECT_EQ(cell(Parameter::Period, m), QStringLiteral("???"));
    m = measure(x, k1ms);
    EXPECT_FALSE(m.frequencyFromSpectrum);
    EXPECT_EQ(cell(Parameter::Frequency, m), QStringLiteral("???"));
}

TEST_F(Measure, NoisyRunsCoveringTooLittleOfTheSpanGiveNoWidths) {
    // A square whose flat parts are broken by single-point spikes across the threshold: most
    // runs are 1 or 2 points, so the counted runs cover far less than 90 % of the span.
    Points x = square(96, 160, 200);
    for (int n = 0; n < kChannelPoints; n += 3) x[n] = x[n] == 160 ? 96 : 160;
    const ChannelMeasurement m = measure(x);
    for (Parameter p : {Parameter::DutyCycle, Parameter::PositiveWidth, Parameter::NegativeWidth,
                        Parameter::Period, Parameter::Frequency})
        EXPECT_EQ(cell(p, m), QStringLiteral("???")) << static_cast<int>(p);
}

TEST_F(Measure, LevelsOutsideTheConverterRangeAreMeasuredSafely) {
    // A damaged data file: the histogram skips what it cannot hold, and the searches from the
    // middle end at once however far the extremes lie.
    Points x = square(96, 160, 100);
    x[500] = 2000000000;
    x[600] = -2000000000;
    x[700] = 300;
    const ChannelMeasurement m = measure(x);
    EXPECT_EQ(m.max, 2000000000);
    EXPECT_EQ(m.min, -2000000000);
    EXPECT_EQ(m.high, 160);        // the top of the square still stands out
    EXPECT_EQ(m.low, -2000000000); // nothing scores below the middle level 0: Low = Min
}

TEST(Muunna, DecimalsFollowTheSizeOfTheValueOrOfOneLevel) {
    const struct {
        double a, v;
        const char* text;
    } cases[] = {
        {100, 123.456, "123"},
        {100, -100, "-100"},
        {100, 99.95, "100.0"},
        {100, 12.34, "12.3"},
        {100, 1.234, "1.23"},
        {100, -9.999, "-10.00"},
        {100, 0.5, "0.500"},
        {100, 0, "0.000"},
        {5, 1.26, "1.3"},
        {2, 1.234, "1.23"},
        {1, -0.125, "-0.12"},
        {0.5, 0.3333, "0.33"},
        {3.2, 1.2345, "1.23"},
        {0.32, 0.12345, "0.123"},
        {0.3, 0.12345, "0.123"},
        // The mV ranges pass r = 200 and 100, which the a > 99 rule catches first.
        {200, 187.5, "188"},
        {200, 12.5, "12.5"},
        {100, 6.25, "6.25"},
    };
    for (const auto& c : cases) EXPECT_EQ(muunna(c.a, c.v), QString::fromLatin1(c.text)) << c.a << " " << c.v;
}

TEST(Tables, MeasurementRateAndScale) {
    const struct {
        int value;
        double perSecond;
        bool kilohertz;
    } rates[] = {{50000000, 200, false}, {1000000, 10000, false}, {200000, 50000, false}, {100000, 100, true},
                 {50000, 200, true},     {1000, 10000, true},     {500, 10000, true}};
    for (const auto& r : rates) {
        const MeasurementRate m = measurementRate(r.value);
        EXPECT_DOUBLE_EQ(m.perSecond, r.perSecond) << r.value;
        EXPECT_EQ(m.kilohertz, r.kilohertz) << r.value;
    }
    const double perDivision[] = {5, 2, 1, 0.5, 200, 100};
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(channelScale(i).perDivision, perDivision[i]);
        EXPECT_EQ(channelScale(i).unit(), i >= 4 ? QStringLiteral("mV") : QStringLiteral("V"));
    }
}

TEST(RmsReadout, TextsAndTheirClippedForm) {
    RmsReadout r = rms_out(record(square(96, 160, 100)), channelScale(k1V));
    EXPECT_EQ(r.rms, QStringLiteral("Vrms: 1.00V"));
    EXPECT_EQ(r.dbm, QStringLiteral("2.2dBm"));
    r = rms_out(record(square(96, 160, 100)), channelScale(4)); // "0.2V": 32 levels = 200 mV
    EXPECT_EQ(r.rms, QStringLiteral("Vrms: 200.00mV"));
    EXPECT_EQ(r.dbm, QStringLiteral("-11.8dBm"));
    r = rms_out(record(flat(128)), channelScale(k1V));
    EXPECT_EQ(r.rms, QStringLiteral("Vrms: 0.00V"));
    EXPECT_EQ(r.dbm, QStringLiteral("...dBm"));
    r = rms_out(record(square(0, 160, 100)), channelScale(k1V));
    EXPECT_EQ(r.rms, QStringLiteral("Vrms: ...V"));
    EXPECT_EQ(r.dbm, QStringLiteral("...dBm"));
}
