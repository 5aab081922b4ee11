#include "device/HidapiTransport.h"

#include <hidapi.h>

#include <QStringList>
#include <algorithm>
#include <cwchar>

namespace tarvik {

namespace {

bool initHidapi() {
    static const bool ok = hid_init() == 0;
    return ok;
}

QString lastHidError(hid_device* device) {
    const wchar_t* text = hid_error(device);
    return text ? QString::fromWCharArray(text) : QStringLiteral("unknown error");
}

} // namespace

HidapiTransport::HidapiTransport(std::uint16_t vendorId, std::uint16_t productId)
    : m_vendorId(vendorId), m_productId(productId) {}

HidapiTransport::~HidapiTransport() {
    close();
}

QString HidapiTransport::describe() const {
    return QStringLiteral("USB %1:%2")
        .arg(m_vendorId, 4, 16, QLatin1Char('0'))
        .arg(m_productId, 4, 16, QLatin1Char('0'));
}

bool HidapiTransport::open(QString* error) {
    close();
    if (!initHidapi()) {
        if (error) *error = QStringLiteral("the HID library could not be initialised");
        return false;
    }
    hid_device_info* list = hid_enumerate(m_vendorId, m_productId);
    QStringList failures;
    // Every matching interface is examined; the last one that opens is kept.
    for (hid_device_info* info = list; info; info = info->next) {
        hid_device* device = hid_open_path(info->path);
        if (!device) {
            failures << QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(info->path),
                                                     lastHidError(nullptr));
            continue;
        }
        if (m_device) hid_close(m_device);
        m_device = device;
    }
    hid_free_enumeration(list);
    if (m_device) {
        startReader();
        return true;
    }
    if (error) {
        *error = failures.isEmpty() ? QStringLiteral("no instrument %1 found").arg(describe())
                                    : QStringLiteral("instrument %1 found but not opened (%2)")
                                          .arg(describe(), failures.join(QStringLiteral("; ")));
    }
    return false;
}

void HidapiTransport::close() {
    stopReader();
    if (m_device) {
        hid_close(m_device);
        m_device = nullptr;
    }
}

IoStatus HidapiTransport::writeReport(const HidReport& report) {
    return hid_write(m_device, report.data(), report.size()) < 0 ? IoStatus::Error : IoStatus::Ok;
}

IoStatus HidapiTransport::pollInput(Payload& report, int timeoutMs) {
    // Without numbered reports hidraw delivers the payload without the id byte.
    std::uint8_t buffer[kHidReportSize] = {};
    const int n = hid_read_timeout(m_device, buffer, sizeof buffer, timeoutMs);
    if (n < 0) return IoStatus::Error;
    if (n == 0) return IoStatus::Timeout;
    report.fill(0);
    std::copy_n(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), kPayloadSize), report.begin());
    return IoStatus::Ok;
}

} // namespace tarvik
