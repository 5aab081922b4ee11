// Feeds arbitrary bytes to the INI reader: it must never crash, hang or misbehave, a value it
// writes must read back, and what it writes must read back the same.

#include "files/IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvik::IniFile ini;
    ini.loadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const QString& section : ini.sections())
        for (const QString& key : ini.keys(section)) {
            (void)ini.readInteger(section, key, 7);
            (void)ini.readString(section, key);
        }
    (void)ini.readBool(QStringLiteral("Menu"), QStringLiteral("Hide_scope"), false);
    ini.writeInteger(QStringLiteral("Calibration"), QStringLiteral("offs_1"), -42);
    ini.writeString(QStringLiteral("Colors"), QStringLiteral("Ch1"), QStringLiteral("220"));
    if (ini.readInteger(QStringLiteral("Calibration"), QStringLiteral("offs_1"), 0) != -42) std::abort();

    const QByteArray once = ini.toBytes();
    tarvik::IniFile again;
    again.loadFromBytes(once);
    if (again.readInteger(QStringLiteral("calibration"), QStringLiteral("OFFS_1"), 0) != -42) std::abort();
    if (again.toBytes() != once) std::abort(); // rewriting what we wrote changes nothing
    return 0;
}
