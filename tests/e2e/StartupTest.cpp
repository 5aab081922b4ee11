// The real program against the virtual instrument: the exact reports of start-up, and the
// power-off and configuration written when it is told to stop.

#include "ProgramFixture.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using tarvik::test::lines;
using tarvik::test::readAll;
using tarvik::test::waitUntil;

// One line per report the instrument received: the 64 bytes in hex.
QList<QByteArray> reports(const QString& log) {
    return lines(log);
}

QByteArray hexReport(std::initializer_list<int> bytes) {
    QByteArray raw(64, '\0');
    int i = 0;
    for (int b : bytes) raw[i++] = static_cast<char>(b);
    return raw.toHex(' ');
}

class ProgramRun : public tarvik::test::ProgramFixture {};

} // namespace

TEST_F(ProgramRun, StartupReportsAndPowerOffAgainstTheVirtualInstrument) {
    writeIni("[Menu]\r\nHWdialog=0\r\n");
    startSim();
    startProgram(QStringLiteral("socket:") + socket);
    ASSERT_TRUE(waitUntil([&] { return reports(log).size() >= 8; })) << programOutput().toStdString();
    QThread::msleep(200); // nothing else is sent once start-up is done
    const QByteArray defaults = hexReport({14, 5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0});
    const QList<QByteArray> expected = {
        defaults,
        defaults,
        defaults, // "2V", "2V", "1ms"
        hexReport({14, 5, 5, 127, 127, 127, 9, 1, 1, 1, 0, 0}),
        hexReport({14, 5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}),
        hexReport({14, 5, 5, 127, 127, 127, 9, 0, 0, 0, 1, 1}),
        hexReport({14, 5, 5, 127, 127, 127, 9, 0, 0, 0, 0, 0}),
        hexReport({15}),
    };
    EXPECT_EQ(reports(log), expected);
    EXPECT_TRUE(readAll(iniPath()).contains("Running=1"));

    stopProgram();
    const QList<QByteArray> all = reports(log);
    ASSERT_EQ(all.size(), 9);
    EXPECT_EQ(all.last(), hexReport({20}));
    const QByteArray ini = readAll(iniPath());
    EXPECT_TRUE(ini.contains("Running=0\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("HWdialog=0\r\n"));
}

TEST_F(ProgramRun, WithoutAnInstrumentItSaysSoAndRunsInDemoMode) {
    startProgram(QStringLiteral("socket:") + socket); // nobody listens there
    ASSERT_TRUE(waitUntil([&] {
        return programOutput().contains(QStringLiteral("Software runs now in Demo Mode."));
    })) << programOutput().toStdString();
    EXPECT_TRUE(programOutput().contains(QStringLiteral("No hardware response!")));
    stopProgram();
    EXPECT_TRUE(readAll(iniPath()).contains("Running=0\r\n"));
    EXPECT_TRUE(readAll(iniPath()).contains("DemoMode=0\r\n")); // falling back is not a choice to keep
}

TEST_F(ProgramRun, ForcedDemoModeSendsNothing) {
    writeIni("[Menu]\r\nHWdialog=0\r\n");
    startSim();
    startProgram(QStringLiteral("demo"));
    ASSERT_TRUE(waitUntil([&] {
        return programOutput().contains(
            QStringLiteral("Choose Options -> Hardware Setup to enter normal mode."));
    })) << programOutput().toStdString();
    stopProgram();
    EXPECT_TRUE(reports(log).isEmpty());
}

TEST_F(ProgramRun, AFreshStartIsAFirstRunAndAKilledRunIsNoticed) {
    startSim({QStringLiteral("--inputs-open")});
    startProgram(QStringLiteral("socket:") + socket, QStringLiteral("no")); // "Cancel" to the calibration
    ASSERT_TRUE(waitUntil([&] { return programOutput().contains(QStringLiteral("will now be calibrated")); }))
        << programOutput().toStdString();
    stopProgram();
    const QByteArray ini = readAll(iniPath());
    for (const char* line :
         {"Dot_Join=1\r\n", "HWdialog=1\r\n", "Background=16121855\r\n", "Ch1=220\r\n", "Running=0\r\n"})
        EXPECT_TRUE(ini.contains(line)) << line;

    // A run that is killed leaves the marker set: the next start asks before it opens anything.
    stderrText.clear();
    startProgram(QStringLiteral("socket:") + socket, QStringLiteral("no"));
    ASSERT_TRUE(waitUntil([&] { return readAll(iniPath()).contains("Running=1"); }));
    program.kill();
    program.waitForFinished(5000);
    stderrText.clear();
    const auto before = reports(log).size();
    startProgram(QStringLiteral("socket:") + socket, QStringLiteral("no"));
    ASSERT_TRUE(waitUntil([&] { return programOutput().contains(QStringLiteral("Run anyway?")); }))
        << programOutput().toStdString();
    // "No" (the headless answer here) closes the program; it may have ended already.
    ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(reports(log).size(), before); // without a word to the instrument
    EXPECT_TRUE(readAll(iniPath()).contains("Running=0\r\n"));
}
