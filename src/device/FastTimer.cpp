#include "device/FastTimer.h"

#include <QDebug>
#include <algorithm>
#include <exception>

namespace tarvik {

TFastTimer::TFastTimer(Clock& clock) : m_clock(clock) {}

TFastTimer::~TFastTimer() = default;

void TFastTimer::setInterval(int ms) {
    ms = std::max(1, ms);
    if (ms == m_interval) return;
    m_interval = ms;
    if (m_enabled) start();
}

void TFastTimer::setResolution(int ms) {
    ms = std::clamp(ms, kMinResolution, kMaxResolution);
    if (ms == m_resolution) return;
    m_resolution = ms;
    if (m_enabled) start();
}

void TFastTimer::setEnabled(bool on) {
    if (on == m_enabled) return;
    if (on) {
        start(); // throws before anything changes when no timer can be had
        m_enabled = true;
    } else {
        m_enabled = false;
        if (m_timer) m_timer->stop();
    }
}

void TFastTimer::start() {
    if (!m_timer) {
        m_timer = m_clock.createTimer();
        if (!m_timer) throw FastTimerError();
        m_timer->onTimeout = [this] { tick(); };
    }
    m_timer->stop();
    m_timer->start(m_interval); // the clock's timers are precise to the millisecond
}

void TFastTimer::tick() {
    if (!OnTimer) return;
    QString failure;
    try {
        OnTimer();
        return;
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("unknown error");
    }
    if (onError)
        onError(failure);
    else
        qWarning().noquote() << "tarvik: timer handler failed:" << failure;
}

} // namespace tarvik
