// Remote control through the real shared-memory blocks: every command against the click it
// stands for on a twin oscilloscope, the clamps, the state slots, the frame published in
// "ShareDSOData", demo mode and the hidden I/O window.

#include "device/sim/SimulatedTransport.h"
#include "scope/ScopeRemoteControl.h"
#include "scope/gui/TFormx1.h"
#include "support/ScriptedPrompts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tarvik;

namespace {

// One oscilloscope on the instrument model and virtual time, after the start-up defaults.
struct Rig {
    explicit Rig(bool demo = false) {
        model.captureTimeMs = 0;
        model.noise = false;
        auto* transport = new sim::SimulatedTransport(model, [this] { return clock.nowMs(); });
        link = std::make_unique<DeviceLink>(std::unique_ptr<Transport>(transport));
        commands = std::make_unique<CommandSet>(*link);
        scope = std::make_unique<ScopeController>(clock, prompts, *commands);
        EXPECT_EQ(link->OpenDeviceW(), 0);
        link->setDemoMode(demo);
        scope->selectDefaults();
        commands->sendTriggerReset();
        scope->showTriggerResetState();
        model.clearReceived();
    }
    VirtualClock clock;
    test::ScriptedPrompts prompts;
    sim::InstrumentModel model;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<CommandSet> commands;
    std::unique_ptr<ScopeController> scope;
};

// The controls a command can change, as one comparable text.
std::string controls(const ScopeState& s) {
    std::string text;
    for (const ChannelState& c : s.channel)
        text += "range " + std::to_string(c.range) + " pos " + std::to_string(c.position) + " coupling " +
                std::to_string(static_cast<int>(c.coupling)) + "; ";
    text += "row " + std::to_string(s.timebase.row) + "; trigger " + std::to_string(s.trigger.on) + " " +
            std::to_string(s.trigger.source) + " " + std::to_string(s.trigger.rising) + " " +
            std::to_string(s.trigger.level) + "; run " + std::to_string(s.acq.runDown) + " single " +
            std::to_string(s.acq.singleDown) + " " + s.acq.status.toStdString();
    return text;
}

QString uniquePrefix() {
    static int counter = 0;
    return QStringLiteral("tarvik-test-%1-%2-").arg(::getpid()).arg(++counter);
}

class Remote : public ::testing::Test {
protected:
    explicit Remote(bool demo = false) : rig(demo) {
        QString error;
        EXPECT_TRUE(blocks.create(uniquePrefix(), &error)) << error.toStdString();
        EXPECT_TRUE(quorret.open(blocks.quorret.name(), SharedBlocks::kQuorretSize, &error));
        EXPECT_TRUE(dso.open(blocks.dso.name(), SharedBlocks::kDsoSize, &error));
        service = std::make_unique<ScopeRemoteControl>(*rig.scope, blocks.quorret, blocks.dso, rig.clock);
        EXPECT_TRUE(service->start());
    }
    // What a client does: argument first, then the code; then one tick of the program.
    void send(int code, int argument) {
        quorret.setSlot(remote::kArgument, argument);
        quorret.setSlot(remote::kCommand, code);
        rig.clock.advance(ScopeRemoteControl::kTickMs);
    }

    Rig rig;
    SharedBlocks blocks;            // the program's side
    SharedMemoryBlock quorret, dso; // a client's view of the same blocks
    std::unique_ptr<ScopeRemoteControl> service;
};

using Click = std::function<void(ScopeController&)>;
struct Step {
    int code;
    int argument;
    Click click; // what the user does instead; empty: nothing
};
struct Case {
    const char* name;
    std::vector<Step> steps;
};

} // namespace

