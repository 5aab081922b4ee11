// The fast timer on virtual time: its defaults, restarts on a new interval or resolution, a
// failing handler that does not stop it, and a clock that has no timer to give.

#include "device/FastTimer.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace tarvik;

namespace {

struct Ticks {
    VirtualClock clock;
    TFastTimer timer{clock};
    std::vector<std::int64_t> at; // virtual times of the ticks
    Ticks() {
        timer.OnTimer = [this] { at.push_back(clock.nowMs()); };
    }
};

class RefusingClock final : public Clock {
public:
    std::unique_ptr<Timer> createTimer() override { return nullptr; }
    std::int64_t nowMs() const override { return 0; }
};

} // namespace

TEST(FastTimer, DefaultsAndTicksAtTheInterval) {
    Ticks t;
    EXPECT_EQ(t.timer.Interval(), 1000);
    EXPECT_EQ(t.timer.Resolution(), 10);
    EXPECT_FALSE(t.timer.Enabled());
    t.clock.advance(3000);
    EXPECT_TRUE(t.at.empty());
    t.timer.setInterval(10);
    t.timer.setEnabled(true);
    t.clock.advance(35);
    EXPECT_EQ(t.at, (std::vector<std::int64_t>{3010, 3020, 3030}));
    t.timer.setEnabled(false);
    t.clock.advance(100);
    EXPECT_EQ(t.at.size(), 3u);
}

TEST(FastTimer, NewIntervalOrResolutionRestartsButTheSameEnabledValueDoesNot) {
    Ticks t;
    t.timer.setInterval(10);
    t.timer.setEnabled(true);
    t.clock.advance(7);
    t.timer.setEnabled(true); // already on: the period runs on undisturbed
    t.clock.advance(3);
    EXPECT_EQ(t.at, (std::vector<std::int64_t>{10}));
    t.clock.advance(4);
    t.timer.setInterval(20); // at 14: restarted, next tick at 34
    t.clock.advance(25);
    EXPECT_EQ(t.at, (std::vector<std::int64_t>{10, 34}));
    t.timer.setResolution(1); // at 39: restarted again, next at 59
    t.clock.advance(20);
    EXPECT_EQ(t.at, (std::vector<std::int64_t>{10, 34, 59}));
    t.timer.setResolution(0);
    EXPECT_EQ(t.timer.Resolution(), TFastTimer::kMinResolution);
    t.timer.setResolution(100000);
    EXPECT_EQ(t.timer.Resolution(), TFastTimer::kMaxResolution);
    t.timer.setInterval(0);
    EXPECT_EQ(t.timer.Interval(), 1);
}

TEST(FastTimer, FailingHandlerIsReportedAndTheTimerKeepsRunning) {
    Ticks t;
    std::vector<QString> reports;
    t.timer.onError = [&](const QString& m) { reports.push_back(m); };
    int calls = 0;
    t.timer.OnTimer = [&] {
        if (++calls == 1) throw std::runtime_error("range table broken");
        if (calls == 2) throw 42;
    };
    t.timer.setInterval(10);
    t.timer.setEnabled(true);
    t.clock.advance(40);
    EXPECT_EQ(calls, 4);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], QStringLiteral("range table broken"));
    EXPECT_EQ(reports[1], QStringLiteral("unknown error"));
    EXPECT_TRUE(t.timer.Enabled());
}

TEST(FastTimer, RefusedTimerRaisesNoFastTimersAvailable) {
    RefusingClock clock;
    TFastTimer timer(clock);
    try {
        timer.setEnabled(true);
        FAIL() << "no error raised";
    } catch (const FastTimerError& e) {
        EXPECT_STREQ(e.what(), "No FastTimers available.");
    }
    EXPECT_FALSE(timer.Enabled());
}
