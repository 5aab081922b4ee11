#pragma once
// The instrument model served on a UNIX stream socket, 64 payload bytes per report each way,
// on a thread of its own. One host at a time; when it disconnects the next may connect.
// Reports to the host are paced at one per millisecond, like a full-speed USB device.

#include "device/sim/InstrumentModel.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace tarvik::sim {

class SimServer {
public:
    explicit SimServer(QString socketPath);
    ~SimServer();

    bool start(QString* error); // binds the socket and starts serving
    void stop();

    // Runs f on the model under the server's lock.
    template <class F> auto withModel(F&& f) {
        std::lock_guard lock(m_mutex);
        return f(m_model);
    }
    // Called on the server thread for every report received, after the model has seen it.
    std::function<void(const Payload&)> onReceived;
    // Called on the server thread for every frame the instrument queues for the host: channel
    // 1's and channel 2's 1024 samples, exactly as they go out.
    std::function<void(const std::array<std::uint8_t, kFrameSamples>& ch1,
                       const std::array<std::uint8_t, kFrameSamples>& ch2)>
        onFrameSent;
    // Fault: close the connection after this many received reports (-1: never).
    std::atomic<int> disconnectAfter{-1};
    int reportIntervalUs = 1000;
    int connectionsAccepted() const { return m_accepted; }

private:
    void serve();

    QString m_path;
    InstrumentModel m_model;
    std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    int m_listenFd = -1;
};

} // namespace tarvik::sim
