#include "app/CommandLine.h"

#include "device/HidapiTransport.h"
#include "device/SocketTransport.h"
#include "device/UsbIds.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace tarvik {

std::optional<DeviceChoice> parseDeviceChoice(const QString& text) {
    DeviceChoice choice;
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("demo"), Qt::CaseInsensitive) == 0) {
        choice.kind = DeviceChoice::Kind::Demo;
        return choice;
    }
    if (t.compare(QLatin1String("hid"), Qt::CaseInsensitive) == 0) return choice;
    static const QRegularExpression hidIds(QStringLiteral("^hid:([0-9A-Fa-f]{4}):([0-9A-Fa-f]{4})$"));
    if (const auto m = hidIds.match(t); m.hasMatch()) {
        choice.vendorId = static_cast<std::uint16_t>(m.captured(1).toUInt(nullptr, 16));
        choice.productId = static_cast<std::uint16_t>(m.captured(2).toUInt(nullptr, 16));
        return choice;
    }
    if (t.startsWith(QLatin1String("socket:")) && t.size() > 7) {
        choice.kind = DeviceChoice::Kind::Socket;
        choice.socketPath = t.mid(7);
        return choice;
    }
    return std::nullopt;
}

CommandLineOptions parseCommandLine(const QStringList& arguments, const QString& deviceFromEnvironment) {
    CommandLineOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tarvik, the program of the two-channel USB PC oscilloscope."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral(
            "The instrument to use: hid (the USB instrument, the default; hid:VVVV:PPPP with other "
            "USB ids), socket:PATH (the virtual instrument tarvik-sim listening on PATH) or demo "
            "(demo mode for this run). TARVIK_DEVICE gives the same choice."),
        QStringLiteral("device"));
    parser.addOption(device);
    parser.addPositionalArgument(QStringLiteral("SETTINGS_FILE"),
                                 QStringLiteral("An oscilloscope settings file to recall at start-up."),
                                 QStringLiteral("[SETTINGS_FILE]"));

    auto fail = [&](const QString& message) {
        options.exitNow = true;
        options.exitCode = 2;
        options.output = QStringLiteral("tarvik: %1\nTry 'tarvik --help'.\n").arg(message);
        return options;
    };
    if (!parser.parse(arguments)) return fail(parser.errorText());
    if (parser.isSet(help)) {
        options.exitNow = true;
        options.output = parser.helpText();
        return options;
    }
    if (parser.isSet(version)) {
        options.exitNow = true;
        options.output = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                       QCoreApplication::applicationVersion());
        return options;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) return fail(QStringLiteral("only one settings file can be given"));
    if (!positional.isEmpty()) options.settingsFile = positional.first();

    QString deviceText = parser.isSet(device) ? parser.value(device) : deviceFromEnvironment;
    if (!deviceText.isEmpty()) {
        const auto choice = parseDeviceChoice(deviceText);
        if (!choice) {
            return fail(
                QStringLiteral("unknown device \"%1\" (expected hid, hid:VVVV:PPPP, socket:PATH or demo)")
                    .arg(deviceText));
        }
        options.device = *choice;
    }
    return options;
}

std::unique_ptr<Transport> makeTransport(const DeviceChoice& choice) {
    if (choice.kind == DeviceChoice::Kind::Socket)
        return std::make_unique<SocketTransport>(choice.socketPath);
    if (choice.vendorId || choice.productId)
        return std::make_unique<HidapiTransport>(choice.vendorId, choice.productId);
    return std::make_unique<HidapiTransport>();
}

} // namespace tarvik
