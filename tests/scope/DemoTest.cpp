// The demo signal source behind the oscilloscope controller on virtual time: the signals
// follow ranges and positions, the software trigger places the edge at record point 1024,
// the frame is always a whole period walk of the table, free-running frames scroll, the
// caption follows the time base, and the Run loop is paced by the demo timer.

#include "scope/Demo.h"
#include "support/ScriptedPrompts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvik;

namespace {

constexpr int kCh1 = 0, kCh2 = 1;

class Demo : public ::testing::Test {
protected:
    Demo() : link(nullptr), commands(link), scope(clock, prompts, commands), demo(clock, scope) {
        link.setDemoMode(true);
        scope.setDemoSource(&demo);
        demo.seed(1234);
        demo.tee_demo_taulut();
    }

    // One Single capture; true when a frame was shown.
    bool single() {
        QSignalSpy frames(&scope, &ScopeController::frameDisplayed);
        scope.SpeedButtonSingleClick(true);
        clock.advance(ScopeController::kLoopMs);
        const bool shown = frames.count() == 1;
        scope.SpeedButtonSingleClick(false);
        return shown;
    }
    std::vector<int> channel(int ch) const {
        const auto& d = scope.records().display;
        const auto first = d.begin() + (ch == kCh1 ? kCh1Base : 0);
        return {first, first + kChannelPoints};
    }
    std::vector<int> block(int ch) const {
        const auto first = demo.table().begin() + (ch == kCh1 ? 0 : DemoSignals::kBlockEntries);
        return {first, first + DemoSignals::kBlockEntries};
    }
    void trigger(std::uint8_t source, bool rising, int levelControl) {
        scope.setTriggerSource(source);
        scope.setTriggerEdge(rising);
        scope.setTriggerLevel(levelControl);
        scope.setTriggerOn(true);
    }

    VirtualClock clock;
    test::ScriptedPrompts prompts;
    DeviceLink link;
    CommandSet commands;
    ScopeController scope;
    DemoSignals demo;
};

std::pair<int, int> minMax(const std::vector<int>& v) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return {*lo, *hi};
}

} // namespace

TEST_F(Demo, EnteringDemoModeSetsTheDemoControls) {
    const ScopeState& s = scope.state();
    EXPECT_EQ(s.channel[0].rangeCaption, QStringLiteral("2V"));
    EXPECT_EQ(s.channel[1].rangeCaption, QStringLiteral("2V"));
    EXPECT_EQ(s.timebase.timeDivText, QStringLiteral("1ms"));
    EXPECT_EQ(s.channel[0].position, -20);
    EXPECT_EQ(s.channel[1].position, 20);
    EXPECT_EQ(s.demoCaption, QStringLiteral("DEMO 1"));
    EXPECT_TRUE(commands.link().demoMode());
}

TEST_F(Demo, SignalsFollowRangeAndPosition) {
    struct Case {
        const char* timeDiv;
        int range1, position1, range2, position2;
        std::pair<int, int> ch1, ch2; // lowest and highest level
    };
    const Case cases[] = {
        // 2 V/div at -20: the sine swings +-30 around 128 + 40 + 2000 / 100.
        {"1ms", 1, -20, 1, 20, {158, 218}, {42, 134}},
        {"1ms", 2, -20, 0, 20, {148, 255}, {65, 111}},  // 1 V/div clipped at the top; 5 V/div
        {"0.5ms", 5, 0, 3, -60, {0, 255}, {16, 255}},   // clipped at both ends
        {"10us", 1, -20, 1, 20, {168, 228}, {39, 137}}, // "DEMO 2"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeDiv);
        scope.selectTimebase(QString::fromLatin1(c.timeDiv));
        scope.selectRange(0, c.range1);
        scope.setPosition(0, c.position1);
        scope.selectRange(1, c.range2);
        scope.setPosition(1, c.position2);
        EXPECT_EQ(minMax(block(kCh1)), c.ch1);
        EXPECT_EQ(minMax(block(kCh2)), c.ch2);
        if (scope.state().timebase.ets) continue; // triggered there, and only every 4th entry shown
        scope.setTriggerOn(false);
        ASSERT_TRUE(single());
        EXPECT_EQ(minMax(channel(kCh1)), c.ch1);
        EXPECT_EQ(minMax(channel(kCh2)), c.ch2);
    }
}

