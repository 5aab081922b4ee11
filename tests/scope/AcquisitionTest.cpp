// The oscilloscope controller against the instrument model on virtual time: the reports each
// action sends, Run and Single with their status texts, the trigger watchdog, a lost or
// stalling instrument, the time base and the channel front end.

#include "device/sim/SimulatedTransport.h"
#include "scope/ScopeController.h"
#include "support/ScopeRig.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

class RecordingView : public ScopeView {
public:
    void poisto() override { calls.push_back("erase"); }
    void piirrot() override { calls.push_back("draw"); }
    std::vector<std::string> calls;
};

class Scope : public ::testing::Test, protected test::ScopeRig {
protected:
    Scope() {
        scope.setView(&view);
        EXPECT_EQ(link.OpenDeviceW(), 0);
        scope.selectDefaults();
        commands.sendTriggerReset();
        scope.showTriggerResetState();
        model.clearReceived();
    }
    void clearCodes() { model.clearReceived(); }
    // Frames complete at once; every tick processes one.
    void ticks(int n) { clock.advance(n * ScopeController::kLoopMs); }
    // A trigger level no signal reaches: captures never complete while the trigger is on.
    void triggerAboveSignal() {
        scope.setTriggerLevel(0);
        scope.setTriggerOn(true);
    }

    RecordingView view;
};

using Codes = std::vector<int>;

} // namespace

TEST_F(Scope, RunArmsReadsAndRearmsAfterEveryFrame) {
    QSignalSpy frames(&scope, &ScopeController::frameDisplayed);
    scope.SpeedButtonRunClick(true);
    EXPECT_EQ(codes(), (Codes{14, 14, 14, 9, 11})); // both positions and all settings, then arm
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Running"));
    EXPECT_FALSE(scope.idle());
    clearCodes();
    ticks(3);
    EXPECT_EQ(frames.count(), 3);
    EXPECT_EQ(codes(), (Codes{10, 9, 11, 10, 9, 11, 10, 9, 11}));
    // The frame on the screen is exactly the one the instrument sent.
    for (int i : {0, 100, 1023}) {
        EXPECT_EQ(scope.records().raw[kCh1Base + 4 * i], model.lastFrame(0)[i]);
        EXPECT_EQ(scope.records().raw[4 * i + 3], model.lastFrame(1)[i]);
    }
    clearCodes();
    scope.SpeedButtonRunClick(false);
    EXPECT_EQ(codes(), Codes{9});
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Stopped"));
    EXPECT_TRUE(scope.idle());
    ticks(5);
    EXPECT_EQ(frames.count(), 3);
}

TEST_F(Scope, RangeChangeRestartsTheCaptureOnlyWhileRunIsDown) {
    scope.selectRange(0, 0);
    EXPECT_EQ(codes(), Codes{14});
    EXPECT_EQ(commands.settingsRecord()[0], 6);
    scope.SpeedButtonRunClick(true);
    clearCodes();
    scope.selectRange(1, 5);
    EXPECT_EQ(codes(), (Codes{14, 9, 11}));
    EXPECT_EQ(commands.settingsRecord()[1], 1);
}

TEST_F(Scope, CouplingSendsTwoSettingsRecordsAndGroundKeepsTheRelay) {
    scope.setCoupling(0, Coupling::AC);
    EXPECT_EQ(codes(), (Codes{14, 14}));
    EXPECT_EQ(commands.settingsRecord()[9], 1);
    EXPECT_EQ(scope.state().channel[0].label, QStringLiteral("2V~"));
    scope.setCoupling(0, Coupling::GND);
    EXPECT_EQ(commands.settingsRecord()[9], 1); // the relay stays on AC
    EXPECT_FALSE(scope.state().channel[0].notGround);
    scope.setCoupling(0, Coupling::DC);
    EXPECT_EQ(commands.settingsRecord()[9], 0);
    EXPECT_EQ(scope.state().channel[0].label, QStringLiteral("2V"));
}

TEST_F(Scope, GroundingTheTriggerChannelSuspendsTheTrigger) {
    scope.setTriggerOn(true);
    scope.setCoupling(1, Coupling::GND); // not the trigger channel
    EXPECT_TRUE(scope.state().trigger.on);
    scope.setCoupling(0, Coupling::GND);
    EXPECT_FALSE(scope.state().trigger.on);
    EXPECT_EQ(commands.settingsRecord()[7], 0);
    scope.setCoupling(0, Coupling::DC);
    EXPECT_TRUE(scope.state().trigger.on);
    EXPECT_EQ(commands.settingsRecord()[7], 1);
    scope.setTriggerOn(false); // switched off by the user: grounding and back leaves it off
    scope.setCoupling(0, Coupling::GND);
    scope.setCoupling(0, Coupling::AC);
    EXPECT_FALSE(scope.state().trigger.on);
}

