#include "DatabaseWorker.h"

#include "Database.h"
#include "DatabaseUri.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSqlDriver>
#include <QSqlQuery>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/socket.h>

namespace {

// How often the watchdog looks at the command in hand, and how often a lost server is tried again.
constexpr int kWatchdogMs = 200;
constexpr int kRetryMs = 2000;
// A server is asked whether it is there when the station has not used it for this long, and must answer within
// kPingLimitMs: a lost server shows while the operator is not using it.
constexpr int kPingMs = 3000;
constexpr int kPingLimitMs = 3000;

// Breaks off what the connection is doing, from any thread: SQLite stops the statement at its next step; a server
// connection is cut, so the blocked read returns, and the server rolls back what was open.
void interruptHandle(const QVariant &handle)
{
    if (!handle.isValid())
        return;
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (auto *db = *static_cast<sqlite3 *const *>(handle.constData()))
            sqlite3_interrupt(db);
    } else if (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0) {
        if (auto *conn = *static_cast<PGconn *const *>(handle.constData()); conn && PQsocket(conn) >= 0)
            ::shutdown(PQsocket(conn), SHUT_RDWR);
    }
}

} // namespace

DatabaseWorker::DatabaseWorker(QObject *parent)
    : QObject(parent)
    , m_ownerContext(new QObject(this))
{
    m_thread.setObjectName(QStringLiteral("kelvo-database"));
    m_workerContext = new QObject;
    m_workerContext->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_workerContext, &QObject::deleteLater);
    m_thread.start();
    m_watchdog.setInterval(kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &DatabaseWorker::watch);
    m_watchdog.start();
    m_ping.setInterval(kPingMs);
    connect(&m_ping, &QTimer::timeout, this, &DatabaseWorker::ping);
}

DatabaseWorker::~DatabaseWorker()
{
    stop();
}

QFuture<QString> DatabaseWorker::open(const QString &datapath)
{
    m_path = datapath;
    m_server = DatabaseUri::parse(datapath).isServer();
    if (m_server)
        m_ping.start();
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> future = promise->future();
    promise->start();
    m_pending.fetch_add(1);
    QMetaObject::invokeMethod(m_workerContext, [this, promise, datapath] {
        delete m_database;
        m_database = new Database(datapath);
        // Its signals cross to the owner's thread as queued calls.
        connect(m_database, &Database::changedElsewhere, this, &DatabaseWorker::changedElsewhere);
        connect(m_database, &Database::reconnected, this, &DatabaseWorker::reconnected);
        const QString error = m_database->open();
        promise->addResult(error);
        promise->finish();
        m_pending.fetch_sub(1);
    }, Qt::QueuedConnection);
    return future;
}

void DatabaseWorker::setNetworkMode(bool on)
{
    m_networkMode = on;
    QMetaObject::invokeMethod(m_workerContext, [this, on] {
        if (m_database)
            m_database->setNetworkMode(on);
    }, Qt::QueuedConnection);
}

void DatabaseWorker::postJob(std::function<void(QSqlDatabase)> job, CancelCheck cancelled, Limit limit)
{
    if (m_stopping.load())
        return; // the promise, dropped unfinished, reports the command cancelled
    m_pending.fetch_add(1);
    QMetaObject::invokeMethod(m_workerContext, [this, job = std::move(job), cancelled = std::move(cancelled), limit] {
        runJob(job, cancelled, limit);
        m_pending.fetch_sub(1);
    }, Qt::QueuedConnection);
}

