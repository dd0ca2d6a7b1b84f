#pragma once

#include "Sql.h"

#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QPromise>
#include <QSqlDatabase>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

class Database;

// The window program's database connection, on a thread of its own, so that a slow query, a server that stopped
// answering or a connect attempt waiting for its timeout never holds the window thread.
//
// Commands are functions of the connection. They run one at a time, in the order given; the caller gets a QFuture
// and continues on its own thread (a watcher or a continuation with a context object). An exception a command throws reaches the
// future. The worker keeps the connection state: onlineChanged tells the owner's thread at once when the server is
// lost and when it is back, and a command given while the server is away is refused without waiting for it.
//
// A command on a server has a time limit (kCommandLimitMs unless it asks for none): past it the connection is cut,
// so the command fails with the driver's text and its open transaction is rolled back by the server. A cancelled
// future interrupts the statement in hand the same way.
class DatabaseWorker : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCommandLimitMs = 10000;
    // The refusal of a command given while the server is away.
    static constexpr char kOffline[] = "Az adatbázis nem érhető el, a művelet nem végezhető el.";
    // Why the station went offline when the server let a statement wait past its limit.
    static constexpr char kNoAnswer[] = "Az adatbázis-kiszolgáló nem válaszol.";
    // Command: kCommandLimitMs on a server. None: no limit. Ping: the worker's own look at the server.
    enum class Limit { Command, None, Ping };

    // The command's progress and the operator's cancel, for long reads.
    class Progress
    {
    public:
        virtual ~Progress() = default;
        virtual bool cancelled() const = 0;
        virtual void report(int done, int total) = 0;
    };

    explicit DatabaseWorker(QObject *parent = nullptr);
    ~DatabaseWorker() override;
    DatabaseWorker(const DatabaseWorker &) = delete;
    DatabaseWorker &operator=(const DatabaseWorker &) = delete;

    // Opens the database datapath names on the worker (a missing one is never created). The future gives the
    // error text, empty on success. Given before any command; commands wait for it.
    QFuture<QString> open(const QString &datapath);
    const QString &path() const { return m_path; }

    // Whether the last thing the worker heard of the server was good. Read on any thread.
    bool online() const { return m_online.load(); }

    // Runs work(QSqlDatabase) on the worker. With Limit::None a command may take as long as it needs (start-up
    // upgrade, compaction, copying): only a dead connection ends it (the driver's keepalives).
    template <typename F>
    auto run(F work, Limit limit = Limit::Command) -> QFuture<std::invoke_result_t<F, QSqlDatabase>>
    {
        using R = std::invoke_result_t<F, QSqlDatabase>;
        return runPromised<R>([work = std::move(work)](QSqlDatabase db, Progress &) mutable {
            if constexpr (std::is_void_v<R>)
                work(db);
            else
                return work(db);
        }, limit);
    }
    // The same for a long read that reports progress and can be cancelled: work(QSqlDatabase, Progress &).
    template <typename F>
    auto runWithProgress(F work, Limit limit = Limit::None)
        -> QFuture<std::invoke_result_t<F, QSqlDatabase, Progress &>>
    {
        using R = std::invoke_result_t<F, QSqlDatabase, Progress &>;
        return runPromised<R>(std::move(work), limit);
    }

    // Asks the owner's thread (a question box for the operator) from inside a command and waits for the answer.
    // While the worker stops, the answer is fallback at once: nothing waits for a window that is going away.
    template <typename R>
    R askOwner(const std::function<R()> &question, R fallback)
    {
        auto state = std::make_shared<Answer<R>>();
        QMetaObject::invokeMethod(m_ownerContext, [state, question] {
            R value = question();
            const std::lock_guard lock(state->mutex);
            state->value = std::move(value);
            state->ready.notify_all();
        }, Qt::QueuedConnection);
        std::unique_lock lock(state->mutex);
        while (!state->value) {
            if (m_stopping.load())
                return fallback;
            state->ready.wait_for(lock, std::chrono::milliseconds(50));
        }
        return *state->value;
    }

    // In network mode the station follows the changes other stations commit (changedElsewhere).
    void setNetworkMode(bool on);
    bool networkMode() const { return m_networkMode; }

    // Returns once every command given so far has run (the owner's events go on meanwhile). For tests.
    void drain();
    // Takes no more commands and ends the thread after closing the connection. Commands already given run to
    // their end (each within its time limit: a station closed right after "Befejezés" still stores the ticket);
    // long reads and maintenance (Limit::None) are broken off, or cancelled when not yet started. The destructor
    // does this too.
    void stop();

