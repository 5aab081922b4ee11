#include "device/sim/SimServer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvik::sim {

namespace {

std::int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool sendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

SimServer::SimServer(QString socketPath) : m_path(std::move(socketPath)) {}

SimServer::~SimServer() {
    stop();
}

bool SimServer::start(QString* error) {
    const QByteArray path = m_path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        if (error) *error = QStringLiteral("invalid socket path \"%1\"").arg(m_path);
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ::unlink(path.constData()); // a socket left by an earlier run
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 ||
        ::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 1) != 0) {
        if (error)
            *error = QStringLiteral("cannot listen on %1: %2")
                         .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        if (m_listenFd >= 0) ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { serve(); });
    return true;
}

void SimServer::stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        ::unlink(m_path.toLocal8Bit().constData());
    }
}

void SimServer::serve() {
    int client = -1;
    Payload incoming{};
    std::size_t filled = 0;
    int receivedCount = 0;
    std::int64_t nextSendUs = 0;
    const std::int64_t startUs = nowUs();
    auto dropClient = [&] {
        if (client >= 0) ::close(client);
        client = -1;
        filled = 0;
    };
    while (!m_stop) {
        pollfd p{client >= 0 ? client : m_listenFd, POLLIN, 0};
        ::poll(&p, 1, 1);
        if (client < 0) {
            if (p.revents & POLLIN) {
                client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    ++m_accepted;
                    receivedCount = 0;
                }
            }
            continue;
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(client, incoming.data() + filled, kPayloadSize - filled, 0);
            if (n <= 0 && !(n < 0 && errno == EINTR)) {
                dropClient();
                continue;
            }
            if (n > 0) filled += static_cast<std::size_t>(n);
            if (filled == kPayloadSize) {
                filled = 0;
                std::optional<std::array<std::array<std::uint8_t, kFrameSamples>, 2>> frame;
                {
                    std::lock_guard lock(m_mutex);
                    m_model.receive(incoming, (nowUs() - startUs) / 1000);
                    if (incoming[0] == cmd::ReadFrame && onFrameSent)
                        frame = {{m_model.lastFrame(0), m_model.lastFrame(1)}};
                }
                if (frame) onFrameSent((*frame)[0], (*frame)[1]);
                if (onReceived) onReceived(incoming);
                const int limit = disconnectAfter;
                if (limit >= 0 && ++receivedCount >= limit) {
                    dropClient();
                    continue;
                }
            }
        }
        const std::int64_t now = nowUs();
        if (now < nextSendUs) continue;
        std::optional<Payload> report;
        {
            std::lock_guard lock(m_mutex);
            if (m_model.disconnected) {
                dropClient();
                continue;
            }
            report = m_model.next((now - startUs) / 1000);
        }
        if (report) {
            if (!sendAll(client, report->data(), report->size())) dropClient();
            nextSendUs = now + reportIntervalUs;
        }
    }
    dropClient();
}

} // namespace tarvik::sim
