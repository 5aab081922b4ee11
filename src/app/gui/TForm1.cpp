#include "app/gui/TForm1.h"

#include "analysis/SpectrumAnalyzer.h"
#include "app/AppController.h"
#include "app/gui/Dialogs.h"
#include "app/gui/QtPrompts.h"
#include "display/ScopeScreen.h"
#include "display/gui/ScreenWidget.h"
#include "scope/Calibrator.h"
#include "scope/ScopeController.h"
#include "scope/gui/FrontPanel.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace tarvik {

TForm1::TForm1(AppController& controller, ScopeController& scope, ScopeScreen& screen, QtPrompts& prompts,
               QWidget* parent)
    : QMainWindow(parent), m_controller(controller), m_scope(scope), m_screen(screen), m_prompts(prompts) {
    setWindowTitle(QStringLiteral("Tarvik"));
    m_prompts.setParent(this);
    // Creating the window reads the configuration file.
    m_controller.readConfiguration();

    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    auto* screenFrame = new QFrame(central);
    m_screenFrame = screenFrame;
    screenFrame->setFrameShape(QFrame::StyledPanel);
    screenFrame->setFrameShadow(QFrame::Sunken);
    auto* screenLayout = new QVBoxLayout(screenFrame);
    screenLayout->setContentsMargins(2, 2, 2, 2);
    m_screenWidget = new ScreenWidget(m_screen, screenFrame);
    screenLayout->addWidget(m_screenWidget);
    left->addWidget(screenFrame);
    m_horizontal = new QSlider(Qt::Horizontal, central);
    m_horizontal->setObjectName(QStringLiteral("horizontalPosition"));
    m_horizontal->setToolTip(QStringLiteral("Horizontal position"));
    m_interpolation = new QPushButton(QStringLiteral("S/L"), central);
    m_interpolation->setCheckable(true);
    m_interpolation->setFocusPolicy(Qt::NoFocus);
    m_interpolation->setMaximumWidth(40);
    m_interpolation->setEnabled(false);
    connect(m_interpolation, &QPushButton::toggled, this, [this](bool linear) {
        m_screen.setLinearInterpolation(linear);
        m_status->setText(linear ? QStringLiteral("Linear interpolation")
                                 : QStringLiteral("Sine interpolation"));
    });
    auto* horizontalRow = new QHBoxLayout;
    horizontalRow->addWidget(m_horizontal, 1);
    horizontalRow->addWidget(m_interpolation);
    left->addLayout(horizontalRow);
    m_status = new QLabel(central);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setMinimumHeight(22);
    left->addWidget(m_status);
    auto* frontPanel = new FrontPanel(m_scope, central);
    left->addWidget(frontPanel->triggerPanel());
    left->addStretch(1);
    columns->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(buildModeButtons());
    right->addWidget(frontPanel);
    right->addStretch(1);
    columns->addLayout(right);
    setCentralWidget(central);

    connect(&m_scope, &ScopeController::statusChanged, m_status, &QLabel::setText);
    // While the trigger is on the status text takes the colour of the trigger source.
    connect(&m_scope, &ScopeController::triggerChanged, this, [this] {
        const TriggerState& t = m_scope.state().trigger;
        const ColorTable::Slot slot = triggerColour(t);
        QPalette palette = m_status->palette();
        palette.setColor(QPalette::WindowText,
                         t.on ? QColor(m_screen.colors().rgb(slot)) : QColor(Qt::black));
        m_status->setPalette(palette);
    });
    connect(&m_scope, &ScopeController::timebaseChanged, this, &TForm1::syncHorizontalPosition);
    connect(m_horizontal, &QSlider::valueChanged, &m_scope, &ScopeController::setHorizontalPosition);
    connect(&m_scope, &ScopeController::plainCaptionWanted, this, [this] {
        if (!windowTitle().contains(QLatin1String("Tarv"))) return;
        setWindowTitle(QStringLiteral("Tarvik"));
    });
    syncHorizontalPosition();

    restoreGeometry(m_controller.configuration().windows.main);
    m_about = new AboutDialog(this);
    m_about->setFirmwareCaption(m_controller.firmwareCaption());
    buildMenus();

    connect(&m_controller, &AppController::firmwareCaptionChanged, m_about, &AboutDialog::setFirmwareCaption);
    connect(&m_controller, &AppController::quitRequested, this, &QWidget::close, Qt::QueuedConnection);
    connect(&m_controller, &AppController::closeRetry, this, &QWidget::close);
}

