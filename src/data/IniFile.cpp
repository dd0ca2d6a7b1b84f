#include "IniFile.h"

#include "Formats.h"
#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    return t.mid(1, close - 1).trimmed();
}

// Key and value of a "key=value" line; false for comments and lines without "=".
bool splitEntry(const QString &line, QString *key, QString *value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    *key = t.left(eq).trimmed();
    QString v = t.mid(eq + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    *value = v;
    return true;
}

// A value as one line: line breaks and other control characters become blanks. Values come from the database (a
// carrier's name), and a break would add a line of its own choosing, a key or a section, to the file.
QString oneLine(QString value)
{
    for (QChar &c : value) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = u' ';
    }
    return value;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(QString fileName)
    : m_fileName(std::move(fileName))
{
}

QStringList IniFile::readLines(QString *lineEnd) const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (lineEnd)
            *lineEnd = QStringLiteral("\n");
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (lineEnd)
        *lineEnd = bytes.contains("\r\n") ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text = TextCodec::decode(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString IniFile::rawValue(const QString &section, const QString &key) const
{
    bool inSection = false;
    for (const QString &line : readLines(nullptr)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (inSection)
                break; // the first section of the name wins
            inSection = sameName(name, section);
            continue;
        }
        QString k, v;
        if (inSection && splitEntry(line, &k, &v) && sameName(k, key))
            return v.isNull() ? QStringLiteral("") : v;
    }
    return {};
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString v = rawValue(section, key);
    return v.isNull() ? defaultValue : v;
}

qint64 IniFile::readInteger(const QString &section, const QString &key, qint64 defaultValue) const
{
    qint64 v = 0;
    return Formats::parseInteger(rawValue(section, key), &v) ? v : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QDate IniFile::readDate(const QString &section, const QString &key, const QDate &defaultValue) const
{
    const QDate d = Formats::parseDate(rawValue(section, key));
    return d.isValid() ? d : defaultValue;
}

bool IniFile::valueExists(const QString &section, const QString &key) const
{
    return !rawValue(section, key).isNull();
}

QStringList IniFile::sectionKeys(const QString &section) const
{
    QStringList keys;
    bool inSection = false;
    for (const QString &line : readLines(nullptr)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (inSection)
                break;
            inSection = sameName(name, section);
            continue;
        }
        QString k, v;
        if (inSection && splitEntry(line, &k, &v))
            keys.append(k);
    }
    return keys;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QFileInfo info(m_fileName);
    // A file whose write permission bits are all off is read-only, whoever runs the program (root included).
    if (info.exists() &&
        !(info.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)))
        return false;

    QString lineEnd;
    QStringList lines = readLines(&lineEnd);
    const QString entry = key + QLatin1Char('=') + oneLine(value);

    qsizetype sectionStart = -1;
    qsizetype lastEntry = -1;
    bool done = false;
    for (qsizetype i = 0; i < lines.size() && !done; ++i) {
        const QString name = sectionName(lines.at(i));
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break;
            if (sameName(name, section)) {
                sectionStart = i;
                lastEntry = i;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        QString k, v;
        if (splitEntry(lines.at(i), &k, &v)) {
            lastEntry = i;
            if (sameName(k, key)) {
                lines[i] = entry;
                done = true;
            }
        } else if (!lines.at(i).trimmed().isEmpty()) {
            lastEntry = i;
        }
    }
    if (!done) {
        if (sectionStart >= 0) {
            lines.insert(lastEntry + 1, entry);
        } else {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QString());
            lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
            lines.append(entry);
        }
    }

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = (lines.join(lineEnd) + lineEnd).toUtf8();
    if (file.write(bytes) != bytes.size())
        return false;
    // flush() first: commit() does not report a write still in the buffer that fails (a full disk).
    return file.flush() && file.commit();
}

bool IniFile::writeInteger(const QString &section, const QString &key, qint64 value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::writeDate(const QString &section, const QString &key, const QDate &value)
{
    return writeString(section, key, Formats::date(value));
}
