#include "files/Configuration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarvik {

namespace {

const QString kCalibration = QStringLiteral("Calibration");
const QString kMenu = QStringLiteral("Menu");
const QString kStatus = QStringLiteral("Status");
const QString kHardware = QStringLiteral("Hardware");

QString channelKey(int channel, const char* table, int index) {
    return QStringLiteral("Ch%1_%2%3")
        .arg(QString::number(channel + 1), QLatin1String(table), QString::number(index));
}

} // namespace

Configuration::Configuration(QString path) : m_ini(std::move(path)) {}

bool Configuration::open(QString* error) {
    const QString folder = QFileInfo(m_ini.path()).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("Cannot create the folder \"%1\".").arg(folder);
        return false;
    }
    return m_ini.load(error);
}

void Configuration::readAtCreation() {
    readCalibration();
    menu.hwDialog = m_ini.readBool(kMenu, QStringLiteral("HWdialog"), menu.hwDialog);
    hardware.demoMode = m_ini.readBool(kHardware, QStringLiteral("DemoMode"), hardware.demoMode);
    hardware.extendCalTime =
        m_ini.readBool(kHardware, QStringLiteral("ExtendCalTime"), hardware.extendCalTime);
}

bool Configuration::markRunning(QString* error) {
    previousRunStillRunning = m_ini.readBool(kStatus, QStringLiteral("Running"), false);
    m_ini.writeBool(kStatus, QStringLiteral("Running"), true);
    return m_ini.save(error);
}

bool Configuration::writeAtClose(QString* error) {
    writeCalibration();
    m_ini.writeBool(kMenu, QStringLiteral("HWdialog"), menu.hwDialog);
    m_ini.writeBool(kStatus, QStringLiteral("Running"), false);
    m_ini.writeBool(kHardware, QStringLiteral("DemoMode"), hardware.demoMode);
    return m_ini.save(error);
}

bool Configuration::removeFile(QString* error) {
    QFile file(m_ini.path());
    if (!file.exists() || file.remove()) return true;
    if (error)
        *error = QStringLiteral("Cannot delete the file \"%1\": %2").arg(m_ini.path(), file.errorString());
    return false;
}

void Configuration::readCalibration() {
    CalibrationValues& c = calibration;
    c.offs_1 = m_ini.readInteger(kCalibration, QStringLiteral("offs_1"), c.offs_1);
    c.offs_2 = m_ini.readInteger(kCalibration, QStringLiteral("offs_2"), c.offs_2);
    c.v5_offs1 = m_ini.readInteger(kCalibration, QStringLiteral("v5_offs1"), c.v5_offs1);
    c.v5_offs2 = m_ini.readInteger(kCalibration, QStringLiteral("v5_offs2"), c.v5_offs2);
    for (int ch = 0; ch < 2; ++ch) {
        ChannelCalibration& table = c.channel[ch];
        for (int i = 0; i < 3; ++i)
            table.pos[i] = m_ini.readInteger(kCalibration, channelKey(ch, "pos", i), table.pos[i]);
        for (int i = 0; i < 3; ++i)
            table.ad[i] = m_ini.readInteger(kCalibration, channelKey(ch, "ad", i), table.ad[i]);
    }
}

// The order of a fresh file: offs_1, offs_2, v5_offs1, v5_offs2, Ch1_pos0..2, Ch1_ad0..2,
// Ch2_pos0..2, Ch2_ad0..2.
void Configuration::writeCalibration() {
    const CalibrationValues& c = calibration;
    m_ini.writeInteger(kCalibration, QStringLiteral("offs_1"), c.offs_1);
    m_ini.writeInteger(kCalibration, QStringLiteral("offs_2"), c.offs_2);
    m_ini.writeInteger(kCalibration, QStringLiteral("v5_offs1"), c.v5_offs1);
    m_ini.writeInteger(kCalibration, QStringLiteral("v5_offs2"), c.v5_offs2);
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelCalibration& table = c.channel[ch];
        for (int i = 0; i < 3; ++i) m_ini.writeInteger(kCalibration, channelKey(ch, "pos", i), table.pos[i]);
        for (int i = 0; i < 3; ++i) m_ini.writeInteger(kCalibration, channelKey(ch, "ad", i), table.ad[i]);
    }
}

} // namespace tarvik
