// The marker readouts as exact texts, from a table of marker positions, ranges and time bases.

#include "display/Readouts.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
constexpr int L = 11, T = 20;
}

TEST(Readouts, TimeDifferenceAndItsReciprocal) {
    struct Case {
        int x1, x2;
        const char* caption;
        const char* dt;
        const char* inverse;
    };
    const Case cases[] = {
        {L + 100, L + 200, "0.1ms", "dt: 0.20ms", "1/dt: 5.00kHz"},
        {L + 300, L + 300, "1ms", "dt: 0.00ms", "1/dt:  ... Hz"},    // on the same pixel (0 kHz is below 1)
        {L + 1, L + 2, "0.5ms", "dt: 0.01ms", "1/dt:  ... kHz"},     // less than 2 pixels apart
        {L + 600, L + 100, "1ms", "dt: 10.00ms", "1/dt: 100.00Hz"},  // below 1 kHz: in Hz
        {L + 5, L + 10, "50us", "dt: 5.00us", "1/dt: 200.00kHz"},    // below 1 MHz: in kHz
        {L + 16, L + 634, "500ms", "dt: 6180.00ms", "1/dt: 0.16Hz"}, // the unit steps down once only
        {L, L + 50, "0.1us", "dt: 0.10us", "1/dt: 10.00MHz"},
    };
    for (const Case& c : cases) {
        const TimeReadout r = timeReadout(c.x1, c.x2, QString::fromLatin1(c.caption));
        EXPECT_EQ(r.dt, QString::fromLatin1(c.dt)) << c.caption;
        EXPECT_EQ(r.inverse, QString::fromLatin1(c.inverse)) << c.caption;
    }
}

TEST(Readouts, VoltageDifferenceAndTheMarkersVoltages) {
    // 1 V/div, 0 V on the centre line: markers two divisions above and below it.
    EXPECT_EQ(voltageReadout(T + 63, T + 191, T, 2, 127, false), QStringLiteral("dV: 4.00V  (2.00) (-2.00)"));
    EXPECT_EQ(voltageReadout(T + 63, T + 191, T, 5, 127, false),
              QStringLiteral("dV: 400.00mV  (200.00) (-200.00)"));
    EXPECT_EQ(voltageReadout(T + 63, T + 191, T, 2, 127, true), QStringLiteral("dV: 4.00V"));
    EXPECT_EQ(voltageReadout(T + 16, T + 16, T, 0, 200, false), QStringLiteral("dV: 0.00V  (28.75) (28.75)"));
}

TEST(Readouts, FrequencyOfTheMarkerBin) {
    EXPECT_EQ(frequencyReadout(2048, 100000, false),
              QStringLiteral("f: 25.00kHz")); // half of 50 kHz at 1 ms/div
    EXPECT_EQ(frequencyReadout(100, 1000, false),
              QStringLiteral("f: 122.07kHz")); // 10 us/div: in MHz, below 1
    EXPECT_EQ(frequencyReadout(4097, 100000, false), QStringLiteral("f: 0.00Hz")); // beyond the record: bin 0
    EXPECT_EQ(frequencyReadout(100, 100000, true), QStringLiteral("f: 292.97Hz")); // logarithmic axis: bin 24
    EXPECT_EQ(frequencyReadout(0, 100000, true), QStringLiteral("f: 0.00Hz"));
    EXPECT_EQ(frequencyReadout(2559, 100000, true), QStringLiteral("f: 49.90kHz")); // the end of the axis
    EXPECT_EQ(frequencyReadout(3000, 100000, true), QStringLiteral("f: 0.00Hz"));   // maps beyond 4096
}

TEST(Readouts, SpectrumLevelsAbsoluteDifferenceAndDensity) {
    const int twoV = 1, parked = -300;
    EXPECT_EQ(levelReadout(T + 32, parked, T, twoV, SpectrumMarkers::Level, 100000, 1.0),
              QStringLiteral("V: 2.04dBV")); // 12.04 dBV at the top, 10 dB a division
    EXPECT_EQ(levelReadout(T + 32, T + 96, T, twoV, SpectrumMarkers::Difference, 100000, 1.0),
              QStringLiteral("dV: 20.00dB"));
    // The density uses the spacing of the spectrum's points, 10^10 / (4096·t) Hz (24.41 Hz at
    // 1 ms/div), and the window's correction.
    EXPECT_EQ(levelReadout(T + 32, parked, T, twoV, SpectrumMarkers::Density, 100000, 1.0),
              QStringLiteral("V: -12.84dBV/sqrt(Hz)"));
    EXPECT_DOUBLE_EQ(binBandwidth(100000), 1e10 / (4096.0 * 100000));
    EXPECT_DOUBLE_EQ(binBandwidth(123), 1);
    EXPECT_EQ(levelReadout(T + 64, parked, T, 5, SpectrumMarkers::Level, 100000, 0),
              QStringLiteral("V: -33.98dBV")); // 0.1 V/div
}

TEST(Readouts, FrequencyMarkerBin) {
    EXPECT_EQ(frequencyMarkerBin(L + 100, L, 3, 1), 151);
    EXPECT_EQ(frequencyMarkerBin(L - 5, L, 3, 33), 33);     // left of the graticule: the first shown point
    EXPECT_EQ(frequencyMarkerBin(L + 650, L, 16, 1), 5201); // beyond the record: the readouts guard it
}
