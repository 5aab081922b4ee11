#pragma once
// The channel front end: the volts/div ranges and the line from a channel's DAC value to the
// level where 0 V appears on the screen.

#include "scope/Calibration.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvik {

struct RangeRow {
    std::string_view caption; // "5V".."0.1V"
    std::uint8_t key;         // range key of the settings record
    double voltsPerDivision;
    std::string_view analyzerRange; // circuit analyzer input range selected with it (channel 1)
};

// Index 0..5 = 5 V .. 0.1 V per division (the remote-control coding).
inline constexpr int kRanges = 6;
const std::array<RangeRow, kRanges>& rangeTable();
int rangeIndexForKey(std::uint8_t key);             // -1 for an unknown key
int rangeIndexForCaption(std::string_view caption); // -1 for an unknown caption
inline constexpr int kDefaultRange = 1;             // "2V"

enum class Coupling { AC, DC, GND };

// The level (pixels below the graticule top) where 0 V appears for a DAC value: the
// calibration line through the table's three points, rounded half to even; none when the
// table cannot define a line.
std::optional<int> positionValueFor(const ChannelCalibration& table, int dacValue);

} // namespace tarvik
