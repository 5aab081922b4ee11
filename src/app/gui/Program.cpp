#include "app/gui/Program.h"

#include "analysis/gui/TForm_99.h"

#include "files/Folders.h"

namespace tarvik {

Program::Program(const CommandLineOptions& options, const QString& configurationPath, SharedBlocks* blocks)
    : m_link(makeTransport(options.device)), m_commands(m_link), m_scope(m_clock, m_prompts, m_commands),
      m_screen(m_scope), m_calibrator(m_clock, m_prompts, m_scope), m_configuration(configurationPath), m_controller(m_clock, m_prompts, m_scope, m_configuration) {
    m_controller.forceDemo = options.device.kind == DeviceChoice::Kind::Demo;
    m_demo = std::make_unique<DemoSignals>(m_clock, m_scope);
    m_scope.setDemoSource(m_demo.get());
    m_controller.hooks.buildDemoSignals = [this] { m_demo->tee_demo_taulut(); };
    m_scope.setView(&m_screen);
    m_controller.setCalibrator(&m_calibrator);
    m_controller.setScreen(&m_screen);
    m_window = std::make_unique<TForm1>(m_controller, m_scope, m_screen, m_prompts);
    m_parameters = std::make_unique<WaveformParameters>(m_scope);
    auto* parametersWindow = new TForm_99(*m_parameters, m_window.get());
    QObject::connect(m_window.get(), &TForm1::waveformParametersClicked, parametersWindow,
                     &TForm_99::toggleShown);
    m_scope.consumers.measure = [this](bool parameters) {
        if (parameters) m_parameters->measure();
    };
    m_window->attachCalibrator(m_calibrator);
    // "My Tarvik" is made on a first run; the calibration log goes there.
    if (m_calibrator.firstRunPending) folders::ensureMyTarvikFolder();
    m_calibrator.logFolder = folders::documentsFolder();
    m_scope.consumers.extendedCalibration = [this] { m_calibrator.extendedCalibrationTick(); };
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

} // namespace tarvik
