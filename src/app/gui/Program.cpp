#include "app/gui/Program.h"

namespace tarvik {

Program::Program(const CommandLineOptions& options, const QString& configurationPath)
    : m_link(makeTransport(options.device)), m_commands(m_link), m_scope(m_clock, m_prompts, m_commands),
      m_screen(m_scope), m_configuration(configurationPath), m_controller(m_clock, m_prompts, m_scope, m_configuration) {
    m_controller.forceDemo = options.device.kind == DeviceChoice::Kind::Demo;
    m_demo = std::make_unique<DemoSignals>(m_clock, m_scope);
    m_scope.setDemoSource(m_demo.get());
    m_controller.hooks.buildDemoSignals = [this] { m_demo->tee_demo_taulut(); };
    m_scope.setView(&m_screen);
    m_window = std::make_unique<TForm1>(m_controller, m_scope, m_screen, m_prompts);
}

Program::~Program() = default;

void Program::start() {
    m_window->show();
    m_controller.startStartupTimer();
}

} // namespace tarvik