TForm1::~TForm1() = default;

QWidget* TForm1::buildModeButtons() {
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    m_modes = new QButtonGroup(this);
    struct Mode {
        const char* caption;
        const char* name;
        bool visible;
        bool available;
    };
    // The generator and analyzer buttons exist but are not shown in this configuration.
    const Mode modes[] = {{"Oscilloscope", "oscilloscopeButton", true, true},
                          {"Spectrum Analyzer", "spectrumButton", true, true},
                          {"Transient Recorder", "recorderButton", true, false},
                          {"Function Generator", "generatorButton", false, false},
                          {"Circuit Analyzer", "analyzerButton", false, false}};
    for (const Mode& m : modes) {
        auto* button = new QPushButton(QString::fromLatin1(m.caption), panel);
        button->setObjectName(QString::fromLatin1(m.name));
        button->setCheckable(true);
        button->setMinimumWidth(110);
        button->setVisible(m.visible);
        button->setEnabled(m.available);
        m_modes->addButton(button);
        layout->addWidget(button);
    }
    m_modes->buttons().first()->setChecked(true);
    connect(m_modes->buttons()[0], &QPushButton::clicked, &m_scope, &ScopeController::SpeedButton22Click);
    connect(m_modes->buttons()[1], &QPushButton::clicked, &m_scope, &ScopeController::fft1Click);
    connect(&m_scope, &ScopeController::modeChanged, this, [this] {
        const bool spectrum = m_scope.state().spectrumOn;
        m_modes->buttons()[spectrum ? 1 : 0]->setChecked(true);
        setWindowTitle(spectrum ? QStringLiteral("Spectrum Analyzer") : QStringLiteral("Tarvik"));
    });
    return panel;
}

