#pragma once
// The demo signal source: synthetic frames for running the oscilloscope without an
// instrument. Two signal sets, "DEMO 1" for 20 us/div and slower and "DEMO 2" for faster
// time bases, follow the ranges and positions of both channels, are triggered in software at
// the trigger level with the selected source and slope, and scroll freely with the trigger
// off. The frames go into the same records as real frames; nothing is sent to the instrument.
//
// The demo table holds 1800 entries in six blocks of 300, one period (or, for the "DEMO 2"
// channel 2 signal, several periods) per block:
//   0..299     channel 1 levels for the current settings (0..255)
//   300..599   channel 2 levels for the current settings
//   600..899   "DEMO 1" channel 2: a square wave from five odd harmonics
//   900..1199  "DEMO 1" channel 1: a sine with a 20 degree phase and an offset
//   1200..1499 "DEMO 2" channel 2: a carrier with two side tones
//   1500..1799 "DEMO 2" channel 1: five periods of a sine with an offset
// Positions in the channel blocks are counted in table bytes, two per entry (0..598).

#include "base/Clock.h"
#include "scope/ScopeController.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>

namespace tarvik {

// How the demo walks its table at a time base: table bytes advanced per acquired sample, and
// how many record points each table entry lasts.
struct DemoStep {
    int step;
    int repeat;
};
DemoStep demoStepFor(int timebaseValue); // time per division in 10 ns units

class DemoSignals final : public DemoSource {
public:
    static constexpr int kTableEntries = 1800;
    static constexpr int kBlockEntries = 300;
    static constexpr int kBlockBytes = 2 * kBlockEntries; // a channel block in table bytes
    static constexpr int kFreeRunAdvance = 20;            // table bytes the free-running frame moves

    DemoSignals(Clock& clock, ScopeController& scope);
    ~DemoSignals() override;

    // Demo mode entered: builds the signal sets (once), then sets "2V", "2V", "1ms" and the
    // positions -20 (channel 1) and 20 (channel 2) as the user would.
    void tee_demo_taulut();
    // Channel blocks for the current ranges and positions, and the "DEMO 1"/"DEMO 2" caption.
    void tee_demo();
    // Step and repeat for the time base, then the trigger search that sets the start.
    void triggaa_demo();
    // The frame into the display record (the raw record in spectrum mode), then the history.
    void luedemo();

    // ---- DemoSource ----
    void rebuild() override { tee_demo(); }
    bool frameReady(bool single) override;
    void frame() override { luedemo(); }
    void restart() override;

    // The uniform 0/1 source of the trigger jitter and the spectrum noise.
    void seed(std::uint32_t value) { m_random.seed(value); }

    const std::array<std::int16_t, kTableEntries>& table() const { return m_table; }
    int start() const { return m_start; } // table byte of the next frame's first point
    bool triggered() const { return m_triggered; }
    int step() const { return m_step; }
    int repeat() const { return m_repeat; }
    int freeRunPhase() const { return m_phase; }

private:
    void buildSignalSets();
    void buildChannel(int channel, int sourceBlock);
    int randomBit() { return static_cast<int>(m_random() >> 31); }

    ScopeController& m_scope;
    std::array<std::int16_t, kTableEntries> m_table{};
    bool m_signalSetsBuilt = false;
    int m_phase = 0; // free-run phase, table bytes
    int m_start = 0;
    int m_step = 2;
    int m_repeat = 1;
    bool m_triggered = false;
    // Run pacing: a frame is requested, then delivered once the pacing timer ticked twice
    // (or at once at the fast time bases) and the trigger search succeeded.
    std::unique_ptr<Timer> m_pacing;
    bool m_requested = false;
    bool m_readyAtOnce = false;
    int m_pacingTicks = 0;
    std::mt19937 m_random{std::random_device{}()};
};

} // namespace tarvik
