#include "scope/Records.h"

#include <algorithm>
#include <cstdlib>

namespace tarvik {

namespace {

constexpr int kSamples = 1024;
constexpr int kCh2Bytes = 1088; // first byte of channel 2 in the frame
constexpr int kSmoothedBytes = 1031;

} // namespace

FrameRecords::FrameRecords()
    : raw(kRecordPoints, 0), display(kRecordPoints, 0),
      ring(static_cast<std::size_t>(kMaxAveraging) * kRecordPoints, 0) {}

NoiseRejectStore::NoiseRejectStore()
    : frames(static_cast<std::size_t>(3) * kRecordPoints, 0), frame(kRecordPoints, 0) {}

void decodeRaw(FrameRecords& r) {
    for (int i = 0; i < kSamples; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.raw[4 * i + j] = r.receive[kCh2Bytes + i];
            r.raw[kCh1Base + 4 * i + j] = r.receive[i];
        }
    }
}

void smoothFrame(FrameRecords& r) {
    // Each byte lasts four points; a point is the mean of the four values from it on.
    std::array<std::array<std::uint8_t, kChannelPoints>, 2> points;
    for (int ch = 0; ch < 2; ++ch) {
        const std::uint8_t* bytes = r.receive.data() + (ch == 0 ? 0 : kCh2Bytes);
        for (int k = 0; k < kChannelPoints; ++k) {
            int sum = 0;
            for (int j = k; j < k + 4; ++j) sum += bytes[j / 4];
            points[ch][k] = static_cast<std::uint8_t>(sum / 4);
        }
        static_assert((kChannelPoints + 3) / 4 < kSmoothedBytes);
    }
    for (int k = 0; k < kChannelPoints; ++k) {
        r.receive[2 * k] = points[0][k];
        r.receive[2 * k + 1] = points[1][k];
    }
}

void substituteGround(FrameRecords& r, int channel) {
    long sum = 0;
    for (int k = 0; k < kChannelPoints; ++k) sum += r.smoothed(channel, k);
    const auto mean = static_cast<std::uint8_t>(sum / kChannelPoints);
    for (int k = 0; k < kChannelPoints; ++k) r.receive[2 * k + channel] = mean;
}

void copyToDisplay(FrameRecords& r) {
    for (int k = 0; k < kChannelPoints; ++k) {
        r.display[k] = r.smoothed(1, k);
        r.display[kCh1Base + k] = r.smoothed(0, k);
    }
}

void averageIntoDisplay(FrameRecords& r, int count) {
    std::uint8_t* slot = r.ringFrame(r.ringIndex);
    for (int k = 0; k < kChannelPoints; ++k) {
        slot[k] = r.smoothed(1, k);
        slot[kCh1Base + k] = r.smoothed(0, k);
    }
    if (++r.ringIndex >= count) r.ringIndex = 0;
    std::fill(r.display.begin(), r.display.end(), 0);
    for (int f = 0; f < count; ++f) {
        const std::uint8_t* frame = r.ringFrame(f);
        for (int p = 0; p < kRecordPoints; ++p) r.display[p] += frame[p];
    }
    for (int p = 0; p < kRecordPoints; ++p) r.display[p] /= count;
}

bool noiseReject(FrameRecords& r, NoiseRejectStore& s, int channel, bool rising) {
    for (int k = 0; k < kChannelPoints; ++k) {
        s.frame[k] = r.smoothed(1, k);
        s.frame[kCh1Base + k] = r.smoothed(0, k);
    }
    const int base = channel == 0 ? kCh1Base : 0;
    int before = 0, after = 0;
    for (int k = 1000; k <= 1024; ++k) before += s.frame[base + k];
    for (int k = 1025; k <= 1049; ++k) after += s.frame[base + k];
    const bool accepted = rising ? after > before : after < before;
    if (accepted) {
        std::copy(s.frame.begin(), s.frame.end(), s.slot(s.fillIndex));
        s.fillIndex = (s.fillIndex + 1) % 3;
        ++s.accepted;
        const int diff = std::abs(before - after);
        // A first pair, or an edge far larger or smaller than the last: start the store afresh.
        if (s.accepted == 2 || diff > 5 * s.referenceDiff || 5 * diff < s.referenceDiff)
            for (int i = 0; i < 3; ++i) std::copy(s.frame.begin(), s.frame.end(), s.slot(i));
        s.referenceDiff = diff;
    }
    std::copy(s.slot(s.showIndex), s.slot(s.showIndex) + kRecordPoints, r.display.begin());
    s.showIndex = (s.showIndex + 1) % 3;
    return accepted;
}

} // namespace tarvik