void TForm1::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu = file;
    file->addAction(QStringLiteral("Restore Default Settings && Exit"), this,
                    [this] { m_controller.restoreDefaultsAndExit(); });
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    m_optionsMenu = options;
    options->addAction(QStringLiteral("Hardware Setup..."), this, [this] { m_controller.hardwareSetup(); });
    QAction* clear = options->addAction(QStringLiteral("Clear Display on Run/Single Click"));
    clear->setCheckable(true);
    clear->setChecked(m_scope.state().acq.clearDisplayOnRun);
    connect(clear, &QAction::toggled, &m_scope, &ScopeController::setClearDisplayOnRun);
    QAction* noise = options->addAction(QStringLiteral("Noise Reject"));
    noise->setCheckable(true);
    connect(noise, &QAction::toggled, &m_scope, &ScopeController::setNoiseReject);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    auto addCheck = [view](const QString& caption, bool checked, auto&& onToggled) {
        QAction* a = view->addAction(caption);
        a->setCheckable(true);
        a->setChecked(checked);
        connect(a, &QAction::toggled, view, onToggled);
        return a;
    };
    addCheck(QStringLiteral("Dot Join"), m_screen.dotJoin(), [this](bool on) { m_screen.setDotJoin(on); });
    addCheck(QStringLiteral("Bright Grid"), m_screen.brightGrid(),
             [this](bool on) { m_screen.setBrightGrid(on); });
    addCheck(QStringLiteral("Sample Rate"), m_scope.state().sampleRateShown,
             [this](bool on) { m_scope.setSampleRateShown(on); });
    // The readouts are the oscilloscope's: not in spectrum mode.
    QAction* rms = addCheck(QStringLiteral("RMS Value"), m_scope.state().rmsShown,
                            [this](bool on) { m_scope.setReadoutsShown(on, m_scope.state().dBmShown); });
    QAction* dBm = addCheck(QStringLiteral("dBm Value"), m_scope.state().dBmShown,
                            [this](bool on) { m_scope.setReadoutsShown(m_scope.state().rmsShown, on); });
    connect(&m_scope, &ScopeController::modeChanged, view, [this, rms, dBm] {
        rms->setEnabled(!m_scope.state().spectrumOn);
        dBm->setEnabled(!m_scope.state().spectrumOn);
    });
    view->addAction(QStringLiteral("Waveform Parameters..."), this, &TForm1::waveformParametersClicked);
    view->addSeparator();
    QAction* scopeMarkers = addCheck(QStringLiteral("Markers (DSO) "), m_screen.scopeMarkers(),
                                     [this](bool on) { m_screen.setScopeMarkers(on); });
    auto* spectrumGroup = new QActionGroup(view);
    spectrumGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const std::pair<const char*, SpectrumMarkers> spectrumItems[] = {
        {"Markers (FFT)  f && V", SpectrumMarkers::Level},
        {"Markers (FFT)  f && dV", SpectrumMarkers::Difference},
        {"Markers (FFT)  f && Spectral Density  dBV/sqrt(Hz)", SpectrumMarkers::Density}};
    for (auto [caption, kind] : spectrumItems) {
        QAction* a = view->addAction(QString::fromLatin1(caption));
        a->setCheckable(true);
        a->setEnabled(false);
        spectrumGroup->addAction(a);
        connect(a, &QAction::toggled, this, [this, kind = kind](bool on) {
            if (on)
                m_screen.setSpectrumMarkers(kind);
            else if (m_screen.spectrumMarkers() == kind)
                m_screen.setSpectrumMarkers(SpectrumMarkers::Off);
        });
    }
    connect(&m_scope, &ScopeController::modeChanged, view, [this, scopeMarkers, spectrumGroup] {
        const bool spectrum = m_scope.state().spectrumOn;
        scopeMarkers->setEnabled(!spectrum);
        for (QAction* a : spectrumGroup->actions()) a->setEnabled(spectrum);
    });

    QMenu* average = menuBar()->addMenu(QStringLiteral("&Average"));
    auto* averages = new QActionGroup(this);
    for (int count : {0, 2, 4, 8, 16, 32, 64, 128}) {
        QAction* a = average->addAction(count ? QString::number(count) : QStringLiteral("Off"));
        a->setCheckable(true);
        a->setChecked(m_scope.state().acq.averaging == count);
        averages->addAction(a);
        connect(a, &QAction::triggered, this, [this, count] { m_scope.setAveraging(count); });
    }
    connect(&m_scope, &ScopeController::acquisitionChanged, average, [this, averages] {
        for (QAction* a : averages->actions())
            a->setChecked(a->text() == (m_scope.state().acq.averaging
                                            ? QString::number(m_scope.state().acq.averaging)
                                            : QStringLiteral("Off")));
    });
    connect(&m_scope, &ScopeController::modeChanged, average, [this, average] {
        average->setEnabled(!m_scope.state().spectrumOn); // waveform averaging only
    });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("About..."), m_about, &QDialog::exec);
}

