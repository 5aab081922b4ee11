#pragma once
// Calibration of the instrument's front end, with both inputs disconnected: a closed loop
// that sets DAC values, reads live samples in streaming mode and nudges the DACs until the
// mean reading reaches its target, in five phases (zero offsets at 2 V/div, the extra offset
// of the 0.1 V and 1 V ranges, then the low, mid and high points of each channel's
// DAC-to-level line). It runs as a state machine on the timer seam, so the window stays
// alive; it works on a copy of the calibration and commits it only at the end, so an
// instrument that falls silent or goes away leaves the previous calibration in force.

#include "base/Clock.h"
#include "base/Prompts.h"
#include "scope/ScopeController.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace tarvik {

class Calibrator : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 5;            // pace of the state machine
    static constexpr int kSettleMs = 1000;       // wait for a capture in progress to finish
    static constexpr int kSilenceLimitMs = 1000; // longest wait for a streaming report
    static constexpr int kDiscard = 31;          // reports discarded after a change of state
    static constexpr int kPairs = 20;            // report pairs averaged per round
    static constexpr int kMaxRounds = 51;

    Calibrator(Clock& clock, Prompts& prompts, ScopeController& scope, QObject* parent = nullptr);
    ~Calibrator() override;

    // Where "Calibration.log" goes (the documents folder).
    QString logFolder;
    // The first-run calibration flag, kept by the configuration.
    bool firstRunPending = true;
    // The deferred calibration of the configuration ("ExtendCalTime").
    bool extendCalTime = false;

    // "Calibrate" and "Calibrate && Exit" (exitAfterwards): ignored in demo mode.
    void Calibrate(bool exitAfterwards = false);
    // The first-run question (start-up and "Hardware Setup..."): OK calibrates, Cancel keeps
    // the question for the next start.
    void firstRunPrompt();
    // One measured frame of the Run loop: advances the deferred calibration.
    void extendedCalibrationTick();
    bool running() const { return m_step != Step::Idle; }
    void abort(const QString& reason); // stops at once; the previous calibration stays
    // The result text of the last calibration, as written to the log.
    const QStringList& results() const { return m_results; }

    // The streaming reading of one report: 255 - the truncated mean of its channel 1 bytes
    // (even bytes) in the low byte, the same for channel 2 (odd bytes) in the high byte.
    static int ReadBytes(const Payload& report);

signals:
    void progressChanged(bool shown, int percent); // "Calibrating - Please wait...", "N% Complete"
    void finished(bool ok);
    void exitRequested(); // "Calibrate && Exit" is done

private:
    enum class Step { Idle, Settling, Discard, Rounds };
    void test1();     // opens the instrument if needed, then asks and calibrates
    void calibrate(); // the measuring procedure
    void beginPhase(int number);
    void sendDacs();
    void streamAfresh(); // code 9, then code 12
    void tick();
    void consume(const Payload& report);
    void endRound();
    void endPhase();
    void finish(bool aborted, const QString& reason = {});
    bool writeLog(QString* error) const;
    void setProgress(int percent);
    void restoreControls(int rangeIndex);

    Clock& m_clock;
    Prompts& m_prompts;
    ScopeController& m_scope;
    CommandSet& m_commands;
    std::unique_ptr<Timer> m_timer;
    Step m_step = Step::Idle;
    bool m_exitAfterwards = false;
    bool m_deferred = false; // started by the deferred calibration
    int m_extendedCount = 0;
    CalibrationValues m_previous;     // in force before; restored on an abort
    CalibrationValues m_work;         // being measured
    std::array<int, 2> m_positions{}; // the position controls, re-applied at the end
    int m_phase = 0;
    int m_discardLeft = 0;
    int m_discardRuns = 0;
    int m_rounds = 0;
    int m_half = 0; // 0: the next report gives channel 1, 1: channel 2
    int m_pairs = 0;
    std::array<int, 2> m_sums{};
    std::array<int, 2> m_means{};
    std::array<int, 2> m_offsets{}; // the loop variables: zero offsets, or range offsets in phase 2
    std::array<bool, 2> m_pinned{}; // an offset reached the end of its range
    std::array<int, 2> m_phase4Dacs{};
    bool m_failed = false;
    std::int64_t m_lastReportMs = 0;
    QStringList m_results;
};

} // namespace tarvik