void DatabaseWorker::runJob(const std::function<void(QSqlDatabase)> &job, const CancelCheck &cancelled, Limit limit)
{
    // Dropped unrun, the command's promise reports it cancelled.
    if (m_stopping.load() && limit == Limit::None)
        return;
    // Before the database is opened a command runs without a connection (start-up checks with their own). A lost
    // server is not asked for one: each command would wait for a connect attempt, only to be refused.
    QSqlDatabase db = m_database && (m_online.load() || !m_server) ? m_database->db() : QSqlDatabase();
    {
        const QMutexLocker lock(&m_currentMutex);
        m_currentCancelled = cancelled;
        m_currentHandle = db.isOpen() && db.driver() ? db.driver()->handle() : QVariant();
        m_currentStarted = std::chrono::steady_clock::now();
        m_currentLimitMs = !m_server                ? 0
                           : limit == Limit::Command ? kCommandLimitMs
                           : limit == Limit::Ping    ? kPingLimitMs
                                                     : 0;
        m_currentUnlimited = limit == Limit::None;
        m_currentInterrupted = false;
    }
    job(db);
    m_lastUsed.store(std::chrono::steady_clock::now());
    {
        const QMutexLocker lock(&m_currentMutex);
        m_currentCancelled = nullptr;
        m_currentHandle = QVariant();
    }
    checkConnection();
}

void DatabaseWorker::checkConnection()
{
    if (!m_server || !m_database)
        return;
    if (!m_online.load()) {
        // Found lost while the command ran (the watchdog cut it): the retries try the server, not each command.
        scheduleRetry();
        return;
    }
    // A connection the command found broken is opened again at once: a server that restarted costs the one
    // command; one that stays away makes the station offline until a retry reaches it.
    reconnect();
}

void DatabaseWorker::reconnect()
{
    QSqlDatabase db = m_database->db();
    const bool open = db.isOpen();
    if (open == m_online.load())
        return;
    m_online.store(open);
    const QString error = open ? QString() : Sql::errorText(db.lastError(), db);
    QMetaObject::invokeMethod(this, [this, open, error] { emit onlineChanged(open, error); }, Qt::QueuedConnection);
    if (!open)
        scheduleRetry();
}

void DatabaseWorker::scheduleRetry()
{
    if (m_retryScheduled)
        return;
    m_retryScheduled = true;
    QTimer::singleShot(kRetryMs, m_workerContext, [this] {
        m_retryScheduled = false;
        retry();
    });
}

void DatabaseWorker::retry()
{
    if (m_stopping.load() || m_online.load())
        return;
    reconnect();
    if (!m_online.load())
        scheduleRetry();
}

void DatabaseWorker::watch()
{
    const QMutexLocker lock(&m_currentMutex);
    if (!m_currentCancelled || m_currentInterrupted)
        return;
    const bool late = m_currentLimitMs > 0 && std::chrono::steady_clock::now() - m_currentStarted >
                                                  std::chrono::milliseconds(m_currentLimitMs);
    if (!late && !m_currentCancelled() && !(m_stopping.load() && m_currentUnlimited))
        return;
    m_currentInterrupted = true;
    interruptHandle(m_currentHandle);
    // A server that lets a statement wait this long is as good as lost: the station says so now, not after the
    // attempt to connect again.
    if (late && m_online.exchange(false))
        emit onlineChanged(false, QString::fromUtf8(kNoAnswer));
}

void DatabaseWorker::ping()
{
    if (!m_server || !m_online.load() || m_pending.load() > 0 || m_stopping.load())
        return;
    if (std::chrono::steady_clock::now() - m_lastUsed.load() < std::chrono::milliseconds(kPingMs))
        return;
    postJob([](QSqlDatabase db) { QSqlQuery(db).exec(QStringLiteral("SELECT 1")); }, [] { return false; }, Limit::Ping);
}

void DatabaseWorker::drain()
{
    // On the owner's thread its events go on meanwhile: a command may be waiting for the operator's answer there.
    const bool owner = QThread::currentThread() == thread();
    while (m_pending.load() > 0 && m_thread.isRunning()) {
        if (owner)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        else
            QThread::msleep(5);
    }
}

void DatabaseWorker::stop()
{
    if (m_stopping.exchange(true))
        return;
    m_watchdog.stop();
    m_ping.stop();
    // Last in the queue: what was given before runs first.
    QMetaObject::invokeMethod(m_workerContext, [this] {
        delete m_database;
        m_database = nullptr;
        QThread::currentThread()->quit();
    }, Qt::QueuedConnection);
    // The watchdog keeps its watch while the queue runs out.
    while (!m_thread.wait(kWatchdogMs))
        watch();
}
