#include "scope/gui/EtsNoticeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik {

EtsNoticeDialog::EtsNoticeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Oscilloscope"));
    auto* layout = new QVBoxLayout(this);
    for (const char* line : {"Equivalent Time Sampling (ETS) mode is now selected.",
                             "- Triggering is continuously ON to get stable images.",
                             "- This mode is usable only for repetitive signals."}) {
        layout->addWidget(new QLabel(QString::fromLatin1(line), this));
    }
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Do not display this message again: "), this));
    m_session = new QCheckBox(QStringLiteral("During this session"), this);
    m_never = new QCheckBox(QStringLiteral("Never"), this);
    row->addWidget(m_session);
    row->addWidget(m_never);
    row->addStretch(1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool EtsNoticeDialog::duringSession() const {
    return m_session->isChecked();
}
bool EtsNoticeDialog::never() const {
    return m_never->isChecked();
}

} // namespace tarvik
