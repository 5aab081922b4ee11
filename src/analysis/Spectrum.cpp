#include "analysis/Spectrum.h"

#include "base/Numbers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace tarvik {

namespace {

constexpr int kN = kChannelPoints;
constexpr int kLogFirstCell = 2215;                  // first cell of the logarithmic array that is shown
constexpr int kLogCells = 7335;                      // cells covering bins up to 2048
const double kLogScale = 14670 / std::log10(2048.0); // K

int base(int channel) {
    return channel == 0 ? kCh1Base : 0;
}

} // namespace

const std::array<SpectrumWindowInfo, kSpectrumWindows>& spectrumWindowTable() {
    static const std::array<SpectrumWindowInfo, kSpectrumWindows> table{{
        {SpectrumWindow::Rectangle, "&Rectangle", 1.0, 0},
        {SpectrumWindow::Bartlett, "B&artlett", 2.0, 1.0},
        {SpectrumWindow::Hamming, "Ha&mming", 1.852, 1.0},
        {SpectrumWindow::Hanning, "&Hanning", 2.0, 1.3},
        {SpectrumWindow::Blackman, "&Blackman", 2.381, 1.75},
        {SpectrumWindow::FlatTop, "&Flat Top", 1 / 0.2810639, 3.65},
    }};
    return table;
}

double windowCoefficient(SpectrumWindow window, int n) {
    const double x = 2 * std::numbers::pi * n / kN;
    switch (window) {
    case SpectrumWindow::Rectangle:
        return 1;
    case SpectrumWindow::Bartlett:
        return (n < kN / 2 ? n : kN - 1 - n) / 2048.0;
    case SpectrumWindow::Hamming:
        return 0.54 - 0.46 * std::cos(x);
    case SpectrumWindow::Hanning:
        return 0.5 - 0.5 * std::cos(x);
    case SpectrumWindow::Blackman:
        return 0.426 - 0.496 * std::cos(x) + 0.0768 * std::cos(2 * x);
    case SpectrumWindow::FlatTop:
        return 0.2810639 - 0.5208972 * std::cos(x) + 0.1980399 * std::cos(2 * x);
    }
    return 1;
}

namespace {

// Levels by table: level L covers the magnitudes (plus 0.0001) from 10^((L − 128.5)/64) up to
// the next level's start. A lower bound of log2 read from the number's bits (within 0.09)
// gives a first guess at most two levels low; the table then moves it up. This replaces one
// logarithm per bin, the bulk of a frame's time, by two or three comparisons.
constexpr int kLowestLevel = -128; // magnitude 0
constexpr int kTableLevels = 1400; // beyond any record of 32-bit points
struct LevelTable {
    LevelTable() {
        for (int i = 0; i < kTableLevels; ++i) start[i] = std::pow(10.0, (kLowestLevel + i - 128.5) / 64);
    }
    std::array<double, kTableLevels> start{};
};
const LevelTable levelTable;

} // namespace

int spectrumLevel(double magnitude) {
    const double m = magnitude + 0.0001;
    if (!(m >= 0.0001)) return kLowestLevel; // negative or not a number
    const std::array<double, kTableLevels>& start = levelTable.start;
    if (m >= start[kTableLevels - 1]) return static_cast<int>(roundHalfEven(64 * (std::log10(m) + 2)));
    const double log2Below = static_cast<double>(std::bit_cast<std::uint64_t>(m)) / 4503599627370496.0 - 1023;
    // The guess is at most 2 levels low; one more for the table's rounding, then three
    // steps without branches.
    int i =
        static_cast<int>(std::floor(log2Below * 64 * std::numbers::log10e / std::numbers::log2e + 256.5)) - 1;
    i = std::clamp(i, 0, kTableLevels - 4);
    i += m >= start[i + 1];
    i += m >= start[i + 1];
    i += m >= start[i + 1];
    return kLowestLevel + i;
}

Spectrum::Spectrum()
    : m_table(kN), m_averaged(kN), m_history(static_cast<std::size_t>(kSpectrumBins) * kHistorySlots),
      m_levels(2 * kN), m_held(2 * kN), m_logBins(kLogAxisPoints), m_scratch(kLogAxisPoints) {
    selectWindow(SpectrumWindow::Hamming);
    // The logarithmic array: bin b - 1 fills the cells below round(log10(b)·K) / 2, so cell j
    // holds bin floor(10^(2j/K)); every second cell from 2215 on is a display point.
    std::vector<int> cells(kLogCells);
    int j = 0;
    for (int b = 1; b <= kSpectrumBins; ++b) {
        const int limit =
            static_cast<int>((roundHalfEven(std::log10(static_cast<double>(b)) * kLogScale) + 1) / 2);
        while (j < limit && j < kLogCells) cells[j++] = b - 1;
    }
    for (int p = 0; p < kLogAxisPoints; ++p) m_logBins[p] = cells[kLogFirstCell + 2 * p];
}

