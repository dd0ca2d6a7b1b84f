#pragma once

#include <QList>
#include <QString>

// One file of a backup archive: where it is read from and the bare name it is stored under.
struct ArchiveEntry {
    QString source;
    QString name;

    bool operator==(const ArchiveEntry &) const = default;
};

// The ZIP archive of a backup.
class BackupArchive
{
public:
    // The program folder's own files in archive order: the company data, every ticket template the settings offer
    // ("merleg*.htm", sorted) and Kelvo.ini when it lives there. Files that are not there are left out.
    static QList<ArchiveEntry> programFiles(const QString &programFolder);

    // Writes the archive at path, replacing a file there; empty on success, else why not. libzip writes into a
    // temporary file beside path and renames it over path only once it is complete, so on failure an earlier
    // archive of that name stays as it was and no partial file is left.
    static QString write(const QString &path, const QList<ArchiveEntry> &entries);
};