TEST(DemoStep, StepAndRepeatByTimeBase) {
    struct Case {
        const char* timeDiv;
        int step, repeat;
    };
    const Case cases[] = {
        {"500ms", 500, 1}, {"200ms", 400, 1}, {"100ms", 200, 1}, {"50ms", 100, 1}, {"20ms", 40, 1},
        {"10ms", 20, 1},   {"5ms", 10, 1},    {"2ms", 4, 1},     {"1ms", 2, 1},    {"0.5ms", 2, 2},
        {"0.2ms", 2, 5},   {"0.1ms", 2, 10},  {"50us", 2, 20},   {"20us", 2, 50},  {"10us", 16, 1},
        {"5us", 8, 1},     {"0.1us", 8, 1},
    };
    for (const Case& c : cases) {
        const DemoStep s = demoStepFor(timebaseTable()[timebaseRowIndex(c.timeDiv)].value);
        EXPECT_EQ(s.step, c.step) << c.timeDiv;
        EXPECT_EQ(s.repeat, c.repeat) << c.timeDiv;
    }
}

TEST_F(Demo, TriggerEdgeLandsAtRecordPoint1024) {
    struct Case {
        const char* timeDiv;
        std::uint8_t source;
        bool rising;
        int level; // signal level; the control is 255 - level
    };
    const Case cases[] = {
        {"1ms", trig::SourceCh1, true, 188},   {"1ms", trig::SourceCh1, false, 200},
        {"0.5ms", trig::SourceCh2, true, 88},  {"0.2ms", trig::SourceCh1, true, 170},
        {"20us", trig::SourceCh2, false, 100}, {"20us", trig::SourceCh1, true, 210},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.timeDiv << " source " << int(c.source) << " rising "
                                          << c.rising << " level " << c.level);
        scope.selectTimebase(QString::fromLatin1(c.timeDiv));
        trigger(c.source, c.rising, 255 - c.level);
        for (int frame = 0; frame < 4; ++frame) { // the level jitters by one
            ASSERT_TRUE(single());
            const std::vector<int> v = channel(c.source == trig::SourceCh1 ? kCh1 : kCh2);
            const int at = v[1024];
            const int before = v[1024 - demo.repeat()]; // the table entry before the edge
            if (c.rising) {
                EXPECT_GT(at, c.level);
                EXPECT_LE(before, c.level + 1);
            } else {
                EXPECT_LT(at, c.level + 1);
                EXPECT_GE(before, c.level);
            }
        }
    }
}

// Every level inside the signal triggers, and every frame, at every time base and trigger
// level, is a walk through one period of the table that starts inside it and continues across
// its end, and writes every point (4096 is not a multiple of 50, 20 or 10 at 20 us, 50 us
// and 0.1 ms/div).
TEST_F(Demo, EveryFrameWalksThePeriodFromAStartInsideTheTable) {
    scope.setTriggerOn(true);
    for (int row = 0; row < kTimebaseRows; ++row) {
        scope.selectTimebase(row);
        for (std::uint8_t source : {trig::SourceCh1, trig::SourceCh2}) {
            for (bool rising : {true, false}) {
                for (int level : {30, 70, 100, 150, 190, 215}) {
                    SCOPED_TRACE(::testing::Message() << "row " << row << " source " << int(source)
                                                      << " rising " << rising << " level " << level);
                    trigger(source, rising, 255 - level);
                    demo.triggaa_demo();
                    // Every level the signal crosses triggers, whatever the jitter of one.
                    const auto [lo, hi] = minMax(block(source == trig::SourceCh1 ? kCh1 : kCh2));
                    ASSERT_EQ(demo.triggered(), lo < level && level + 1 < hi);
                    if (!demo.triggered()) continue;
                    ASSERT_GE(demo.start(), 0);
                    ASSERT_LT(demo.start(), DemoSignals::kBlockBytes);
                    ASSERT_EQ(demo.start() % 2, 0);
                    auto& display = scope.records().display;
                    std::fill(display.begin(), display.end() - 1, -1);
                    demo.luedemo();
                    const int entriesPerSample = demo.step() / 2;
                    for (int ch : {kCh1, kCh2}) {
                        const std::vector<int> expected = block(ch);
                        const std::vector<int> v = channel(ch);
                        for (int k = 0; k < kChannelPoints; ++k) {
                            const int entry = (demo.start() / 2 + k / demo.repeat() * entriesPerSample) % 300;
                            ASSERT_EQ(v[k], expected[entry]) << "channel " << ch << " point " << k;
                        }
                    }
                }
            }
        }
    }
}

