#include "DatabaseStartup.h"

#include "Config.h"
#include "Database.h"
#include "DatabaseUri.h"
#include "Dialect.h"
#include "Schema.h"
#include "Sql.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// SQLite result code for a file that cannot be opened at all (missing rights, a folder).
constexpr char kCantOpen[] = "14";

// Runs work on a private connection to path and removes the connection afterwards.
template <typename Work>
auto withConnection(const QString &path, const QString &name, Work work)
{
    QString error;
    auto result = [&] {
        QSqlDatabase db = Database::openConnection(path, name, &error);
        auto r = work(db, error);
        db.close();
        return r;
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

namespace DatabaseStartup {

QString databasePath(const Config &config)
{
    return config.string(Keys::datapath);
}

std::optional<QString> checkExists(const QString &path)
{
    const DatabaseUri uri = DatabaseUri::parse(path);
    if (!uri.error().isEmpty())
        return uri.error();
    if (!uri.isServer()) {
        if (QFileInfo(path).isFile())
            return std::nullopt;
        return QStringLiteral("Az adatbázis (kelvo.mdb) nem található a következő helyen: \"%1\"").arg(path);
    }
    // A server database is there when it takes the connection; libpq's text says why not.
    const QString error = withConnection(path, QStringLiteral("kelvo-exists"),
                                         [](QSqlDatabase &, const QString &error) { return error; });
    if (error.isEmpty())
        return std::nullopt;
    return QStringLiteral("Az adatbázishoz nem lehet kapcsolódni: \"%1\"\n%2").arg(uri.displayName(), error.trimmed());
}

std::optional<QString> maintain(Config &config, const QString &path)
{
    if (!config.boolean(Keys::karbantart))
        return std::nullopt;
    config.setBoolean(Keys::karbantart, false);
    return QString::fromUtf8(compact(path, path) ? kCompactOkMessage : kCompactFailedMessage);
}

bool compact(const QString &source, const QString &destination)
{
    if (DatabaseUri::parse(source).isServer()) {
        // A server database is compacted where it is; there is no file to write elsewhere.
        if (destination != source)
            return false;
        return withConnection(source, QStringLiteral("kelvo-compact"), [](QSqlDatabase &db, const QString &error) {
            return error.isEmpty() && QSqlQuery(db).exec(Dialect::compactStatement(db));
        });
    }
    if (!QFileInfo(source).isFile())
        return false;
    const bool inPlace = QFileInfo(source).absoluteFilePath() == QFileInfo(destination).absoluteFilePath();
    const QString target = destination + QStringLiteral("x");
    const bool ok = withConnection(source, QStringLiteral("kelvo-compact"), [&](QSqlDatabase &db, const QString &error) {
        if (!error.isEmpty())
            return false;
        QSqlQuery query(db);
        if (inPlace)
            return query.exec(Dialect::compactStatement(db));
        QFile::remove(target);
        query.prepare(QStringLiteral("VACUUM INTO :target"));
        query.bindValue(QStringLiteral(":target"), target);
        return query.exec();
    });
    if (!ok || inPlace)
        return ok;
    QFile::remove(destination);
    return QFile::rename(target, destination);
}

VersionCheck checkVersion(const QString &path)
{
    return withConnection(path, QStringLiteral("kelvo-version"), [&](QSqlDatabase &db, const QString &error) {
        const QString wrong = QString::fromUtf8(kWrongDatabaseMessage);
        if (!error.isEmpty()) {
            // A server that cannot be reached (or refuses us) is not a wrong database.
            if (Dialect::isServer(db) || db.lastError().nativeErrorCode() == QLatin1String(kCantOpen))
                return VersionCheck{VersionCheck::Status::Error, error};
            return VersionCheck{VersionCheck::Status::WrongDatabase, wrong};
        }
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT verzio FROM verzio"))) {
            // A server that refuses the read (a role without rights, a statement cut off) tells why.
            if (!Dialect::isMissingTable(db, query.lastError()))
                return VersionCheck{VersionCheck::Status::Error, query.lastError().text()};
            return VersionCheck{VersionCheck::Status::WrongDatabase, wrong};
        }
        if (!query.next()) {
            if (const QString failure = Sql::readFailure(query, db); !failure.isEmpty())
                return VersionCheck{VersionCheck::Status::Error, failure};
            return VersionCheck{VersionCheck::Status::WrongDatabase, wrong};
        }
        const QVariant value = query.value(0);
        bool ok = false;
        const double version = value.toDouble(&ok);
        if (!ok || version != Schema::kVersion)
            return VersionCheck{VersionCheck::Status::WrongDatabase, wrong};
        return VersionCheck{VersionCheck::Status::Ok, {}};
    });
}

std::optional<QString> check(const QString &path)
{
    if (auto missing = checkExists(path))
        return missing;
    if (VersionCheck version = checkVersion(path); version.status != VersionCheck::Status::Ok)
        return version.message;
    return std::nullopt;
}

} // namespace DatabaseStartup
