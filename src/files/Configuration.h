#pragma once
// The configuration object over "Tarvik.ini": read when the main window is created, the run
// marker set at start-up, everything written back when the main window closes.
//
// Each field starts at its default, and a missing key leaves the field as it is, so the
// defaults are the values in effect before the file is read. A key the program does not know
// stays in the file unchanged. To add a key: a field here, one line in readAtCreation() and,
// unless the key is read only, one line in writeAtClose().

#include "files/IniFile.h"
#include "scope/Calibration.h"

#include <QString>
#include <array>

namespace tarvik {

// Section "Menu".
struct MenuOptions {
    bool hwDialog = true; // "HWdialog": the first-run calibration is pending
};

// Section "Hardware".
struct HardwareOptions {
    bool demoMode = false;      // "DemoMode"
    bool extendCalTime = false; // "ExtendCalTime": deferred calibration; read only
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
    // Reads the keys into the fields (main window creation).
    void readAtCreation();
    // The run marker: remembers "Status"/"Running" in previousRunStillRunning, then writes
    // Running=1 and saves the file at once.
    bool markRunning(QString* error = nullptr);
    // Writes the fields and Running=0, then saves the file (main window close).
    bool writeAtClose(QString* error = nullptr);
    // Deletes the file ("Restore Default Settings && Exit", after writeAtClose); true when the
    // file is gone afterwards.
    bool removeFile(QString* error = nullptr);

    CalibrationValues calibration;
    MenuOptions menu;
    HardwareOptions hardware;
    bool previousRunStillRunning = false; // set by markRunning()

private:
    void readCalibration();
    void writeCalibration();

    IniFile m_ini;
};

} // namespace tarvik
