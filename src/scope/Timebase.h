#pragma once
// The time/div table and the arithmetic of the horizontal scale: one selection fixes the
// timebase code sent to the instrument, the points drawn per pixel, the horizontal position
// range, the captions of the time/div and sample-rate labels and the spectrum's span.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvik {

struct TimebaseRow {
    std::string_view caption;         // time/div caption, "1ms"
    std::uint8_t key;                 // timebase key of the settings record
    int value;                        // time per division in units of 10 ns
    int density;                      // record points per two screen pixels at capture time
    int zoom;                         // horizontal zoom of the display
    std::string_view sampleRateText;  // caption of the sample-rate label; empty: unchanged
    std::string_view spectrumCaption; // caption of the spectrum-range button; empty: none
    int samplesPerSecond;             // the instrument's sample rate
    bool visible;                     // has a visible time/div button
    bool spectrumOnly;                // the "6M" row: reachable only as a spectrum range
};

// Rows in panel order: the sixteen visible steps "500ms".."5us", the spectrum-only "10us" row,
// then the hidden steps "2us".."0.1us".
inline constexpr int kTimebaseRows = 22;
const std::array<TimebaseRow, kTimebaseRows>& timebaseTable();
int timebaseRowIndex(std::string_view caption); // the time/div row of a caption, -1 if none
inline constexpr int kDefaultTimebaseRow = 8;   // "1ms"
inline constexpr int kSpectrumOnlyRow = 16;     // "10us" with density 10 ("6M")

// Keys of the equivalent-time steps.
inline constexpr std::uint8_t kKey20us = 85, kKey10us = 94, kKeyFast = 32;

// Record points advanced per two pixels when a frame captured at `capturedValue` is drawn at
// `value`; with no frame yet (captured value 0) the density itself.
double pointStepFor(int value, int capturedValue, int density);
// Position factor of the horizontal position control: density / (zoom * 5).
double positionFactor(int density, int zoom);
// First record point shown at the left edge for a position of the horizontal control,
// limited to 1..4066.
int startIndexFor(int position, double factor);
struct PositionRange {
    int minimum;
    int maximum;
};
PositionRange positionRangeFor(double factor);

} // namespace tarvik