TEST_F(Scope, GroundedChannelIsDrawnFlatAtItsMean) {
    scope.setCoupling(0, Coupling::GND);
    scope.SpeedButtonRunClick(true);
    ticks(1);
    const auto& d = scope.records().display;
    for (int k : {0, 1000, 4095}) EXPECT_EQ(d[kCh1Base + k], d[kCh1Base]);
    EXPECT_NE(
        *std::min_element(d.begin(), d.begin() + kChannelPoints),
        *std::max_element(d.begin(), d.begin() + kChannelPoints)); // channel 2's square wave is untouched
}

TEST_F(Scope, SingleCapturesOneFrameWithoutRearming) {
    scope.SpeedButtonSingleClick(true);
    EXPECT_EQ(codes(), (Codes{14, 14, 14, 9, 11}));
    ticks(1);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Ready"));
    EXPECT_FALSE(scope.state().acq.singleDown);
    EXPECT_TRUE(scope.idle());
    ticks(5);
    EXPECT_EQ(codes(), (Codes{14, 14, 14, 9, 11, 10}));

    clearCodes();
    scope.setTriggerLevel(127);
    scope.setTriggerOn(true);
    clearCodes();
    scope.SpeedButtonSingleClick(true);
    ticks(1);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Trigged"));
}

TEST_F(Scope, ReleasingSingleBeforeAFrameStopsTheInstrumentAndFreesTheWindow) {
    triggerAboveSignal();
    scope.SpeedButtonSingleClick(true);
    ticks(1);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Waiting for trigger"));
    EXPECT_FALSE(scope.idle());
    clearCodes();
    scope.SpeedButtonSingleClick(false);
    EXPECT_EQ(codes(), Codes{9});
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Stopped"));
    EXPECT_TRUE(scope.idle());
    EXPECT_EQ(scope.records().receive[1024], 0);
}

