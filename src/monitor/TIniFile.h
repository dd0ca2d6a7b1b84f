#pragma once

#include <QString>
#include <QStringList>

namespace sorvik {

// A settings file with Windows INI rules: section and key names compare case-insensitively, a value runs
// to the end of its line, and a write changes one line in place and keeps the rest of the file as it was.
// Every write goes to disk at once.
class TIniFile
{
public:
    explicit TIniFile(const QString &path);

    const QString &path() const { return m_path; }

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;

    // False when the file cannot be written. Line breaks and other control characters in a value are written as
    // blanks, so a value never spills onto a line of its own.
    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool WriteInteger(const QString &section, const QString &key, int value);
    bool WriteBool(const QString &section, const QString &key, bool value);

private:
    void load();
    bool save() const;
    // Index of the section's header line, or -1.
    int findSection(const QString &section) const;
    // Index of the key's line within the section starting after header, or -1.
    int findKey(int header, const QString &key) const;
    int sectionEnd(int header) const;

    QString m_path;
    QStringList m_lines;
    bool m_crlf = false;   // a file that came with CR LF line ends keeps them
};

} // namespace sorvik
