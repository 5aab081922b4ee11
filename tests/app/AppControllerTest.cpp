// Start-up and shut-down with scripted answers: the hardware-or-demo decision table, the
// reports the instrument receives, the close query's retry, and "Hardware Setup...".

#include "app/AppController.h"
#include "device/sim/SimulatedTransport.h"
#include "files/IniFile.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

const QString kDemoFromConfiguration =
    QStringLiteral("Software runs now in Demo Mode.\rClick 'Run' to start the demo.\r\rChoose Options -> "
                   "Hardware Setup to enter "
                   "normal mode.");
const QString kDemoNoHardware =
    QStringLiteral("Software runs now in Demo Mode.\rClick 'Run' to start the demo.");
const QString kCalibrationQuestion = QStringLiteral("The oscilloscope will now be calibrated.\rPlease make "
                                                    "sure that the oscilloscope inputs CH1 and CH2\rare "
                                                    "disconnected from external circuits.");
const QString kRunAnyway = QStringLiteral(
    "Other Tarvik software may be active.\rSimultaneous use will cause problems.\rIf previous session was "
    "abnormally "
    "terminated click \"No\".\rDisconnect and reconnect the USB cable and restart the program.\rRun anyway?");

class Program {
public:
    explicit Program(const QStringList& iniLines = {}) {
        if (!iniLines.isEmpty()) {
            IniFile ini(configPath());
            ini.loadFromBytes(iniLines.join(QStringLiteral("\r\n")).toLatin1());
            EXPECT_TRUE(ini.save());
        }
        model.captureTimeMs = 0;
        transport = new sim::SimulatedTransport(model, [this] { return clock.nowMs(); });
        link = std::make_unique<DeviceLink>(std::unique_ptr<Transport>(transport));
        commands = std::make_unique<CommandSet>(*link);
        scope = std::make_unique<ScopeController>(clock, prompts, *commands);
        config = std::make_unique<Configuration>(configPath());
        controller = std::make_unique<AppController>(clock, prompts, *scope, *config);
        controller->hooks.buildDemoSignals = [this] { hookCalls << "demo"; };
        calibrator = std::make_unique<Calibrator>(clock, prompts, *scope);
        controller->setCalibrator(calibrator.get());
        controller->readConfiguration();
    }
    QString configPath() const { return dir.file(QStringLiteral("Tarvik.ini")); }
    QString iniValue(const char* section, const char* key) const {
        IniFile ini(configPath());
        ini.load();
        return ini.readString(QString::fromLatin1(section), QString::fromLatin1(key),
                              QStringLiteral("<missing>"));
    }
    std::vector<int> codesSent() const {
        std::vector<int> codes;
        for (const Payload& p : model.received()) codes.push_back(p[0]);
        return codes;
    }
    void start() {
        controller->startStartupTimer();
        clock.advance(3 * AppController::kStartupTimerMs);
    }

    test::TempDir dir;
    VirtualClock clock;
    test::ScriptedPrompts prompts;
    sim::InstrumentModel model;
    sim::SimulatedTransport* transport;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<CommandSet> commands;
    std::unique_ptr<ScopeController> scope;
    std::unique_ptr<Configuration> config;
    std::unique_ptr<AppController> controller;
    std::unique_ptr<Calibrator> calibrator;
    QStringList hookCalls;
};

} // namespace

TEST(Startup, DeferredStepRunsOnceOnTheThirdTickOfTheStartupTimer) {
    Program p({"[Menu]", "HWdialog=0"});
    p.controller->startStartupTimer();
    p.clock.advance(2 * AppController::kStartupTimerMs + 199);
    EXPECT_FALSE(p.controller->startupDone());
    p.clock.advance(1);
    EXPECT_TRUE(p.controller->startupDone());
    const auto sent = p.model.received().size();
    p.clock.advance(5000);
    EXPECT_EQ(p.model.received().size(), sent);
}

TEST(Startup, InstrumentPresentGetsDefaultsTriggerResetAndFirmwareQuery) {
    Program p;
    QSignalSpy caption(p.controller.get(), &AppController::firmwareCaptionChanged);
    p.prompts.answer(false); // "Cancel" to the first-run calibration
    p.start();
    EXPECT_EQ(p.prompts.calls, QStringList{"okCancel: " + kCalibrationQuestion});
    EXPECT_FALSE(p.link->demoMode());
    EXPECT_EQ(p.codesSent(), (std::vector<int>{14, 14, 14, 14, 14, 14, 14, 15}));
    EXPECT_EQ(p.controller->firmwareCaption(), QStringLiteral("Firmware version 1.04"));
    EXPECT_EQ(caption.count(), 1);
    EXPECT_EQ(p.iniValue("Status", "Running"), QStringLiteral("1")); // written at once
    p.controller->FormClose();
    EXPECT_EQ(p.iniValue("Menu", "HWdialog"), QStringLiteral("1")); // asked again at the next start
}

