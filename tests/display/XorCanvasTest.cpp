// Inverting figures: drawn twice they leave no trace, and each pixel of a figure is touched
// once however its segments meet or overlap.

#include "display/XorCanvas.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

const QRgb kBackground = qRgb(255, 255, 245);
const QRgb kRed = qRgb(220, 0, 0);

int countColour(const XorCanvas& c, QRgb colour) {
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) n += c.pixel(x, y) == (colour & 0xFFFFFF);
    return n;
}

} // namespace

TEST(XorCanvas, AFigureShowsItsColourOnTheBackgroundAndASecondDrawingRemovesIt) {
    XorCanvas c(64, 48);
    c.fill(kBackground);
    c.line(0, 20, 63, 20, qRgb(192, 192, 192)); // a grid line under the figures
    c.text(2, 2, QStringLiteral("2V"), kRed);
    const QImage before = c.image().copy();
    const std::uint32_t mask = XorCanvas::penMask(kRed, kBackground);
    // A zigzag that doubles back over itself, a dotted line and loose pixels.
    const std::vector<QPoint> zigzag{{1, 10}, {30, 40}, {10, 25}, {50, 25}, {50, 5}, {50, 30}, {5, 30}};
    const std::vector<QPoint> dots{{3, 3}, {3, 3}, {60, 47}, {70, 70}};
    for (int pass = 0; pass < 2; ++pass) {
        c.xorPolyline(zigzag, mask);
        c.xorPolyline(dots, mask, false);
        c.xorPolyline(zigzag, mask, true, 2);
        c.xorDottedLine(0, 44, 63, 44, mask);
        if (pass == 0) {
            EXPECT_NE(c.image(), before);
            EXPECT_EQ(c.pixel(60, 47), kRed & 0xFFFFFF); // exactly the colour on the background
        }
    }
    EXPECT_EQ(c.image(), before);
}

TEST(XorCanvas, JointsAndOverlapsAreTouchedOnce) {
    XorCanvas c(40, 40);
    c.fill(kBackground);
    const std::uint32_t mask = XorCanvas::penMask(kRed, kBackground);
    // A V: two segments sharing their joint, then a segment running back over the second.
    c.xorPolyline(std::vector<QPoint>{{0, 0}, {10, 10}, {20, 0}, {15, 5}}, mask);
    EXPECT_EQ(countColour(c, kRed), 21); // 11 + 10 pixels; the way back adds none and removes none
    c.fill(kBackground);
    c.xorDottedLine(0, 5, 9, 5, mask);
    EXPECT_EQ(countColour(c, kRed), 5);
    EXPECT_EQ(c.pixel(0, 5), kRed & 0xFFFFFF);
    EXPECT_EQ(c.pixel(1, 5), kBackground & 0xFFFFFF);
}

TEST(XorCanvas, TextWrittenAgainInTheBackgroundColourIsGone) {
    XorCanvas c(120, 20);
    c.fill(kBackground);
    const QImage before = c.image().copy();
    c.text(3, 3, QStringLiteral("200.00mV~"), kRed);
    EXPECT_GT(countColour(c, kRed), 10); // no smoothing: glyphs are in the colour itself
    c.text(3, 3, QStringLiteral("200.00mV~"), kBackground);
    EXPECT_EQ(c.image(), before);
}
