#pragma once
// The program's command line: tarvik [SETTINGS_FILE] [--device hid[:VVVV:PPPP]|socket:PATH|demo].
// The environment variable TARVIK_DEVICE gives the same choice; the command line wins.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

namespace tarvik {

class Transport;

struct DeviceChoice {
    enum class Kind { Hid, Socket, Demo };
    Kind kind = Kind::Hid;
    std::uint16_t vendorId = 0; // Hid: 0 = the instrument's own ids
    std::uint16_t productId = 0;
    QString socketPath; // Socket
};

// "hid", "hid:1209:7a51", "socket:/path", "demo"; none for anything else.
std::optional<DeviceChoice> parseDeviceChoice(const QString& text);

struct CommandLineOptions {
    QString settingsFile; // a settings file to recall at start-up
    DeviceChoice device;
    bool exitNow = false; // --help or --version was answered, or the line was wrong
    int exitCode = 0;
    QString output; // what to print before exiting (help, version or the error)
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
CommandLineOptions parseCommandLine(const QStringList& arguments, const QString& deviceFromEnvironment);

// The transport for a choice. Demo mode still gets the USB transport, so that
// "Hardware Setup..." can switch to the instrument during the run.
std::unique_ptr<Transport> makeTransport(const DeviceChoice& choice);

} // namespace tarvik
