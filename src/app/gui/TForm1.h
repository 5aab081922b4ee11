#pragma once
// The main oscilloscope window: the screen on the left, the front panel on the right, the
// status label under the screen, the mode buttons and the File, Options and Help menus.

#include "files/Configuration.h"

#include <QMainWindow>

class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

namespace tarvik {

class AboutDialog;
class AppController;
class QtPrompts;
class ScopeController;
class ScopeScreen;
class Calibrator;
class SpectrumAnalyzer;
class ScreenWidget;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1(AppController& controller, ScopeController& scope, ScopeScreen& screen, QtPrompts& prompts,
           QWidget* parent = nullptr);
    ~TForm1() override;

    ScreenWidget* screenWidget() const { return m_screenWidget; }
    // Remote command 14: restore and show the window (true) or hide it (false).
    void showOscilloscope(bool visible);
    // "Calibrate", "Calibrate && Exit" and the progress panel on the screen.
    void attachCalibrator(Calibrator& calibrator);
    // "FFT Window" and "FFT Options".
    void attachSpectrumAnalyzer(SpectrumAnalyzer& analyzer);

signals:
    void waveformParametersClicked(); // View "Waveform Parameters...": show or hide that window

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildModeButtons();
    void buildMenus();
    void restoreGeometry(const WindowGeometry& geometry);
    void syncHorizontalPosition();

    AppController& m_controller;
    ScopeController& m_scope;
    ScopeScreen& m_screen;
    QtPrompts& m_prompts;
    QLabel* m_status = nullptr;
    QSlider* m_horizontal = nullptr;        // horizontal position control under the screen
    QPushButton* m_interpolation = nullptr; // "S/L": sine or linear interpolation
    QButtonGroup* m_modes = nullptr;
    AboutDialog* m_about = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QWidget* m_screenFrame = nullptr;
    ScreenWidget* m_screenWidget = nullptr;
    QLabel* m_progress = nullptr; // "Calibrating - Please wait..." over the screen
};

} // namespace tarvik
