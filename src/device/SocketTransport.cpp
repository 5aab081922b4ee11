#include "device/SocketTransport.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvik {

SocketTransport::SocketTransport(QString path) : m_path(std::move(path)) {}

SocketTransport::~SocketTransport() {
    close();
}

bool SocketTransport::open(QString* error) {
    close();
    const QByteArray path = m_path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        if (error) *error = QStringLiteral("invalid socket path \"%1\"").arg(m_path);
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (error)
            *error = QStringLiteral("no virtual instrument at %1: %2")
                         .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0) ::close(fd);
        return false;
    }
    m_fd = fd;
    m_partialBytes = 0;
    startReader();
    return true;
}

void SocketTransport::close() {
    stopReader();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

IoStatus SocketTransport::writeReport(const HidReport& report) {
    std::size_t sent = 0;
    while (sent < kPayloadSize) {
        const ssize_t n = ::send(m_fd, report.data() + 1 + sent, kPayloadSize - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return IoStatus::Error;
        sent += static_cast<std::size_t>(n);
    }
    return IoStatus::Ok;
}

IoStatus SocketTransport::pollInput(Payload& report, int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0) return errno == EINTR ? IoStatus::Timeout : IoStatus::Error;
    if (ready == 0) return IoStatus::Timeout;
    const ssize_t n = ::recv(m_fd, m_partial.data() + m_partialBytes, kPayloadSize - m_partialBytes, 0);
    if (n < 0) return (errno == EINTR || errno == EAGAIN) ? IoStatus::Timeout : IoStatus::Error;
    if (n == 0) return IoStatus::Error; // the instrument went away
    m_partialBytes += static_cast<std::size_t>(n);
    if (m_partialBytes < kPayloadSize) return IoStatus::Timeout;
    report = m_partial;
    m_partialBytes = 0;
    return IoStatus::Ok;
}

} // namespace tarvik
