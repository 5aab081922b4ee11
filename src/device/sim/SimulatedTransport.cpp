#include "device/sim/SimulatedTransport.h"

#include <algorithm>
#include <chrono>

namespace tarvik::sim {

SimulatedTransport::SimulatedTransport(InstrumentModel& model, std::function<std::int64_t()> now)
    : m_model(model), m_now(std::move(now)) {
    if (!m_now) {
        m_now = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
}

bool SimulatedTransport::open(QString* error) {
    if (!attached || m_model.disconnected) {
        if (error) *error = QStringLiteral("no simulated instrument attached");
        return false;
    }
    if (openRefused) {
        if (error) *error = QStringLiteral("simulated instrument found but not opened (Permission denied)");
        return false;
    }
    m_open = true;
    return true;
}

IoStatus SimulatedTransport::writeReport(const HidReport& report) {
    if (m_model.disconnected) return IoStatus::Error;
    Payload payload;
    std::copy(report.begin() + 1, report.end(), payload.begin());
    m_model.receive(payload, m_now());
    return IoStatus::Ok;
}

IoStatus SimulatedTransport::readReport(Payload& report, int) {
    if (m_model.disconnected) return IoStatus::Error;
    if (auto next = m_model.next(m_now())) {
        report = *next;
        return IoStatus::Ok;
    }
    return IoStatus::Timeout; // in-process, waiting would not bring a report
}

} // namespace tarvik::sim