void Spectrum::selectWindow(SpectrumWindow window) {
    m_window = window;
    const SpectrumWindowInfo& info = spectrumWindowTable()[static_cast<int>(window)];
    m_gain = info.gain;
    m_correction = info.densityCorrection;
    for (int n = 0; n < kN; ++n) m_table[n] = windowCoefficient(window, n);
}

void Spectrum::setAveraging(SpectrumAveraging mode) {
    m_averaging = mode;
    m_restart = true;
}

std::span<const std::int16_t, kChannelPoints> Spectrum::levels(int channel) const {
    return std::span<const std::int16_t, kChannelPoints>(m_levels.data() + base(channel), kChannelPoints);
}

void Spectrum::FFT(int channel, std::span<const std::int32_t> raw, std::span<std::int32_t> display,
                   bool averaged) {
    if (raw.size() < 2 * kN || display.size() < 2 * kN) return; // not a whole record
    const int b0 = base(channel);
    if (m_restart) {
        m_windowReset = 3;
        m_historyReset = 2;
        m_a = 0.5;
        m_b = 0.5;
    }

    // `window`: vector averaging of the time record, then mean removal, gain and window.
    if (m_averaging != SpectrumAveraging::VectorAverage || !averaged) m_windowReset = 1;
    if (m_windowReset == 0 && m_a > 0.02) {
        m_a /= 1.1;
        m_b = 1 - m_a;
    }
    const std::int32_t* x = raw.data() + b0;
    if (m_windowReset == 0) {
        for (int n = 0; n < kN; ++n) m_averaged[n] = m_a * x[n] + m_b * m_averaged[n];
    } else {
        for (int n = 0; n < kN; ++n) m_averaged[n] = x[n];
    }
    m_windowReset = std::max(m_windowReset - 1, 0);
    double mean = 0;
    for (int n = 0; n < kN; ++n) mean += m_averaged[n];
    mean /= kN;
    double* in = m_fft.input();
    for (int n = 0; n < kN; ++n) in[n] = (m_averaged[n] - mean) * m_gain * m_table[n];
    m_fft.execute();

    // Magnitudes into the 8-frame history, levels into the level array and display record.
    m_slot = (m_slot + 1) % kHistorySlots;
    const std::complex<double>* out = m_fft.output();
    std::int16_t* levels = m_levels.data() + b0;
    std::int32_t* shown = display.data() + b0;
    const auto put = [&](int k, int level) {
        levels[2 * k] = levels[2 * k + 1] = static_cast<std::int16_t>(level);
        shown[2 * k] = shown[2 * k + 1] = std::clamp(level - kSpectrumDisplayOffset, 0, 255);
    };
    for (int k = 0; k < kSpectrumBins; ++k) {
        const double m = std::sqrt(out[k].real() * out[k].real() + out[k].imag() * out[k].imag());
        double* ring = m_history.data() + static_cast<std::size_t>(k) * kHistorySlots;
        if (m_historyReset != 0)
            std::fill_n(ring, kHistorySlots, m);
        else
            ring[m_slot] = m;
        put(k, spectrumLevel(m));
    }
    m_historyReset = std::max(m_historyReset - 1, 0);

    if (averaged && m_averaging == SpectrumAveraging::RmsAverage && !m_restart) {
        for (int k = 0; k < kSpectrumBins; ++k) {
            const double* ring = m_history.data() + static_cast<std::size_t>(k) * kHistorySlots;
            double squares = 0;
            for (int s = 0; s < kHistorySlots; ++s) squares += ring[s] * ring[s];
            put(k, spectrumLevel(std::sqrt(squares / kHistorySlots)));
        }
    }
    if (m_logAxis) LinToLog(channel, display);
    const bool hold = m_averaging == SpectrumAveraging::Maximum;
    if (averaged && hold && !m_restart)
        for (int i = 0; i < 2 * kN; ++i) display[i] = std::max<std::int32_t>(display[i], m_held[i]);
    if (averaged && (hold || m_averaging == SpectrumAveraging::RmsAverage)) {
        if (m_restart && hold)
            std::fill(m_held.begin(), m_held.end(), std::int16_t{0});
        else
            for (int i = 0; i < 2 * kN; ++i)
                m_held[i] = static_cast<std::int16_t>(std::clamp(display[i], -32768, 32767));
    }
    m_restart = false;
}

