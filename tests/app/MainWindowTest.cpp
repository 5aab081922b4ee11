// The real main window against the virtual instrument on its socket: pressing "Run" shows
// "Running" and frames arrive; releasing it stops the instrument; closing powers it down.

#include "app/gui/Program.h"
#include "device/sim/SimServer.h"
#include "files/IniFile.h"
#include "support/TempDir.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <mutex>

using namespace tarvik;

TEST(MainWindow, RunAgainstTheVirtualInstrument) {
    test::TempDir dir;
    const QString socket = dir.file(QStringLiteral("sim.sock"));
    sim::SimServer server(socket);
    std::mutex mutex;
    std::vector<int> codes;
    server.onReceived = [&](const Payload& p) {
        std::lock_guard lock(mutex);
        codes.push_back(p[0]);
    };
    server.withModel([](sim::InstrumentModel& m) { return m.captureTimeMs = 20; });
    ASSERT_TRUE(server.start(nullptr));
    IniFile ini(dir.file(QStringLiteral("Tarvik.ini")));
    ini.writeBool(QStringLiteral("Menu"), QStringLiteral("HWdialog"), false);
    ASSERT_TRUE(ini.save());

    CommandLineOptions options;
    options.device.kind = DeviceChoice::Kind::Socket;
    options.device.socketPath = socket;
    Program program(options, ini.path());
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(program.controller().startupDone(), 5000);
    ASSERT_TRUE(program.link().deviceOpened());

    auto* run = program.window().findChild<QPushButton*>(QStringLiteral("runButton"));
    auto* status = program.window().findChild<QLabel*>(QStringLiteral("statusLabel"));
    ASSERT_TRUE(run && status);
    QSignalSpy frames(&program.scope(), &ScopeController::frameDisplayed);
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_EQ(status->text(), QStringLiteral("Running"));
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 3, 10000);
    EXPECT_TRUE(run->isChecked());
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_EQ(status->text(), QStringLiteral("Stopped"));
    EXPECT_TRUE(program.scope().idle());

    program.window().close();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            std::lock_guard lock(mutex);
            return !codes.empty() && codes.back() == 20;
        }(),
        5000);
    std::lock_guard lock(mutex);
    EXPECT_GE(std::count(codes.begin(), codes.end(), 10), 3); // frames were read
}

TEST(MainWindow, AStoredPlaceOffEveryScreenIsBroughtBack) {
    test::TempDir dir;
    IniFile ini(dir.file(QStringLiteral("Tarvik.ini")));
    for (auto [key, value] : {std::pair{"Top", 5000}, {"Left", -7000}, {"Width", 20000}, {"Height", 300}})
        ini.writeInteger(QStringLiteral("ScopeMainForm"), QString::fromLatin1(key), value);
    ASSERT_TRUE(ini.save());
    CommandLineOptions options;
    options.device.kind = DeviceChoice::Kind::Demo;
    Program program(options, ini.path());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(program.window().pos(), program.window().size());
    EXPECT_TRUE(area.contains(placed.topLeft())) << placed.x() << "," << placed.y();
    EXPECT_LE(placed.width(), area.width());
}
