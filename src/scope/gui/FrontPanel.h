#pragma once
// The oscilloscope's front panel: Run and Single, both channels (ranges, coupling, switch,
// position), the time/div steps and the trigger. Every control calls the controller; the
// controls follow the controller's signals, so recalls and remote commands show up here.

#include "scope/ScopeController.h"

#include <QWidget>
#include <array>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

namespace tarvik {

class FrontPanel : public QWidget {
    Q_OBJECT
public:
    explicit FrontPanel(ScopeController& controller, QWidget* parent = nullptr);
    // The trigger controls, for the window to place beside the screen.
    QWidget* triggerPanel() const { return m_triggerPanel; }

private:
    QWidget* buildAcquisition();
    QWidget* buildChannel(int channel);
    QWidget* buildTimebase();
    QWidget* buildFrequencyRange();
    QWidget* buildTrigger();
    void syncAcquisition();
    void syncChannel(int channel);
    void syncTimebase();
    void syncTrigger();

    ScopeController& m_controller;
    QPushButton* m_run = nullptr;
    QPushButton* m_single = nullptr;
    struct ChannelControls {
        QButtonGroup* ranges = nullptr;
        QButtonGroup* coupling = nullptr;
        QPushButton* on = nullptr;
        QSlider* position = nullptr;
    };
    std::array<ChannelControls, 2> m_channels;
    QButtonGroup* m_timebase = nullptr;
    QButtonGroup* m_frequency = nullptr; // the spectrum's frequency ranges
    QWidget* m_timebaseBox = nullptr;
    QWidget* m_frequencyBox = nullptr;
    QPushButton* m_trigOn = nullptr;
    QPushButton* m_trigOff = nullptr;
    QButtonGroup* m_source = nullptr;
    QButtonGroup* m_edge = nullptr;
    QSlider* m_level = nullptr;
    QLabel* m_levelText = nullptr;
    QWidget* m_triggerPanel = nullptr;
};

} // namespace tarvik
