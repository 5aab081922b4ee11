// Run, Single and the frame decoder. Both loops are driven by 10 ms single-shot timers that
// restart themselves at the end of a tick, so ticks never overlap; nothing here waits for
// the instrument.

#include "scope/ScopeController.h"

#include <algorithm>

namespace tarvik {

void ScopeController::setStatus(const QString& text) {
    if (m_state.acq.status == text) return;
    m_state.acq.status = text;
    emit statusChanged(text);
}

void ScopeController::clearReceiveStart() {
    std::fill_n(m_records.receive.begin(), 1025, std::uint8_t{0});
}

void ScopeController::setAveraging(int count) {
    static constexpr int allowed[] = {0, 2, 4, 8, 16, 32, 64, 128};
    if (std::find(std::begin(allowed), std::end(allowed), count) == std::end(allowed)) return;
    m_state.acq.averaging = count;
    m_records.ringIndex = 0; // the ring keeps its frames: the next ones still average with them
    emit acquisitionChanged();
}

void ScopeController::startCapture() {
    if (demoMode()) {
        if (m_demo) m_demo->restart();
    } else {
        m_reader.arm();
    }
}

// ---------------------------------------------------------------- Run

void ScopeController::SpeedButtonRunClick(bool down) {
    AcquisitionState& acq = m_state.acq;
    if (!down) {
        if (acq.runDown || acq.runPhase != 5) stopRun(true);
        return;
    }
    // A Single still waiting is abandoned first, so no tick of it reads the new capture.
    if (acq.singleDown || acq.singlePhase != 5) stopSingle(false);
    acq.runDown = true;
    acq.runPhase = 0;
    emit plainCaptionWanted();
    if (acq.clearDisplayOnRun) m_view->poisto();
    acq.idle = false;
    setPosition(0, m_state.channel[0].position);
    setPosition(1, m_state.channel[1].position);
    asetus(QString(), 0);
    acq.framesSinceMeasure = 0;
    m_state.trigger.secondsWithoutTrigger = 0;
    restartNoiseReject();
    acq.stopSingle = true;
    m_view->setCleanPending();
    m_view->putsataanko();
    acq.stopRun = false;
    startCapture();
    setStatus(QStringLiteral("Running"));
    emit acquisitionChanged();
    m_runTimer->start(kLoopMs);
}

void ScopeController::runTick() {
    AcquisitionState& acq = m_state.acq;
    TriggerState& t = m_state.trigger;
    if (acq.runPhase == 5 || acq.stopRun) return;
    if ((acq.runPhase == 0 || acq.runPhase == 1) && t.on) {
        m_watchdog->start(kWatchdogMs);
        t.secondsWithoutTrigger = 0;
    }
    acq.runPhase = 2;
    if (t.on && t.secondsWithoutTrigger > kWaitingSeconds) {
        setStatus(QStringLiteral("Waiting for trigger"));
        t.secondsWithoutTrigger = 0;
        m_watchdog->stop();
    }
    const bool frame = pollFrame(false);
    if (acq.stopRun) return; // released, or the instrument was lost
    if (frame) {
        acq.runPhase = 1;
        setStatus(QStringLiteral("Running"));
        processFrame(false);
        if (consumers.persistenceCountdown && consumers.persistenceCountdown()) {
            SpeedButtonRunClick(false);
            return;
        }
    }
    m_runTimer->start(kLoopMs);
}

void ScopeController::stopRun(bool sendStop) {
    AcquisitionState& acq = m_state.acq;
    acq.stopRun = true;
    acq.stopSingle = true;
    acq.idle = true;
    m_runTimer->stop();
    m_watchdog->stop();
    acq.runPhase = 5;
    acq.runDown = false;
    acq.singleEnabled = true;
    if (sendStop) {
        setStatus(QStringLiteral("Stopped"));
        clearReceiveStart();
        m_reader.stop();
    }
    emit acquisitionChanged();
}

// ---------------------------------------------------------------- Single

void ScopeController::SpeedButtonSingleClick(bool down) {
    AcquisitionState& acq = m_state.acq;
    if (!down) {
        if (acq.singleDown || acq.singlePhase != 5) stopSingle(true);
        return;
    }
    for (ChannelState& ch : m_state.channel) ch.traceShift = 0;
    m_view->redrawTraces();
    restartSpectrum();
    if (!m_state.calibrating) {
        setPosition(0, m_state.channel[0].position);
        setPosition(1, m_state.channel[1].position);
    }
    asetus(QString(), 0);
    // Run is released without its own stop: the capture below starts with code 9 anyway.
    if (acq.runDown || acq.runPhase != 5) stopRun(false);
    acq.stopRun = true;
    if (acq.clearDisplayOnRun) m_view->poisto();
    m_view->putsataanko();
    startCapture();
    acq.stopSingle = false;
    acq.idle = false;
    acq.singlePhase = 0;
    acq.singleDown = true;
    emit acquisitionChanged();
    m_singleTimer->start(kLoopMs);
}

void ScopeController::SingleClick(std::function<void(bool frame)> done) {
    if (m_singleDone) std::exchange(m_singleDone, nullptr)(false);
    m_singleDone = std::move(done);
    SpeedButtonSingleClick(true);
}

void ScopeController::singleTick() {
    AcquisitionState& acq = m_state.acq;
    if (acq.singlePhase == 5 || acq.stopSingle) return;
    if (acq.singlePhase == 0)
        setStatus(m_state.trigger.on ? QStringLiteral("Waiting for trigger")
                                     : QStringLiteral("Acquiring data"));
    ++acq.singlePhase;
    const bool frame = pollFrame(true);
    if (acq.stopSingle) return;
    if (!frame) {
        acq.singlePhase = 1;
        m_singleTimer->start(kLoopMs);
        return;
    }
    acq.singlePhase = 5;
    setStatus(m_state.trigger.on ? QStringLiteral("Trigged") : QStringLiteral("Ready"));
    processFrame(true);
    endSingle(true);
}

void ScopeController::endSingle(bool frame) {
    AcquisitionState& acq = m_state.acq;
    acq.singleDown = false;
    acq.singlePhase = 5;
    acq.idle = true;
    emit acquisitionChanged();
    if (m_singleDone) std::exchange(m_singleDone, nullptr)(frame);
}

void ScopeController::stopSingle(bool sendStop) {
    AcquisitionState& acq = m_state.acq;
    acq.stopRun = true;
    acq.stopSingle = true;
    m_singleTimer->stop();
    if (sendStop) {
        setStatus(QStringLiteral("Stopped"));
        clearReceiveStart();
        m_reader.stop();
    }
    endSingle(false);
}

void ScopeController::stopAcquisition() {
    if (m_state.acq.runDown || m_state.acq.runPhase != 5) SpeedButtonRunClick(false);
    if (m_state.acq.singleDown || m_state.acq.singlePhase != 5) SpeedButtonSingleClick(false);
}

void ScopeController::watchdogTick() {
    if (m_state.trigger.on) ++m_state.trigger.secondsWithoutTrigger;
}

// ---------------------------------------------------------------- frames

bool ScopeController::pollFrame(bool single) {
    if (m_state.acq.fileReplay) return true; // the stored frame stands for the capture
    if (demoMode()) return m_demo && m_demo->frameReady(single);
    switch (m_reader.poll()) {
    case FrameReader::Result::Frame:
        return true;
    case FrameReader::Result::Lost:
        stopAcquisition(); // the device link reports the loss to the user
        return false;
    case FrameReader::Result::Discarded:
    case FrameReader::Result::None:
        break;
    }
    return false;
}

void ScopeController::processFrame(bool single) {
    AcquisitionState& acq = m_state.acq;
    TimebaseState& tb = m_state.timebase;
    m_view->poisto();
    updateInterpolationMode();
    if (!m_state.spectrumOn) {
        tb.pointStep = tb.density;
        tb.capturedValue = tb.value;
    }
    for (ChannelState& ch : m_state.channel) ch.traceShift = 0; // a new frame sits where the controls are
    if (demoMode()) {
        if (m_demo) m_demo->frame();
    } else {
        LueData_500();
    }
    if (!single && !demoMode() && !acq.fileReplay)
        m_reader.arm(); // the next capture runs while this one is shown
    if (single) {
        if (consumers.measure) consumers.measure(true);
    } else if (++acq.framesSinceMeasure > 5 || tb.value > 1000000) {
        acq.framesSinceMeasure = 0;
        if (consumers.measure) consumers.measure(true);
        if (consumers.extendedCalibration) consumers.extendedCalibration();
    }
    if (m_state.spectrumOn && consumers.spectrum) consumers.spectrum(!single);
    FrameCaptions& captions = m_state.frameCaptions;
    captions.timeDiv = tb.value == 500 ? QStringLiteral("5us") : tb.timeDivText;
    captions.ch1 = m_state.channel[0].label;
    captions.ch2 = m_state.channel[1].label;
    if (consumers.publish) consumers.publish();
    acq.frameShown = true;
    m_view->piirrot();
    emit frameDisplayed();
}

void ScopeController::LueData_500() {
    if (demoMode() || m_state.acq.fileReplay) return;
    decodeRaw(m_records);
    smoothFrame(m_records);
    if (!m_state.calibrating) {
        for (int ch = 0; ch < 2; ++ch)
            if (!m_state.channel[ch].notGround) substituteGround(m_records, ch);
    }
    if (!m_state.spectrumOn) {
        // Noise rejection and averaging exclude each other: a rejected frame must not enter
        // the average, and the store already smooths what is shown.
        const TriggerState& t = m_state.trigger;
        const int count = m_state.acq.averaging;
        if (t.noiseReject && !m_state.acq.singleDown && t.on && triggerChannel(t) >= 0)
            noiseReject(m_records, m_noise, triggerChannel(t), t.rising);
        else if (count == 0 || m_state.autosetRunning)
            copyToDisplay(m_records);
        else
            averageIntoDisplay(m_records, count);
    }
    if (consumers.history) consumers.history();
}

} // namespace tarvik