signals:
    // The server was lost (error: the driver's text) or is back (error empty).
    void onlineChanged(bool online, const QString &error);
    // Another connection committed a change to the table; see Database.
    void changedElsewhere(const QString &table);
    void reconnected();

private:
    template <typename R>
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        std::optional<R> value;
    };

    template <typename R, typename F>
    QFuture<R> runPromised(F work, Limit limit)
    {
        auto promise = std::make_shared<QPromise<R>>();
        QFuture<R> future = promise->future();
        promise->start();
        if (!online()) {
            promise->setException(std::make_exception_ptr(DatabaseError(QString::fromUtf8(kOffline))));
            promise->finish();
            return future;
        }
        post([this, promise, work = std::move(work)](QSqlDatabase db) mutable {
            PromiseProgress<R> progress(*promise);
            if (promise->isCanceled())
                return;
            // Given before the server was lost: refused now rather than each waiting for a connect attempt.
            if (!online()) {
                promise->setException(std::make_exception_ptr(DatabaseError(QString::fromUtf8(kOffline))));
                return;
            }
            try {
                if constexpr (std::is_void_v<R>) {
                    work(db, progress);
                } else {
                    promise->addResult(work(db, progress));
                }
            } catch (...) {
                promise->setException(std::current_exception());
            }
        }, promise, limit);
        return future;
    }

    template <typename R>
    class PromiseProgress : public Progress
    {
    public:
        explicit PromiseProgress(QPromise<R> &promise) : m_promise(promise) {}
        ~PromiseProgress() override { m_promise.finish(); }
        bool cancelled() const override { return m_promise.isCanceled(); }
        void report(int done, int total) override
        {
            m_promise.setProgressRange(0, total);
            m_promise.setProgressValue(done);
        }

    private:
        QPromise<R> &m_promise;
    };

    // The cancel state of a command's future, seen from the watchdog.
    using CancelCheck = std::function<bool()>;
    template <typename R>
    void post(std::function<void(QSqlDatabase)> job, const std::shared_ptr<QPromise<R>> &promise, Limit limit)
    {
        postJob(std::move(job), [promise] { return promise->isCanceled(); }, limit);
    }
    void postJob(std::function<void(QSqlDatabase)> job, CancelCheck cancelled, Limit limit);

    void runJob(const std::function<void(QSqlDatabase)> &job, const CancelCheck &cancelled, Limit limit);
    void checkConnection();
    void reconnect();
    void scheduleRetry();
    void retry();
    void watch();
    void ping();

    QString m_path;
    bool m_server = false;
    bool m_networkMode = false;
    std::atomic<bool> m_online{true};
    bool m_retryScheduled = false; // on the worker thread
    std::atomic<bool> m_stopping{false};
    QThread m_thread;
    // Lives on the worker thread; queued calls to it run there.
    QObject *m_workerContext = nullptr;
    // Lives on the owner's thread: questions and state signals are delivered there.
    QObject *m_ownerContext = nullptr;
    Database *m_database = nullptr; // lives on the worker thread
    // The command in hand, for the watchdog on the owner's thread.
    QMutex m_currentMutex;
    CancelCheck m_currentCancelled;
    QVariant m_currentHandle; // the driver's native handle, to interrupt it from another thread
    std::chrono::steady_clock::time_point m_currentStarted;
    int m_currentLimitMs = 0;
    bool m_currentUnlimited = false; // Limit::None: broken off when the worker stops
    bool m_currentInterrupted = false;
    std::atomic<int> m_pending{0};
    QTimer m_watchdog;
    QTimer m_ping;
    std::atomic<std::chrono::steady_clock::time_point> m_lastUsed{std::chrono::steady_clock::now()};
};
