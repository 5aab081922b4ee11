#include "scope/ScopeRemoteControl.h"

#include <QDebug>
#include <algorithm>
#include <atomic>

namespace tarvik {

namespace remote {

int timebaseRowForIndex(int index) {
    if (index < 0 || index >= kTimebaseIndices) return -1;
    // 0..15 are the panel's steps in panel order; 16 is the first hidden step, "2us".
    static const int twoMicroseconds = timebaseRowIndex("2us");
    return index < kTimebaseIndices - 1 ? index : twoMicroseconds;
}

int timebaseIndexForRow(int row) {
    if (row < 0 || row >= kTimebaseRows) return 0;
    const int value = timebaseTable()[row].value;
    if (value <= 500) return kTimebaseIndices - 1; // 5 us/div and every faster step
    for (int i = 0; i < kTimebaseIndices - 2; ++i)
        if (timebaseTable()[i].value == value) return i;
    return 0;
}

int fullScaleMillivolts(int rangeIndex) {
    static constexpr std::array<int, kRanges> fullScale{40000, 16000, 8000, 4000, 1600, 800};
    return rangeIndex >= 0 && rangeIndex < kRanges ? fullScale[rangeIndex] : 0;
}

int sampleRateForRow(int row) {
    return row >= 0 && row < kTimebaseRows ? timebaseTable()[row].samplesPerSecond : 0;
}

} // namespace remote

namespace {

int couplingCode(Coupling c) {
    switch (c) {
    case Coupling::AC:
        return 0;
    case Coupling::DC:
        return 1;
    case Coupling::GND:
        return 2;
    }
    return 1;
}

// Slot coding of the trigger source: 0 Ch1, 1 Ch2, 2 Ext (neither channel).
int sourceCode(const TriggerState& t) {
    const int channel = triggerChannel(t);
    return channel < 0 ? 2 : channel;
}

} // namespace

ScopeRemoteControl::ScopeRemoteControl(ScopeController& scope, SharedMemoryBlock& quorret,
                                       SharedMemoryBlock& dso, Clock& clock, QObject* parent)
    : QObject(parent), m_scope(scope), m_quorret(quorret), m_dso(dso), m_timer(clock) {
    m_timer.setResolution(1);
    m_timer.setInterval(kTickMs);
    m_timer.OnTimer = [this] { tick(); };
    m_scope.consumers.publish = [this] { SaveShareData(); };
}

ScopeRemoteControl::~ScopeRemoteControl() {
    stop();
    m_scope.consumers.publish = nullptr;
}

bool ScopeRemoteControl::start(QString* error) {
    try {
        m_timer.setEnabled(true);
    } catch (const FastTimerError& e) {
        if (error) *error = QString::fromLatin1(e.what());
        return false;
    }
    m_serving = true;
    return true;
}

void ScopeRemoteControl::stop() {
    m_serving = false;
    m_timer.setEnabled(false);
}

void ScopeRemoteControl::tick() {
    // The timer is stopped while a command runs (an action may show a dialog) and started
    // again afterwards, whatever the command did.
    m_timer.setEnabled(false);
    struct Restart {
        ScopeRemoteControl* self;
        ~Restart() {
            if (!self->m_serving) return;
            try {
                self->m_timer.setEnabled(true);
            } catch (const FastTimerError&) {
                self->m_serving = false;
            }
        }
    } restart{this};

    const std::int32_t code = m_quorret.slot(remote::kCommand);
    std::atomic_thread_fence(std::memory_order_acquire); // the argument was written before the code
    const std::int32_t argument = m_quorret.slot(remote::kArgument);
    [[maybe_unused]] const std::int32_t spare = m_quorret.slot(remote::kSpare);
    writeState();
    // A command written since it was read stays for the next tick instead of being wiped.
    if (code != 0) m_quorret.compareAndSetSlot(remote::kCommand, code, 0);
    execute(code, argument);
}

void ScopeRemoteControl::execute(int code, int argument) {
    switch (code) {
    case remote::Ch1Range:
    case remote::Ch2Range:
        if (argument >= 0 && argument < kRanges) m_scope.selectRange(code - remote::Ch1Range, argument);
        break;
    case remote::Timebase:
        if (const int row = remote::timebaseRowForIndex(argument); row >= 0) m_scope.selectTimebase(row);
        break;
    case remote::Run:
        m_scope.SpeedButtonRunClick(argument == 1);
        break;
    case remote::Single:
        m_scope.SpeedButtonSingleClick(argument == 1);
        break;
    case remote::Ch1Position:
    case remote::Ch2Position:
        m_scope.setPosition(code - remote::Ch1Position, std::clamp(argument, -128, 127));
        break;
    case remote::TriggerOn:
        m_scope.setTriggerOn(argument != 0);
        break;
    case remote::TriggerLevel:
        m_scope.setTriggerLevel(std::clamp(argument, 0, 254));
        break;
    case remote::TriggerSource:
        m_scope.setTriggerSource(std::clamp(argument, 0, 1) == 1 ? trig::SourceCh2 : trig::SourceCh1);
        break;
    case remote::TriggerEdge:
        m_scope.setTriggerEdge(argument != 0);
        break;
    case remote::Ch1Coupling:
    case remote::Ch2Coupling: {
        static constexpr Coupling couplings[] = {Coupling::AC, Coupling::DC, Coupling::GND};
        m_scope.setCoupling(code - remote::Ch1Coupling, couplings[std::clamp(argument, 0, 2)]);
        break;
    }
    case remote::ShowWindow:
        emit showRequested(argument == 1);
        break;
    default:
        break; // no command, or one the program does not know
    }
}

void ScopeRemoteControl::writeState() {
    const ScopeState& s = m_scope.state();
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelState& c = s.channel[ch];
        m_quorret.setSlot(remote::kCh1Range + ch, c.range);
        m_quorret.setSlot(remote::kCh1Position + ch, c.position);
        m_quorret.setSlot(remote::kCh1Coupling + ch, couplingCode(c.coupling));
    }
    m_quorret.setSlot(remote::kTimebase, remote::timebaseIndexForRow(s.timebase.row));
    m_quorret.setSlot(remote::kTriggerOn, s.trigger.on ? 1 : 0);
    m_quorret.setSlot(remote::kTriggerSource, sourceCode(s.trigger));
    m_quorret.setSlot(remote::kTriggerEdge, s.trigger.rising ? 1 : 0);
    m_quorret.setSlot(remote::kTriggerLevel, s.trigger.level);
}

