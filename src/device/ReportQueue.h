#pragma once
// Input reports received by a reader thread and waiting for the user-interface thread.
// Bounded like the system's HID input buffer: when full, the oldest report is dropped.

#include "device/Transport.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tarvik {

class ReportQueue {
public:
    static constexpr std::size_t kDefaultCapacity = 32;
    explicit ReportQueue(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity ? capacity : 1) {}

    void push(const Payload& report);
    // Pops the oldest report, waiting at most timeoutMs. Error once the source has failed
    // and every report received before the failure has been read.
    IoStatus pop(Payload& report, int timeoutMs);
    void fail();  // the source is gone: wake waiting readers
    void reset(); // empty and healthy again (a new connection)
    void clear(); // drop what is waiting
    std::size_t size() const;
    std::size_t dropped() const; // reports lost to overflow since the last reset

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Payload> m_reports;
    std::size_t m_capacity;
    std::size_t m_dropped = 0;
    bool m_failed = false;
};

// A transport whose input is drained continuously by one reader thread into a ReportQueue,
// so the instrument never stalls while the user-interface thread is busy.
class QueuedTransport : public Transport {
public:
    ~QueuedTransport() override;
    void discardInput() override { m_queue.clear(); }
    const ReportQueue& queue() const { return m_queue; }

protected:
    // Runs on the reader thread: waits at most timeoutMs for one report from the device.
    virtual IoStatus pollInput(Payload& report, int timeoutMs) = 0;
    void startReader(); // after the device has been opened
    void stopReader();  // before the device is closed
    IoStatus readReport(Payload& report, int timeoutMs) override { return m_queue.pop(report, timeoutMs); }

private:
    ReportQueue m_queue;
    std::thread m_reader;
    std::atomic<bool> m_stop{false};
};

} // namespace tarvik
