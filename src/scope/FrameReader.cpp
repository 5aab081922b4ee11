#include "scope/FrameReader.h"

#include <algorithm>

namespace tarvik {

FrameReader::FrameReader(CommandSet& commands, FrameRecords& records, Clock& clock)
    : m_commands(commands), m_link(commands.link()), m_records(records), m_clock(clock) {}

void FrameReader::send(int state, int substate) {
    m_state = state;
    m_substate = substate;
    m_commands.Reset_500(state, substate);
    m_lastReportMs = m_clock.nowMs();
}

void FrameReader::arm() {
    send(0, 0);
    send(1, 1);
    m_reports = 0;
}

void FrameReader::stop() {
    send(0, 0);
    m_reports = 0;
}

FrameReader::Result FrameReader::poll() {
    if (!m_link.canSend() || m_state != 1) return Result::None;
    Payload report{};
    for (int i = 0; i < kReportsPerPass; ++i) {
        const IoStatus status = m_link.USBRead(report, 0);
        if (status == IoStatus::Error) return Result::Lost;
        if (status == IoStatus::Timeout) break;
        m_lastReportMs = m_clock.nowMs();
        if (m_substate == 1) {
            if (report[0] == 100 && report[1] == 200) {
                send(1, 0); // capture complete: ask for the frame
                m_reports = 0;
            }
            continue;
        }
        if (m_reports == 0 && (report[0] == 100 || report[0] == 0)) continue; // status left over
        std::copy(report.begin(), report.end(), m_records.receive.begin() + m_reports * 64);
        if (++m_reports == kFrameBytes / 64) {
            m_reports = 0;
            m_state = m_substate = 0; // nothing pending until the caller arms again
            return Result::Frame;
        }
    }
    const std::int64_t silentMs = m_clock.nowMs() - m_lastReportMs;
    if (m_substate == 1 && silentMs > kSilenceLimitMs) {
        m_state = m_substate = 0;
        m_link.declareLost(QStringLiteral("the instrument stopped answering"));
        return Result::Lost;
    }
    if (m_substate == 0 && silentMs > kFrameGapLimitMs) {
        arm(); // never decode a partial frame: start a fresh capture
        return Result::Discarded;
    }
    return Result::None;
}

} // namespace tarvik
