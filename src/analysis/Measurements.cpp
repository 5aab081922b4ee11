#include "analysis/Measurements.h"

#include "analysis/Spectrum.h"
#include "base/Numbers.h"
#include "scope/FrontEnd.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarvik {

namespace {

constexpr int kRunLengths = 4097; // entries of the run-length histogram

std::int64_t sumOf(ChannelRecord x) {
    std::int64_t sum = 0;
    for (const std::int32_t v : x) sum += v;
    return sum;
}

// Integer mean of the 4096 points, truncated like the instrument's own arithmetic.
int meanOf(ChannelRecord x) {
    return static_cast<int>(sumOf(x) / kChannelPoints);
}

double rmsAbout(ChannelRecord x, int centre) {
    double sum = 0;
    for (const std::int32_t v : x) {
        const double d = static_cast<double>(v) - centre;
        sum += d * d;
    }
    return std::sqrt(sum / kChannelPoints);
}

// The longest run length counted (3..4095), or `empty` when none is.
int longestRun(const std::array<int, kRunLengths>& runs, int empty) {
    for (int length = kRunLengths - 2; length >= 3; --length)
        if (runs[length] > 0) return length;
    return empty;
}

// Sum and count of the runs in the top quarter of lengths, Lmax - Lmax/4 .. Lmax + 1.
void topQuarter(const std::array<int, kRunLengths>& runs, int lmax, std::int64_t& sum, int& count) {
    sum = 0;
    count = 0;
    for (int length = lmax - lmax / 4; length <= lmax + 1 && length < kRunLengths; ++length) {
        sum += static_cast<std::int64_t>(length) * runs[length];
        count += runs[length];
    }
}

template <typename Continues> Widths widths(ChannelRecord x, int t, Continues continues) {
    Widths w;
    int first = -1;
    for (int j = 11; j <= 3999; ++j)
        if (x[j] < t && t <= x[j + 1]) {
            first = j;
            break;
        }
    if (first < 0) return w;
    int last = -1;
    for (int j = 4089; j >= 101; --j)
        if (x[j] < t && t <= x[j + 1]) {
            last = j;
            break;
        }
    if (last < 0) return w;
    w.span = last - first;
    if (first > last || w.span < 10) return w;
    std::array<int, kRunLengths> runs{};
    int c = 1;
    for (int j = first + 1; j <= last + 2; ++j) {
        if (continues(x[j - 1], x[j])) {
            ++c;
        } else {
            ++runs[std::min(c, kRunLengths - 1)];
            c = 1;
        }
    }
    w.count = -1;
    const int lmax = longestRun(runs, 0);
    if (lmax == 0) return w;
    std::int64_t sum = 0;
    int count = 0;
    topQuarter(runs, lmax, sum, count);
    if (count > 0) {
        w.sum = sum;
        w.count = count;
    }
    return w;
}

// The edge-time routine for both directions: `rising` counts runs inside a..b going up,
// otherwise going down.
template <bool rising> int edgeTime(ChannelRecord x, int a, int b) {
    int first = -1;
    for (int j = 11; j <= 4089; ++j) {
        const bool crossing = rising ? (x[j] <= a && a < x[j + 1]) : (x[j] >= b && b > x[j + 1]);
        if (crossing) {
            first = j;
            break;
        }
    }
    if (first < 0) return -1;
    int last = -1;
    for (int j = 4089; j >= 6; --j) {
        const bool crossing = rising ? (x[j] < b && b <= x[j + 1]) : (x[j] > a && a >= x[j + 1]);
        if (crossing) {
            last = j;
            break;
        }
    }
    if (last < 0 || first > last) return -1;
    std::array<int, kRunLengths> runs{};
    int c = 1;
    std::int64_t r = 0;
    for (int j = first + 1; j <= last + 2; ++j) {
        const std::int32_t p = x[j - 1];
        const std::int32_t q = x[j];
        const bool inside =
            rising ? (a <= p && p < b && a < q && q <= b) : (a < p && p <= b && a <= q && q < b);
        if (inside) {
            ++c;
            r += q - p;
        } else {
            if (rising ? r > 0 : r < 0) ++runs[std::min(c, kRunLengths - 1)];
            c = 1;
            r = 0;
        }
    }
    const int lmax = longestRun(runs, 2);
    std::int64_t sum = 0;
    int count = 0;
    topQuarter(runs, lmax, sum, count);
    return count > 0 ? static_cast<int>(sum / count) : 0;
}

QString dbText(double rms, bool millivolts, double reference, const QString& unit, const QString& clip) {
    const QString number =
        rms > 0 ? muunna(100, 20 * std::log10(rms / (millivolts ? reference * 1000 : reference)))
                : QStringLiteral("...");
    return number + unit + clip;
}

const QString kUnmeasurable = QStringLiteral("???");

} // namespace

