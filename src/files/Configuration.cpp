#include "files/Configuration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace tarvik {

namespace {

const char* const kCalibration = "Calibration";
const char* const kMenu = "Menu";
const char* const kStatus = "Status";
const char* const kHardware = "Hardware";
const char* const kPersistence = "Persistence";
const char* const kColors = "Colors";

QString channelKey(int channel, const char* table, int index) {
    return QStringLiteral("Ch%1_%2%3")
        .arg(QString::number(channel + 1), QLatin1String(table), QString::number(index));
}

template <class T, std::size_t N> bool oneOf(T value, const T (&allowed)[N]) {
    return std::find(std::begin(allowed), std::end(allowed), value) != std::end(allowed);
}

} // namespace

const std::array<const char*, 8>& ColorOptions::keys() {
    static const std::array<const char*, 8> names{"Background", "Ch1",       "Ch2",         "Math1",
                                                  "Math2",      "Dark_Grid", "Bright_Grid", "Time_Marker"};
    return names;
}

Configuration::Configuration(QString path) : m_ini(std::move(path)) {}

bool Configuration::open(QString* error) {
    const QString folder = QFileInfo(m_ini.path()).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("Cannot create the folder \"%1\".").arg(folder);
        return false;
    }
    return m_ini.load(error);
}

bool Configuration::readBool(const char* section, const char* key, bool def) const {
    return m_ini.readBool(QString::fromLatin1(section), QString::fromLatin1(key), def);
}

int Configuration::readInt(const char* section, const char* key, int def) const {
    return m_ini.readInteger(QString::fromLatin1(section), QString::fromLatin1(key), def);
}

void Configuration::writeBool(const char* section, const char* key, bool value) {
    m_ini.writeBool(QString::fromLatin1(section), QString::fromLatin1(key), value);
}

void Configuration::writeInt(const char* section, const char* key, int value) {
    m_ini.writeInteger(QString::fromLatin1(section), QString::fromLatin1(key), value);
}

void Configuration::readGeometry(const char* section, WindowGeometry& g) const {
    g.top = readInt(section, "Top", g.top);
    g.left = readInt(section, "Left", g.left);
    g.width = std::max(0, readInt(section, "Width", g.width));
    g.height = std::max(0, readInt(section, "Height", g.height));
}

void Configuration::writeGeometry(const char* section, const WindowGeometry& g) {
    if (!g.known()) return; // never replace a stored place with "as designed"
    writeInt(section, "Top", g.top);
    writeInt(section, "Left", g.left);
    writeInt(section, "Width", g.width);
    writeInt(section, "Height", g.height);
}

void Configuration::readAtCreation() {
    readCalibration();
    readGeometry("ScopeMainForm", windows.main);
    MenuOptions& m = menu;
    m.brightGridRec = readBool(kMenu, "BrightGrid_rec", m.brightGridRec);
    m.brightGridDso = readBool(kMenu, "BrightGrid_dso", m.brightGridDso);
    m.dotJoin = readBool(kMenu, "Dot_Join", m.dotJoin);
    m.hwDialog = readBool(kMenu, "HWdialog", m.hwDialog);
    m.hideScope = readBool(kMenu, "Hide_scope", m.hideScope); // written as "Hide_Scope"; found either way
    m.noScope = readBool(kMenu, "No_scope", m.noScope);
    m.rmsOn = readBool(kMenu, "RMS_on", m.rmsOn);
    m.dBmOn = readBool(kMenu, "dBm_on", m.dBmOn);
    m.rateOn = readBool(kMenu, "Rate_on", m.rateOn);
    m.noNote = readBool(kMenu, "NoNote", m.noNote);
    m.saveRecallLastSettings = readBool(kMenu, "SaveRecallLastSettings", m.saveRecallLastSettings);
    m.showHistoryHint = readBool(kMenu, "ShowHistoryHint", m.showHistoryHint);
    m.bodeHelp = readBool(kMenu, "Bodehelp", m.bodeHelp);
    m.phaseHelp = readBool(kMenu, "Phasehelp", m.phaseHelp);
    m.clearDisplay = readBool(kMenu, "ClearDisplay", m.clearDisplay);
    PersistenceOptions& p = persistence;
    p.normal = readBool(kPersistence, "NormalPersistence", p.normal);
    p.intensityGrading = readBool(kPersistence, "Persistence_with_Intensity_Grading", p.intensityGrading);
    p.variable = readBool(kPersistence, "VariablePersistence", p.variable);
    hardware.demoMode = readBool(kHardware, "DemoMode", hardware.demoMode);
    hardware.noPhase = readBool(kHardware, "NoPhase", hardware.noPhase);
    hardware.extendCalTime = readBool(kHardware, "ExtendCalTime", hardware.extendCalTime);
    colors.defaultColors = readBool(kColors, "DefaultColors", colors.defaultColors);
    for (std::size_t i = 0; i < colors.colors.size(); ++i) {
        const int v = readInt(kColors, ColorOptions::keys()[i], static_cast<int>(colors.colors[i]));
        if (v >= 0 && v <= 0xFFFFFF)
            colors.colors[i] = static_cast<std::uint32_t>(v); // 24 bits, or the default
    }
}

