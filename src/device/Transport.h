#pragma once
// The report channel to the instrument. The instrument exchanges fixed reports: 64 payload
// bytes, carried as a 65-byte HID report whose first byte is the report id 0. Back ends:
// HidapiTransport (USB), SocketTransport (the virtual instrument on a UNIX socket) and
// SimulatedTransport (the same model in-process, for tests).

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarvik {

inline constexpr std::size_t kPayloadSize = 64;             // payload bytes of one report
inline constexpr std::size_t kHidReportSize = 65;           // report id + payload
using Payload = std::array<std::uint8_t, kPayloadSize>;     // one report as callers see it
using HidReport = std::array<std::uint8_t, kHidReportSize>; // one report at the system interface

enum class IoStatus { Ok, Timeout, Error };

// The output report for the first `length` bytes of `bytes`: id 0, the bytes, zeros up to
// the end. Lengths outside 1..64 are refused.
std::optional<HidReport> makeOutputReport(const std::uint8_t* bytes, std::size_t length);

class Transport {
public:
    virtual ~Transport() = default;

    // Finds and opens the instrument. False (with the reason in *error) when none was found
    // or it could not be opened.
    virtual bool open(QString* error) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // Drops every report received but not yet read.
    virtual void discardInput() = 0;
    virtual QString describe() const = 0; // for messages: "USB 1209:7a51", "socket /tmp/x"

    // Writes one report built from `length` payload bytes (1..64; others give Error).
    IoStatus write(const std::uint8_t* bytes, std::size_t length);
    // Reads one report, waiting at most timeoutMs. On Timeout or Error `report` is zeroed,
    // so no caller ever sees stale bytes.
    IoStatus read(Payload& report, int timeoutMs);

protected:
    virtual IoStatus writeReport(const HidReport& report) = 0;
    virtual IoStatus readReport(Payload& report, int timeoutMs) = 0;
};

} // namespace tarvik
