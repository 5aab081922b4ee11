#pragma once
// The oscilloscope's one action surface. Every user-level action of the front panel is a
// method here: the time/div steps, the channels' ranges, coupling, switches and positions,
// the trigger, Run and Single. Widgets, the remote-control block, settings recall,
// calibration and autoset all call these same methods; the controller sends the settings to
// the instrument, runs the acquisition and tells the screen when to draw.

#include "base/Clock.h"
#include "base/Prompts.h"
#include "device/CommandSet.h"
#include "scope/FrameReader.h"
#include "scope/Records.h"
#include "scope/ScopeState.h"
#include "scope/ScopeView.h"

#include <QObject>
#include <functional>
#include <memory>

namespace tarvik {

// What other parts of the program do with every frame, called in this order after the frame
// has been decoded: measure, spectrum, publish, then the screen draws. Any may be empty.
struct FrameConsumers {
    std::function<void(bool waveformParameters)> measure; // RMS/dBm readout (and the parameters)
    std::function<void(bool averaged)> spectrum;          // spectrum mode: with averaging and peak hold?
    std::function<void()> publish;                        // the frame for other programs
    std::function<void()> history;                        // append the display record to the history
    std::function<void()> extendedCalibration;            // advance the deferred calibration
    std::function<bool()> persistenceCountdown;           // true: the acquisition count ran out
};

// The demo signal source: decides whether a frame is ready and writes it.
class DemoSource {
public:
    virtual ~DemoSource() = default;
    virtual void rebuild() {}                 // ranges, positions or time base changed
    virtual bool frameReady(bool single) = 0; // one tick of the Run or Single loop
    virtual void frame() = 0;                 // write the frame into the records
    virtual void restart() {}                 // a new capture was started
};

// The trigger level as a voltage for the level display ("2.00V", "200.00mV"); empty for the
// Ext source, whose level no channel's scale describes.
QString triggerLevelText(const ScopeState& state);

class ScopeController : public QObject {
    Q_OBJECT
public:
    static constexpr int kLoopMs = 10;        // Run and Single loop ticks
    static constexpr int kWatchdogMs = 1000;  // trigger watchdog
    static constexpr int kWaitingSeconds = 2; // watchdog ticks tolerated before "Waiting for trigger"

    ScopeController(Clock& clock, Prompts& prompts, CommandSet& commands, QObject* parent = nullptr);
    ~ScopeController() override;

    void setView(ScopeView* view) { m_view = view ? view : &m_nullView; }
    void setDemoSource(DemoSource* demo) { m_demo = demo; }
    FrameConsumers consumers;
    std::function<void()> ms500offHook; // re-enables the "Autoset" buttons

    const ScopeState& state() const { return m_state; }
    FrameRecords& records() { return m_records; }
    const FrameRecords& records() const { return m_records; }
    const NoiseRejectStore& noiseRejectStore() const { return m_noise; }
    CommandSet& commands() { return m_commands; }
    bool demoMode() const { return m_commands.link().demoMode(); }

    // ---- calibration and options ----
    void setCalibration(const CalibrationValues& values);
    void setEtsNoticeNever(bool never);
    void setSampleRateShown(bool shown);
    void setReadoutsShown(bool rms, bool dBm); // "RMS Value", "dBm Value"
    void setCalibrating(bool on) { m_state.calibrating = on; }
    // The front end a calibration starts from: acquisition stopped, trigger off on "Ch1" and
    // "Up" (even at the equivalent-time steps), both channels on.
    void prepareForCalibration();
    // After a calibration: "Up", the trigger level sent again, both channels DC, trigger off.
    void restoreAfterCalibration();
    void setFileReplay(bool on) { m_state.acq.fileReplay = on; }
    // The demo signal set's name ("DEMO 1", "DEMO 2") for the screen to show.
    void setDemoCaption(const QString& caption) {
        if (caption == m_state.demoCaption) return;
        m_state.demoCaption = caption;
        m_view->updateLabels();
    }

    // ---- time base ----
    void selectTimebase(int row);                // a time/div (or spectrum-range) button
    bool selectTimebase(const QString& caption); // by time/div caption
    void AsetaAika(int zoom, const QString& caption);
    void ms500off();
    void setHorizontalPosition(int position); // the position control under the screen

