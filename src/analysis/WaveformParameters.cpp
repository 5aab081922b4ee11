#include "analysis/WaveformParameters.h"

#include "scope/ScopeController.h"

namespace tarvik {

namespace {

constexpr int kPhase = static_cast<int>(Parameter::Phase);
constexpr int kLinePitch = 13;
constexpr int kFirstLineY = 22;

} // namespace

QStringList parameterText(const ParameterCells& cells, const std::array<bool, kParameters>& checked, bool ch1,
                          bool ch2) {
    QStringList lines;
    if (!ch1 && !ch2) return lines;
    lines << (ch1 && ch2 ? QStringLiteral(" \tCH1\tCH2")
              : ch1      ? QStringLiteral(" \tCH1")
                         : QStringLiteral(" \tCH2"));
    const int column = ch1 ? 0 : 1;
    for (const ParameterRow& row : parameterTable()) {
        const int p = static_cast<int>(row.parameter);
        if (!checked[p]) continue;
        QString line =
            QString::fromLatin1(row.copyLabel.data(), static_cast<qsizetype>(row.copyLabel.size()));
        line += QLatin1Char('\t') + cells[column][p];
        if (ch1 && ch2) line += QLatin1Char('\t') + cells[1][p];
        lines << line;
    }
    return lines;
}

std::vector<ScreenText> parameterScreenText(const QStringList& lines, bool ch1, bool ch2, int labelX) {
    std::vector<ScreenText> texts;
    const ScreenText::Colour single = ch1 ? ScreenText::Colour::Ch1 : ScreenText::Colour::Ch2;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        const int y = kFirstLineY + kLinePitch * i;
        texts.push_back({fields.value(0), labelX, y, ScreenText::Colour::TimeMarker});
        if (ch1 && ch2) {
            texts.push_back({fields.value(1), labelX + 70, y, ScreenText::Colour::Ch1});
            texts.push_back({fields.value(2), labelX + 130, y, ScreenText::Colour::Ch2});
        } else {
            texts.push_back({fields.value(1), labelX + 70, y, single});
        }
    }
    return texts;
}

WaveformParameters::WaveformParameters(const ScopeController& scope, QObject* parent)
    : QObject(parent), m_scope(scope) {
    m_checked.fill(true);
}

void WaveformParameters::setChecked(Parameter p, bool on) {
    m_checked[static_cast<int>(p)] = on;
    emit selectionChanged();
    measure();
}

void WaveformParameters::selectAll(bool on) {
    m_checked.fill(on);
    emit selectionChanged();
    measure();
}

void WaveformParameters::setChannelChecked(int channel, bool on) {
    if (channel < 0 || channel > 1) return;
    m_channel[channel] = on;
    emit selectionChanged();
    measure();
}

void WaveformParameters::setShowOnScreen(bool on) {
    if (m_showOnScreen == on) return;
    m_showOnScreen = on;
    emit selectionChanged();
    emit showOnScreenChanged(on);
}

void WaveformParameters::setActive(bool shown) {
    if (m_active == shown) return;
    m_active = shown;
    if (!shown) setShowOnScreen(false); // closing the window takes its text off the screen
    emit activeChanged(shown);
}

void WaveformParameters::clearColumn(int channel) {
    for (int p = 0; p < kParameters; ++p) m_cells[channel][p].clear();
}

void WaveformParameters::measureColumn(int channel) {
    const ScopeState& s = m_scope.state();
    const FrameRecords& r = m_scope.records();
    const ChannelState& ch = s.channel[channel];
    ChannelInput in{channelRecord(s.spectrumOn ? r.raw : r.display, channel),
                    m_storedZero ? (*m_storedZero)[channel] : 255 - ch.positionValue, channelScale(ch.range)};
    const MeasurementRate rate = measurementRate(s.timebase.value);
    m_measurement[channel] = measureChannel(in, rate, s.timebase.value, m_fft);
    // The samples of a trace moved after its capture no longer sit on the zero level.
    const bool moved = ch.traceShift != 0 && !m_storedZero;
    for (const ParameterRow& row : parameterTable()) {
        const int p = static_cast<int>(row.parameter);
        if (row.parameter == Parameter::Phase) continue;
        if (!m_checked[p] || (moved && row.levelDependent))
            m_cells[channel][p].clear();
        else
            m_cells[channel][p] = parameterCell(row.parameter, m_measurement[channel], in.scale, rate);
    }
}

void WaveformParameters::measure2() {
    measureColumn(1);
}

void WaveformParameters::measure() {
    if (!m_active) return;
    // Nothing of the previous pass survives into this one.
    m_measurement = {};
    m_phase = 0;
    clearColumn(0);
    clearColumn(1);
    if (m_channel[0]) measureColumn(0);
    if (m_checked[kPhase] && (m_channel[0] || m_channel[1])) {
        const ScopeState& s = m_scope.state();
        const FrameRecords& r = m_scope.records();
        const std::vector<std::int32_t>& record = s.spectrumOn ? r.raw : r.display;
        m_phase = m_phaseMeter.calculate_phase(channelRecord(record, 0), channelRecord(record, 1));
        m_cells[0][kPhase] = phaseCell(m_phase, 0);
        m_cells[1][kPhase] = phaseCell(m_phase, 1);
    }
    if (m_channel[1])
        measure2();
    else
        clearColumn(1);
    emit measured();
}

QStringList WaveformParameters::parameterText() const {
    return tarvik::parameterText(m_cells, m_checked, m_channel[0], m_channel[1]);
}

std::vector<ScreenText> WaveformParameters::screenText(int labelX) const {
    if (!m_showOnScreen) return {};
    return parameterScreenText(parameterText(), m_channel[0], m_channel[1], labelX);
}

} // namespace tarvik
