// The screen's markers, their readouts and the text annotation.

#include "display/ScopeScreen.h"

#include <algorithm>
#include <cstdlib>

namespace tarvik {

namespace {

constexpr int kParked = -300; // a spectrum level marker that is not read

} // namespace

int ScopeScreen::levelChannel() const {
    return m_controller.state().channel[0].on ? 0 : 1;
}

std::vector<QPoint> ScopeScreen::horizontalMarker(int y) const {
    std::vector<QPoint> dots; // dots on every other pixel; the gaps leave the picture alone
    for (int x = m_geometry.left + 1; x <= m_geometry.left + m_geometry.gridWidth(); x += 2)
        dots.emplace_back(x, y);
    return dots;
}

std::vector<QPoint> ScopeScreen::verticalMarker(int x) const {
    std::vector<QPoint> dots;
    for (int y = m_geometry.top + 1; y <= m_geometry.top + m_geometry.gridHeight() + 1; y += 2)
        dots.emplace_back(x, y);
    return dots;
}

int ScopeScreen::frequencyMarkerX() const {
    // Walk the shown points in steps of the zoom until the marker's point is passed.
    const ScopeState& s = m_controller.state();
    const int L = m_geometry.left, first = std::max(1, s.timebase.startIndex),
              zoom = std::max(1, s.spectrumZoom);
    int n = 0;
    while (first + n * zoom < m_frequencyBin + zoom && L - 2 + 2 * n < L + m_geometry.gridWidth() + 2) ++n;
    return L - 2 + 2 * n;
}

void ScopeScreen::updateMarkers() {
    const ScopeState& s = m_controller.state();
    const int L = m_geometry.left, T = m_geometry.top;
    const int channel = levelChannel();
    const std::uint32_t levelPen = m_colors.pen(channel == 0 ? ColorTable::Ch1 : ColorTable::Ch2);
    const std::uint32_t timePen = m_colors.pen(ColorTable::Time_Marker);
    const QRgb levelColour = m_colors.rgb(channel == 0 ? ColorTable::Ch1 : ColorTable::Ch2);
    const QRgb timeColour = m_colors.rgb(ColorTable::Time_Marker);
    const MarkerPositions& m = m_markers;
    auto placedX = [L](int x) { return x >= L; };
    auto placedY = [T](int y) { return y >= T; };

    // Oscilloscope markers, in the order level 1, level 2, time 1, time 2.
    const bool scope = m_scopeMarkers && !s.spectrumOn;
    setFigure(m_markerLines[0], scope && placedY(m.level1), horizontalMarker(m.level1), levelPen, false);
    setFigure(m_markerLines[1], scope && placedY(m.level2), horizontalMarker(m.level2), levelPen, false);
    setFigure(m_markerLines[2], scope && placedX(m.time1), verticalMarker(m.time1), timePen, false);
    setFigure(m_markerLines[3], scope && placedX(m.time2), verticalMarker(m.time2), timePen, false);

    // Spectrum markers: two levels and the frequency.
    const bool spectrum = m_spectrumMarkers != SpectrumMarkers::Off && s.spectrumOn;
    m_frequencyBin =
        tarvik::frequencyMarkerBin(m.frequency, L, s.spectrumZoom, std::max(1, s.timebase.startIndex));
    const int fx = frequencyMarkerX();
    setFigure(m_spectrumLines[0], spectrum && placedY(m.spectrum1), horizontalMarker(m.spectrum1), levelPen,
              false);
    setFigure(m_spectrumLines[1], spectrum && placedY(m.spectrum2), horizontalMarker(m.spectrum2), levelPen,
              false);
    setFigure(m_spectrumLines[2], spectrum && fx >= L && fx < L + m_geometry.gridWidth() + 1,
              verticalMarker(fx), timePen, false);

    // Readouts on the row under the graticule.
    const int row = m_geometry.textRow;
    QString level, time, inverse, frequency;
    if (scope) {
        const TimeReadout t = timeReadout(std::max(m.time1, L), std::max(m.time2, L), s.timebase.timeDivText);
        time = t.dt;
        inverse = t.inverse;
        if (placedY(m.level1) || placedY(m.level2))
            level = voltageReadout(std::max(m.level1, T), std::max(m.level2, T), T, s.channel[channel].range,
                                   s.channel[channel].positionValue, s.mathView);
    } else if (spectrum) {
        if (placedX(m.frequency))
            frequency =
                frequencyReadout(m_frequencyBin, s.timebase.value, s.spectrumPoints != kChannelPoints);
        level = levelReadout(m.spectrum1, m.spectrum2, T, s.channel[channel].range, m_spectrumMarkers,
                             s.timebase.value, s.spectrumDensityCorrection);
    }
    setText(LevelText, level, L, levelColour, row);
    setText(TimeText, time, L + 185, timeColour, row);
    setText(InverseText, inverse, L + 265, timeColour, row);
    setText(FrequencyText, frequency, L + 125, timeColour, row);
    emitChanged();
}

void ScopeScreen::setScopeMarkers(bool on) {
    m_scopeMarkers = on;
    updateMarkers();
}

void ScopeScreen::setSpectrumMarkers(SpectrumMarkers kind) {
    m_spectrumMarkers = kind;
    // Only level marker 1 is read absolutely; a difference needs both on the screen.
    if (kind == SpectrumMarkers::Level || kind == SpectrumMarkers::Density)
        m_markers.spectrum2 = kParked;
    else if (kind == SpectrumMarkers::Difference)
        m_markers.spectrum2 = m_geometry.top + 240;
    updateMarkers();
}

QString ScopeScreen::readout(const char* which) const {
    const std::string_view name(which);
    const TextSlot slot = name == "level"  ? LevelText
                          : name == "dt"   ? TimeText
                          : name == "1/dt" ? InverseText
                          : name == "f"    ? FrequencyText
                          : name == "rms"  ? RmsReadout
                                           : DbmReadout;
    return m_texts[slot].drawn ? m_texts[slot].text : QString();
}

void ScopeScreen::mouseDown(int x, int y) {
    const ScopeState& s = m_controller.state();
    const bool spectrum = s.spectrumOn;
    if (spectrum ? m_spectrumMarkers == SpectrumMarkers::Off : !m_scopeMarkers) return;
    const int T = m_geometry.top;
    const MarkerPositions& m = m_markers;
    // The nearest vertical marker, the nearest placed horizontal one; ties go to the vertical.
    Drag vertical = Drag::Frequency;
    int dx = std::abs(x - m.frequency);
    if (!spectrum) {
        const int dx1 = std::abs(x - m.time1), dx2 = std::abs(x - m.time2);
        vertical = dx2 < dx1 ? Drag::Time2 : Drag::Time1;
        dx = std::min(dx1, dx2);
    }
    const int y1 = spectrum ? m.spectrum1 : m.level1, y2 = spectrum ? m.spectrum2 : m.level2;
    Drag horizontal = Drag::None;
    int dy = 0;
    for (auto [marker, position] : {std::pair{spectrum ? Drag::Spectrum1 : Drag::Level1, y1},
                                    std::pair{spectrum ? Drag::Spectrum2 : Drag::Level2, y2}}) {
        if (position < T) continue; // a marker that is not placed cannot be taken
        const int d = std::abs(y - position);
        if (horizontal == Drag::None || d < dy) {
            horizontal = marker;
            dy = d;
        }
    }
    m_drag = horizontal != Drag::None && dy < dx ? horizontal : vertical;
    mouseMove(x, y);
}

void ScopeScreen::mouseMove(int x, int y) {
    if (m_drag == Drag::None) return;
    const int L = m_geometry.left, T = m_geometry.top;
    x = std::clamp(x, L, L + m_geometry.gridWidth());
    y = std::clamp(y, T, T + m_geometry.gridHeight());
    MarkerPositions& m = m_markers;
    switch (m_drag) {
    case Drag::Time1:
        m.time1 = x;
        break;
    case Drag::Time2:
        m.time2 = x;
        break;
    case Drag::Level1:
        m.level1 = y;
        break;
    case Drag::Level2:
        m.level2 = y;
        break;
    case Drag::Frequency:
        m.frequency = x;
        break;
    case Drag::Spectrum1:
        m.spectrum1 = y;
        break;
    case Drag::Spectrum2:
        m.spectrum2 = y;
        break;
    case Drag::None:
        break;
    }
    updateMarkers();
}

void ScopeScreen::mouseUp(int x, int y) {
    mouseMove(x, y);
    m_drag = Drag::None;
}

// ---------------------------------------------------------------- annotation

void ScopeScreen::setAnnotation(const Annotation& annotation, bool redrawNow) {
    m_annotation = annotation;
    if (!redrawNow) return;
    clean();
    piirrot();
}

void ScopeScreen::drawAnnotation() {
    const Annotation& a = m_annotation;
    if (!a.shown) return;
    const QRgb colour = m_colors.rgb(ColorTable::Time_Marker), cell = m_colors.rgb(ColorTable::Background);
    auto write = [&](int x, int y, const QString& text) {
        if (a.transparent)
            m_canvas.text(x, y, text, colour);
        else
            m_canvas.text(x, y, text, colour, cell);
    };
    for (int i = 0; i < a.lines.size(); ++i) {
        const int y = a.y + 13 * i;
        // Tabbed lines (waveform parameters) are set out in columns.
        const QStringList fields = a.lines[i].split(QLatin1Char('\t'));
        write(a.x, y, fields[0]);
        if (fields.size() > 1) write(a.x + 80, y, fields[1]);
        if (fields.size() > 2)
            write(a.x + (a.wideColumns ? 140 : 80), y, fields.mid(2).join(QLatin1Char(' ')));
    }
}

} // namespace tarvik
