// The horizontal scale: start index, position range and point step.

#include "scope/Timebase.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(Timebase, TableRowsAndLookups) {
    const auto& t = timebaseTable();
    EXPECT_EQ(t[kDefaultTimebaseRow].caption, "1ms");
    EXPECT_EQ(t[kDefaultTimebaseRow].key, 82);
    EXPECT_EQ(t[kSpectrumOnlyRow].spectrumCaption, "6M");
    EXPECT_EQ(timebaseRowIndex("10us"), 14); // the time/div row, not the spectrum-only one
    EXPECT_EQ(timebaseRowIndex("0.1us"), 21);
    EXPECT_EQ(timebaseRowIndex("3us"), -1);
    int visible = 0;
    for (const TimebaseRow& row : t) visible += row.visible;
    EXPECT_EQ(visible, 16);
}

TEST(Timebase, StartIndexAndPositionRangeAtTheRealTimeSteps) {
    const double p = positionFactor(4, 2); // every real-time step
    EXPECT_DOUBLE_EQ(p, 0.4);
    EXPECT_EQ(startIndexFor(32, p), 1024); // 325 samples from sample 256 on
    EXPECT_EQ(startIndexFor(24, p), 922);  // "Find": round(-102.4) + 1024
    const PositionRange range = positionRangeFor(p);
    EXPECT_EQ(range.minimum, -48);
    EXPECT_EQ(range.maximum, 272);
    EXPECT_EQ(startIndexFor(range.minimum, p), 1);    // clamped
    EXPECT_EQ(startIndexFor(range.maximum, p), 4066); // clamped
    EXPECT_EQ(startIndexFor(-100, p), 1);
}

TEST(Timebase, PointStepRescalesAStoredFrame) {
    EXPECT_DOUBLE_EQ(pointStepFor(200000, 100000, 4), 8);  // "1ms" frame at "2ms"
    EXPECT_DOUBLE_EQ(pointStepFor(10000, 100000, 4), 0.4); // at "0.1ms"
    EXPECT_DOUBLE_EQ(pointStepFor(50000000, 500, 4), 100); // beyond 65535: 100
    EXPECT_DOUBLE_EQ(pointStepFor(100000, 0, 4), 4);       // no frame yet: no division by zero
}
