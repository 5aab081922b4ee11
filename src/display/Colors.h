#pragma once
// The screen colours. Stored values keep the configuration's byte order (red in the low byte,
// blue in the high byte); conversion to image colours happens here and nowhere else.

#include <QRgb>
#include <array>
#include <cstdint>

namespace tarvik {

struct ColorTable {
    enum Slot { Background, Ch1, Ch2, Math1, Math2, Dark_Grid, Bright_Grid, Time_Marker, Count };

    // "Bright Screen", also the colours at start.
    std::array<std::uint32_t, Count> stored{0xF5FFFF, 0x0000DC, 0x008000, 0xFF0080,
                                            0xFF00FF, 0xC0C0C0, 0x808080, 0x400080};

    static ColorTable brightScreen() { return {}; }
    static ColorTable blackScreen();

    QRgb rgb(Slot slot) const; // as an image colour
    // The inverting pen of a trace colour: drawing with it shows the colour on the background.
    std::uint32_t pen(Slot slot) const;
};

// A stored blue-green-red value as an image colour, and back.
QRgb rgbFromStored(std::uint32_t stored);
std::uint32_t storedFromRgb(QRgb rgb);

} // namespace tarvik
