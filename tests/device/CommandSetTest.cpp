// The command set: report framing, the settings record, the DAC sums and the senders'
// demo-mode and device-opened rules, checked against the instrument model.

#include "device/CommandSet.h"
#include "device/sim/SimulatedTransport.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

struct Rig {
    sim::InstrumentModel model;
    sim::SimulatedTransport* transport;
    DeviceLink link;
    CommandSet commands{link};

    Rig() : transport(new sim::SimulatedTransport(model)), link(std::unique_ptr<Transport>(transport)) {
        model.captureTimeMs = 0;
    }
    bool open() { return link.OpenDeviceW() == 0; }
    std::vector<Payload> sent() const { return model.received(); }
};

std::vector<std::uint8_t> recordOf(const Payload& report) {
    return {report.begin() + 1, report.begin() + 12};
}

} // namespace

TEST(ReportFraming, PayloadBecomesA65ByteReportWithIdZeroAndZeroPadding) {
    const std::uint8_t bytes[64] = {9, 1, 2, 3};
    for (std::size_t length : {1u, 3u, 64u}) {
        const auto report = makeOutputReport(bytes, length);
        ASSERT_TRUE(report) << length;
        EXPECT_EQ(report->size(), 65u);
        EXPECT_EQ((*report)[0], 0);
        for (std::size_t i = 1; i < 65; ++i) EXPECT_EQ((*report)[i], i <= length ? bytes[i - 1] : 0) << i;
    }
    EXPECT_FALSE(makeOutputReport(bytes, 0));
    EXPECT_FALSE(makeOutputReport(bytes, 65));
}

TEST(SettingsRecord, BytesFollowTheFrontEnd) {
    FrontEndState s; // 2 V / 2 V, 1 ms, trigger off, Ch1, rising, DC, level 127, DACs 128
    SettingsRecord previous{};
    EXPECT_EQ(buildSettingsRecord(s, previous), (SettingsRecord{5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}));

    s.rangeKey = {range::V5, range::V01};
    s.dacByte = {0, 200};
    s.triggerLevel = 40;
    s.timebaseKey = 5; // "500ms"
    s.triggerSource = trig::SourceCh2;
    s.triggerMode = trig::ModeOn;
    s.triggerEdge = trig::EdgeFalling;
    s.acFlag = {1, 0};
    EXPECT_EQ(buildSettingsRecord(s, previous), (SettingsRecord{6, 1, 255, 55, 40, 1, 1, 1, 1, 1, 0}));
}

TEST(SettingsRecord, ExtSourceRepeatsThePreviousByte6) {
    FrontEndState s;
    s.triggerSource = trig::SourceExt;
    for (std::uint8_t before : {0, 1}) {
        SettingsRecord previous{};
        previous[6] = before;
        EXPECT_EQ(buildSettingsRecord(s, previous)[6], before);
    }
}

TEST(SettingsRecord, TablesCoverEveryRangeAndTimebaseKey) {
    const std::pair<std::uint8_t, int> gains[] = {{1, 6},  {27, 5}, {11, 4}, {29, 3},
                                                  {13, 2}, {30, 1}, {7, 0}};
    for (auto [key, code] : gains) EXPECT_EQ(gainCode(key), code) << int(key);
    const std::pair<std::uint8_t, int> timebases[] = {
        {5, 1},   {2, 2},   {93, 3},  {64, 4},  {65, 5},  {66, 6},  {80, 7}, {81, 8},   {82, 9},   {88, 10},
        {89, 11}, {90, 12}, {92, 13}, {85, 14}, {94, 15}, {32, 15}, {0, 17}, {153, 18}, {152, 19}, {1, 0}};
    for (auto [key, code] : timebases) EXPECT_EQ(timebaseCode(key), code) << int(key);
}

TEST(SetDacs, DacByteIsAnEightBitSumAndTheRangeOffsetOnlyCountsOnTheTenfoldRanges) {
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.commands.dac.zeroOffset = {250, 100};
    rig.commands.dac.rangeOffsetCal = {10, 10};
    rig.commands.frontEnd.rangeKey = {range::V1, range::V2};
    rig.commands.Set_DACs();
    EXPECT_EQ(rig.commands.frontEnd.dacByte[0], 4);   // 250 + 10 + 0 wraps to 4
    EXPECT_EQ(rig.commands.frontEnd.dacByte[1], 100); // 2 V: no range offset
    ASSERT_EQ(rig.sent().size(), 1u);
    EXPECT_EQ(rig.sent()[0][0], cmd::Settings);
    EXPECT_EQ(rig.sent()[0][3], 251); // byte 2 of the record: 255 - 4
    EXPECT_EQ(rig.sent()[0][4], 155);

    rig.commands.frontEnd.rangeKey = {range::V01, range::V01};
    rig.commands.dac.position = {-20, 5};
    rig.commands.Set_DACs();
    EXPECT_EQ(rig.commands.frontEnd.dacByte[0],
              0); // the sum is at 4 already: the position may only take it to 0
    EXPECT_EQ(rig.commands.frontEnd.dacByte[1], 115);
    EXPECT_EQ(rig.commands.dacValue(1), 105); // zero offset + position byte, without the range offset
}

