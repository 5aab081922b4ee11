#pragma once
// The program's folders. Everything the program writes goes to the user's folders; the files
// it ships (help, wave library) are read from the install prefix. Paths use '/'.

#include <QString>

namespace tarvik::folders {

// $XDG_CONFIG_HOME (by default ~/.config) + "/Kandor/Tarvik": "Tarvik.ini" and the
// last-settings file.
QString dataFolder();
// Creates the data folder when missing; false with a message naming the folder on failure.
bool ensureDataFolder(QString* error = nullptr);
QString configurationFilePath(); // data folder + "/Tarvik.ini"

// The user's documents folder + "/My Tarvik" when that folder exists, else the documents
// folder itself: where file dialogs start and "Calibration.log" goes.
QString documentsFolder();
// Creates "My Tarvik" in the documents folder (done during a first run).
bool ensureMyTarvikFolder(QString* error = nullptr);

// The install prefix's share/tarvik, holding the files the program ships.
QString shippedFilesFolder();

} // namespace tarvik::folders
