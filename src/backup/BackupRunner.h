#pragma once

#include "BackupArchive.h"
#include "BackupSchedule.h"

#include <QDate>
#include <QString>

#include <functional>

class Config;

// A backup of the program's data and settings, as the window and kelvoctl make it: the database (a consistent
// snapshot), the company data, the ticket templates and Kelvo.ini, in that order, in one flat ZIP archive.
class BackupRunner
{
public:
    static constexpr char kDoneMessage[] = "A biztonsági másolat elkészült.";
    static constexpr char kFailedMessage[] = "A biztonsági másolatot nem sikerült elkészíteni.";
    static constexpr char kTargetRefused[] = "A biztonsági másolat nem írhatja felül a mentett fájlok egyikét: %1";
    static constexpr char kPeriodNotSaved[] =
        "A biztonsági mentés idejét nem sikerült a beállításokba írni. Írásvédett a fájl, vagy nincs jogosultság.";

    struct Result {
        bool ok = false;
        QString error; // why not, when not ok

        // The failure message with its reason on a second line.
        QString failureText() const;
    };
    using Maker = std::function<Result(const QString &path)>;

    struct AutoOutcome {
        enum class Status { NotDue, Made, Failed };
        Status status = Status::NotDue;
        QString path;
        QString error;   // Failed: the reason
        QString warning; // Made, but the period could not be stored: the backup is made again at the next start
    };

    BackupRunner(QString programFolder, QString datapath);
    explicit BackupRunner(const Config &config);

    // Why target may not be written (it is one of the files the archive takes); empty when it may.
    QString refusal(const QString &target) const;

    // Makes the archive at target. It works on connections of its own, so it may run on a worker thread.
    Result make(const QString &target) const;

    // The start-up backup: when one is due, makes it with make (this runner's own by default) and only then stores
    // the period, so a failed one is tried again at the next start.
    AutoOutcome automatic(Config &config, const QDate &today, const Maker &make = {}) const;
    // The second half of automatic, for a caller that made the due backup itself (on a worker thread).
    static AutoOutcome settled(Config &config, const BackupSchedule::Due &due, const Result &result);

private:
    QString m_programFolder;
    QString m_datapath;
};
