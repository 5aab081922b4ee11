#pragma once
// The phase between the two channels: the channel 2 record, interpolated to tenths of a point,
// is correlated with a triangular-windowed piece of channel 1 at growing lags, and the phase
// follows from where the correlation peaks and dips repeat. The work arrays are allocated once.

#include "analysis/Measurements.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tarvik {

class PhaseMeter {
public:
    static constexpr int kMaxLag = 20000; // lags in tenths of a point
    static constexpr int kWindow = 2000;  // channel 1 points correlated
    static constexpr int kInterpolation = 10;

    PhaseMeter();

    // `calculate_phase`: degrees by which channel 2 lags channel 1, in -180..180; 0 when no
    // period can be found.
    double calculate_phase(ChannelRecord ch1, ChannelRecord ch2);

    // What the last call found, for tests and diagnostics: the lags (tenths of a point) of the
    // correlation maxima and minima, -1 where none was found, and the last lag computed.
    const std::array<int, 3>& maxima() const { return m_maxima; }
    const std::array<int, 3>& minima() const { return m_minima; }
    int lastLag() const { return m_lastLag; }

private:
    void correlate(int block); // the correlation at lags 10·block .. 10·block + 9

    std::vector<std::int32_t> m_window; // windowed channel 1, kWindow values
    std::vector<std::int32_t> m_levels; // channel 2
    std::vector<std::int32_t> m_steps;  // channel 2's step to the next point
    std::vector<std::int32_t> m_values; // the correlation at every lag, in blocks of ten
    std::array<int, 3> m_maxima{};
    std::array<int, 3> m_minima{};
    int m_lastLag = 0;
};

} // namespace tarvik
