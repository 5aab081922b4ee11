// tarvik-sim: the virtual instrument. Serves the instrument's command set on a UNIX socket so
// that `tarvik --device socket:PATH` runs every code path it runs with the USB instrument.

#include "device/sim/SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}

// Opens a file the simulator appends to; says why on stderr when it cannot.
bool openForAppend(QFile& file, const QString& path) {
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) return true;
    std::fprintf(stderr, "tarvik-sim: cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    return false;
}

QByteArray hexLine(const tarvik::Payload& report) {
    return QByteArray(reinterpret_cast<const char*>(report.data()), static_cast<int>(report.size()))
        .toHex(' ');
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The Tarvik virtual instrument: serves the instrument on the UNIX socket SOCKET.\n"
                       "Start Tarvik with: tarvik --device socket:SOCKET"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SOCKET"),
                                 QStringLiteral("Path of the socket to listen on."));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Append every report received to FILE, one line of hex bytes each."),
        QStringLiteral("FILE"));
    const QCommandLineOption frames(
        QStringLiteral("frames"),
        QStringLiteral("Append the samples of every frame sent to FILE: one line per frame, channel 1's "
                       "1024 samples then channel 2's, in hex."),
        QStringLiteral("FILE"));
    const QCommandLineOption firmware(
        QStringLiteral("firmware"),
        QStringLiteral("The four characters of the firmware reply (default 1.04)."), QStringLiteral("TEXT"));
    const QCommandLineOption captureMs(
        QStringLiteral("capture-ms"),
        QStringLiteral("Milliseconds per capture instead of the real capture time."), QStringLiteral("MS"));
    const QCommandLineOption noNoise(QStringLiteral("no-noise"), QStringLiteral("Signals without noise."));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Fault: answer nothing at all."));
    const QCommandLineOption silentAfter(QStringLiteral("silent-after"),
                                         QStringLiteral("Fault: fall silent after sending N reports."),
                                         QStringLiteral("N"));
    const QCommandLineOption disconnectAfter(
        QStringLiteral("disconnect-after"),
        QStringLiteral("Fault: drop the connection after receiving N reports."), QStringLiteral("N"));
    const QCommandLineOption stale(QStringLiteral("stale"),
                                   QStringLiteral("Fault: N leftover status reports before every frame."),
                                   QStringLiteral("N"));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Fault: N leftover data reports before every frame."),
                                     QStringLiteral("N"));
    const QCommandLineOption inputsOpen(QStringLiteral("inputs-open"),
                                        QStringLiteral("Both inputs disconnected (as for a calibration)."));
    const QCommandLineOption offsetError(
        QStringLiteral("offset-error"),
        QStringLiteral("Offset errors of the front end in levels, channel 1 and channel 2 (e.g. 5,-7)."),
        QStringLiteral("CH1,CH2"));
    parser.addOptions({log, frames, firmware, captureMs, noNoise, silent, silentAfter, disconnectAfter, stale,
                       garbage, inputsOpen, offsetError});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fputs("tarvik-sim: give the socket path, e.g. tarvik-sim /tmp/tarvik.sock\n", stderr);
        return 2;
    }

    auto intValue = [&](const QCommandLineOption& option, int fallback) {
        if (!parser.isSet(option)) return fallback;
        bool ok = false;
        const int v = parser.value(option).toInt(&ok);
        if (!ok || v < 0) {
            std::fprintf(stderr, "tarvik-sim: --%s needs a whole number\n",
                         qPrintable(option.names().first()));
            std::exit(2);
        }
        return v;
    };

    tarvik::sim::SimServer server(parser.positionalArguments().first());
    server.withModel([&](tarvik::sim::InstrumentModel& model) {
        if (parser.isSet(firmware)) {
            const QByteArray text = parser.value(firmware).toLatin1().leftJustified(4, ' ', true);
            std::copy_n(text.constData(), 4, model.firmware.begin());
        }
        model.captureTimeMs = intValue(captureMs, -1);
        model.noise = !parser.isSet(noNoise);
        model.inputsConnected = !parser.isSet(inputsOpen);
        if (parser.isSet(offsetError)) {
            const QStringList parts = parser.value(offsetError).split(QLatin1Char(','));
            bool ok1 = false, ok2 = false;
            const int e1 = parts.value(0).toInt(&ok1), e2 = parts.value(1).toInt(&ok2);
            if (parts.size() != 2 || !ok1 || !ok2) {
                std::fputs("tarvik-sim: --offset-error needs two whole numbers, e.g. 5,-7\n", stderr);
                std::exit(2);
            }
            for (int gain = 0; gain < 7; ++gain) {
                model.offsetError[0][gain] = e1;
                model.offsetError[1][gain] = e2;
            }
        }
        model.silent = parser.isSet(silent);
        model.reportsUntilSilence = intValue(silentAfter, -1);
        model.staleBeforeFrame = intValue(stale, 0);
        model.garbageBeforeFrame = intValue(garbage, 0);
        return 0;
    });
    server.disconnectAfter = intValue(disconnectAfter, -1);

    QFile logFile;
    std::mutex logMutex;
    if (parser.isSet(log)) {
        if (!openForAppend(logFile, parser.value(log))) return 1;
        server.onReceived = [&](const tarvik::Payload& report) {
            std::lock_guard lock(logMutex);
            logFile.write(hexLine(report) + '\n');
            logFile.flush();
        };
    }

    QFile framesFile;
    if (parser.isSet(frames)) {
        if (!openForAppend(framesFile, parser.value(frames))) return 1;
        server.onFrameSent = [&](const auto& ch1, const auto& ch2) {
            QByteArray line = QByteArray(reinterpret_cast<const char*>(ch1.data()), int(ch1.size())).toHex();
            line += QByteArray(reinterpret_cast<const char*>(ch2.data()), int(ch2.size())).toHex();
            framesFile.write(line + '\n');
            framesFile.flush();
        };
    }

    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "tarvik-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stderr, "tarvik-sim: listening on %s\n", qPrintable(parser.positionalArguments().first()));

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) == 0) {
        auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    const int rc = app.exec();
    server.stop();
    return rc;
}
