#include "Database.h"

#include "DatabaseUri.h"
#include "Dialect.h"
#include "Schema.h"
#include "Seged.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <algorithm>

namespace {

// dekodol of this constant gives the store password.
constexpr char kPasswordConstant[] = "RN9iD6iv";

// How often a station in network mode looks for a lost server connection.
constexpr int kWatchInterval = 3000;
constexpr int kLongestWatchInterval = 60000;
// How often a station sharing a SQLite file looks whether another one committed to it.
constexpr int kFileWatchInterval = 1000;

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("kelvo-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

Database::Database(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_connectionName(nextConnectionName())
{
    m_fileWatch.setInterval(kFileWatchInterval);
    connect(&m_fileWatch, &QTimer::timeout, this, &Database::pollFile);
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (isOpen())
            return;
        // Each attempt on a server that cannot be reached holds the window up to the connect timeout: while the
        // server stays away, try less and less often.
        db();
        m_watch.setInterval(isOpen() ? kWatchInterval : std::min(m_watch.interval() * 2, kLongestWatchInterval));
    });
}

Database::~Database()
{
    close();
}

QSqlDatabase Database::db()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    // The driver reports a connection the server closed as no longer open. Close it properly (the driver frees
    // what it held only then) and open it again with the same settings; if the server is still away, the
    // operation fails with its text and the next one tries again.
    if (m_wanted && db.isValid() && !db.isOpen()) {
        db.close();
        if (db.open()) {
            listen();
            if (m_networkMode)
                QTimer::singleShot(0, this, &Database::reconnected);
        }
    }
    return db;
}

QString Database::password()
{
    return QString::fromLatin1(dekodol(QString::fromLatin1(kPasswordConstant)));
}

QSqlDatabase Database::openConnection(const QString &path, const QString &connectionName, QString *error)
{
    const DatabaseUri uri = DatabaseUri::parse(path);
    QSqlDatabase db = uri.addConnection(connectionName);
    // A server takes the user's own credentials from the URI (or libpq's password file) instead.
    if (!uri.isServer())
        db.setPassword(password());
    QString text = uri.error();
    if (text.isEmpty() && !db.open())
        text = db.lastError().text();
    if (error)
        *error = text;
    return db;
}

QString Database::open()
{
    close();
    QString error;
    QSqlDatabase db = openConnection(m_path, m_connectionName, &error);
    Q_UNUSED(db);
    m_wanted = error.isEmpty();
    if (m_wanted)
        listen();
    return error;
}

void Database::close()
{
    m_wanted = false;
    m_watch.stop();
    m_fileWatch.stop();
    m_dataVersion = -1;
    m_changed.clear();
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QString Database::openTables()
{
    return openTables(db());
}

QString Database::openTables(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    for (const QString &table : Schema::tablesInOpenOrder()) {
        if (!query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table)))
            return query.lastError().text();
    }
    // A file made before the serial number counter gets it here, started after its largest serial number.
    return Schema::upgrade(db);
}

void Database::setNetworkMode(bool on)
{
    m_networkMode = on;
    if (isOpen())
        listen();
}

void Database::refresh(const QString &table)
{
    if (!m_networkMode)
        return;
    emit tableRefreshed(table);
}

void Database::listen()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    const QString channel = Dialect::changeChannel(db);
    QSqlDriver *driver = db.driver();
    if (!driver)
        return;
    if (channel.isEmpty()) {
        // A file announces nothing: its change counter is read instead.
        m_dataVersion = -1;
        if (m_networkMode) {
            pollFile();
            m_fileWatch.start();
        } else {
            m_fileWatch.stop();
        }
        return;
    }
    if (m_networkMode)
        m_watch.start();
    else
        m_watch.stop();
    // A connection opened again has a fresh driver state: no subscription, so listen again.
    if (m_networkMode) {
        if (!driver->subscribedToNotifications().contains(channel) && !driver->subscribeToNotification(channel))
            qWarning("Database: cannot listen for changes: %s", qPrintable(driver->lastError().text()));
        connect(driver, &QSqlDriver::notification, this, &Database::announced, Qt::UniqueConnection);
    } else if (driver->subscribedToNotifications().contains(channel)) {
        driver->unsubscribeFromNotification(channel);
    }
}

void Database::announced(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload)
{
    // This station's own changes are shown by the command that made them.
    const QString channel = Dialect::changeChannel(QSqlDatabase::database(m_connectionName, false));
    if (!m_networkMode || source == QSqlDriver::SelfSource || name != channel)
        return;
    if (m_changed.isEmpty())
        QTimer::singleShot(0, this, &Database::emitChanges);
    m_changed.insert(payload.toString());
}

void Database::pollFile()
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return;
    // The counter moves with every commit of another connection, never with this one's own.
    const qint64 version = query.value(0).toLongLong();
    const bool changed = m_dataVersion >= 0 && version != m_dataVersion;
    m_dataVersion = version;
    // The file does not say which table changed; the in-progress list is the view that follows other stations.
    if (changed)
        emit changedElsewhere(QStringLiteral("folyamatban"));
}

void Database::emitChanges()
{
    const QSet<QString> changed = std::exchange(m_changed, {});
    for (const QString &table : changed)
        emit changedElsewhere(table);
}
