#include "analysis/gui/TForm_99.h"

#include "analysis/WaveformParameters.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tarvik {

namespace {

constexpr int kGridRows = 25;
constexpr int kRowHeight = 17;

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

TForm_99::TForm_99(WaveformParameters& parameters, QWidget* parent)
    : QDialog(parent), m_parameters(parameters) {
    setWindowTitle(QStringLiteral("Waveform Parameters"));
    setObjectName(QStringLiteral("TForm_99"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < kGridRows; ++row) grid->setRowMinimumHeight(row, kRowHeight);
    grid->setColumnMinimumWidth(1, 90);
    grid->setColumnMinimumWidth(2, 90);

    grid->addWidget(new QLabel(QStringLiteral("Amplitude:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Timing:"), this), 14, 0);
    for (int channel = 0; channel < 2; ++channel) {
        auto* box = new QCheckBox(channel == 0 ? QStringLiteral("CH1") : QStringLiteral("CH2"), this);
        box->setObjectName(channel == 0 ? QStringLiteral("ch1Box") : QStringLiteral("ch2Box"));
        grid->addWidget(box, 0, channel + 1);
        m_channels[channel] = box;
        connect(box, &QCheckBox::toggled, this,
                [this, channel](bool on) { m_parameters.setChannelChecked(channel, on); });
    }
    for (const ParameterRow& row : parameterTable()) {
        const int p = static_cast<int>(row.parameter);
        auto* box = new QCheckBox(text(row.checkCaption), this);
        grid->addWidget(box, row.gridRow, 0);
        m_boxes[p] = box;
        connect(box, &QCheckBox::toggled, this,
                [this, parameter = row.parameter](bool on) { m_parameters.setChecked(parameter, on); });
        for (int column = 0; column < 2; ++column) {
            auto* value = new QLabel(this);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(value, row.gridRow, column + 1);
            m_values[column][p] = value;
        }
    }
    layout->addLayout(grid);

    m_showOnScreen = new QCheckBox(QStringLiteral("Show on Screen"), this);
    connect(m_showOnScreen, &QCheckBox::toggled, &m_parameters, &WaveformParameters::setShowOnScreen);
    layout->addWidget(m_showOnScreen);

    auto* buttons = new QHBoxLayout;
    auto* selectAll = new QPushButton(QStringLiteral("Select All"), this);
    auto* unselectAll = new QPushButton(QStringLiteral("Unselect All"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    for (QPushButton* b : {selectAll, unselectAll, close, help}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    connect(selectAll, &QPushButton::clicked, this, [this] { m_parameters.selectAll(true); });
    connect(unselectAll, &QPushButton::clicked, this, [this] { m_parameters.selectAll(false); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(help, &QPushButton::clicked, this, &TForm_99::helpRequested);
    layout->addLayout(buttons);

    connect(&m_parameters, &WaveformParameters::selectionChanged, this, &TForm_99::syncSelection);
    connect(&m_parameters, &WaveformParameters::measured, this, &TForm_99::showValues);
    syncSelection();
    showValues();
}

void TForm_99::toggleShown() {
    if (isVisible())
        hide();
    else
        show();
}

void TForm_99::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_parameters.setActive(true);
    m_parameters.measure();
}

void TForm_99::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    m_parameters.setActive(false);
}

void TForm_99::syncSelection() {
    for (int p = 0; p < kParameters; ++p) {
        const QSignalBlocker block(m_boxes[p]);
        m_boxes[p]->setChecked(m_parameters.checkedParameters()[p]);
    }
    for (int channel = 0; channel < 2; ++channel) {
        const QSignalBlocker block(m_channels[channel]);
        m_channels[channel]->setChecked(m_parameters.channelChecked(channel));
    }
    const QSignalBlocker block(m_showOnScreen);
    m_showOnScreen->setChecked(m_parameters.showOnScreen());
}

void TForm_99::showValues() {
    for (int column = 0; column < 2; ++column)
        for (int p = 0; p < kParameters; ++p) m_values[column][p]->setText(m_parameters.cells()[column][p]);
}

} // namespace tarvik
