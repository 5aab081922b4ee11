#include "display/gui/ScreenWidget.h"

#include "display/ScopeScreen.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace tarvik {

ScreenWidget::ScreenWidget(ScopeScreen& screen, QWidget* parent) : QWidget(parent), m_screen(screen) {
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_screen, &ScopeScreen::changed, this, qOverload<>(&QWidget::update));
}

QSize ScreenWidget::sizeHint() const {
    return m_screen.canvas().image().size();
}

// The image is shown 1:1, so widget coordinates are image coordinates.
void ScreenWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_screen.mouseDown(p.x(), p.y());
    else if (event->button() == Qt::RightButton)
        emit rightClicked(p);
}

void ScreenWidget::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        m_screen.mouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void ScreenWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_screen.mouseUp(event->position().toPoint().x(), event->position().toPoint().y());
}

void ScreenWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), m_screen.canvas().image(), event->rect());
}

} // namespace tarvik
