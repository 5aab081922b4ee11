#pragma once
// The frame records every display and analysis reads, and the decoder that fills them.
//
// A frame from the instrument is 34 reports of 64 bytes: bytes 0..1023 are channel 1's 1024
// samples, 1088..2111 channel 2's, and the 64 bytes after each channel are the samples that
// follow (only their first 7 enter the smoothing). Both records hold four points per sample,
// channel 2 in points 0..4095 and channel 1 in points 4096..8191; point 8192 is a spare.

#include <array>
#include <cstdint>
#include <vector>

namespace tarvik {

inline constexpr int kFrameBytes = 34 * 64; // bytes of one frame from the instrument
inline constexpr int kReceiveBufferSize = 8192;
inline constexpr int kChannelPoints = 4096; // record points per channel
inline constexpr int kRecordPoints = 8193;  // both channels and the spare point
inline constexpr int kCh1Base = 4096;       // first point of channel 1 in a record
inline constexpr int kMaxAveraging = 128;   // frames in the averaging ring

struct FrameRecords {
    FrameRecords();

    // The raw frame while reading; after decoding, 4096 interleaved pairs of smoothed points
    // (byte 2k channel 1, byte 2k + 1 channel 2).
    std::array<std::uint8_t, kReceiveBufferSize> receive{};
    std::vector<std::int32_t> raw;     // unsmoothed, each sample on 4 points
    std::vector<std::int32_t> display; // smoothed, ground-substituted, averaged: what is drawn
    std::vector<std::uint8_t> ring;    // averaging ring: kMaxAveraging frames of kRecordPoints
    int ringIndex = 0;

    // Channel point k of the decoded receive buffer (channel 0 = channel 1).
    std::uint8_t smoothed(int channel, int k) const { return receive[2 * k + channel]; }
    std::uint8_t* ringFrame(int index) {
        return ring.data() + static_cast<std::size_t>(index) * kRecordPoints;
    }
};

// "Noise Reject": a store of the last three accepted frames. A triggered frame is accepted
// when its edge at the trigger point has the selected slope; the display then cycles through
// the stored frames, so a rejected frame never shows.
struct NoiseRejectStore {
    NoiseRejectStore();
    std::vector<std::int32_t> frames; // three frames of kRecordPoints
    std::vector<std::int32_t> frame;  // the frame being judged, in the display record's layout
    int fillIndex = 0;
    int showIndex = 0;
    int accepted = 0;      // frames accepted since the last reset
    int referenceDiff = 0; // edge size of the last accepted frame
    std::int32_t* slot(int i) { return frames.data() + static_cast<std::size_t>(i) * kRecordPoints; }
};

// Decoder steps, in the order the acquisition runs them.
// Raw record from the frame bytes in `receive`.
void decodeRaw(FrameRecords& r);
// Four-fold smoothing of both channels, written interleaved into `receive`.
void smoothFrame(FrameRecords& r);
// Every point of a grounded channel becomes the truncated mean of its points.
void substituteGround(FrameRecords& r, int channel);
// Display record straight from the smoothed points.
void copyToDisplay(FrameRecords& r);
// Stores the smoothed frame in the ring and sets the display record to the mean of the first
// `count` ring entries of every point (a moving average over the last `count` frames).
void averageIntoDisplay(FrameRecords& r, int count);
// Judges the smoothed frame by the edge of `channel` (0 = channel 1) at the trigger point,
// stores it when accepted and sets the display record to the next stored frame. True when
// the frame was accepted.
bool noiseReject(FrameRecords& r, NoiseRejectStore& store, int channel, bool rising);

} // namespace tarvik
