#pragma once
// The oscilloscope screen: graticule, traces, zero and trigger markers and the label row,
// drawn incrementally on a persistent image. Traces and markers are inverting figures; each
// is remembered exactly as drawn and erased by drawing the same pixels again, whatever the
// state has become since. Texts are erased by writing them again in the background colour.
// A full clear (new background, graticule, markers, labels) happens only when a clean is
// pending. The screen reads the controller's state and records and never changes them.

#include "analysis/WaveformParameters.h"
#include "display/Colors.h"
#include "display/Readouts.h"
#include "display/ScreenGeometry.h"
#include "display/XorCanvas.h"
#include "scope/ScopeController.h"

#include <QObject>
#include <array>
#include <vector>

namespace tarvik {

// The colour of the trigger source: its channel's, or Math1 for Ext.
ColorTable::Slot triggerColour(const TriggerState& trigger);

class ScopeScreen : public QObject, public ScopeView {
    Q_OBJECT
public:
    explicit ScopeScreen(const ScopeController& controller,
                         ScreenGeometry geometry = ScreenGeometry::mainScreen(), QObject* parent = nullptr);

    const XorCanvas& canvas() const { return m_canvas; }
    const ScreenGeometry& geometry() const { return m_geometry; }
    const ColorTable& colors() const { return m_colors; }

    // Display options; each cleans and redraws the screen.
    void setColors(const ColorTable& colors);
    void setDotJoin(bool on);             // "Dot Join": traces as lines rather than dots
    void setBrightGrid(bool on);          // "Bright Grid"
    void setLinearInterpolation(bool on); // "S/L" down: linear rather than sine interpolation
    bool dotJoin() const { return m_dotJoin; }
    bool brightGrid() const { return m_brightGrid; }
    bool linearInterpolation() const { return m_linear; }

    // ---- ScopeView ----
    void setCleanPending() override { m_cleanPending = true; }
    void putsataanko() override;
    void poisto() override;
    void piirrot() override;
    void updateLabels() override;
    void updateZeroMarker(int channel) override;
    void updateTriggerMarkers() override;
    void updateMarkers() override; // marker lines and readouts follow the state

    void clean(); // a full clear now

    // ---- markers ----
    // Marker positions in screen pixels; a marker left of the graticule or above it is not
    // placed.
    struct MarkerPositions {
        int time1, time2;         // oscilloscope: vertical markers
        int level1, level2;       // oscilloscope: horizontal markers
        int frequency;            // spectrum: the vertical marker
        int spectrum1, spectrum2; // spectrum: the horizontal markers
    };
    const MarkerPositions& markers() const { return m_markers; }
    void setScopeMarkers(bool on);                 // "Markers (DSO) "
    void setSpectrumMarkers(SpectrumMarkers kind); // the "Markers (FFT)" items
    bool scopeMarkers() const { return m_scopeMarkers; }
    SpectrumMarkers spectrumMarkers() const { return m_spectrumMarkers; }
    int frequencyMarkerBin() const { return m_frequencyBin; }
    // The left mouse button on the screen (image coordinates) picks the nearest marker and
    // drags it within the graticule.
    void mouseDown(int x, int y);
    void mouseMove(int x, int y);
    void mouseUp(int x, int y);
    // The text drawn in a readout slot, for checking what the user sees.
    QString readout(const char* which) const;

