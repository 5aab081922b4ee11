#include "app/gui/Program.h"

#include "analysis/Measurements.h"
#include "analysis/gui/TForm_99.h"
#include "display/gui/AddTextWindow.h"
#include "display/gui/ScreenWidget.h"
#include "files/Folders.h"

namespace tarvik {

Program::Program(const CommandLineOptions& options, const QString& configurationPath, SharedBlocks* blocks)
    : m_link(makeTransport(options.device)), m_commands(m_link), m_scope(m_clock, m_prompts, m_commands),
      m_demo(m_clock, m_scope), m_screen(m_scope), m_calibrator(m_clock, m_prompts, m_scope),
      m_analyzer(m_scope, m_prompts), m_parameters(m_scope), m_configuration(configurationPath),
      m_controller(m_clock, m_prompts, m_scope, m_configuration) {
    m_controller.forceDemo = options.device.kind == DeviceChoice::Kind::Demo;
    m_scope.setDemoSource(&m_demo);
    m_scope.setView(&m_screen);
    m_controller.hooks.buildDemoSignals = [this] { m_demo.tee_demo_taulut(); };
    m_controller.setCalibrator(&m_calibrator);
    m_controller.setScreen(&m_screen);

    // Creating the main window reads the configuration.
    m_window = std::make_unique<TForm1>(m_controller, m_scope, m_screen, m_prompts);
    m_window->attachCalibrator(m_calibrator);
    m_window->attachSpectrumAnalyzer(m_analyzer);
    auto* parametersWindow = new TForm_99(m_parameters, m_window.get());
    QObject::connect(m_window.get(), &TForm1::waveformParametersClicked, parametersWindow,
                     &TForm_99::toggleShown);

    m_scope.consumers.measure = [this](bool parameters) { measure(parameters); };
    m_scope.consumers.extendedCalibration = [this] { m_calibrator.extendedCalibrationTick(); };
    QObject::connect(&m_scope, &ScopeController::readoutsChanged, [this] { updateReadouts(); });
    QObject::connect(&m_scope, &ScopeController::modeChanged, [this] { updateReadouts(); });
    QObject::connect(&m_parameters, &WaveformParameters::showOnScreenChanged, [this](bool on) {
        m_screen.setParameterTexts(on ? m_parameters.screenText() : std::vector<ScreenText>{});
    });

    // "My Tarvik" is made on a first run; the calibration log goes there.
    if (m_calibrator.firstRunPending) folders::ensureMyTarvikFolder();
    m_calibrator.logFolder = folders::documentsFolder();

    if (blocks) { // the hidden I/O window comes after the main window and serves at once
        m_ioWindow = std::make_unique<TFormx1>(m_scope, blocks->quorret, blocks->dso, m_clock);
        QObject::connect(&m_ioWindow->service(), &ScopeRemoteControl::showRequested, m_window.get(),
                         &TForm1::showOscilloscope);
    }
}

Program::~Program() = default;

void Program::start() {
    m_window->show();
    m_controller.startStartupTimer();
}

void Program::measure(bool parameters) {
    updateReadouts();
    if (!parameters) return;
    m_parameters.measure();
    if (m_parameters.showOnScreen()) m_screen.setParameterTexts(m_parameters.screenText());
}

void Program::updateReadouts() {
    const ScopeState& s = m_scope.state();
    if (s.spectrumOn || !s.acq.frameShown || (!s.rmsShown && !s.dBmShown)) {
        m_screen.setReadouts({}, {}, 0);
        return;
    }
    const int channel = s.channel[0].on ? 0 : 1;
    const RmsReadout r =
        rms_out(channelRecord(m_scope.records().display, channel), channelScale(s.channel[channel].range));
    m_screen.setReadouts(s.rmsShown ? r.rms : QString(), s.dBmShown ? r.dbm : QString(),
                         m_screen.colors().rgb(channel == 0 ? ColorTable::Ch1 : ColorTable::Ch2));
}

} // namespace tarvik
