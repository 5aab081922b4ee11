#pragma once
// INI files as the older program and its users know them: sections and keys found whatever
// their letter case, values kept verbatim, and everything the program does not touch written
// back exactly as it was read (order, comments, blank lines, unknown keys and sections).
//
// Reading: a line whose first non-blank character is '[' and that has a ']' opens a section
// (the name is the trimmed text between them); a line starting with ';' or '#' is a comment;
// any other line with a non-empty text before its first '=' is a key line (key and value
// trimmed of blanks). Every other line is kept as it is but cannot be addressed, and so are
// key lines before the first section. When a section or a key appears more than once, the
// first occurrence is the one read and written; the others stay in the file untouched.
//
// Writing: "key=value" with no blanks, CR LF after every line. A changed key keeps its line
// and the spelling it had; a new key goes at the end of its section, before the blank lines
// that end it; a new section goes at the end of the file.
//
// Bytes: a file that is valid UTF-8 is written back as UTF-8, anything else is read as
// Latin-1 and written back as Latin-1 (so every byte survives a rewrite) unless a written
// text needs characters outside Latin-1, in which case the whole file becomes UTF-8. A UTF-8
// byte order mark is accepted and written back when the file had one.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <utility>
#include <vector>

namespace tarvik {

class IniFile {
public:
    // Larger files are refused by load(): no file of ours comes near this size.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    IniFile() = default;
    explicit IniFile(QString path);

    QString path() const { return m_path; }
    void setPath(QString path) { m_path = std::move(path); }

    // Reads path(). A missing file gives an empty file and true. An unreadable or oversized
    // file gives false with a message naming it, and leaves the contents as they were.
    bool load(QString* error = nullptr);
    void loadFromBytes(const QByteArray& bytes);
    QByteArray toBytes() const; // what save() writes
    // Writes path() through a temporary file in the same folder that replaces the old file
    // only once it is complete. On failure returns false with a message naming the file; the
    // old file is untouched.
    bool save(QString* error = nullptr) const;
    void clear();

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;                   // addressable sections, in file order
    QStringList keys(const QString& section) const; // spelled as in the file

    // A missing key gives `def`; a present key with an empty value gives an empty text.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // `def` also when the value is not a whole decimal number (see parseIniInteger).
    int readInteger(const QString& section, const QString& key, int def) const;
    // An integer read: nonzero is true.
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Section and key are trimmed. A write that could not be read back is ignored: an empty
    // section or key, a section holding ']', a key holding '=' or starting with '[', ';' or
    // '#', and line breaks in either. Line breaks in a value become blanks.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value); // 1 or 0
    // Removes the key (all its lines in the section); the section header stays.
    void removeKey(const QString& section, const QString& key);

private:
    struct Line {
        enum class Kind : quint8 { Other, Section, Key };
        QString text; // as read, without its line break, or as last written
        qint32 nameStart = 0;
        qint32 nameLength = 0; // section name or key
        qint32 valueStart = 0;
        qint32 valueLength = 0;
        Kind kind = Kind::Other;

        QStringView name() const { return QStringView(text).mid(nameStart, nameLength); }
        QStringView value() const { return QStringView(text).mid(valueStart, valueLength); }
    };

    static Line parseLine(QString text);
    static Line makeKeyLine(QStringView key, QStringView value);
    qsizetype findSection(QStringView section) const;           // header index or -1
    qsizetype sectionEnd(qsizetype header) const;               // index after its last line
    qsizetype findKey(qsizetype header, QStringView key) const; // key line index or -1
    qsizetype findKey(const QString& section, const QString& key) const;

    QString m_path;
    std::vector<Line> m_lines;
    bool m_latin1 = false;
    bool m_byteOrderMark = false;
};

// Strict integer parse used by readInteger, exposed for other readers: blanks around an
// optional sign and decimal digits, within the 32-bit range; nullopt for anything else.
std::optional<int> parseIniInteger(QStringView text);

} // namespace tarvik
