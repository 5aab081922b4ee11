// Transports and the device link: the report queue, time-outs and errors that never leave
// stale bytes, a lost or unopenable instrument, and the socket back end against the virtual
// instrument's server.

#include "device/DeviceLink.h"
#include "device/HidapiTransport.h"
#include "device/SocketTransport.h"
#include "device/sim/SimServer.h"
#include "device/sim/SimulatedTransport.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace tarvik;

namespace {

Payload filled(std::uint8_t value) {
    Payload p;
    p.fill(value);
    return p;
}

Payload command(std::uint8_t code) {
    Payload p{};
    p[0] = code;
    return p;
}

} // namespace

TEST(ReportQueue, KeepsTheNewest32AndReportsFailureAfterDraining) {
    ReportQueue queue;
    for (int i = 0; i < 40; ++i) queue.push(filled(static_cast<std::uint8_t>(i)));
    EXPECT_EQ(queue.size(), 32u);
    EXPECT_EQ(queue.dropped(), 8u);
    Payload p{};
    ASSERT_EQ(queue.pop(p, 0), IoStatus::Ok);
    EXPECT_EQ(p[0], 8); // the oldest eight were dropped
    queue.clear();
    EXPECT_EQ(queue.pop(p, 5), IoStatus::Timeout);
    queue.push(filled(99));
    queue.fail();
    EXPECT_EQ(queue.pop(p, 0), IoStatus::Ok);       // what arrived before the failure is still read
    EXPECT_EQ(queue.pop(p, 1000), IoStatus::Error); // and then the failure, without waiting
}

TEST(DeviceLink, FailedReadsNeverLeaveStaleBytes) {
    sim::InstrumentModel model;
    DeviceLink link(std::make_unique<sim::SimulatedTransport>(model));
    ASSERT_EQ(link.OpenDeviceW(), 0);
    Payload buffer = filled(0xAB);
    model.silent = true;
    EXPECT_EQ(link.USBRead(buffer, 10), IoStatus::Timeout);
    EXPECT_EQ(buffer, Payload{});
    EXPECT_TRUE(link.deviceOpened()); // a time-out alone does not lose the device
}

TEST(DeviceLink, WriteLengthsOutside1To64AreRejected) {
    sim::InstrumentModel model;
    DeviceLink link(std::make_unique<sim::SimulatedTransport>(model));
    ASSERT_EQ(link.OpenDeviceW(), 0);
    const std::uint8_t bytes[65] = {14};
    EXPECT_EQ(link.USBWrite(bytes, 0), IoStatus::Error);
    EXPECT_EQ(link.USBWrite(bytes, 65), IoStatus::Error);
    EXPECT_TRUE(model.received().empty());
    EXPECT_EQ(link.USBWrite(bytes, 64), IoStatus::Ok);
    EXPECT_TRUE(link.deviceOpened());
}

TEST(DeviceLink, LostInstrumentClosesOnceAndCanBeReopened) {
    sim::InstrumentModel model;
    DeviceLink link(std::make_unique<sim::SimulatedTransport>(model));
    QSignalSpy lost(&link, &DeviceLink::deviceLost);
    ASSERT_EQ(link.OpenDeviceW(), 0);
    model.disconnected = true;
    Payload buffer = filled(7);
    EXPECT_EQ(link.USBRead(buffer, 10), IoStatus::Error);
    EXPECT_EQ(buffer, Payload{});
    EXPECT_FALSE(link.deviceOpened());
    EXPECT_EQ(link.USBRead(buffer, 10), IoStatus::Error); // closed now: no second loss
    const std::uint8_t stop = 9;
    EXPECT_EQ(link.USBWrite(&stop, 1), IoStatus::Error);
    EXPECT_EQ(lost.count(), 1);

    model.disconnected = false; // plugged in again: "Hardware Setup..." opens it
    link.test2();
    EXPECT_FALSE(link.noHardwareResponse());
    EXPECT_TRUE(link.deviceOpened());
}

TEST(DeviceLink, InstrumentThatCannotBeOpenedCountsAsNone) {
    sim::InstrumentModel model;
    auto* transport = new sim::SimulatedTransport(model);
    transport->openRefused = true;
    DeviceLink link{std::unique_ptr<Transport>(transport)};
    EXPECT_EQ(link.OpenDeviceW(), -1);
    link.test0();
    EXPECT_TRUE(link.noHardwareResponse());
    EXPECT_FALSE(link.deviceOpened());
    EXPECT_TRUE(link.lastError().contains(QStringLiteral("Permission denied")));

    transport->openRefused = false;
    link.test0();
    EXPECT_FALSE(link.noHardwareResponse());
    EXPECT_TRUE(link.deviceOpened());
}

TEST(HidapiTransport, NoMatchingInstrumentIsReportedNotFatal) {
    HidapiTransport transport(0xFFFE, 0xFFFE);
    QString error;
    EXPECT_FALSE(transport.open(&error));
    EXPECT_FALSE(transport.isOpen());
    EXPECT_TRUE(error.contains(QStringLiteral("fffe:fffe"))) << error.toStdString();
    Payload buffer = filled(1);
    EXPECT_EQ(transport.read(buffer, 0), IoStatus::Error);
    EXPECT_EQ(buffer, Payload{});
}

class SocketTransportTest : public ::testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(QStringLiteral("sim.sock"));
};

TEST_F(SocketTransportTest, NoServerMeansNoInstrument) {
    SocketTransport transport(path);
    QString error;
    EXPECT_FALSE(transport.open(&error));
    EXPECT_TRUE(error.contains(path));
}

