// The virtual clock behaves like the event loop's timers: due timers fire in time order, each
// at its own due time, periodic ones again and again, and a handler may stop or restart
// timers, its own included.

#include "base/Clock.h"

#include <gtest/gtest.h>
#include <string>

using namespace tarvik;

TEST(VirtualClock, TimersFireInTimeOrderAtTheirDueTimes) {
    VirtualClock clock;
    std::vector<std::string> log;
    auto fast = clock.createTimer();
    auto slow = clock.createTimer();
    auto once = clock.createTimer();
    fast->onTimeout = [&] { log.push_back("fast@" + std::to_string(clock.nowMs())); };
    slow->onTimeout = [&] { log.push_back("slow@" + std::to_string(clock.nowMs())); };
    once->onTimeout = [&] { log.push_back("once@" + std::to_string(clock.nowMs())); };
    once->setSingleShot(true);
    fast->start(10);
    slow->start(25);
    once->start(15);
    clock.advance(30);
    EXPECT_EQ(log, (std::vector<std::string>{"fast@10", "once@15", "fast@20", "slow@25", "fast@30"}));
    EXPECT_FALSE(once->isActive());
    EXPECT_EQ(clock.nowMs(), 30);
}

TEST(VirtualClock, HandlersMayStopAndRestartTimers) {
    VirtualClock clock;
    int ticks = 0;
    auto timer = clock.createTimer();
    timer->onTimeout = [&] {
        timer->stop(); // the pattern of the acquisition loops: stop, work, restart
        if (++ticks < 3) timer->start(10);
    };
    timer->start(10);
    clock.advance(100);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer->isActive());

    bool done = false;
    auto later = clock.createTimer();
    later->setSingleShot(true);
    later->onTimeout = [&] { done = true; };
    later->start(50);
    EXPECT_TRUE(clock.advanceUntil([&] { return done; }, 1000));
    EXPECT_EQ(clock.nowMs(), 150);
}

TEST(VirtualClock, ADestroyedTimerNeverFires) {
    VirtualClock clock;
    int fired = 0;
    {
        auto timer = clock.createTimer();
        timer->onTimeout = [&] { ++fired; };
        timer->start(5);
    }
    clock.advance(20);
    EXPECT_EQ(fired, 0);
}