TEST(Startup, HardwareDecisionTable) {
    struct Case {
        const char* name;
        QStringList ini;
        bool attached;
        std::vector<bool> answers;
        QStringList expectedPrompts;
        bool demo;
        bool quits;
        bool opened;
    };
    const Case cases[] = {
        {"demo flag set",
         {"[Hardware]", "DemoMode=1"},
         true,
         {},
         {"information: " + kDemoFromConfiguration},
         true,
         false,
         false},
        {"no instrument",
         {},
         false,
         {},
         {"noHardwareResponse", "information: " + kDemoNoHardware},
         true,
         false,
         false},
        {"previous run still running, No",
         {"[Status]", "Running=1"},
         true,
         {false},
         {"yesNo: " + kRunAnyway},
         false,
         true,
         false},
        {"previous run still running, Yes",
         {"[Status]", "Running=1", "[Menu]", "HWdialog=0"},
         true,
         {true},
         {"yesNo: " + kRunAnyway},
         false,
         false,
         true},
        {"previous run, Yes, no instrument",
         {"[Status]", "Running=1"},
         false,
         {true},
         {"yesNo: " + kRunAnyway, "noHardwareResponse", "information: " + kDemoNoHardware},
         true,
         false,
         false},
        {"instrument present", {"[Menu]", "HWdialog=0"}, true, {}, {}, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p(c.ini);
        p.transport->attached = c.attached;
        for (bool a : c.answers) p.prompts.answer(a);
        QSignalSpy quit(p.controller.get(), &AppController::quitRequested);
        p.start();
        EXPECT_EQ(p.prompts.calls, c.expectedPrompts);
        EXPECT_EQ(p.link->demoMode(), c.demo);
        EXPECT_EQ(quit.count(), c.quits ? 1 : 0);
        EXPECT_EQ(p.link->deviceOpened(), c.opened);
        if (!c.opened) {
            EXPECT_TRUE(p.model.received().empty()); // demo mode and "No" send nothing
        }
        EXPECT_EQ(p.hookCalls.contains("demo"), c.demo);
        EXPECT_FALSE(
            p.prompts.calls.join('|').contains("calibrated")); // never in demo mode, and HWdialog=0 otherwise
    }
}

TEST(Startup, ForcedDemoLeavesTheConfigurationAlone) {
    Program p({"[Hardware]", "DemoMode=0", "[Menu]", "HWdialog=0"});
    p.controller->forceDemo = true;
    p.start();
    EXPECT_TRUE(p.link->demoMode());
    EXPECT_TRUE(p.model.received().empty());
    p.controller->FormClose();
    EXPECT_EQ(p.iniValue("Hardware", "DemoMode"), QStringLiteral("0"));
    EXPECT_EQ(p.iniValue("Status", "Running"), QStringLiteral("0"));
}

TEST(Shutdown, PowerOffOnceThenTheConfigurationIsWritten) {
    Program p({"[Menu]", "HWdialog=0"});
    p.start();
    p.model.clearReceived();
    ASSERT_TRUE(p.controller->FormCloseQuery());
    p.controller->FormClose();
    p.controller->FormClose();
    EXPECT_EQ(p.codesSent(), std::vector<int>{20});
    EXPECT_EQ(p.iniValue("Status", "Running"), QStringLiteral("0"));
    EXPECT_FALSE(p.link->deviceOpened());
}

TEST(Shutdown, PowerOffStillGoesOutWhenDemoModeWasChosenAfterOpening) {
    Program p({"[Menu]", "HWdialog=0"});
    p.start();
    p.prompts.answer(true); // "None = Demo mode"
    p.controller->hardwareSetup();
    p.model.clearReceived();
    p.controller->FormClose();
    EXPECT_EQ(p.codesSent(), std::vector<int>{20});
    EXPECT_EQ(p.iniValue("Hardware", "DemoMode"), QStringLiteral("1")); // the user's choice is kept
}

TEST(Shutdown, CloseWaitsForABusyActivityAndGivesUpAfterAFewSeconds) {
    Program p;
    bool busy = true;
    int stops = 0;
    p.controller->addActivity({[&] { return busy; }, [&] { ++stops, busy = false; }});
    QSignalSpy retry(p.controller.get(), &AppController::closeRetry);
    QObject::connect(p.controller.get(), &AppController::closeRetry, [&] { p.controller->FormCloseQuery(); });

    EXPECT_FALSE(p.controller->FormCloseQuery());
    p.clock.advance(550);
    EXPECT_EQ(retry.count(), 5); // every 100 ms
    busy = false;
    EXPECT_TRUE(p.controller->FormCloseQuery());
    EXPECT_EQ(stops, 0);

    busy = true; // this time it never ends by itself
    bool closed = false;
    QObject::disconnect(p.controller.get(), &AppController::closeRetry, nullptr, nullptr);
    QObject::connect(p.controller.get(), &AppController::closeRetry,
                     [&] { closed = closed || p.controller->FormCloseQuery(); });
    EXPECT_FALSE(p.controller->FormCloseQuery());
    EXPECT_TRUE(p.clock.advanceUntil([&] { return closed; }, 10000, 10));
    EXPECT_EQ(stops, 1);
    EXPECT_LE(p.clock.nowMs(), 550 + AppController::kCloseRetryLimit * AppController::kCloseRetryMs + 100);
}

TEST(HardwareSetup, ChoosingTheInstrumentOpensItAndSendsTheStartupSettings) {
    Program p({"[Hardware]", "DemoMode=1", "[Menu]", "HWdialog=0"});
    p.start();
    ASSERT_TRUE(p.link->demoMode());
    p.prompts.calls.clear();
    p.prompts.answer(false); // "Tarvik"
    p.controller->hardwareSetup();
    EXPECT_EQ(p.prompts.calls, QStringList{"chooseDemoMode: demo"});
    EXPECT_FALSE(p.link->demoMode());
    EXPECT_TRUE(p.link->deviceOpened());
    EXPECT_EQ(p.codesSent(), (std::vector<int>{14, 14, 14, 14, 14, 14, 14}));
    p.controller->FormClose();
    EXPECT_EQ(p.iniValue("Hardware", "DemoMode"), QStringLiteral("0"));
}

TEST(HardwareSetup, ChoosingTheInstrumentWithoutOneFallsBackToDemo) {
    Program p({"[Hardware]", "DemoMode=1"});
    p.transport->attached = false;
    p.start();
    p.prompts.calls.clear();
    p.prompts.answer(false);
    p.controller->hardwareSetup();
    EXPECT_EQ(p.prompts.calls,
              (QStringList{"chooseDemoMode: demo", "noHardwareResponse", "information: " + kDemoNoHardware}));
    EXPECT_TRUE(p.link->demoMode());
    p.prompts.calls.clear();
    p.prompts.answer(true);
    p.controller->hardwareSetup();
    EXPECT_EQ(p.prompts.calls,
              (QStringList{"chooseDemoMode: demo",
                           "information: Software runs now in demo mode.\rClick 'Run' to start the demo."}));
}

TEST(DeviceLoss, NoHardwareResponseIsShownOnceFromTheEventLoop) {
    Program p({"[Menu]", "HWdialog=0"});
    p.start();
    p.prompts.calls.clear();
    p.scope->SpeedButtonRunClick(true);
    p.model.disconnected = true;
    Payload report{};
    EXPECT_EQ(p.link->USBRead(report, 10), IoStatus::Error);
    EXPECT_TRUE(p.prompts.calls.isEmpty()); // not from inside the read
    QCoreApplication::processEvents();
    EXPECT_EQ(p.link->USBRead(report, 10), IoStatus::Error);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.prompts.calls, QStringList{"noHardwareResponse"});
    EXPECT_FALSE(p.scope->state().acq.runDown);
    EXPECT_TRUE(p.scope->idle());
    EXPECT_FALSE(p.link->deviceOpened());

    p.model.disconnected = false; // reconnected and chosen again: a later loss is reported again
    p.prompts.answer(false);
    p.controller->hardwareSetup();
    EXPECT_TRUE(p.link->deviceOpened());
}

