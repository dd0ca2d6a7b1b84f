#pragma once

#include "WebUsers.h"

#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QMutex>

#include <optional>

// The logged-in office users, in memory: a session ends at logout, after kIdleMinutes without a request, or when the
// service stops. Also slows down and locks out guessing: every failed login of a name or from an address within
// kWindowMinutes is answered a little later (kStepMs more each time, at most kMaxDelayMs), and kMaxNameFailures
// failures of one name, or kMaxAddressFailures from one address, lock that name or address for kLockMinutes. Used
// from the worker threads; every member locks.
class SessionStore
{
public:
    static constexpr int kIdleMinutes = 30;
    static constexpr int kWindowMinutes = 15;
    static constexpr int kLockMinutes = 15;
    static constexpr int kMaxNameFailures = 5;
    static constexpr int kMaxAddressFailures = 20;
    static constexpr int kStepMs = 250;
    static constexpr int kMaxDelayMs = 2000;

    // A new session for user; its id (32 random bytes, base64url).
    QString open(const WebUsers::User &user);
    // The user of a live session, which is kept alive by the call.
    std::optional<WebUsers::User> find(const QString &id);
    void close(const QString &id);

    // Whether the name or the address is locked out now.
    bool locked(const QString &name, const QHostAddress &address);
    // Counts a failed login; how long (ms) to hold its answer back.
    int failed(const QString &name, const QHostAddress &address);
    // A successful login clears the failures of its name.
    void succeeded(const QString &name);

private:
    struct Session {
        WebUsers::User user;
        QDateTime lastSeen;
    };
    struct Failures {
        int count = 0;
        QDateTime first;
        QDateTime lockedUntil;
    };
    void expire(const QDateTime &now);
    static int count(Failures &f, const QDateTime &now, int limit);

    QMutex m_mutex;
    QHash<QString, Session> m_sessions;
    QHash<QString, Failures> m_names;
    QHash<QString, Failures> m_addresses;
};
