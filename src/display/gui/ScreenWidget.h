#pragma once
// Shows a screen image 1:1 and repaints only when the image changed.

#include <QWidget>

namespace tarvik {

class ScopeScreen;

class ScreenWidget : public QWidget {
    Q_OBJECT
public:
    explicit ScreenWidget(ScopeScreen& screen, QWidget* parent = nullptr);
    QSize sizeHint() const override;

signals:
    void rightClicked(QPoint position); // where the text annotation goes

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ScopeScreen& m_screen;
};

} // namespace tarvik
