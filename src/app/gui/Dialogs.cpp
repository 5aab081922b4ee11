#include "app/gui/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik {

namespace {

QPushButton* addOkButton(QDialog* dialog, QVBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
    return ok;
}

} // namespace

NoHardwareDialog::NoHardwareDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Oscilloscope"));
    auto* layout = new QVBoxLayout(this);
    auto* headline = new QLabel(QStringLiteral("No hardware response!"), this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);
    for (const char* line : {"  Please make sure that the USB cable is connected.",
                             "  If connected: Disconnect and reconnect USB cable.",
                             "Choose Options | Hardware Setup to select the operation mode."}) {
        layout->addWidget(new QLabel(QString::fromLatin1(line), this));
    }
    addOkButton(this, layout);
}

HardwareSetupDialog::HardwareSetupDialog(bool demoNow, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Oscilloscope"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Please select the oscilloscope hardware"), this));
    m_tarvik = new QRadioButton(QStringLiteral("Tarvik"), this);
    m_demo = new QRadioButton(QStringLiteral("None = Demo mode"), this);
    (demoNow ? m_demo : m_tarvik)->setChecked(true);
    layout->addWidget(m_tarvik);
    layout->addWidget(m_demo);
    addOkButton(this, layout);
}

bool HardwareSetupDialog::demoChosen() const {
    return m_demo->isChecked();
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Tarvik"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(new QLabel(QStringLiteral("Two-channel USB PC oscilloscope"), this));
    layout->addWidget(new QLabel(QStringLiteral("Version ") + QApplication::applicationVersion(), this));
    m_firmware = new QLabel(this);
    layout->addWidget(m_firmware);
    addOkButton(this, layout);
}

void AboutDialog::setFirmwareCaption(const QString& caption) {
    m_firmware->setText(caption);
}

} // namespace tarvik
