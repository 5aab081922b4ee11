// The configuration's options on the program's parts, and back.

#include "app/AppController.h"

namespace tarvik {

namespace {

ColorTable colorTableFrom(const ColorOptions& options) {
    ColorTable table;
    table.stored = options.colors;
    return table;
}

} // namespace

void AppController::applyConfiguration() {
    const Configuration& c = m_config;
    m_scope.setCalibration(c.calibration);
    m_scope.setClearDisplayOnRun(c.menu.clearDisplay);
    m_scope.setSampleRateShown(c.menu.rateOn);
    m_scope.setEtsNoticeNever(c.menu.noNote);
    m_scope.setReadoutsShown(c.menu.rmsOn, c.menu.dBmOn);
    if (m_calibrator) {
        m_calibrator->firstRunPending = c.menu.hwDialog;
        m_calibrator->extendCalTime = c.hardware.extendCalTime;
    }
    if (m_screen) {
        m_screen->setColors(colorTableFrom(c.colors));
        m_screen->setDotJoin(c.menu.dotJoin);
        m_screen->setBrightGrid(c.menu.brightGridDso);
    }
}

void AppController::collectConfiguration() {
    Configuration& c = m_config;
    const ScopeState& s = m_scope.state();
    c.calibration = s.calibration;
    c.menu.clearDisplay = s.acq.clearDisplayOnRun;
    c.menu.rateOn = s.sampleRateShown;
    c.menu.noNote = s.etsNoticeNever;
    c.menu.rmsOn = s.rmsShown;
    c.menu.dBmOn = s.dBmShown;
    if (m_calibrator) c.menu.hwDialog = m_calibrator->firstRunPending;
    if (m_screen) {
        c.colors.colors = m_screen->colors().stored;
        c.menu.dotJoin = m_screen->dotJoin();
        c.menu.brightGridDso = m_screen->brightGrid();
    }
}

} // namespace tarvik
