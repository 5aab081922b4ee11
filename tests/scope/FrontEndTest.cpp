// The channel front end: the calibration line and the start-up check of stored values.

#include "scope/FrontEnd.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(PositionValue, DefaultTableIsTheIdentity) {
    const ChannelCalibration table;
    for (int dac : {0, 32, 127, 128, 255}) EXPECT_EQ(positionValueFor(table, dac), dac);
}

TEST(PositionValue, ThreePointLineRoundsHalvesToEven) {
    ChannelCalibration t;
    t.ad = {130, 30, 230};  // mid, low, high
    t.pos = {128, 31, 225}; // slope 0.97 from low to high
    // a = (194/200 + 97/100 + 97/100) / 3 = 0.97; b = ((31-29.1) + (128-126.1) + (225-223.1)) / 3 = 1.9
    EXPECT_EQ(positionValueFor(t, 130), 128); // 127.99
    EXPECT_EQ(positionValueFor(t, 0), 2);     // 1.9
    ChannelCalibration half;
    half.ad = {0, 2, 4};
    half.pos = {0, 1, 2};                    // a = 0.5, b = 0
    EXPECT_EQ(positionValueFor(half, 1), 0); // 0.5 -> 0
    EXPECT_EQ(positionValueFor(half, 3), 2); // 1.5 -> 2
    EXPECT_EQ(positionValueFor(half, 5), 2); // 2.5 -> 2
}

TEST(PositionValue, TwoEqualDacValuesMakeTheTableUnusable) {
    ChannelCalibration t;
    t.ad = {128, 32, 128};
    EXPECT_FALSE(positionValueFor(t, 100));
}

TEST(CalibrationCheck, UnusableOrOutOfRangeValuesGiveTheDefaults) {
    struct Case {
        const char* name;
        void (*change)(CalibrationValues&);
        bool ok;
        bool offsetsReset;
    };
    const Case cases[] = {
        {"defaults", [](CalibrationValues&) {}, true, false},
        {"calibrated",
         [](CalibrationValues& v) {
             v.offs_1 = 131, v.v5_offs2 = -12, v.channel[1].ad = {125, 28, 222};
         },
         true, false},
        {"Ch2_ad0 equals Ch2_ad2",
         [](CalibrationValues& v) {
             v.channel[1].ad = {100, 20, 100};
         },
         false, false},
        {"table value above 255", [](CalibrationValues& v) { v.channel[0].pos[2] = 300; }, false, false},
        {"negative table value", [](CalibrationValues& v) { v.channel[0].ad[1] = -1; }, false, false},
        {"offset above 255", [](CalibrationValues& v) { v.offs_2 = 256; }, false, true},
        {"range offset below -128", [](CalibrationValues& v) { v.v5_offs1 = -129; }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationValues v;
        v.offs_1 = 140;
        c.change(v);
        CalibrationValues expected = v;
        if (!c.ok) expected.channel = {};
        if (c.offsetsReset) {
            expected.offs_1 = 128, expected.offs_2 = 128, expected.v5_offs1 = 0, expected.v5_offs2 = 0;
        }
        EXPECT_EQ(checkCalibration(v), c.ok);
        EXPECT_EQ(v, expected);
    }
}
