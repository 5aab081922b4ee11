#pragma once
// The time seam: every timer-paced activity takes its timers from a Clock, so the program
// runs on Qt's precise timers and tests run the same logic on virtual time.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tarvik {

// A timer created by a Clock. Periodic unless made single-shot; start() restarts it.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

    std::function<void()> onTimeout; // called on the user-interface thread at each expiry
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    virtual std::int64_t nowMs() const = 0; // monotonic milliseconds
};

// Qt timers (Qt::PreciseTimer) on the thread's event loop.
class QtClock final : public Clock {
public:
    QtClock();
    std::unique_ptr<Timer> createTimer() override;
    std::int64_t nowMs() const override;

private:
    std::int64_t m_startNs;
};

// Virtual time for tests: nothing happens until advance() moves the time forward; the
// timers that fall due fire in time order, each at its own due time.
class VirtualClock final : public Clock {
public:
    VirtualClock();
    ~VirtualClock() override;
    std::unique_ptr<Timer> createTimer() override;
    std::int64_t nowMs() const override { return m_now; }

    void advance(std::int64_t ms);
    // Advance in steps of stepMs until done() holds or limitMs have passed; returns done().
    bool advanceUntil(const std::function<bool()>& done, std::int64_t limitMs, std::int64_t stepMs = 1);

private:
    class VTimer;
    friend class VTimer;
    std::int64_t m_now = 0;
    std::uint64_t m_sequence = 0; // start order, breaks ties between equal due times
    std::vector<VTimer*> m_timers;
};

} // namespace tarvik