void Spectrum::LinToLog(int channel, std::span<std::int32_t> display) {
    if (display.size() < 2 * kN) return;
    const int b0 = base(channel);
    std::int32_t* shown = display.data() + b0;
    for (int p = 0; p < kLogAxisPoints; ++p) m_scratch[p] = shown[2 * m_logBins[p]];
    std::copy(m_scratch.begin(), m_scratch.end(), shown);
    std::int16_t* levels = m_levels.data() + b0;
    for (int p = 0; p < kLogAxisPoints; ++p) m_scratch[p] = levels[2 * m_logBins[p]];
    for (int p = 0; p < kLogAxisPoints; ++p) levels[p] = static_cast<std::int16_t>(m_scratch[p]);
}

bool Spectrum::Log(int channel, std::span<std::int32_t> display) {
    if (m_logAxis) return false;
    m_restart = true;
    m_logAxis = true;
    LinToLog(channel, display);
    m_zoom = logAxisZoom(m_zoom);
    return true;
}

bool Spectrum::setZoom(int zoom) {
    static constexpr int allowed[] = {2, 3, 4, 5, 8, 10, 16};
    if (std::find(std::begin(allowed), std::end(allowed), zoom) == std::end(allowed)) return false;
    m_zoom = zoom;
    return true;
}

void Spectrum::zoomButton(int factor) {
    switch (factor) {
    case 1:
        m_zoom = m_logAxis ? 10 : 16;
        break;
    case 4:
        m_zoom = m_logAxis ? 3 : 4;
        break;
    case 8:
        m_zoom = m_logAxis ? 2 : 3;
        break;
    default: // "x2" has no action
        break;
    }
}

double FFT_freq(FftTransform& fft, ChannelRecord x) {
    double mean = 0;
    for (const std::int32_t v : x) mean += v;
    mean /= kN;
    double* in = fft.input();
    for (int n = 0; n < kN; ++n) in[n] = x[n] - mean;
    fft.execute();
    const std::complex<double>* out = fft.output();
    std::array<int, kSpectrumBins> p{};
    for (int k = 0; k < kSpectrumBins; ++k)
        p[k] = std::max(
            spectrumLevel(std::sqrt(out[k].real() * out[k].real() + out[k].imag() * out[k].imag())), 0);
    int peak = 1;
    for (int k = 2; k <= kSpectrumBins - 2; ++k)
        if (p[k] > p[peak]) peak = k;
    const double below = p[peak - 1], top = p[peak], above = p[peak + 1];
    double f = peak;
    if (below < above && top > 0)
        f = peak + 0.5 * (above - below) / (top - below);
    else if (above < below)
        f = peak - 0.5 * (below - above) / (top - above);
    return std::clamp(f, peak - 0.5, peak + 0.5);
}

FrequencyScale frequencyScale(int t) {
    if (t <= 0) return {};
    if (t > 30000) return {6250000.0 / t / 1.25, false};
    return {6250.0 / t / 1.25, true};
}

QString f_alue(int t) {
    struct Label {
        int value;
        const char* text;
    };
    static constexpr Label labels[] = {
        {50000000, "120Hz"}, {20000000, "300Hz"},  {10000000, "125Hz"}, {5000000, "250Hz"},
        {2000000, "625Hz"},  {1000000, "1.25kHz"}, {500000, "2.5kHz"},  {200000, "6.25kHz"},
        {100000, "12.5kHz"}, {50000, "25kHz"},     {20000, "62.5kHz"},  {10000, "125kHz"},
        {5000, "1.2MHz"},    {2000, "3MHz"},       {1000, "6MHz"},      {500, "12.5MHz"},
        {250, "25MHz"},
    };
    for (const Label& l : labels)
        if (l.value == t) return QString::fromLatin1(l.text);
    return QString();
}

int logPointToRecordPoint(int point) {
    return static_cast<int>(2 * roundHalfEven(std::pow(2048.0, (2.0 * point + kLogFirstCell) / kLogCells)));
}

int logAxisMarkerBin(int bin) {
    if (bin < 2) return 0; // bin 0 has no logarithm; bin 1 lies left of the axis
    const auto cell = roundHalfEven(std::log10(bin / 2.0) * kLogCells / std::log10(2048.0));
    return static_cast<int>((std::max<std::int64_t>(cell, kLogFirstCell) - kLogFirstCell) / 2);
}

int logAxisZoom(int zoom) {
    switch (zoom) {
    case 16:
        return 10;
    case 8:
        return 5;
    case 4:
        return 3;
    default:
        return zoom;
    }
}

} // namespace tarvik
