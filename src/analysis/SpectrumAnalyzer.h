#pragma once
// The spectrum analyzer mode on the oscilloscope: computes the spectrum of the shown channel
// for every frame the controller hands on, restarts its averaging when the controller says
// so, and carries the "FFT Window" and "FFT Options" choices, the "Log" axis and the zoom.

#include "analysis/Spectrum.h"
#include "base/Prompts.h"
#include "scope/ScopeController.h"

#include <QObject>

namespace tarvik {

class SpectrumAnalyzer : public QObject {
    Q_OBJECT
public:
    SpectrumAnalyzer(ScopeController& scope, Prompts& prompts, QObject* parent = nullptr);

    Spectrum& spectrum() { return m_spectrum; }
    const Spectrum& spectrum() const { return m_spectrum; }

    void selectWindow(SpectrumWindow window);       // "FFT Window"
    void setAveraging(SpectrumAveraging averaging); // "FFT Options"
    void Log();                                     // the logarithmic frequency axis, once
    void zoomButton(int factor);                    // "x1", "x2", "x4", "x8"

signals:
    void changed(); // window, averaging, axis or zoom

private:
    void compute(bool averaged); // `FFT` of the shown channel
    void publishView();          // zoom and points drawn, for the screen
    void recomputeAndRedraw();

    ScopeController& m_scope;
    Prompts& m_prompts;
    Spectrum m_spectrum;
};

} // namespace tarvik