    // ---- channels (0 = channel 1) ----
    void selectRange(int channel, int rangeIndex);
    void setCoupling(int channel, Coupling coupling);
    void setChannelOn(int channel, bool on);
    void setPosition(int channel, int position);
    void asetus(const QString& caption, int channelNumber); // channel number 1, 2, or 0: no label
    void selectDefaults();                                  // "2V", "2V", "1ms" as clicks
    // The controls after the instrument's trigger reset: DC on both channels, trigger "Off",
    // "Ch1", "Up" (already sent; nothing more goes to the instrument).
    void showTriggerResetState();

    // ---- trigger ----
    void setTriggerOn(bool on);                 // "On" / "Off"
    void setTriggerSource(std::uint8_t source); // "Ch1", "Ch2", "Ext"
    void setTriggerEdge(bool rising);           // "Up" / "Dn"
    void setTriggerLevel(int level);            // the level control
    void find();                                // "Find"
    void setNoiseReject(bool on);

    // ---- acquisition ----
    void SpeedButtonRunClick(bool down);
    void SpeedButtonSingleClick(bool down);
    // One capture, for autoset, the analyzer and the file loader: `done` is called once, with
    // true when a frame was processed, false when the capture was abandoned.
    void SingleClick(std::function<void(bool frame)> done);
    void setAveraging(int count); // 0 ("Off"), 2, 4, ..., 128
    void setClearDisplayOnRun(bool on) { m_state.acq.clearDisplayOnRun = on; }
    void stopAcquisition(); // release Run and Single
    bool idle() const { return m_state.acq.idle; }
    // Decodes the frame in the receive buffer into the records.
    void LueData_500();

    // ---- spectrum analyzer mode ----
    void fft1Click();          // "Spectrum Analyzer": the spectrum of one channel instead of the waveforms
    void SpeedButton22Click(); // "Oscilloscope": back to the waveforms
    // The channel whose spectrum is shown: channel 1 while it is on, else channel 2.
    int spectrumChannel() const { return m_state.channel[0].on ? 0 : 1; }
    // The spectrum's zoom and the number of record points it fills (4096, 2560 on the
    // logarithmic axis), for drawing.
    void setSpectrumView(int zoom, int points, double densityCorrection);
    void redraw(); // erase the traces and draw them again from the records
    // Called whenever the spectrum's averaging must start afresh (range, time base, channel
    // on/off, Single, entering the mode).
    std::function<void()> spectrumRestartHook;

signals:
    void statusChanged(const QString& text);
    void acquisitionChanged();        // Run, Single, averaging
    void timebaseChanged();           // row, captions, horizontal position and range
    void channelChanged(int channel); // range, coupling, switch, position
    void triggerChanged();
    void frameDisplayed();
    void plainCaptionWanted(); // the window shows a file name no longer
    void modeChanged();        // oscilloscope or spectrum analyzer
    void readoutsChanged();    // "RMS Value", "dBm Value"

private:
    // acquisition
    void runTick();
    void singleTick();
    void watchdogTick();
    bool pollFrame(bool single); // one pass of the frame reader or the demo
    void startCapture();         // code 9, code 11
    void processFrame(bool single);
    void endSingle(bool frame);
    void stopRun(bool sendStop);
    void stopSingle(bool sendStop);
    void clearReceiveStart();
    void setStatus(const QString& text);
    // front end
    void applyTriggerMode(bool on, bool keepRemembered);
    void updatePositionValue(int channel);
    void rebuildDemo();
    void updateInterpolationMode();
    void restartNoiseReject() { m_noise.accepted = 0; }
    void etsNotice();

    Clock& m_clock;
    Prompts& m_prompts;
    CommandSet& m_commands;
    ScopeState m_state;
    FrameRecords m_records;
    NoiseRejectStore m_noise; // "Noise Reject": the accepted frames
    FrameReader m_reader;
    ScopeView m_nullView;
    ScopeView* m_view = &m_nullView;
    DemoSource* m_demo = nullptr;
    std::unique_ptr<Timer> m_runTimer;
    std::unique_ptr<Timer> m_singleTimer;
    std::unique_ptr<Timer> m_watchdog;
    void restartSpectrum() {
        if (spectrumRestartHook) spectrumRestartHook();
    }
    std::function<void(bool)> m_singleDone;
    // What entering the spectrum mode saves for the way back.
    std::vector<std::int32_t> m_savedDisplay;
    std::array<bool, 2> m_savedChannelOn{true, true};
    int m_savedPosition = 32;
    PositionRange m_savedRange{0, 127};
    int m_spectrumPosition =
        0; // the spectrum's own horizontal position, kept between visits // the caller of SingleClick
    bool m_calibrationWarned = false;
};

} // namespace tarvik