ChannelRecord channelRecord(std::span<const std::int32_t> record, int channel) {
    return ChannelRecord(record.data() + (channel == 0 ? kCh1Base : 0), kChannelPoints);
}

ChannelScale channelScale(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= kRanges) rangeIndex = kDefaultRange;
    const double v = rangeTable()[rangeIndex].voltsPerDivision;
    if (v < 0.5) return {v * 1000, true};
    return {v, false};
}

MeasurementRate measurementRate(int timebaseValue) {
    // Four points per sample; 2.5e9 / value samples per second, at most the "10us" rate.
    const std::int64_t perSecond = 10'000'000'000LL / std::max(timebaseValue, 1000);
    if (perSecond >= 100000) return {perSecond / 1000.0, true};
    return {static_cast<double>(perSecond), false};
}

QString muunna(double a, double v) {
    int decimals;
    if (a > 99) {
        const double m = std::abs(v);
        decimals = m >= 100 ? 0 : m >= 10 ? 1 : m >= 1 ? 2 : 3;
    } else {
        const double e = a / 32;
        decimals = e > 0.1 ? 1 : e > 0.01 ? 2 : 3;
    }
    return formatFixed(v, decimals);
}

HighLow high_low(ChannelRecord x, int max, int min) {
    // Histogram of the levels; points outside 0..255 (a damaged file) are not counted.
    std::array<int, 256> h{};
    for (const std::int32_t v : x)
        if (v >= 0 && v <= 255) ++h[v];
    const auto smoothed = [&h](std::int64_t v) {
        int s = 0;
        for (int k = -4; k <= 4; ++k) {
            const std::int64_t i = v + k;
            if (i >= 0 && i <= 255) s += (5 - std::abs(k)) * h[i];
        }
        return s;
    };
    const std::int64_t mid = (static_cast<std::int64_t>(max) + min) / 2;
    const double range = static_cast<double>(max) - min;
    // One search from the middle towards an extreme, k counting the levels from 1. Levels
    // more than 4 outside 0..255 score nothing and cannot raise the best score, so only the
    // levels that can score are visited; the others still count towards k.
    const auto search = [&](int extreme, int direction) {
        const std::int64_t steps = (extreme - mid) * direction + 1;
        const std::int64_t firstK = std::max<std::int64_t>(1, direction > 0 ? -3 - mid : mid - 258);
        const std::int64_t lastK = std::min<std::int64_t>(steps, direction > 0 ? 260 - mid : mid + 5);
        std::int64_t sum = 0, best = 0;
        std::int64_t found = extreme;
        for (std::int64_t k = firstK; k <= lastK; ++k) {
            const std::int64_t v = mid + direction * (k - 1);
            const std::int64_t w = roundHalfEven(400.0 * static_cast<double>(k) / range) + 100;
            const std::int64_t score = w * smoothed(v);
            sum += score;
            if (score >= best) {
                best = score;
                found = v;
            }
        }
        const double average =
            static_cast<double>(sum) / static_cast<double>(std::max<std::int64_t>(steps, 1));
        return static_cast<double>(best) > 2.0 * average ? static_cast<int>(found) : extreme;
    };
    return {search(max, 1), search(min, -1)};
}

Widths p_width(ChannelRecord x, int threshold) {
    return widths(x, threshold,
                  [threshold](std::int32_t p, std::int32_t q) { return p >= threshold && q > threshold; });
}

Widths n_width(ChannelRecord x, int threshold) {
    return widths(x, threshold,
                  [threshold](std::int32_t p, std::int32_t q) { return p <= threshold && q < threshold; });
}

int risetime(ChannelRecord x, int low, int high) {
    return edgeTime<true>(x, low, high);
}

int falltime(ChannelRecord x, int low, int high) {
    return edgeTime<false>(x, low, high);
}

bool ChannelMeasurement::clipped(Clip end) const {
    switch (end) {
    case Clip::None:
        return false;
    case Clip::Top:
        return max == 255 || max == 0;
    case Clip::Bottom:
        return min == 0 || min == 255;
    case Clip::Both:
        return min == 0 || max == 255;
    }
    return false;
}

