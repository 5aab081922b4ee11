#include "analysis/Phase.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tarvik {

namespace {

std::int32_t level(std::int32_t v) {
    return std::clamp<std::int32_t>(v, 0, 255); // a damaged file's point must not overflow the products
}

// The ten lags 10a .. 10a + 9 at once. Lag 10a + i reads channel 2 interpolated at point
// a + k + i/10, 10·x[a+k] + i·d[a+k] with d the difference to the next point, so its product
// with w[k] is 10·(w·x) + i·(w·d): two multiplications serve all ten lags, each product then
// being one addition from the one before. Each product is shifted right by 11 bits before it
// is summed, in 32-bit arithmetic (every product stays below 255000 · 2550 < 2^31 for levels
// 0..255). The ifunc picks the widest vector unit present.
__attribute__((target_clones("avx512f", "avx2", "default"))) void
tenLags(const std::int32_t* __restrict w, const std::int32_t* __restrict x, const std::int32_t* __restrict d,
        int n, std::int32_t* __restrict out) {
    std::int32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0, s7 = 0, s8 = 0, s9 = 0;
    for (int k = 0; k < n; ++k) {
        const std::int32_t u = w[k] * x[k];
        const std::int32_t v = w[k] * d[k];
        std::int32_t p = (u << 3) + (u << 1);
        s0 += p >> 11;
        s1 += (p += v) >> 11;
        s2 += (p += v) >> 11;
        s3 += (p += v) >> 11;
        s4 += (p += v) >> 11;
        s5 += (p += v) >> 11;
        s6 += (p += v) >> 11;
        s7 += (p += v) >> 11;
        s8 += (p += v) >> 11;
        s9 += (p += v) >> 11;
    }
    out[0] = s0, out[1] = s1, out[2] = s2, out[3] = s3, out[4] = s4;
    out[5] = s5, out[6] = s6, out[7] = s7, out[8] = s8, out[9] = s9;
}

std::int64_t tenSum(const std::vector<std::int32_t>& c, int newest) {
    std::int64_t s = 0;
    for (int i = newest - 9; i <= newest; ++i) s += c[i];
    return s;
}

// Phase in degrees of a correlation extremum at `start` repeating every `period` tenths.
double phaseOf(int start, int period) {
    if (period <= 0) return 0;
    int s = start;
    if (s > period) s = (s - 1) % period + 1; // the same as taking away whole periods
    const int d = std::abs(s - period) > std::abs(s) ? s : s - period;
    return d * 360.0 / period;
}

} // namespace

PhaseMeter::PhaseMeter()
    : m_window(kWindow), m_levels(kChannelPoints), m_steps(kChannelPoints),
      m_values(kMaxLag + kInterpolation) {}

void PhaseMeter::correlate(int block) {
    tenLags(m_window.data(), m_levels.data() + block, m_steps.data() + block, kWindow,
            m_values.data() + block * kInterpolation);
}

double PhaseMeter::calculate_phase(ChannelRecord ch1, ChannelRecord ch2) {
    m_maxima.fill(-1);
    m_minima.fill(-1);
    m_lastLag = 0;

    std::int64_t total = 0;
    for (const std::int32_t v : ch1) total += level(v);
    const std::int32_t mean = static_cast<std::int32_t>(total / kChannelPoints);
    for (int k = 0; k < kWindow; ++k) m_window[k] = (level(ch1[k]) - mean) * (k <= 1000 ? k : 2000 - k);
    // Channel 2 and the step from each point to the next; the last point has no successor in
    // the channel and is held.
    for (int j = 0; j < kChannelPoints; ++j) {
        m_levels[j] = level(ch2[j]);
        m_steps[j] = j + 1 < kChannelPoints ? level(ch2[j + 1]) - m_levels[j] : 0;
    }

    enum class Region { None, Maximum, Minimum } region = Region::None;
    int maxIndex = 0, minIndex = 0;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int lag = 0; lag <= kMaxLag; ++lag) {
        if (lag % kInterpolation == 0) correlate(lag / kInterpolation);
        m_lastLag = lag;
        if (lag <= 300) continue;
        const std::int64_t n = tenSum(m_values, lag);
        const std::int64_t mid = tenSum(m_values, lag - 145);
        const std::int64_t o = tenSum(m_values, lag - 290);
        if (mid > n && mid > o) {
            if (region == Region::Minimum) ++minIndex;
            if (region != Region::Maximum) best = std::numeric_limits<std::int64_t>::max();
            region = Region::Maximum;
            const std::int64_t figure = std::abs(o - n);
            if (maxIndex < 3 && figure < best) {
                best = figure;
                m_maxima[maxIndex] = lag - 150;
            }
        } else if (mid < n && mid < o) {
            if (region == Region::Maximum) ++maxIndex;
            if (region != Region::Minimum) best = std::numeric_limits<std::int64_t>::max();
            region = Region::Minimum;
            const std::int64_t figure = std::abs(n - o);
            if (minIndex < 3 && figure < best) {
                best = figure;
                m_minima[minIndex] = lag - 150;
            }
        }
        if (maxIndex >= 3 && minIndex >= 3) break;
    }

    // Period and start from the first two extrema, or the second and third when the first
    // lies too close to lag 0 to be a whole one. A pair that was not found gives phase 0.
    const auto pair = [](const std::array<int, 3>& e, bool half) {
        const bool late = e[0] >= 0 && e[0] < 200;
        const int a = late ? e[1] : e[0];
        const int b = late ? e[2] : e[1];
        if (a < 0 || b < 0) return 0.0;
        const int period = b - a;
        if (period <= 0) return 0.0;
        return phaseOf(half ? a + period / 2 : a, period);
    };
    const double fromMaxima = pair(m_maxima, false);
    const double fromMinima = pair(m_minima, true);
    if (fromMaxima * fromMinima > 0) return (fromMaxima + fromMinima) / 2;
    double result = fromMaxima;
    if (fromMaxima == 0) result = fromMinima;
    if (fromMinima == 0) result = fromMaxima;
    return result;
}

} // namespace tarvik