void Configuration::readDeferred() {
    readGeometry("Big_Screen", windows.bigScreen);
    PersistenceOptions& p = persistence;
    p.numberOfAcquisitions = m_ini.readString(
        QStringLiteral("Persistence"), QStringLiteral("Number_of_Acquisitions"), p.numberOfAcquisitions);
    p.lowColor = m_ini.readString(QStringLiteral("Persistence"), QStringLiteral("LowColor"), p.lowColor);
    p.highColor = m_ini.readString(QStringLiteral("Persistence"), QStringLiteral("HighColor"), p.highColor);
    static constexpr int kDurations[] = {7, 15, 31};
    static constexpr int kDurations2[] = {0, 31, 63, 127, 255};
    if (const int d = readInt(kPersistence, "Duration", p.duration); oneOf(d, kDurations)) p.duration = d;
    if (const int d = readInt(kPersistence, "Duration2", p.duration2); oneOf(d, kDurations2)) p.duration2 = d;
    if (const int skin = readInt(kMenu, "Skin", menu.skin); skin >= 1 && skin <= 8) menu.skin = skin;
    readGeometry("Big_Screen_ctrl", windows.bigScreenCtrl);
    windows.bigScreenVisible = readBool("Big_Screen", "Visible", windows.bigScreenVisible);
    windows.editFormWidth = std::max(0, readInt("EditForm", "Width", windows.editFormWidth));
    windows.editFormHeight = std::max(0, readInt("EditForm", "Height", windows.editFormHeight));
    windows.editFormRecWidth = std::max(0, readInt("EditForm_rec", "Width", windows.editFormRecWidth));
    windows.editFormRecHeight = std::max(0, readInt("EditForm_rec", "Height", windows.editFormRecHeight));
    readGeometry("Wave_Parameters", windows.waveParameters);
}

bool Configuration::markRunning(QString* error) {
    previousRunStillRunning = readBool(kStatus, "Running", false);
    writeBool(kStatus, "Running", true);
    return m_ini.save(error);
}

