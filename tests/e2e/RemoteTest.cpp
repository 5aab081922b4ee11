// The real program driven by another process: tarvik-remote presses Run against the virtual
// instrument and reads a frame from "ShareDSOData", which must hold exactly the samples the
// instrument sent. Also: a client without a program, and a program that cannot make its
// blocks.

#include "ProgramFixture.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using tarvik::test::lines;
using tarvik::test::waitUntil;

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

class RemoteRun : public tarvik::test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        writeIni("[Menu]\r\nHWdialog=0\r\n");
    }
    void startSim() { ProgramFixture::startSim({QStringLiteral("--frames"), frames}); }
    Result remote(const QStringList& args, const QString& shmPrefix) {
        QProcess client;
        client.setProcessEnvironment(environment(shmPrefix));
        client.start(QStringLiteral(TARVIK_REMOTE_BIN), args);
        Result r;
        if (!client.waitForFinished(40000)) {
            client.kill();
            client.waitForFinished(5000);
            r.err = QStringLiteral("tarvik-remote did not finish");
            return r;
        }
        r.exitCode = client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
        r.out = QString::fromLocal8Bit(client.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(client.readAllStandardError());
        return r;
    }
    Result remote(const QStringList& args) { return remote(args, prefix); }
    bool blockExists(const char* base) const {
        return QFile::exists(QStringLiteral("/dev/shm/") + prefix + QLatin1String(base));
    }

    QString frames = dir.file(QStringLiteral("frames.txt"));
};

} // namespace

TEST_F(RemoteRun, RunAndReadAFrameExactlyAsTheInstrumentSentIt) {
    startSim();
    startProgram(QStringLiteral("socket:") + socket);
    // Start-up is done when the firmware query (the eighth report) has gone out.
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 8; })) << programOutput().toStdString();
    for (const char* base : {"QuorretData", "ShareDSOData", "FerrowData"}) EXPECT_TRUE(blockExists(base));

    Result status = remote({QStringLiteral("status")});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_TRUE(status.out.contains(QStringLiteral("ch1_range=2V\n")));
    EXPECT_TRUE(status.out.contains(QStringLiteral("timebase=1ms\n")));
    EXPECT_TRUE(status.out.contains(QStringLiteral("trigger=off\n")));

    Result run = remote({QStringLiteral("run")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    Result frame = remote({QStringLiteral("frame"), QStringLiteral("--csv"), QStringLiteral("--timeout"),
                           QStringLiteral("20000")});
    ASSERT_EQ(frame.exitCode, 0) << frame.err.toStdString() << programOutput().toStdString();
    EXPECT_EQ(remote({QStringLiteral("stop")}).exitCode, 0);

    QStringList rows = frame.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2 + 1024);
    EXPECT_TRUE(
        rows[0].startsWith(QStringLiteral("# sample_rate=25000 ch1_full_scale_mv=16000 ch1_zero_level=")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[0].contains(QStringLiteral(" ch2_full_scale_mv=16000 ch2_zero_level=")))
        << rows[0].toStdString();
    EXPECT_EQ(rows[1], QStringLiteral("sample,ch1,ch2"));
    QByteArray ch1, ch2;
    for (int i = 0; i < 1024; ++i) {
        const QStringList cells = rows[2 + i].split(QLatin1Char(','));
        ASSERT_EQ(cells.size(), 3) << rows[2 + i].toStdString();
        ASSERT_EQ(cells[0].toInt(), i);
        ch1.append(static_cast<char>(cells[1].toInt()));
        ch2.append(static_cast<char>(cells[2].toInt()));
    }
    // One of the frames the instrument sent, byte for byte.
    const QByteArray published = ch1.toHex() + ch2.toHex();
    const QList<QByteArray> sent = lines(frames);
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_TRUE(sent.contains(published)) << sent.size() << " frames sent, none equal to the published one";

    stopProgram();
    // The blocks go with the program, so a client can tell that it is gone.
    EXPECT_FALSE(blockExists("QuorretData"));
    Result after = remote({QStringLiteral("status")});
    EXPECT_EQ(after.exitCode, 1);
    EXPECT_TRUE(after.err.contains(QStringLiteral("Tarvik is not running"))) << after.err.toStdString();
}

TEST_F(RemoteRun, WindowCanBeHiddenAndShownAndBadCommandLinesAreRefused) {
    startProgram(QStringLiteral("demo"));
    ASSERT_TRUE(waitUntil([&] { return remote({QStringLiteral("status")}).exitCode == 0; }))
        << programOutput().toStdString();
    EXPECT_EQ(remote({QStringLiteral("hide")}).exitCode, 0);
    EXPECT_EQ(remote({QStringLiteral("show")}).exitCode, 0);
    EXPECT_EQ(remote({QStringLiteral("range"), QStringLiteral("2"), QStringLiteral("0.5v")}).exitCode, 0);
    EXPECT_TRUE(remote({QStringLiteral("status")}).out.contains(QStringLiteral("ch2_range=0.5V\n")));
    for (const QStringList& bad :
         {QStringList{QStringLiteral("range"), QStringLiteral("3"), QStringLiteral("2V")},
          QStringList{QStringLiteral("timebase"), QStringLiteral("3ms")},
          QStringList{QStringLiteral("level"), QStringLiteral("12x")},
          QStringList{QStringLiteral("bogus")}}) {
        const Result r = remote(bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    stopProgram(); // hiding the window did not end the program
}

TEST_F(RemoteRun, ClientSaysSoWhenNoProgramRuns) {
    const Result r = remote({QStringLiteral("frame")}, prefix + QStringLiteral("nobody-"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Tarvik is not running"))) << r.err.toStdString();
}

TEST_F(RemoteRun, ProgramStopsWhenItCannotMakeItsBlocks) {
    prefix = QStringLiteral("no/such/");
    startProgram(QStringLiteral("demo"));
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_NE(program.exitCode(), 0);
    EXPECT_TRUE(programOutput().contains(QStringLiteral("Error creating memory mapped file")))
        << programOutput().toStdString();
}
