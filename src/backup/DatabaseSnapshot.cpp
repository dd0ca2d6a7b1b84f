#include "DatabaseSnapshot.h"

#include "Database.h"
#include "DatabaseUri.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

// A libpq keyword value in single quotes.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

DatabaseSnapshot::Result sqliteCopy(const QString &path, const QString &folder)
{
    static std::atomic<int> counter{0};
    const QString connection = QStringLiteral("kelvo-backup-%1").arg(++counter);
    DatabaseSnapshot::Result result;
    result.name = QFileInfo(path).fileName();
    result.file = QDir(folder).filePath(result.name);
    {
        QString error;
        QSqlDatabase db = Database::openConnection(path, connection, &error);
        if (error.isEmpty()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("VACUUM INTO ?"));
            query.addBindValue(result.file);
            if (!query.exec())
                error = query.lastError().text();
        }
        if (!error.isEmpty())
            result.error = QStringLiteral("%1: %2").arg(path, error.trimmed());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

DatabaseSnapshot::Result serverDump(const DatabaseUri &uri, const QString &folder)
{
    DatabaseSnapshot::Result result;
    const QString database = uri.databaseName().isEmpty() ? QStringLiteral("kelvo") : uri.databaseName();
    result.name = database + QStringLiteral(".sql");
    result.file = QDir(folder).filePath(result.name);

    QProcess dump;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!uri.password().isEmpty())
        environment.insert(QStringLiteral("PGPASSWORD"), uri.password());
    dump.setProcessEnvironment(environment);
    dump.setProcessChannelMode(QProcess::SeparateChannels);
    dump.setStandardOutputFile(QProcess::nullDevice());
    dump.start(QStringLiteral("pg_dump"), DatabaseSnapshot::dumpArguments(uri, result.file));
    if (!dump.waitForStarted()) {
        result.error = QStringLiteral("A pg_dump program nem indítható: %1").arg(dump.errorString());
        return result;
    }
    if (!dump.waitForFinished(DatabaseSnapshot::kDumpTimeoutMs)) {
        dump.kill();
        dump.waitForFinished();
        result.error = QStringLiteral("A pg_dump nem végzett %1 perc alatt.").arg(DatabaseSnapshot::kDumpTimeoutMs / 60000);
        return result;
    }
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        const QString text = QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
        result.error = text.isEmpty() ? QStringLiteral("A pg_dump hibával állt le (%1).").arg(dump.exitCode()) : text;
    }
    return result;
}

} // namespace

DatabaseSnapshot::Result DatabaseSnapshot::take(const QString &datapath, const QString &folder)
{
    const DatabaseUri uri = DatabaseUri::parse(datapath);
    if (!uri.error().isEmpty())
        return {{}, {}, uri.error()};
    return uri.isServer() ? serverDump(uri, folder) : sqliteCopy(uri.filePath(), folder);
}

QStringList DatabaseSnapshot::dumpArguments(const DatabaseUri &uri, const QString &outputFile)
{
    QStringList connection;
    if (!uri.host().isEmpty())
        connection.append(QStringLiteral("host=") + quoted(uri.host()));
    if (uri.port() >= 0)
        connection.append(QStringLiteral("port=") + QString::number(uri.port()));
    if (!uri.databaseName().isEmpty())
        connection.append(QStringLiteral("dbname=") + quoted(uri.databaseName()));
    if (!uri.userName().isEmpty())
        connection.append(QStringLiteral("user=") + quoted(uri.userName()));
    // The URI's other parameters are already "key='value'" pairs.
    const QStringList options = uri.options().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    connection += options;
    // An unreachable server is a failure within seconds, not the system's minutes.
    if (!uri.options().contains(QLatin1String("connect_timeout=")))
        connection.append(QStringLiteral("connect_timeout=5"));
    return {QStringLiteral("--format=plain"), QStringLiteral("--no-owner"), QStringLiteral("--file=") + outputFile,
            QStringLiteral("--dbname=") + connection.join(QLatin1Char(' '))};
}
