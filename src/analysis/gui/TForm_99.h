#pragma once
// The "Waveform Parameters" window: a grid with a check box per parameter and a column of
// values per channel, the CH1 and CH2 column boxes, "Show on Screen", "Select All",
// "Unselect All", "Close" and "Help". It shows what its WaveformParameters object holds and
// tells it when it is shown or hidden; it measures nothing itself.

#include "analysis/Measurements.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;

namespace tarvik {

class WaveformParameters;

class TForm_99 : public QDialog {
    Q_OBJECT
public:
    explicit TForm_99(WaveformParameters& parameters, QWidget* parent = nullptr);

    void toggleShown(); // the View menu item: show when hidden, hide when shown

    QCheckBox* parameterBox(Parameter p) const { return m_boxes[static_cast<int>(p)]; }
    QLabel* valueLabel(int column, Parameter p) const { return m_values[column][static_cast<int>(p)]; }
    QCheckBox* channelBox(int channel) const { return m_channels[channel]; }
    QCheckBox* showOnScreenBox() const { return m_showOnScreen; }

signals:
    void helpRequested(); // "Help": the help topic of this window

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncSelection();
    void showValues();

    WaveformParameters& m_parameters;
    std::array<QCheckBox*, kParameters> m_boxes{};
    std::array<std::array<QLabel*, kParameters>, 2> m_values{};
    std::array<QCheckBox*, 2> m_channels{};
    QCheckBox* m_showOnScreen = nullptr;
};

} // namespace tarvik
