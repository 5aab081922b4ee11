#include "scope/gui/TFormx1.h"

#include <QCloseEvent>
#include <QDebug>

namespace tarvik {

TFormx1::TFormx1(ScopeController& scope, SharedMemoryBlock& quorret, SharedMemoryBlock& dso, Clock& clock,
                 QWidget* parent)
    : QWidget(parent, Qt::Window), m_service(scope, quorret, dso, clock) {
    setObjectName(QStringLiteral("Formx1"));
    setWindowTitle(QStringLiteral("Quor-I/O"));
    setWindowState(Qt::WindowMinimized);
    QString error;
    if (!m_service.start(&error)) // the block stays unserved; everything else works
        qWarning().noquote() << "tarvik:" << error;
}

void TFormx1::closeEvent(QCloseEvent* event) {
    m_service.stop();
    event->accept();
}

} // namespace tarvik
