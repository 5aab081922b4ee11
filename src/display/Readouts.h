#pragma once
// The marker readouts of the screen as texts: time difference and its reciprocal, voltage
// difference with the two absolute voltages, and in spectrum mode the frequency and the level
// (absolute in dBV, a difference in dB, or a spectral density in dBV/sqrt(Hz)). Positions are
// screen pixels; a marker left of the graticule (or above it) is not placed and counts as
// lying on its edge.

#include <QString>

namespace tarvik {

struct TimeReadout {
    QString dt;      // "dt: 0.20ms"
    QString inverse; // "1/dt: 5.00kHz"
};
// `kursoriaika`: from the markers' x positions and the time/div caption ("0.1ms").
TimeReadout timeReadout(int x1, int x2, const QString& timeDivCaption);

// `kursorivoltit`: from the level markers' y positions (the level channel's range index,
// position value and the graticule top), "dV: 2.00V  (1.00) (-1.00)"; the part in
// parentheses only while no math trace is shown.
QString voltageReadout(int y1, int y2, int top, int rangeIndex, int positionValue, bool mathShown);

// The spectrum level markers' readout kinds.
enum class SpectrumMarkers { Off, Level, Difference, Density };

// `kursoritaajuus`: "f: 12.50kHz" for a frequency-marker bin (a display point 0..4096) at a
// time/div value; with the logarithmic axis the bin is first mapped back to the linear one.
QString frequencyReadout(int bin, int timebaseValue, bool logAxis);
// `kursoridb`: with both level markers on the screen their difference, "dV: 10.00dB";
// with one of them above the screen the other read absolutely, "V: 6.00dBV" (or, for
// `Density`, "V: -30.98dBV/sqrt(Hz)"). `densityCorrection` is the window's noise-bandwidth
// correction in dB.
QString levelReadout(int y1, int y2, int top, int rangeIndex, SpectrumMarkers kind, int timebaseValue,
                     double densityCorrection);
// The width in Hz of one spectrum bin at a time/div value (1 for values no span uses).
double binBandwidth(int timebaseValue);

// The display point under a frequency marker at x: (x - L)·8·Z div 16 + the first shown point.
int frequencyMarkerBin(int x, int left, int zoom, int firstPoint);

} // namespace tarvik
