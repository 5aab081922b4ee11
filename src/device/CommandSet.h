#pragma once
// The instrument's command set: command codes, the 11-byte settings record that carries the
// whole oscilloscope front end, and the senders every part of the program goes through.
// Senders write only when demo mode is off and the device is opened; the state still
// changes in demo mode, so the screen follows the controls.

#include "device/DeviceLink.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace tarvik {

namespace cmd {
inline constexpr std::uint8_t GeneratorLoad = 4;   // followed by 8 raw reports of waveform
inline constexpr std::uint8_t GeneratorUpdate = 6; // ends every generator upload
inline constexpr std::uint8_t Stop = 9;            // stop / reset the acquisition
inline constexpr std::uint8_t ReadFrame = 10;      // send the captured frame
inline constexpr std::uint8_t Arm = 11;            // start a capture
inline constexpr std::uint8_t Stream = 12;         // start streaming live samples
inline constexpr std::uint8_t Settings = 14;       // settings record in bytes 1..11
inline constexpr std::uint8_t Firmware = 15;       // firmware version query
inline constexpr std::uint8_t PowerOff = 20;       // power down the front end
} // namespace cmd

// Range keys of the volts/div ranges.
namespace range {
inline constexpr std::uint8_t V5 = 1, V2 = 27, V1 = 11, V05 = 29, V02 = 13, V01 = 30;
}

// Trigger codes as the front end keeps them.
namespace trig {
inline constexpr std::uint8_t SourceCh1 = 16, SourceCh2 = 0, SourceExt = 1;
inline constexpr std::uint8_t ModeOn = 0, ModeOff = 64;
inline constexpr std::uint8_t EdgeRising = 32, EdgeFalling = 0;
} // namespace trig

inline constexpr std::uint8_t kDefaultTimebaseKey = 82; // "1ms"

// The front end as it reaches the instrument. Index 0 is channel 1, index 1 channel 2.
struct FrontEndState {
    std::array<std::uint8_t, 2> rangeKey{range::V2, range::V2};
    std::array<std::uint8_t, 2> dacByte{128, 128}; // offset DAC value of each channel
    std::uint8_t triggerLevel = 127;               // level byte as sent (demo keeps 255 - level)
    std::uint8_t timebaseKey = kDefaultTimebaseKey;
    std::uint8_t triggerSource = trig::SourceCh1;
    std::uint8_t triggerMode = trig::ModeOff;
    std::uint8_t triggerEdge = trig::EdgeRising;
    std::array<std::uint8_t, 2> acFlag{0, 0}; // 1 = AC coupling
};

// What the offset DACs are made of: the calibrated zero offsets (offs_1, offs_2), the
// calibrated extra offsets of the 0.1 V and 1 V ranges (v5_offs1, v5_offs2) and the
// vertical position controls (-128..127).
struct DacInputs {
    std::array<int, 2> zeroOffset{128, 128};
    std::array<int, 2> rangeOffsetCal{0, 0};
    std::array<int, 2> position{0, 0};
};

using SettingsRecord = std::array<std::uint8_t, 11>;

int gainCode(std::uint8_t rangeKey);         // 6..1 for 5 V..0.1 V; 0 for an unknown key
int timebaseCode(std::uint8_t timebaseKey);  // 0 for an unknown key
bool usesRangeOffset(std::uint8_t rangeKey); // the 0.1 V and 1 V ranges
// The range offset a channel's DAC gets on its current range.
int rangeOffset(std::uint8_t rangeKey, int calibratedRangeOffset);
// The position limited so that it cannot carry the DAC sum out of 0..255:
// with base = (zero offset + range offset) mod 256, 255 - base when base + position > 255,
// -base when base + position < 0.
int positionByteFor(int zeroOffset, int rangeOffset, int position);
// 8-bit DAC sum: zero offset + range offset + position byte, wrapping modulo 256.
std::uint8_t dacSum(int zeroOffset, int rangeOffset, int positionByte);
// The settings record for `state`; byte 6 repeats `previous` when the source is Ext.
SettingsRecord buildSettingsRecord(const FrontEndState& state, const SettingsRecord& previous);
// Acquisition-control code for a (state, substate) pair: 9, 10, 11, 12, or none.
std::optional<std::uint8_t> resetCode(int state, int substate);

class CommandSet {
public:
    explicit CommandSet(DeviceLink& link) : m_link(link) {}

    FrontEndState frontEnd;
    DacInputs dac;

    const SettingsRecord& settingsRecord() const { return m_record; }
    DeviceLink& link() const { return m_link; }

    void Set500();   // rebuild the record; send it unless in demo mode
    void asetus_1(); // send the record (code 14) when sending is allowed
    // Recompute both DAC bytes, the position bytes limited against the current range
    // offsets, then Set500.
    void Set_DACs();
    int positionByte(int channel) const { return m_positionByte[channel]; }
    // Zero offset + position byte (without the range offset): the input of the calibration line.
    int dacValue(int channel) const { return dac.zeroOffset[channel] + m_positionByte[channel]; }
    void Reset_500(int state, int substate); // acquisition-control command

    // The four records that put the trigger logic in a known state at start-up; the front
    // end keeps the values of the last (trigger off, Ch1, rising, DC).
    void sendTriggerReset();
    // Firmware query: written and answered only while a device is opened. The text is the
    // four characters of the reply; none when there is no device or no reply in time.
    std::optional<QString> queryFirmware();
    // Power-off (code 20) once, whenever a device is opened, demo mode or not.
    void powerOff();
    bool poweredOff() const { return m_poweredOff; }

private:
    void writeCommand(std::uint8_t code); // a one-byte command when sending is allowed

    DeviceLink& m_link;
    SettingsRecord m_record{};
    std::array<int, 2> m_positionByte{0, 0};
    bool m_poweredOff = false;
};

} // namespace tarvik