void TForm1::attachSpectrumAnalyzer(SpectrumAnalyzer& analyzer) {
    // "FFT Window" and "FFT Options", open only in spectrum mode.
    QMenu* windows = m_optionsMenu->addMenu(QStringLiteral("FFT Window"));
    QMenu* averaging = m_optionsMenu->addMenu(QStringLiteral("FFT Options"));
    auto* windowGroup = new QActionGroup(windows);
    for (const SpectrumWindowInfo& info : spectrumWindowTable()) {
        QAction* a =
            windows->addAction(QString::fromLatin1(info.menuCaption.data(), int(info.menuCaption.size())));
        a->setCheckable(true);
        a->setChecked(info.window == analyzer.spectrum().window());
        windowGroup->addAction(a);
        connect(a, &QAction::triggered, this, [&analyzer, w = info.window] { analyzer.selectWindow(w); });
    }
    const std::pair<const char*, SpectrumAveraging> options[] = {
        {"&Maximum", SpectrumAveraging::Maximum},
        {"RMS &Average", SpectrumAveraging::RmsAverage},
        {"Vector Average", SpectrumAveraging::VectorAverage}};
    auto* averagingGroup = new QActionGroup(averaging);
    averagingGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional); // at most one
    for (auto [caption, mode] : options) {
        QAction* a = averaging->addAction(QString::fromLatin1(caption));
        a->setCheckable(true);
        averagingGroup->addAction(a);
        connect(a, &QAction::toggled, this, [&analyzer, mode](bool on) {
            if (on)
                analyzer.setAveraging(mode);
            else if (analyzer.spectrum().averaging() == mode)
                analyzer.setAveraging(SpectrumAveraging::Off);
        });
    }
    connect(m_optionsMenu, &QMenu::aboutToShow, this, [this, windows, averaging] {
        windows->setEnabled(m_scope.state().spectrumOn);
        averaging->setEnabled(m_scope.state().spectrumOn);
    });
}

void TForm1::attachCalibrator(Calibrator& calibrator) {
    auto* calibrateAndExit = new QAction(QStringLiteral("Calibrate && Exit"), m_fileMenu);
    connect(calibrateAndExit, &QAction::triggered, this, [&calibrator] { calibrator.Calibrate(true); });
    m_fileMenu->insertAction(m_fileMenu->actions().last(), calibrateAndExit); // before "Exit"
    m_optionsMenu->addAction(QStringLiteral("Calibrate"), this,
                             [&calibrator] { calibrator.Calibrate(false); });

    m_progress = new QLabel(m_screenFrame);
    m_progress->setObjectName(QStringLiteral("progressPanel"));
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setFrameShape(QFrame::Panel);
    m_progress->setFrameShadow(QFrame::Raised);
    m_progress->setAutoFillBackground(true);
    m_progress->setMinimumSize(260, 70);
    m_progress->hide();
    connect(&calibrator, &Calibrator::progressChanged, this, [this](bool shown, int percent) {
        m_progress->setText(QStringLiteral("Calibrating - Please wait...\n%1% Complete").arg(percent));
        m_progress->adjustSize();
        m_progress->move((m_screenFrame->width() - m_progress->width()) / 2,
                         (m_screenFrame->height() - m_progress->height()) / 2);
        m_progress->setVisible(shown);
        m_progress->raise();
        // The window takes no input while the instrument is being calibrated.
        centralWidget()->setEnabled(!shown);
        menuBar()->setEnabled(!shown);
    });
    connect(&calibrator, &Calibrator::exitRequested, this, &QWidget::close, Qt::QueuedConnection);
}

void TForm1::showOscilloscope(bool visible) {
    if (!visible) {
        hide();
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::syncHorizontalPosition() {
    const TimebaseState& tb = m_scope.state().timebase;
    m_interpolation->setEnabled(tb.interpolationMode != 0);
    const QSignalBlocker block(m_horizontal);
    m_horizontal->setRange(tb.positionRange.minimum, tb.positionRange.maximum);
    m_horizontal->setValue(tb.position);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_controller.FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The place is kept only for a window that is neither minimised nor maximised.
    m_controller.setMainWindowGeometry({pos().y(), pos().x(), width(), height()},
                                       !(isMinimized() || isMaximized()));
    m_controller.FormClose();
    event->accept();
}

void TForm1::restoreGeometry(const WindowGeometry& g) {
    if (!g.known()) return;
    // A place on a screen that is no longer there, or larger than it, is brought back onto
    // the nearest visible screen.
    QRect wanted(g.left, g.top, g.width, g.height);
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    wanted.setSize(wanted.size().boundedTo(area.size()));
    wanted.moveLeft(std::clamp(wanted.left(), area.left(), area.right() - wanted.width() + 1));
    wanted.moveTop(std::clamp(wanted.top(), area.top(), area.bottom() - wanted.height() + 1));
    move(wanted.topLeft());
    resize(wanted.size());
}

} // namespace tarvik
