#include "app/AppController.h"

#include <QDebug>

namespace tarvik {

namespace {

const QString kDemoFromConfiguration =
    QStringLiteral("Software runs now in Demo Mode.\rClick 'Run' to start the demo.\r\rChoose Options -> "
                   "Hardware Setup to enter "
                   "normal mode.");
const QString kDemoNoHardware =
    QStringLiteral("Software runs now in Demo Mode.\rClick 'Run' to start the demo.");
const QString kDemoChosen = QStringLiteral("Software runs now in demo mode.\rClick 'Run' to start the demo.");
const QString kRunAnyway = QStringLiteral(
    "Other Tarvik software may be active.\rSimultaneous use will cause problems.\rIf previous session was "
    "abnormally "
    "terminated click \"No\".\rDisconnect and reconnect the USB cable and restart the program.\rRun anyway?");

void call(const std::function<void()>& hook) {
    if (hook) hook();
}

} // namespace

AppController::AppController(Clock& clock, Prompts& prompts, ScopeController& scope,
                             Configuration& configuration, QObject* parent)
    : QObject(parent), m_clock(clock), m_prompts(prompts), m_scope(scope), m_commands(scope.commands()),
      m_link(m_commands.link()), m_config(configuration),
      m_firmwareCaption(QStringLiteral("Firmware version unknown")) {
    // Shown from the event loop, never from inside the read that found the device gone.
    connect(&m_link, &DeviceLink::deviceLost, this, &AppController::onDeviceLost, Qt::QueuedConnection);
    addActivity({[this] { return !m_scope.idle(); }, [this] { m_scope.stopAcquisition(); }});
}

AppController::~AppController() = default;

void AppController::readConfiguration() {
    QString error;
    if (!m_config.open(&error)) qWarning().noquote() << "tarvik:" << error;
    m_config.readAtCreation();
    m_calibrationFailed = !checkCalibration(m_config.calibration);
    applyConfiguration();
    if (!m_config.markRunning(&error)) qWarning().noquote() << "tarvik:" << error;
}

void AppController::startStartupTimer() {
    m_startupTicks = 0;
    m_startupTimer = m_clock.createTimer();
    m_startupTimer->onTimeout = [this] {
        if (++m_startupTicks < kStartupTick) return;
        m_startupTimer->stop();
        deferredStartup();
    };
    m_startupTimer->start(kStartupTimerMs);
}

void AppController::deferredStartup() {
    if (m_startupDone || m_closed) return;
    m_startupDone = true;
    m_config.readDeferred();
    if (m_calibrationFailed)
        m_prompts.warning(
            QStringLiteral("Previous calibration failed.\rSelect File|Calibrate && Exit and restart the "
                           "program."));
    if (!decideHardware()) {
        emit quitRequested();
        return;
    }
    applyDefaults();
    call(hooks.recallSettings);
    call(hooks.generatorOff);
    if (const auto firmware = m_commands.queryFirmware()) {
        m_firmwareCaption = QStringLiteral("Firmware version ") + *firmware;
        emit firmwareCaptionChanged(m_firmwareCaption);
    }
    calibrationPrompt();
}

bool AppController::decideHardware() {
    if (forceDemo || m_config.hardware.demoMode) {
        m_link.setDemoMode(true);
        call(hooks.buildDemoSignals);
        m_prompts.information(kDemoFromConfiguration);
        return true;
    }
    if (m_config.previousRunStillRunning && !m_prompts.yesNo(kRunAnyway)) return false;
    m_link.test0();
    if (m_link.noHardwareResponse()) {
        m_prompts.noHardwareResponse();
        enterDemoMode(kDemoNoHardware);
    }
    return true;
}

void AppController::enterDemoMode(const QString& message) {
    m_prompts.information(message);
    m_link.setDemoMode(true);
    call(hooks.buildDemoSignals);
}

void AppController::applyDefaults() {
    m_scope.selectDefaults();
    m_commands.sendTriggerReset();
    m_scope.showTriggerResetState();
}

void AppController::stopAcquisition() {
    m_scope.stopAcquisition();
}

void AppController::setCalibrator(Calibrator* calibrator) {
    m_calibrator = calibrator;
    if (calibrator)
        addActivity({[calibrator] { return calibrator->running(); },
                     [calibrator] { calibrator->abort(QStringLiteral("the program was closed")); }});
}

void AppController::calibrationPrompt() {
    if (m_calibrator && !m_link.demoMode()) m_calibrator->firstRunPrompt();
}

void AppController::hardwareSetup() {
    stopAcquisition();
    const bool demo = m_prompts.chooseDemoMode(m_link.demoMode());
    m_link.setDemoMode(demo);
    m_config.hardware.demoMode = demo; // the user's choice is kept for the next start
    if (demo) {
        call(hooks.buildDemoSignals);
        m_prompts.information(kDemoChosen);
        return;
    }
    m_link.test2();
    if (m_link.noHardwareResponse()) {
        m_prompts.noHardwareResponse();
        enterDemoMode(kDemoNoHardware);
        return;
    }
    m_lossReported = false;
    calibrationPrompt();
    applyDefaults();
}

bool AppController::FormCloseQuery() {
    stopAcquisition();
    bool busy = false;
    for (const Activity& a : m_activities) busy = busy || (a.busy && a.busy());
    if (!busy) {
        m_closeRetries = 0;
        return true;
    }
    if (m_closeRetries >= kCloseRetryLimit) {
        qWarning() << "tarvik: an activity did not stop in time; stopping it to close";
        for (const Activity& a : m_activities)
            if (a.busy && a.busy() && a.stop) a.stop();
        m_closeRetries = 0;
        return true;
    }
    ++m_closeRetries;
    if (!m_closeRetryTimer) {
        m_closeRetryTimer = m_clock.createTimer();
        m_closeRetryTimer->setSingleShot(true);
        m_closeRetryTimer->onTimeout = [this] { emit closeRetry(); };
    }
    m_closeRetryTimer->start(kCloseRetryMs);
    return false;
}

void AppController::FormClose() {
    if (m_closed) return;
    m_closed = true;
    if (m_startupTimer) m_startupTimer->stop();
    if (m_closeRetryTimer) m_closeRetryTimer->stop();
    if (m_link.deviceOpened()) call(hooks.beforePowerOff);
    m_commands.powerOff();
    collectConfiguration();
    QString error;
    if (!m_config.writeAtClose(&error, m_mainGeometryKnown)) qWarning().noquote() << "tarvik:" << error;
    if (m_restoreDefaults && !m_config.removeFile(&error)) qWarning().noquote() << "tarvik:" << error;
    m_link.USBClose();
}

void AppController::restoreDefaultsAndExit() {
    m_restoreDefaults = true;
    emit quitRequested();
}

void AppController::setMainWindowGeometry(const WindowGeometry& geometry, bool known) {
    if (known) m_config.windows.main = geometry;
    m_mainGeometryKnown = known;
}

void AppController::onDeviceLost() {
    if (m_lossReported || m_closed) return;
    m_lossReported = true;
    stopAcquisition();
    m_prompts.noHardwareResponse();
}

} // namespace tarvik
