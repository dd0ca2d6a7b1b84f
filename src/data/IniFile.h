#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// INI file with the semantics of the classic Windows profile functions: section and key names compare
// case-insensitively, a value is the rest of its line (trimmed, one pair of enclosing quotes dropped), and a write
// changes one line in place and keeps everything else of the file. Every call reads the file afresh, so a change
// made by hand or by another program is seen at once. Files are read as UTF-8 or, when not valid UTF-8, as
// Windows-1250; they are written as UTF-8.
class IniFile
{
public:
    explicit IniFile(QString fileName);

    const QString &fileName() const { return m_fileName; }

    QString readString(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    // Decimal or "0x"/"$" hexadecimal; anything else reads as the default.
    qint64 readInteger(const QString &section, const QString &key, qint64 defaultValue) const;
    // Any integer other than 0 is true; a non-number reads as the default.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;
    // The program's short date format "yyyy.mm.dd"; a date that does not parse reads as the default.
    QDate readDate(const QString &section, const QString &key, const QDate &defaultValue) const;

    bool valueExists(const QString &section, const QString &key) const;
    QStringList sectionKeys(const QString &section) const;

    // Writes return false when the system refuses the write (read-only file or folder, missing rights). A value
    // always stays on its line: line breaks and other control characters in it are written as blanks.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, qint64 value);
    bool writeBool(const QString &section, const QString &key, bool value);
    bool writeDate(const QString &section, const QString &key, const QDate &value);

private:
    // A null QString when the key is absent.
    QString rawValue(const QString &section, const QString &key) const;
    QStringList readLines(QString *lineEnd) const;

    QString m_fileName;
};
