#include "files/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <limits>

namespace tarvik {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The blanks trimmed around names, values and numbers: ASCII white space only, so that a
// Latin-1 no-break space in a value is kept like any other character.
bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\v' || u == u'\f';
}

// Narrows [begin, end) of `text` to its non-blank part.
void trimRange(QStringView text, qsizetype& begin, qsizetype& end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
}

QString trimmedBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    trimRange(text, begin, end);
    return text.mid(begin, end - begin).toString();
}

bool hasLineBreak(QStringView text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isWritableSection(QStringView section) {
    return !section.isEmpty() && !section.contains(u']') && !hasLineBreak(section);
}

bool isWritableKey(QStringView key) {
    if (key.isEmpty() || key.contains(u'=') || hasLineBreak(key)) return false;
    const QChar first = key.front();
    return first != u'[' && first != u';' && first != u'#';
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

void IniFile::clear() {
    m_lines.clear();
    m_latin1 = false;
    m_byteOrderMark = false;
}

bool IniFile::load(QString* error) {
    if (m_path.isEmpty() || !QFile::exists(m_path)) {
        clear();
        return true;
    }
    QFile file(m_path);
    const auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("Cannot read the file \"%1\": %2").arg(m_path, reason);
        return false;
    };
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    if (bytes.size() > kMaxFileSize)
        return fail(QStringLiteral("the file is larger than %1 bytes").arg(kMaxFileSize));
    loadFromBytes(bytes);
    return true;
}

void IniFile::loadFromBytes(const QByteArray& bytes) {
    clear();
    QByteArrayView data(bytes);
    if (data.startsWith(QByteArrayView(kByteOrderMark))) {
        m_byteOrderMark = true;
        data = data.sliced(3);
    }

    // UTF-8 only when it decodes cleanly and encodes back to the very same bytes.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(data);
    if (decoder.hasError() || QByteArrayView(text.toUtf8()) != data) {
        text = QString::fromLatin1(data);
        m_latin1 = true;
    }

    m_lines.reserve(text.count(u'\n') + 1);
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lineBreak = text.indexOf(u'\n', start);
        const qsizetype next = lineBreak < 0 ? text.size() : lineBreak + 1;
        qsizetype end = lineBreak < 0 ? text.size() : lineBreak;
        if (end > start && text[end - 1] == u'\r') --end;
        m_lines.push_back(parseLine(text.mid(start, end - start)));
        start = next;
    }
}

IniFile::Line IniFile::parseLine(QString text) {
    Line line;
    line.text = std::move(text);
    const QStringView view(line.text);
    qsizetype begin = 0;
    qsizetype end = view.size();
    trimRange(view, begin, end);
    if (begin == end) return line;

    const QChar first = view[begin];
    if (first == u'[') {
        const qsizetype close = view.indexOf(u']', begin + 1);
        if (close < 0) return line;
        qsizetype nameBegin = begin + 1;
        qsizetype nameEnd = close;
        trimRange(view, nameBegin, nameEnd);
        line.kind = Line::Kind::Section;
        line.nameStart = qint32(nameBegin);
        line.nameLength = qint32(nameEnd - nameBegin);
        return line;
    }
    if (first == u';' || first == u'#') return line;

    const qsizetype equals = view.indexOf(u'=', begin);
    if (equals < 0) return line;
    qsizetype keyBegin = begin;
    qsizetype keyEnd = equals;
    trimRange(view, keyBegin, keyEnd);
    if (keyBegin == keyEnd) return line;
    qsizetype valueBegin = equals + 1;
    qsizetype valueEnd = end;
    trimRange(view, valueBegin, valueEnd);
    line.kind = Line::Kind::Key;
    line.nameStart = qint32(keyBegin);
    line.nameLength = qint32(keyEnd - keyBegin);
    line.valueStart = qint32(valueBegin);
    line.valueLength = qint32(valueEnd - valueBegin);
    return line;
}

