#pragma once
// A persistent screen image on which figures are drawn with inverting pens: for a colour c
// on the background b every pixel of the figure becomes pixel ^ ((c ^ b) & 0xFFFFFF), so the
// figure shows exactly c on the background and drawing it a second time restores the image
// bit for bit. Lines use one end-point rule everywhere (the last pixel of a segment belongs
// to the next one; the final point of a figure is drawn once) and an inverting figure
// touches each of its pixels exactly once, however its segments cross or overlap.

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvik {

class XorCanvas {
public:
    XorCanvas(int width, int height);

    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    // Grows on every change, so a view repaints only when the picture changed.
    std::uint64_t generation() const { return m_generation; }

    QRgb pixel(int x, int y) const;

    // ---- copy mode ----
    void fill(QRgb colour);
    void setPixel(int x, int y, QRgb colour);
    void line(int x0, int y0, int x1, int y1, QRgb colour); // both end points drawn
    void fillRect(int x, int y, int w, int h, QRgb colour);
    // Text without smoothing, so that writing it again in the background colour removes it.
    // (x, y) is the top-left corner of the text cell.
    void text(int x, int y, const QString& text, QRgb colour);
    // The same on a filled text cell.
    void text(int x, int y, const QString& text, QRgb colour, QRgb cell);

    // ---- inverting mode; mask = (colour ^ background) & 0xFFFFFF ----
    static std::uint32_t penMask(QRgb colour, QRgb background) { return (colour ^ background) & 0xFFFFFFu; }
    void xorPixel(int x, int y, std::uint32_t mask);
    // A polyline through the points (joined when `joined`, single pixels otherwise). With
    // width 2 every pixel is doubled downwards.
    void xorPolyline(std::span<const QPoint> points, std::uint32_t mask, bool joined = true, int width = 1);
    // Every other pixel of a horizontal or vertical line, starting with the first.
    void xorDottedLine(int x0, int y0, int x1, int y1, std::uint32_t mask);

private:
    template <class F> static void bresenham(int x0, int y0, int x1, int y1, bool includeLast, F&& plot);
    void mark(int x, int y);
    void invertMarked(std::uint32_t mask); // each marked pixel once, then the marks are cleared
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }

    QImage m_image;
    std::uint64_t m_generation = 0;
    std::vector<std::uint8_t> m_marks;   // pixels already taken by the figure being drawn
    std::vector<std::int32_t> m_touched; // their indexes, to clear the marks afterwards
};

} // namespace tarvik
