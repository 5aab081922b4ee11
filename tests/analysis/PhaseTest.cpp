// The phase between the channels: delayed copies, records without a period, the extremum
// lists starting empty on every call, and damaged levels.

#include "analysis/Phase.h"
#include "Signals.h"

#include <gtest/gtest.h>

using namespace tarvik;
using namespace tarvik::test;

TEST(Phase, DelayedCopyWithinOneDegree) {
    PhaseMeter meter;
    // Periods with three correlation peaks inside the lag range (200, 400 points) and with
    // only two (1000 points); delays either way and near half a period.
    for (double period : {200.0, 400.0, 1000.0})
        for (double degrees : {0.0, 30.0, 90.0, -45.0, 170.0}) {
            const Points ch1 = sine(60, period);
            const Points ch2 = sine(60, period, period * degrees / 360);
            EXPECT_NEAR(meter.calculate_phase(record(ch1), record(ch2)), degrees, 1.0)
                << "period " << period << ", " << degrees << " deg";
        }
}

TEST(Phase, NoPeriodGivesZeroAfterTheWholeLagRange) {
    PhaseMeter meter;
    const Points level = flat(128);
    const Points wave = sine(60, 200);
    EXPECT_EQ(meter.calculate_phase(record(level), record(wave)), 0.0);
    EXPECT_EQ(meter.lastLag(), PhaseMeter::kMaxLag);
    EXPECT_EQ(meter.maxima(), (std::array<int, 3>{-1, -1, -1}));
    // A period of 2000 points (20000 tenths) has at most one peak in range.
    const Points slow = sine(60, 2000);
    const double phase = meter.calculate_phase(record(slow), record(slow));
    EXPECT_GE(phase, -180);
    EXPECT_LE(phase, 180);
}

TEST(Phase, ExtremaOfAnEarlierCallAreNotReused) {
    PhaseMeter meter;
    const Points fast1 = sine(60, 200), fast2 = sine(60, 200, 20);
    meter.calculate_phase(record(fast1), record(fast2));
    EXPECT_GE(meter.maxima()[2], 0);
    // Delayed by 10 points of 1000: the first peak lies below lag 200, so the maxima need a
    // third peak, which lies beyond the lag range. That pair gives 0 and the minima decide;
    // the third peak of the call before must not stand in for it.
    const Points slow1 = sine(60, 1000), slow2 = sine(60, 1000, 10);
    EXPECT_NEAR(meter.calculate_phase(record(slow1), record(slow2)), 3.6, 1.0);
    EXPECT_LT(meter.maxima()[0], 200);
    EXPECT_EQ(meter.maxima()[2], -1);
}

TEST(Phase, DamagedLevelsAreHeldToTheConverterRange) {
    PhaseMeter meter;
    Points ch1 = sine(60, 200);
    Points ch2 = sine(60, 200, 50);
    for (int n = 0; n < kChannelPoints; n += 97) {
        ch1[n] = n % 2 ? 2000000000 : -2000000000;
        ch2[n] = n % 2 ? -2000000000 : 2000000000;
    }
    const double phase = meter.calculate_phase(record(ch1), record(ch2));
    EXPECT_GE(phase, -180);
    EXPECT_LE(phase, 180);
}
