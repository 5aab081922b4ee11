#include "display/Colors.h"

#include "display/XorCanvas.h"

namespace tarvik {

ColorTable ColorTable::blackScreen() {
    ColorTable t;
    t.stored = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF, 0xFF00FF, 0x800000, 0xFF0000, 0xFFFF00};
    return t;
}

QRgb rgbFromStored(std::uint32_t stored) {
    return qRgb(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                static_cast<int>((stored >> 16) & 0xFF));
}

std::uint32_t storedFromRgb(QRgb rgb) {
    return static_cast<std::uint32_t>(qRed(rgb)) | static_cast<std::uint32_t>(qGreen(rgb)) << 8 |
           static_cast<std::uint32_t>(qBlue(rgb)) << 16;
}

QRgb ColorTable::rgb(Slot slot) const {
    return rgbFromStored(stored[slot]);
}

std::uint32_t ColorTable::pen(Slot slot) const {
    return XorCanvas::penMask(rgb(slot), rgb(Background));
}

} // namespace tarvik
