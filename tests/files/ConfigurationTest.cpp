#include "files/Configuration.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using tarvik::CalibrationValues;
using tarvik::Configuration;

namespace {

QByteArray crlf(std::initializer_list<const char*> lines) {
    QByteArray bytes;
    for (const char* line : lines) bytes.append(line).append("\r\n");
    return bytes;
}

// A raw text with LF line breaks, as a file with CR LF line breaks.
QByteArray crlfText(const char* text) {
    return QByteArray(text).replace("\n", "\r\n");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(Configuration, MissingFileGivesDefaultsAndCreatesTheFolder) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Kandor/Tarvik/Tarvik.ini");
    Configuration config(path);
    QString error;
    ASSERT_TRUE(config.open(&error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("Kandor/Tarvik")).isDir());
    EXPECT_FALSE(QFile::exists(path));

    config.readAtCreation();
    const CalibrationValues& c = config.calibration;
    EXPECT_EQ(c.offs_1, 128);
    EXPECT_EQ(c.offs_2, 128);
    EXPECT_EQ(c.v5_offs1, 0);
    EXPECT_EQ(c.v5_offs2, 0);
    for (const auto& channel : c.channel) {
        EXPECT_EQ(channel.pos, (std::array<int, 3>{128, 32, 224}));
        EXPECT_EQ(channel.ad, (std::array<int, 3>{128, 32, 224}));
    }
    EXPECT_TRUE(config.menu.hwDialog) << "first-run calibration pending";
    EXPECT_FALSE(config.hardware.demoMode);
    EXPECT_FALSE(config.hardware.extendCalTime);
}

TEST(Configuration, ReadsKeysWhateverTheirCase) {
    tarvik::test::TempDir dir;
    writeFile(dir.file("Tarvik.ini"), crlfText(R"([calibration]
OFFS_1=12abc
offs_2=90
V5_OFFS1=-3
ch2_AD1=40
Ch1_pos2=200
[MENU]
hwdialog=0
[hardware]
demomode=1
ExtendCalTime=1
)"));
    Configuration config(dir.file("Tarvik.ini"));
    ASSERT_TRUE(config.open());
    config.readAtCreation();

    CalibrationValues expected;
    expected.offs_2 = 90; // offs_1 is not a number: default kept
    expected.v5_offs1 = -3;
    expected.channel[1].ad[1] = 40;
    expected.channel[0].pos[2] = 200;
    EXPECT_EQ(config.calibration, expected);
    EXPECT_FALSE(config.menu.hwDialog);
    EXPECT_TRUE(config.hardware.demoMode);
    EXPECT_TRUE(config.hardware.extendCalTime);
}

TEST(Configuration, MarkRunningSavesAtOnceAndReportsThePreviousRun) {
    const struct {
        QByteArray before;
        bool previousRunStillRunning;
        QByteArray after;
    } cases[] = {
        {{}, false, crlf({"[Status]", "Running=1"})},
        {crlf({"[Status]", "Running=0", "[Menu]", "Skin=3"}), false,
         crlf({"[Status]", "Running=1", "[Menu]", "Skin=3"})},
        {crlf({"[status]", "running=1"}), true, crlf({"[status]", "running=1"})},
    };
    for (const auto& test : cases) {
        tarvik::test::TempDir dir;
        const QString path = dir.file("Tarvik.ini");
        if (!test.before.isNull()) writeFile(path, test.before);
        Configuration config(path);
        ASSERT_TRUE(config.open());
        config.readAtCreation();
        QString error;
        ASSERT_TRUE(config.markRunning(&error)) << error.toStdString();
        EXPECT_EQ(config.previousRunStillRunning, test.previousRunStillRunning) << test.before.toStdString();
        EXPECT_EQ(readFile(path), test.after);
    }
}

TEST(Configuration, WriteAtCloseWritesAFreshFileInOrder) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Tarvik.ini");
    Configuration config(path);
    ASSERT_TRUE(config.open());
    config.readAtCreation();
    config.readDeferred();
    CalibrationValues& c = config.calibration;
    c.offs_1 = 101;
    c.v5_offs1 = -3;
    c.channel[1] = {{21, 22, 23}, {24, 25, 26}};
    config.menu.hwDialog = false;
    config.menu.skin = 5;
    config.hardware.demoMode = true;
    config.hardware.extendCalTime = true;
    config.windows.main = {10, 20, 900, 600};
    config.colors.colors[1] = 0x0000FF; // Ch1
    QString error;
    ASSERT_TRUE(config.writeAtClose(&error)) << error.toStdString();

    EXPECT_EQ(readFile(path), crlfText(R"([ScopeMainForm]
Top=10
Left=20
Width=900
Height=600
Status=1
[Big_Screen]
Visible=0
[Calibration]
offs_1=101
offs_2=128
v5_offs1=-3
v5_offs2=0
Ch1_pos0=128
Ch1_pos1=32
Ch1_pos2=224
Ch1_ad0=128
Ch1_ad1=32
Ch1_ad2=224
Ch2_pos0=21
Ch2_pos1=22
Ch2_pos2=23
Ch2_ad0=24
Ch2_ad1=25
Ch2_ad2=26
[Menu]
BrightGrid_rec=0
BrightGrid_dso=0
Dot_Join=1
HWdialog=0
Hide_Scope=0
RMS_on=0
dBm_on=0
Rate_on=0
NoNote=0
SaveRecallLastSettings=0
ShowHistoryHint=1
Bodehelp=1
Phasehelp=1
ClearDisplay=0
Skin=5
[Status]
Running=0
[Persistence]
NormalPersistence=1
Persistence_with_Intensity_Grading=0
VariablePersistence=0
Number_of_Acquisitions=0
LowColor=1
HighColor=32
Duration=15
Duration2=31
[Hardware]
DemoMode=1
NoPhase=0
[Colors]
DefaultColors=1
Background=16121855
Ch1=255
Ch2=32768
Math1=16711808
Math2=16711935
Dark_Grid=12632256
Bright_Grid=8421504
Time_Marker=4194432
)")) << "ExtendCalTime and No_scope are never written";

    Configuration reread(path);
    ASSERT_TRUE(reread.open());
    reread.readAtCreation();
    reread.readDeferred();
    EXPECT_EQ(reread.calibration, config.calibration);
    EXPECT_FALSE(reread.menu.hwDialog);
    EXPECT_EQ(reread.menu.skin, 5);
    EXPECT_TRUE(reread.hardware.demoMode);
    EXPECT_EQ(reread.windows.main, config.windows.main);
    EXPECT_EQ(reread.colors.colors, config.colors.colors);
}

TEST(Configuration, WriteAtCloseKeepsWhatItDoesNotKnow) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Tarvik.ini");
    writeFile(path, crlfText(R"(; written by hand
[ScopeMainForm]
Top=10
[Calibration]
offs_1 = 100
Legacy=keep "me"
[Menu]
Hide_scope=1
[Status]
Running=1
[Hardware]
ExtendCalTime=1
NoPhase=1
[Colors]
Background=0
[Recorder]
Anything=at all
)"));
    Configuration config(path);
    ASSERT_TRUE(config.open());
    config.readAtCreation();
    EXPECT_TRUE(config.menu.hideScope); // "Hide_scope" in the file is the same key as "Hide_Scope"
    ASSERT_TRUE(config.markRunning());
    config.calibration.offs_2 = 77;
    QString error;
    ASSERT_TRUE(config.writeAtClose(&error, false)) << error.toStdString(); // maximised: no main window place

    const QString text = QString::fromLatin1(readFile(path));
    for (const char* kept : {"; written by hand\r\n[ScopeMainForm]\r\nTop=10\r\nStatus=1\r\n",
                             "offs_1 = 100\r\nLegacy=keep \"me\"\r\noffs_2=77\r\n", "Hide_scope=1\r\n",
                             "ExtendCalTime=1\r\nNoPhase=1\r\nDemoMode=0\r\n", "[Colors]\r\nBackground=0\r\n",
                             "[Recorder]\r\nAnything=at all\r\n", "[Status]\r\nRunning=0\r\n"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(kept))) << kept;
    EXPECT_FALSE(text.contains(QStringLiteral("Width=")));
}

TEST(Configuration, ValuesOutsideTheirRangesGiveTheDefaults) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Tarvik.ini");
    writeFile(path, crlfText(R"([Menu]
Skin=9
Dot_Join=yes
[Persistence]
Duration=16
Duration2=63
[Colors]
Ch1=16777216
Ch2=-1
Math1=255
[ScopeMainForm]
Width=-5
Height=99999999999
)"));
    Configuration config(path);
    ASSERT_TRUE(config.open());
    config.readAtCreation();
    config.readDeferred();
    EXPECT_EQ(config.menu.skin, 1);
    EXPECT_TRUE(config.menu.dotJoin);
    EXPECT_EQ(config.persistence.duration, 15);
    EXPECT_EQ(config.persistence.duration2, 63);
    EXPECT_EQ(config.colors.colors[1], 0x0000DCu);
    EXPECT_EQ(config.colors.colors[2], 0x008000u);
    EXPECT_EQ(config.colors.colors[3], 255u);
    EXPECT_FALSE(config.windows.main.known());
}

TEST(Configuration, WriteFailureNamesTheFile) {
    tarvik::test::TempDir dir;
    QString error;

    writeFile(dir.file("blocked"), "x");
    Configuration blocked(dir.file("blocked/Tarvik.ini"));
    EXPECT_FALSE(blocked.open(&error));
    EXPECT_TRUE(error.contains(dir.file("blocked"))) << error.toStdString();

    // The folder disappears after the file was opened and is replaced by a regular file.
    const QString path = dir.file("gone/Tarvik.ini");
    Configuration config(path);
    ASSERT_TRUE(config.open());
    config.readAtCreation();
    ASSERT_TRUE(QDir(dir.file("gone")).removeRecursively());
    writeFile(dir.file("gone"), "x");
    for (const bool marking : {true, false}) {
        error.clear();
        EXPECT_FALSE(marking ? config.markRunning(&error) : config.writeAtClose(&error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
    }
}

TEST(Configuration, RestoreDefaultsRemovesTheWrittenFile) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Tarvik.ini");
    Configuration config(path);
    ASSERT_TRUE(config.open());
    config.readAtCreation();
    config.menu.hwDialog = false;
    config.hardware.demoMode = true;
    ASSERT_TRUE(config.writeAtClose());
    EXPECT_TRUE(config.removeFile());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(config.removeFile()) << "nothing left to remove is no failure";

    Configuration next(path);
    ASSERT_TRUE(next.open());
    next.readAtCreation();
    EXPECT_TRUE(next.menu.hwDialog);
    EXPECT_FALSE(next.hardware.demoMode);
}