TEST(RemoteCommands, EveryCommandActsAsItsClickDoes) {
    const Case cases[] = {
        {"ch1 range 5V", {{1, 0, [](ScopeController& s) { s.selectRange(0, 0); }}}},
        {"ch1 range 7 does nothing", {{1, 7, {}}}},
        {"ch2 range -1 does nothing", {{2, -1, {}}}},
        {"ch2 range 0.1V", {{2, 5, [](ScopeController& s) { s.selectRange(1, 5); }}}},
        {"timebase 500ms", {{3, 0, [](ScopeController& s) { s.selectTimebase(0); }}}},
        {"timebase 5us", {{3, 15, [](ScopeController& s) { s.selectTimebase(15); }}}},
        {"timebase 2us", {{3, 16, [](ScopeController& s) { s.selectTimebase(timebaseRowIndex("2us")); }}}},
        {"timebase 17 does nothing", {{3, 17, {}}}},
        {"run, a frame, release with 2",
         {{4, 1, [](ScopeController& s) { s.SpeedButtonRunClick(true); }},
          {0, 0, {}},
          {4, 2, [](ScopeController& s) { s.SpeedButtonRunClick(false); }}}},
        {"single and its frame",
         {{5, 1, [](ScopeController& s) { s.SpeedButtonSingleClick(true); }}, {0, 0, {}}}},
        {"single released",
         {{5, 1, [](ScopeController& s) { s.SpeedButtonSingleClick(true); }},
          {5, 0, [](ScopeController& s) { s.SpeedButtonSingleClick(false); }}}},
        {"positions clamped",
         {{6, 300, [](ScopeController& s) { s.setPosition(0, 127); }},
          {7, -300, [](ScopeController& s) { s.setPosition(1, -128); }},
          {6, -5, [](ScopeController& s) { s.setPosition(0, -5); }}}},
        {"trigger on and off",
         {{8, 5, [](ScopeController& s) { s.setTriggerOn(true); }},
          {8, 0, [](ScopeController& s) { s.setTriggerOn(false); }}}},
        {"trigger level clamped",
         {{9, 255, [](ScopeController& s) { s.setTriggerLevel(254); }},
          {9, -3, [](ScopeController& s) { s.setTriggerLevel(0); }},
          {9, 100, [](ScopeController& s) { s.setTriggerLevel(100); }}}},
        {"trigger source clamped",
         {{10, 7, [](ScopeController& s) { s.setTriggerSource(trig::SourceCh2); }},
          {10, -2, [](ScopeController& s) { s.setTriggerSource(trig::SourceCh1); }}}},
        {"edge",
         {{11, 0, [](ScopeController& s) { s.setTriggerEdge(false); }},
          {11, 3, [](ScopeController& s) { s.setTriggerEdge(true); }}}},
        {"coupling clamped",
         {{12, 9, [](ScopeController& s) { s.setCoupling(0, Coupling::GND); }},
          {13, -1, [](ScopeController& s) { s.setCoupling(1, Coupling::AC); }},
          {12, 1, [](ScopeController& s) { s.setCoupling(0, Coupling::DC); }}}},
        {"unknown codes", {{99, 1, {}}, {-1, 0, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig remoteRig, direct;
        SharedBlocks shared;
        ASSERT_TRUE(shared.create(uniquePrefix(), nullptr));
        ScopeRemoteControl control(*remoteRig.scope, shared.quorret, shared.dso, remoteRig.clock);
        ASSERT_TRUE(control.start());
        for (const Step& step : c.steps) {
            shared.quorret.setSlot(remote::kArgument, step.argument);
            shared.quorret.setSlot(remote::kCommand, step.code);
            remoteRig.clock.advance(ScopeRemoteControl::kTickMs);
            EXPECT_EQ(shared.quorret.slot(remote::kCommand), 0);
            direct.clock.advance(ScopeRemoteControl::kTickMs);
            if (step.click) step.click(*direct.scope);
        }
        remoteRig.clock.advance(ScopeRemoteControl::kTickMs); // what follows within a tick, too
        direct.clock.advance(ScopeRemoteControl::kTickMs);
        EXPECT_EQ(controls(remoteRig.scope->state()), controls(direct.scope->state()));
        EXPECT_EQ(remoteRig.model.received(), direct.model.received());
        EXPECT_EQ(remoteRig.prompts.calls, direct.prompts.calls);
    }
}

TEST_F(Remote, OutOfRangeArgumentsAreClampedOrIgnored) {
    const std::string before = controls(rig.scope->state());
    send(1, 7);
    EXPECT_EQ(quorret.slot(remote::kCommand), 0);
    EXPECT_EQ(controls(rig.scope->state()), before);
    EXPECT_TRUE(rig.model.received().empty());

    send(9, 255);
    EXPECT_EQ(rig.scope->state().trigger.level, 254);
    send(9, -1000);
    EXPECT_EQ(rig.scope->state().trigger.level, 0);

    QSignalSpy shows(service.get(), &ScopeRemoteControl::showRequested);
    send(14, 1);
    send(14, 2);
    ASSERT_EQ(shows.count(), 2);
    EXPECT_TRUE(shows[0][0].toBool());
    EXPECT_FALSE(shows[1][0].toBool());
}

TEST_F(Remote, StateSlotsShowTheControlsBeforeTheCommand) {
    ScopeController& s = *rig.scope;
    s.selectRange(0, 3);
    s.setPosition(1, -20);
    s.setCoupling(0, Coupling::AC);
    s.setCoupling(1, Coupling::GND);
    s.setTriggerOn(true);
    s.setTriggerSource(trig::SourceCh2);
    s.setTriggerEdge(false);
    s.setTriggerLevel(200);
    send(2, 0); // channel 2 to 5 V: the slots still show 2 V after this tick
    const std::vector<int> expected{3, 1, 8, 0, -20, 0, 2, 1, 1, 0, 200};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(quorret.slot(10 + i), expected[i]) << "slot " << 10 + i;
    rig.clock.advance(ScopeRemoteControl::kTickMs);
    EXPECT_EQ(quorret.slot(remote::kCh2Range), 0);

    s.setTriggerSource(trig::SourceExt);
    rig.clock.advance(ScopeRemoteControl::kTickMs);
    EXPECT_EQ(quorret.slot(remote::kTriggerSource), 2); // neither channel
}

TEST_F(Remote, TimebaseSlotReportsSixteenForFiveMicrosecondsAndFaster) {
    const struct {
        const char* caption;
        int index;
    } rows[] = {{"500ms", 0}, {"1ms", 8},  {"20us", 13}, {"10us", 14},
                {"5us", 16},  {"2us", 16}, {"0.1us", 16}};
    for (const auto& r : rows) {
        rig.scope->selectTimebase(QString::fromLatin1(r.caption));
        rig.clock.advance(ScopeRemoteControl::kTickMs);
        EXPECT_EQ(quorret.slot(remote::kTimebase), r.index) << r.caption;
    }
    rig.scope->selectTimebase(kSpectrumOnlyRow); // the spectrum's 10 us row
    rig.clock.advance(ScopeRemoteControl::kTickMs);
    EXPECT_EQ(quorret.slot(remote::kTimebase), 14);
}

TEST_F(Remote, EveryFrameIsPublishedWithItsScaleAndTheSamplesAsReceived) {
    for (int i = 1027; i < 8198; ++i) dso.setSlot(i, 0x55); // a full rewrite clears the gaps
    rig.scope->selectRange(0, 0);
    rig.scope->setPosition(1, 10);
    send(4, 1);
    EXPECT_EQ(dso.slot(remote::kFrameWritten), 0); // Run pressed; no frame yet
    rig.clock.advance(ScopeRemoteControl::kTickMs);
    ASSERT_EQ(dso.slot(remote::kFrameWritten), 1);

    const ScopeState& st = rig.scope->state();
    const struct {
        int base;
        int channel;
        int fullScale;
    } records[] = {{0, 1, 16000}, {4099, 0, 40000}};
    for (const auto& r : records) {
        SCOPED_TRACE(r.channel);
        EXPECT_EQ(dso.slot(r.base), 25000);
        EXPECT_EQ(dso.slot(r.base + 1), r.fullScale);
        EXPECT_EQ(dso.slot(r.base + 2), 255 - st.channel[r.channel].positionValue);
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(dso.slot(r.base + 3 + i), rig.model.lastFrame(r.channel)[i]) << "sample " << i;
        for (int i = r.base + 1027; i < r.base + 4099; ++i) ASSERT_EQ(dso.slot(i), 0) << "slot " << i;
    }
    EXPECT_NE(dso.slot(2), dso.slot(4101)); // the zero levels are each channel's own

    send(4, 0);
    dso.setSlot(remote::kFrameWritten, 0); // a reader waits for the next frame: none comes
    rig.clock.advance(100);
    EXPECT_EQ(dso.slot(remote::kFrameWritten), 0);
}

TEST_F(Remote, SampleRateFollowsTheTimeBase) {
    const struct {
        const char* caption;
        int rate;
    } rows[] = {{"500ms", 50},     {"20ms", 1250},   {"0.2ms", 125000}, {"20us", 1250000},
                {"10us", 2500000}, {"5us", 2500000}, {"0.1us", 2500000}};
    for (const auto& r : rows) {
        rig.scope->selectTimebase(QString::fromLatin1(r.caption));
        service->SaveShareData();
        EXPECT_EQ(dso.slot(0), r.rate) << r.caption;
        EXPECT_EQ(dso.slot(4099), r.rate) << r.caption;
    }
}

namespace {
class DemoRemote : public Remote {
protected:
    DemoRemote() : Remote(true) {}
};
} // namespace

TEST_F(DemoRemote, CommandsActOnTheControlsAndNothingIsSent) {
    send(1, 0);
    send(3, 5);
    send(6, 40);
    send(8, 1);
    send(9, 255);
    send(13, 0);
    const ScopeState& s = rig.scope->state();
    EXPECT_EQ(s.channel[0].range, 0);
    EXPECT_EQ(s.timebase.row, 5);
    EXPECT_EQ(s.channel[0].position, 40);
    EXPECT_TRUE(s.trigger.on);
    EXPECT_EQ(s.trigger.level, 254);
    EXPECT_EQ(s.channel[1].coupling, Coupling::AC);
    EXPECT_TRUE(rig.model.received().empty());
    rig.clock.advance(ScopeRemoteControl::kTickMs);
    EXPECT_EQ(quorret.slot(remote::kCh1Range), 0);
}

TEST_F(Remote, HiddenIoWindowServesUntilItIsClosed) {
    service.reset(); // the window brings its own
    TFormx1 window(*rig.scope, blocks.quorret, blocks.dso, rig.clock);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quor-I/O"));
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    send(1, 0);
    EXPECT_EQ(rig.scope->state().channel[0].range, 0);
    window.close();
    EXPECT_FALSE(window.service().serving());
    send(1, 5);
    EXPECT_EQ(rig.scope->state().channel[0].range, 0);
    EXPECT_EQ(quorret.slot(remote::kCommand), 1); // nobody takes it any more
}