ChannelMeasurement measureChannel(const ChannelInput& in, const MeasurementRate& rate, int timebaseValue,
                                  FftTransform& fft) {
    const ChannelRecord x = in.points;
    ChannelMeasurement m; // every value starts unmeasured for each pass
    m.mean = meanOf(x);
    const auto [lo, hi] = std::minmax_element(x.begin() + 2, x.begin() + 4094);
    m.max = *hi;
    m.min = *lo;
    if (m.max > m.min) {
        const HighLow hl = high_low(x, m.max, m.min);
        m.high = hl.high;
        m.low = hl.low;
    } else {
        m.high = m.max;
        m.low = m.min;
    }
    const ChannelScale& s = in.scale;
    const int z = in.zeroLevel;
    m.dcMean = s.volts(m.mean - z);
    m.maxVolts = s.volts(m.max - z);
    m.minVolts = s.volts(m.min - z);
    m.peakToPeak = s.volts(static_cast<double>(m.max) - m.min);
    m.highVolts = s.volts(m.high - z);
    m.lowVolts = s.volts(m.low - z);
    m.amplitude = s.volts(static_cast<double>(m.high) - m.low);
    m.acRms = s.volts(rmsAbout(x, m.mean));
    m.acDcRms = s.volts(rmsAbout(x, z));

    // Timing: widths of the runs above and below the middle threshold.
    const int spread = m.high - m.low;
    const int threshold = spread > 5 ? (m.high + m.low) / 2 : (m.max + m.min) / 2;
    const Widths p = p_width(x, threshold);
    const Widths n = n_width(x, threshold);
    double pw = p.count > 0 ? static_cast<double>(p.sum) / p.count : -1;
    double nw = n.count > 0 ? static_cast<double>(n.sum) / n.count : -1;
    const double covered = static_cast<double>(p.sum + n.sum);
    if (p.span > 0 && covered / p.span < 0.9) pw = nw = -1;
    if (pw > 0) pw = pw * p.span / covered;
    if (nw > 0) nw = nw * p.span / covered;
    if (spread < 5 && m.max - m.min < 5) pw = nw = -1;
    m.positiveWidth = pw;
    m.negativeWidth = nw;
    if (pw >= 0 && nw >= 0 && pw + nw > 0) m.frequency = rate.perSecond / (pw + nw);
    if ((p.count == -1 || n.count == -1) && timebaseValue < kSpectrumFallbackBelow) {
        m.frequency = FFT_freq(fft, x) * rate.perSecond / kChannelPoints;
        m.frequencyFromSpectrum = true;
    }

    // Edge times between 10 % and 90 % of the amplitude.
    if (spread >= 5) {
        const int v = spread / 10;
        m.riseTime = risetime(x, m.low + v, m.high - v);
        m.fallTime = falltime(x, m.low + v, m.high - v);
    }
    return m;
}

const std::array<ParameterRow, kParameters>& parameterTable() {
    static constexpr std::array<ParameterRow, kParameters> table{{
        {Parameter::DcMean, 1, "DC  Mean", "DC Mean:", Clip::Both, true},
        {Parameter::Max, 2, "Max", "Max:", Clip::Top, true},
        {Parameter::Min, 3, "Min", "Min:", Clip::Bottom, true},
        {Parameter::PeakToPeak, 4, "Peak-to-Peak", "Pk-to-Pk:", Clip::Both, false},
        {Parameter::High, 5, "High", "High:", Clip::Top, true},
        {Parameter::Low, 6, "Low", "Low:", Clip::Bottom, true},
        {Parameter::Amplitude, 7, "Amplitude", "Amplitude:", Clip::Both, false},
        {Parameter::AcRms, 8, "AC RMS", "AC RMS:", Clip::Both, false},
        {Parameter::AcDbv, 9, "AC dBV", "AC dBV:", Clip::Both, false},
        {Parameter::AcDbm, 10, "AC dBm", "AC dBm:", Clip::Both, false},
        {Parameter::AcDcRms, 11, "AC+DC RMS", "AC+DC RMS:", Clip::Both, true},
        {Parameter::AcDcDbv, 12, "AC+DC dBV ", "AC+DC dBV:", Clip::Both, true},
        {Parameter::AcDcDbm, 13, "AC+DC dBm ", "AC+DC dBm:", Clip::Both, true},
        {Parameter::DutyCycle, 15, "Duty Cycle", "Duty Cycle:", Clip::Both, false},
        {Parameter::PositiveWidth, 16, "Positive Width", "Pos. Width:", Clip::Both, false},
        {Parameter::NegativeWidth, 17, "Negative Width", "Neg. Width:", Clip::Both, false},
        {Parameter::RiseTime, 18, "Rise Time", "Rise Time:", Clip::Both, false},
        {Parameter::FallTime, 19, "Fall Time", "Fall Time:", Clip::Both, false},
        {Parameter::Period, 20, "Period", "Period:", Clip::None, false},
        {Parameter::Frequency, 21, "Frequency", "Frequency:", Clip::None, false},
        {Parameter::Phase, 22, "Phase ", "Phase:", Clip::None, false},
    }};
    return table;
}

