#pragma once
// Named shared-memory blocks: the way other programs on this computer drive the instrument
// and read its frames. A block is an array of 32-bit little-endian slots (slot n at byte 4n)
// in a POSIX shared-memory object (/dev/shm). Both sides poll and write single aligned slots;
// nobody waits on a lock.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvik {

class SharedMemoryBlock {
public:
    SharedMemoryBlock() = default;
    ~SharedMemoryBlock();
    SharedMemoryBlock(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock& operator=(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;

    // The serving side: opens the object `name` ("/QuorretData"), creating it with mode 0600
    // when it does not exist. An object of another size is resized when it belongs to this
    // user and refused otherwise. The name is removed again by close() (and the destructor).
    bool create(const std::string& name, std::size_t size, QString* error);
    // A client: opens an existing object that holds at least `size` bytes and maps those.
    bool open(const std::string& name, std::size_t size, QString* error);
    // Unmaps the block; a created block's name is removed, so a client sees the server gone.
    void close();

    bool isOpen() const { return m_data != nullptr; }
    const std::string& name() const { return m_name; }
    std::size_t size() const { return m_size; }
    int slotCount() const { return static_cast<int>(m_size / 4); }

    // One slot, read or written as a single aligned 32-bit access. Indices outside the block
    // read 0 and are not written.
    std::int32_t slot(int index) const;
    void setSlot(int index, std::int32_t value);
    // Writes `value` only while the slot still holds `expected`; false when it did not.
    bool compareAndSetSlot(int index, std::int32_t expected, std::int32_t value);

private:
    bool map(const std::string& name, std::size_t size, bool create, QString* error);

    std::string m_name;
    std::int32_t* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_removeOnClose = false;
};

// The program's three blocks, created at start-up before any window.
struct SharedBlocks {
    static constexpr const char* kQuorretName = "QuorretData"; // oscilloscope remote control
    static constexpr std::size_t kQuorretSize = 400;
    static constexpr const char* kDsoName = "ShareDSOData"; // the last frame
    static constexpr std::size_t kDsoSize = 40000;
    static constexpr const char* kFerrowName = "FerrowData"; // generator remote control
    static constexpr std::size_t kFerrowSize = 1000;

    SharedMemoryBlock quorret;
    SharedMemoryBlock dso;
    SharedMemoryBlock ferrow;

    // Creates (or opens) "/<prefix>FerrowData", "/<prefix>ShareDSOData" and
    // "/<prefix>QuorretData". On failure none stays open and *error says which and why.
    bool create(const QString& prefix, QString* error);
    void close();

    // The object name of a block under a prefix: "/" + prefix + base. Empty when the prefix
    // cannot be part of a name (a "/" in it, or too long).
    static std::string objectName(const QString& prefix, const char* base);
    // TARVIK_SHM_PREFIX, empty when unset: lets parallel runs (tests) keep apart.
    static QString prefixFromEnvironment();
};

} // namespace tarvik