TEST(SetDacs, PositionByteKeepsTheSumInsideTheDacRange) {
    struct Case {
        int zero, rangeOffset, position, expected;
    };
    const Case cases[] = {{128, 0, 127, 127}, {200, 0, 100, 55}, {128, 0, -128, -128}, {100, 0, -128, -100},
                          {250, 10, 0, 0},    {250, 10, 5, 5},   {250, 10, -5, -4},    {0, -10, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(positionByteFor(c.zero, c.rangeOffset, c.position), c.expected)
            << c.zero << " " << c.rangeOffset << " " << c.position;
}

TEST(SetDacs, ARangeChangeRelimitsThePositionSoTheSumCannotWrap) {
    Rig rig;
    rig.commands.dac.zeroOffset = {128, 128};
    rig.commands.dac.rangeOffsetCal = {40, 40};
    rig.commands.dac.position = {100, 0};
    rig.commands.Set_DACs(); // 2 V: no range offset
    EXPECT_EQ(rig.commands.frontEnd.dacByte[0], 228);
    rig.commands.frontEnd.rangeKey[0] = range::V1; // + 40 would have wrapped to 12
    rig.commands.Set_DACs();
    EXPECT_EQ(rig.commands.frontEnd.dacByte[0], 255);
    EXPECT_EQ(rig.commands.positionByte(0), 87);
}

TEST(Senders, NothingIsWrittenInDemoModeOrWithoutAnOpenedDevice) {
    Rig rig;
    rig.commands.Set_DACs();
    rig.commands.Reset_500(1, 1);
    rig.commands.sendTriggerReset();
    EXPECT_TRUE(rig.sent().empty()); // not opened

    ASSERT_TRUE(rig.open());
    rig.link.setDemoMode(true);
    rig.commands.frontEnd.rangeKey[0] = range::V5;
    rig.commands.Set_DACs();
    rig.commands.Reset_500(1, 1);
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_EQ(rig.commands.settingsRecord()[0], 6); // the state still follows the controls

    rig.commands.powerOff(); // power-off goes out in demo mode when a device was opened
    rig.commands.powerOff();
    ASSERT_EQ(rig.sent().size(), 1u);
    EXPECT_EQ(rig.sent()[0][0], cmd::PowerOff);
    EXPECT_TRUE(rig.model.poweredOff());
}

TEST(Senders, AcquisitionControlCodes) {
    Rig rig;
    ASSERT_TRUE(rig.open());
    const std::tuple<int, int, int> pairs[] = {{0, 0, 9},  {1, 0, 10}, {1, 1, 11},
                                               {2, 0, 12}, {2, 1, -1}, {3, 3, -1}};
    for (auto [state, substate, code] : pairs) {
        rig.model.clearReceived();
        rig.commands.Reset_500(state, substate);
        if (code < 0) {
            EXPECT_TRUE(rig.sent().empty());
            continue;
        }
        ASSERT_EQ(rig.sent().size(), 1u);
        Payload expected{};
        expected[0] = static_cast<std::uint8_t>(code);
        EXPECT_EQ(rig.sent()[0], expected);
    }
}

TEST(Senders, TriggerResetSendsFourRecordsAndKeepsTheLast) {
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.commands.sendTriggerReset();
    ASSERT_EQ(rig.sent().size(), 4u);
    using R = std::vector<std::uint8_t>;
    EXPECT_EQ(recordOf(rig.sent()[0]), (R{5, 5, 127, 127, 127, 9, 1, 1, 1, 0, 0}));
    EXPECT_EQ(recordOf(rig.sent()[1]), (R{5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(recordOf(rig.sent()[2]), (R{5, 5, 127, 127, 127, 9, 0, 0, 0, 1, 1}));
    EXPECT_EQ(recordOf(rig.sent()[3]), (R{5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}));
    for (const Payload& p : rig.sent())
        EXPECT_TRUE(std::all_of(p.begin() + 12, p.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(rig.commands.frontEnd.triggerMode, trig::ModeOff);
    EXPECT_EQ(rig.commands.frontEnd.triggerSource, trig::SourceCh1);
    EXPECT_EQ(rig.commands.frontEnd.triggerEdge, trig::EdgeRising);
}

TEST(FirmwareQuery, CaptionIsTheFourReplyBytesWhateverTheyAre) {
    Rig rig;
    EXPECT_FALSE(rig.commands.queryFirmware()); // no device: nothing written, nothing read
    EXPECT_TRUE(rig.sent().empty());

    ASSERT_TRUE(rig.open());
    rig.model.firmware = {'2', '.', '1', '7'};
    EXPECT_EQ(rig.commands.queryFirmware(), QStringLiteral("2.17"));
    rig.model.firmware = {'\x01', 'A', '\xE9', ' '};
    const auto odd = rig.commands.queryFirmware();
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->size(), 4);
    EXPECT_EQ((*odd)[2], QChar(0xE9));

    rig.model.silent = true; // no reply: the caller keeps its caption
    EXPECT_FALSE(rig.commands.queryFirmware());
}
