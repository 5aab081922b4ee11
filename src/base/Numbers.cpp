#include "base/Numbers.h"

#include <QRegularExpression>
#include <algorithm>
#include <cfenv>
#include <cmath>

namespace tarvik {

std::int64_t roundHalfEven(double value) {
    // nearbyint honours the current rounding mode; the program never changes it from
    // FE_TONEAREST, but be explicit so a library that does cannot change our results.
    const int previous = std::fegetround();
    if (previous != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    if (previous != FE_TONEAREST) std::fesetround(previous);
    return static_cast<std::int64_t>(r);
}

QString formatFixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 9);
    if (!std::isfinite(value)) value = 0;
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const std::int64_t scaled = roundHalfEven(value * scale);
    const bool negative = scaled < 0;
    const auto magnitude = static_cast<std::uint64_t>(negative ? -scaled : scaled);
    const auto whole = magnitude / static_cast<std::uint64_t>(scale);
    QString text = QString::number(whole);
    if (decimals > 0) {
        const auto fraction = magnitude % static_cast<std::uint64_t>(scale);
        text += QLatin1Char('.') + QString::number(fraction).rightJustified(decimals, QLatin1Char('0'));
    }
    return negative ? QLatin1Char('-') + text : text;
}

std::optional<double> parseNumber(QStringView text, bool allowComma) {
    QString t = text.trimmed().toString();
    if (allowComma) t.replace(QLatin1Char(','), QLatin1Char('.'));
    // Sign, digits with at most one ".", at least one digit, optional exponent.
    static const QRegularExpression pattern(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!pattern.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace tarvik
