#pragma once
// The program's start-up and shut-down: the first reading of the configuration when the
// main window is created, the deferred start-up step on the third tick of the 200 ms
// start-up timer (hardware or demo mode, default settings, trigger reset, firmware query),
// "Hardware Setup...", the close query with its 100 ms retry, and the close itself
// (power-off, configuration written).

#include "base/Clock.h"
#include "base/Prompts.h"
#include "device/CommandSet.h"
#include "display/ScopeScreen.h"
#include "files/Configuration.h"
#include "scope/Calibrator.h"
#include "scope/ScopeController.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace tarvik {

class AppController : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartupTimerMs = 200; // start-up timer period
    static constexpr int kStartupTick = 3;      // the tick that runs the deferred step
    static constexpr int kCloseRetryMs = 100;   // close query retry period
    static constexpr int kCloseRetryLimit = 30; // retries before a busy activity is stopped

    // What the other parts of the program contribute to start-up and shut-down; any may be
    // left empty.
    struct Hooks {
        std::function<void()> buildDemoSignals;  // demo mode entered: build the demo signals
        std::function<void()> recallSettings;    // the settings file or the last settings
        std::function<void()> generatorOff;      // the generator's off state
        std::function<void()> calibrationPrompt; // first-run calibration question
        std::function<void()> beforePowerOff;    // last words to the instrument at close
    };

    // An activity that can keep the window from closing while it is busy.
    struct Activity {
        std::function<bool()> busy;
        std::function<void()> stop; // stops it at once (after the close has waited too long)
    };

    AppController(Clock& clock, Prompts& prompts, ScopeController& scope, Configuration& configuration,
                  QObject* parent = nullptr);
    ~AppController() override;

    Hooks hooks;
    bool forceDemo = false; // demo mode for this run only (--device demo)

    void addActivity(Activity activity) { m_activities.push_back(std::move(activity)); }
    // The calibration, whose first-run flag and results the configuration keeps.
    void setCalibrator(Calibrator* calibrator);
    // The screen, whose options and colours the configuration keeps.
    void setScreen(ScopeScreen* screen) { m_screen = screen; }
    const Configuration& configuration() const { return m_config; }

    // "Restore Default Settings && Exit": closes the program and deletes the configuration
    // file after it was written, so that the next start is a first run.
    void restoreDefaultsAndExit();
    // The main window's place for the configuration; not `known` while it is minimised or
    // maximised, when the stored place is kept.
    void setMainWindowGeometry(const WindowGeometry& geometry, bool known);

    // Window creation: read the configuration, check the calibration it holds and mark the
    // program as running.
    void readConfiguration();
    // Starts the 200 ms start-up timer; its third tick runs deferredStartup() once.
    void startStartupTimer();
    void deferredStartup();
    bool startupDone() const { return m_startupDone; }

    void hardwareSetup(); // "Hardware Setup..."

    // The close query: true when the window may close now. Otherwise a retry is scheduled
    // (closeRetry() is emitted 100 ms later); after a few seconds a busy activity is stopped.
    bool FormCloseQuery();
    void FormClose(); // power-off, configuration written, device closed; runs once

    QString firmwareCaption() const { return m_firmwareCaption; }

signals:
    void firmwareCaptionChanged(const QString& caption);
    void quitRequested(); // the program must close (the user answered "No")
    void closeRetry();    // try closing the window again

private:
    bool decideHardware(); // false when the program must close
    void enterDemoMode(const QString& message);
    void applyDefaults();
    void stopAcquisition();
    void onDeviceLost();
    void calibrationPrompt();
    void applyConfiguration();   // the configuration's options onto the oscilloscope and the screen
    void collectConfiguration(); // and back, before writing

    Clock& m_clock;
    Prompts& m_prompts;
    ScopeController& m_scope;
    Calibrator* m_calibrator = nullptr;
    ScopeScreen* m_screen = nullptr;
    bool m_restoreDefaults = false;
    bool m_mainGeometryKnown = true;
    CommandSet& m_commands;
    DeviceLink& m_link;
    Configuration& m_config;
    std::unique_ptr<Timer> m_startupTimer;
    std::unique_ptr<Timer> m_closeRetryTimer;
    std::vector<Activity> m_activities;
    int m_startupTicks = 0;
    int m_closeRetries = 0;
    bool m_startupDone = false;
    bool m_closed = false;
    bool m_lossReported = false;
    bool m_calibrationFailed = false; // the stored calibration was unusable
    QString m_firmwareCaption;
};

} // namespace tarvik
