// The front panel: time base, channels and trigger.

#include "scope/ScopeController.h"

#include "base/Numbers.h"

#include <algorithm>

namespace tarvik {

ScopeController::ScopeController(Clock& clock, Prompts& prompts, CommandSet& commands, QObject* parent)
    : QObject(parent), m_clock(clock), m_prompts(prompts), m_commands(commands),
      m_reader(commands, m_records, clock), m_runTimer(clock.createTimer()),
      m_singleTimer(clock.createTimer()), m_watchdog(clock.createTimer()) {
    m_runTimer->setSingleShot(true);
    m_runTimer->onTimeout = [this] { runTick(); };
    m_singleTimer->setSingleShot(true);
    m_singleTimer->onTimeout = [this] { singleTick(); };
    m_watchdog->onTimeout = [this] { watchdogTick(); };
    for (ChannelState& ch : m_state.channel) ch.label = ch.rangeCaption;
}

ScopeController::~ScopeController() = default;

void ScopeController::setCalibration(const CalibrationValues& values) {
    m_state.calibration = values;
    m_commands.dac.zeroOffset = {values.offs_1, values.offs_2};
    m_commands.dac.rangeOffsetCal = {values.v5_offs1, values.v5_offs2};
    m_calibrationWarned = false;
    m_commands.Set_DACs();
    updatePositionValue(0);
    updatePositionValue(1);
}

void ScopeController::setEtsNoticeNever(bool never) {
    m_state.etsNoticeNever = never;
    m_state.etsNoticeSuppressed = m_state.etsNoticeSuppressed || never;
}

void ScopeController::setSampleRateShown(bool shown) {
    m_state.sampleRateShown = shown;
    m_view->updateLabels();
}

void ScopeController::setReadoutsShown(bool rms, bool dBm) {
    m_state.rmsShown = rms;
    m_state.dBmShown = dBm;
    emit readoutsChanged();
}

// ---------------------------------------------------------------- time base

void ScopeController::ms500off() {
    if (ms500offHook) ms500offHook();
}

bool ScopeController::selectTimebase(const QString& caption) {
    const int row = timebaseRowIndex(caption.toStdString());
    if (row < 0) return false;
    selectTimebase(row);
    return true;
}

void ScopeController::selectTimebase(int row) {
    if (row < 0 || row >= kTimebaseRows) return;
    const TimebaseRow& r = timebaseTable()[row];
    ms500off();
    TimebaseState& tb = m_state.timebase;
    if (!r.sampleRateText.empty()) tb.sampleRateText = QString::fromLatin1(r.sampleRateText);
    tb.row = row;
    tb.value = r.value;
    tb.density = r.density;
    m_commands.frontEnd.timebaseKey = r.key;
    restartNoiseReject();
    asetus(QString(), 0);
    AsetaAika(r.zoom, QString::fromLatin1(r.caption));
    emit timebaseChanged();
}

void ScopeController::AsetaAika(int zoom, const QString& caption) {
    TimebaseState& tb = m_state.timebase;
    const PositionRange before = tb.positionRange;
    const double fraction =
        before.maximum > before.minimum
            ? static_cast<double>(tb.position - before.minimum) / (before.maximum - before.minimum)
            : 0.0;
    m_view->poisto();
    if (m_state.spectrumOn) {
        if (tb.capturedValue == tb.value) m_view->piirrot();
    } else {
        tb.timeDivText = caption.left(50);
        m_view->updateLabels();
        tb.zoom = zoom;
        tb.pointStep = pointStepFor(tb.value, tb.capturedValue, tb.density);
        const double p = positionFactor(tb.density, tb.zoom);
        tb.startIndex = startIndexFor(tb.position, p);
        if (tb.pointStep > 0.4 && tb.pointStep < 80) m_view->piirrot();
        tb.positionRange = positionRangeFor(p);
        const int clamped = std::clamp(tb.position, tb.positionRange.minimum, tb.positionRange.maximum);
        if (clamped != tb.position) setHorizontalPosition(clamped);
        setHorizontalPosition(tb.positionRange.minimum +
                              static_cast<int>(roundHalfEven(
                                  (tb.positionRange.maximum - tb.positionRange.minimum) * fraction)));
        m_view->updateMarkers();
    }
    if (demoMode() && !m_state.acq.fileReplay) rebuildDemo();
    updateInterpolationMode();

    const std::uint8_t key = m_commands.frontEnd.timebaseKey;
    const bool etsKey = key == kKey20us || key == kKey10us || key == kKeyFast;
    if (key == kKey20us || key == kKey10us || (key == kKeyFast && !tb.ets)) {
        tb.ets = true;
        m_view->setCleanPending();
        m_view->putsataanko();
        if (!m_state.trigger.on) setTriggerOn(true);
        m_state.trigger.offEnabled = false;
        emit triggerChanged();
        if (!m_state.etsNoticeSuppressed) etsNotice();
    } else if (!etsKey && tb.ets) {
        tb.ets = false;
        m_view->setCleanPending();
        m_view->putsataanko();
        m_state.trigger.offEnabled = true;
        emit triggerChanged();
    }
    emit timebaseChanged();
}

void ScopeController::etsNotice() {
    const EtsNoticeAnswer answer = m_prompts.etsNotice();
    if (answer.duringSession || answer.never) m_state.etsNoticeSuppressed = true;
    if (answer.never) m_state.etsNoticeNever = true;
}

void ScopeController::updateInterpolationMode() {
    const std::string_view caption = timebaseTable()[m_state.timebase.row].caption;
    m_state.timebase.interpolationMode = caption == "0.2us" ? 1 : caption == "0.1us" ? 2 : 0;
}

void ScopeController::setHorizontalPosition(int position) {
    TimebaseState& tb = m_state.timebase;
    position = std::clamp(position, tb.positionRange.minimum, tb.positionRange.maximum);
    if (position == tb.position) return; // the control did not move
    tb.position = position;
    m_view->poisto();
    const double x = m_state.spectrumOn ? 1.0 : positionFactor(tb.density, tb.zoom);
    tb.startIndex = startIndexFor(position, x);
    m_view->piirrot();
    emit timebaseChanged();
}

// ---------------------------------------------------------------- channels

void ScopeController::asetus(const QString& caption, int channelNumber) {
    m_view->putsataanko();
    if (channelNumber == 1 || channelNumber == 2) {
        ChannelState& ch = m_state.channel[channelNumber - 1];
        ch.rangeCaption = caption.left(50);
        ch.label = ch.acFlag ? ch.rangeCaption + QLatin1Char('~') : ch.rangeCaption;
        m_view->updateLabels();
    }
    m_commands.Set_DACs();
    restartSpectrum();
    if (demoMode()) rebuildDemo();
}

void ScopeController::selectRange(int channel, int rangeIndex) {
    if (channel < 0 || channel > 1 || rangeIndex < 0 || rangeIndex >= kRanges) return;
    const RangeRow& row = rangeTable()[rangeIndex];
    m_state.channel[channel].range = rangeIndex;
    m_commands.frontEnd.rangeKey[channel] = row.key;
    if (channel == triggerChannel(m_state.trigger)) restartNoiseReject();
    m_view->setCleanPending();
    asetus(QString::fromLatin1(row.caption), channel + 1);
    updatePositionValue(channel);
    m_view->updateMarkers();
    if (m_state.acq.runDown && !demoMode()) {
        clearReceiveStart();
        m_reader.arm();
    }
    emit channelChanged(channel);
}

void ScopeController::setCoupling(int channel, Coupling coupling) {
    if (channel < 0 || channel > 1) return;
    ChannelState& ch = m_state.channel[channel];
    ch.coupling = coupling;
    if (coupling == Coupling::GND) {
        ch.notGround = false; // the relay keeps its coupling; the trace is grounded in software
    } else {
        ch.acFlag = coupling == Coupling::AC;
        ch.notGround = true;
    }
    m_commands.frontEnd.acFlag[channel] = ch.acFlag ? 1 : 0;
    // A grounded trigger channel cannot trigger: switch the trigger off until it is back.
    TriggerState& t = m_state.trigger;
    if (triggerChannel(t) == channel) {
        if (coupling == Coupling::GND && t.on)
            applyTriggerMode(false, true);
        else if (coupling != Coupling::GND && t.rememberedOn && !t.on)
            applyTriggerMode(true, false);
    }
    m_view->setCleanPending();
    m_commands.Set500();
    asetus(ch.rangeCaption, channel + 1);
    emit channelChanged(channel);
}

void ScopeController::setChannelOn(int channel, bool on) {
    if (channel < 0 || channel > 1 || m_state.channel[channel].on == on) return;
    m_view->poisto();
    m_state.channel[channel].on = on;
    restartSpectrum();
    m_view->updateZeroMarker(channel);
    m_view->updateLabels();
    m_view->piirrot();
    m_commands.Set500();
    m_view->updateMarkers(); // the level markers read the channel that is on
    emit channelChanged(channel);
    emit readoutsChanged(); // the readout follows the channel that is on
}

void ScopeController::setPosition(int channel, int position) {
    if (channel < 0 || channel > 1) return;
    ChannelState& ch = m_state.channel[channel];
    position = std::clamp(position, -128, 127);
    const AcquisitionState& acq = m_state.acq;
    const bool followStored =
        acq.frameShown && !m_state.persistDown && !m_state.mathView && acq.idle && !m_state.autosetRunning;
    if (followStored) {
        m_view->poisto();
        ch.traceShift += ch.previousPosition - position;
    }
    ch.previousPosition = position;
    ch.position = position;
    if (channel == triggerChannel(m_state.trigger)) restartNoiseReject();
    m_commands.dac.position[channel] = position;
    m_commands.Set_DACs();
    if (demoMode()) rebuildDemo();
    updatePositionValue(channel);
    if (followStored) m_view->piirrot();
    m_view->updateMarkers();
    emit channelChanged(channel);
}

void ScopeController::updatePositionValue(int channel) {
    ChannelState& ch = m_state.channel[channel];
    int value = 0;
    if (demoMode()) {
        value = 2 * ch.position + 128;
    } else if (const auto v =
                   positionValueFor(m_state.calibration.channel[channel], m_commands.dacValue(channel))) {
        value = *v;
        if (channel == 1 && m_state.invertCh2) value = 255 - value;
    } else if (channel == 0 && !m_calibrationWarned) {
        m_calibrationWarned = true; // once, not at every redraw of the markers
        m_prompts.warning(QStringLiteral("Calibration error. Calibration failed."));
    }
    ch.positionValue = value;
    m_view->updateZeroMarker(channel);
}

void ScopeController::selectDefaults() {
    selectRange(0, kDefaultRange);
    selectRange(1, kDefaultRange);
    selectTimebase(kDefaultTimebaseRow);
}

void ScopeController::showTriggerResetState() {
    const FrontEndState& fe = m_commands.frontEnd;
    TriggerState& t = m_state.trigger;
    t.on = fe.triggerMode == trig::ModeOn;
    t.rememberedOn = t.on;
    t.source = fe.triggerSource;
    t.rising = fe.triggerEdge == trig::EdgeRising;
    if (!t.on) m_watchdog->stop();
    for (int ch = 0; ch < 2; ++ch) {
        ChannelState& c = m_state.channel[ch];
        c.acFlag = fe.acFlag[ch] != 0;
        c.coupling = c.acFlag ? Coupling::AC : Coupling::DC;
        c.notGround = true;
        c.label = c.acFlag ? c.rangeCaption + QLatin1Char('~') : c.rangeCaption;
    }
    m_view->updateLabels();
    m_view->updateTriggerMarkers();
    emit channelChanged(0);
    emit channelChanged(1);
    emit triggerChanged();
}

void ScopeController::prepareForCalibration() {
    stopAcquisition();
    SpeedButton22Click();
    applyTriggerMode(false, false);
    setTriggerSource(trig::SourceCh1);
    setTriggerEdge(true);
    setChannelOn(0, true);
    setChannelOn(1, true);
}

void ScopeController::restoreAfterCalibration() {
    setTriggerEdge(true);
    setTriggerLevel(m_state.trigger.level);
    setCoupling(0, Coupling::DC);
    setCoupling(1, Coupling::DC);
    applyTriggerMode(false, false);
}

// ---------------------------------------------------------------- spectrum mode

void ScopeController::fft1Click() {
    if (m_state.spectrumOn) return;
    TimebaseState& tb = m_state.timebase;
    m_view->poisto();
    m_savedDisplay.assign(m_records.display.begin(), m_records.display.begin() + 2 * kChannelPoints);
    m_state.spectrumOn = true;
    restartSpectrum();
    if (consumers.spectrum) consumers.spectrum(true);
    // The horizontal control moves along the spectrum in its own range and place.
    m_savedPosition = tb.position;
    m_savedRange = tb.positionRange;
    tb.positionRange = {0, 2};
    tb.position = std::clamp(m_spectrumPosition, 0, 2);
    tb.startIndex = startIndexFor(tb.position, 1.0);
    // Only one channel is analysed: channel 2 is switched off while channel 1 is on.
    m_savedChannelOn = {m_state.channel[0].on, m_state.channel[1].on};
    if (m_state.channel[0].on && m_state.channel[1].on) setChannelOn(1, false);
    m_view->setCleanPending();
    m_view->putsataanko();
    selectTimebase(tb.row);
    m_view->piirrot();
    emit modeChanged();
    emit timebaseChanged();
}

void ScopeController::SpeedButton22Click() {
    if (!m_state.spectrumOn) return;
    TimebaseState& tb = m_state.timebase;
    m_view->poisto();
    std::copy(m_savedDisplay.begin(), m_savedDisplay.end(), m_records.display.begin());
    m_state.spectrumOn = false;
    m_spectrumPosition = tb.position;
    tb.positionRange = m_savedRange;
    tb.position = m_savedPosition;
    for (int ch = 0; ch < 2; ++ch)
        if (m_state.channel[ch].on != m_savedChannelOn[ch]) setChannelOn(ch, m_savedChannelOn[ch]);
    m_view->setCleanPending();
    m_view->putsataanko();
    selectTimebase(tb.row); // the time base again, with its position range
    m_view->piirrot();
    emit modeChanged();
    emit timebaseChanged();
}

void ScopeController::setSpectrumView(int zoom, int points, double densityCorrection) {
    m_state.spectrumDensityCorrection = densityCorrection;
    m_state.spectrumZoom = std::max(1, zoom);
    m_state.spectrumPoints = std::clamp(points, 0, kChannelPoints);
}

void ScopeController::redraw() {
    m_view->poisto();
    m_view->piirrot();
}

void ScopeController::rebuildDemo() {
    if (m_demo) m_demo->rebuild();
}

// ---------------------------------------------------------------- trigger

void ScopeController::applyTriggerMode(bool on, bool keepRemembered) {
    TriggerState& t = m_state.trigger;
    t.on = on;
    if (!keepRemembered) t.rememberedOn = on;
    restartNoiseReject();
    m_commands.frontEnd.triggerMode = on ? trig::ModeOn : trig::ModeOff;
    asetus(QString(), 0);
    setStatus(on ? QStringLiteral("Trigger on") : QStringLiteral("Trigger off"));
    m_view->updateTriggerMarkers();
    t.secondsWithoutTrigger = 0;
    if (on)
        m_watchdog->start(kWatchdogMs);
    else
        m_watchdog->stop();
    emit triggerChanged();
}

void ScopeController::setTriggerOn(bool on) {
    if (!on && !m_state.trigger.offEnabled) return; // forced on at the equivalent-time steps
    applyTriggerMode(on, false);
}

void ScopeController::setTriggerSource(std::uint8_t source) {
    if (source != trig::SourceCh1 && source != trig::SourceCh2 && source != trig::SourceExt) return;
    if (source == m_state.trigger.source) return;
    m_view->putsataanko();
    m_state.trigger.source = source;
    m_commands.frontEnd.triggerSource = source;
    restartNoiseReject();
    m_view->updateTriggerMarkers();
    asetus(QString(), 0);
    setTriggerLevel(m_state.trigger.level);
}

void ScopeController::setTriggerEdge(bool rising) {
    m_state.trigger.rising = rising;
    restartNoiseReject();
    m_commands.frontEnd.triggerEdge = rising ? trig::EdgeRising : trig::EdgeFalling;
    asetus(QString(), 0);
    emit triggerChanged();
}

void ScopeController::setTriggerLevel(int level) {
    level = std::clamp(level, 0, 255);
    restartNoiseReject();
    m_view->putsataanko();
    m_state.trigger.level = level;
    m_view->updateTriggerMarkers();
    m_commands.frontEnd.triggerLevel = static_cast<std::uint8_t>(demoMode() ? 255 - level : level);
    m_commands.Set500();
    emit triggerChanged();
}

QString triggerLevelText(const ScopeState& s) {
    const int channel = triggerChannel(s.trigger);
    if (channel < 0) return {};
    const ChannelState& ch = s.channel[channel];
    const double volts = rangeTable()[ch.range].voltsPerDivision;
    const bool millivolts = volts < 0.5;
    const double perDivision = millivolts ? volts * 1000 : volts;
    const double level = perDivision * (ch.positionValue - s.trigger.level) / 32.0;
    return formatFixed(level, 2) + (millivolts ? QStringLiteral("mV") : QStringLiteral("V"));
}

void ScopeController::find() {
    TimebaseState& tb = m_state.timebase;
    const std::uint8_t key = m_commands.frontEnd.timebaseKey;
    const bool fastStep = key == kKey20us || key == kKey10us || timebaseTable()[tb.row].caption == "5us";
    int target = 24;
    if (m_state.spectrumOn)
        target = 0;
    else if (fastStep)
        target = tb.positionRange.minimum;
    setHorizontalPosition(target);
}

void ScopeController::setNoiseReject(bool on) {
    m_state.trigger.noiseReject = on;
    restartNoiseReject();
    emit triggerChanged();
}

} // namespace tarvik
