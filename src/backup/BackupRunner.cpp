#include "BackupRunner.h"

#include "BackupSchedule.h"
#include "Config.h"
#include "DatabaseSnapshot.h"
#include "DatabaseStartup.h"
#include "DatabaseUri.h"

#include <QFileInfo>
#include <QTemporaryDir>

QString BackupRunner::Result::failureText() const
{
    const QString message = QString::fromUtf8(kFailedMessage);
    return error.isEmpty() ? message : message + QLatin1Char('\n') + error;
}

BackupRunner::BackupRunner(QString programFolder, QString datapath)
    : m_programFolder(std::move(programFolder))
    , m_datapath(std::move(datapath))
{
}

BackupRunner::BackupRunner(const Config &config)
    : BackupRunner(config.programFolder(), DatabaseStartup::databasePath(config))
{
}

QString BackupRunner::refusal(const QString &target) const
{
    const QString canonical = QFileInfo(target).canonicalFilePath();
    if (canonical.isEmpty())
        return {}; // not there yet, so none of the archived files
    QStringList sources;
    const DatabaseUri uri = DatabaseUri::parse(m_datapath);
    if (!uri.isServer())
        sources.append(uri.filePath());
    for (const ArchiveEntry &entry : BackupArchive::programFiles(m_programFolder))
        sources.append(entry.source);
    for (const QString &source : std::as_const(sources)) {
        if (QFileInfo(source).canonicalFilePath() == canonical)
            return QString::fromUtf8(kTargetRefused).arg(target);
    }
    return {};
}

BackupRunner::Result BackupRunner::make(const QString &target) const
{
    if (const QString refused = refusal(target); !refused.isEmpty())
        return {false, refused};
    const QTemporaryDir work;
    if (!work.isValid())
        return {false, work.errorString()};
    const DatabaseSnapshot::Result snapshot = DatabaseSnapshot::take(m_datapath, work.path());
    if (!snapshot.error.isEmpty())
        return {false, snapshot.error};
    QList<ArchiveEntry> entries{{snapshot.file, snapshot.name}};
    entries += BackupArchive::programFiles(m_programFolder);
    const QString error = BackupArchive::write(target, entries);
    return {error.isEmpty(), error};
}

BackupRunner::AutoOutcome BackupRunner::automatic(Config &config, const QDate &today, const Maker &make) const
{
    const std::optional<BackupSchedule::Due> due = BackupSchedule::due(config, today);
    if (!due)
        return {};
    return settled(config, *due, make ? make(due->path) : this->make(due->path));
}

BackupRunner::AutoOutcome BackupRunner::settled(Config &config, const BackupSchedule::Due &due, const Result &result)
{
    AutoOutcome outcome;
    outcome.path = due.path;
    if (!result.ok) {
        outcome.status = AutoOutcome::Status::Failed;
        outcome.error = result.error;
        return outcome;
    }
    outcome.status = AutoOutcome::Status::Made;
    if (!config.setInteger(Keys::utolsomentes, due.period))
        outcome.warning = QString::fromUtf8(kPeriodNotSaved);
    return outcome;
}
