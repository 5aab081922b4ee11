#include "display/Readouts.h"

#include "analysis/Measurements.h"
#include "analysis/Spectrum.h"
#include "base/Numbers.h"
#include "scope/FrontEnd.h"

#include <cmath>
#include <cstdlib>

namespace tarvik {

namespace {

// Fixed notation with a minimum width, padded on the left.
QString padded(double value, int decimals, int width) {
    return formatFixed(value, decimals).rightJustified(width, QLatin1Char(' '));
}

} // namespace

TimeReadout timeReadout(int x1, int x2, const QString& caption) {
    const QString unit = caption.right(2); // "ms" or "us"
    const double perDivision = parseNumber(QStringView(caption).chopped(2)).value_or(0);
    const int pixels = std::abs(x1 - x2);
    const double dt = pixels * perDivision / 50;
    QString inverseUnit = unit == QLatin1String("ms") ? QStringLiteral("kHz") : QStringLiteral("MHz");
    double inverse = dt == 0 ? 0 : 1 / dt;
    if (inverse < 1) {
        inverse *= 1000;
        inverseUnit = inverseUnit == QLatin1String("kHz") ? QStringLiteral("Hz") : QStringLiteral("kHz");
    }
    const QString number = pixels < 2 ? QStringLiteral(" ... ") : padded(inverse, 2, 3);
    return {QStringLiteral("dt: ") + formatFixed(dt, 2) + unit,
            QStringLiteral("1/dt: ") + number + inverseUnit};
}

QString voltageReadout(int y1, int y2, int top, int rangeIndex, int positionValue, bool mathShown) {
    const ChannelScale scale = channelScale(rangeIndex);
    const double r = scale.perDivision;
    QString text = QStringLiteral("dV: ") + formatFixed(r * std::abs(y1 - y2) / 32, 2) + scale.unit();
    if (!mathShown) {
        // A marker's level minus the zero level, in the channel's unit.
        auto at = [&](int y) { return formatFixed(r * (positionValue - y + top) / 32, 2); };
        text += QStringLiteral("  (") + at(y1) + QStringLiteral(") (") + at(y2) + QLatin1Char(')');
    }
    return text;
}

QString frequencyReadout(int bin, int timebaseValue, bool logAxis) {
    if (bin > kChannelPoints || bin < 0) bin = 0;
    if (logAxis && bin > 0) {
        bin = 2 * static_cast<int>(roundHalfEven(std::pow(2048.0, (2.0 * bin + 2215) / 7335)));
        if (bin > kChannelPoints) bin = 0;
    }
    const FrequencyScale scale = frequencyScale(timebaseValue);
    double f = scale.frequency(bin);
    QString unit = scale.unit();
    if (f < 1) {
        f *= 1000;
        unit = scale.megahertz ? QStringLiteral("kHz") : QStringLiteral("Hz");
    }
    return QStringLiteral("f: ") + formatFixed(f, 2) + unit;
}

double binBandwidth(int t) {
    static constexpr int kSpans[] = {50000000, 20000000, 10000000, 5000000, 2000000, 1000000,
                                     500000,   200000,   100000,   50000,   20000,   10000,
                                     5000,     2000,     1000,     500,     250};
    for (int span : kSpans)
        if (span == t) return 10'000'000'000.0 / (4096.0 * t); // the spacing of the spectrum's points
    return 1;
}

QString levelReadout(int y1, int y2, int top, int rangeIndex, SpectrumMarkers kind, int timebaseValue,
                     double densityCorrection) {
    static constexpr double kReference[kRanges] = {20, 12.04, 6, 0, -7.959, -13.979}; // dBV at the top
    const bool bothPlaced = y1 >= top && y2 >= top;
    y1 = std::max(y1, top);
    y2 = std::max(y2, top);
    const double distance = 10.0 * std::abs(y1 - y2) / 32; // 10 dB per 32-pixel division
    if (bothPlaced) // the markers' positions say which reading is wanted ("f && dV" places both)
        return QStringLiteral("dV: ") + formatFixed(distance, 2) + QStringLiteral("dB");
    const int range = rangeIndex >= 0 && rangeIndex < kRanges ? rangeIndex : kDefaultRange;
    double level = kReference[range] - distance;
    QString unit = QStringLiteral("dBV");
    if (kind == SpectrumMarkers::Density) {
        level -= 20 * std::log10(std::sqrt(binBandwidth(timebaseValue))) + densityCorrection;
        unit = QStringLiteral("dBV/sqrt(Hz)");
    }
    return QStringLiteral("V: ") + formatFixed(level, 2) + unit;
}

int frequencyMarkerBin(int x, int left, int zoom, int firstPoint) {
    if (x < left) return firstPoint;
    return (x - left) * 8 * zoom / 16 + firstPoint;
}

} // namespace tarvik
