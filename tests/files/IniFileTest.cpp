#include "files/IniFile.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

using tarvik::IniFile;
using tarvik::parseIniInteger;

namespace {

// The lines of a file, each ended by CR LF.
QByteArray crlf(std::initializer_list<const char*> lines) {
    QByteArray bytes;
    for (const char* line : lines) bytes.append(line).append("\r\n");
    return bytes;
}

IniFile fromBytes(const QByteArray& bytes) {
    IniFile ini;
    ini.loadFromBytes(bytes);
    return ini;
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

// A file as the older program and a text editor leave it behind.
const QByteArray kWindowsFile = crlf({
    "; Tarvik configuration",
    "stray=before any section",
    "",
    "[ScopeMainForm]",
    "Top=120",
    "  Left = 40 ",
    "",
    "[Menu]",
    "Hide_Scope=1",
    "dot_join=0",
    "# kept comment",
    "a line without an equals sign",
    "Caption = He said \"a = b\"  and left\t",
    "",
    "",
    "[Unknown Section]",
    "Foo=bar",
    "[menu]",
    "Hide_Scope=0",
});

} // namespace

TEST(IniFile, WindowsFileRoundTripsAndChangesOnlyWhatIsWritten) {
    IniFile ini = fromBytes(kWindowsFile);
    EXPECT_EQ(ini.toBytes(), kWindowsFile);

    EXPECT_EQ(ini.readString("Menu", "Caption"), "He said \"a = b\"  and left");
    EXPECT_EQ(ini.readInteger("ScopeMainForm", "Left", 0), 40);
    EXPECT_TRUE(ini.readBool("Menu", "Hide_Scope", false)) << "the first [Menu] is the one read";
    EXPECT_EQ(ini.readString("Menu", "stray", "none"), "none");
    EXPECT_EQ(ini.readString("Menu", "a line without an equals sign", "none"), "none");
    EXPECT_EQ(ini.sections(), QStringList({"ScopeMainForm", "Menu", "Unknown Section"}));
    EXPECT_EQ(ini.keys("Menu"), QStringList({"Hide_Scope", "dot_join", "Caption"}));

    ini.writeInteger("ScopeMainForm", "Top", 120); // same value: line untouched
    ini.writeInteger("ScopeMainForm", "LEFT", 40); // same value: line untouched
    ini.writeBool("MENU", "Dot_Join", true);       // existing spelling kept
    ini.writeBool("Menu", "NoNote", true);         // before the section's trailing blank lines
    ini.writeInteger("ScopeMainForm", "Width", 800);
    ini.writeInteger("Colors", "Ch1", 65280); // new section at the end
    EXPECT_EQ(ini.toBytes(), crlf({
                                 "; Tarvik configuration",
                                 "stray=before any section",
                                 "",
                                 "[ScopeMainForm]",
                                 "Top=120",
                                 "  Left = 40 ",
                                 "Width=800",
                                 "",
                                 "[Menu]",
                                 "Hide_Scope=1",
                                 "dot_join=1",
                                 "# kept comment",
                                 "a line without an equals sign",
                                 "Caption = He said \"a = b\"  and left\t",
                                 "NoNote=1",
                                 "",
                                 "",
                                 "[Unknown Section]",
                                 "Foo=bar",
                                 "[menu]",
                                 "Hide_Scope=0",
                                 "[Colors]",
                                 "Ch1=65280",
                             }));
}

TEST(IniFile, SectionsAndKeysIgnoreLetterCase) {
    IniFile ini = fromBytes(crlf({"[Menu]", "Hide_Scope=1"}));
    EXPECT_TRUE(ini.readBool("Menu", "Hide_scope", false));
    EXPECT_TRUE(ini.readBool("mENU", "HIDE_SCOPE", false));
    EXPECT_TRUE(ini.hasSection("MENU"));
    EXPECT_TRUE(ini.hasKey("menu", "hide_scope"));
    ini.writeBool("menu", "hide_scope", false);
    EXPECT_EQ(ini.toBytes(), crlf({"[Menu]", "Hide_Scope=0"}));
}

TEST(IniFile, ReadsLfAndCrLfAndWritesCrLf) {
    IniFile ini = fromBytes("[A]\nk=1\r\n\n[B]\nx=a\rb\ny=2");
    EXPECT_EQ(ini.readInteger("A", "k", 0), 1);
    EXPECT_EQ(ini.readString("B", "x"), "a\rb") << "a lone CR is part of the line";
    EXPECT_EQ(ini.readInteger("B", "y", 0), 2) << "last line without a line break";
    EXPECT_EQ(ini.toBytes(), "[A]\r\nk=1\r\n\r\n[B]\r\nx=a\rb\r\ny=2\r\n");
    EXPECT_EQ(IniFile().toBytes(), QByteArray());
}

TEST(IniFile, ParsesIntegersStrictly) {
    const std::pair<const char16_t*, std::optional<int>> cases[] = {
        {u"0", 0},
        {u"42", 42},
        {u"-7", -7},
        {u"+7", 7},
        {u" \t12 ", 12},
        {u"007", 7},
        {u"-0", 0},
        {u"2147483647", std::numeric_limits<int>::max()},
        {u"-2147483648", std::numeric_limits<int>::min()},
        {u"0000000000000000000000001", 1},
        {u"", std::nullopt},
        {u"  ", std::nullopt},
        {u"+", std::nullopt},
        {u"-", std::nullopt},
        {u"12abc", std::nullopt},
        {u"abc", std::nullopt},
        {u"0x10", std::nullopt},
        {u"1.5", std::nullopt},
        {u"1e3", std::nullopt},
        {u"- 5", std::nullopt},
        {u"5 5", std::nullopt},
        {u"--5", std::nullopt},
        {u"2147483648", std::nullopt},
        {u"-2147483649", std::nullopt},
        {u"99999999999999999999999999", std::nullopt},
        {u"\uFF11\uFF12", std::nullopt}, // full-width digits
        {u"\u0661\u0662", std::nullopt}, // Arabic-Indic digits
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseIniInteger(QStringView(text)), expected) << QString::fromUtf16(text).toStdString();
}

TEST(IniFile, MissingOrBadValuesGiveTheCallersDefault) {
    IniFile ini = fromBytes(crlf({"[S]", "n=12abc", "b=yes", "t=2", "f=0", "empty="}));
    EXPECT_EQ(ini.readInteger("S", "n", 5), 5);
    EXPECT_EQ(ini.readInteger("S", "missing", -5), -5);
    EXPECT_EQ(ini.readInteger("Missing", "t", 9), 9);
    EXPECT_TRUE(ini.readBool("S", "b", true));
    EXPECT_FALSE(ini.readBool("S", "b", false));
    EXPECT_TRUE(ini.readBool("S", "t", false)) << "nonzero is true";
    EXPECT_FALSE(ini.readBool("S", "f", true));
    EXPECT_EQ(ini.readString("S", "empty", "def"), "") << "present but empty is not missing";
    EXPECT_EQ(ini.readString("S", "missing", "def"), "def");

    ini.writeBool("S", "t", true);
    ini.writeBool("S", "f", false);
    ini.writeInteger("S", "n", -2147483647 - 1);
    EXPECT_EQ(ini.toBytes(), crlf({"[S]", "n=-2147483648", "b=yes", "t=1", "f=0", "empty="}));
}

TEST(IniFile, DuplicateKeysUseTheFirstAndRemoveKeyDropsAll) {
    IniFile ini = fromBytes(crlf({"[S]", "k=1", "K=2", "other=3", "[T]", "k=4"}));
    EXPECT_EQ(ini.readInteger("S", "k", 0), 1);
    ini.writeInteger("S", "k", 7);
    EXPECT_EQ(ini.toBytes(), crlf({"[S]", "k=7", "K=2", "other=3", "[T]", "k=4"}));
    ini.removeKey("s", "K");
    EXPECT_FALSE(ini.hasKey("S", "k"));
    EXPECT_TRUE(ini.hasSection("S"));
    EXPECT_EQ(ini.toBytes(), crlf({"[S]", "other=3", "[T]", "k=4"}));
}

TEST(IniFile, IgnoresWritesThatCouldNotBeReadBack) {
    const QByteArray original = crlf({"[S]", "k=1"});
    IniFile ini = fromBytes(original);
    const std::pair<QString, QString> bad[] = {
        {"", "k"},    {"  ", "k"}, {"a]b", "k"}, {"a\nb", "k"}, {"S", ""},
        {"S", "a=b"}, {"S", "[k"}, {"S", ";k"},  {"S", "#k"},   {"S", "a\rb"},
    };
    for (const auto& [section, key] : bad) ini.writeString(section, key, "x");
    EXPECT_EQ(ini.toBytes(), original);

    ini.writeString(" S ", " k ", "two\r\nlines");
    EXPECT_EQ(ini.toBytes(), crlf({"[S]", "k=two  lines"}));
}

TEST(IniFile, KeepsEveryByteOfALatin1File) {
    const QByteArray latin1 =
        crlf({"[Files]", "Last=C:\\Mes documents\\\xE9t\xE9.set", "\xFF\xFE garbage \x80"});
    IniFile ini = fromBytes(latin1);
    EXPECT_EQ(ini.readString("files", "last"), QString::fromUtf8("C:\\Mes documents\\été.set"));
    EXPECT_EQ(ini.toBytes(), latin1);

    ini.writeString("Files", "Next", QString::fromUtf8("Ωmega"));
    EXPECT_EQ(ini.toBytes(), crlf({"[Files]", "Last=C:\\Mes documents\\\xC3\xA9t\xC3\xA9.set",
                                   "\xC3\xBF\xC3\xBE garbage \xC2\x80", "Next=\xCE\xA9mega"}))
        << "a text outside Latin-1 turns the whole file into UTF-8, keeping its text";
}

TEST(IniFile, AcceptsAndKeepsAUtf8ByteOrderMark) {
    const QByteArray bytes = "\xEF\xBB\xBF[Menu]\r\nSkin=3\r\nName=\xC3\xA9\r\n";
    IniFile ini = fromBytes(bytes);
    EXPECT_EQ(ini.readInteger("Menu", "Skin", 1), 3);
    EXPECT_EQ(ini.readString("Menu", "Name"), QString::fromUtf8("é"));
    EXPECT_EQ(ini.toBytes(), bytes);
}

TEST(IniFile, SurvivesHostileInput) {
    const QByteArray longValue(70000, 'x');
    QByteArray bytes = crlf({"[S]", "huge=99999999999999999999999999999999", "text=twelve"});
    bytes += "long=" + longValue + "\r\n";
    bytes += QByteArray(70000, '[') + "\r\n";
    bytes += QByteArray("\x00\x01\xFE=\x7F\r\n", 7);
    std::mt19937 random(20240611);
    for (int i = 0; i < 65536; ++i) bytes += char(random());

    IniFile ini = fromBytes(bytes);
    EXPECT_EQ(ini.readInteger("S", "huge", 3), 3);
    EXPECT_EQ(ini.readInteger("S", "text", 4), 4);
    EXPECT_EQ(ini.readString("S", "long").size(), 70000);
    EXPECT_FALSE(ini.readBool("S", "missing", false));
    ini.writeInteger("S", "added", 1);
    ini.writeInteger("New", "k", 2);
    const QByteArray written = ini.toBytes();
    IniFile again = fromBytes(written);
    EXPECT_EQ(again.toBytes(), written);
    EXPECT_EQ(again.readInteger("S", "added", 0), 1);
    EXPECT_EQ(again.readInteger("New", "k", 0), 2);
}

TEST(IniFile, RandomBytesRoundTripLineByLine) {
    std::mt19937 random(7);
    QByteArray bytes;
    for (int line = 0; line < 2000; ++line) {
        const int length = int(random() % 80);
        for (int i = 0; i < length; ++i) {
            char c = char(random());
            if (c == '\n' || c == '\r') c = '=';
            bytes += c;
        }
        bytes += "\r\n";
    }
    EXPECT_EQ(fromBytes(bytes).toBytes(), bytes);
}

TEST(IniFile, LoadHandlesMissingUnreadableAndOversizedFiles) {
    tarvik::test::TempDir dir;
    IniFile ini(dir.file("Tarvik.ini"));
    ini.loadFromBytes(crlf({"[S]", "k=1"}));
    QString error;
    EXPECT_TRUE(ini.load(&error)) << "a missing file is an empty file";
    EXPECT_TRUE(ini.sections().isEmpty());

    ini.loadFromBytes(crlf({"[S]", "k=1"}));
    const QString oversized = dir.file("big.ini");
    writeFile(oversized, "[S]\r\nk=2\r\n" + QByteArray(IniFile::kMaxFileSize, ';'));
    const QString folder = dir.file("folder.ini");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& path : {oversized, folder}) {
        ini.setPath(path);
        error.clear();
        EXPECT_FALSE(ini.load(&error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(ini.readInteger("S", "k", 0), 1) << "contents kept after a failed load";
    }
}

TEST(IniFile, SaveReplacesTheFileInOneStep) {
    tarvik::test::TempDir dir;
    const QString path = dir.file("Tarvik.ini");
    writeFile(path, crlf({"[S]", "k=1"}));
    // A second name for the old file: a save that rewrote the file in place would show
    // through it, a save that renames a new file over the name leaves it alone.
    const QString otherName = dir.file("link.ini");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(otherName).constData()), 0);

    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.writeInteger("S", "k", 2);
    QString error;
    ASSERT_TRUE(ini.save(&error)) << error.toStdString();
    EXPECT_EQ(readFile(path), crlf({"[S]", "k=2"}));
    EXPECT_EQ(readFile(otherName), crlf({"[S]", "k=1"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary left";
}

TEST(IniFile, FailedSaveReportsTheFileAndKeepsTheOldOne) {
    tarvik::test::TempDir dir;
    QString error;

    // The folder of the file is a regular file.
    writeFile(dir.file("notAFolder"), "x");
    IniFile blocked(dir.file("notAFolder/Tarvik.ini"));
    blocked.writeInteger("S", "k", 1);
    EXPECT_FALSE(blocked.save(&error));
    EXPECT_TRUE(error.contains(blocked.path())) << error.toStdString();

    // The write itself fails half-way (file size limit, enforced even for root).
    const QString path = dir.file("Tarvik.ini");
    const QByteArray old = crlf({"[S]", "k=1"});
    writeFile(path, old);
    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.writeString("S", "k", QString(200000, u'y'));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    error.clear();
    const bool savedOk = ini.save(&error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(savedOk);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary left";
}
