// The decoder on hand-made frames: raw record, smoothing, ground substitution and the moving
// average with its ring.

#include "scope/Records.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

// A frame whose channel 1 byte i is ch1(i) and channel 2 byte i is ch2(i), i = 0..1087.
template <class F1, class F2> void fillFrame(FrameRecords& r, F1 ch1, F2 ch2) {
    for (int i = 0; i < 1088; ++i) {
        r.receive[i] = static_cast<std::uint8_t>(ch1(i));
        r.receive[1088 + i] = static_cast<std::uint8_t>(ch2(i));
    }
}

} // namespace

TEST(Decoder, RawRecordRepeatsEachSampleOnFourPointsChannel2First) {
    FrameRecords r;
    fillFrame(
        r, [](int i) { return i % 256; }, [](int i) { return 255 - i % 256; });
    decodeRaw(r);
    for (int k : {0, 1, 2, 3, 4, 1000, 4095}) {
        EXPECT_EQ(r.raw[k], 255 - (k / 4) % 256) << k;
        EXPECT_EQ(r.raw[kCh1Base + k], (k / 4) % 256) << k;
    }
    EXPECT_EQ(r.raw.size(), 8193u);
    EXPECT_EQ(r.raw[8192], 0);
}

TEST(Decoder, SmoothingAveragesFourQuarterSamplesAndTheNextSampleEntersTheLastPoints) {
    FrameRecords r;
    // Channel 1 a step from 0 to 100 at sample 10; byte 1024, after the frame, is 200.
    fillFrame(
        r, [](int i) { return i == 1024 ? 200 : (i >= 10 ? 100 : 0); },
        [](int i) { return i < 1024 ? 40 : 80; });
    smoothFrame(r);
    EXPECT_EQ(r.smoothed(0, 36), 0);
    EXPECT_EQ(r.smoothed(0, 37), 25); // 0, 0, 0, 100
    EXPECT_EQ(r.smoothed(0, 38), 50);
    EXPECT_EQ(r.smoothed(0, 39), 75);
    EXPECT_EQ(r.smoothed(0, 40), 100);
    EXPECT_EQ(r.smoothed(0, 4092), 100);
    EXPECT_EQ(r.smoothed(0, 4093), 125); // 100, 100, 100, 200
    EXPECT_EQ(r.smoothed(0, 4095), 175);
    EXPECT_EQ(r.smoothed(1, 4094), 60); // channel 2: 40, 40, 80, 80
    EXPECT_EQ(r.smoothed(1, 0), 40);
}

TEST(Decoder, GroundedChannelBecomesTheTruncatedMeanOfItsPoints) {
    FrameRecords r;
    fillFrame(
        r, [](int i) { return i % 2 ? 101 : 100; }, [](int) { return 7; });
    smoothFrame(r);
    substituteGround(r, 0);
    copyToDisplay(r);
    for (int k : {0, 1, 2000, 4095}) {
        EXPECT_EQ(r.display[kCh1Base + k], 100) << k; // mean 100.5 truncated
        EXPECT_EQ(r.display[k], 7) << k;
    }
}

TEST(Decoder, AveragingIsAMovingAverageAndANewCountKeepsTheOlderFrames) {
    FrameRecords r;
    auto frameOf = [&r](int level) {
        fillFrame(
            r, [level](int) { return level; }, [level](int) { return level + 1; });
        smoothFrame(r);
    };
    for (int level : {16, 32, 48, 64}) { // four frames averaged over 4
        frameOf(level);
        averageIntoDisplay(r, 4);
    }
    EXPECT_EQ(r.display[kCh1Base], (16 + 32 + 48 + 64) / 4);
    EXPECT_EQ(r.display[0], (17 + 33 + 49 + 65) / 4);

    // Averaging over 2 after 4: the ring starts again at its first slot but keeps its frames.
    r.ringIndex = 0;
    frameOf(100);
    averageIntoDisplay(r, 2);
    EXPECT_EQ(r.display[kCh1Base], (100 + 32) / 2); // the second slot still holds an old frame
    frameOf(101);
    averageIntoDisplay(r, 2);
    EXPECT_EQ(r.display[kCh1Base], (100 + 101) / 2);
    EXPECT_EQ(r.ringIndex, 0);
}

TEST(NoiseReject, OnlyFramesWithTheSelectedEdgeAreShown) {
    FrameRecords r;
    NoiseRejectStore store;
    // Channel 1 steps up (or down) by `edge` at sample 256, the trigger point (record point 1024).
    auto frame = [&r](int low, int high) {
        fillFrame(
            r, [=](int i) { return i < 256 ? low : high; }, [](int) { return 9; });
        smoothFrame(r);
    };
    frame(100, 140);
    EXPECT_TRUE(noiseReject(r, store, 0, true)); // rising edge, "Up": accepted, shown
    EXPECT_EQ(r.display[kCh1Base + 1100], 140);
    EXPECT_EQ(store.accepted, 1);

    frame(140, 100);
    EXPECT_FALSE(noiseReject(r, store, 0, true)); // falling edge: rejected, the store shows on
    EXPECT_EQ(r.display[kCh1Base + 1100],
              140); // the first edge, far above a reference of 0, filled every slot

    frame(100, 150);
    EXPECT_TRUE(noiseReject(r, store, 0, true)); // the second accepted frame fills all three slots
    for (int i = 0; i < 3; ++i) EXPECT_EQ(store.slot(i)[kCh1Base + 1100], 150) << i;
    EXPECT_EQ(r.display[kCh1Base + 1100], 150);

    frame(100, 104); // an edge more than five times smaller: the store starts afresh
    noiseReject(r, store, 0, true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(store.slot(i)[kCh1Base + 1100], 104) << i;

    frame(100, 108); // comparable edge: stored in its slot only
    noiseReject(r, store, 0, true);
    int fresh = 0;
    for (int i = 0; i < 3; ++i) fresh += store.slot(i)[kCh1Base + 1100] == 108;
    EXPECT_EQ(fresh, 1);
    EXPECT_EQ(r.display[0], 9); // channel 2 travels with the frame
}
