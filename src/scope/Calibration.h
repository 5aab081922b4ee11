#pragma once
// The calibration results as the configuration keeps them, and the check made on them at
// start-up: a table that cannot define a line, or values no calibration can produce, are
// replaced by the defaults and reported as a failed calibration.

#include <array>

namespace tarvik {

// Three points of a channel's DAC-to-level line: levels pos[i] reached with DAC values ad[i]
// (index 0 mid, 1 low, 2 high).
struct ChannelCalibration {
    std::array<int, 3> pos{128, 32, 224};
    std::array<int, 3> ad{128, 32, 224};

    bool operator==(const ChannelCalibration&) const = default;
};

struct CalibrationValues {
    int offs_1 = 128; // channel 1 zero offset: the DAC value of 0 V at the centre at 2 V/div
    int offs_2 = 128; // channel 2 zero offset
    int v5_offs1 = 0; // channel 1 extra offset of the 0.1 V and 1 V ranges
    int v5_offs2 = 0; // channel 2 extra offset
    std::array<ChannelCalibration, 2> channel{};

    bool operator==(const CalibrationValues&) const = default;
};

// Two equal DAC values leave the line undefined.
bool tableUsable(const ChannelCalibration& table);

// The start-up check. False when the values were unusable: then the tables (and, when an
// offset is out of range, the offsets too) have been reset to their defaults.
bool checkCalibration(CalibrationValues& values);

} // namespace tarvik