TEST_F(Scope, SingleClickReportsItsEndWhetherAFrameCameOrNot) {
    std::vector<bool> results;
    scope.SingleClick([&](bool frame) { results.push_back(frame); });
    ticks(1);
    triggerAboveSignal();
    scope.SingleClick([&](bool frame) { results.push_back(frame); });
    ticks(2);
    scope.SingleClick([&](bool frame) { results.push_back(frame); }); // replaces the waiting one
    scope.stopAcquisition();
    EXPECT_EQ(results, (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(scope.idle());
}

TEST_F(Scope, RunAndSingleReleaseEachOtherWithoutAStaleTick) {
    triggerAboveSignal();
    scope.SpeedButtonSingleClick(true);
    ticks(1);
    clearCodes();
    scope.SpeedButtonRunClick(true); // Single is abandoned before the fresh 9, 11
    EXPECT_FALSE(scope.state().acq.singleDown);
    EXPECT_EQ(scope.state().acq.singlePhase, 5);
    EXPECT_EQ(codes(), (Codes{14, 14, 14, 9, 11}));
    clearCodes();
    scope.SpeedButtonSingleClick(true); // and Run is released the same way
    EXPECT_FALSE(scope.state().acq.runDown);
    EXPECT_EQ(scope.state().acq.runPhase, 5);
    EXPECT_EQ(codes(), (Codes{14, 14, 14, 9, 11}));
}

TEST_F(Scope, WaitingForTriggerAfterThreeSilentSecondsAndRunningAgainWithTheNextFrame) {
    triggerAboveSignal();
    scope.SpeedButtonRunClick(true);
    clock.advance(2900);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Running"));
    clock.advance(200);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Waiting for trigger"));
    scope.setTriggerLevel(127); // the signal now crosses the level
    ticks(2);
    EXPECT_EQ(scope.state().acq.status, QStringLiteral("Running"));
}

TEST_F(Scope, SilentInstrumentIsLostAndTheWindowStaysUsable) {
    QSignalSpy lost(&link, &DeviceLink::deviceLost);
    scope.SpeedButtonRunClick(true);
    ticks(2);
    model.silent = true;
    clock.advance(FrameReader::kSilenceLimitMs + 100);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(link.deviceOpened());
    EXPECT_FALSE(scope.state().acq.runDown);
    EXPECT_TRUE(scope.idle());
}

TEST_F(Scope, AFrameThatStopsHalfWayIsDiscardedAndTheCaptureRearmed) {
    QSignalSpy frames(&scope, &ScopeController::frameDisplayed);
    scope.SpeedButtonRunClick(true);
    clearCodes();
    model.reportsUntilSilence = 1 + 10; // the completion report and 10 of the 34 frame reports
    ticks(1);
    clock.advance(FrameReader::kFrameGapLimitMs + 20);
    EXPECT_EQ(frames.count(), 0);
    EXPECT_EQ(codes(), (Codes{10, 9, 11}));
    model.reportsUntilSilence = -1;
    ticks(1);
    EXPECT_EQ(frames.count(), 1);
    for (int i : {0, 9 * 64, 1023})
        EXPECT_EQ(scope.records().raw[kCh1Base + 4 * i], model.lastFrame(0)[i]) << i;
}

TEST_F(Scope, FrameConsumersRunInOrderAndMeasurementsArePaced) {
    std::vector<std::string> order;
    scope.consumers.measure = [&](bool) { order.push_back("measure"); };
    scope.consumers.spectrum = [&](bool) { order.push_back("spectrum"); };
    scope.consumers.publish = [&] { order.push_back("publish"); };
    scope.SpeedButtonRunClick(true);
    ticks(1);
    view.calls.clear();
    EXPECT_EQ(order, std::vector<std::string>{"publish"}); // measured every sixth frame at 1 ms/div
    ticks(5);
    EXPECT_EQ(std::count(order.begin(), order.end(), "measure"), 1);
    EXPECT_EQ(std::count(order.begin(), order.end(), "publish"), 6);
    EXPECT_EQ(order[order.size() - 2], "measure");

    scope.selectTimebase(QStringLiteral("20ms")); // slower than 10 ms/div: every frame
    order.clear();
    view.calls.clear();
    ticks(2);
    EXPECT_EQ(order, (std::vector<std::string>{"measure", "publish", "measure", "publish"}));
    EXPECT_EQ(view.calls.back(), "draw");
    EXPECT_EQ(scope.state().frameCaptions.timeDiv, QStringLiteral("20ms"));
}

TEST_F(Scope, TimebaseRescalesTheStoredFrame) {
    scope.SpeedButtonSingleClick(true);
    ticks(1);
    EXPECT_EQ(scope.state().timebase.capturedValue, 100000);
    view.calls.clear();
    scope.selectTimebase(QStringLiteral("2ms"));
    EXPECT_DOUBLE_EQ(scope.state().timebase.pointStep, 8);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"erase", "draw"}));
    view.calls.clear();
    scope.selectTimebase(QStringLiteral("0.1ms"));
    EXPECT_DOUBLE_EQ(scope.state().timebase.pointStep, 0.4);
    EXPECT_EQ(view.calls,
              std::vector<std::string>{"erase"}); // too dense to redraw: cleared until the next frame
    EXPECT_EQ(commands.settingsRecord()[5], 12);
}

TEST_F(Scope, HorizontalPositionRangeFollowsTheTimeBase) {
    const TimebaseState& tb = scope.state().timebase;
    EXPECT_EQ(tb.positionRange.minimum, -48);
    EXPECT_EQ(tb.positionRange.maximum, 272);
    // The control keeps its place as a fraction of its range: 32 of 0..127 becomes 33 of -48..272.
    EXPECT_EQ(tb.position, 33);
    scope.setHorizontalPosition(32);
    EXPECT_EQ(tb.startIndex, 1024);
    scope.setHorizontalPosition(-48);
    EXPECT_EQ(tb.startIndex, 1);
    scope.find();
    EXPECT_EQ(tb.position, 24);
    EXPECT_EQ(tb.startIndex, 922);
}

