#include "device/CommandSet.h"

#include <algorithm>

namespace tarvik {

int gainCode(std::uint8_t rangeKey) {
    switch (rangeKey) {
    case range::V5:
        return 6;
    case range::V2:
        return 5;
    case range::V1:
        return 4;
    case range::V05:
        return 3;
    case range::V02:
        return 2;
    case range::V01:
        return 1;
    default:
        return 0;
    }
}

int timebaseCode(std::uint8_t timebaseKey) {
    struct Row {
        std::uint8_t key;
        std::uint8_t code;
    };
    static constexpr Row table[] = {{5, 1},   {2, 2},   {93, 3},  {64, 4},   {65, 5},  {66, 6},  {80, 7},
                                    {81, 8},  {82, 9},  {88, 10}, {89, 11},  {90, 12}, {92, 13}, {85, 14},
                                    {94, 15}, {32, 15}, {0, 17},  {153, 18}, {152, 19}};
    for (const Row& row : table)
        if (row.key == timebaseKey) return row.code;
    return 0;
}

bool usesRangeOffset(std::uint8_t rangeKey) {
    return rangeKey == range::V01 || rangeKey == range::V1;
}

int rangeOffset(std::uint8_t rangeKey, int calibratedRangeOffset) {
    return usesRangeOffset(rangeKey) ? calibratedRangeOffset : 0;
}

int positionByteFor(int zeroOffset, int rangeOffset, int position) {
    const int base = ((zeroOffset + rangeOffset) % 256 + 256) % 256;
    if (base + position >= 256) return 255 - base;
    if (base + position < 0) return -base;
    return position;
}

std::uint8_t dacSum(int zeroOffset, int rangeOffset, int positionByte) {
    return static_cast<std::uint8_t>((zeroOffset + rangeOffset + positionByte) & 0xFF);
}

SettingsRecord buildSettingsRecord(const FrontEndState& s, const SettingsRecord& previous) {
    SettingsRecord r{};
    r[0] = static_cast<std::uint8_t>(gainCode(s.rangeKey[0]));
    r[1] = static_cast<std::uint8_t>(gainCode(s.rangeKey[1]));
    r[2] = static_cast<std::uint8_t>(255 - s.dacByte[0]);
    r[3] = static_cast<std::uint8_t>(255 - s.dacByte[1]);
    r[4] = s.triggerLevel;
    r[5] = static_cast<std::uint8_t>(timebaseCode(s.timebaseKey));
    if (s.triggerSource == trig::SourceCh1)
        r[6] = 0;
    else if (s.triggerSource == trig::SourceCh2)
        r[6] = 1;
    else
        r[6] = previous[6]; // Ext: the instrument keeps its last channel source
    r[7] = s.triggerMode == trig::ModeOn ? 1 : 0;
    r[8] = s.triggerEdge == trig::EdgeRising ? 0 : 1;
    r[9] = s.acFlag[0];
    r[10] = s.acFlag[1];
    return r;
}

std::optional<std::uint8_t> resetCode(int state, int substate) {
    if (state == 0 && substate == 0) return cmd::Stop;
    if (state == 1 && substate == 0) return cmd::ReadFrame;
    if (state == 1 && substate == 1) return cmd::Arm;
    if (state == 2 && substate == 0) return cmd::Stream;
    return std::nullopt;
}

void CommandSet::Set500() {
    m_record = buildSettingsRecord(frontEnd, m_record);
    if (!m_link.demoMode()) asetus_1();
}

void CommandSet::asetus_1() {
    if (!m_link.canSend()) return;
    auto& buffer = m_link.commandBuffer;
    buffer.fill(0);
    buffer[0] = cmd::Settings;
    std::copy(m_record.begin(), m_record.end(), buffer.begin() + 1);
    m_link.USBWrite(buffer.data(), buffer.size());
}

void CommandSet::Set_DACs() {
    for (int ch = 0; ch < 2; ++ch) {
        const int offset = rangeOffset(frontEnd.rangeKey[ch], dac.rangeOffsetCal[ch]);
        m_positionByte[ch] = positionByteFor(dac.zeroOffset[ch], offset, dac.position[ch]);
        frontEnd.dacByte[ch] = dacSum(dac.zeroOffset[ch], offset, m_positionByte[ch]);
    }
    Set500();
}

void CommandSet::Reset_500(int state, int substate) {
    if (const auto code = resetCode(state, substate)) writeCommand(*code);
}

void CommandSet::writeCommand(std::uint8_t code) {
    if (!m_link.canSend()) return;
    auto& buffer = m_link.commandBuffer;
    buffer.fill(0);
    buffer[0] = code;
    m_link.USBWrite(buffer.data(), 1);
}

void CommandSet::sendTriggerReset() {
    frontEnd.triggerMode = trig::ModeOn;
    frontEnd.triggerSource = trig::SourceCh2;
    frontEnd.triggerEdge = trig::EdgeFalling;
    Set500();
    frontEnd.triggerMode = trig::ModeOff;
    frontEnd.triggerSource = trig::SourceCh1;
    frontEnd.triggerEdge = trig::EdgeRising;
    Set500();
    frontEnd.acFlag = {1, 1};
    Set500();
    frontEnd.acFlag = {0, 0};
    Set500();
}

std::optional<QString> CommandSet::queryFirmware() {
    if (!m_link.deviceOpened()) return std::nullopt;
    m_link.discardInput(); // the reply is the first report after the query
    const std::uint8_t code = cmd::Firmware;
    if (m_link.USBWrite(&code, 1) != IoStatus::Ok) return std::nullopt;
    Payload reply{};
    if (m_link.USBRead(reply, DeviceLink::kReplyTimeoutMs) != IoStatus::Ok) return std::nullopt;
    QString text;
    for (int i = 0; i < 4; ++i) text += QChar(reply[i]);
    return text;
}

void CommandSet::powerOff() {
    if (m_poweredOff || !m_link.deviceOpened()) return;
    m_poweredOff = true;
    const std::uint8_t code = cmd::PowerOff;
    m_link.USBWrite(&code, 1);
}

} // namespace tarvik
