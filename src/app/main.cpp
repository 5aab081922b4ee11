// Tarvik: the program of the two-channel USB PC oscilloscope.

#include "app/CommandLine.h"
#include "app/gui/Program.h"
#include "app/gui/QtPrompts.h"
#include "device/SharedMemory.h"
#include "files/Folders.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}

// SIGINT and SIGTERM close the main window exactly as the user closing it does.
void closeOnSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFds[1], &byte, 1);
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIK_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Kandor"));

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const tarvik::CommandLineOptions options =
        tarvik::parseCommandLine(arguments, qEnvironmentVariable("TARVIK_DEVICE"));
    if (options.exitNow) {
        std::fputs(options.output.toLocal8Bit().constData(), options.exitCode ? stderr : stdout);
        return options.exitCode;
    }
    if (!haveDisplay()) {
        std::fputs("tarvik: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Start Tarvik from a desktop session, or use xvfb-run for a virtual display.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    // The remote-control blocks exist before any window; without them the program stops.
    tarvik::SharedBlocks blocks;
    QString blockError;
    if (!blocks.create(tarvik::SharedBlocks::prefixFromEnvironment(), &blockError)) {
        const QString message = QStringLiteral("Error creating memory mapped file");
        std::fprintf(stderr, "tarvik: %s\ntarvik: %s\n", qPrintable(message), qPrintable(blockError));
        if (tarvik::QtPrompts::interactive()) {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message);
            box.setInformativeText(blockError);
            box.exec();
        }
        return 1;
    }
    tarvik::Program program(options, tarvik::folders::configurationFilePath(), &blocks);
    program.start();
    closeOnSignals(&program.window());
    return app.exec();
}
