#include "scope/Calibration.h"

namespace tarvik {

namespace {

bool inByteRange(int v) {
    return v >= 0 && v <= 255;
}

} // namespace

bool tableUsable(const ChannelCalibration& t) {
    return t.ad[0] != t.ad[1] && t.ad[0] != t.ad[2] && t.ad[1] != t.ad[2];
}

bool checkCalibration(CalibrationValues& values) {
    bool ok = true;
    const bool offsetsOk = inByteRange(values.offs_1) && inByteRange(values.offs_2) &&
                           values.v5_offs1 >= -128 && values.v5_offs1 <= 127 && values.v5_offs2 >= -128 &&
                           values.v5_offs2 <= 127;
    if (!offsetsOk) {
        const auto tables = values.channel;
        values = CalibrationValues{};
        values.channel = tables;
        ok = false;
    }
    for (const ChannelCalibration& t : values.channel) {
        for (int i = 0; i < 3; ++i) ok = ok && inByteRange(t.pos[i]) && inByteRange(t.ad[i]);
        ok = ok && tableUsable(t);
    }
    if (!ok) values.channel = {};
    return ok;
}

} // namespace tarvik
