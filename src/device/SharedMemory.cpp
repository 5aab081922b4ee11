#include "device/SharedMemory.h"

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarvik {

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Slots are little-endian whatever the host.
std::int32_t fromLittle(std::int32_t v) {
    if constexpr (std::endian::native == std::endian::big)
        return static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(v)));
    return v;
}

} // namespace

SharedMemoryBlock::~SharedMemoryBlock() {
    close();
}

SharedMemoryBlock::SharedMemoryBlock(SharedMemoryBlock&& other) noexcept
    : m_name(std::move(other.m_name)), m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)), m_removeOnClose(std::exchange(other.m_removeOnClose, false)) {}

SharedMemoryBlock& SharedMemoryBlock::operator=(SharedMemoryBlock&& other) noexcept {
    if (this != &other) {
        close();
        m_name = std::move(other.m_name);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_removeOnClose = std::exchange(other.m_removeOnClose, false);
    }
    return *this;
}

bool SharedMemoryBlock::create(const std::string& name, std::size_t size, QString* error) {
    return map(name, size, true, error);
}

bool SharedMemoryBlock::open(const std::string& name, std::size_t size, QString* error) {
    return map(name, size, false, error);
}

bool SharedMemoryBlock::map(const std::string& name, std::size_t size, bool create, QString* error) {
    close();
    const QString shown = QString::fromStdString(name);
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(shown, why);
        return false;
    };
    if (name.size() < 2 || name.front() != '/' || name.find('/', 1) != std::string::npos ||
        name.size() > NAME_MAX)
        return fail(QStringLiteral("not a valid shared-memory name"));
    if (size == 0 || size % 4 != 0) return fail(QStringLiteral("not a whole number of slots"));

    bool madeNow = false; // this call created the object
    int fd = -1;
    if (create) {
        fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        madeNow = fd >= 0;
    }
    if (fd < 0 && (!create || errno == EEXIST)) fd = ::shm_open(name.c_str(), O_RDWR, 0600);
    if (fd < 0) {
        if (!create && errno == ENOENT) return fail(QStringLiteral("does not exist"));
        return fail(systemError(errno));
    }
    // Gives up: the descriptor is closed and an object made by this call removed again.
    auto abandon = [&](const QString& why) {
        ::close(fd);
        if (madeNow) ::shm_unlink(name.c_str());
        return fail(why);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return abandon(systemError(errno));
    const auto actual = static_cast<std::size_t>(st.st_size);
    if (create && actual != size) {
        // A new object is empty; one left by another run may have any size. Only our own may
        // be changed: resizing another user's block would pull it from under its users.
        if (!madeNow && st.st_uid != ::geteuid())
            return abandon(QStringLiteral("exists with %1 bytes instead of %2 and belongs to another user")
                               .arg(actual)
                               .arg(size));
        if (::ftruncate(fd, static_cast<off_t>(size)) != 0)
            return abandon(QStringLiteral("cannot be given %1 bytes: %2").arg(size).arg(systemError(errno)));
        if (::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) != size)
            return abandon(QStringLiteral("cannot be given %1 bytes").arg(size));
    } else if (!create && actual < size) {
        // Mapping past the object's end would fault on the first access there.
        return abandon(QStringLiteral("holds %1 bytes, %2 are needed").arg(actual).arg(size));
    }
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return abandon(systemError(errno));
    ::close(fd); // the mapping keeps the object
    m_name = name;
    m_data = static_cast<std::int32_t*>(p);
    m_size = size;
    m_removeOnClose = create;
    return true;
}

void SharedMemoryBlock::close() {
    if (!m_data) return;
    ::munmap(m_data, m_size);
    if (m_removeOnClose) ::shm_unlink(m_name.c_str());
    m_data = nullptr;
    m_size = 0;
    m_removeOnClose = false;
}

std::int32_t SharedMemoryBlock::slot(int index) const {
    if (!m_data || index < 0 || index >= slotCount()) return 0;
    return fromLittle(std::atomic_ref<std::int32_t>(m_data[index]).load(std::memory_order_relaxed));
}

void SharedMemoryBlock::setSlot(int index, std::int32_t value) {
    if (!m_data || index < 0 || index >= slotCount()) return;
    std::atomic_ref<std::int32_t>(m_data[index]).store(fromLittle(value), std::memory_order_relaxed);
}

bool SharedMemoryBlock::compareAndSetSlot(int index, std::int32_t expected, std::int32_t value) {
    if (!m_data || index < 0 || index >= slotCount()) return false;
    std::int32_t stored = fromLittle(expected);
    return std::atomic_ref<std::int32_t>(m_data[index])
        .compare_exchange_strong(stored, fromLittle(value), std::memory_order_relaxed);
}

// ---------------------------------------------------------------- the program's blocks

std::string SharedBlocks::objectName(const QString& prefix, const char* base) {
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QChar(0))) return {};
    const QByteArray bytes = QByteArray("/") + prefix.toLocal8Bit() + base;
    if (bytes.size() > NAME_MAX) return {};
    return bytes.toStdString();
}

QString SharedBlocks::prefixFromEnvironment() {
    return qEnvironmentVariable("TARVIK_SHM_PREFIX");
}

bool SharedBlocks::create(const QString& prefix, QString* error) {
    close();
    struct Item {
        SharedMemoryBlock* block;
        const char* base;
        std::size_t size;
    };
    const Item items[] = {{&ferrow, kFerrowName, kFerrowSize},
                          {&dso, kDsoName, kDsoSize},
                          {&quorret, kQuorretName, kQuorretSize}};
    for (const Item& item : items) {
        const std::string name = objectName(prefix, item.base);
        if (name.empty()) {
            if (error)
                *error = QStringLiteral("TARVIK_SHM_PREFIX \"%1\" cannot be part of a shared-memory name")
                             .arg(prefix);
            close();
            return false;
        }
        if (!item.block->create(name, item.size, error)) {
            close();
            return false;
        }
    }
    return true;
}

void SharedBlocks::close() {
    quorret.close();
    dso.close();
    ferrow.close();
}

} // namespace tarvik
