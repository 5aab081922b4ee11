#pragma once
// Reads frames from the instrument without ever blocking: each pass (one timer tick) takes
// the reports that have arrived. Armed, it waits for the report that begins 100, 200 (the
// capture is complete), then asks for the frame (code 10) and collects its 34 reports,
// skipping leftover status reports that begin with 100 or 0. A frame that stops arriving
// half-way is discarded and the capture re-armed; an instrument that stays silent while a
// report is due is lost.

#include "base/Clock.h"
#include "device/CommandSet.h"
#include "scope/Records.h"

namespace tarvik {

class FrameReader {
public:
    enum class Result { None, Frame, Discarded, Lost };

    static constexpr int kSilenceLimitMs = 3000; // armed: longest wait for any report
    static constexpr int kFrameGapLimitMs = 300; // frame requested: longest wait for the next report
    static constexpr int kReportsPerPass = 64;   // bound of one pass

    FrameReader(CommandSet& commands, FrameRecords& records, Clock& clock);

    // Link state: (0,0) stopped, (1,1) armed, (1,0) frame requested.
    int linkState() const { return m_state; }
    int linkSubstate() const { return m_substate; }

    void arm();  // code 9, then code 11
    void stop(); // code 9
    Result poll();

private:
    void send(int state, int substate);

    CommandSet& m_commands;
    DeviceLink& m_link;
    FrameRecords& m_records;
    Clock& m_clock;
    int m_state = 0;
    int m_substate = 0;
    int m_reports = 0;               // reports of the frame collected so far
    std::int64_t m_lastReportMs = 0; // when the instrument last sent something (or was asked)
};

} // namespace tarvik
