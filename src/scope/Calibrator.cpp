#include "scope/Calibrator.h"

#include "base/Numbers.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>

namespace tarvik {

namespace {

const QString kPrompt = QStringLiteral("The oscilloscope will now be calibrated.\rPlease make sure that the "
                                       "oscilloscope inputs CH1 and CH2\rare "
                                       "disconnected from external circuits.");
const QString kFailed =
    QStringLiteral("CALIBRATION FAILED.\rPlease check 'Calibration.log' file for more details");
const QString kDone = QStringLiteral("Calibration completed successfully.");
constexpr std::uint8_t kCalibrationTimebaseKey = 153; // timebase code 18, used only here
constexpr int kRange2V = 1, kRange1V = 2;
constexpr int kTargets[] = {0, 128, 128, 32, 128, 224}; // mean aimed at in phases 1..5

QString okOrFail(bool ok) {
    return ok ? QStringLiteral("OK") : QStringLiteral("FAIL");
}

} // namespace

Calibrator::Calibrator(Clock& clock, Prompts& prompts, ScopeController& scope, QObject* parent)
    : QObject(parent), m_clock(clock), m_prompts(prompts), m_scope(scope), m_commands(scope.commands()),
      m_timer(clock.createTimer()) {
    m_timer->onTimeout = [this] { tick(); };
}

Calibrator::~Calibrator() = default;

int Calibrator::ReadBytes(const Payload& report) {
    int sum1 = 0, sum2 = 0;
    for (int i = 0; i < 32; ++i) {
        sum1 += report[2 * i];
        sum2 += report[2 * i + 1];
    }
    return (255 - sum1 / 32) | (255 - sum2 / 32) << 8;
}

// ---------------------------------------------------------------- commands

void Calibrator::Calibrate(bool exitAfterwards) {
    if (m_scope.demoMode() || running()) return;
    m_exitAfterwards = exitAfterwards;
    m_deferred = false;
    m_scope.stopAcquisition();
    m_scope.setAveraging(0);
    firstRunPending = true;
    // Let a capture in progress finish before the instrument is switched to streaming.
    m_step = Step::Settling;
    m_timer->setSingleShot(true);
    m_timer->start(kSettleMs);
}

void Calibrator::firstRunPrompt() {
    if (!firstRunPending || m_scope.demoMode() || running()) return;
    if (!m_prompts.okCancel(kPrompt)) return; // asked again at the next start
    m_exitAfterwards = false;
    m_deferred = false;
    calibrate();
}

void Calibrator::extendedCalibrationTick() {
    if (!extendCalTime || running()) return;
    ++m_extendedCount;
    if (m_extendedCount % 5 == 0) m_scope.asetus(QString(), 0);
    if (m_extendedCount < 150) return;
    extendCalTime = false; // once per run of the program
    m_deferred = true;
    m_exitAfterwards = false;
    m_scope.stopAcquisition();
    calibrate();
}

void Calibrator::test1() {
    DeviceLink& link = m_commands.link();
    link.test0(); // opens the device when it is not open yet
    if (!link.deviceOpened()) {
        m_step = Step::Idle;
        m_prompts.noHardwareResponse();
        return;
    }
    m_prompts.information(kPrompt);
    calibrate();
}

// ---------------------------------------------------------------- the procedure

void Calibrator::calibrate() {
    m_previous = m_scope.state().calibration;
    m_work = CalibrationValues{};
    m_positions = {m_scope.state().channel[0].position, m_scope.state().channel[1].position};
    m_results = {QStringLiteral("Calibration results:"), QString()};
    m_failed = false;
    setProgress(0);
    m_scope.setCalibrating(true);
    m_scope.prepareForCalibration();
    m_commands.dac.position = {0, 0};
    m_lastReportMs = m_clock.nowMs();
    beginPhase(1);
    m_timer->setSingleShot(false);
    m_timer->start(kTickMs);
}

void Calibrator::streamAfresh() {
    m_commands.Reset_500(0, 0);
    m_commands.Reset_500(2, 0);
    m_lastReportMs = m_clock.nowMs();
}

void Calibrator::sendDacs() {
    if (m_phase == 2) {
        m_commands.dac.rangeOffsetCal = m_offsets;
    } else {
        m_commands.dac.zeroOffset = m_offsets;
        m_commands.dac.rangeOffsetCal = {0, 0};
    }
    m_commands.Set_DACs();
}

void Calibrator::beginPhase(int number) {
    m_phase = number;
    m_commands.frontEnd.timebaseKey = kCalibrationTimebaseKey;
    m_commands.Set500();
    const int range = number == 2 ? kRange1V : kRange2V;
    m_scope.selectRange(0, range);
    m_scope.selectRange(1, range);
    switch (number) {
    case 1:
        m_offsets = {128, 128};
        break;
    case 2:
        m_commands.dac.zeroOffset = {m_work.offs_1, m_work.offs_2};
        m_offsets = {0, 0};
        break;
    default:
        m_offsets = {kTargets[number], kTargets[number]};
        break;
    }
    m_pinned = {false, false};
    m_rounds = 0;
    streamAfresh();
    // Phases 1 and 2 settle once before and once after the first DAC values.
    m_discardRuns = number <= 2 ? 2 : 1;
    if (number > 2) sendDacs();
    m_step = Step::Discard;
    m_discardLeft = kDiscard;
}

void Calibrator::tick() {
    if (m_step == Step::Settling) {
        m_timer->stop();
        m_step = Step::Idle;
        test1();
        return;
    }
    if (m_step != Step::Discard && m_step != Step::Rounds) return;
    Payload report{};
    for (int i = 0; i < 64 && running(); ++i) {
        const IoStatus status = m_commands.link().USBRead(report, 0);
        if (status == IoStatus::Error) {
            finish(true, QStringLiteral("the oscilloscope was disconnected"));
            return;
        }
        if (status == IoStatus::Timeout) break;
        m_lastReportMs = m_clock.nowMs();
        consume(report);
    }
    if (running() && m_clock.nowMs() - m_lastReportMs > kSilenceLimitMs)
        finish(true, QStringLiteral("no response from the oscilloscope"));
}

void Calibrator::consume(const Payload& report) {
    if (m_step == Step::Discard) {
        if (--m_discardLeft > 0) return;
        if (--m_discardRuns > 0) {
            sendDacs();
            m_discardLeft = kDiscard;
            return;
        }
        m_step = Step::Rounds;
        m_sums = {0, 0};
        m_pairs = 0;
        m_half = 0;
        sendDacs();
        return;
    }
    const int reading = ReadBytes(report);
    if (m_half == 0) {
        m_sums[0] += reading & 0xFF; // channel 1 from the first report of a pair
        m_half = 1;
        return;
    }
    m_sums[1] += reading >> 8; // channel 2 from the second
    m_half = 0;
    if (++m_pairs == kPairs) endRound();
}

void Calibrator::endRound() {
    const int target = kTargets[m_phase];
    bool changed = false;
    for (int ch = 0; ch < 2; ++ch) {
        m_means[ch] = static_cast<int>(roundHalfEven(m_sums[ch] / double(kPairs)));
        int step = 0;
        if (m_phase == 2) // a dead band of 128..129
            step = m_means[ch] > 129 ? -1 : m_means[ch] < 128 ? 1 : 0;
        else
            step = m_means[ch] > target ? -1 : m_means[ch] < target ? 1 : 0;
        if (!step) continue;
        // Offsets stay within what the DAC sum can take; one pinned at a limit fails its phase.
        const int low = m_phase == 2 ? -128 : 0, high = m_phase == 2 ? 127 : 255;
        const int next = std::clamp(m_offsets[ch] + step, low, high);
        if (next == m_offsets[ch]) {
            m_pinned[ch] = true;
            continue;
        }
        m_offsets[ch] = next;
        changed = true;
    }
    ++m_rounds;
    if (!changed || m_rounds >= kMaxRounds) {
        endPhase();
        return;
    }
    m_sums = {0, 0};
    m_pairs = 0;
    m_half = 0;
    sendDacs();
}

void Calibrator::endPhase() {
    const QString rounds = QStringLiteral("Rounds :\t") + QString::number(m_rounds);
    auto line = [&](const char* label, int value, bool ok) {
        m_failed = m_failed || !ok;
        m_results << QString::fromLatin1(label) + QString::number(value) + QLatin1Char('\t') + okOrFail(ok);
    };
    auto point = [&](const char* label, int ch) {
        m_failed = m_failed || m_pinned[ch];
        QString text = QString::fromLatin1(label) + QString::number(m_means[ch]) + QLatin1Char('\t') +
                       QString::number(m_offsets[ch]);
        if (m_pinned[ch]) text += QStringLiteral("\tFAIL");
        m_results << text;
    };
    switch (m_phase) {
    case 1:
        m_work.offs_1 = m_offsets[0];
        m_work.offs_2 = m_offsets[1];
        line("CH1 offset at 2V/div      :\t", m_offsets[0],
             m_offsets[0] >= 91 && m_offsets[0] <= 165 && !m_pinned[0]);
        line("CH2 offset at 2V/div      :\t", m_offsets[1],
             m_offsets[1] >= 91 && m_offsets[1] <= 165 && !m_pinned[1]);
        m_results << rounds;
        setProgress(10);
        break;
    case 2:
        m_work.v5_offs1 = m_offsets[0];
        m_work.v5_offs2 = m_offsets[1];
        line("CH1 offset at 1V/div   :\t", m_offsets[0], std::abs(m_offsets[0]) < 50 && !m_pinned[0]);
        line("CH2 offset at 1V/div   :\t", m_offsets[1], std::abs(m_offsets[1]) < 50 && !m_pinned[1]);
        m_results << rounds;
        setProgress(30);
        break;
    case 3:
    case 4:
    case 5: {
        const int index = m_phase == 3 ? 1 : m_phase == 4 ? 0 : 2;
        for (int ch = 0; ch < 2; ++ch) {
            m_work.channel[ch].pos[index] = m_means[ch];
            m_work.channel[ch].ad[index] = m_offsets[ch];
        }
        static const char* const kLabels[][2] = {
            {"CH1 Y-position low, CH1_DAC1\t", "CH2 Y-position low, CH2_DAC1\t"},
            {"CH1 Y-position mid, CH1_DAC0\t", "CH2 Y-position mid, CH2_DAC0\t"},
            {"CH1 Y-position high, CH1_DAC2\t", "CH2 Y-position high, CH2_DAC2\t"}};
        point(kLabels[m_phase - 3][0], 0);
        point(kLabels[m_phase - 3][1], 1);
        m_results << rounds;
        if (m_phase == 4) m_phase4Dacs = m_offsets;
        setProgress(m_phase == 3 ? 50 : m_phase == 4 ? 70 : 100);
        break;
    }
    default:
        break;
    }
    if (m_phase < 5) {
        beginPhase(m_phase + 1);
        return;
    }
    // The zero offsets are the DAC values that put 0 V on the centre line.
    m_work.offs_1 = m_phase4Dacs[0];
    m_work.offs_2 = m_phase4Dacs[1];
    for (int ch = 0; ch < 2; ++ch) {
        if (tableUsable(m_work.channel[ch])) continue;
        m_failed = true;
        m_results << QStringLiteral("CH%1 Y-position table   :\tFAIL").arg(ch + 1);
    }
    finish(false);
}

void Calibrator::finish(bool aborted, const QString& reason) {
    m_timer->stop();
    m_step = Step::Idle;
    m_commands.Reset_500(0, 0); // streaming off
    if (aborted) {
        m_failed = true;
        m_results << QString() << QStringLiteral("Calibration aborted: %1.\tFAIL").arg(reason);
    }
    // The measured values are kept even when out of their limits; an aborted run keeps the old ones.
    m_scope.setCalibration(aborted ? m_previous : m_work);
    m_scope.setCalibrating(false);
    restoreControls(m_deferred ? kRange1V : kRange2V);
    emit progressChanged(false, 100);
    QString error;
    if (!writeLog(&error)) m_prompts.warning(error);
    if (!aborted) firstRunPending = false;
    if (m_failed)
        m_prompts.warning(kFailed);
    else
        m_prompts.information(kDone);
    emit finished(!m_failed);
    if (m_exitAfterwards) emit exitRequested();
}

void Calibrator::restoreControls(int rangeIndex) {
    m_scope.restoreAfterCalibration();
    m_scope.setPosition(0, m_positions[0]);
    m_scope.setPosition(1, m_positions[1]);
    m_scope.selectRange(0, rangeIndex);
    m_scope.selectRange(1, rangeIndex);
    m_scope.selectTimebase(kDefaultTimebaseRow);
}

bool Calibrator::writeLog(QString* error) const {
    const QString path =
        QDir(logFolder.isEmpty() ? QDir::homePath() : logFolder).filePath(QStringLiteral("Calibration.log"));
    QSaveFile file(path);
    QByteArray text;
    for (const QString& line : m_results) text += line.toUtf8() + "\r\n";
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) return true;
    if (error)
        *error = QStringLiteral("The calibration log \"%1\" could not be written: %2")
                     .arg(path, file.errorString());
    return false;
}

void Calibrator::setProgress(int percent) {
    emit progressChanged(true, percent);
}

void Calibrator::abort(const QString& reason) {
    if (m_step == Step::Settling) {
        m_timer->stop();
        m_step = Step::Idle;
        return;
    }
    if (running()) finish(true, reason);
}

} // namespace tarvik
