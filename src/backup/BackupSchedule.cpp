#include "BackupSchedule.h"

#include "Config.h"

#include <QFileInfo>

QString BackupSchedule::archiveName(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy.MM.dd")) + QStringLiteral("_backup.zip");
}

std::optional<int> BackupSchedule::period(qint64 mode, const QDate &day)
{
    switch (mode) {
    case Weekly:
        return day.weekNumber();
    case Monthly:
        return day.month();
    default:
        return std::nullopt;
    }
}

QString BackupSchedule::automaticPath(const QString &autobackuppath, const QString &programFolder, const QDate &day)
{
    const QString folder = QFileInfo(autobackuppath).isDir() ? autobackuppath : programFolder;
    return folder + archiveName(day);
}

std::optional<BackupSchedule::Due> BackupSchedule::due(const Config &config, const QDate &today)
{
    const std::optional<int> number = period(config.integer(Keys::Autobackup), today);
    if (!number || *number == config.integer(Keys::utolsomentes))
        return std::nullopt;
    return Due{automaticPath(config.string(Keys::autobackuppath), config.programFolder(), today), *number};
}
