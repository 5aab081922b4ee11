#pragma once
// The virtual instrument (tarvik-sim) on a UNIX stream socket: exactly 64 payload bytes per
// report in each direction. Input goes through the same reader thread and report queue as USB.

#include "device/ReportQueue.h"

namespace tarvik {

class SocketTransport final : public QueuedTransport {
public:
    explicit SocketTransport(QString path);
    ~SocketTransport() override;

    bool open(QString* error) override;
    bool isOpen() const override { return m_fd >= 0; }
    void close() override;
    QString describe() const override { return QStringLiteral("socket ") + m_path; }

protected:
    IoStatus writeReport(const HidReport& report) override;
    IoStatus pollInput(Payload& report, int timeoutMs) override;

private:
    QString m_path;
    int m_fd = -1;
    Payload m_partial{}; // bytes of a report still arriving (reader thread only)
    std::size_t m_partialBytes = 0;
};

} // namespace tarvik
