// The shared-memory blocks: creation with the right size and mode, what happens to an object
// of the wrong size, clients that may never map past the end, and the slots' byte layout.

#include "device/SharedMemory.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvik;

namespace {

// A name no other test run uses.
std::string uniqueName(const char* what) {
    static int counter = 0;
    return "/tarvik-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" + what;
}

QString devShm(const std::string& name) {
    return QStringLiteral("/dev/shm") + QString::fromStdString(name);
}

// An object made behind the program's back, as another process would.
void makeObject(const std::string& name, off_t size, uid_t owner = ::geteuid()) {
    const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    if (owner != ::geteuid()) {
        ASSERT_EQ(::fchown(fd, owner, static_cast<gid_t>(-1)), 0);
    }
    ::close(fd);
}

struct stat statOf(const std::string& name) {
    struct stat st {};
    EXPECT_EQ(::stat(devShm(name).toLocal8Bit().constData(), &st), 0);
    return st;
}

} // namespace

TEST(SharedMemoryBlock, CreatedBlockHasItsSizeModeAndZeroSlotsAndIsRemovedOnClose) {
    const std::string name = uniqueName("new");
    SharedMemoryBlock block;
    QString error;
    ASSERT_TRUE(block.create(name, 400, &error)) << error.toStdString();
    EXPECT_EQ(block.slotCount(), 100);
    const struct stat st = statOf(name);
    EXPECT_EQ(st.st_size, 400);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (int i : {0, 50, 99}) EXPECT_EQ(block.slot(i), 0);
    block.close();
    EXPECT_FALSE(QFile::exists(devShm(name)));
}

TEST(SharedMemoryBlock, SlotsAreLittleEndianInt32AtFourTimesTheirIndex) {
    const std::string name = uniqueName("bytes");
    SharedMemoryBlock server, client;
    ASSERT_TRUE(server.create(name, 400, nullptr));
    ASSERT_TRUE(client.open(name, 400, nullptr));
    server.setSlot(1, 0x01020304);
    server.setSlot(99, -2);
    EXPECT_EQ(client.slot(1), 0x01020304);
    EXPECT_EQ(client.slot(99), -2);
    QFile f(devShm(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.mid(4, 4), QByteArray("\x04\x03\x02\x01", 4));
    EXPECT_EQ(bytes.mid(396, 4), QByteArray("\xfe\xff\xff\xff", 4));
    // Outside the block nothing is read or written.
    server.setSlot(100, 7);
    server.setSlot(-1, 7);
    EXPECT_EQ(server.slot(100), 0);
    EXPECT_EQ(server.slot(-1), 0);
    EXPECT_TRUE(server.compareAndSetSlot(1, 0x01020304, 0));
    EXPECT_FALSE(server.compareAndSetSlot(99, 5, 0)); // changed since: left alone
    EXPECT_EQ(client.slot(1), 0);
    EXPECT_EQ(client.slot(99), -2);
}

TEST(SharedMemoryBlock, ExistingBlockIsOpenedWithItsContents) {
    const std::string name = uniqueName("existing");
    SharedMemoryBlock first, second;
    ASSERT_TRUE(first.create(name, 400, nullptr));
    first.setSlot(3, 42);
    ASSERT_TRUE(second.create(name, 400, nullptr));
    EXPECT_EQ(second.slot(3), 42);
}

TEST(SharedMemoryBlock, OwnObjectOfTheWrongSizeIsResized) {
    for (off_t size : {off_t{100}, off_t{4096}}) {
        const std::string name = uniqueName("resize");
        makeObject(name, size);
        SharedMemoryBlock block;
        QString error;
        ASSERT_TRUE(block.create(name, 40000, &error)) << error.toStdString();
        EXPECT_EQ(statOf(name).st_size, 40000);
        block.setSlot(9999, 5); // the last slot is inside the object
        EXPECT_EQ(block.slot(9999), 5);
    }
}

TEST(SharedMemoryBlock, AnotherUsersObjectOfTheWrongSizeIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make an object that belongs to another user";
    const std::string name = uniqueName("foreign");
    makeObject(name, 100, 65534);
    SharedMemoryBlock block;
    QString error;
    EXPECT_FALSE(block.create(name, 400, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("another user"))) << error.toStdString();
    EXPECT_EQ(statOf(name).st_size, 100); // untouched
    ::shm_unlink(name.c_str());
}

TEST(SharedMemoryBlock, ClientNeverMapsPastTheEndAndNeedsAnExistingObject) {
    const std::string name = uniqueName("client");
    SharedMemoryBlock client;
    QString error;
    EXPECT_FALSE(client.open(name, 400, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("does not exist"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(devShm(name))); // a client creates nothing
    makeObject(name, 200);
    EXPECT_FALSE(client.open(name, 400, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("200"))) << error.toStdString();
    EXPECT_FALSE(client.isOpen());
    client.close();
    EXPECT_TRUE(QFile::exists(devShm(name))); // a client removes nothing either
    ::shm_unlink(name.c_str());
}

TEST(SharedBlocks, ThreeBlocksUnderThePrefixAndABadPrefixFails) {
    const QString prefix = QStringLiteral("tarvik-test-%1-blocks-").arg(::getpid());
    {
        SharedBlocks blocks;
        QString error;
        ASSERT_TRUE(blocks.create(prefix, &error)) << error.toStdString();
        EXPECT_EQ(blocks.quorret.name(), "/" + prefix.toStdString() + "QuorretData");
        EXPECT_EQ(blocks.quorret.size(), 400u);
        EXPECT_EQ(blocks.dso.size(), 40000u);
        EXPECT_EQ(blocks.ferrow.size(), 1000u);
        EXPECT_TRUE(QFile::exists(devShm(blocks.dso.name())));
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/dev/shm/") + prefix + QStringLiteral("ShareDSOData")));

    SharedBlocks blocks;
    QString error;
    EXPECT_FALSE(blocks.create(QStringLiteral("a/b"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("TARVIK_SHM_PREFIX"))) << error.toStdString();
    EXPECT_FALSE(blocks.create(QString(300, QLatin1Char('x')), &error));
    EXPECT_FALSE(blocks.ferrow.isOpen());
}