bool Configuration::writeAtClose(QString* error, bool mainGeometryKnown) {
    if (mainGeometryKnown) {
        writeGeometry("ScopeMainForm", windows.main);
        if (windows.editFormWidth > 0 && windows.editFormHeight > 0) {
            writeInt("EditForm", "Width", windows.editFormWidth);
            writeInt("EditForm", "Height", windows.editFormHeight);
        }
        if (windows.editFormRecWidth > 0 && windows.editFormRecHeight > 0) {
            writeInt("EditForm_rec", "Width", windows.editFormRecWidth);
            writeInt("EditForm_rec", "Height", windows.editFormRecHeight);
        }
    }
    writeGeometry("Big_Screen", windows.bigScreen);
    writeGeometry("Big_Screen_ctrl", windows.bigScreenCtrl);
    writeBool("Big_Screen", "Visible", windows.bigScreenVisible);
    writeGeometry("Wave_Parameters", windows.waveParameters);
    writeCalibration();
    const MenuOptions& m = menu;
    writeBool(kMenu, "BrightGrid_rec", m.brightGridRec);
    writeBool(kMenu, "BrightGrid_dso", m.brightGridDso);
    writeBool(kMenu, "Dot_Join", m.dotJoin);
    writeBool(kMenu, "HWdialog", m.hwDialog);
    writeBool(kMenu, "Hide_Scope", m.hideScope);
    writeBool(kMenu, "RMS_on", m.rmsOn);
    writeBool(kMenu, "dBm_on", m.dBmOn);
    writeBool(kMenu, "Rate_on", m.rateOn);
    writeBool(kMenu, "NoNote", m.noNote);
    writeBool(kMenu, "SaveRecallLastSettings", m.saveRecallLastSettings);
    writeBool(kMenu, "ShowHistoryHint", m.showHistoryHint);
    writeBool(kMenu, "Bodehelp", m.bodeHelp);
    writeBool(kMenu, "Phasehelp", m.phaseHelp);
    writeBool(kMenu, "ClearDisplay", m.clearDisplay);
    writeBool(kStatus, "Running", false);
    writeInt(kMenu, "Skin", m.skin);
    const PersistenceOptions& p = persistence;
    writeBool(kPersistence, "NormalPersistence", p.normal);
    writeBool(kPersistence, "Persistence_with_Intensity_Grading", p.intensityGrading);
    writeBool(kPersistence, "VariablePersistence", p.variable);
    m_ini.writeString(QStringLiteral("Persistence"), QStringLiteral("Number_of_Acquisitions"),
                      p.numberOfAcquisitions);
    m_ini.writeString(QStringLiteral("Persistence"), QStringLiteral("LowColor"), p.lowColor);
    m_ini.writeString(QStringLiteral("Persistence"), QStringLiteral("HighColor"), p.highColor);
    writeInt(kPersistence, "Duration", p.duration);
    writeInt(kPersistence, "Duration2", p.duration2);
    writeInt("ScopeMainForm", "Status", 1);
    writeBool(kHardware, "DemoMode", hardware.demoMode);
    writeBool(kHardware, "NoPhase", hardware.noPhase);
    writeBool(kColors, "DefaultColors", colors.defaultColors);
    for (std::size_t i = 0; i < colors.colors.size(); ++i)
        writeInt(kColors, ColorOptions::keys()[i], static_cast<int>(colors.colors[i]));
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
    c.offs_1 = readInt(kCalibration, "offs_1", c.offs_1);
    c.offs_2 = readInt(kCalibration, "offs_2", c.offs_2);
    c.v5_offs1 = readInt(kCalibration, "v5_offs1", c.v5_offs1);
    c.v5_offs2 = readInt(kCalibration, "v5_offs2", c.v5_offs2);
    for (int ch = 0; ch < 2; ++ch) {
        ChannelCalibration& table = c.channel[ch];
        for (int i = 0; i < 3; ++i)
            table.pos[i] =
                m_ini.readInteger(QString::fromLatin1(kCalibration), channelKey(ch, "pos", i), table.pos[i]);
        for (int i = 0; i < 3; ++i)
            table.ad[i] =
                m_ini.readInteger(QString::fromLatin1(kCalibration), channelKey(ch, "ad", i), table.ad[i]);
    }
}

// The order of a fresh file: offs_1, offs_2, v5_offs1, v5_offs2, Ch1_pos0..2, Ch1_ad0..2,
// Ch2_pos0..2, Ch2_ad0..2.
void Configuration::writeCalibration() {
    const CalibrationValues& c = calibration;
    writeInt(kCalibration, "offs_1", c.offs_1);
    writeInt(kCalibration, "offs_2", c.offs_2);
    writeInt(kCalibration, "v5_offs1", c.v5_offs1);
    writeInt(kCalibration, "v5_offs2", c.v5_offs2);
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelCalibration& table = c.channel[ch];
        for (int i = 0; i < 3; ++i)
            m_ini.writeInteger(QString::fromLatin1(kCalibration), channelKey(ch, "pos", i), table.pos[i]);
        for (int i = 0; i < 3; ++i)
            m_ini.writeInteger(QString::fromLatin1(kCalibration), channelKey(ch, "ad", i), table.ad[i]);
    }
}

} // namespace tarvik