IniFile::Line IniFile::makeKeyLine(QStringView key, QStringView value) {
    QString text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append(u'=').append(value);
    return parseLine(std::move(text));
}

QByteArray IniFile::toBytes() const {
    qsizetype length = 0;
    for (const Line& line : m_lines) length += line.text.size() + 2;
    QString text;
    text.reserve(length);
    for (const Line& line : m_lines) text.append(line.text).append(u"\r\n");

    QByteArray bytes;
    if (m_byteOrderMark) bytes.append(kByteOrderMark);
    const bool fitsLatin1 =
        m_latin1 && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    bytes.append(fitsLatin1 ? text.toLatin1() : text.toUtf8());
    return bytes;
}

bool IniFile::save(QString* error) const {
    const auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("Cannot write the file \"%1\": %2").arg(m_path, reason);
        return false;
    };
    if (m_path.isEmpty()) return fail(QStringLiteral("no file name"));
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

qsizetype IniFile::findSection(QStringView section) const {
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section && sameName(line.name(), section)) return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < qsizetype(m_lines.size()) && m_lines[i].kind != Line::Kind::Section) ++i;
    return i;
}

qsizetype IniFile::findKey(qsizetype header, QStringView key) const {
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Key && sameName(line.name(), key)) return i;
    }
    return -1;
}

qsizetype IniFile::findKey(const QString& section, const QString& key) const {
    const qsizetype header = findSection(section);
    return header < 0 ? -1 : findKey(header, key);
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const {
    QStringList names;
    QSet<QString> seen;
    for (const Line& line : m_lines) {
        if (line.kind != Line::Kind::Section) continue;
        const QString name = line.name().toString();
        if (seen.contains(name.toCaseFolded())) continue;
        seen.insert(name.toCaseFolded());
        names.append(name);
    }
    return names;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0) return names;
    QSet<QString> seen;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind != Line::Kind::Key) continue;
        const QString name = line.name().toString();
        if (seen.contains(name.toCaseFolded())) continue;
        seen.insert(name.toCaseFolded());
        names.append(name);
    }
    return names;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const qsizetype i = findKey(section, key);
    return i < 0 ? def : m_lines[i].value().toString();
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
    const qsizetype i = findKey(section, key);
    if (i < 0) return def;
    return parseIniInteger(m_lines[i].value()).value_or(def);
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString sectionName = trimmedBlanks(section);
    const QString keyName = trimmedBlanks(key);
    if (!isWritableSection(sectionName) || !isWritableKey(keyName)) return;
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');

    const qsizetype header = findSection(sectionName);
    if (header < 0) {
        m_lines.push_back(parseLine(u'[' + sectionName + u']'));
        m_lines.push_back(makeKeyLine(keyName, text));
        return;
    }
    const qsizetype existing = findKey(header, keyName);
    if (existing >= 0) {
        Line& line = m_lines[existing];
        if (line.value() != text) line = makeKeyLine(line.name(), text);
        return;
    }
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && trimmedBlanks(m_lines[at - 1].text).isEmpty()) --at;
    m_lines.insert(m_lines.begin() + at, makeKeyLine(keyName, text));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::removeKey(const QString& section, const QString& key) {
    const qsizetype header = findSection(section);
    if (header < 0) return;
    const auto first = m_lines.begin() + header + 1;
    const auto last = m_lines.begin() + sectionEnd(header);
    m_lines.erase(std::remove_if(first, last,
                                 [&](const Line& line) {
                                     return line.kind == Line::Kind::Key && sameName(line.name(), key);
                                 }),
                  last);
}

std::optional<int> parseIniInteger(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    trimRange(text, begin, end);
    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-')) {
        negative = text[begin] == u'-';
        ++begin;
    }
    if (begin == end) return std::nullopt;

    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1; // magnitude of INT_MIN
    qint64 magnitude = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > kLimit) return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) return std::nullopt;
    return int(value);
}

} // namespace tarvik
