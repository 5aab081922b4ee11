#include "analysis/SpectrumAnalyzer.h"

namespace tarvik {

SpectrumAnalyzer::SpectrumAnalyzer(ScopeController& scope, Prompts& prompts, QObject* parent)
    : QObject(parent), m_scope(scope), m_prompts(prompts) {
    m_scope.consumers.spectrum = [this](bool averaged) { compute(averaged); };
    m_scope.spectrumRestartHook = [this] { m_spectrum.restart(); };
    publishView();
}

void SpectrumAnalyzer::compute(bool averaged) {
    FrameRecords& r = m_scope.records();
    m_spectrum.FFT(m_scope.spectrumChannel(), r.raw, r.display, averaged);
    publishView();
}

void SpectrumAnalyzer::publishView() {
    m_scope.setSpectrumView(m_spectrum.zoom(), m_spectrum.pointsDrawn(), m_spectrum.densityCorrection());
}

void SpectrumAnalyzer::recomputeAndRedraw() {
    if (!m_scope.state().spectrumOn) return;
    compute(true);
    m_scope.redraw();
}

void SpectrumAnalyzer::selectWindow(SpectrumWindow window) {
    m_spectrum.selectWindow(window);
    publishView();
    recomputeAndRedraw();
    emit changed();
}

void SpectrumAnalyzer::setAveraging(SpectrumAveraging averaging) {
    if (averaging == SpectrumAveraging::VectorAverage && !m_scope.state().trigger.on) {
        m_prompts.information(QStringLiteral("Vector Averaging mode:\r\r- Triggering must ne set ON.\r\r- "
                                             "Vector Averaging eliminates random and "
                                             "uncorrelated noise from synchronous signals.\r- The signal of "
                                             "interest must be both periodic and phase "
                                             "synchronous with the trigger."));
    }
    m_spectrum.setAveraging(averaging);
    emit changed();
}

void SpectrumAnalyzer::Log() {
    if (!m_scope.state().spectrumOn) return;
    if (!m_spectrum.Log(m_scope.spectrumChannel(), m_scope.records().display)) return;
    publishView();
    m_scope.redraw();
    emit changed();
}

void SpectrumAnalyzer::zoomButton(int factor) {
    m_spectrum.zoomButton(factor);
    publishView();
    if (m_scope.state().spectrumOn) m_scope.redraw();
    emit changed();
}

} // namespace tarvik
