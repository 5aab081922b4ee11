#pragma once
// The configuration object over "Tarvik.ini": window places, calibration results, menu
// options, persistence options, hardware mode and colours. Read in two stages (when the main
// window is created, and in the deferred start-up step), the run marker set at once, and
// everything written back when the main window closes, in the order a fresh file gets.
//
// Each field starts at its default, and a missing or unusable key (text in a number, a value
// outside its range) leaves the field at its default. A key the program does not know stays
// in the file unchanged. To add a key: a field here, one line in a reader and, unless the
// key is read only, one line in writeAtClose().

#include "files/IniFile.h"
#include "scope/Calibration.h"

#include <QString>
#include <array>
#include <cstdint>

namespace tarvik {

// A window's place on the screen; width 0 means "as designed".
struct WindowGeometry {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
    bool known() const { return width > 0 && height > 0; }
    bool operator==(const WindowGeometry&) const = default;
};

// Section "Menu".
struct MenuOptions {
    bool brightGridRec = false;          // "BrightGrid_rec": the recorder's "Bright Grid"
    bool brightGridDso = false;          // "BrightGrid_dso": the oscilloscope's "Bright Grid"
    bool dotJoin = true;                 // "Dot_Join"
    bool hwDialog = true;                // "HWdialog": the first-run calibration is pending
    bool hideScope = false;              // "Hide_Scope": do not reopen the big screen
    bool noScope = false;                // "No_scope": read for the circuit analyzer; never written
    bool rmsOn = false;                  // "RMS_on": RMS readout
    bool dBmOn = false;                  // "dBm_on": dBm readout
    bool rateOn = false;                 // "Rate_on": "Sample Rate" label
    bool noNote = false;                 // "NoNote": never show the equivalent-time notice
    bool saveRecallLastSettings = false; // "SaveRecallLastSettings"
    bool showHistoryHint = true;         // "ShowHistoryHint"
    bool bodeHelp = true;                // "Bodehelp"
    bool phaseHelp = true;               // "Phasehelp"
    bool clearDisplay = false;           // "ClearDisplay": "Clear Display on Run/Single Click"
    int skin = 1;                        // "Skin": 1..8
};

// Section "Persistence".
struct PersistenceOptions {
    bool normal = true;                                 // "NormalPersistence"
    bool intensityGrading = false;                      // "Persistence_with_Intensity_Grading"
    bool variable = false;                              // "VariablePersistence"
    QString numberOfAcquisitions = QStringLiteral("0"); // "Number_of_Acquisitions"
    QString lowColor = QStringLiteral("1");             // "LowColor"
    QString highColor = QStringLiteral("32");           // "HighColor"
    int duration = 15;                                  // "Duration": 7, 15 or 31
    int duration2 = 31;                                 // "Duration2": 0, 31, 63, 127 or 255
};

// Section "Hardware".
struct HardwareOptions {
    bool demoMode = false;      // "DemoMode"
    bool noPhase = false;       // "NoPhase": the "Warnings" window is not shown at start-up
    bool extendCalTime = false; // "ExtendCalTime": deferred calibration; read only
};

// Section "Colors": the screen colours as stored (red in the low byte).
struct ColorOptions {
    bool defaultColors = true; // "DefaultColors": the colour dialog's preset flag
    std::array<std::uint32_t, 8> colors{0xF5FFFF, 0x0000DC, 0x008000, 0xFF0080,
                                        0xFF00FF, 0xC0C0C0, 0x808080, 0x400080};
    static const std::array<const char*, 8>& keys(); // "Background", "Ch1", ... "Time_Marker"
};

// The windows' places.
struct WindowOptions {
    WindowGeometry main;           // "ScopeMainForm"
    WindowGeometry bigScreen;      // "Big_Screen"
    WindowGeometry bigScreenCtrl;  // "Big_Screen_ctrl"
    WindowGeometry waveParameters; // "Wave_Parameters"
    bool bigScreenVisible = false; // "Big_Screen" "Visible"
    int editFormWidth = 0;         // "EditForm": the "Add Text" window
    int editFormHeight = 0;
    int editFormRecWidth = 0; // "EditForm_rec": the recorder's text window
    int editFormRecHeight = 0;
};

class Configuration {
public:
    explicit Configuration(QString path);

    QString path() const { return m_ini.path(); }
    IniFile& ini() { return m_ini; }
    const IniFile& ini() const { return m_ini; }

    // Creates the folder of the file when missing and loads the file; a missing file gives
    // an empty file, so every field keeps its default.
    bool open(QString* error = nullptr);
    // Main window creation: calibration, main window place, menu options, the persistence
    // mode, hardware and colours.
    void readAtCreation();
    // The deferred start-up step: the other windows' places, the persistence texts and
    // durations, the skin.
    void readDeferred();
    // The run marker: remembers "Status"/"Running" in previousRunStillRunning, then writes
    // Running=1 and saves the file at once.
    bool markRunning(QString* error = nullptr);
    // Writes the fields and Running=0, then saves the file (main window close). The main
    // window's place is written only when `mainGeometryKnown` (not while it is minimised or
    // maximised).
    bool writeAtClose(QString* error = nullptr, bool mainGeometryKnown = true);
    // Deletes the file ("Restore Default Settings && Exit", after writeAtClose); true when the
    // file is gone afterwards.
    bool removeFile(QString* error = nullptr);

    CalibrationValues calibration;
    MenuOptions menu;
    PersistenceOptions persistence;
    HardwareOptions hardware;
    ColorOptions colors;
    WindowOptions windows;
    bool previousRunStillRunning = false; // set by markRunning()

private:
    bool readBool(const char* section, const char* key, bool def) const;
    int readInt(const char* section, const char* key, int def) const;
    void readGeometry(const char* section, WindowGeometry& g) const;
    void writeGeometry(const char* section, const WindowGeometry& g);
    void writeBool(const char* section, const char* key, bool value);
    void writeInt(const char* section, const char* key, int value);
    void readCalibration();
    void writeCalibration();

    IniFile m_ini;
};

} // namespace tarvik
