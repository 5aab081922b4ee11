#pragma once
// Automatic measurements of a channel record (4096 points, levels 0..255, 32 levels per
// division, four points per acquired sample): levels, voltages, RMS and dB values, pulse
// widths, edge times, period and frequency, and the cell texts of the "Waveform Parameters"
// window. Everything here is plain computation on the record handed in; nothing allocates
// except the texts.

#include "scope/Records.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarvik {

class FftTransform;

// One channel's half of a record.
using ChannelRecord = std::span<const std::int32_t, kChannelPoints>;
// Channel `channel` (0 = channel 1, at points 4096..8191; 1 = channel 2, at 0..4095) of a record.
ChannelRecord channelRecord(std::span<const std::int32_t> record, int channel);

// The volts/div of a range in the unit its values are shown in: "0.2V" and "0.1V" read in mV.
struct ChannelScale {
    double perDivision = 2; // r: 5, 2, 1, 0.5 (V) or 200, 100 (mV)
    bool millivolts = false;
    QString unit() const { return millivolts ? QStringLiteral("mV") : QStringLiteral("V"); }
    double volts(double levels) const { return levels * perDivision / 32; } // levels -> the unit
};
ChannelScale channelScale(int rangeIndex); // index into rangeTable(); bad indexes read as "2V"

// Record points per second at a time/div (four times the instrument's rate; "5us" and faster
// run at the rate of "10us"), in Hz below 100000 and in kHz from there.
struct MeasurementRate {
    double perSecond = 100; // R, in Hz or kHz
    bool kilohertz = true;  // the unit U
    QString unit() const { return kilohertz ? QStringLiteral("kHz") : QStringLiteral("Hz"); }
    double milliseconds(double points) const {
        return kilohertz ? points / perSecond : points * 1000 / perSecond;
    }
};
MeasurementRate measurementRate(int timebaseValue);
inline constexpr int kSpectrumFallbackBelow = 100000; // time/div values faster than 1 ms

// The number text of a measured value: fixed notation, decimals chosen by `a`. Callers pass
// 100 for dB, %, time and frequency values (decimals by the size of v), otherwise the range's
// volts/div r (decimals by the size of one level, r / 32).
QString muunna(double a, double v);

// ---- the routines of the measurement ----

struct HighLow {
    int high = 0;
    int low = 0;
};
// The flat top and base of a waveform, from the smoothed level histogram; `max` > `min`.
HighLow high_low(ChannelRecord x, int max, int min);

// Rising crossings of a threshold and the runs between them.
struct Widths {
    int span = 0;         // A: points between the first and the last rising crossing
    std::int64_t sum = 0; // B: points in the longest quarter of the runs
    int count = 0;        // C: runs counted in B; 0 without crossings, -1 without runs of 3 or more
};
Widths p_width(ChannelRecord x, int threshold); // runs above the threshold
Widths n_width(ChannelRecord x, int threshold); // runs below the threshold

// Mean duration in points of the edges crossing from `low` to `high` (rise) or from `high`
// to `low` (fall); -1 when there is no such edge.
int risetime(ChannelRecord x, int low, int high);
int falltime(ChannelRecord x, int low, int high);

// ---- one channel ----

enum class Clip { None, Top, Bottom, Both }; // which clipped end makes a cell show " ??"

struct ChannelInput {
    ChannelRecord points;
    int zeroLevel = 128; // Z: the level of 0 V
    ChannelScale scale;
};

// Everything measured on one channel; -1 marks a time value that could not be measured.
struct ChannelMeasurement {
    int mean = 0, max = 0, min = 0, high = 0, low = 0; // levels
    double dcMean = 0, maxVolts = 0, minVolts = 0, peakToPeak = 0, highVolts = 0, lowVolts = 0, amplitude = 0;
    double acRms = 0, acDcRms = 0;      // in the channel's unit
    double positiveWidth = -1;          // points
    double negativeWidth = -1;          // points
    int riseTime = -1, fallTime = -1;   // points
    double frequency = -1;              // in the rate's unit
    bool frequencyFromSpectrum = false; // taken from the spectrum peak
    bool clipped(Clip end) const;
};

// Measures one channel. `rate` and `timebaseValue` are those of the frame; `fft` serves the
// spectrum-peak frequency of a waveform too fast for its runs to be counted.
ChannelMeasurement measureChannel(const ChannelInput& in, const MeasurementRate& rate, int timebaseValue,
                                  FftTransform& fft);

// ---- the window's rows ----

enum class Parameter {
    DcMean,
    Max,
    Min,
    PeakToPeak,
    High,
    Low,
    Amplitude,
    AcRms,
    AcDbv,
    AcDbm,
    AcDcRms,
    AcDcDbv,
    AcDcDbm,
    DutyCycle,
    PositiveWidth,
    NegativeWidth,
    RiseTime,
    FallTime,
    Period,
    Frequency,
    Phase
};
inline constexpr int kParameters = 21;

struct ParameterRow {
    Parameter parameter;
    int gridRow;                   // row of the window's grid (0 and 14 carry headings)
    std::string_view checkCaption; // the check box
    std::string_view copyLabel;    // the label in the parameter text
    Clip clip;                     // which clipped end the cell marks
    bool levelDependent;           // cleared when the trace was moved after the capture
};
const std::array<ParameterRow, kParameters>& parameterTable();

// The cell of a parameter (not Phase) for a measured channel.
QString parameterCell(Parameter p, const ChannelMeasurement& m, const ChannelScale& scale,
                      const MeasurementRate& rate);
// The Phase cell: channel 1 shows the phase, channel 2 its negation.
QString phaseCell(double degrees, int channel);

// ---- the RMS and dBm readouts of the screen ----

struct RmsReadout {
    QString rms; // "Vrms: 1.41V"
    QString dbm; // "5.2dBm"
};
// `rms_out` for one channel (CH1 while CH1 is on, otherwise CH2).
RmsReadout rms_out(ChannelRecord x, const ChannelScale& scale);

} // namespace tarvik
