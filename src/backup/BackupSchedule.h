#pragma once

#include <QDate>
#include <QString>

#include <optional>

class Config;

// When the automatic backup is due and where it goes. The period is the ISO week (weekly) or the month (monthly);
// only its number is stored and compared, so week 10 of next year counts as already done.
class BackupSchedule
{
public:
    enum Mode { Never = 0, Weekly = 1, Monthly = 2 };

    // "YYYY.MM.DD_backup.zip"
    static QString archiveName(const QDate &day);
    // The period number of day in mode; nothing for any mode but weekly or monthly.
    static std::optional<int> period(qint64 mode, const QDate &day);
    // autobackuppath is a prefix: a folder without its trailing "/" puts the archive beside the folder, named after
    // it. A prefix that is not an existing folder falls back to the program folder.
    static QString automaticPath(const QString &autobackuppath, const QString &programFolder, const QDate &day);

    struct Due {
        QString path;
        int period = 0;
    };
    // The automatic backup the settings call for today, if any.
    static std::optional<Due> due(const Config &config, const QDate &today);
};