TEST(Shutdown, AMaximisedWindowKeepsItsStoredPlaceAndRestoreDefaultsDeletesTheFile) {
    Program p({"[ScopeMainForm]", "Top=5", "Left=6", "Width=700", "Height=500", "[Menu]", "HWdialog=0"});
    p.start();
    p.controller->setMainWindowGeometry({0, 0, 1920, 1080}, false); // maximised
    p.controller->FormClose();
    EXPECT_EQ(p.iniValue("ScopeMainForm", "Width"), QStringLiteral("700"));
    EXPECT_EQ(p.iniValue("ScopeMainForm", "Status"), QStringLiteral("1"));

    Program q({"[Menu]", "HWdialog=0", "Dot_Join=0"});
    QSignalSpy quit(q.controller.get(), &AppController::quitRequested);
    q.controller->restoreDefaultsAndExit();
    EXPECT_EQ(quit.count(), 1);
    q.controller->FormClose();
    EXPECT_FALSE(QFile::exists(q.configPath())); // the next start is a first run
}

TEST(Startup, OptionsOfTheConfigurationReachTheOscilloscopeAndBack) {
    Program p({"[Menu]", "HWdialog=0", "ClearDisplay=1", "Rate_on=1", "NoNote=1"});
    EXPECT_TRUE(p.scope->state().acq.clearDisplayOnRun);
    EXPECT_TRUE(p.scope->state().sampleRateShown);
    EXPECT_TRUE(p.scope->state().etsNoticeNever);
    p.scope->setClearDisplayOnRun(false);
    p.controller->FormClose();
    EXPECT_EQ(p.iniValue("Menu", "ClearDisplay"), QStringLiteral("0"));
    EXPECT_EQ(p.iniValue("Menu", "NoNote"), QStringLiteral("1"));
}
