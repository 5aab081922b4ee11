#pragma once
// Where the oscilloscope screen puts things. The main screen and the big screen are two
// values of this one description, drawn by the same renderer.

namespace tarvik {

struct ScreenGeometry {
    int width = 672; // image size
    int height = 299;
    int left = 11;           // graticule origin: width / 2 - 325
    int top = 20;            //                   height / 2 - 129
    int divisionsX = 13;     // 50-pixel divisions across
    int divisionHeight = 32; // pixels per vertical division (one level per pixel)
    int yScale = 1;          // pixels per level
    int labelRow = 3;        // y of the label row above the graticule
    int textRow = 279;       // y of the readout row below it: height - 20

    int gridWidth() const { return 50 * divisionsX; }     // 650
    int gridHeight() const { return 8 * divisionHeight; } // 256
    int right() const { return left + gridWidth(); }      // last grid column
    int levelY(int level) const { return top + (255 - level) * yScale; }

    static ScreenGeometry mainScreen();
};

inline ScreenGeometry ScreenGeometry::mainScreen() {
    ScreenGeometry g;
    g.left = g.width / 2 - 325;
    g.top = g.height / 2 - 129;
    g.textRow = g.height - 20;
    return g;
}

} // namespace tarvik
