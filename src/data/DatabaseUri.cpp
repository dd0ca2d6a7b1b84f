#include "DatabaseUri.h"

#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace {

bool isServerUri(const QString &datapath)
{
    return datapath.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           datapath.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// A libpq keyword value in single quotes, as a conninfo string wants it.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

} // namespace

DatabaseUri DatabaseUri::parse(const QString &datapath)
{
    DatabaseUri uri;
    uri.m_datapath = datapath;
    if (!isServerUri(datapath)) {
        uri.m_filePath = datapath;
        return uri;
    }
    uri.m_engine = Engine::Postgres;
    const QUrl url(datapath, QUrl::StrictMode);
    if (!url.isValid()) {
        uri.m_error = QStringLiteral("Hibás adatbázis-cím: \"%1\" (%2)").arg(datapath, url.errorString());
        return uri;
    }
    uri.m_host = url.host(QUrl::FullyDecoded);
    uri.m_port = url.port(-1);
    uri.m_userName = url.userName(QUrl::FullyDecoded);
    uri.m_password = url.password(QUrl::FullyDecoded);
    uri.m_databaseName = url.path(QUrl::FullyDecoded).mid(1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        // Qt's driver joins its options with ";", so a ";" inside a value would split it.
        if (key.isEmpty() || key.contains(QLatin1Char(';')) || value.contains(QLatin1Char(';'))) {
            uri.m_error = QStringLiteral("Hibás adatbázis-cím: \"%1\" (paraméter: %2)").arg(uri.displayName(), key);
            return uri;
        }
        // The ones Qt's driver has fields for go there, so that a later one wins as libpq would have it.
        if (key == u"host")
            uri.m_host = value;
        else if (key == u"port")
            uri.m_port = value.toInt();
        else if (key == u"dbname")
            uri.m_databaseName = value;
        else if (key == u"user")
            uri.m_userName = value;
        else if (key == u"password")
            uri.m_password = value;
        else
            options.append(key + QLatin1Char('=') + quoted(value));
    }
    uri.m_options = options.join(QLatin1Char(';'));
    return uri;
}

QString DatabaseUri::driverName() const
{
    return isServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
}

QString DatabaseUri::displayName() const
{
    if (!isServer())
        return m_filePath;
    QUrl url(m_datapath);
    if (!url.isValid())
        return m_datapath;
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query);
    return url.toString(QUrl::RemovePassword);
}

QSqlDatabase DatabaseUri::addConnection(const QString &connectionName) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
    if (!isServer()) {
        // mode=rw: never create a file that is not there.
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(m_filePath).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        return db;
    }
    db.setHostName(m_host);
    db.setPort(m_port);
    db.setDatabaseName(m_databaseName);
    db.setUserName(m_userName);
    db.setPassword(m_password);
    // Defaults for what the URI leaves open. The server's notices ("already exists, skipping" of every start-up's
    // schema check) are no news to an operator or a script reading kelvoctl's output; warnings and errors still
    // come through. No JIT compiling: it costs a long list's read tens of milliseconds each time and gains nothing
    // on reads that walk an index. A station gives up on a server it cannot reach within seconds instead of the
    // system's minutes, and a statement on a connection whose peer vanished without a word (cable cut) fails within
    // 10 s: data sent and not acknowledged for 9 s ends it, and so do three unanswered keepalives after 3 s of
    // silence.
    const std::pair<const char *, const char *> defaults[] = {
        {"options", "-c client_min_messages=warning -c jit=off"},
        {"connect_timeout", "5"},
        {"keepalives_idle", "3"},
        {"keepalives_interval", "2"},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", "9000"},
    };
    QStringList options;
    if (!m_options.isEmpty())
        options.append(m_options);
    for (const auto &[key, value] : defaults) {
        if (!(QLatin1Char(';') + m_options).contains(QLatin1Char(';') + QLatin1String(key) + QLatin1Char('=')))
            options.append(QLatin1String(key) + QLatin1Char('=') + quoted(QLatin1String(value)));
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}