TEST_F(SocketTransportTest, CaptureAndFrameRoundTripThroughTheServer) {
    sim::SimServer server(path);
    server.withModel([](sim::InstrumentModel& m) { return m.captureTimeMs = 5; });
    ASSERT_TRUE(server.start(nullptr));
    SocketTransport transport(path);
    ASSERT_TRUE(transport.open(nullptr));

    const std::uint8_t arm = 11;
    ASSERT_EQ(transport.write(&arm, 1), IoStatus::Ok);
    Payload report{};
    bool complete = false;
    bool sawStatus = false;
    for (int i = 0; i < 500 && !complete; ++i) {
        ASSERT_EQ(transport.read(report, 1000), IoStatus::Ok);
        sawStatus = sawStatus || report[0] == 0;
        complete = report[0] == 100 && report[1] == 200;
    }
    ASSERT_TRUE(complete);
    EXPECT_TRUE(sawStatus);

    const std::uint8_t readFrame = 10;
    ASSERT_EQ(transport.write(&readFrame, 1), IoStatus::Ok);
    std::vector<std::uint8_t> frame;
    while (frame.size() < 34 * 64) {
        ASSERT_EQ(transport.read(report, 1000), IoStatus::Ok);
        if (frame.empty() && (report[0] == 100 || report[0] == 0)) continue; // status still queued
        frame.insert(frame.end(), report.begin(), report.end());
    }
    const auto [ch1, ch2] = server.withModel([](sim::InstrumentModel& m) {
        return std::pair{m.lastFrame(0), m.lastFrame(1)};
    });
    EXPECT_TRUE(std::equal(ch1.begin(), ch1.end(), frame.begin()));
    EXPECT_TRUE(std::equal(ch2.begin(), ch2.end(), frame.begin() + 1088));
}

TEST_F(SocketTransportTest, DisconnectIsAnErrorAndTheNextOpenReconnects) {
    sim::SimServer server(path);
    server.disconnectAfter = 1;
    ASSERT_TRUE(server.start(nullptr));
    SocketTransport transport(path);
    ASSERT_TRUE(transport.open(nullptr));
    const std::uint8_t query = 15;
    ASSERT_EQ(transport.write(&query, 1), IoStatus::Ok);
    Payload report = filled(3);
    IoStatus status = IoStatus::Ok;
    for (int i = 0; i < 5 && status != IoStatus::Error; ++i) status = transport.read(report, 1000);
    EXPECT_EQ(status, IoStatus::Error);
    EXPECT_EQ(report, Payload{});

    server.disconnectAfter = -1;
    ASSERT_TRUE(transport.open(nullptr));
    ASSERT_EQ(transport.write(&query, 1), IoStatus::Ok);
    ASSERT_EQ(transport.read(report, 1000), IoStatus::Ok);
    EXPECT_EQ(report[0], '1');
    EXPECT_EQ(server.connectionsAccepted(), 2);
}

TEST_F(SocketTransportTest, AReportSplitAcrossSocketReadsArrivesWhole) {
    // A bare server that sends one report in two pieces with a pause between them.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray p = path.toLocal8Bit();
    std::memcpy(address.sun_path, p.constData(), static_cast<std::size_t>(p.size()));
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::thread peer([listener] {
        const int c = ::accept(listener, nullptr, nullptr);
        const Payload r = filled(0x42);
        ::send(c, r.data(), 30, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::send(c, r.data() + 30, 34, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(c);
    });
    SocketTransport transport(path);
    ASSERT_TRUE(transport.open(nullptr));
    Payload report{};
    EXPECT_EQ(transport.read(report, 20), IoStatus::Timeout); // half a report is no report
    EXPECT_EQ(report, Payload{});
    EXPECT_EQ(transport.read(report, 2000), IoStatus::Ok);
    EXPECT_EQ(report, filled(0x42));
    peer.join();
    ::close(listener);
}

TEST(InstrumentModel, StreamingAndTriggerFollowTheSettings) {
    sim::InstrumentModel model;
    model.noise = false;
    model.captureTimeMs = 0;
    // Streaming: even bytes channel 1, odd bytes channel 2, each at its zero level with no input.
    model.inputsConnected = false;
    model.offsetError[0][5] = 3;
    model.receive(command(12), 0);
    const auto stream = model.next(0);
    ASSERT_TRUE(stream);
    EXPECT_EQ((*stream)[0], 127 + 3);
    EXPECT_EQ((*stream)[1], 127);

    // A trigger level above the whole signal never completes a capture.
    model.inputsConnected = true;
    Payload settings = command(14);
    const SettingsRecord record{5, 5, 127, 127, 0 /* level at the top */, 9, 0, 1, 0, 0, 0};
    std::copy(record.begin(), record.end(), settings.begin() + 1);
    model.receive(settings, 0);
    model.receive(command(11), 0);
    for (int i = 0; i < 50; ++i) EXPECT_EQ((*model.next(i))[0], 0);
    // At mid level it triggers, with the rising crossing at sample 256.
    settings[5] = 127;
    model.receive(settings, 100);
    model.receive(command(11), 100);
    const auto done = model.next(100);
    ASSERT_TRUE(done);
    EXPECT_EQ((*done)[0], 100);
    model.receive(command(10), 100);
    const auto& ch1 = model.lastFrame(0);
    EXPECT_LT(ch1[255], 128);
    EXPECT_GE(ch1[256], 128);
}
