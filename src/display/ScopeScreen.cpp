#include "display/ScopeScreen.h"

#include "analysis/Spectrum.h"
#include "base/Numbers.h"

#include <algorithm>
#include <cmath>

namespace tarvik {

namespace {

// The sine interpolation filter of the equivalent-time steps: 95 symmetric taps summing to 1007.
constexpr std::array<int, 48> kHalfFilter{
    -6,  -2,  3,  7, 7,  3,  -3, -7, -8,  -4,  2,   7, 9,  6,  -1, -8, -10, -7,  0,   8, 12, 9,   1,   -8,
    -14, -12, -3, 8, 16, 16, 6,  -8, -20, -21, -10, 9, 26, 31, 18, -9, -38, -52, -38, 9, 81, 159, 219, 241};
constexpr int kTaps = 95;
constexpr int kFilterSum = 1007;
constexpr int kLeadCopies = 101; // copies of the first point before the expanded points

constexpr int filterTap(int k) {
    return k < 48 ? kHalfFilter[k] : kHalfFilter[kTaps - 1 - k];
}

int channelBase(int channel) {
    return channel == 0 ? kCh1Base : 0;
}

} // namespace

ScopeScreen::ScopeScreen(const ScopeController& controller, ScreenGeometry geometry, QObject* parent)
    : QObject(parent), m_controller(controller), m_geometry(geometry),
      m_canvas(geometry.width, geometry.height) {
    const int L = m_geometry.left, T = m_geometry.top;
    m_markers = {L + 16, L + 634, T + 16, T + 240, L + 16, T + 16, T + 240};
    m_scratch.reserve(1400);
    m_expanded.reserve(kLeadCopies + 4 * kChannelPoints);
    m_filtered.reserve(kLeadCopies + 4 * kChannelPoints);
    clean();
}

QRgb ScopeScreen::gridColour() const {
    return m_colors.rgb(m_brightGrid ? ColorTable::Bright_Grid : ColorTable::Dark_Grid);
}

ColorTable::Slot triggerColour(const TriggerState& t) {
    switch (triggerChannel(t)) {
    case 0:
        return ColorTable::Ch1;
    case 1:
        return ColorTable::Ch2;
    default:
        return ColorTable::Math1; // Ext
    }
}

std::uint32_t ScopeScreen::triggerPen() const {
    return m_colors.pen(triggerColour(m_controller.state().trigger));
}

void ScopeScreen::emitChanged() {
    if (m_canvas.generation() == m_shownGeneration) return;
    m_shownGeneration = m_canvas.generation();
    emit changed();
}

// ---------------------------------------------------------------- options

void ScopeScreen::setColors(const ColorTable& colors) {
    m_colors = colors;
    clean();
    piirrot();
}

void ScopeScreen::setDotJoin(bool on) {
    m_dotJoin = on;
    clean();
    piirrot();
}

void ScopeScreen::setBrightGrid(bool on) {
    m_brightGrid = on;
    clean();
    piirrot();
}

void ScopeScreen::setLinearInterpolation(bool on) {
    poisto();
    m_linear = on;
    piirrot();
}

// ---------------------------------------------------------------- full clear

void ScopeScreen::clean() {
    m_cleanPending = true;
    putsataanko();
}

void ScopeScreen::putsataanko() {
    if (!m_cleanPending) return;
    for (Figure* f : {&m_trace[0], &m_trace[1], &m_zero[0], &m_zero[1], &m_triggerLevel, &m_triggerPoint})
        f->drawn = false;
    for (Figure& f : m_markerLines) f.drawn = false;
    for (Figure& f : m_spectrumLines) f.drawn = false;
    for (Text& t : m_texts) t.drawn = false;
    DoGrid();
    m_cleanPending = false;
    emitChanged();
}

void ScopeScreen::DoGrid() {
    const ScreenGeometry& g = m_geometry;
    const int L = g.left, T = g.top, W = g.gridWidth(), H = g.gridHeight();
    m_canvas.fill(m_colors.rgb(ColorTable::Background));
    const QRgb grid = gridColour();
    for (int i = 0; i <= 8; ++i)
        m_canvas.line(L, T + g.divisionHeight * i, L + W, T + g.divisionHeight * i, grid);
    for (int i = 0; i <= g.divisionsX; ++i) m_canvas.line(L + 50 * i, T, L + 50 * i, T + H, grid);
    const int centre = T + H / 2;
    for (int j = 0; j < W / 10; ++j) m_canvas.line(L + 10 * j, centre - 2, L + 10 * j, centre + 2, grid);
    static constexpr int kTicks[] = {0, 6, 13, 19, 26, 32, 39, 45, 52, 58};
    for (int group = 0; group < 4; ++group) {
        for (int k : kTicks) {
            const int y = T + (2 * g.divisionHeight) * group + k * g.yScale;
            m_canvas.line(L + 1, y, L + 3, y, grid);
            m_canvas.line(L + W - 3, y, L + W - 1, y, grid);
        }
    }
    const QRgb frame = m_colors.rgb(ColorTable::Bright_Grid);
    m_canvas.line(L - 1, T - 1, L + W + 1, T - 1, frame);
    m_canvas.line(L - 1, T + H + 1, L + W + 1, T + H + 1, frame);
    m_canvas.line(L - 1, T - 1, L - 1, T + H + 1, frame);
    m_canvas.line(L + W + 1, T - 1, L + W + 1, T + H + 1, frame);
    for (const ScreenText& t : m_parameterTexts) {
        const ColorTable::Slot slot = t.colour == ScreenText::Colour::Ch1   ? ColorTable::Ch1
                                      : t.colour == ScreenText::Colour::Ch2 ? ColorTable::Ch2
                                                                            : ColorTable::Time_Marker;
        m_canvas.text(t.x, t.y, t.text, m_colors.rgb(slot));
    }
    drawAnnotation();
    updateTriggerMarkers();
    updateZeroMarker(0);
    updateZeroMarker(1);
    updateLabels();
    updateMarkers();
}

// ---------------------------------------------------------------- figures and texts

void ScopeScreen::toggle(Figure& f) {
    m_canvas.xorPolyline(f.points, f.mask, f.joined);
    f.drawn = !f.drawn;
}

void ScopeScreen::setFigure(Figure& f, bool wanted, std::vector<QPoint> points, std::uint32_t mask,
                            bool joined) {
    if (f.drawn && (!wanted || f.points != points || f.mask != mask || f.joined != joined)) toggle(f);
    if (wanted && !f.drawn) {
        f.points = std::move(points);
        f.mask = mask;
        f.joined = joined;
        toggle(f);
    }
}

void ScopeScreen::setText(TextSlot slot, const QString& text, int x, QRgb colour, int y) {
    Text& t = m_texts[slot];
    if (y < 0) y = m_geometry.labelRow;
    if (t.drawn && t.text == text && t.x == x && t.colour == colour) return;
    if (t.drawn) m_canvas.text(t.x, t.y, t.text, m_colors.rgb(ColorTable::Background));
    t = Text{text, x, y, colour, !text.isEmpty()};
    if (t.drawn) m_canvas.text(x, y, text, colour);
}

void ScopeScreen::updateLabels() {
    const ScopeState& s = m_controller.state();
    const int L = m_geometry.left;
    setText(Ch1Label, s.channel[0].on ? s.channel[0].label : QString(), L + 10,
            m_colors.rgb(ColorTable::Ch1));
    setText(Ch2Label, s.channel[1].on ? s.channel[1].label : QString(), L + 70,
            m_colors.rgb(ColorTable::Ch2));
    // In spectrum mode the time/div label gives way to the frequency range.
    setText(TimeDivLabel, s.spectrumOn ? f_alue(s.timebase.value) : s.timebase.timeDivText, L + 592,
            m_colors.rgb(ColorTable::Time_Marker));
    setText(SampleRateLabel, s.sampleRateShown && !s.spectrumOn ? s.timebase.sampleRateText : QString(),
            L + 492, m_colors.rgb(ColorTable::Time_Marker));
    setText(DemoLabel, m_controller.demoMode() ? s.demoCaption : QString(), L + 307,
            m_colors.rgb(ColorTable::Bright_Grid));
    emitChanged();
}

std::vector<QPoint> ScopeScreen::zeroMarker(int channel) const {
    const int L = m_geometry.left;
    const int y = m_geometry.top + m_controller.state().channel[channel].positionValue * m_geometry.yScale;
    if (channel == 0) return {{L - 9, y - 2}, {L - 8, y - 3}, {L - 8, y + 4}};
    return {{L - 6, y - 2}, {L - 5, y - 3}, {L - 4, y - 3}, {L - 3, y - 2},
            {L - 3, y},     {L - 6, y + 3}, {L - 2, y + 3}};
}

void ScopeScreen::setReadouts(const QString& rms, const QString& dBm, QRgb colour) {
    const int L = m_geometry.left;
    setText(RmsReadout, rms, L + 510, colour, m_geometry.textRow);
    setText(DbmReadout, dBm, L + 595, colour, m_geometry.textRow);
    emitChanged();
}

void ScopeScreen::setParameterTexts(std::vector<ScreenText> texts) {
    if (texts.empty() && m_parameterTexts.empty()) return;
    m_parameterTexts = std::move(texts);
    clean();
    piirrot();
}

void ScopeScreen::updateZeroMarker(int channel) {
    const bool on = m_controller.state().channel[channel].on && !m_controller.state().spectrumOn;
    setFigure(m_zero[channel], on, zeroMarker(channel),
              m_colors.pen(channel == 0 ? ColorTable::Ch1 : ColorTable::Ch2), true);
    emitChanged();
}

std::vector<QPoint> ScopeScreen::triggerLevelMarker() const {
    const ScopeState& s = m_controller.state();
    const int L = m_geometry.left, T = m_geometry.top;
    int first = T + s.trigger.level + 1;
    if (s.trigger.source == trig::SourceCh2 && s.invertCh2) first = T + 256 - s.trigger.level;
    std::vector<QPoint> points;
    for (int row = 0; row < 2; ++row)
        for (int x = L; x <= L + 5; ++x) points.emplace_back(x, first + row);
    return points;
}

std::vector<QPoint> ScopeScreen::triggerPointMarker() const {
    const ScopeState& s = m_controller.state();
    const TimebaseState& tb = s.timebase;
    const std::uint8_t key = timebaseTable()[tb.row].key;
    if (key == kKey20us || key == kKey10us || key == kKeyFast || s.spectrumOn || tb.zoom <= 0) return {};
    // Walk the screen as the trace does until the record reaches the trigger point.
    double f = tb.startIndex;
    int offset = 0;
    while (f < 1015 && offset <= m_geometry.gridWidth()) {
        offset += tb.zoom;
        f += tb.pointStep;
    }
    if (offset < 1 || offset > m_geometry.gridWidth()) return {};
    std::vector<QPoint> points;
    const int x = m_geometry.left + offset, bottom = m_geometry.top + m_geometry.gridHeight();
    for (int y = bottom - 6; y <= bottom; ++y) {
        points.emplace_back(x, y);
        points.emplace_back(x + 1, y);
    }
    return points;
}

void ScopeScreen::updateTriggerMarkers() {
    const ScopeState& s = m_controller.state();
    setFigure(m_triggerLevel, s.trigger.on, triggerLevelMarker(), triggerPen(), false);
    if (m_triggerPoint.drawn) {
        auto points = m_triggerPoint.points;
        setFigure(m_triggerPoint, !points.empty(), points, triggerPen(), false);
    }
    emitChanged();
}

// ---------------------------------------------------------------- traces

void ScopeScreen::frameLines() {
    const int L = m_geometry.left, T = m_geometry.top, H = m_geometry.gridHeight();
    const QRgb frame = m_colors.rgb(ColorTable::Bright_Grid);
    // The whole frame line: a point clipped at the last column stays hidden too.
    m_canvas.line(L - 1, T - 1, L + m_geometry.gridWidth() + 1, T - 1, frame);
    m_canvas.line(L - 1, T + H + 1, L + m_geometry.gridWidth() + 1, T + H + 1, frame);
}

void ScopeScreen::poisto() {
    if (m_triggerPoint.drawn) toggle(m_triggerPoint);
    bool erased = false;
    for (Figure& trace : m_trace) {
        if (!trace.drawn) continue;
        toggle(trace);
        erased = true;
    }
    if (erased) frameLines();
    emitChanged();
}

void ScopeScreen::piirrot() {
    const ScopeState& s = m_controller.state();
    if (s.acq.frameShown) {
        for (int ch = 0; ch < 2; ++ch)
            if (s.channel[ch].on && !m_trace[ch].drawn) piirra(ch);
        if (!s.spectrumOn && !m_triggerPoint.drawn)
            setFigure(m_triggerPoint, true, triggerPointMarker(), triggerPen(), false);
    }
    emitChanged();
}

void ScopeScreen::piirra(int channel) {
    Figure& trace = m_trace[channel];
    buildTrace(channel, trace.points);
    trace.mask = m_colors.pen(channel == 0 ? ColorTable::Ch1 : ColorTable::Ch2);
    trace.joined = m_dotJoin || m_controller.state().spectrumOn;
    trace.drawn = false;
    toggle(trace);
    frameLines();
}

const std::vector<QPoint>& ScopeScreen::tracePoints(int channel) {
    buildTrace(channel, m_scratch);
    return m_scratch;
}

void ScopeScreen::buildTrace(int channel, std::vector<QPoint>& out) {
    out.clear();
    const ScopeState& s = m_controller.state();
    if (s.spectrumOn) {
        buildSpectrumTrace(channel, out);
    } else if (s.timebase.interpolationMode != 0) {
        buildInterpolatedTrace(channel, out);
    } else {
        const TimebaseState& tb = s.timebase;
        const auto& p = m_controller.records().display;
        const int base = channelBase(channel), end = base + kChannelPoints;
        const int limit = m_geometry.left + m_geometry.gridWidth() + 1;
        const bool wholeSteps = tb.zoom < 2 || (tb.pointStep <= 1.001 && m_dotJoin);
        const double step = wholeSteps ? tb.pointStep : tb.pointStep / 2;
        const int dx = wholeSteps ? tb.zoom : tb.zoom / 2;
        double f = tb.startIndex + base;
        int d = static_cast<int>(f);
        // Bounded by the record's end and the screen's right edge; a step of at least one
        // pixel and a positive point step keep the walk finite.
        for (int x = m_geometry.left; d < end && x < limit && dx > 0 && step > 0; x += dx) {
            const double frac = f - d;
            const int next = std::min(d + 1, end - 1); // the last point stands for the one after it
            const auto v = roundHalfEven(frac * p[next] + (1 - frac) * p[d]);
            out.emplace_back(x, m_geometry.levelY(static_cast<int>(v)));
            f += step;
            d = static_cast<int>(f);
        }
    }
    finishTrace(channel, out);
}

void ScopeScreen::buildSpectrumTrace(int channel, std::vector<QPoint>& out) {
    // Each 2-pixel column shows the largest of the Z + 1 points from its first on. The walk
    // ends where the spectrum ends (2560 points on the logarithmic axis), never in stale points.
    const ScopeState& s = m_controller.state();
    const auto& p = m_controller.records().display;
    const int base = channelBase(channel), zoom = std::max(1, s.spectrumZoom);
    const int end = base + std::clamp(s.spectrumPoints, 0, kChannelPoints);
    const int limit = m_geometry.left + m_geometry.gridWidth() + 1;
    for (int d = std::max(1, s.timebase.startIndex) + base, x = m_geometry.left; d + zoom < end && x < limit;
         d += zoom, x += 2) {
        int v = 0;
        for (int k = d; k <= d + zoom; ++k) v = std::max(v, static_cast<int>(p[k]));
        const int y = m_geometry.levelY(std::min(v, 255));
        out.emplace_back(x, y);
        out.emplace_back(x + 1, y);
    }
}

void ScopeScreen::buildInterpolatedTrace(int channel, std::vector<QPoint>& out) {
    const ScopeState& s = m_controller.state();
    const auto& p = m_controller.records().display;
    const int base = channelBase(channel);
    const int start = std::clamp(s.timebase.startIndex, 0, kChannelPoints - 1);
    const int step = s.timebase.interpolationMode == 1 ? 2 : 1; // values per pixel at "0.2us" / "0.1us"
    const int maxPixels = m_geometry.gridWidth() + 1;
    auto level = [&](int k) { return static_cast<int>(p[base + k]); };
    auto pixel = [&](int x, int v) {
        out.emplace_back(m_geometry.left + x, m_geometry.levelY(std::clamp(v, 0, 255)));
    };

    if (m_linear) {
        // Each point lasts 20 values; a pixel is the mean of 20 values from its own on.
        const int values = (kChannelPoints - start) * 20;
        for (int x = 0; x < maxPixels && x * step + 20 <= values; ++x) {
            int sum = 0;
            for (int q = 0; q < 20; ++q) sum += level(start + (x * step + q) / 20);
            pixel(x, sum / 20);
        }
        return;
    }
    // Each point four times, after a run-in of the first point; ends pushed past the limits so
    // that the filter rings over them.
    m_expanded.assign(kLeadCopies, level(start));
    for (int k = start; k < kChannelPoints; ++k) m_expanded.insert(m_expanded.end(), 4, level(k));
    for (int& v : m_expanded) v = v == 255 ? 258 : v == 0 ? -3 : v;
    const int results = static_cast<int>(m_expanded.size()) - kTaps + 1;
    m_filtered.assign(std::max(0, results), 0);
    for (int n = 0; n < results; ++n) {
        int sum = 0;
        for (int k = 0; k < kTaps; ++k) sum += filterTap(k) * m_expanded[n + k];
        m_filtered[n] = std::clamp(sum / kFilterSum, 0, 255);
    }
    // Each result lasts 5 values; the first shown is the one centred on the start point.
    const int first = (kLeadCopies - kTaps / 2) * 5;
    const int values = results * 5;
    for (int x = 0; x < maxPixels && first + x * step + 5 <= values; ++x) {
        int sum = 0;
        for (int q = 0; q < 5; ++q) sum += m_filtered[(first + x * step + q) / 5];
        pixel(x, sum / 5);
    }
}

void ScopeScreen::finishTrace(int channel, std::vector<QPoint>& points) const {
    const ScopeState& s = m_controller.state();
    const int T = m_geometry.top, bottom = T + 255 * m_geometry.yScale;
    const bool follow = s.acq.idle && !s.spectrumOn;
    const int shift = s.channel[channel].traceShift * (m_controller.demoMode() ? 2 : 1);
    for (QPoint& pt : points) {
        int y = pt.y();
        if (follow && shift) y = std::clamp(y - shift, T, bottom);
        if (y == bottom)
            y = bottom + 2; // onto the bottom frame line
        else if (y == T && !s.spectrumOn)
            y = T - 1; // onto the top frame line
        pt.setY(y);
    }
}

} // namespace tarvik
