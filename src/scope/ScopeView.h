#pragma once
// What the oscilloscope controller asks of its screen. The screen draws from the controller's
// state and remembers what it has drawn, so that every figure is erased exactly as it was
// drawn; the controller only says when. The default does nothing (no screen attached).

namespace tarvik {

class ScopeView {
public:
    virtual ~ScopeView() = default;

    virtual void setCleanPending() {} // a full clear is due before the next drawing
    virtual void putsataanko() {}     // the full clear, if one is pending
    virtual void poisto() {}          // erase the traces (and the trigger-point marker)
    virtual void piirrot() {}         // draw the traces that are not drawn
    virtual void redrawTraces() {     // erase and draw again with the current scale
        poisto();
        piirrot();
    }
    virtual void updateLabels() {}                    // channel, time/div and sample-rate labels
    virtual void updateZeroMarker(int /*channel*/) {} // move a channel's zero marker
    virtual void updateTriggerMarkers() {}            // trigger-level and trigger-point markers
    virtual void updateMarkers() {}                   // time and level markers follow the scale
};

} // namespace tarvik
