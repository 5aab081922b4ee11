#pragma once
// A model of the instrument as the host sees it through its reports: the front end set by
// settings records, triggered captures of two synthetic signals, frame read-out, streaming,
// the firmware reply and power-off, with faults to inject. The virtual instrument
// (tarvik-sim) serves it on a socket; tests run it in-process.

#include "device/CommandSet.h"
#include "device/Transport.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace tarvik::sim {

inline constexpr int kFrameReports = 34;       // reports of one frame
inline constexpr int kFrameSamples = 1024;     // samples per channel and frame
inline constexpr int kPretriggerSamples = 256; // samples before the trigger point

// Samples per second for a timebase code of the settings record.
double sampleRateForCode(int timebaseCode);

class InstrumentModel {
public:
    enum class State { Idle, Armed, Streaming };

    InstrumentModel();

    // One output report from the host.
    void receive(const Payload& report, std::int64_t nowMs);
    // The next input report the instrument sends at time nowMs, or none while it is quiet.
    std::optional<Payload> next(std::int64_t nowMs);

    // What the host has sent, oldest first.
    const std::vector<Payload>& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    const SettingsRecord& settings() const { return m_settings; }
    State state() const { return m_state; }
    bool poweredOff() const { return m_poweredOff; }
    // The last frame sent: channel 1 and channel 2 samples.
    const std::array<std::uint8_t, kFrameSamples>& lastFrame(int channel) const {
        return m_lastFrame[channel];
    }

    // The sample value a channel reads for a voltage under the current settings.
    int sampleFor(int channel, double volts) const;

    // ---- configuration ----
    std::array<char, 4> firmware{'1', '.', '0', '4'};
    // Milliseconds from arming to a completed capture; negative = the real capture time of
    // 1024 samples at the current sample rate.
    int captureTimeMs = -1;
    // Sample offset error per channel and gain code (1..6), as a real front end has.
    std::array<std::array<int, 7>, 2> offsetError{};
    bool inputsConnected = true; // false: both inputs read 0 V (calibration)
    bool noise = true;           // +-1 level of noise on every sample
    // The input signals at time t seconds: a part without DC, in volts, and a DC part that
    // AC coupling removes.
    std::array<std::function<double(double)>, 2> signal;
    std::array<double, 2> dcVolts{0.5, 0.0};

    // ---- faults ----
    bool silent = false;          // the instrument sends nothing at all
    int reportsUntilSilence = -1; // go silent after this many more reports (-1: never)
    bool disconnected = false;    // the instrument is gone: transports report errors
    int staleBeforeFrame = 0;     // status reports left over before each frame (skipped by the host)
    int garbageBeforeFrame = 0;   // leftover data reports before each frame (taken as data)

private:
    std::optional<Payload> produce(std::int64_t nowMs);
    void queueFrame(std::int64_t nowMs);
    bool findTrigger(double& triggerTime) const;
    double levelOf(int channel, double t) const; // unclipped sample value at time t
    std::uint8_t sampleAt(int channel, double t);
    double sampleRate() const;
    int noiseValue();

    SettingsRecord m_settings{};
    State m_state = State::Idle;
    bool m_poweredOff = false;
    std::int64_t m_armedAt = 0;
    double m_freeRunTime = 0; // signal time of the next untriggered capture
    double m_streamTime = 0;  // signal time of the next streamed sample
    std::uint32_t m_noiseState = 12345;
    std::deque<Payload> m_outbox; // replies and frame reports waiting to be sent
    std::vector<Payload> m_received;
    std::array<std::array<std::uint8_t, kFrameSamples>, 2> m_lastFrame{};
};

} // namespace tarvik::sim
