#include "TIniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace sorvik {

namespace {

// The name in "[name]", or a null string when the line is no section header.
QString sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return {};
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return {};
    return t.mid(1, close - 1).trimmed();
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

QString keyOf(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

QString valueOf(const QString &line)
{
    QString v = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (v.size() >= 2 && ((v.startsWith(u'"') && v.endsWith(u'"')) || (v.startsWith(u'\'') && v.endsWith(u'\''))))
        v = v.mid(1, v.size() - 2);
    return v;
}

// A value as one line: line breaks and other control characters become blanks, so that no value can add a key or
// a section to the file.
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

} // namespace

TIniFile::TIniFile(const QString &path) : m_path(path)
{
    load();
}

void TIniFile::load()
{
    m_lines.clear();
    m_crlf = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    // Files written elsewhere may be in a single-byte code page.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    m_crlf = text.contains(QLatin1String("\r\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

bool TIniFile::save() const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray out;
    for (const QString &line : m_lines) {
        out += line.toUtf8();
        out += m_crlf ? "\r\n" : "\n";
    }
    // flush() first: commit() does not report a buffered write that fails (a full disk), and would put a cut file in
    // place of the whole one.
    return file.write(out) == out.size() && file.flush() && file.commit();
}

int TIniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = sectionName(m_lines[i]);
        if (!name.isNull() && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TIniFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && sectionName(m_lines[i]).isNull())
        ++i;
    return i;
}

int TIniFile::findKey(int header, const QString &key) const
{
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QString trimmed = m_lines[i].trimmed();
        if (isComment(trimmed))
            continue;
        if (keyOf(m_lines[i]).compare(key, Qt::CaseInsensitive) == 0 && m_lines[i].contains(u'='))
            return i;
    }
    return -1;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int header = findSection(section);
    if (header < 0)
        return defaultValue;
    const int line = findKey(header, key);
    return line < 0 ? defaultValue : valueOf(m_lines[line]);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    bool ok = false;
    int value = text.toInt(&ok, 10);
    if (!ok && (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)))
        value = text.mid(2).toInt(&ok, 16);
    if (!ok && text.startsWith(u'$'))
        value = text.mid(1).toInt(&ok, 16);
    return ok ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // Another program may have changed the file since it was read.
    load();
    const QString entry = key + u'=' + oneLine(value);
    const int header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(entry);
    } else if (const int line = findKey(header, key); line >= 0) {
        m_lines[line] = entry;
    } else {
        // After the section's last non-blank line, so the blank line before the next section stays.
        int at = sectionEnd(header);
        while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, entry);
    }
    return save();
}

bool TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace sorvik
