#include "files/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarvik::folders {

namespace {

bool makeFolder(const QString& path, QString* error) {
    if (QFileInfo(path).isDir() || QDir().mkpath(path)) return true;
    if (error) *error = QStringLiteral("Cannot create the folder \"%1\".").arg(path);
    return false;
}

QString systemDocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString myTarvikFolder() {
    return systemDocumentsFolder() + QStringLiteral("/My Tarvik");
}

} // namespace

QString dataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kandor/Tarvik");
}

bool ensureDataFolder(QString* error) {
    return makeFolder(dataFolder(), error);
}

QString configurationFilePath() {
    return dataFolder() + QStringLiteral("/Tarvik.ini");
}

QString documentsFolder() {
    const QString mine = myTarvikFolder();
    return QFileInfo(mine).isDir() ? mine : systemDocumentsFolder();
}

bool ensureMyTarvikFolder(QString* error) {
    return makeFolder(myTarvikFolder(), error);
}

QString shippedFilesFolder() {
#ifdef TARVIK_DATA_DIR
    return QStringLiteral(TARVIK_DATA_DIR);
#else
    return QStringLiteral("/usr/local/share/tarvik");
#endif
}

} // namespace tarvik::folders