void ScopeRemoteControl::SaveShareData() {
    const int rate = remote::sampleRateForRow(m_scope.state().timebase.row);
    writeRecord(remote::kCh2Record, 1, rate);
    writeRecord(remote::kCh1Record, 0, rate);
    std::atomic_thread_fence(std::memory_order_release); // the records before the flag
    m_dso.setSlot(remote::kFrameWritten, 1);
}

void ScopeRemoteControl::writeRecord(int base, int channel, int rate) {
    const ChannelState& c = m_scope.state().channel[channel];
    m_dso.setSlot(base + remote::kRecordRate, rate);
    m_dso.setSlot(base + remote::kRecordFullScale, remote::fullScaleMillivolts(c.range));
    m_dso.setSlot(base + remote::kRecordZero, 255 - c.positionValue);
    // The raw record holds every sample on four points; channel 2 comes first.
    const std::vector<std::int32_t>& raw = m_scope.records().raw;
    const int first = channel == 0 ? kCh1Base : 0;
    for (int i = 0; i < remote::kSamples; ++i)
        m_dso.setSlot(base + remote::kRecordSamples + i, raw[first + 4 * i]);
    for (int i = remote::kRecordSamples + remote::kSamples; i < remote::kRecordSlots; ++i)
        m_dso.setSlot(base + i, 0);
}

} // namespace tarvik
