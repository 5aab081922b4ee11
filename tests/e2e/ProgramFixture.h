#pragma once
// A test that runs the real programs: a private configuration and home folder, the virtual
// instrument on a socket in that folder, and Tarvik with its own shared-memory names, so that
// tests running side by side (or a Tarvik the user has open) never meet.

#include "Processes.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tarvik::test {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(dir.file(QStringLiteral("config/Kandor/Tarvik")));
        QDir().mkpath(dir.file(QStringLiteral("home")));
    }
    void TearDown() override {
        for (QProcess* p : {&program, &sim}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        for (const char* base : {"QuorretData", "ShareDSOData", "FerrowData"}) // left by a killed program
            QFile::remove(QStringLiteral("/dev/shm/") + prefix + QLatin1String(base));
    }
    QString iniPath() const { return dir.file(QStringLiteral("config/Kandor/Tarvik/Tarvik.ini")); }
    void writeIni(const QByteArray& text) {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // `answer`: the headless answer to questions ("yes" or "no").
    QProcessEnvironment environment(const QString& shmPrefix,
                                    const QString& answer = QStringLiteral("yes")) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
        env.insert(QStringLiteral("HOME"), dir.file(QStringLiteral("home")));
        env.insert(QStringLiteral("TARVIK_SHM_PREFIX"), shmPrefix);
        env.insert(QStringLiteral("TARVIK_PROMPT_ANSWER"), answer);
        env.remove(QStringLiteral("TARVIK_DEVICE"));
        return env;
    }
    void startSim(const QStringList& extra = {}) {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(TARVIK_SIM_BIN), QStringList{socket, QStringLiteral("--log"), log} + extra);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }));
    }
    void startProgram(const QString& device, const QString& answer = QStringLiteral("yes")) {
        program.setProcessEnvironment(environment(prefix, answer));
        program.start(QStringLiteral(TARVIK_BIN), {QStringLiteral("--device"), device});
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    QString programOutput() {
        stderrText += program.readAllStandardError();
        return QString::fromLocal8Bit(stderrText);
    }
    void stopProgram() {
        program.terminate(); // SIGTERM closes the window as a user would
        ASSERT_TRUE(program.waitForFinished(15000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    TempDir dir;
    QString prefix =
        QStringLiteral("tarvik-e2e-%1-").arg(::getpid()); // each test runs in a process of its own
    QString socket = dir.file(QStringLiteral("sim.sock"));
    QString log = dir.file(QStringLiteral("reports.log"));
    QProcess sim;
    QProcess program;
    QByteArray stderrText;
};

} // namespace tarvik::test