QString parameterCell(Parameter p, const ChannelMeasurement& m, const ChannelScale& scale,
                      const MeasurementRate& rate) {
    const ParameterRow& row = parameterTable()[static_cast<int>(p)];
    const QString clip = m.clipped(row.clip) ? QStringLiteral(" ??") : QString();
    const auto volts = [&](double v) {
        return muunna(scale.perDivision, v) + QLatin1Char(' ') + scale.unit() + clip;
    };
    const auto duration = [&](double points) {
        return muunna(100, rate.milliseconds(points)) + QStringLiteral(" ms") + clip;
    };
    const double pw = m.positiveWidth, nw = m.negativeWidth;
    switch (p) {
    case Parameter::DcMean:
        return volts(m.dcMean);
    case Parameter::Max:
        return volts(m.maxVolts);
    case Parameter::Min:
        return volts(m.minVolts);
    case Parameter::PeakToPeak:
        return volts(m.peakToPeak);
    case Parameter::High:
        return volts(m.highVolts);
    case Parameter::Low:
        return volts(m.lowVolts);
    case Parameter::Amplitude:
        return volts(m.amplitude);
    case Parameter::AcRms:
        return volts(m.acRms);
    case Parameter::AcDcRms:
        return volts(m.acDcRms);
    case Parameter::AcDbv:
        return dbText(m.acRms, scale.millivolts, 1, QStringLiteral(" dBV"), clip);
    case Parameter::AcDbm:
        return dbText(m.acRms, scale.millivolts, 0.77459, QStringLiteral(" dBm"), clip);
    case Parameter::AcDcDbv:
        return dbText(m.acDcRms, scale.millivolts, 1, QStringLiteral(" dBV"), clip);
    case Parameter::AcDcDbm:
        return dbText(m.acDcRms, scale.millivolts, 0.77459, QStringLiteral(" dBm"), clip);
    case Parameter::DutyCycle:
        if (pw < 0 || nw < 0 || pw + nw <= 0) return kUnmeasurable;
        return muunna(100, pw * 100 / (pw + nw)) + QStringLiteral(" %") + clip;
    case Parameter::PositiveWidth:
        return pw < 0 ? kUnmeasurable : duration(pw);
    case Parameter::NegativeWidth:
        return nw < 0 ? kUnmeasurable : duration(nw);
    case Parameter::RiseTime:
        return m.riseTime < 0 ? kUnmeasurable : duration(m.riseTime);
    case Parameter::FallTime:
        return m.fallTime < 0 ? kUnmeasurable : duration(m.fallTime);
    case Parameter::Period:
        return pw < 0 || nw < 0 ? kUnmeasurable : duration(pw + nw);
    case Parameter::Frequency:
        if (m.frequency < 0) return kUnmeasurable;
        return muunna(100, m.frequency) + QLatin1Char(' ') + rate.unit();
    case Parameter::Phase:
        break;
    }
    return QString();
}

QString phaseCell(double degrees, int channel) {
    return formatFixed(channel == 0 ? degrees : -degrees, 1) + QStringLiteral(" deg");
}

RmsReadout rms_out(ChannelRecord x, const ChannelScale& scale) {
    const double rms = scale.volts(rmsAbout(x, meanOf(x)));
    bool clipped = false;
    for (int i = 10; i <= 4009 && !clipped; ++i) clipped = x[i] == 0 || x[i] == 255;
    QString rmsText = QStringLiteral("...");
    QString dbmText = QStringLiteral("...");
    if (!clipped) {
        rmsText = formatFixed(rms, 2);
        if (rms > 0) dbmText = formatFixed(20 * std::log10(rms / (scale.millivolts ? 774.59 : 0.77459)), 1);
    }
    return {QStringLiteral("Vrms: ") + rmsText + scale.unit(), dbmText + QStringLiteral("dBm")};
}

} // namespace tarvik
