#pragma once
// The device link's small windows: "No hardware response!", the hardware-selection dialog of
// "Hardware Setup..." and the "About" box.

#include <QDialog>

class QLabel;
class QRadioButton;

namespace tarvik {

// "No hardware response!": four lines and "OK".
class NoHardwareDialog : public QDialog {
    Q_OBJECT
public:
    explicit NoHardwareDialog(QWidget* parent = nullptr);
};

// "Please select the oscilloscope hardware": "Tarvik" or "None = Demo mode".
class HardwareSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit HardwareSetupDialog(bool demoNow, QWidget* parent = nullptr);
    bool demoChosen() const;

private:
    QRadioButton* m_tarvik;
    QRadioButton* m_demo;
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    void setFirmwareCaption(const QString& caption);

private:
    QLabel* m_firmware;
};

} // namespace tarvik