TEST_F(Scope, EquivalentTimeNoticeAndForcedTrigger) {
    scope.selectTimebase(QStringLiteral("20us"));
    scope.selectTimebase(QStringLiteral("20us"));
    EXPECT_EQ(prompts.calls.count(QStringLiteral("etsNotice")), 2);
    EXPECT_TRUE(scope.state().trigger.on);
    EXPECT_FALSE(scope.state().trigger.offEnabled);
    scope.setTriggerOn(false); // "Off" is disabled
    EXPECT_TRUE(scope.state().trigger.on);

    scope.selectTimebase(QStringLiteral("10us"));
    scope.selectTimebase(QStringLiteral("5us"));
    EXPECT_EQ(prompts.calls.count(QStringLiteral("etsNotice")), 3); // not again at "5us"
    scope.selectTimebase(QStringLiteral("1ms"));
    EXPECT_TRUE(scope.state().trigger.offEnabled);
    EXPECT_TRUE(scope.state().trigger.on); // the trigger stays on

    prompts.answerEtsNotice({true, false}); // "During this session"
    scope.selectTimebase(QStringLiteral("10us"));
    scope.selectTimebase(QStringLiteral("20us"));
    EXPECT_EQ(prompts.calls.count(QStringLiteral("etsNotice")), 4);
    EXPECT_FALSE(scope.state().etsNoticeNever);
}

TEST_F(Scope, UnusableCalibrationTableWarnsOnceAndPutsZeroAtTheTop) {
    CalibrationValues values;
    values.channel[0].ad = {128, 32, 32};
    scope.setCalibration(values);
    scope.setPosition(0, 10);
    EXPECT_EQ(prompts.calls, QStringList{"warning: Calibration error. Calibration failed."});
    EXPECT_EQ(scope.state().channel[0].positionValue, 0);
    EXPECT_EQ(scope.state().channel[1].positionValue, 128);
}

TEST_F(Scope, PositionMovesTheZeroLevelAndAStoredTraceFollows) {
    scope.SpeedButtonSingleClick(true);
    ticks(1);
    scope.setPosition(0, 20);
    EXPECT_EQ(scope.state().channel[0].positionValue, 148);
    EXPECT_EQ(scope.state().channel[0].traceShift, -20);
    EXPECT_EQ(commands.settingsRecord()[2], 255 - 148);
    scope.setPosition(0, 500); // clamped to the control's range
    EXPECT_EQ(scope.state().channel[0].position, 127);
    EXPECT_EQ(commands.frontEnd.dacByte[0], 255);
}

TEST(TriggerLevelText, VoltsOrMillivoltsAtTheSourceChannelsScale) {
    ScopeState s;
    s.channel[0].range = rangeIndexForCaption("1V");
    s.channel[0].positionValue = 127;
    s.trigger.level = 63;
    EXPECT_EQ(triggerLevelText(s), QStringLiteral("2.00V"));
    s.channel[0].range = rangeIndexForCaption("0.1V");
    EXPECT_EQ(triggerLevelText(s), QStringLiteral("200.00mV"));
    s.trigger.level = 191;
    EXPECT_EQ(triggerLevelText(s), QStringLiteral("-200.00mV"));
    s.trigger.source = trig::SourceExt;
    EXPECT_EQ(triggerLevelText(s), QString());
}

TEST_F(Scope, NoiseRejectStartsAfreshWithEveryTriggerChange) {
    scope.setTriggerLevel(127);
    scope.setTriggerOn(true);
    scope.setNoiseReject(true);
    scope.SpeedButtonRunClick(true);
    ticks(4);
    EXPECT_GE(scope.noiseRejectStore().accepted, 1);
    scope.setTriggerLevel(120);
    EXPECT_EQ(scope.noiseRejectStore().accepted, 0);
    ticks(3);
    EXPECT_GE(scope.noiseRejectStore().accepted, 1);
    scope.setPosition(1, 5); // not the trigger channel
    EXPECT_GE(scope.noiseRejectStore().accepted, 1);
    scope.setPosition(0, 5);
    EXPECT_EQ(scope.noiseRejectStore().accepted, 0);
}

TEST_F(Scope, TriggerSourceChangesSendOnlyWhenTheSourceChanges) {
    scope.setTriggerSource(trig::SourceCh1); // already the source
    EXPECT_TRUE(codes().empty());
    scope.setTriggerSource(trig::SourceCh2);
    EXPECT_EQ(codes(), (Codes{14, 14})); // the settings, then the level handler's record
    EXPECT_EQ(commands.settingsRecord()[6], 1);
    scope.setTriggerSource(trig::SourceExt);
    EXPECT_EQ(commands.settingsRecord()[6], 1); // Ext: the instrument keeps its last channel source
    scope.setTriggerSource(trig::SourceCh1);
    scope.setTriggerSource(trig::SourceExt);
    EXPECT_EQ(commands.settingsRecord()[6], 0);
    EXPECT_EQ(triggerLevelText(scope.state()), QString()); // no channel's scale describes Ext
}
