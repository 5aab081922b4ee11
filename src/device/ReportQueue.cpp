#include "device/ReportQueue.h"

#include <chrono>

namespace tarvik {

void ReportQueue::push(const Payload& report) {
    {
        std::lock_guard lock(m_mutex);
        if (m_reports.size() >= m_capacity) {
            m_reports.pop_front();
            ++m_dropped;
        }
        m_reports.push_back(report);
    }
    m_ready.notify_one();
}

IoStatus ReportQueue::pop(Payload& report, int timeoutMs) {
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [this] { return !m_reports.empty() || m_failed; });
    if (!m_reports.empty()) {
        report = m_reports.front();
        m_reports.pop_front();
        return IoStatus::Ok;
    }
    return m_failed ? IoStatus::Error : IoStatus::Timeout;
}

void ReportQueue::fail() {
    {
        std::lock_guard lock(m_mutex);
        m_failed = true;
    }
    m_ready.notify_all();
}

void ReportQueue::reset() {
    std::lock_guard lock(m_mutex);
    m_reports.clear();
    m_failed = false;
    m_dropped = 0;
}

void ReportQueue::clear() {
    std::lock_guard lock(m_mutex);
    m_reports.clear();
}

std::size_t ReportQueue::size() const {
    std::lock_guard lock(m_mutex);
    return m_reports.size();
}

std::size_t ReportQueue::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

QueuedTransport::~QueuedTransport() {
    stopReader();
}

void QueuedTransport::startReader() {
    stopReader();
    m_queue.reset();
    m_stop = false;
    m_reader = std::thread([this] {
        Payload report{};
        while (!m_stop) {
            const IoStatus status = pollInput(report, 50);
            if (status == IoStatus::Ok) {
                m_queue.push(report);
            } else if (status == IoStatus::Error) {
                m_queue.fail();
                break;
            }
        }
    });
}

void QueuedTransport::stopReader() {
    m_stop = true;
    if (m_reader.joinable()) m_reader.join();
}

} // namespace tarvik
