#include "device/DeviceLink.h"

#include <QDebug>

namespace tarvik {

DeviceLink::DeviceLink(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent), m_transport(std::move(transport)) {}

DeviceLink::~DeviceLink() {
    USBClose();
}

bool DeviceLink::USBOpen() {
    if (!m_transport) {
        m_lastError = QStringLiteral("no instrument connection in demo mode");
        return false;
    }
    QString error;
    if (m_transport->open(&error)) {
        m_lastError.clear();
        return true;
    }
    m_lastError = error;
    qWarning().noquote() << "tarvik:" << error;
    return false;
}

int DeviceLink::OpenDeviceW() {
    if (!USBOpen()) return -1;
    m_deviceOpened = true;
    return 0;
}

IoStatus DeviceLink::USBWrite(const std::uint8_t* bytes, std::size_t length) {
    if (length < 1 || length > kPayloadSize) return IoStatus::Error;
    if (!m_deviceOpened) return IoStatus::Error;
    const IoStatus status = m_transport->write(bytes, length);
    if (status == IoStatus::Error) lose(QStringLiteral("write to %1 failed").arg(m_transport->describe()));
    return status;
}

IoStatus DeviceLink::USBRead(Payload& destination, int timeoutMs) {
    if (!m_deviceOpened) {
        destination.fill(0);
        return IoStatus::Error;
    }
    const IoStatus status = m_transport->read(destination, timeoutMs);
    if (status == IoStatus::Error) lose(QStringLiteral("read from %1 failed").arg(m_transport->describe()));
    return status;
}

void DeviceLink::USBClose() {
    if (m_transport) m_transport->close();
    m_deviceOpened = false;
}

void DeviceLink::discardInput() {
    if (m_deviceOpened) m_transport->discardInput();
}

void DeviceLink::test0() {
    if (m_deviceOpened) return;
    m_noHardwareResponse = true;
    if (OpenDeviceW() != -1) m_noHardwareResponse = false;
}

void DeviceLink::test2() {
    m_noHardwareResponse = false;
    test0();
}

void DeviceLink::setDemoMode(bool on) {
    if (m_demoMode == on) return;
    m_demoMode = on;
    emit demoModeChanged(on);
}

void DeviceLink::declareLost(const QString& reason) {
    if (m_deviceOpened) lose(reason);
}

void DeviceLink::lose(const QString& reason) {
    m_lastError = reason;
    qWarning().noquote() << "tarvik: instrument lost:" << reason;
    USBClose();
    emit deviceLost(reason);
}

} // namespace tarvik
