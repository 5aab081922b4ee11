#pragma once
// The link to the instrument: opening, the two mode flags the whole program tests before
// sending (device opened, demo mode), and single-report writes and reads. A read or write
// that fails on an opened device means the instrument is gone: the device is closed,
// "device opened" is cleared and deviceLost() is emitted once, so the window can say so and
// "Hardware Setup..." can open it again.

#include "device/Transport.h"

#include <QObject>
#include <memory>

namespace tarvik {

class DeviceLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kReplyTimeoutMs = 500; // longest wait for a reply the host asked for

    // `transport` may be null: then no instrument can ever be found (forced demo mode).
    explicit DeviceLink(std::unique_ptr<Transport> transport, QObject* parent = nullptr);
    ~DeviceLink() override;

    bool USBOpen();    // finds and opens the instrument
    int OpenDeviceW(); // 0 and "device opened" on success, else -1
    IoStatus USBWrite(const std::uint8_t* bytes, std::size_t length); // 1..64 payload bytes
    IoStatus USBRead(Payload& destination, int timeoutMs);            // zeroed unless Ok
    void USBClose();
    void discardInput(); // drop reports received but not yet read

    // The open attempts of start-up and of "Hardware Setup...": each leaves
    // noHardwareResponse() set when no instrument could be opened.
    void test0();
    void test2();

    bool deviceOpened() const { return m_deviceOpened; }
    bool noHardwareResponse() const { return m_noHardwareResponse; }
    bool demoMode() const { return m_demoMode; }
    void setDemoMode(bool on);
    // Settings, acquisition and generator reports are sent only when this holds.
    bool canSend() const { return !m_demoMode && m_deviceOpened; }

    // The instrument stopped answering although a reply was due: handled as a failed read.
    void declareLost(const QString& reason);

    Transport* transport() const { return m_transport.get(); }
    QString lastError() const { return m_lastError; }

    // The shared command buffer that senders fill before USBWrite.
    std::array<std::uint8_t, kPayloadSize> commandBuffer{};

signals:
    void deviceLost(const QString& reason);
    void demoModeChanged(bool on);

private:
    void lose(const QString& reason);

    std::unique_ptr<Transport> m_transport;
    bool m_deviceOpened = false;
    bool m_noHardwareResponse = false;
    bool m_demoMode = false;
    QString m_lastError;
};

} // namespace tarvik
