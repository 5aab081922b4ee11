#include "base/Clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace tarvik {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer() {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout) onTimeout();
        });
    }
    void start(int intervalMs) override { m_timer.start(intervalMs); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    int interval() const override { return m_timer.interval(); }
    void setSingleShot(bool singleShot) override { m_timer.setSingleShot(singleShot); }

private:
    QTimer m_timer;
};

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

QtClock::QtClock() : m_startNs(steadyNs()) {}

std::unique_ptr<Timer> QtClock::createTimer() {
    return std::make_unique<QtTimer>();
}

std::int64_t QtClock::nowMs() const {
    return (steadyNs() - m_startNs) / 1000000;
}

class VirtualClock::VTimer final : public Timer {
public:
    explicit VTimer(VirtualClock* clock) : m_clock(clock) { m_clock->m_timers.push_back(this); }
    ~VTimer() override {
        if (m_clock) std::erase(m_clock->m_timers, this);
    }
    void start(int intervalMs) override {
        m_interval = std::max(0, intervalMs);
        m_active = true;
        m_due = m_clock ? m_clock->m_now + std::max(1, m_interval) : 0;
        m_sequence = m_clock ? ++m_clock->m_sequence : 0;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }

    VirtualClock* m_clock;
    int m_interval = 0;
    bool m_active = false;
    bool m_singleShot = false;
    std::int64_t m_due = 0;
    std::uint64_t m_sequence = 0;
};

VirtualClock::VirtualClock() = default;

VirtualClock::~VirtualClock() {
    for (VTimer* t : m_timers) t->m_clock = nullptr;
}

std::unique_ptr<Timer> VirtualClock::createTimer() {
    return std::make_unique<VTimer>(this);
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t target = m_now + std::max<std::int64_t>(0, ms);
    for (;;) {
        VTimer* next = nullptr;
        for (VTimer* t : m_timers) {
            if (!t->m_active || t->m_due > target) continue;
            if (!next || t->m_due < next->m_due ||
                (t->m_due == next->m_due && t->m_sequence < next->m_sequence))
                next = t;
        }
        if (!next) break;
        m_now = next->m_due;
        if (next->m_singleShot) {
            next->m_active = false;
        } else {
            next->m_due += std::max(1, next->m_interval);
            next->m_sequence = ++m_sequence;
        }
        if (next->onTimeout) next->onTimeout(); // may start, stop or delete timers
    }
    m_now = target;
}

bool VirtualClock::advanceUntil(const std::function<bool()>& done, std::int64_t limitMs,
                                std::int64_t stepMs) {
    for (std::int64_t t = 0; t < limitMs && !done(); t += stepMs) advance(stepMs);
    return done();
}

} // namespace tarvik
