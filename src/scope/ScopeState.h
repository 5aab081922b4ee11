#pragma once
// The oscilloscope's state as its controls set it: channels, time base, trigger and
// acquisition. The controller owns it; screens and analyses read it.

#include "scope/Calibration.h"
#include "scope/FrontEnd.h"
#include "scope/Timebase.h"

#include <QString>
#include <array>
#include <cstdint>

namespace tarvik {

struct ChannelState {
    int range = kDefaultRange; // index into rangeTable()
    Coupling coupling = Coupling::DC;
    bool acFlag = false;   // AC relay as sent (GND keeps the previous coupling)
    bool notGround = true; // false while "GND": the decoder flattens the channel
    bool on = true;
    int position = 0;                            // vertical position control, -128..127
    int previousPosition = 0;                    // position at the last change, for shifting a stored trace
    int positionValue = 127;                     // pixels below the graticule top where 0 V appears
    int traceShift = 0;                          // vertical shift of a stored trace, pixels
    QString rangeCaption = QStringLiteral("2V"); // the range's caption
    QString label;                               // the label as drawn: caption, "~" when AC
};

struct TimebaseState {
    int row = kDefaultTimebaseRow; // the selected row of timebaseTable()
    int value = 100000;            // time per division, 10 ns units
    int capturedValue = 0;         // value when the shown frame was captured (0: none yet)
    int density = 4;
    int zoom = 2;
    double pointStep = 4;  // record points per two pixels when drawing
    int startIndex = 1024; // first record point at the left edge
    int position = 32;     // horizontal position control
    PositionRange positionRange{0, 127};
    QString timeDivText = QStringLiteral("1ms");
    QString sampleRateText = QStringLiteral("25kS/s");
    bool ets = false;          // equivalent-time steps active
    int interpolationMode = 0; // 0 normal, 1 at "0.2us", 2 at "0.1us"
};

struct TriggerState {
    bool on = false;
    bool rememberedOn = false; // switched on by the user (kept while GND forces it off)
    std::uint8_t source = 16;  // 16 Ch1, 0 Ch2, 1 Ext
    bool rising = true;        // "Up"
    int level = 127;           // level control, 0 = top of the screen
    bool offEnabled = true;    // "Off" is disabled at the equivalent-time steps
    bool noiseReject = false;
    int secondsWithoutTrigger = 0;
};

// The channel the trigger watches: 0 for channel 1, 1 for channel 2, -1 for Ext.
inline int triggerChannel(const TriggerState& t) {
    return t.source == 16 ? 0 : t.source == 0 ? 1 : -1;
}

struct AcquisitionState {
    bool runDown = false;    // the "Run" button
    bool singleDown = false; // the "Single" button
    bool singleEnabled = true;
    int runPhase = 5;    // 0..2 while Run is active, 5 when released
    int singlePhase = 5; // 0..1 while Single waits, 5 when done
    bool stopRun = true;
    bool stopSingle = true;
    bool idle = true; // no capture in progress: the window may close
    int framesSinceMeasure = 0;
    int averaging = 0;              // frames averaged: 0 (off), 2..128
    bool clearDisplayOnRun = false; // "Clear Display on Run/Single Click"
    bool fileReplay = false;        // a stored frame is replayed: the device is not read
    bool frameShown = false;        // a frame has been displayed
    QString status;                 // the status label
};

// The captions kept with each frame, for saving it.
struct FrameCaptions {
    QString timeDiv;
    QString ch1;
    QString ch2;
};

struct ScopeState {
    std::array<ChannelState, 2> channel{};
    TimebaseState timebase;
    TriggerState trigger;
    AcquisitionState acq;
    FrameCaptions frameCaptions;
    CalibrationValues calibration;
    bool spectrumOn = false;                // spectrum analyzer mode
    int spectrumZoom = 3;                   // spectrum: display points per 2-pixel column
    int spectrumPoints = 4096;              // spectrum: points of a channel record that hold the spectrum
    double spectrumDensityCorrection = 1.0; // dB of the spectrum window's noise bandwidth
    bool rmsShown = false;                  // "RMS Value": the RMS readout under the graticule
    bool dBmShown = false;                  // "dBm Value": the dBm readout
    bool calibrating = false;
    bool autosetRunning = false;
    bool persistDown = false;         // "Persist"
    bool mathView = false;            // a math view or XY is on
    bool invertCh2 = false;           // channel 2 shown inverted
    bool sampleRateShown = false;     // "Sample Rate" (menu View)
    bool etsNoticeSuppressed = false; // "During this session" or "Never"
    bool etsNoticeNever = false;      // "Never": kept in the configuration
    QString demoCaption;              // "DEMO 1" or "DEMO 2" on the screen in demo mode
};

} // namespace tarvik
