#include "scope/Demo.h"

#include "base/Numbers.h"
#include "device/CommandSet.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvik {

namespace {

constexpr int kCh1Block = 0;        // channel 1 levels
constexpr int kCh2Block = 300;      // channel 2 levels
constexpr int kDemo1Ch2 = 600;      // square wave
constexpr int kDemo1Ch1 = 900;      // sine with phase and offset
constexpr int kDemo2Ch2 = 1200;     // carrier with side tones
constexpr int kDemo2Ch1 = 1500;     // five periods of a sine
constexpr int kDemo1Slowest = 1999; // time bases above this (10 ns units) show "DEMO 1"
constexpr int kTriggerPoint = 1024; // record point where the trigger edge is placed

struct StepRow {
    int timebaseValue;
    DemoStep step;
};

// Slowest first; a time base takes the first row not slower than itself.
constexpr std::array<StepRow, 16> kSteps{{
    {50000000, {500, 1}}, // 500 ms
    {20000000, {400, 1}}, // 200 ms
    {10000000, {200, 1}}, // 100 ms
    {5000000, {100, 1}},  // 50 ms
    {2000000, {40, 1}},   // 20 ms
    {1000000, {20, 1}},   // 10 ms
    {500000, {10, 1}},    // 5 ms
    {200000, {4, 1}},     // 2 ms
    {100000, {2, 1}},     // 1 ms
    {50000, {2, 2}},      // 0.5 ms
    {20000, {2, 5}},      // 0.2 ms
    {10000, {2, 10}},     // 0.1 ms
    {5000, {2, 20}},      // 50 us
    {2000, {2, 50}},      // 20 us
    {1000, {16, 1}},      // 10 us
    {500, {8, 1}},        // 5 us and the faster steps
}};

// Volts/div range index (5 V .. 0.1 V) to the divisor of the source signal.
constexpr std::array<int, kRanges> kRangeDivisor{200, 100, 50, 20, 10, 5};

std::int16_t rounded(double value) {
    return static_cast<std::int16_t>(roundHalfEven(value));
}

} // namespace

DemoStep demoStepFor(int timebaseValue) {
    for (const StepRow& row : kSteps)
        if (timebaseValue >= row.timebaseValue) return row.step;
    return kSteps.back().step;
}

DemoSignals::DemoSignals(Clock& clock, ScopeController& scope)
    : m_scope(scope), m_pacing(clock.createTimer()) {
    // Counts to two and stops: nothing ticks while no frame is waiting for it.
    m_pacing->onTimeout = [this] {
        if (++m_pacingTicks >= 2) m_pacing->stop();
    };
    buildSignalSets();
}

DemoSignals::~DemoSignals() = default;

void DemoSignals::buildSignalSets() {
    if (m_signalSetsBuilt) return;
    m_signalSetsBuilt = true;
    constexpr double pi = std::numbers::pi;
    for (int i = 0; i < kBlockEntries; ++i) {
        const double x = 2 * pi * i / kBlockEntries;
        const double square = std::sin(x) + std::sin(3 * x) / 3 + std::sin(5 * x) / 5 + std::sin(7 * x) / 7 +
                              std::sin(9 * x) / 9;
        m_table[kDemo1Ch2 + i] = rounded(5000 * square);
        m_table[kDemo1Ch1 + i] = rounded(3000 * std::sin(x + pi / 9) + 2000);
        m_table[kDemo2Ch2 + i] =
            rounded(1000 * std::sin(4 * x) + 3000 * std::sin(5 * x) + 1000 * std::sin(6 * x));
        m_table[kDemo2Ch1 + i] = rounded(3000 * std::sin(5 * x) + 3000);
    }
}

void DemoSignals::tee_demo_taulut() {
    buildSignalSets();
    const int twoVolts = rangeIndexForCaption("2V");
    m_scope.selectRange(0, twoVolts);
    m_scope.selectRange(1, twoVolts);
    m_scope.selectTimebase(QStringLiteral("1ms"));
    m_scope.setPosition(0, -20);
    m_scope.setPosition(1, 20);
    tee_demo(); // also when the controls were already there
}

void DemoSignals::tee_demo() {
    const bool demo1 = m_scope.state().timebase.value > kDemo1Slowest;
    m_scope.setDemoCaption(demo1 ? QStringLiteral("DEMO 1") : QStringLiteral("DEMO 2"));
    buildChannel(0, demo1 ? kDemo1Ch1 : kDemo2Ch1);
    buildChannel(1, demo1 ? kDemo1Ch2 : kDemo2Ch2);
}

