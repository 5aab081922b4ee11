#include "display/gui/AddTextWindow.h"

#include "analysis/WaveformParameters.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik {

AddTextWindow::AddTextWindow(ScopeScreen& screen, WaveformParameters& parameters, QWidget* parent)
    : QDialog(parent), m_screen(screen), m_parameters(parameters) {
    setWindowTitle(QStringLiteral("Add Text"));
    auto* layout = new QVBoxLayout(this);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("memo"));
    layout->addWidget(m_memo);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add Text on Screen"), this);
    m_remove = new QPushButton(QStringLiteral("Remove"), this);
    m_getParameters = new QPushButton(QStringLiteral("Get Waveform Parameters"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* b : {add, m_remove, m_getParameters, close}) buttons->addWidget(b);
    layout->addLayout(buttons);
    m_transparent = new QCheckBox(QStringLiteral("Transparent text"), this);
    layout->addWidget(m_transparent);
    m_hint = new QLabel(QStringLiteral("Right click the screen to change the text position"), this);
    m_hint->hide();
    layout->addWidget(m_hint);
    m_remove->setEnabled(false);
    m_getParameters->setEnabled(m_parameters.active());

    // The hidden "Edit" menu: its keys work on the memo.
    auto addEditAction = [this](const QString& caption, const QKeySequence& keys, auto&& action) {
        auto* a = new QAction(caption, this);
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, action);
        addAction(a);
        return a;
    };
    addEditAction(QStringLiteral("Copy"), QKeySequence::Copy, [this] { m_memo->copy(); });
    addEditAction(QStringLiteral("Paste"), QKeySequence::Paste, [this] {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (data && data->hasText()) m_memo->paste(); // only text is taken
    });
    addEditAction(QStringLiteral("Select All"), QKeySequence::SelectAll, [this] { m_memo->selectAll(); });

    connect(add, &QPushButton::clicked, this, [this] { show(true); });
    connect(m_remove, &QPushButton::clicked, this, [this] { show(false); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_transparent, &QCheckBox::toggled, this, [this] { redraw(); });
    connect(m_getParameters, &QPushButton::clicked, this, [this] {
        m_memo->setPlainText(m_parameters.parameterText().join(QLatin1Char('\n')));
        show(true);
    });
    connect(&m_parameters, &WaveformParameters::activeChanged, m_getParameters, &QPushButton::setEnabled);
}

void AddTextWindow::placeAt(QPoint position) {
    ScopeScreen::Annotation a = m_screen.annotation();
    a.x = position.x();
    a.y = position.y();
    // A shown text moves at once while this window is open; otherwise at the next redraw.
    m_screen.setAnnotation(a, a.shown && isVisible());
    QDialog::show();
    raise();
}

void AddTextWindow::show(bool shown) {
    m_remove->setEnabled(shown);
    m_hint->setVisible(shown);
    redraw(shown);
}

void AddTextWindow::redraw(std::optional<bool> shown) {
    ScopeScreen::Annotation a = m_screen.annotation();
    if (shown) a.shown = *shown;
    a.lines = m_memo->toPlainText().split(QLatin1Char('\n'));
    a.transparent = m_transparent->isChecked();
    a.wideColumns = m_parameters.channelChecked(0) && m_parameters.channelChecked(1);
    m_screen.setAnnotation(a);
}

} // namespace tarvik
