#pragma once
// Synthetic channel records with known answers, for the measurement and spectrum tests.

#include "analysis/Measurements.h"
#include "base/Numbers.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include <QString>
#include <ostream>

// Cell texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tarvik::test {

using Points = std::array<std::int32_t, kChannelPoints>;

// A square wave: `high` for the first half of every period, then `low`; `shift` points late.
inline Points square(int low, int high, int period, int shift = 0) {
    Points x{};
    for (int n = 0; n < kChannelPoints; ++n) {
        const int t = ((n - shift) % period + period) % period;
        x[n] = t < period / 2 ? high : low;
    }
    return x;
}

// centre + amplitude·sin(2π(n − delay)/period), rounded half to even.
inline Points sine(double amplitude, double period, double delay = 0, double centre = 128) {
    Points x{};
    for (int n = 0; n < kChannelPoints; ++n)
        x[n] = static_cast<std::int32_t>(
            roundHalfEven(centre + amplitude * std::sin(2 * std::numbers::pi * (n - delay) / period)));
    return x;
}

inline Points flat(int level) {
    Points x;
    x.fill(level);
    return x;
}

inline ChannelRecord record(const Points& x) {
    return ChannelRecord(x.data(), kChannelPoints);
}

} // namespace tarvik::test
