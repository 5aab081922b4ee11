#pragma once
// The fast timer: a steady periodic tick with a millisecond interval, delivered on the
// user-interface thread, for the remote-control poll, the recorder's sampling and the wave
// sequence. It runs on a Clock's timers (Qt's precise timers in the program, virtual time in
// tests). A handler that fails is reported and the timer keeps running.

#include "base/Clock.h"

#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

namespace tarvik {

// Raised by TFastTimer::setEnabled when no timer can be had.
class FastTimerError : public std::runtime_error {
public:
    FastTimerError() : std::runtime_error("No FastTimers available.") {}
};

class TFastTimer {
public:
    static constexpr int kMinResolution = 1;    // ms
    static constexpr int kMaxResolution = 1000; // ms

    explicit TFastTimer(Clock& clock);
    ~TFastTimer();
    TFastTimer(const TFastTimer&) = delete;
    TFastTimer& operator=(const TFastTimer&) = delete;

    // Period in milliseconds (at least 1; initially 1000). Changing it while enabled
    // restarts the timer with the new period.
    int Interval() const { return m_interval; }
    void setInterval(int ms);
    // Accuracy asked for, in milliseconds, kept within kMinResolution..kMaxResolution
    // (initially 10). Changing it while enabled restarts the timer.
    int Resolution() const { return m_resolution; }
    void setResolution(int ms);
    // Starts or stops the ticks; setting the value it already has does nothing. Throws
    // FastTimerError ("No FastTimers available.") when the clock refuses a timer.
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);

    std::function<void()> OnTimer; // called once per tick
    // Where a failing OnTimer is reported; standard error when empty.
    std::function<void(const QString& message)> onError;

private:
    void start();
    void tick();

    Clock& m_clock;
    std::unique_ptr<Timer> m_timer;
    int m_interval = 1000;
    int m_resolution = 10;
    bool m_enabled = false;
};

} // namespace tarvik
