#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <zip.h>

// The entries of a ZIP archive, names and contents in archive order; empty when it cannot be read.
namespace ZipReader {

inline QList<QPair<QString, QByteArray>> entries(const QString &path)
{
    QList<QPair<QString, QByteArray>> result;
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return result;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        QByteArray bytes(qsizetype(stat.size), '\0');
        if (zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(i), 0)) {
            zip_fread(file, bytes.data(), stat.size);
            zip_fclose(file);
        }
        result.append({QString::fromUtf8(stat.name), bytes});
    }
    zip_discard(archive);
    return result;
}

inline QStringList names(const QString &path)
{
    QStringList list;
    for (const auto &entry : entries(path))
        list.append(entry.first);
    return list;
}

} // namespace ZipReader