TEST_F(Demo, NoFrameWhileTheLevelIsOutsideTheSignalAndWaitingForTriggerAfterThreeSeconds) {
    QSignalSpy frames(&scope, &ScopeController::frameDisplayed);
    trigger(trig::SourceCh1, true, 0); // level 255: above the whole signal
    scope.SpeedButtonRunClick(true);
    clock.advance(2900);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Running"));
    clock.advance(200);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Waiting for trigger"));
    EXPECT_EQ(frames.count(), 0);

    scope.setTriggerLevel(255 - 188); // inside the signal again
    clock.advance(100);
    EXPECT_GT(frames.count(), 0);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Running"));

    // The external input has no demo signal: nothing triggers.
    scope.setTriggerSource(trig::SourceExt);
    const int shown = frames.count();
    clock.advance(500);
    EXPECT_EQ(frames.count(), shown);
    scope.SpeedButtonRunClick(false);
}

TEST_F(Demo, FreeRunningFramesMoveByTwentyTableBytesAndEnterTheHistory) {
    int history = 0;
    scope.consumers.history = [&] { ++history; };
    std::vector<std::vector<int>> shown;
    QObject::connect(&scope, &ScopeController::frameDisplayed, [&] { shown.push_back(channel(kCh1)); });
    scope.SpeedButtonRunClick(true);
    ASSERT_TRUE(clock.advanceUntil([&] { return shown.size() == 31; }, 5000));
    scope.SpeedButtonRunClick(false);
    EXPECT_EQ(history, 31);
    for (int k = 0; k < kChannelPoints - 10; ++k) ASSERT_EQ(shown[1][k], shown[0][k + 10]) << k;
    EXPECT_EQ(shown[30], shown[0]); // thirty steps of 20 bytes: one period
    EXPECT_NE(shown[15], shown[0]);
}

TEST_F(Demo, CaptionFollowsTheTimeBase) {
    scope.selectTimebase(QStringLiteral("10us"));
    EXPECT_EQ(scope.state().demoCaption, QStringLiteral("DEMO 2"));
    const auto demo2 = block(kCh1);
    scope.selectTimebase(QStringLiteral("20us"));
    EXPECT_EQ(scope.state().demoCaption, QStringLiteral("DEMO 1"));
    EXPECT_NE(block(kCh1), demo2); // the channel blocks follow the signal set
}

TEST_F(Demo, RunIsPacedByTheDemoTimerAndSingleIsNot) {
    scope.selectTimebase(QStringLiteral("10ms")); // 10 + 1 ms pacing ticks
    scope.setTriggerOn(false);
    demo.restart();
    EXPECT_FALSE(demo.frameReady(false)); // the request starts the timer
    clock.advance(11);
    EXPECT_FALSE(demo.frameReady(false));
    clock.advance(11);
    EXPECT_TRUE(demo.frameReady(false));
    EXPECT_FALSE(demo.frameReady(false)); // the next frame is a new request
    clock.advance(22);
    EXPECT_TRUE(demo.frameReady(false));

    EXPECT_TRUE(demo.frameReady(true)); // Single: as soon as the trigger is found

    scope.selectTimebase(QStringLiteral("0.5ms")); // round(0.5) = 0: ready at once
    demo.restart();
    EXPECT_TRUE(demo.frameReady(false));
    EXPECT_TRUE(demo.frameReady(false));

    // The trigger decides too: ticks alone deliver nothing.
    scope.selectTimebase(QStringLiteral("10ms"));
    trigger(trig::SourceCh1, true, 0);
    demo.restart();
    EXPECT_FALSE(demo.frameReady(false));
    clock.advance(50);
    EXPECT_FALSE(demo.frameReady(false));
    EXPECT_FALSE(demo.frameReady(true));
}
