#include "BackupArchive.h"

#include "CompanyData.h"
#include "Seged.h"

#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace {

struct ZipDiscarder {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscarder>;

constexpr QFileDevice::Permissions kAnyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

QString zipErrorText(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

} // namespace

QList<ArchiveEntry> BackupArchive::programFiles(const QString &programFolder)
{
    QStringList names{QString::fromUtf8(CompanyData::kFileName)};
    QStringList templates;
    fajllista(programFolder, QStringLiteral("merleg*.htm"), templates);
    std::sort(templates.begin(), templates.end());
    names += templates;
    names.append(QStringLiteral("Kelvo.ini"));

    QList<ArchiveEntry> entries;
    for (const QString &name : std::as_const(names)) {
        const QString path = programFolder + name;
        if (QFileInfo(path).isFile())
            entries.append({path, name});
    }
    return entries;
}

QString BackupArchive::write(const QString &path, const QList<ArchiveEntry> &entries)
{
    // libzip removes the file at path when it closes an empty archive: an earlier backup would be lost.
    if (entries.isEmpty())
        return QStringLiteral("%1: nincs mit menteni").arg(path);
    // A file or folder without any write bit is read-only, whoever runs the program (root included), as for the
    // INI file; libzip alone would replace it.
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("A mappa nem létezik: %1").arg(folder.filePath());
    if (!(folder.permissions() & kAnyWrite))
        return QStringLiteral("Írásvédett a mappa: %1").arg(folder.filePath());
    if (target.exists() && !(target.permissions() & kAnyWrite))
        return QStringLiteral("Írásvédett a fájl: %1").arg(path);
    // Read rights are checked up front: libzip opens the files only while it closes the archive, and its text
    // would not say which file it could not read.
    for (const ArchiveEntry &entry : entries) {
        QFile file(entry.source);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("%1: %2").arg(entry.source, file.errorString());
    }

    int code = 0;
    ZipHandle archive(zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = zipErrorText(&error);
        zip_error_fini(&error);
        return QStringLiteral("%1: %2").arg(path, text);
    }
    for (const ArchiveEntry &entry : entries) {
        zip_source_t *source = zip_source_file(archive.get(), QFile::encodeName(entry.source).constData(), 0, -1);
        if (!source)
            return QStringLiteral("%1: %2").arg(entry.source, zipErrorText(zip_get_error(archive.get())));
        if (zip_file_add(archive.get(), entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            return QStringLiteral("%1: %2").arg(entry.source, zipErrorText(zip_get_error(archive.get())));
        }
    }
    if (zip_close(archive.get()) != 0)
        return QStringLiteral("%1: %2").arg(path, zipErrorText(zip_get_error(archive.get())));
    archive.release(); // closed: nothing left to discard
    return {};
}
