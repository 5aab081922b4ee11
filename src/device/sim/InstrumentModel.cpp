#include "device/sim/InstrumentModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvik::sim {

namespace {

constexpr double kVoltsPerDivision[7] = {2.0, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0}; // by gain code; 0 = unknown

double squareWave(double t, double frequency) {
    return std::fmod(t * frequency, 1.0) < 0.5 ? 1.0 : -1.0;
}

} // namespace

double sampleRateForCode(int timebaseCode) {
    static constexpr double rates[] = {25000, 50,    125,   250,    500,    1250,   2500,    5000,
                                       12500, 25000, 50000, 125000, 250000, 500000, 1250000, 2500000};
    if (timebaseCode >= 1 && timebaseCode <= 15) return rates[timebaseCode];
    return 25000; // the codes used outside the oscilloscope
}

InstrumentModel::InstrumentModel() {
    // Channel 1: a 1 kHz sine of 1.5 V amplitude on 0.5 V; channel 2: a 1 kHz square of +-1 V.
    signal[0] = [](double t) { return 1.5 * std::sin(2 * std::numbers::pi * 1000.0 * t); };
    signal[1] = [](double t) { return squareWave(t + 0.00025, 1000.0); };
    FrontEndState defaults;
    m_settings = buildSettingsRecord(defaults, m_settings);
}

double InstrumentModel::sampleRate() const {
    return sampleRateForCode(m_settings[5]);
}

int InstrumentModel::noiseValue() {
    if (!noise) return 0;
    m_noiseState = m_noiseState * 1664525u + 1013904223u;
    return static_cast<int>((m_noiseState >> 16) % 3) - 1;
}

int InstrumentModel::sampleFor(int channel, double volts) const {
    int gain = m_settings[channel];
    if (gain < 1 || gain > 6) gain = 0;
    const int dac = 255 - m_settings[2 + channel];
    const double zero = 255 - dac + offsetError[channel][gain];
    return static_cast<int>(std::floor(zero + volts * 32.0 / kVoltsPerDivision[gain] + 0.5));
}

double InstrumentModel::levelOf(int channel, double t) const {
    double volts = 0;
    if (inputsConnected && signal[channel]) {
        volts = signal[channel](t);
        if (!m_settings[9 + channel]) volts += dcVolts[channel]; // AC coupling blocks the DC part
    }
    return sampleFor(channel, volts);
}

std::uint8_t InstrumentModel::sampleAt(int channel, double t) {
    return static_cast<std::uint8_t>(
        std::clamp(static_cast<int>(levelOf(channel, t)) + noiseValue(), 0, 255));
}

bool InstrumentModel::findTrigger(double& triggerTime) const {
    const int source = m_settings[6] == 1 ? 1 : 0;
    const double threshold = 255 - m_settings[4];
    const bool rising = m_settings[8] == 0;
    const double rate = sampleRate();
    const double start = m_freeRunTime + kPretriggerSamples / rate;
    const int span = std::max(kFrameSamples, static_cast<int>(std::ceil(0.002 * rate)));
    auto clipped = [&](double t) { return std::clamp(levelOf(source, t), 0.0, 255.0); };
    double previous = clipped(start);
    for (int k = 1; k <= span; ++k) {
        const double t = start + k / rate;
        const double value = clipped(t);
        if (rising ? (previous < threshold && value >= threshold)
                   : (previous > threshold && value <= threshold)) {
            triggerTime = t;
            return true;
        }
        previous = value;
    }
    return false;
}

void InstrumentModel::receive(const Payload& report, std::int64_t nowMs) {
    m_received.push_back(report);
    switch (report[0]) {
    case cmd::Stop:
        m_state = State::Idle;
        m_outbox.clear();
        break;
    case cmd::ReadFrame:
        queueFrame(nowMs);
        break;
    case cmd::Arm:
        m_state = State::Armed;
        m_armedAt = nowMs;
        break;
    case cmd::Stream:
        m_state = State::Streaming;
        break;
    case cmd::Settings:
        if (report[1] >= 1 && report[1] <= 6 && report[2] >= 1 && report[2] <= 6)
            std::copy_n(report.begin() + 1, m_settings.size(), m_settings.begin());
        break;
    case cmd::Firmware: {
        Payload reply{};
        std::copy(firmware.begin(), firmware.end(), reply.begin());
        m_outbox.push_back(reply);
        break;
    }
    case cmd::PowerOff:
        m_poweredOff = true;
        m_state = State::Idle;
        break;
    default:
        break;
    }
}

void InstrumentModel::queueFrame(std::int64_t) {
    for (int i = 0; i < staleBeforeFrame; ++i) {
        Payload stale{};
        stale[0] = (i % 2) ? 100 : 0;
        stale[1] = (i % 2) ? 200 : 0;
        m_outbox.push_back(stale);
    }
    for (int i = 0; i < garbageBeforeFrame; ++i) {
        Payload garbage;
        garbage.fill(0x55);
        m_outbox.push_back(garbage);
    }
    const double rate = sampleRate();
    double t0 = m_freeRunTime;
    double trigger = 0;
    if (m_settings[7] == 1 && findTrigger(trigger)) t0 = trigger - kPretriggerSamples / rate;
    // 1088 samples per channel: the frame's 1024 and the 64 that follow them.
    std::array<std::uint8_t, 2176> bytes{};
    for (int ch = 0; ch < 2; ++ch) {
        for (int k = 0; k < 1088; ++k) {
            const std::uint8_t v = sampleAt(ch, t0 + k / rate);
            bytes[ch * 1088 + k] = v;
            if (k < kFrameSamples) m_lastFrame[ch][k] = v;
        }
    }
    for (int r = 0; r < kFrameReports; ++r) {
        Payload report;
        std::copy_n(bytes.begin() + r * 64, 64, report.begin());
        m_outbox.push_back(report);
    }
    // A free-running capture starts wherever the signal happens to be.
    m_freeRunTime = t0 + kFrameSamples / rate + 0.000137;
    m_state = State::Idle;
}

std::optional<Payload> InstrumentModel::produce(std::int64_t nowMs) {
    if (!m_outbox.empty()) {
        Payload report = m_outbox.front();
        m_outbox.pop_front();
        return report;
    }
    Payload report{};
    switch (m_state) {
    case State::Idle:
        return std::nullopt;
    case State::Armed: {
        const double rate = sampleRate();
        const std::int64_t captureMs =
            captureTimeMs >= 0 ? captureTimeMs
                               : static_cast<std::int64_t>(std::ceil(kFrameSamples * 1000.0 / rate));
        double trigger = 0;
        const bool triggered = m_settings[7] != 1 || findTrigger(trigger);
        if (triggered && nowMs - m_armedAt >= captureMs) {
            report[0] = 100;
            report[1] = 200;
        }
        return report; // a status report (first byte 0) while the capture runs
    }
    case State::Streaming: {
        const double rate = sampleRate();
        for (int i = 0; i < 32; ++i) {
            report[2 * i] = sampleAt(0, m_streamTime + i / rate);
            report[2 * i + 1] = sampleAt(1, m_streamTime + i / rate);
        }
        m_streamTime += 32 / rate;
        return report;
    }
    }
    return std::nullopt;
}

std::optional<Payload> InstrumentModel::next(std::int64_t nowMs) {
    if (silent || reportsUntilSilence == 0) return std::nullopt;
    auto report = produce(nowMs);
    if (report && reportsUntilSilence > 0) --reportsUntilSilence;
    return report;
}

} // namespace tarvik::sim
