#include "display/gui/ScreenWidget.h"

#include "display/ScopeScreen.h"

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

void ScreenWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), m_screen.canvas().image(), event->rect());
}

} // namespace tarvik
