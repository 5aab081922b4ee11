#include "scope/Timebase.h"

#include "base/Numbers.h"

#include <algorithm>

namespace tarvik {

const std::array<TimebaseRow, kTimebaseRows>& timebaseTable() {
    static constexpr std::array<TimebaseRow, kTimebaseRows> table{{
        {"500ms", 5, 50000000, 4, 2, "50S/s", "120Hz", 50, true, false},
        {"200ms", 2, 20000000, 4, 2, "125S/s", "300Hz", 125, true, false},
        {"100ms", 93, 10000000, 4, 2, "250S/s", "125Hz", 250, true, false},
        {"50ms", 64, 5000000, 4, 2, "500S/s", "250Hz", 500, true, false},
        {"20ms", 65, 2000000, 4, 2, "1.25kS/s", "625Hz", 1250, true, false},
        {"10ms", 66, 1000000, 4, 2, "2.5kS/s", "1.25kHz", 2500, true, false},
        {"5ms", 80, 500000, 4, 2, "5kS/s", "2.5kHz", 5000, true, false},
        {"2ms", 81, 200000, 4, 2, "12.5kS/s", "6.25kHz", 12500, true, false},
        {"1ms", 82, 100000, 4, 2, "25kS/s", "12.5kHz", 25000, true, false},
        {"0.5ms", 88, 50000, 4, 2, "50kS/s", "25kHz", 50000, true, false},
        {"0.2ms", 89, 20000, 4, 2, "125kS/s", "62.5kHz", 125000, true, false},
        {"0.1ms", 90, 10000, 4, 2, "250kS/s", "125kHz", 250000, true, false},
        {"50us", 92, 5000, 4, 2, "500kS/s", "1.2M", 500000, true, false},
        {"20us", 85, 2000, 4, 2, "1.25MS/s", "3M", 1250000, true, false},
        {"10us", 94, 1000, 4, 2, "2.5MS/s", "12M", 2500000, true, false},
        {"5us", 32, 500, 2, 2, "2.5MS/s", "25M", 2500000, true, false},
        {"10us", 94, 1000, 10, 2, "", "6M", 2500000, false, true},
        {"2us", 32, 500, 2, 2, "25MS/s", "", 2500000, false, false},
        {"1us", 32, 500, 1, 2, "25MS/s", "", 2500000, false, false},
        {"0.5us", 32, 500, 1, 4, "25MS/s", "", 2500000, false, false},
        {"0.2us", 32, 500, 1, 10, "25MS/s", "", 2500000, false, false},
        {"0.1us", 32, 500, 1, 20, "25MS/s", "", 2500000, false, false},
    }};
    return table;
}

int timebaseRowIndex(std::string_view caption) {
    const auto& table = timebaseTable();
    for (int i = 0; i < kTimebaseRows; ++i)
        if (!table[i].spectrumOnly && table[i].caption == caption) return i;
    return -1;
}

double pointStepFor(int value, int capturedValue, int density) {
    if (capturedValue <= 0) return density; // no frame captured yet: nothing to rescale
    const double step = static_cast<double>(value) / capturedValue * density;
    return step >= 65535 ? 100 : step;
}

double positionFactor(int density, int zoom) {
    return static_cast<double>(density) / (zoom * 5);
}

int startIndexFor(int position, double factor) {
    const auto start = roundHalfEven((position - 32) * factor * 32) + 1024;
    return static_cast<int>(std::clamp<std::int64_t>(start, 1, 4066));
}

PositionRange positionRangeFor(double factor) {
    return {static_cast<int>(roundHalfEven((1024 * factor - 1024) / (32 * factor))),
            static_cast<int>(roundHalfEven((1024 * factor + 3072) / (32 * factor)))};
}

} // namespace tarvik
