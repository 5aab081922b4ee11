#pragma once
// The spectrum analyzer's computation: each frame of the shown channel is averaged (vector
// averaging), windowed, transformed, turned into levels (64 per decade of magnitude, so 32
// levels = 10 dB per division), optionally RMS-averaged over 8 frames or peak-held, optionally
// re-mapped to a logarithmic frequency axis, and written into the channel's half of the display
// record, which the screen draws like a trace. The transform plan and every buffer are made
// when the object is created; a frame allocates nothing.

#include "analysis/FftTransform.h"
#include "analysis/Measurements.h"

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarvik {

enum class SpectrumWindow { Rectangle, Bartlett, Hamming, Hanning, Blackman, FlatTop };
inline constexpr int kSpectrumWindows = 6;

struct SpectrumWindowInfo {
    SpectrumWindow window;
    std::string_view menuCaption; // the "FFT Window" menu item
    double gain;                  // g: amplitude correction
    double densityCorrection;     // c: dB taken off the spectral density readout
};
const std::array<SpectrumWindowInfo, kSpectrumWindows>& spectrumWindowTable();
double windowCoefficient(SpectrumWindow window, int n); // w[n], n = 0..4095

// The "FFT Options": none, "&Maximum" (peak hold), "RMS &Average" (8 frames) or
// "Vector Average" (exponential average of the time records).
enum class SpectrumAveraging { Off, Maximum, RmsAverage, VectorAverage };

inline constexpr int kSpectrumBins = 2048;
inline constexpr int kSpectrumDisplayOffset = 210; // level shown at the bottom of the screen
inline constexpr int kLogAxisPoints = 2560;        // display points of the logarithmic axis
// The level of a magnitude: round(64·(log10(M + 0.0001) + 2)); 0 gives -128.
int spectrumLevel(double magnitude);

class Spectrum {
public:
    static constexpr int kHistorySlots = 8;
    static constexpr int kStartZoom = 3;

    Spectrum();

    // ---- window ("FFT Window") ----
    void selectWindow(SpectrumWindow window); // table, gain and correction
    SpectrumWindow window() const { return m_window; }
    double gain() const { return m_gain; }
    double densityCorrection() const { return m_correction; }
    const std::vector<double>& windowTable() const { return m_table; }

    // ---- averaging ("FFT Options") ----
    void setAveraging(SpectrumAveraging mode); // any change restarts the averaging
    SpectrumAveraging averaging() const { return m_averaging; }
    // Range, time/div, channel on/off, Single, entering spectrum mode and "Log" restart the
    // averaging: the next frame starts it afresh.
    void restart() { m_restart = true; }
    bool restartPending() const { return m_restart; }

    // ---- one frame (`FFT`) ----
    // The spectrum of channel `channel` (0 = channel 1) of `raw` (a whole record, 8192 points
    // or more) into that channel's half of `display` and of the level array. Without
    // `averaged` (a Single frame) the frame is shown as it is: no averaging and no peak hold.
    void FFT(int channel, std::span<const std::int32_t> raw, std::span<std::int32_t> display,
             bool averaged = true);

    // ---- frequency axis and zoom ----
    bool logAxis() const { return m_logAxis; }
    // The "Log" button: once only (the linear axis does not come back); restarts the
    // averaging, re-maps the shown channel and converts the zoom. False when already on.
    bool Log(int channel, std::span<std::int32_t> display);
    // Re-maps the shown channel's display points and levels to the logarithmic axis.
    void LinToLog(int channel, std::span<std::int32_t> display);
    int pointsDrawn() const { return m_logAxis ? kLogAxisPoints : kChannelPoints; }
    // Z: display points per 2-pixel screen column.
    int zoom() const { return m_zoom; }
    // A zoom from a file or recalled settings: only the values the zoom buttons and the "Log"
    // conversion produce are taken; anything else is refused and the zoom is kept.
    bool setZoom(int zoom);
    // The zoom buttons "x1", "x2", "x4", "x8" (factor 1, 2, 4, 8); "x2" changes nothing.
    void zoomButton(int factor);

    // ---- results ----
    // The unclipped levels of a channel in the record's layout, two equal entries per bin.
    std::span<const std::int16_t, kChannelPoints> levels(int channel) const;
    std::span<const std::int16_t> heldLevels() const { return m_held; } // 8192 peak-held display values
    int windowResetCount() const { return m_windowReset; }
    int historyResetCount() const { return m_historyReset; }
    double vectorWeight() const { return m_a; }

private:
    FftTransform m_fft;
    SpectrumWindow m_window = SpectrumWindow::Hamming;
    double m_gain = 1;
    double m_correction = 0;
    std::vector<double> m_table;        // w[n]
    std::vector<double> m_averaged;     // the vector-averaged time record
    std::vector<double> m_history;      // kHistorySlots magnitudes per bin, bin-major
    std::vector<std::int16_t> m_levels; // both channels, record layout
    std::vector<std::int16_t> m_held;   // peak-held display values, both channels
    std::vector<int> m_logBins;         // bin shown at each point of the logarithmic axis
    std::vector<std::int32_t> m_scratch;
    SpectrumAveraging m_averaging = SpectrumAveraging::Off;
    double m_a = 0.05; // vector weight; 1 - a kept with it
    double m_b = 0.95;
    int m_windowReset = 3;
    int m_historyReset = 3;
    int m_slot = 0;
    bool m_restart = false;
    bool m_logAxis = false;
    int m_zoom = kStartZoom;
};

// `FFT_freq`: the bin (fractional) of the strongest line of a channel record, mean removed and
// no window; within half a bin of the strongest bin 1..2046.
double FFT_freq(FftTransform& fft, ChannelRecord x);

// The frequency of the spectrum's display points for a time/div value (10 ns units): full
// scale F = 6 250 000 / t kHz above 30000, else 6250 / t MHz, then divided by 1.25.
struct FrequencyScale {
    double fullScale = 0;
    bool megahertz = false;
    QString unit() const { return megahertz ? QStringLiteral("MHz") : QStringLiteral("kHz"); }
    double frequency(double point) const { return point * fullScale / kChannelPoints; }
};
FrequencyScale frequencyScale(int timebaseValue);

// `f_alue`: the frequency-range label of a time/div value; empty for any other value.
QString f_alue(int timebaseValue);

// The logarithmic axis: the record point a display point stands for, and the display point
// of a frequency-marker bin (0 for bins below 2, which have no logarithm).
int logPointToRecordPoint(int point);
int logAxisMarkerBin(int bin);
int logAxisZoom(int zoom); // the "Log" conversion: 16 -> 10, 8 -> 5, 4 -> 3, others kept

} // namespace tarvik
