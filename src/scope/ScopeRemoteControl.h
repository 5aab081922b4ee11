#pragma once
// Remote control of the oscilloscope through shared memory. Another program writes a command
// code and its argument into "QuorretData"; every 10 ms the service publishes the state of the
// controls there, takes the command and carries it out through the same controller action a
// click runs. After every frame the service writes the frame into "ShareDSOData".

#include "base/Clock.h"
#include "device/FastTimer.h"
#include "device/SharedMemory.h"
#include "scope/ScopeController.h"

#include <QObject>
#include <array>
#include <cstdint>

namespace tarvik {

// The layout of the two blocks, shared with the command-line client.
namespace remote {

// "QuorretData" slots
inline constexpr int kCommand = 0;                         // command code, cleared by the program; 0 = none
inline constexpr int kArgument = 1;                        // argument of the command
inline constexpr int kSpare = 2;                           // read and ignored
inline constexpr int kCh1Range = 10, kCh2Range = 11;       // range index 0..5 = 5 V .. 0.1 V per division
inline constexpr int kTimebase = 12;                       // time base index 0..16 (16: 5 us/div and faster)
inline constexpr int kCh1Position = 13, kCh2Position = 14; // -128..127
inline constexpr int kCh1Coupling = 15, kCh2Coupling = 16; // 0 AC, 1 DC, 2 GND
inline constexpr int kTriggerOn = 17;                      // 1 on, 0 off
inline constexpr int kTriggerSource = 18;                  // 0 Ch1, 1 Ch2, 2 Ext
inline constexpr int kTriggerEdge = 19;                    // 1 rising, 0 falling
inline constexpr int kTriggerLevel = 20;                   // 0..255

// Command codes
enum Command : int {
    Ch1Range = 1,
    Ch2Range = 2,
    Timebase = 3,
    Run = 4,
    Single = 5,
    Ch1Position = 6,
    Ch2Position = 7,
    TriggerOn = 8,
    TriggerLevel = 9,
    TriggerSource = 10,
    TriggerEdge = 11,
    Ch1Coupling = 12,
    Ch2Coupling = 13,
    ShowWindow = 14,
};
// A code no command has: the program clears it and does nothing, which tells a client that
// the program is alive and has just rewritten the state slots.
inline constexpr int kPing = -1;

// "ShareDSOData" slots: a channel record is the sample rate, the full scale, the zero level
// and the 1024 samples, followed by zeros up to the next record.
inline constexpr int kCh2Record = 0;
inline constexpr int kCh1Record = 4099;
inline constexpr int kRecordRate = 0;      // samples per second
inline constexpr int kRecordFullScale = 1; // millivolts over 8 divisions
inline constexpr int kRecordZero = 2;      // sample value of 0 V
inline constexpr int kRecordSamples = 3;   // first of the 1024 samples
inline constexpr int kRecordSlots = 4099;
inline constexpr int kSamples = 1024;
inline constexpr int kFrameWritten = 8198; // 1 once a frame is complete; clients clear it

// Time base index 0..16 of the commands: 500 ms .. 5 us per division, then 2 us.
inline constexpr int kTimebaseIndices = 17;
int timebaseRowForIndex(int index);      // the time/div row; -1 for an index outside 0..16
int timebaseIndexForRow(int row);        // what slot 12 reports for a row
int fullScaleMillivolts(int rangeIndex); // 40000 .. 800 for 5 V .. 0.1 V per division
int sampleRateForRow(int row);           // samples per second published with a frame

} // namespace remote

class ScopeRemoteControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;

    // Serves `quorret` and publishes frames into `dso` (through the controller's publish
    // consumer, which it takes over for its lifetime). The tick runs once start() is called.
    ScopeRemoteControl(ScopeController& scope, SharedMemoryBlock& quorret, SharedMemoryBlock& dso,
                       Clock& clock, QObject* parent = nullptr);
    ~ScopeRemoteControl() override;

    // Starts the 10 ms tick. False, with "No FastTimers available." in *error, when no timer
    // could be had: the block is then not served and everything else works on.
    bool start(QString* error = nullptr);
    void stop();
    bool serving() const { return m_serving; }
    TFastTimer& timer() { return m_timer; }

    // One tick: publish the state slots, take the command and carry it out.
    void tick();
    // Carries out one command with its argument clamped as the command table says.
    void execute(int code, int argument);
    // Slots 10..20 from the controller's state.
    void writeState();
    // The last frame into "ShareDSOData": both channel records, then slot 8198 = 1.
    void SaveShareData();

    std::int32_t GetShareDatax(int index) const { return m_quorret.slot(index); }
    void SetShareDatax(int index, std::int32_t value) { m_quorret.setSlot(index, value); }

signals:
    // Command 14: restore and show the oscilloscope window (true) or hide it (false).
    void showRequested(bool show);

private:
    void writeRecord(int base, int channel, int rate);

    ScopeController& m_scope;
    SharedMemoryBlock& m_quorret;
    SharedMemoryBlock& m_dso;
    TFastTimer m_timer;
    bool m_serving = false;
};

} // namespace tarvik