void DemoSignals::buildChannel(int channel, int sourceBlock) {
    const ChannelState& ch = m_scope.state().channel[channel];
    const int offset = 128 - 2 * ch.position;
    const int divisor = kRangeDivisor[std::clamp(ch.range, 0, kRanges - 1)];
    const int block = channel == 0 ? kCh1Block : kCh2Block;
    for (int i = 0; i < kBlockEntries; ++i) {
        const int level = m_table[sourceBlock + i] / divisor + offset;
        m_table[block + i] = static_cast<std::int16_t>(level < 1 ? 0 : std::min(level, 255));
    }
}

void DemoSignals::triggaa_demo() {
    const ScopeState& s = m_scope.state();
    const DemoStep step = demoStepFor(s.timebase.value);
    m_step = step.step;
    m_repeat = step.repeat;
    const TriggerState& t = s.trigger;
    if (!t.on) {
        if (m_phase >= kBlockBytes) m_phase = 0;
        m_start = m_phase;
        m_triggered = true;
        return;
    }
    m_triggered = false;
    if (t.source != trig::SourceCh1 && t.source != trig::SourceCh2) return; // Ext: no demo signal
    // The level as a signal level (the control counts from the top of the screen), with a
    // little jitter so that the picture is not frozen.
    int level = 255 - t.level;
    if (level != 0 && level != 255) level += randomBit();
    const int block = t.source == trig::SourceCh1 ? kCh1Block : kCh2Block;
    bool armed = false; // an entry on the near side of the level was seen
    int crossing = -1;
    // The block is one period: the search runs on across its end, so that an edge at the very
    // start of the block (the square wave's rising edge at its mid level) is found too.
    for (int i = 0; i < 2 * kBlockEntries; ++i) {
        const int v = m_table[block + i % kBlockEntries];
        const bool nearSide = t.rising ? v < level : v > level;
        if (!armed) {
            armed = nearSide;
        } else if (v != level && !nearSide) {
            crossing = i % kBlockEntries;
            break;
        }
    }
    if (crossing < 0) return;
    // Back from the crossing by the samples before the trigger point; the table is periodic,
    // so the start is taken modulo one block, never negative.
    const long back = static_cast<long>(m_step) * (kTriggerPoint / m_repeat);
    const long start = (2L * crossing - back) % kBlockBytes;
    m_start = static_cast<int>(start < 0 ? start + kBlockBytes : start);
    m_triggered = true;
}

void DemoSignals::luedemo() {
    m_phase += kFreeRunAdvance;
    if (m_phase >= kBlockBytes) m_phase = 0;
    const ScopeState& s = m_scope.state();
    FrameRecords& records = m_scope.records();
    std::vector<std::int32_t>& out = s.spectrumOn ? records.raw : records.display;
    // Every one of the 4096 points of each channel is written, the last entry only as often
    // as points remain when 4096 is not a multiple of the repeat.
    int position = m_start;
    for (int k = 0; k < kChannelPoints;) {
        const int entry = position / 2;
        const std::int32_t ch1 = m_table[kCh1Block + entry];
        const std::int32_t ch2 = m_table[kCh2Block + entry];
        const int n = std::min(m_repeat, kChannelPoints - k);
        std::fill_n(out.begin() + k, n, ch2);
        std::fill_n(out.begin() + kCh1Base + k, n, ch1);
        k += n;
        position = (position + m_step) % kBlockBytes;
    }
    if (s.spectrumOn) {
        for (int k = 0; k < 2 * kChannelPoints; ++k) records.raw[k] += randomBit();
    } else if (m_scope.consumers.history) {
        m_scope.consumers.history();
    }
}

bool DemoSignals::frameReady(bool single) {
    triggaa_demo();
    if (single) return m_triggered;
    if (!m_requested) { // the first tick after a frame was asked for
        m_requested = true;
        m_pacingTicks = 0;
        const auto ms = roundHalfEven(m_scope.state().timebase.value / 100000.0);
        m_readyAtOnce = ms == 0;
        if (m_readyAtOnce)
            m_pacing->stop();
        else
            m_pacing->start(static_cast<int>(ms) + 1);
    }
    if (!m_triggered || (!m_readyAtOnce && m_pacingTicks < 2)) return false;
    m_requested = false;
    m_pacing->stop();
    return true;
}

void DemoSignals::restart() {
    m_requested = false;
    m_pacingTicks = 0;
    m_pacing->stop();
}

} // namespace tarvik
