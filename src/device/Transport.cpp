#include "device/Transport.h"

#include <algorithm>

namespace tarvik {

std::optional<HidReport> makeOutputReport(const std::uint8_t* bytes, std::size_t length) {
    if (length < 1 || length > kPayloadSize || bytes == nullptr) return std::nullopt;
    HidReport report{}; // id 0 and zero padding
    std::copy_n(bytes, length, report.begin() + 1);
    return report;
}

IoStatus Transport::write(const std::uint8_t* bytes, std::size_t length) {
    const auto report = makeOutputReport(bytes, length);
    if (!report || !isOpen()) return IoStatus::Error;
    return writeReport(*report);
}

IoStatus Transport::read(Payload& report, int timeoutMs) {
    IoStatus status = isOpen() ? readReport(report, std::max(0, timeoutMs)) : IoStatus::Error;
    if (status != IoStatus::Ok) report.fill(0);
    return status;
}

} // namespace tarvik
