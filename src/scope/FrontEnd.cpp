#include "scope/FrontEnd.h"

#include "base/Numbers.h"

namespace tarvik {

const std::array<RangeRow, kRanges>& rangeTable() {
    static constexpr std::array<RangeRow, kRanges> table{{
        {"5V", 1, 5.0, "3V"},
        {"2V", 27, 2.0, "1V"},
        {"1V", 11, 1.0, "0.3V"},
        {"0.5V", 29, 0.5, "0.1V"},
        {"0.2V", 13, 0.2, "30mV"},
        {"0.1V", 30, 0.1, "10mV"},
    }};
    return table;
}

int rangeIndexForKey(std::uint8_t key) {
    for (int i = 0; i < kRanges; ++i)
        if (rangeTable()[i].key == key) return i;
    return -1;
}

int rangeIndexForCaption(std::string_view caption) {
    for (int i = 0; i < kRanges; ++i)
        if (rangeTable()[i].caption == caption) return i;
    return -1;
}

std::optional<int> positionValueFor(const ChannelCalibration& t, int dacValue) {
    if (!tableUsable(t)) return std::nullopt;
    const double x0 = t.ad[0], x1 = t.ad[1], x2 = t.ad[2];
    const double y0 = t.pos[0], y1 = t.pos[1], y2 = t.pos[2];
    const double a = ((y2 - y1) / (x2 - x1) + (y2 - y0) / (x2 - x0) + (y0 - y1) / (x0 - x1)) / 3;
    const double b = ((y1 - a * x1) + (y0 - a * x0) + (y2 - a * x2)) / 3;
    return static_cast<int>(roundHalfEven(a * dacValue + b));
}

} // namespace tarvik
