#pragma once
// The whole program as one object: the instrument link, the oscilloscope and its screen, the
// analyses, the configuration, the start-up controller and the windows, created in the order
// the program needs them.

#include "analysis/SpectrumAnalyzer.h"
#include "analysis/WaveformParameters.h"
#include "app/AppController.h"
#include "app/CommandLine.h"
#include "app/gui/QtPrompts.h"
#include "app/gui/TForm1.h"
#include "base/Clock.h"
#include "device/SharedMemory.h"
#include "display/ScopeScreen.h"
#include "files/Configuration.h"
#include "scope/Calibrator.h"
#include "scope/Demo.h"
#include "scope/ScopeController.h"
#include "scope/gui/TFormx1.h"

#include <memory>

namespace tarvik {

class Program {
public:
    // `blocks`: the remote-control blocks made at start-up; none, no remote control.
    Program(const CommandLineOptions& options, const QString& configurationPath,
            SharedBlocks* blocks = nullptr);
    ~Program();

    void start(); // shows the main window and starts the start-up timer

    TForm1& window() { return *m_window; }
    ScopeController& scope() { return m_scope; }
    AppController& controller() { return m_controller; }
    DeviceLink& link() { return m_link; }
    ScopeScreen& screen() { return m_screen; }
    SpectrumAnalyzer& analyzer() { return m_analyzer; }

private:
    void measure(bool parameters); // the measurements of a frame
    void updateReadouts();         // the RMS and dBm readouts of the screen

    QtClock m_clock;
    QtPrompts m_prompts;
    DeviceLink m_link;
    CommandSet m_commands;
    ScopeController m_scope;
    DemoSignals m_demo; // the signals of demo mode
    ScopeScreen m_screen;
    Calibrator m_calibrator;
    SpectrumAnalyzer m_analyzer;
    WaveformParameters m_parameters; // outlives its window, which the main window owns
    Configuration m_configuration;
    AppController m_controller;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<TFormx1> m_ioWindow; // the hidden I/O window of the remote control
};

} // namespace tarvik
