#pragma once
// The instrument on USB, through hidapi's hidraw back end. Matching is by vendor and product
// id; the reader thread of QueuedTransport drains the device into the report queue.

#include "device/ReportQueue.h"
#include "device/UsbIds.h"

struct hid_device_;

namespace tarvik {

class HidapiTransport final : public QueuedTransport {
public:
    explicit HidapiTransport(std::uint16_t vendorId = usb::kVendorId,
                             std::uint16_t productId = usb::kProductId);
    ~HidapiTransport() override;

    bool open(QString* error) override;
    bool isOpen() const override { return m_device != nullptr; }
    void close() override;
    QString describe() const override;

protected:
    IoStatus writeReport(const HidReport& report) override;
    IoStatus pollInput(Payload& report, int timeoutMs) override;

private:
    std::uint16_t m_vendorId;
    std::uint16_t m_productId;
    hid_device_* m_device = nullptr;
};

} // namespace tarvik