    // ---- annotation ("Add Text") ----
    struct Annotation {
        QStringList lines;
        int x = 0;
        int y = 0;
        bool shown = false;
        bool transparent = false; // "Transparent text": no background behind the letters
        bool wideColumns = false; // the lines are waveform parameters of both channels
    };
    const Annotation& annotation() const { return m_annotation; }
    // Cleans and redraws the screen with it, unless `redrawNow` is false (then it shows at the
    // next full clear).
    void setAnnotation(const Annotation& annotation, bool redrawNow = true);
    // The RMS and dBm readouts on the row under the graticule, in a channel's colour; an
    // empty text is no readout.
    void setReadouts(const QString& rms, const QString& dBm, QRgb colour);
    // The waveform parameters shown on the screen ("Show on Screen"); the screen is cleaned and
    // redrawn with them.
    void setParameterTexts(std::vector<ScreenText> texts);
    // The points of a channel's trace as it would be drawn now (channel 0 = channel 1).
    const std::vector<QPoint>& tracePoints(int channel);
    bool traceDrawn(int channel) const { return m_trace[channel].drawn; }

signals:
    void changed(); // the image changed

private:
    // A figure drawn with an inverting pen, remembered so that it can be erased exactly.
    struct Figure {
        std::vector<QPoint> points;
        std::uint32_t mask = 0;
        bool joined = true;
        bool drawn = false;
    };
    // A text drawn in a colour, remembered so that it can be written again in the background.
    struct Text {
        QString text;
        int x = 0;
        int y = 0;
        QRgb colour = 0;
        bool drawn = false;
    };
    enum TextSlot {
        Ch1Label,
        Ch2Label,
        TimeDivLabel,
        SampleRateLabel,
        DemoLabel,
        RmsReadout,
        DbmReadout,
        LevelText,     // "dV: ..." (oscilloscope) or "V: ..." / "dV: ...dB" (spectrum), at L
        TimeText,      // "dt: ..." at L + 185
        InverseText,   // "1/dt: ..." at L + 265
        FrequencyText, // "f: ..." at L + 125
        TextSlots
    };
    enum class Drag { None, Time1, Time2, Level1, Level2, Frequency, Spectrum1, Spectrum2 };

    void DoGrid();
    void piirra(int channel);
    void toggle(Figure& figure); // draw or erase
    void setFigure(Figure& figure, bool wanted, std::vector<QPoint> points, std::uint32_t mask, bool joined);
    void setText(TextSlot slot, const QString& text, int x, QRgb colour, int y = -1);
    void buildSpectrumTrace(int channel, std::vector<QPoint>& out);
    void frameLines(); // the top and bottom frame lines, over clipped trace points
    void buildTrace(int channel, std::vector<QPoint>& out);
    void buildInterpolatedTrace(int channel, std::vector<QPoint>& out);
    void finishTrace(int channel, std::vector<QPoint>& points) const;
    std::vector<QPoint> triggerPointMarker() const;
    std::vector<QPoint> triggerLevelMarker() const;
    std::vector<QPoint> zeroMarker(int channel) const;
    std::uint32_t triggerPen() const;
    QRgb gridColour() const;
    void emitChanged();
    void drawAnnotation();
    int levelChannel() const; // channel 1 while it is on, else channel 2
    std::vector<QPoint> horizontalMarker(int y) const;
    std::vector<QPoint> verticalMarker(int x) const;
    int frequencyMarkerX() const;

    const ScopeController& m_controller;
    ScreenGeometry m_geometry;
    XorCanvas m_canvas;
    ColorTable m_colors;
    bool m_dotJoin = true;
    bool m_brightGrid = false;
    bool m_linear = false;
    bool m_cleanPending = true;
    std::array<Figure, 2> m_trace;
    std::array<Figure, 2> m_zero;
    Figure m_triggerLevel;
    Figure m_triggerPoint;
    std::array<Text, TextSlots> m_texts;
    std::vector<ScreenText> m_parameterTexts;
    MarkerPositions m_markers;
    bool m_scopeMarkers = false;
    SpectrumMarkers m_spectrumMarkers = SpectrumMarkers::Off;
    int m_frequencyBin = 0;
    Drag m_drag = Drag::None;
    std::array<Figure, 4> m_markerLines;   // level 1, level 2, time 1, time 2
    std::array<Figure, 3> m_spectrumLines; // level 1, level 2, frequency
    Annotation m_annotation;
    std::vector<QPoint> m_scratch; // points of a trace being built
    std::vector<int> m_expanded;   // interpolation work arrays, allocated once
    std::vector<int> m_filtered;
    std::uint64_t m_shownGeneration = 0;
};

} // namespace tarvik
