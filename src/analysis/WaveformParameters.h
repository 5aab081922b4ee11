#pragma once
// The "Waveform Parameters" window's logic: which parameters and channels are checked, the
// measurement pass over the oscilloscope's last frame (`measure`, `measure2`) that fills the
// two columns of cell texts, the parameter text that can be copied or drawn on the screen, and
// where "Show on Screen" puts that text. The window only shows what this object holds.

#include "analysis/FftTransform.h"
#include "analysis/Measurements.h"
#include "analysis/Phase.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace tarvik {

class ScopeController;

// One text of "Show on Screen".
struct ScreenText {
    enum class Colour { TimeMarker, Ch1, Ch2 };
    QString text;
    int x = 0;
    int y = 0;
    Colour colour = Colour::TimeMarker;
};

// The parameter text: " \tCH1", " \tCH1\tCH2" or " \tCH2", then one line per checked parameter
// with its copy label, a tab and the cell (and a tab and the CH2 cell when both are checked).
// Empty when no channel is checked.
using ParameterCells = std::array<std::array<QString, kParameters>, 2>; // [column][parameter]
QStringList parameterText(const ParameterCells& cells, const std::array<bool, kParameters>& checked, bool ch1,
                          bool ch2);
// The lines of a parameter text laid out on a screen, one line per 13 pixels from y = 22: the
// label at `labelX`, the CH1 value 70 pixels further and the CH2 value 130 pixels further when
// both channels are listed (a single channel's value at +70 in its own colour).
std::vector<ScreenText> parameterScreenText(const QStringList& lines, bool ch1, bool ch2, int labelX = 470);

class WaveformParameters : public QObject {
    Q_OBJECT
public:
    explicit WaveformParameters(const ScopeController& scope, QObject* parent = nullptr);

    // ---- selection (the window's check boxes) ----
    bool checked(Parameter p) const { return m_checked[static_cast<int>(p)]; }
    const std::array<bool, kParameters>& checkedParameters() const { return m_checked; }
    void setChecked(Parameter p, bool on); // and measure
    void selectAll(bool on);               // "Select All" / "Unselect All", then measure
    bool channelChecked(int channel) const { return m_channel[channel]; }
    void setChannelChecked(int channel, bool on); // and measure
    bool showOnScreen() const { return m_showOnScreen; }
    void setShowOnScreen(bool on);

    // The window is shown: passes only measure while it is.
    bool active() const { return m_active; }
    void setActive(bool shown);

    // Zero levels of a frame loaded from a data file (its "GND" line), used in place of the
    // channels' position values until the next capture; none: the live positions.
    void setStoredZeroLevels(std::optional<std::array<int, 2>> levels) { m_storedZero = levels; }

    // ---- the pass ----
    // `measure`: both columns and the Phase row from the last frame, then the moved-trace rule.
    // Does nothing while the window is hidden.
    void measure();
    const ParameterCells& cells() const { return m_cells; }
    const QString& cell(int column, Parameter p) const { return m_cells[column][static_cast<int>(p)]; }
    double phase() const { return m_phase; }
    const ChannelMeasurement& measurement(int channel) const { return m_measurement[channel]; }

    QStringList parameterText() const;
    // What "Show on Screen" draws now; empty while it is off.
    std::vector<ScreenText> screenText(int labelX = 470) const;

signals:
    void measured();                   // the cells changed
    void selectionChanged();           // a check box changed
    void showOnScreenChanged(bool on); // the screen is to be redrawn with or without the text
    void activeChanged(bool shown);    // the window was shown or hidden

private:
    void measure2(); // column 2
    void measureColumn(int channel);
    void clearColumn(int channel);

    const ScopeController& m_scope;
    FftTransform m_fft;
    PhaseMeter m_phaseMeter;
    std::array<bool, kParameters> m_checked;
    std::array<bool, 2> m_channel{true, true};
    bool m_showOnScreen = false;
    bool m_active = false;
    std::optional<std::array<int, 2>> m_storedZero;
    ParameterCells m_cells;
    std::array<ChannelMeasurement, 2> m_measurement;
    double m_phase = 0;
};

} // namespace tarvik
