#pragma once
// The instrument model attached in-process: reports go straight to and from the model, with
// no thread. Used by tests to run the whole program's device code without a socket.

#include "device/Transport.h"
#include "device/sim/InstrumentModel.h"

#include <functional>

namespace tarvik::sim {

class SimulatedTransport final : public Transport {
public:
    // `now` gives the model its time in milliseconds; by default a monotonic clock.
    explicit SimulatedTransport(InstrumentModel& model, std::function<std::int64_t()> now = {});

    bool attached = true;     // false: no instrument is plugged in
    bool openRefused = false; // plugged in but cannot be opened (permissions, busy)

    bool open(QString* error) override;
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void discardInput() override {}
    QString describe() const override { return QStringLiteral("simulated instrument"); }

protected:
    IoStatus writeReport(const HidReport& report) override;
    IoStatus readReport(Payload& report, int timeoutMs) override;

private:
    InstrumentModel& m_model;
    std::function<std::int64_t()> m_now;
    bool m_open = false;
};

} // namespace tarvik::sim
