#include "display/XorCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

namespace tarvik {

XorCanvas::XorCanvas(int width, int height)
    : m_image(width, height, QImage::Format_RGB32), m_marks(static_cast<std::size_t>(width) * height, 0) {
    m_image.fill(Qt::black);
    m_touched.reserve(8192);
}

QRgb XorCanvas::pixel(int x, int y) const {
    return inside(x, y) ? reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x] & 0xFFFFFFu : 0;
}

void XorCanvas::fill(QRgb colour) {
    m_image.fill(colour | 0xFF000000u);
    ++m_generation;
}

void XorCanvas::setPixel(int x, int y, QRgb colour) {
    if (!inside(x, y)) return;
    reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = colour | 0xFF000000u;
    ++m_generation;
}

template <class F> void XorCanvas::bresenham(int x0, int y0, int x1, int y1, bool includeLast, F&& plot) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        const bool last = x0 == x1 && y0 == y1;
        if (last && !includeLast) return;
        plot(x0, y0);
        if (last) return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void XorCanvas::line(int x0, int y0, int x1, int y1, QRgb colour) {
    bresenham(x0, y0, x1, y1, true, [&](int x, int y) {
        if (inside(x, y)) reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = colour | 0xFF000000u;
    });
    ++m_generation;
}

void XorCanvas::fillRect(int x, int y, int w, int h, QRgb colour) {
    for (int row = std::max(0, y); row < std::min(height(), y + h); ++row) {
        QRgb* line = reinterpret_cast<QRgb*>(m_image.scanLine(row));
        for (int col = std::max(0, x); col < std::min(width(), x + w); ++col)
            line[col] = colour | 0xFF000000u;
    }
    ++m_generation;
}

namespace {

QFont screenFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

void XorCanvas::text(int x, int y, const QString& text, QRgb colour, QRgb cell) {
    if (text.isEmpty()) return;
    const QFontMetrics metrics(screenFont());
    fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), cell);
    this->text(x, y, text, colour);
}

void XorCanvas::text(int x, int y, const QString& text, QRgb colour) {
    if (text.isEmpty()) return;
    QPainter p(&m_image);
    p.setFont(screenFont());
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QColor::fromRgb(colour));
    p.drawText(QRect(x, y, 400, 16), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    ++m_generation;
}

void XorCanvas::xorPixel(int x, int y, std::uint32_t mask) {
    if (!inside(x, y)) return;
    reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] ^= mask;
    ++m_generation;
}

void XorCanvas::mark(int x, int y) {
    if (!inside(x, y)) return;
    const std::int32_t index = y * width() + x;
    if (m_marks[static_cast<std::size_t>(index)]) return;
    m_marks[static_cast<std::size_t>(index)] = 1;
    m_touched.push_back(index);
}

void XorCanvas::invertMarked(std::uint32_t mask) {
    QRgb* bits = reinterpret_cast<QRgb*>(m_image.bits());
    for (const std::int32_t index : m_touched) {
        bits[index] ^= mask;
        m_marks[static_cast<std::size_t>(index)] = 0;
    }
    m_touched.clear();
    ++m_generation;
}

void XorCanvas::xorPolyline(std::span<const QPoint> points, std::uint32_t mask, bool joined, int width) {
    if (points.empty()) return;
    // Collect the figure's pixels once each, then invert them.
    auto plot = [&](int x, int y) {
        mark(x, y);
        if (width > 1) mark(x, y + 1);
    };
    if (joined) {
        for (std::size_t i = 1; i < points.size(); ++i)
            bresenham(points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y(), false, plot);
        plot(points.back().x(), points.back().y());
    } else {
        for (const QPoint& p : points) plot(p.x(), p.y());
    }
    invertMarked(mask);
}

void XorCanvas::xorDottedLine(int x0, int y0, int x1, int y1, std::uint32_t mask) {
    int n = 0;
    bresenham(x0, y0, x1, y1, true, [&](int x, int y) {
        if (n++ % 2 == 0) mark(x, y);
    });
    invertMarked(mask);
}

} // namespace tarvik
